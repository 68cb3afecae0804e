// The window's saved files and what survives a restart: the save and open buttons on each
// tab, a file named at start, the restored command's form, drive selection's clean slate.
#include "app/window_bench.h"
#include "persist/settings_format.h"
#include "util/strings.h"

namespace tamarack::app {

using testing::ReadAll;
using testing::WriteAll;

class SavedFilesTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<DriveDirectory> drives_;
  // The file dialog's answers: the path proposed (saves) or this one (loads).
  QStringList titles_;
  QStringList proposed_;
  QString load_path_;
  // The option dialogs' choice and the message boxes' texts.
  int option_ = -1;
  QStringList messages_;

  QString Settings() const { return dir_.filePath(QStringLiteral("IniFile.txt")); }
  WindowConfig Config() {
    WindowConfig c;
    c.settings_path = Settings().toStdString();
    c.documents_folder = dir_.filePath(QStringLiteral("docs")).toStdString();
    c.choose_file = [this](bool save, const QString& title, const QString& proposed,
                           const QString& filter) {
      titles_ << title;
      proposed_ << proposed;
      if (!filter.contains(QStringLiteral("all files(*.*)"))) return QString();
      return save ? proposed : load_path_;
    };
    c.dialog_hook = [this](QDialog* d) {
      if (auto* box = qobject_cast<QMessageBox*>(d)) {
        messages_ << box->text();
        box->button(QMessageBox::Ok)->click();
      } else if (auto* o = qobject_cast<CommandSaveDialog*>(d)) {
        if (option_ < 0) return d->reject();
        o->option_button(static_cast<CommandFileContent>(option_))->setChecked(true);
        d->accept();
      } else if (auto* dump = qobject_cast<DumpSaveDialog*>(d)) {
        dump->form_button(DumpSaveForm::kHex)->setChecked(true);
        d->accept();
      }
    };
    return c;
  }

 private slots:
  void init() {
    QFile::remove(Settings());
    QDir(dir_.path()).mkpath(QStringLiteral("docs"));
    titles_.clear();
    proposed_.clear();
    messages_.clear();
    option_ = -1;
    drives_ = std::make_unique<DriveDirectory>();
    drives_->AddProvider(std::make_unique<emu::VirtualDriveProvider>(
        RealClock(), std::vector<std::string>{"emu:type13?speed=max", "emu:audio?speed=max"}));
  }

  void AFileNamedAtStartIsLoadedIntoItsTab() {
    WriteAll(Settings(), "ControlFlag=0\nLastTab=2\n");
    // A folder with a dot and a relative "./" path: the extension is the name's.
    QDir(dir_.path()).mkpath(QStringLiteral("runs.d"));
    WriteAll(dir_.filePath(QStringLiteral("runs.d/only.age")), "Ageing=9 2 300 400\n");
    const QString old_cwd = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    WindowConfig c = Config();
    c.command_line_file = "\"./runs.d/only.age\"";
    {
      MainWindow w(drives_.get(), c);
      QDir::setCurrent(old_cwd);
      QCOMPARE(w.tabs()->currentIndex(), static_cast<int>(kTabAging));
      // What a lone Ageing line changes is tab_file_test's; here that it reaches the tab.
      QCOMPARE(w.aging_tab()->settings().end_lba, 400);
    }
    // A command file in a dotted folder loads its commands and builds the form.
    WriteAll(dir_.filePath(QStringLiteral("runs.d/set.cmd")), "Com07=280000001000000002000000\n");
    WriteAll(Settings(), "ControlFlag=0\nLastCom=40 7 0 0 0 0 0 2\n");
    c.command_line_file = dir_.filePath(QStringLiteral("runs.d/set.cmd")).toStdString();
    {
      MainWindow w(drives_.get(), c);
      QCOMPARE(w.tabs()->currentIndex(), static_cast<int>(kTabCommand));
      QCOMPARE(w.command_tab()->cdb_box()->text(),
               QStringLiteral("28 00 00 00 10 00 00 00 02 00 00 00 "));
    }
    // A file that cannot be read says so in the status line.
    c.command_line_file = dir_.filePath(QStringLiteral("missing.msr")).toStdString();
    MainWindow w(drives_.get(), c);
    QCOMPARE(w.tabs()->currentIndex(), static_cast<int>(kTabMeasure));
    QTRY_VERIFY2(w.status_label()->text().contains(QStringLiteral("No such file")),
                 qPrintable(w.status_label()->text()));
  }

