// The main window as a whole: its tabs, settings at start and close, the disc indicator on a
// virtual drive, the option dialog, the command reset, the serve action; its saved files and
// what survives a restart; at its minimum size (750 x 600) with its own fonts, on every tab and
// in its dialogs, each shown control lies wholly inside its parent and gets the size its
// content needs (TAMARACK_SCREENSHOTS=DIR saves a picture of each).
#include <thread>

#include "ageing/ageing_file.h"
#include "app/window_bench.h"
#include "decode/mode_page_editor.h"
#include "persist/settings_format.h"
#include "util/strings.h"

namespace tamarack::app {

using testing::ReadAll;
using testing::WriteAll;

namespace {

// The window on two virtual drives (type13, audio) with a settings file holding `settings`,
// not open yet; its file dialog answers with the path proposed (saves) or `load_path` (loads),
// the save option dialogs with `option` (below 0: Cancel) and the hex form; message boxes are
// closed. The file dialogs and the messages go into the transcript `t`.
struct Bench : testing::WindowBench {
  explicit Bench(const std::string& settings = "ControlFlag=0\n")
      : WindowBench({"emu:type13?speed=max", "emu:audio?speed=max"}, testing::kOpenLater) {
    Settings(settings);
    QDir(dir.path()).mkpath(QStringLiteral("docs"));
    config.documents_folder = dir.filePath(QStringLiteral("docs")).toStdString();
    config.choose_file = [this](bool save, const QString& title, const QString& p,
                                const QString& filter) {
      t(save ? QStringLiteral("save dialog") : QStringLiteral("open dialog"), title);
      t("proposed", QString(p).replace(dir.path(), QStringLiteral("DIR")));
      proposed << p;
      if (!filter.contains(QStringLiteral("all files(*.*)"))) return QString();
      return save ? p : load_path;
    };
    config.dialog_hook = [this](QDialog* d) {
      if (auto* box = qobject_cast<QMessageBox*>(d)) {
        t("message", box->text());
        box->button(QMessageBox::Ok)->click();
      } else if (auto* o = qobject_cast<CommandSaveDialog*>(d)) {
        if (option < 0) return d->reject();
        o->option_button(static_cast<CommandFileContent>(option))->setChecked(true);
        d->accept();
      } else if (auto* dump = qobject_cast<DumpSaveDialog*>(d)) {
        dump->form_button(DumpSaveForm::kHex)->setChecked(true);
        d->accept();
      }
    };
  }
  // The file dialogs' titles and proposed paths (the bench's folder as DIR), the messages.
  testing::Transcript t;
  QStringList proposed;
  QString load_path;
  int option = -1;
};

// The width and height a control needs so that nothing of its text is cut: a button's text
// with a little room each side (arrows and icons scale), the others' own minimum.
QSize Needed(const QWidget* w) {
  if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
    if (b->text().isEmpty()) return {0, 0};
    QString text = b->text();
    text.remove(QLatin1Char('&'));
    const QFontMetrics fm = b->fontMetrics();
    int width = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line));
    const int box =
        qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w) ? 20 : 6;
    return {width + box, fm.height() * static_cast<int>(lines.size())};
  }
  if (qobject_cast<const QLabel*>(w) || qobject_cast<const QComboBox*>(w) ||
      qobject_cast<const QLineEdit*>(w) || qobject_cast<const QGroupBox*>(w)) {
    return w->minimumSizeHint();
  }
  return {0, 0};
}

