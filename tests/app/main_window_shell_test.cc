// The main window as a whole: its tabs, settings at start and close, the start tab, the disc
// indicator on a virtual drive, the option dialog, the command reset, the serve action.
#include <thread>

#include "app/window_bench.h"
#include "decode/mode_page_editor.h"

namespace tamarack::app {

using testing::ReadAll;
using testing::WriteAll;

class MainWindowShellTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<DriveDirectory> drives_;

  QString Settings() const { return dir_.filePath(QStringLiteral("IniFile.txt")); }
  WindowConfig Config() const {
    WindowConfig c;
    c.settings_path = Settings().toStdString();
    return c;
  }

 private slots:
  void init() {
    QFile::remove(Settings());
    drives_ = std::make_unique<DriveDirectory>();
    drives_->AddProvider(std::make_unique<emu::VirtualDriveProvider>(
        RealClock(), std::vector<std::string>{"emu:type13?speed=max", "emu:audio?speed=max"}));
  }

  void HasTheTitleTheSevenTabsAndTheirExecCaptions() {
    DriveDirectory none;
    MainWindow w(&none);
    QCOMPARE(w.windowTitle(), QStringLiteral("Tamarack"));
    const QStringList labels = {"Sector Dump(&D)", "Toc(&T)",     "Properties(&P)", "Command(&C)",
                                "Aging(&A)",       "Measure(&M)", "Others(&O)"};
    QCOMPARE(w.tabs()->count(), labels.size());
    const QStringList captions = {"Read(&E)",  "Read(&E)",  "Get(&E)", "Send(&E)",
                                  "Start(&E)", "Start(&E)", "None"};
    for (int i = 0; i < labels.size(); ++i) {
      QCOMPARE(w.tabs()->tabText(i), labels[i]);
      w.tabs()->setCurrentIndex(i);
      QCOMPARE(w.exec_button()->text(), captions[i]);
    }
    QVERIFY(w.minimumSize() == QSize(750, 600));
    QCOMPARE(w.drive_box()->count(), 0);
    QVERIFY(!w.session().HasDevice());
  }