  void MeasurementsAreSavedWithFreeNumbersAndLoadedBack() {
    WriteAll(Settings(), "ControlFlag=0\n");
    MainWindow w(drives_.get(), Config());
    w.tabs()->setCurrentIndex(kTabMeasure);
    w.save_button()->click();
    QCOMPARE(messages_, QStringList{QStringLiteral("ﾃﾞｰﾀがありません ?")});
    QVERIFY(proposed_.isEmpty());
    SpeedRecord r;
    r.block_size = 2048;
    r.model = "KESTREL CDV";
    r.samples = {75, 150};
    w.measure_tab()->ShowRecord(r);
    w.save_button()->click();
    w.save_button()->click();
    const QString docs = dir_.filePath(QStringLiteral("docs"));
    QCOMPARE(proposed_, (QStringList{docs + "/msr000.msr", docs + "/msr001.msr"}));
    QCOMPARE(titles_.first(), QStringLiteral("計測ﾃﾞｰﾀの保存"));
    QCOMPARE(ReadAll(proposed_[0]), std::string("2048 0 Model=KESTREL CDV\n75\n150\n"));
    QVERIFY(ReadAll(Settings()).find("Directory=" + docs.toStdString() + "\n") !=
            std::string::npos);

    MainWindow again(drives_.get(), Config());
    again.tabs()->setCurrentIndex(kTabMeasure);
    load_path_ = proposed_[1];
    again.open_button()->click();
    QCOMPARE(titles_.last(), QStringLiteral("計測ﾃﾞｰﾀの読み込み"));
    QCOMPARE(proposed_.last(), docs + "/*.msr");
    QCOMPARE(again.measure_tab()->record(), r);
    QTRY_COMPARE(again.status_label()->text(), QStringLiteral("x1.5 speed(460800 Bytes/2 Sec)"));
  }

  void CommandSetsAreSavedByTheChosenOptionAndLoadedOverTheOthers() {
    WriteAll(Settings(), "ControlFlag=0\nDirectory=" + dir_.path().toStdString() + "\n");
    MainWindow w(drives_.get(), Config());
    w.tabs()->setCurrentIndex(kTabCommand);
    CatalogueState& cat = w.command_tab()->console().catalogue();
    cat.row(7).cdb_store[4] = 0x44;
    cat.RenameSlot(kFirstUserRow, std::string(30, 'u'));
    w.save_button()->click();  // the option dialog cancelled: nothing
    QVERIFY(proposed_.isEmpty());
    option_ = static_cast<int>(CommandFileContent::kUser);
    w.save_button()->click();
    QCOMPARE(proposed_.last(), dir_.filePath(QStringLiteral("user_000.cmd")));
    const std::string user = ReadAll(proposed_.last());
    QVERIFY(user.find("UName00=" + std::string(30, 'u') + "\n") != std::string::npos);
    QVERIFY(user.find("Com07=") == std::string::npos);
    option_ = static_cast<int>(CommandFileContent::kBuiltIn);
    w.save_button()->click();
    QCOMPARE(proposed_.last(), dir_.filePath(QStringLiteral("bse_000.cmd")));

    // Loading the built-in set changes the commands and leaves the slot names.
    cat.row(7).cdb_store[4] = 0;
    cat.RenameSlot(kFirstUserRow, "other");
    load_path_ = proposed_.last();
    w.open_button()->click();
    QCOMPARE(w.command_tab()->console().catalogue().row(7).cdb_store[4], 0x44);
    QCOMPARE(w.command_tab()->console().catalogue().Name(kFirstUserRow), std::string("other"));
  }

  void DumpsAndAgeingSettingsRoundTrip() {
    WriteAll(Settings(), "ControlFlag=0\n");
    MainWindow w(drives_.get(), Config());
    w.tabs()->setCurrentIndex(kTabSectorDump);
    w.save_button()->click();
    QCOMPARE(messages_, QStringList{QStringLiteral("ﾃﾞｰﾀがありません")});
    QSignalSpy read(w.sector_dump_tab(), &SectorDumpTab::ReadFinished);
    w.sector_dump_tab()->Read();
    QVERIFY(read.wait(10000));
    w.save_button()->click();  // the form dialog answers "dat"
    QVERIFY(proposed_.last().endsWith(QStringLiteral("/Dmp000.dat")));
    const std::string dat = ReadAll(proposed_.last());
    QCOMPARE(dat.size(), w.sector_dump_tab()->DumpBytes().size() * 2);

    // A loaded text has no buffer: it is saved as shown, without the form dialog.
    WriteAll(dir_.filePath(QStringLiteral("shown.txt")), "000000 0000h 00 01\n");
    load_path_ = dir_.filePath(QStringLiteral("shown.txt"));
    w.open_button()->click();
    QCOMPARE(w.sector_dump_tab()->dump_box()->toPlainText(),
             QStringLiteral("000000 0000h 00 01\n"));
    QVERIFY(w.sector_dump_tab()->DumpBytes().empty());
    w.save_button()->click();
    QVERIFY(proposed_.last().endsWith(QStringLiteral("/Dmp000.txt")));
    QCOMPARE(ReadAll(proposed_.last()), std::string("000000 0000h 00 01\n"));

    w.tabs()->setCurrentIndex(kTabAging);
    w.aging_tab()->end_box()->setText(QStringLiteral("777"));
    w.save_button()->click();
    QVERIFY(proposed_.last().endsWith(QStringLiteral("/Age000.age")));
    QVERIFY(ReadAll(proposed_.last()).find("Ageing=") != std::string::npos);
    MainWindow again(drives_.get(), Config());
    again.tabs()->setCurrentIndex(kTabAging);
    load_path_ = proposed_.last();
    again.open_button()->click();
    QCOMPARE(FormatAgeingLines(again.aging_tab()->settings()),
             FormatAgeingLines(w.aging_tab()->settings()));
    QCOMPARE(again.aging_tab()->settings().end_lba, 777);
  }

