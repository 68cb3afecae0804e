// The main window as a whole: its tabs, settings at start and close, the disc indicator on a
// virtual drive, the option dialog, the command reset, the serve action (the start tab of a
// file named at start is saved_files_test's).
#include <thread>

#include "app/window_bench.h"
#include "decode/mode_page_editor.h"

namespace tamarack::app {

namespace {

using Bench = testing::SettingsBench;

}  // namespace

class MainWindowShellTest : public QObject {
  Q_OBJECT

 private slots:
  // The tab labels and each tab's Exec caption: main_window.txt.
  void HasTheTitleTheSevenTabsAndTheirExecCaptions() {
    DriveDirectory none;
    MainWindow w(&none);
    testing::Transcript t;
    t("title", w.windowTitle())("minimum width", w.minimumWidth());
    t("minimum height", w.minimumHeight());
    for (int i = 0; i < w.tabs()->count(); ++i) {
      w.tabs()->setCurrentIndex(i);
      t(w.tabs()->tabText(i), w.exec_button()->text());
    }
    t("drives", w.drive_box()->count())("device", w.session().HasDevice());
    t.Expect("main_window.txt");
  }

  // The drive box's serve action on a machine that cannot serve (here: no configfs where it is
  // looked for) and on a drive that is not virtual: it says why, serves nothing and offers no
  // stop.
  void ServingSaysWhyNotAndServesNothing() {
    Bench b;
    const QByteArray missing = b.dir.filePath(QStringLiteral("no-configfs")).toUtf8();
    qputenv("TAMARACK_CONFIGFS_ROOT", missing);
    testing::Messages messages;
    b.config.dialog_hook = messages;
    b.config.start_drive = "/dev/sr9";
    MainWindow& w = b.Open();
    const int machine_drive = w.drive_box()->findText(QStringLiteral("/dev/sr9"));
    QVERIFY(machine_drive >= 0);
    for (int index :
         {w.drive_box()->findText(QStringLiteral("emu:type13?speed=max")), machine_drive}) {
      w.drive_box()->setCurrentIndex(index);
      w.serving()->ServeSelectedDrive();
    }
    qunsetenv("TAMARACK_CONFIGFS_ROOT");
    QCOMPARE(messages.texts->size(), 2);
    const QString why = messages.texts->at(0);
    QVERIFY2(why.startsWith(
                 QStringLiteral("Tamarack cannot serve emu:type13?speed=max to the system here:")),
             qPrintable(why));
    QVERIFY2(why.contains(QStringLiteral("configfs is not mounted at ") + missing),
             qPrintable(why));
    QCOMPARE(messages.texts->at(1),
             QStringLiteral("Only virtual drives (emu:...) can be served to the system; /dev/sr9 "
                            "is a drive of this machine."));
    QVERIFY(w.serving()->served_label()->isHidden());
    QMenu menu;
    w.serving()->FillMenu(&menu);
    QCOMPARE(menu.actions().size(), 1);
    QCOMPARE(menu.actions().at(0)->text(), QStringLiteral("Serve to the system"));
  }

  void TheStatusLineMayBeWrittenFromAWorkerThread() {
    DriveDirectory none;
    MainWindow w(&none);
    std::thread worker([&w] { w.session().status_line.Set("Command Rejected!"); });
    worker.join();
    QTRY_COMPARE(w.status_label()->text(), QStringLiteral("Command Rejected!"));
  }

  // Without a running timer no tick comes; the schedule's tests show a tick sends nothing
  // while the indicator is off.
  void WithTheIndicatorOffNoTimerRuns() {
    Bench b;
    MainWindow& w = b.Open();
    QVERIFY(!w.disc_indicator()->isVisible());
    QVERIFY(!w.disc_indicator()->timer_active());
    QCOMPARE(w.disc_indicator()->polls(), 0);
  }

