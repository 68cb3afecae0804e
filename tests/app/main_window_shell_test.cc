// The main window as a whole: tabs, settings, disc indicator, options, trace, serve action,
// saved files, restarts; at its minimum size (750 x 600) every shown control of every tab and
// dialog lies inside its parent with the size its content needs (TAMARACK_SCREENSHOTS=DIR
// saves a picture of each).
#include "app/window_fit.h"
#include "decode/mode_page_editor.h"
#include "shell/help_topics.h"
#include "util/version.h"

namespace tamarack::app {

using testing::ReadAll;
using testing::WriteAll;

namespace {

// The window on type13 and audio drives, its settings file holding `settings`, not open yet;
// file dialogs answer the path proposed (saves) or `load_path` (loads), the save option dialogs
// `option` (below 0: Cancel) and the hex form; message boxes are closed.
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

// The help button a dialog or editor shows ("ヘルプ(&H)", the mode page editor's "Help").
QPushButton* HelpButtonOf(const QWidget* w) {
  for (QPushButton* b : w->findChildren<QPushButton*>()) {
    if (b->text() == QStringLiteral("ヘルプ(&H)") || b->text() == QStringLiteral("Help")) return b;
  }
  return nullptr;
}

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
      t("save, open", QStringLiteral("%1, %2")
                          .arg(w.save_button()->isEnabled())
                          .arg(w.open_button()->isEnabled()));
    }
    t("drives", w.drive_box()->count())("device", w.session().HasDevice());
    t.Expect("main_window.txt");
  }

  // The serve action without configfs: it says why (what each missing piece says is
  // tests/serve's ServePrerequisites), serves nothing and offers no stop.
  void ServingSaysWhyNotAndServesNothing() {
    Bench b;
    const QString missing = b.dir.filePath(QStringLiteral("no-configfs"));
    qputenv("TAMARACK_CONFIGFS_ROOT", missing.toUtf8());
    testing::Messages messages;
    b.config.dialog_hook = messages;
    MainWindow& w = b.Open();
    w.serving()->ServeSelectedDrive();
    qunsetenv("TAMARACK_CONFIGFS_ROOT");
    QCOMPARE(messages.texts->size(), 1);
    QVERIFY(
        messages.texts->at(0).contains(QStringLiteral("configfs is not mounted at ") + missing));
    QVERIFY(w.serving()->served_label()->isHidden());
    QMenu menu;
    w.serving()->FillMenu(&menu);
    QCOMPARE(menu.actions().size(), 1);
    QCOMPARE(menu.actions().at(0)->text(), QStringLiteral("システムにドライブとして提供"));
  }

  // A disc loaded in an open tray turns the indicator, and the drive is selected again (its TOC
  // read; the poll's pace and when it reselects are tests/shell's DiscIndicatorSchedule).
  // "Load" is on the tool bar while the tray is open: after an Eject, until a Load.
  void ALoadedDiscTurnsTheIconAndSelectsTheDriveAgain() {
    Bench b("");
    b.config.start_drive = "emu:type13?speed=max&tray=open";
    MainWindow& w = b.Open();
    w.show();
    QVERIFY(w.disc_indicator()->isVisible());
    QCOMPARE(w.disc_indicator()->state(), DiscState::kNoDisc);
    QCOMPARE(w.drive_facts().toc[3], 0);   // no disc: no TOC at start
    QVERIFY(w.load_button()->isHidden());  // no Eject yet
    w.load_button()->click();              // Start Stop Unit, load
    QTRY_COMPARE(w.disc_indicator()->state(), DiscState::kDataDisc);
    QTRY_COMPARE(w.drive_facts().toc[3], 1);  // selected again: TOC read
    QVERIFY(w.windowTitle().contains(QStringLiteral("選択されているﾄﾞﾗｲﾌﾞ")));
    w.eject_button()->click();
    QTRY_VERIFY(w.load_button()->isVisible());
    w.load_button()->click();
    QTRY_VERIFY(w.load_button()->isHidden());
  }

  // One window's life over three starts: what it opens with from its settings (the command
  // saved last with its form, in hex; the indicator off runs no timer); the option dialog's
  // Initialise (the receive length it does not show at 4096) with the trace on; what it writes
  // at close and reads at the next start; the trace off (a trace file that cannot be written is
  // tests/device's CommandTrace and the CLI's trace_option_test); a slot renamed and a
  // double-clicked command written at once (before it runs); the command reset asked first; virtual
  // drives turned off empty the drive box: restarts.txt.
  void SettingsOptionsAndTheTraceAcrossRestarts() {
    Bench b(
        "ControlFlag=1\nTocKind=1\nDir=emu:audio?speed=max\nLastCom=40 7 0 0 0 0 0 2\n"
        "Com07=280000001000000001000000\nSendEventParam=0006030002000104\n"
        "ControlBufLen=40960\nTimeoutCom=30\nExeImm=1\nCntApr=1\n");
    const QString trace = b.dir.filePath(QStringLiteral("trace.jsonl"));
    std::function<void(OptionsDialog*)> answer;
    bool answer_ok = false;
    b.config.dialog_hook = [&](QDialog* d) {
      if (auto* box = qobject_cast<QMessageBox*>(d)) {
        b.t("asked", box->text());
        box->button(answer_ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
      } else if (auto* o = qobject_cast<OptionsDialog*>(d)) {
        answer(o);
        o->accept();
      }
    };
    const auto options = [&](const std::function<void(OptionsDialog*)>& a) {
      answer = a;
      b.window->options_button()->click();
    };
    // What the settings and the option dialog change (each key's reading is tests/persist's).
    const auto shot = [&](const QString& step) {
      const MainWindow& w = *b.window;
      CommandTab* tab = w.command_tab();
      b.t.Step(step)("tab", w.tabs()->currentIndex())("drive", w.drive_box()->currentText());
      b.t("list kind", tab->console().list_kind())("cdb", tab->cdb_box()->text());
      b.t("hex input", tab->hex_input_box()->isChecked());
      b.t("full toc", w.findChild<TocTab*>()->full_toc());
      b.t("execute on selection", w.options().execute_on_selection);
      b.t("receive length", w.options().receive_length);
      const ModePageEditor& pages = tab->mode_page_editor()->editor();
      b.t("select page 0 byte 3", pages.select_table().row(0).buffer[3]);
      b.t("tracing", b.drives.Trace().Active());
      b.t("inquiries traced",
          QString::fromStdString(ReadAll(trace)).count(QStringLiteral("\"cdb\": \"12 ")));
    };
    const auto saved = [&b](std::initializer_list<const char*> keys) {
      for (const char* key : keys) {
        b.t(QStringLiteral("saved ") + QLatin1String(key), b.Saved(QLatin1String(key)));
      }
    };
    MainWindow* w = &b.Open();
    shot(QStringLiteral("opened"));
    b.t("indicator timer", w->disc_indicator()->timer_active());
    QCOMPARE(b.Box("Logical Block Address")->text(), QStringLiteral("1000"));
    options([&](OptionsDialog* o) {
      o->initialise_button()->click();
      o->indicator_box()->setChecked(false);  // its polls would reselect the drive at any time
      o->trace_box()->setChecked(true);
      o->trace_file_box()->setText(trace);
    });
    w->ReselectDrive();
    shot(QStringLiteral("initialised, tracing, reselected"));
    w->tabs()->setCurrentIndex(kTabCommand);
    w->command_tab()->SetListKind(ListKind::kName);
    ModePageEditor* pages = &w->command_tab()->mode_page_editor()->editor();
    pages->select_table().row(0).buffer[3] = 0x05;
    w->resize(900, 700);
    w->close();
    b.window.reset();
    b.t.Step("closed")("tracing", b.drives.Trace().Active());  // the window took its trace
    saved({"LastTab", "ComListKind", "ControlBufLen", "TraceCommands"});

    w = &b.Open();
    shot(QStringLiteral("opened again"));
    options([](OptionsDialog* o) { o->trace_box()->setChecked(false); });
    w->ReselectDrive();
    b.t.Step("trace off, reselected")("tracing", b.drives.Trace().Active());
    saved({"TraceCommands"});

    CommandTab* tab = w->command_tab();
    tab->SetListKind(ListKind::kUser);
    tab->dialog_hook = [](QDialog* d) {
      d->findChild<QLineEdit*>(QStringLiteral("commandName"))
          ->setText(QString(30, QLatin1Char('r')));
      d->accept();
    };
    tab->SelectListEntry(0, true);
    QCOMPARE(tab->command_list()->item(0)->text(), QStringLiteral("00h ") + QString(30, u'r'));
    b.t.Step("slot renamed")("saved UName00", b.Saved(QStringLiteral("UName00")));
    tab->dialog_hook = [](QDialog* d) { d->reject(); };
    tab->SetListKind(ListKind::kCode);
    b.Select(QStringLiteral("12h Inquiry"));
    // A change not on record yet: the double-click writes it before the command runs.
    const std::size_t row = tab->console().current_row();
    tab->console().catalogue().row(row).cdb_store[5] = 0x77;
    const QString key = QStringLiteral("Com%1").arg(row, 2, 10, QLatin1Char('0'));
    b.t.Step("12h Inquiry, byte 5 changed")(QStringLiteral("saved ") + key, b.Saved(key));
    QSignalSpy done(tab, &CommandTab::CommandFinished);
    emit tab->command_list()->itemDoubleClicked(tab->command_list()->currentItem());
    b.t.Step("double-clicked")(QStringLiteral("saved ") + key, b.Saved(key));
    QVERIFY(done.wait(kSettleMs));

    w = &b.Open();
    const CatalogueState& commands = w->command_tab()->console().catalogue();
    b.t.Step("opened a third time")("slot name", commands.Name(kFirstUserRow));
    for (bool ok : {false, true}) {
      answer_ok = ok;
      w->reset_commands_button()->click();
      b.t(ok ? "row 7 byte 4 after OK" : "row 7 byte 4 after Cancel", commands.row(7).cdb_store[4]);
    }
    options([](OptionsDialog* o) { o->virtual_drives_box()->setChecked(false); });
    b.t.Step("virtual drives off")("drives", w->drive_box()->count());
    // The language is stored for the next start; this window keeps its own.
    options([](OptionsDialog* o) {
      o->language_box()->setCurrentIndex(
          o->language_box()->findData(static_cast<int>(UiLanguage::kEnglish)));
    });
    b.t.Step("English chosen")("options button", w->options_button()->text());
    saved({"Language"});
    b.t.Expect("restarts.txt");
  }
  // A file named at start is loaded into the tab of its kind (which tab each name picks is
  // tests/shell's StartTab, what a lone Ageing line changes its TabFile); one that cannot be
  // read says so in the status line.
  void AFileNamedAtStartIsLoadedIntoItsTab() {
    Bench b("ControlFlag=0\nLastTab=2\n");
    WriteAll(b.dir.filePath(QStringLiteral("only.age")), "Ageing=9 2 300 400\n");
    b.config.command_line_file = b.dir.filePath(QStringLiteral("only.age")).toStdString();
    QCOMPARE(b.Open().tabs()->currentIndex(), static_cast<int>(kTabAgeing));
    QCOMPARE(b.window->ageing_tab()->settings().end_lba, 400);
    b.config.command_line_file = b.dir.filePath(QStringLiteral("missing.msr")).toStdString();
    MainWindow& w = b.Open();
    QCOMPARE(w.tabs()->currentIndex(), static_cast<int>(kTabMeasure));
    QTRY_VERIFY2(w.status_label()->text().contains(QStringLiteral("No such file")),
                 qPrintable(w.status_label()->text()));
  }

  // Each tab's Save and Open through their file dialogs and messages: saved_files.txt (the
  // files' contents and default names are tests/shell's TabFile and tests/measure's). Nothing
  // to save is said; a measurement saved into the documents folder makes it the data folder; a
  // read dump goes through the form dialog, a loaded one (no buffer) is saved as shown without
  // it; the Aging and Command tabs take their files back; the command option dialog cancelled
  // saves nothing.
  void EachTabsFilesAreSavedAndLoadedBack() {
    Bench b;
    MainWindow* w = &b.Open(kTabMeasure);
    b.t.Step("Measure");
    w->save_button()->click();
    SpeedRecord r;
    r.block_size = 2048;
    r.samples = {75, 150};
    w->measure_tab()->ShowRecord(r);
    w->save_button()->click();
    const std::string docs = b.dir.filePath(QStringLiteral("docs")).toStdString();
    b.t("data folder saved", b.Saved(QStringLiteral("Directory")) == QString::fromStdString(docs));
    w = &b.Open(kTabMeasure);
    b.load_path = b.proposed.last();
    w->open_button()->click();
    QCOMPARE(w->measure_tab()->record(), r);
    b.t("speed", w->measure_tab()->speed_label()->text());

    b.t.Step("Sector Dump");
    w->tabs()->setCurrentIndex(kTabSectorDump);
    w->save_button()->click();
    QVERIFY(testing::ReadAndWait(*w->sector_dump_tab()));
    w->save_button()->click();  // the form dialog answers "dat"
    QCOMPARE(ReadAll(b.proposed.last()).size(), w->sector_dump_tab()->DumpBytes().size() * 2);
    WriteAll(b.dir.filePath(QStringLiteral("shown.txt")), "000000 0000h 00 01\n");
    b.load_path = b.dir.filePath(QStringLiteral("shown.txt"));
    w->open_button()->click();
    b.t("shown", w->sector_dump_tab()->dump_box()->toPlainText());
    w->save_button()->click();
    b.t("file", ReadAll(b.proposed.last()));

    b.t.Step("Aging");
    w->tabs()->setCurrentIndex(kTabAgeing);
    w->ageing_tab()->end_box()->setText(QStringLiteral("777"));
    w->save_button()->click();
    b.window.reset();
    b.Settings("ControlFlag=0\nDirectory=" + b.dir.path().toStdString() + "\n");
    w = &b.Open(kTabAgeing);  // the file, not the settings, brings the numbers back
    b.load_path = b.proposed.last();
    w->open_button()->click();
    QCOMPARE(w->ageing_tab()->settings().end_lba, 777);

    b.t.Step("Command");
    w->tabs()->setCurrentIndex(kTabCommand);
    CatalogueState& cat = w->command_tab()->console().catalogue();
    cat.row(7).cdb_store[4] = 0x44;
    w->save_button()->click();  // the option dialog cancelled: nothing
    b.option = static_cast<int>(CommandFileContent::kBuiltIn);
    w->save_button()->click();
    cat.row(7).cdb_store[4] = 0;
    b.load_path = b.proposed.last();
    w->open_button()->click();
    b.t("byte 4 of row 7", cat.row(7).cdb_store[4]);
    b.t.Expect("saved_files.txt");
  }

  // Each help button, each tab's help and F1 show their part of the guide compiled into the
  // program, in the program's own help window (no browser; the option dialog's is
  // HelpFromAModalDialogIsUsable's); every section the buttons name is in the guide. The version
  // box names the version and the Qt it runs on.
  void EveryHelpShowsItsSectionWithoutABrowser() {
    testing::WindowBench b({"emu:type13?speed=max"});
    MainWindow& w = *b.window;
    w.show();
    const std::string guide = HelpWindow::GuideText().toStdString();
    for (const HelpTopicRow& row : HelpTopics())
      QVERIFY2(GuideSection(guide, row.section), row.page);

    QMenu* menu = w.help_button()->menu();
    QVERIFY(menu && menu->actions().size() == 3);
    JobRunner runner(w.session(), RealClock());
    int tool_tab = 0;
    auto* tools = new ToolsDialog(w.session(), runner, &tool_tab, false, &w);
    // Each way to the help and the section it shows ("": the whole guide, from F1).
    std::vector<std::pair<std::function<void()>, QString>> rows;
    for (int tab = 0; tab < kTabCount; ++tab) {
      rows.emplace_back(
          [&w, menu, tab] {
            w.tabs()->setCurrentIndex(tab);
            menu->actions()[0]->trigger();
          },
          QString::fromUtf8(SectionOfTab(tab).data()));  // untranslated: Japanese
    }
    rows.emplace_back(
        [&w, &b] {
          w.tabs()->setCurrentIndex(kTabCommand);
          b.Select(QStringLiteral("55h Mode Select(10)"));
          w.command_tab()->mode_page_editor()->help_button()->click();
        },
        QStringLiteral("モードページエディタ (Mode Sense(10) と Mode Select(10))"));
    const std::pair<QWidget*, const char*> dialogs[] = {
        {new LogSettingDialog(LogOptionWord(), true, QStringLiteral("/tmp/Log.htm"),
                              QStringLiteral("/tmp"), &w),
         "エージングログの設定"},
        {new ReferenceDataDialog(w.session(), runner, &b.drives, {}, &w),
         "リファレンスデータ: 取り込みとチェック"}};
    for (const auto& [dialog, section] : dialogs)
      rows.emplace_back([d = dialog] { HelpButtonOf(d)->click(); }, QString::fromUtf8(section));
    const char* const kTools[] = {"LBA から MSF", "MSF から LBA", "Sub-Q CRC の計算",
                                  "Sub-Q チェック"};
    for (int tab = 0; tab < 4; ++tab)
      rows.emplace_back([tools, tab] { tools->help_button(tab)->click(); }, kTools[tab]);
    rows.emplace_back(
        [&w] {
          auto* f1 = w.findChild<QShortcut*>();
          QVERIFY(f1 && f1->key() == QKeySequence(Qt::Key_F1));
          emit f1->activated();
        },
        QString());
    for (const auto& [press, section] : rows) {
      press();
      HelpWindow* help = HelpWindow::Current();
      QVERIFY2(help && help->isVisible(), qPrintable(section));
      QCOMPARE(help->shown(), section);
      // The section's own text (where a section ends is tests/shell's GuideSection).
      QVERIFY2(help->browser()->toPlainText().startsWith(
                   section.isEmpty() ? QStringLiteral("Tamarack ユーザーガイド") : section),
               qPrintable(section));
    }
    HelpWindow::Current()->close();
    delete tools;  // before the runner they use
    for (const auto& dialog : dialogs) delete dialog.first;

    menu->actions()[2]->trigger();
    auto* version = w.findChild<QMessageBox*>(QStringLiteral("versionBox"));
    QVERIFY(version);
    QVERIFY(version->text().startsWith(QStringLiteral("Tamarack ") +
                                       QString::fromUtf8(ProjectVersion().data())));
    QVERIFY(version->text().contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())));
    QVERIFY(version->text().contains(QStringLiteral("GNU Lesser General Public License")));
    version->close();
  }

  // The Others tab lists every command the window sent, from the drive selection on, and the
  // ones sent while it is shown by its timer; its filter box and save reach the monitor and
  // show their refusals in its note. (The filter, the list's texts and the saved trace are
  // tests/device's CommandMonitor.)
  void TheCommandMonitorListsFiltersAndSaves() {
    testing::WindowBench b({"emu:type13?speed=max"});
    MainWindow& w = *b.window;
    w.show();
    w.tabs()->setCurrentIndex(kTabOthers);
    CommandMonitorTab* monitor = w.monitor_tab();
    QTreeWidget* list = monitor->list();
    QVERIFY(list->topLevelItemCount() >= 2);  // Inquiry and Read TOC of the selection
    const int before = list->topLevelItemCount();
    b.Select(QStringLiteral("00h Test Unit Ready"));
    w.command_tab()->Send();
    QTRY_COMPARE(list->topLevelItemCount(), before + 1);

    monitor->filter_box()->setText(QStringLiteral("zz"));
    emit monitor->filter_box()->editingFinished();
    QVERIFY(monitor->note()->text().startsWith(QStringLiteral("オペコードではありません: \"zz\"")));
    monitor->filter_box()->setText(QStringLiteral("12"));
    emit monitor->filter_box()->editingFinished();
    QVERIFY(list->topLevelItemCount() >= 1 && list->topLevelItemCount() < before + 1);
    QVERIFY(!monitor->SaveAsTrace(b.dir.filePath(QStringLiteral("no/such/folder/m.jsonl"))));
    QVERIFY(monitor->note()->text().contains(QStringLiteral("no/such/folder")));
  }

  // After another drive or disc, and after later successes, nothing of the old one is shown:
  // the Command tab's dump and track box, the Measure tab's curve and range, the Toc tab's test
  // verdicts, an old error in the status line, another command's result list under Read TOC's
  // form. The control-data button shows the last command's reply and CDB.
  void NoStaleStateAfterAnotherDiscOrCommand() {
    Bench b("ControlFlag=0\nDir=emu:type13?speed=max\n");
    ControlDataWindow* shown = nullptr;
    b.config.dialog_hook = [&shown](QDialog* d) {
      if (auto* window = qobject_cast<ControlDataWindow*>(d)) shown = window;
    };
    MainWindow& w = b.Open(kTabCommand);
    // A command's error, then the Toc tab's good read: the status line is the read's.
    b.Select(QStringLiteral("28h Read(10)"));
    b.Type("Logical Block Address", QStringLiteral("999999"));
    b.Type("Transfer Length", QStringLiteral("1"));
    QVERIFY(b.RunAndWait());
    QTRY_VERIFY(!w.status_label()->text().isEmpty());
    w.tabs()->setCurrentIndex(kTabToc);
    w.exec_button()->click();
    QTRY_COMPARE(w.status_label()->text(), QString());
    // Inquiry's list does not stand under Read TOC's form; Read TOC's own list does.
    w.tabs()->setCurrentIndex(kTabCommand);
    b.Select(QStringLiteral("12h Inquiry"));
    QVERIFY(b.RunAndWait());
    QVERIFY(w.command_tab()->result_list()->topLevelItemCount() > 0);
    b.Select(QStringLiteral("43h Read Toc"));
    QCOMPARE(w.command_tab()->result_list()->topLevelItemCount(), 0);
    QVERIFY(b.RunAndWait());
    const int toc_rows = w.command_tab()->result_list()->topLevelItemCount();
    QVERIFY(toc_rows > 0);
    b.Select(QStringLiteral("43h Read Toc"));
    QCOMPARE(w.command_tab()->result_list()->topLevelItemCount(), toc_rows);

    // The old disc's dump, tracks, measurement and track test verdicts go with the drive change.
    b.Select(QStringLiteral("28h Read(10)"));
    b.Type("Logical Block Address", QStringLiteral("0"));
    QVERIFY(b.RunAndWait());
    QVERIFY(!w.command_tab()->dump_box()->toPlainText().isEmpty());
    QComboBox* tracks = w.command_tab()->start_position_bar()->track_box();
    const int type13_tracks = tracks->count();
    SpeedRecord old;
    old.block_size = 2048;
    old.samples = {75, 150, 300};
    w.measure_tab()->ShowRecord(old);
    w.measure_tab()->SetRange(0, 332999);
    auto* verdicts = w.findChild<QListWidget*>(QStringLiteral("trackTestResults"));
    QVERIFY(verdicts);
    verdicts->addItem(QStringLiteral("an old verdict"));
    w.drive_box()->setCurrentText(QStringLiteral("emu:audio?speed=max"));
    QVERIFY(w.command_tab()->dump_box()->toPlainText().isEmpty());
    QVERIFY(tracks->count() != type13_tracks);
    QVERIFY(tracks->count() > 1);
    QVERIFY(w.measure_tab()->record().samples.empty());
    QCOMPARE(w.measure_tab()->last_box()->text(), QStringLiteral("0"));
    QCOMPARE(w.measure_tab()->speed_label()->text(), QStringLiteral("x0.0"));
    QCOMPARE(verdicts->count(), 0);
    b.Select(QStringLiteral("12h Inquiry"));
    QVERIFY(b.RunAndWait());
    w.control_data_button()->click();
    QTRY_VERIFY(shown != nullptr);
    QVERIFY(shown->list()->toPlainText().contains(QStringLiteral("+000h|")));
    QVERIFY(shown->cdb_line()->text().contains(QStringLiteral("Inquiry")));
    // Shown again, the tab reads the new disc's range.
    w.tabs()->setCurrentIndex(kTabMeasure);
    w.ReselectDrive();
    QVERIFY(!w.measure_tab()->last_box()->text().isEmpty());
    QVERIFY(w.measure_tab()->last_box()->text() != QStringLiteral("332999"));
  }

  // The wheel changes no setting the user did not give focus to: over a combo box of the Aging
  // tab's command form at the minimum size the form scrolls instead, over the command box
  // (outside the form) and the option dialog's number box nothing changes, and none of them
  // takes focus from the wheel.
  void TheWheelScrollsAndChangesNoUnfocusedSetting() {
    testing::WindowBench b({"emu:type13?speed=max"}, kTabAgeing);
    QVERIFY(b.Show({750, 600}));
    MainWindow& w = *b.window;
    AgeingTab* tab = w.ageing_tab();
    tab->command_box()->setCurrentIndex(tab->command_box()->count() - 1);  // Read CD's combos
    auto* area = w.findChild<QScrollArea*>(QStringLiteral("agingFormScroll"));
    QVERIFY(area);
    QScrollBar* bar = area->verticalScrollBar();
    QVERIFY2(bar->maximum() > 0, "the form must scroll at 750 x 600");
    OptionsDialog options(Options{}, &w);
    options.show();
    const std::pair<QWidget*, bool> settings[] = {{tab->form_view()->findChild<QComboBox*>(), true},
                                                  {tab->command_box(), false},
                                                  {options.timeout_box(), false}};
    for (const auto& [setting, scrolls] : settings) {
      QVERIFY(setting);
      const auto value = [s = setting] {
        if (auto* c = qobject_cast<QComboBox*>(s)) return c->currentText();
        return qobject_cast<QAbstractSpinBox*>(s)->text();
      };
      const QString before = value();
      const AgeingSettings ageing = tab->settings();
      bar->setValue(0);
      for (int click = 0; click < 5; ++click) {
        QWheelEvent turn(QPointF(5, 5), setting->mapToGlobal(QPointF(5, 5)), QPoint(),
                         QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(setting, &turn);
      }
      QCOMPARE(value(), before);
      QVERIFY(tab->settings() == ageing);
      QVERIFY(!setting->hasFocus());
      QCOMPARE(bar->value() > 0, scrolls);
    }
  }

  // Help asked for from a modal dialog belongs to that dialog, so that the dialog does not
  // block it: its buttons work, it lies above the dialog and inside the screen. A window the
  // dialog does not own stays blocked (the clicks below are the window system's).
  void HelpFromAModalDialogIsUsable() {
    // A click as the window system delivers it: to the widget's window, where modality holds.
    const auto click = [](QWidget* widget) {
      QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                        widget->mapTo(widget->window(), widget->rect().center()));
    };
    testing::WindowBench b({"emu:type13?speed=max"});
    QVERIFY(b.Show());
    MainWindow& w = *b.window;
    QWidget other;
    auto* other_button = new QPushButton(QStringLiteral("other"), &other);
    QSignalSpy other_clicks(other_button, &QPushButton::clicked);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    auto* dialog = new OptionsDialog(Options{}, &w);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(QApplication::activeModalWidget(), dialog);
    click(HelpButtonOf(dialog));
    HelpWindow* help = HelpWindow::Current();
    QVERIFY(help && help->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QCOMPARE(help->parentWidget(), dialog);
    QCOMPARE(help->shown(), QStringLiteral("動作オプションの設定"));
    click(help->whole_button());
    QCOMPARE(help->shown(), QString());
    QVERIFY(help->back_button()->isEnabled());
    click(help->back_button());
    QCOMPARE(help->shown(), QStringLiteral("動作オプションの設定"));
    click(other_button);
    QCOMPARE(other_clicks.count(), 0);
    QVERIFY(AvailableAreaOf(&w).contains(help->frameGeometry()));
    help->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help, Qt::Key_Escape);
    QVERIFY(!HelpWindow::Current() || !HelpWindow::Current()->isVisible());
    dialog->close();
    delete dialog;
  }

  void EveryControlAndDialogFitsAtTheMinimumSize() {
    testing::WindowBench b({"emu:type13?speed=max"});
    const QStringList problems = testing::FitProblems(b);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::MainWindowShellTest)
#include "main_window_shell_test.moc"