  // The drive box's serve action on a machine that cannot serve (here: no configfs where it is
  // looked for) and on a drive that is not virtual: it says why, serves nothing and offers no
  // stop.
  void ServingSaysWhyNotAndServesNothing() {
    const QByteArray missing = dir_.filePath(QStringLiteral("no-configfs")).toUtf8();
    qputenv("TAMARACK_CONFIGFS_ROOT", missing);
    testing::Messages messages;
    WindowConfig c = Config();
    c.dialog_hook = messages;
    c.start_drive = "/dev/sr9";
    MainWindow w(drives_.get(), c);
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

  void AnAgeFileOpensTheAgingTabAndOtherFilesTheLastTab() {
    WriteAll(Settings(), "LastTab=2\nControlFlag=0\n");
    WindowConfig c = Config();
    c.command_line_file = "\"/tmp/run settings.age\"";
    MainWindow age(drives_.get(), c);
    QCOMPARE(age.tabs()->currentIndex(), static_cast<int>(kTabAging));
    c.command_line_file = "/tmp/image.iso";
    WriteAll(Settings(), "LastTab=2\nControlFlag=0\n");  // loading the file wrote them
    MainWindow other(drives_.get(), c);
    QCOMPARE(other.tabs()->currentIndex(), static_cast<int>(kTabProperties));
  }

  // Without a running timer no tick comes; the schedule's tests show a tick sends nothing
  // while the indicator is off.
  void WithTheIndicatorOffNoTimerRuns() {
    WriteAll(Settings(), "ControlFlag=0\n");
    MainWindow w(drives_.get(), Config());
    QVERIFY(!w.disc_indicator()->isVisible());
    QVERIFY(!w.disc_indicator()->timer_active());
    QCOMPARE(w.disc_indicator()->polls(), 0);
  }

  void ALoadedDiscTurnsTheIconAndSelectsTheDriveAgain() {
    WindowConfig c = Config();
    c.start_drive = "emu:type13?speed=max&tray=open";
    MainWindow w(drives_.get(), c);
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

  void InitialiseThenOkSetsTheReceiveLengthTo4096() {
    WriteAll(Settings(), "ControlFlag=0\nControlBufLen=40960\n");
    WindowConfig c = Config();
    c.dialog_hook = [](QDialog* d) {
      if (auto* options = qobject_cast<OptionsDialog*>(d)) {
        QCOMPARE(options->windowTitle(), QStringLiteral("動作オプション"));
        QVERIFY(!options->indicator_box()->isChecked());  // shows the options as they are
        QVERIFY(options->receive_length_box()->isHidden());
        options->initialise_button()->click();
        options->accept();
      }
    };
    MainWindow w(drives_.get(), c);
    w.options_button()->click();
    QCOMPARE(w.options().receive_length, 4096u);
    QVERIFY(w.options().disc_indicator);
    QVERIFY(ReadAll(Settings()).find("ControlBufLen=4096\n") != std::string::npos);
  }

  void TurningVirtualDrivesOffEmptiesTheDriveBox() {
    WriteAll(Settings(), "ControlFlag=0\n");
    WindowConfig c = Config();
    c.dialog_hook = [](QDialog* d) {
      if (auto* options = qobject_cast<OptionsDialog*>(d)) {
        options->virtual_drives_box()->setChecked(false);
        options->accept();
      }
    };
    MainWindow w(drives_.get(), c);
    QCOMPARE(w.drive_box()->count(), 2);
    w.options_button()->click();
    QCOMPARE(w.drive_box()->count(), 0);
    QVERIFY(!w.session().HasDevice());
    QVERIFY(ReadAll(Settings()).find("VirtualDrives=0\n") != std::string::npos);
  }

  void RecordingEveryCommandFollowsTheOptionsAcrossARestart() {
    WriteAll(Settings(), "ControlFlag=0\n");
    const std::string trace = dir_.filePath(QStringLiteral("trace.jsonl")).toStdString();
    bool record = true;
    QString file = QString::fromStdString(trace);
    WindowConfig c = Config();
    c.dialog_hook = [&](QDialog* d) {
      if (auto* options = qobject_cast<OptionsDialog*>(d)) {
        options->trace_box()->setChecked(record);
        options->trace_file_box()->setText(file);
        options->accept();
      }
    };
    auto inquiries = [&] {
      const std::string text = ReadAll(QString::fromStdString(trace));
      int n = 0;
      for (std::size_t at = 0; (at = text.find("\"cdb\": \"12 ", at)) != std::string::npos; ++at) {
        ++n;
      }
      return n;
    };
    {
      MainWindow w(drives_.get(), c);
      QCOMPARE(inquiries(), 0);  // off by default
      w.options_button()->click();
      QVERIFY(drives_->Trace().Active());
      w.ReselectDrive();
      QCOMPARE(inquiries(), 1);
      const std::string settings = ReadAll(Settings());
      QVERIFY(settings.find("VirtualDrives=1\nTraceCommands=1\nTraceFile=" + trace + "\n") !=
              std::string::npos);
    }
    QVERIFY(!drives_->Trace().Active());  // the window took its trace with it
    {
      // The saved option records the selection at start, after what the file held.
      MainWindow w(drives_.get(), c);
      QCOMPARE(inquiries(), 2);
      record = false;
      w.options_button()->click();
      w.ReselectDrive();
      QCOMPARE(inquiries(), 2);
      QVERIFY(ReadAll(Settings()).find("TraceCommands=0\n") != std::string::npos);

      // A file that cannot be written says so on the status line.
      record = true;
      file = dir_.filePath(QStringLiteral("missing/trace.jsonl"));
      w.options_button()->click();
      QVERIFY(!drives_->Trace().Active());
      QTRY_VERIFY(w.status_label()->text().startsWith(
          QStringLiteral("cannot write the trace file ") + file));
    }
  }

  void SettingsSurviveARestart() {
    WriteAll(Settings(), "ControlFlag=0\nDir=emu:audio?speed=max\n");
    {
      MainWindow w(drives_.get(), Config());
      QCOMPARE(w.drive_box()->currentText(), QStringLiteral("emu:audio?speed=max"));
      w.tabs()->setCurrentIndex(kTabCommand);
      w.command_tab()->SetListKind(ListKind::kName);
      w.resize(900, 700);
      w.close();
    }
    const std::string text = ReadAll(Settings());
    QVERIFY(text.find("LastTab=3\n") != std::string::npos);
    QVERIFY(text.find("Dir=emu:audio?speed=max\n") != std::string::npos);
    QVERIFY(text.find("ComListKind=1\n") != std::string::npos);
    MainWindow again(drives_.get(), Config());
    QCOMPARE(again.tabs()->currentIndex(), static_cast<int>(kTabCommand));
    QCOMPARE(again.drive_box()->currentText(), QStringLiteral("emu:audio?speed=max"));
    QCOMPARE(again.command_tab()->console().list_kind(), ListKind::kName);
  }

  void ModePagesSurviveARestart() {
    WriteAll(Settings(), "ControlFlag=0\n");
    {
      MainWindow w(drives_.get(), Config());
      ModePageEditor& pages = w.command_tab()->mode_page_editor()->editor();
      pages.select_table().row(0).buffer[3] = 0x05;
      pages.sense_table().row(2).buffer[0] = 0x05;
      w.close();
    }
    MainWindow again(drives_.get(), Config());
    const ModePageEditor& pages = again.command_tab()->mode_page_editor()->editor();
    QCOMPARE(pages.select_table().row(0).buffer[3], std::uint8_t{0x05});
    QCOMPARE(pages.sense_table().row(2).buffer[0], std::uint8_t{0x05});
  }

  void TheControlDataWindowShowsTheLastReceivedData() {
    WriteAll(Settings(), "ControlFlag=0\n");
    ControlDataWindow* shown = nullptr;
    WindowConfig c = Config();
    c.dialog_hook = [&shown](QDialog* d) {
      if (auto* window = qobject_cast<ControlDataWindow*>(d)) shown = window;
    };
    MainWindow w(drives_.get(), c);
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

  void ResetCommandsAsksFirst() {
    WriteAll(Settings(), "ControlFlag=0\nCom07=280000001000000001000000\n");
    bool answer_ok = false;
    WindowConfig c = Config();
    c.dialog_hook = [&answer_ok](QDialog* d) {
      if (auto* box = qobject_cast<QMessageBox*>(d)) {
        QCOMPARE(box->text(),
                 QStringLiteral("全てのｺﾏﾝﾄﾞが初期化（ｲﾝｽﾄｰﾙ時に戻る）されますが、いいですか?"));
        box->button(answer_ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
      }
    };
    MainWindow w(drives_.get(), c);
    QCOMPARE(w.command_tab()->console().catalogue().row(7).cdb_store[4], 0x10);
    w.reset_commands_button()->click();
    QCOMPARE(w.command_tab()->console().catalogue().row(7).cdb_store[4], 0x10);
    answer_ok = true;
    w.reset_commands_button()->click();
    QCOMPARE(w.command_tab()->console().catalogue().row(7).cdb_store[4], 0x00);
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::MainWindowShellTest)
#include "main_window_shell_test.moc"