  // A disc loaded in an open tray turns the indicator and its pace, and the drive is
  // selected again (its TOC read).
  void ALoadedDiscTurnsTheIconAndSelectsTheDriveAgain() {
    Bench b("");
    b.config.start_drive = "emu:type13?speed=max&tray=open";
    MainWindow& w = b.Open();
    w.show();
    QVERIFY(w.disc_indicator()->isVisible());
    QCOMPARE(w.disc_indicator()->state(), DiscState::kNoDisc);
    QCOMPARE(w.disc_indicator()->period_ms(), 1000);
    QCOMPARE(w.session().toc_cache[3], 0);  // no disc: no TOC at start
    w.load_button()->click();               // Start Stop Unit, load
    QTRY_COMPARE_WITH_TIMEOUT(w.disc_indicator()->state(), DiscState::kDataDisc, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(w.session().toc_cache[3], 1, 2000);  // selected again: TOC read
    QCOMPARE(w.disc_indicator()->period_ms(), 5000);
    QVERIFY(w.windowTitle().contains(QStringLiteral("選択されているﾄﾞﾗｲﾌﾞ")));
  }

  // The option dialog shows the options as they are; Initialise then OK gives the factory
  // options, with the receive length the dialog does not show at 4096 (AcceptOptions after
  // InitialisedOptions); virtual drives turned off empty the drive box; both are saved.
  void TheOptionDialogInitialisesAndTurnsVirtualDrivesOff() {
    Bench b("ControlFlag=0\nControlBufLen=40960\nTimeoutCom=30\nExeImm=1\nCntApr=1\n");
    b.config.dialog_hook = [](QDialog* d) {
      if (auto* options = qobject_cast<OptionsDialog*>(d)) {
        QCOMPARE(options->windowTitle(), QStringLiteral("動作オプション"));
        QVERIFY(!options->indicator_box()->isChecked());
        QVERIFY(options->receive_length_box()->isHidden());
        options->initialise_button()->click();
        options->virtual_drives_box()->setChecked(false);
        options->accept();
      }
    };
    MainWindow& w = b.Open();
    QVERIFY(w.options().execute_on_selection && w.options().control_byte_row);
    QCOMPARE(w.drive_box()->count(), 2);
    w.options_button()->click();
    QCOMPARE(w.options().receive_length, 4096u);
    QVERIFY(w.options().disc_indicator);
    QCOMPARE(w.options().command_timeout, 7u);
    QVERIFY(!w.options().execute_on_selection && !w.options().control_byte_row);
    QCOMPARE(w.drive_box()->count(), 0);
    QVERIFY(!w.session().HasDevice());
    QVERIFY(b.SettingsHold("ControlBufLen=4096\n"));
    QVERIFY(b.SettingsHold("VirtualDrives=0\n"));
  }

  // The trace option starts and stops the command trace, survives a restart, and a trace
  // file that cannot be written is told on the status line.
  void RecordingEveryCommandFollowsTheOptionsAcrossARestart() {
    Bench b;
    const std::string trace = b.dir.filePath(QStringLiteral("trace.jsonl")).toStdString();
    bool record = true;
    QString file = QString::fromStdString(trace);
    b.config.dialog_hook = [&](QDialog* d) {
      if (auto* options = qobject_cast<OptionsDialog*>(d)) {
        options->trace_box()->setChecked(record);
        options->trace_file_box()->setText(file);
        options->accept();
      }
    };
    auto inquiries = [&] {
      const std::string text = testing::ReadAll(QString::fromStdString(trace));
      int n = 0;
      for (std::size_t at = 0; (at = text.find("\"cdb\": \"12 ", at)) != std::string::npos; ++at) {
        ++n;
      }
      return n;
    };
    MainWindow* w = &b.Open();
    QCOMPARE(inquiries(), 0);  // off by default
    w->options_button()->click();
    QVERIFY(b.drives.Trace().Active());
    w->ReselectDrive();
    QCOMPARE(inquiries(), 1);
    QVERIFY(b.SettingsHold("VirtualDrives=1\nTraceCommands=1\nTraceFile=" + trace + "\n"));
    b.window.reset();
    QVERIFY(!b.drives.Trace().Active());  // the window took its trace with it

    // The saved option records the selection at start, after what the file held.
    w = &b.Open();
    QCOMPARE(inquiries(), 2);
    record = false;
    w->options_button()->click();
    w->ReselectDrive();
    QCOMPARE(inquiries(), 2);
    QVERIFY(b.SettingsHold("TraceCommands=0\n"));

    // A file that cannot be written says so on the status line.
    record = true;
    file = b.dir.filePath(QStringLiteral("missing/trace.jsonl"));
    w->options_button()->click();
    QVERIFY(!b.drives.Trace().Active());
    QTRY_VERIFY(w->status_label()->text().startsWith(
        QStringLiteral("cannot write the trace file ") + file));
  }

  // The drive, the tab, the list order and the mode page tables are written at close and
  // read at the next start.
  void SettingsSurviveARestart() {
    Bench b("ControlFlag=0\nDir=emu:audio?speed=max\n");
    MainWindow* w = &b.Open();
    QCOMPARE(w->drive_box()->currentText(), QStringLiteral("emu:audio?speed=max"));
    w->tabs()->setCurrentIndex(kTabCommand);
    w->command_tab()->SetListKind(ListKind::kName);
    ModePageEditor* pages = &w->command_tab()->mode_page_editor()->editor();
    pages->select_table().row(0).buffer[3] = 0x05;
    pages->sense_table().row(2).buffer[0] = 0x05;
    w->resize(900, 700);
    w->close();
    QVERIFY(b.SettingsHold("LastTab=3\n"));
    QVERIFY(b.SettingsHold("Dir=emu:audio?speed=max\n"));
    QVERIFY(b.SettingsHold("ComListKind=1\n"));
    w = &b.Open();
    QCOMPARE(w->tabs()->currentIndex(), static_cast<int>(kTabCommand));
    QCOMPARE(w->drive_box()->currentText(), QStringLiteral("emu:audio?speed=max"));
    QCOMPARE(w->command_tab()->console().list_kind(), ListKind::kName);
    pages = &w->command_tab()->mode_page_editor()->editor();
    QCOMPARE(pages->select_table().row(0).buffer[3], std::uint8_t{0x05});
    QCOMPARE(pages->sense_table().row(2).buffer[0], std::uint8_t{0x05});
  }

  // The control-data button shows the last command's reply and CDB.
  void TheControlDataWindowShowsTheLastReceivedData() {
    Bench b;
    ControlDataWindow* shown = nullptr;
    b.config.dialog_hook = [&shown](QDialog* d) {
      if (auto* window = qobject_cast<ControlDataWindow*>(d)) shown = window;
    };
    MainWindow& w = b.Open();
    CommandTab* tab = w.command_tab();
    tab->SelectListEntry(2, false);  // 12h Inquiry, after 00h and 03h in the code order
    QSignalSpy finished(tab, &CommandTab::CommandFinished);
    tab->Execute();
    QVERIFY(finished.wait(10000));
    w.control_data_button()->click();
    QTRY_VERIFY(shown != nullptr);
    QVERIFY(shown->list()->toPlainText().contains(QStringLiteral("+000h|")));
    QVERIFY(shown->cdb_line()->text().contains(QStringLiteral("Inquiry")));
  }

  // The command reset asks first: Cancel keeps the stored commands, OK resets them.
  void ResetCommandsAsksFirst() {
    Bench b("ControlFlag=0\nCom07=280000001000000001000000\n");
    bool answer_ok = false;
    b.config.dialog_hook = [&answer_ok](QDialog* d) {
      if (auto* box = qobject_cast<QMessageBox*>(d)) {
        QCOMPARE(box->text(),
                 QStringLiteral("全てのｺﾏﾝﾄﾞが初期化（ｲﾝｽﾄｰﾙ時に戻る）されますが、いいですか?"));
        box->button(answer_ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
      }
    };
    MainWindow& w = b.Open();
    const CatalogueState& commands = w.command_tab()->console().catalogue();
    QCOMPARE(commands.row(7).cdb_store[4], 0x10);
    w.reset_commands_button()->click();
    QCOMPARE(commands.row(7).cdb_store[4], 0x10);
    answer_ok = true;
    w.reset_commands_button()->click();
    QCOMPARE(commands.row(7).cdb_store[4], 0x00);
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::MainWindowShellTest)
#include "main_window_shell_test.moc"
