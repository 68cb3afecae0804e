// The window's saved files and what survives a restart: the save and open buttons on each
// tab, a file named at start, the restored command's form, drive selection's clean slate.
#include "app/window_bench.h"
#include "persist/settings_format.h"
#include "util/strings.h"

namespace tamarack::app {

using testing::ReadAll;
using testing::WriteAll;

namespace {

// The settings bench whose file dialog answers with the path proposed (saves) or `load_path`
// (loads); the save option dialogs with `option` (below 0: Cancel) and the hex form; message
// boxes are closed. The file dialogs and the messages go into the transcript `t`.
struct Bench : testing::SettingsBench {
  explicit Bench(const std::string& settings = "ControlFlag=0\n") : SettingsBench(settings) {
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

}  // namespace

class SavedFilesTest : public QObject {
  Q_OBJECT

 private slots:
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

  // The command saved last comes back with its form, and the settings' bits survive.
  void TheRestoredCommandHasItsFormAndTheBitsSurviveARestart() {
    Bench b(
        "ControlFlag=1\nTocKind=1\nLastCom=40 7 0 0 0 0 0 2\n"
        "Com07=280000001000000001000000\nSendEventParam=0006030002000104\n");
    MainWindow& w = b.Open();
    CommandTab* tab = w.command_tab();
    QCOMPARE(tab->console().current_row(), std::size_t{7});
    // The form is Read(10)'s, filled from the stored CDB (in hex: the bit is on).
    QLineEdit* box = b.Box("Logical Block Address");
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("1000"));
    QCOMPARE(tab->cdb_box()->text(), QStringLiteral("28 00 00 00 10 00 00 00 01 00 00 00 "));
    QVERIFY(tab->hex_input_box()->isChecked());
    QVERIFY(w.sector_dump_tab()->hex_input());
    QVERIFY(w.findChild<TocTab*>()->full_toc());
    w.close();
    QVERIFY(b.SettingsHold("ControlFlag=1\n"));
    QVERIFY(b.SettingsHold("TocKind=1\n"));
    QVERIFY(b.SettingsHold("SendEventParam=0006030002000104\n"));
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

  // Another drive selected clears the last results and fills the track box anew.
  void SelectingAnotherDriveClearsResultsAndRefillsTheTrackBox() {
    Bench b("ControlFlag=0\nDir=emu:type13?speed=max\nLastCom=40 7 0 0 0 0 0 2\n");
    MainWindow& w = b.Open(kTabCommand);
    QComboBox* tracks = w.command_tab()->start_position_bar()->track_box();
    const int type13_tracks = tracks->count();
    QVERIFY(b.RunAndWait());
    QVERIFY(!w.command_tab()->dump_box()->toPlainText().isEmpty());
    w.drive_box()->setCurrentText(QStringLiteral("emu:audio?speed=max"));
    QVERIFY(w.command_tab()->dump_box()->toPlainText().isEmpty());
    QVERIFY(tracks->count() != type13_tracks);
    QVERIFY(tracks->count() > 1);
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::SavedFilesTest)
#include "saved_files_test.moc"