  void TheRestoredCommandHasItsFormAndTheBitsSurviveARestart() {
    WriteAll(Settings(),
             "ControlFlag=1\nTocKind=1\nLastCom=40 7 0 0 0 0 0 2\n"
             "Com07=280000001000000001000000\nSendEventParam=0006030002000104\n");
    {
      MainWindow w(drives_.get(), Config());
      CommandTab* tab = w.command_tab();
      QCOMPARE(tab->console().current_row(), std::size_t{7});
      // The form is Read(10)'s, filled from the stored CDB (in hex: the bit is on).
      const auto& fields = tab->console().fields();
      std::size_t lba = 0;
      while (lba < fields.size() && std::string_view(fields[lba].label) != "Logical Block Address")
        ++lba;
      auto* box = qobject_cast<QLineEdit*>(tab->form_view()->FieldWidget(lba));
      QVERIFY(box);
      QCOMPARE(box->text(), QStringLiteral("1000"));
      QCOMPARE(tab->cdb_box()->text(), QStringLiteral("28 00 00 00 10 00 00 00 01 00 00 00 "));
      QVERIFY(tab->hex_input_box()->isChecked());
      QVERIFY(w.sector_dump_tab()->hex_input());
      QVERIFY(w.findChild<TocTab*>()->full_toc());
      w.close();
    }
    const std::string text = ReadAll(Settings());
    QVERIFY(text.find("ControlFlag=1\n") != std::string::npos);
    QVERIFY(text.find("TocKind=1\n") != std::string::npos);
    QVERIFY2(text.find("SendEventParam=0006030002000104\n") != std::string::npos, text.c_str());
  }

  void ARenameAndADoubleClickWriteTheSettings() {
    WriteAll(Settings(), "ControlFlag=0\n");
    const QString name = QString(30, QLatin1Char('r'));
    {
      MainWindow w(drives_.get(), Config());
      CommandTab* tab = w.command_tab();
      tab->SetListKind(ListKind::kUser);
      tab->dialog_hook = [&name](QDialog* d) {
        auto* box = d->findChild<QLineEdit*>(QStringLiteral("commandName"));
        QVERIFY(box);
        box->setText(name);
        d->accept();
      };
      tab->SelectListEntry(0, true);
      QVERIFY(ReadAll(Settings()).find("UName00=" + name.toStdString() + "\n") !=
              std::string::npos);
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
      QVERIFY(ReadAll(Settings()).find(line) == std::string::npos);
      QSignalSpy done(tab, &CommandTab::CommandFinished);
      emit list->itemDoubleClicked(found.first());
      QVERIFY2(ReadAll(Settings()).find(line) != std::string::npos, line.c_str());
      QVERIFY(done.wait(10000));
    }
    MainWindow again(drives_.get(), Config());
    QCOMPARE(again.command_tab()->console().catalogue().Name(kFirstUserRow), name.toStdString());
  }

  void SelectingAnotherDriveClearsResultsAndRefillsTheTrackBox() {
    WriteAll(Settings(), "ControlFlag=0\nDir=emu:type13?speed=max\nLastCom=40 7 0 0 0 0 0 2\n");
    MainWindow w(drives_.get(), Config());
    w.tabs()->setCurrentIndex(kTabCommand);
    QComboBox* tracks = w.command_tab()->start_position_bar()->track_box();
    const int type13_tracks = tracks->count();
    QSignalSpy finished(w.command_tab(), &CommandTab::CommandFinished);
    w.exec_button()->click();
    QVERIFY(finished.wait(10000));
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