QStringList Clipped(QWidget* root) {
  QStringList out;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    // Qt's own parts of a control (a spin box's editor) are the control's business.
    if (!w->isVisible() || w->isWindow() || w->objectName().startsWith(QStringLiteral("qt_"))) {
      continue;
    }
    const QString name =
        QStringLiteral("%1 \"%2\"")
            .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
    const QWidget* parent = w->parentWidget();
    // A scroll area's content may be larger than its viewport: that is what it scrolls.
    const bool scrolled =
        parent && parent->objectName() == QStringLiteral("qt_scrollarea_viewport");
    if (parent && !scrolled && !QRect(QPoint(0, 0), parent->size()).contains(w->geometry())) {
      out << name + QStringLiteral(" leaves its parent");
    }
    const QSize need = Needed(w);
    if (w->width() < need.width() || w->height() < need.height()) {
      out << name + QStringLiteral(" %1x%2 < %3x%4")
                        .arg(w->width())
                        .arg(w->height())
                        .arg(need.width())
                        .arg(need.height());
    }
  }
  return out;
}

// Saves a picture of `w` when asked to, and adds what is clipped in it to `problems`.
void Check(QWidget* w, QWidget* root, const QString& name, QStringList* problems) {
  const QString shots = qEnvironmentVariable("TAMARACK_SCREENSHOTS");
  if (!shots.isEmpty()) w->grab().save(shots + QStringLiteral("/%1.png").arg(name));
  const QStringList clipped = Clipped(root);
  if (!clipped.isEmpty())
    *problems << name + QStringLiteral(": ") + clipped.join(QStringLiteral("; "));
}

}  // namespace

class MainWindowShellTest : public QObject {
  Q_OBJECT

 private slots:
  // The tab labels and each tab's Exec caption: main_window.txt; the status line written from
  // a worker thread.
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
    std::thread worker([&w] { w.session().status_line.Set("Command Rejected!"); });
    worker.join();
    QTRY_COMPARE(w.status_label()->text(), QStringLiteral("Command Rejected!"));
  }

  // The drive box's serve action on a machine that cannot serve (here: no configfs where it is
  // looked for) and on a drive that is not virtual: it says why, serves nothing and offers no
  // stop.
  void ServingSaysWhyNotAndServesNothing() {
    Bench b;
    const QString missing = b.dir.filePath(QStringLiteral("no-configfs"));
    qputenv("TAMARACK_CONFIGFS_ROOT", missing.toUtf8());
    testing::Messages messages;
    b.config.dialog_hook = messages;
    b.config.start_drive = "/dev/sr9";
    MainWindow& w = b.Open();
    for (const char* id : {"emu:type13?speed=max", "/dev/sr9"}) {
      w.drive_box()->setCurrentIndex(w.drive_box()->findText(QString::fromUtf8(id)));
      w.serving()->ServeSelectedDrive();
    }
    qunsetenv("TAMARACK_CONFIGFS_ROOT");
    const QString texts = messages.texts->join(QLatin1Char('|'));
    QVERIFY2(messages.texts->size() == 2 &&
                 texts.startsWith(QStringLiteral("Tamarack cannot serve emu:type13?speed=max to "
                                                 "the system here:")) &&
                 texts.contains(QStringLiteral("configfs is not mounted at ") + missing) &&
                 texts.endsWith(QStringLiteral("|Only virtual drives (emu:...) can be served to "
                                               "the system; /dev/sr9 is a drive of this machine.")),
             qPrintable(texts));
    QVERIFY(w.serving()->served_label()->isHidden());
    QMenu menu;
    w.serving()->FillMenu(&menu);
    QCOMPARE(menu.actions().size(), 1);
    QCOMPARE(menu.actions().at(0)->text(), QStringLiteral("Serve to the system"));
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
    auto inquiries = [&trace] {
      return QString::fromStdString(testing::ReadAll(QString::fromStdString(trace)))
          .count(QStringLiteral("\"cdb\": \"12 "));
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

  // The command saved last comes back with its form (in hex: the bit is on) and the indicator
  // off runs no timer (a tick sends nothing while it is off: the schedule's tests); the drive,
  // the tab, the list order, the mode page tables and the settings' bits are written at close
  // and read at the next start.
  void SettingsAndTheRestoredCommandSurviveARestart() {
    Bench b(
        "ControlFlag=1\nTocKind=1\nDir=emu:audio?speed=max\nLastCom=40 7 0 0 0 0 0 2\n"
        "Com07=280000001000000001000000\nSendEventParam=0006030002000104\n");
    MainWindow* w = &b.Open();
    QVERIFY(!w->disc_indicator()->isVisible() && !w->disc_indicator()->timer_active());
    QCOMPARE(w->disc_indicator()->polls(), 0);
    QCOMPARE(w->drive_box()->currentText(), QStringLiteral("emu:audio?speed=max"));
    CommandTab* tab = w->command_tab();
    QCOMPARE(tab->console().current_row(), std::size_t{7});
    QLineEdit* box = b.Box("Logical Block Address");
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("1000"));
    QCOMPARE(tab->cdb_box()->text(), QStringLiteral("28 00 00 00 10 00 00 00 01 00 00 00 "));
    QVERIFY(tab->hex_input_box()->isChecked() && w->sector_dump_tab()->hex_input());
    QVERIFY(w->findChild<TocTab*>()->full_toc());
    w->tabs()->setCurrentIndex(kTabCommand);
    tab->SetListKind(ListKind::kName);
    ModePageEditor* pages = &tab->mode_page_editor()->editor();
    pages->select_table().row(0).buffer[3] = 0x05;
    pages->sense_table().row(2).buffer[0] = 0x05;
    w->resize(900, 700);
    w->close();
    for (const char* line :
         {"LastTab=3\n", "Dir=emu:audio?speed=max\n", "ComListKind=1\n", "ControlFlag=1\n",
          "TocKind=1\n", "SendEventParam=0006030002000104\n"}) {
      QVERIFY2(b.SettingsHold(line), line);
    }
    w = &b.Open();
    QCOMPARE(w->tabs()->currentIndex(), static_cast<int>(kTabCommand));
    QCOMPARE(w->drive_box()->currentText(), QStringLiteral("emu:audio?speed=max"));
    QCOMPARE(w->command_tab()->console().list_kind(), ListKind::kName);
    pages = &w->command_tab()->mode_page_editor()->editor();
    QCOMPARE(pages->select_table().row(0).buffer[3], std::uint8_t{0x05});
    QCOMPARE(pages->sense_table().row(2).buffer[0], std::uint8_t{0x05});
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
    for (bool ok : {false, true}) {
      answer_ok = ok;
      w.reset_commands_button()->click();
      QCOMPARE(commands.row(7).cdb_store[4], ok ? 0x00 : 0x10);
    }
  }

  // A file named at start picks the start tab by its kind and is loaded into it; one that
  // cannot be read says so.
  void AFileNamedAtStartIsLoadedIntoItsTab() {
    Bench b("ControlFlag=0\nLastTab=2\n");
    // A folder with a dot and a relative "./" path: the extension is the name's.
    QDir(b.dir.path()).mkpath(QStringLiteral("runs.d"));
    WriteAll(b.dir.filePath(QStringLiteral("runs.d/only.age")), "Ageing=9 2 300 400\n");
    const QString old_cwd = QDir::currentPath();
    QDir::setCurrent(b.dir.path());
    b.config.command_line_file = "\"./runs.d/only.age\"";
    b.Open();
    QDir::setCurrent(old_cwd);
    QCOMPARE(b.window->tabs()->currentIndex(), static_cast<int>(kTabAging));
    // What a lone Ageing line changes is tab_file_test's; here that it reaches the tab.
    QCOMPARE(b.window->aging_tab()->settings().end_lba, 400);

    // A command file in a dotted folder loads its commands and builds the form.
    WriteAll(b.dir.filePath(QStringLiteral("runs.d/set.cmd")), "Com07=280000001000000002000000\n");
    b.Settings("ControlFlag=0\nLastCom=40 7 0 0 0 0 0 2\n");
    b.config.command_line_file = b.dir.filePath(QStringLiteral("runs.d/set.cmd")).toStdString();
    QCOMPARE(b.Open().tabs()->currentIndex(), static_cast<int>(kTabCommand));
    QCOMPARE(b.command_tab()->cdb_box()->text(),
             QStringLiteral("28 00 00 00 10 00 00 00 02 00 00 00 "));

    // A file that cannot be read says so in the status line.
    b.config.command_line_file = b.dir.filePath(QStringLiteral("missing.msr")).toStdString();
    MainWindow& w = b.Open();
    QCOMPARE(w.tabs()->currentIndex(), static_cast<int>(kTabMeasure));
    QTRY_VERIFY2(w.status_label()->text().contains(QStringLiteral("No such file")),
                 qPrintable(w.status_label()->text()));
  }

  // No record: a message and no file; a record saved twice takes the free numbers in the
  // documents folder, which becomes the data folder; loaded back it is the record again:
  // saved_measurements.txt.
  void MeasurementsAreSavedWithFreeNumbersAndLoadedBack() {
    Bench b;
    MainWindow* w = &b.Open(kTabMeasure);
    w->save_button()->click();
    SpeedRecord r;
    r.block_size = 2048;
    r.model = "KESTREL CDV";
    r.samples = {75, 150};
    w->measure_tab()->ShowRecord(r);
    w->save_button()->click();
    w->save_button()->click();
    b.t("file", ReadAll(b.proposed[0]));
    const std::string docs = b.dir.filePath(QStringLiteral("docs")).toStdString();
    b.t("data folder saved", b.SettingsHold("Directory=" + docs + "\n"));
    w = &b.Open(kTabMeasure);
    b.load_path = b.proposed[1];
    w->open_button()->click();
    QCOMPARE(w->measure_tab()->record(), r);
    QTRY_COMPARE(w->status_label()->text(), QStringLiteral("x1.5 speed(460800 Bytes/2 Sec)"));
    b.t("speed", w->measure_tab()->speed_label()->text());
    b.t("average", w->measure_tab()->status_label()->text());
    b.t.Expect("saved_measurements.txt");
  }

  // The option dialog cancelled saves nothing; the user slots' file holds their names and not
  // the built-in commands; the built-in set loaded changes the commands and leaves the slot
  // names: saved_commands.txt.
  void CommandSetsAreSavedByTheChosenOptionAndLoadedOverTheOthers() {
    Bench b;
    b.Settings("ControlFlag=0\nDirectory=" + b.dir.path().toStdString() + "\n");
    MainWindow& w = b.Open(kTabCommand);
    CatalogueState& cat = w.command_tab()->console().catalogue();
    cat.row(7).cdb_store[4] = 0x44;
    cat.RenameSlot(kFirstUserRow, std::string(30, 'u'));
    w.save_button()->click();  // the option dialog cancelled: nothing
    b.option = static_cast<int>(CommandFileContent::kUser);
    w.save_button()->click();
    const std::string user = ReadAll(b.proposed.last());
    b.t("names", user.find("UName00=" + std::string(30, 'u') + "\n") != std::string::npos);
    b.t("commands", user.find("Com07=") != std::string::npos);
    b.option = static_cast<int>(CommandFileContent::kBuiltIn);
    w.save_button()->click();
    cat.row(7).cdb_store[4] = 0;
    cat.RenameSlot(kFirstUserRow, "other");
    b.load_path = b.proposed.last();
    w.open_button()->click();
    b.t("byte 4 of row 7", cat.row(7).cdb_store[4])("slot name", cat.Name(kFirstUserRow));
    b.t.Expect("saved_commands.txt");
  }

  // A dump: none read, a message; read, saved in the form chosen; a loaded text (no buffer)
  // saved as shown without the form dialog. The ageing settings saved and loaded back:
  // saved_dumps_and_ageing.txt.
  void DumpsAndAgeingSettingsRoundTrip() {
    Bench b;
    MainWindow& w = b.Open(kTabSectorDump);
    w.save_button()->click();
    QSignalSpy read(w.sector_dump_tab(), &SectorDumpTab::ReadFinished);
    w.sector_dump_tab()->Read();
    QVERIFY(read.wait(10000));
    w.save_button()->click();  // the form dialog answers "dat"
    QCOMPARE(ReadAll(b.proposed.last()).size(), w.sector_dump_tab()->DumpBytes().size() * 2);
    WriteAll(b.dir.filePath(QStringLiteral("shown.txt")), "000000 0000h 00 01\n");
    b.load_path = b.dir.filePath(QStringLiteral("shown.txt"));
    w.open_button()->click();
    b.t("shown", w.sector_dump_tab()->dump_box()->toPlainText());
    b.t("bytes", w.sector_dump_tab()->DumpBytes().size());
    w.save_button()->click();
    b.t("file", ReadAll(b.proposed.last()));

    w.tabs()->setCurrentIndex(kTabAging);
    w.aging_tab()->end_box()->setText(QStringLiteral("777"));
    w.save_button()->click();
    const std::string age = ReadAll(b.proposed.last());
    const std::size_t line = age.find("\nAgeing=");  // the log's path is the program's folder
    b.t("file's ageing line", age.substr(line + 1, age.find('\n', line + 1) - line - 1));
    const std::string saved = FormatAgeingLines(w.aging_tab()->settings());
    b.window.reset();
    b.Settings("ControlFlag=0\n");  // the file, not the settings, brings the numbers back
    MainWindow& again = b.Open(kTabAging);
    b.load_path = b.proposed.last();
    again.open_button()->click();
    QCOMPARE(FormatAgeingLines(again.aging_tab()->settings()), saved);
    QCOMPARE(again.aging_tab()->settings().end_lba, 777);
    b.t.Expect("saved_dumps_and_ageing.txt");
  }

  // A slot renamed and a double-clicked command are written to the settings at once.
  void ARenameAndADoubleClickWriteTheSettings() {
    Bench b;
    const QString name = QString(30, QLatin1Char('r'));
    CommandTab* tab = b.Open().command_tab();
    tab->SetListKind(ListKind::kUser);
    tab->dialog_hook = [&name](QDialog* d) {
      auto* box = d->findChild<QLineEdit*>(QStringLiteral("commandName"));
      QVERIFY(box);
      box->setText(name);
      d->accept();
    };
    tab->SelectListEntry(0, true);
    QVERIFY(b.SettingsHold("UName00=" + name.toStdString() + "\n"));
    tab->dialog_hook = [](QDialog* d) { d->reject(); };
    // The double-clicked command is on record before it runs.
    tab->SetListKind(ListKind::kCode);
    QListWidget* list = tab->command_list();
    const auto found = list->findItems(QStringLiteral("12h Inquiry"), Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    list->setCurrentItem(found.first());
    // A change since the selection wrote the file: the double-click writes it again.
    const std::size_t row = tab->console().current_row();
    Cdb& stored = tab->console().catalogue().row(row).cdb_store;
    stored[5] = 0x77;
    const std::string line = StrFormat("Com%02zu=%s\n", row, HexBytes(stored, "").c_str());
    QVERIFY(!b.SettingsHold(line));
    QSignalSpy done(tab, &CommandTab::CommandFinished);
    emit list->itemDoubleClicked(found.first());
    QVERIFY2(b.SettingsHold(line), line.c_str());
    QVERIFY(done.wait(10000));
    QCOMPARE(b.Open().command_tab()->console().catalogue().Name(kFirstUserRow), name.toStdString());
  }

  // Another drive selected clears the last results and fills the track box anew; the
  // control-data button shows the last command's reply and CDB.
  void AnotherDriveClearsTheLastReplyAndTheControlDataShowIt() {
    Bench b("ControlFlag=0\nDir=emu:type13?speed=max\nLastCom=40 7 0 0 0 0 0 2\n");
    ControlDataWindow* shown = nullptr;
    b.config.dialog_hook = [&shown](QDialog* d) {
      if (auto* window = qobject_cast<ControlDataWindow*>(d)) shown = window;
    };
    MainWindow& w = b.Open(kTabCommand);
    QComboBox* tracks = w.command_tab()->start_position_bar()->track_box();
    const int type13_tracks = tracks->count();
    QVERIFY(b.RunAndWait());
    QVERIFY(!w.command_tab()->dump_box()->toPlainText().isEmpty());
    w.drive_box()->setCurrentText(QStringLiteral("emu:audio?speed=max"));
    QVERIFY(w.command_tab()->dump_box()->toPlainText().isEmpty());
    QVERIFY(tracks->count() != type13_tracks);
    QVERIFY(tracks->count() > 1);
    b.Select(QStringLiteral("12h Inquiry"));
    QVERIFY(b.RunAndWait());
    w.control_data_button()->click();
    QTRY_VERIFY(shown != nullptr);
    QVERIFY(shown->list()->toPlainText().contains(QStringLiteral("+000h|")));
    QVERIFY(shown->cdb_line()->text().contains(QStringLiteral("Inquiry")));
  }

  void EveryControlAndDialogFitsAtTheMinimumSize() {
    testing::WindowBench b({"emu:type13?speed=max"});
    MainWindow& w = *b.window;
    w.resize(750, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    struct Page {
      int tab;
      const char* command;  // a Command tab entry to select first, or null
      const char* name;
    } const kPages[] = {
        {kTabSectorDump, nullptr, "dump"},
        {kTabToc, nullptr, "toc"},
        {kTabProperties, nullptr, "properties"},
        {kTabCommand, "28h Read(10)", "command-read10"},
        {kTabCommand, "5ah Mode Sense(10)", "command-modesense"},
        {kTabCommand, "55h Mode Select(10)", "command-modeselect"},
        {kTabAging, nullptr, "aging"},
        {kTabMeasure, nullptr, "measure"},
        {kTabOthers, nullptr, "others"},
    };
    QStringList problems;
    for (const Page& page : kPages) {
      w.tabs()->setCurrentIndex(page.tab);
      if (page.command) {
        QListWidget* list = w.command_tab()->command_list();
        const auto found = list->findItems(QString::fromUtf8(page.command), Qt::MatchExactly);
        QVERIFY2(!found.isEmpty(), page.command);
        w.command_tab()->SelectListEntry(list->row(found.first()), false);
      }
      QTest::qWait(50);  // layouts settle through posted events
      QCOMPARE(w.size(), QSize(750, 600));
      Check(&w, w.centralWidget(), QString::fromUtf8(page.name), &problems);
    }

    // The dialogs at the size they open with, in the window's font.
    int tool_tab = 0;
    JobRunner runner(w.session(), RealClock());
    std::vector<std::pair<const char*, std::unique_ptr<QDialog>>> dialogs;
    dialogs.emplace_back("options", std::make_unique<OptionsDialog>(Options{}, &w));
    dialogs.emplace_back("command-save",
                         std::make_unique<CommandSaveDialog>(CommandFileContent::kAll, &w));
    dialogs.emplace_back("dump-save", std::make_unique<DumpSaveDialog>(DumpSaveForm::kText, &w));
    dialogs.emplace_back("log-setting", std::make_unique<LogSettingDialog>(
                                            LogOptionWord(), true, QStringLiteral("/tmp/Log.htm"),
                                            QStringLiteral("/tmp"), &w));
    dialogs.emplace_back("loop-count", std::make_unique<LoopCountDialog>(10, &w));
    dialogs.emplace_back("tools",
                         std::make_unique<ToolsDialog>(w.session(), runner, &tool_tab, false, &w));
    for (auto& [name, dialog] : dialogs) {
      dialog->show();
      QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
      QTest::qWait(20);
      Check(dialog.get(), dialog.get(), QStringLiteral("dialog-") + QString::fromUtf8(name),
            &problems);
      dialog->close();
    }
    for (const QString& p : problems) qWarning("%s", qPrintable(p));
    QVERIFY(problems.isEmpty());
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::MainWindowShellTest)
#include "main_window_shell_test.moc"
