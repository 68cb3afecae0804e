// The job tabs against virtual drives: Aging (its form, dialogs, a run and the close veto),
// Measure on a simulated clock, Sector Dump with its detail dialog, the control-data window.
#include <QPrinter>
#include <QSpinBox>

#include "ageing/ageing_log.h"
#include "app/window_bench.h"
#include "console/command_catalogue.h"
#include "tools/sector_dump_job.h"

namespace tamarack::app {

namespace {

// The fields of the tab that depend on others, and the settings they make.
void Shot(testing::Transcript& t, const AgeingTab& tab, const QString& step) {
  t.Step(step)("loop", tab.loop_box()->currentIndex())("loop text", tab.loop_box()->currentText());
  t("loop entry", tab.loop_box()->itemText(2));
  t("loop count", tab.settings().loop_count)("loop mode", tab.settings().mode.loop());
  t("step", tab.step_box()->isEnabled())("end on error", tab.end_on_data_error_box()->isEnabled());
  t("retries", tab.retries_box()->isEnabled());
  t("end on error set", tab.settings().mode.end_on_data_error());
  t("type13", tab.type_button(DataCheckType::kType13)->isEnabled());
  t("other", tab.type_button(DataCheckType::kOther)->isChecked())("cdb", tab.cdb_line()->text());
}

using Window = testing::MeasureBench;
using Drive = testing::SessionBench;
using testing::Messages;
using testing::ReadAndWait;

QString DirectDump(DeviceSession& session, std::uint32_t lba, std::uint32_t blocks) {
  JobHost host;
  SectorDump d;
  d.lba_text = std::to_string(lba);
  d.length_text = std::to_string(blocks);
  const DumpResult r =
      ReadSectorDump(session, *d.Prepare(DumpStep::kNone, false).request, DumpBuffer{}, host);
  return QString::fromStdString(r.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

class JobTabsTest : public QObject {
  Q_OBJECT

 private slots:
  // Another drive's disc replaces the bounds the tab shows (they bound a single pass): read at
  // once while the tab is shown, the empty range filled from them; forgotten while it is not.
  // The loop count dialog (a count taken; Cancel keeps the entry), the step box for the step
  // methods only, the data error end with the data check only, the retries of a failed read
  // with the end on a command error only, the form's CDB and what is stored and loaded (Verify
  // EDC, retries); the log setting dialog rebuilding the word: aging_form.txt.
  void DiscBoundsLoopCountAndLogSettingDialogs() {
    testing::WindowBench b({"emu:type13?speed=max", "emu:type30?speed=max"}, kTabAgeing);
    AgeingTab& tab = *b.window->ageing_tab();
    testing::Transcript t;
    const auto bounds = [&](int drive, const char* step) {
      b.window->drive_box()->setCurrentIndex(drive);
      t.Step(QString::fromUtf8(step))("last", tab.last_lba_box()->text());
      t("end", tab.end_box()->text())("last stored", tab.settings().last_lba);
    };
    bounds(1, "type 30");
    bounds(0, "type 13");  // a range of its own stays
    b.window->tabs()->setCurrentIndex(kTabCommand);
    bounds(1, "type 30, tab hidden");
    b.window->tabs()->setCurrentIndex(kTabAgeing);

    QString answer = QStringLiteral("7");
    bool accept = true;
    tab.dialog_hook = [&](QDialog* d) {
      if (auto* dialog = qobject_cast<LoopCountDialog*>(d)) {
        t("dialog", dialog->windowTitle());
        dialog->count_box()->setText(answer);
        accept ? dialog->accept() : dialog->reject();
      }
    };
    tab.loop_box()->setCurrentIndex(3);
    Shot(t, tab, QStringLiteral("loop count 7"));
    accept = false;
    answer = QStringLiteral("99");
    tab.loop_box()->setCurrentIndex(3);
    Shot(t, tab, QStringLiteral("loop count cancelled"));
    tab.method_box()->setCurrentIndex(static_cast<int>(LbaMethod::kTwoPoint));
    Shot(t, tab, QStringLiteral("two points"));
    tab.method_box()->setCurrentIndex(static_cast<int>(LbaMethod::kRandomAndStep));
    Shot(t, tab, QStringLiteral("random and step"));
    tab.data_check_box()->setChecked(true);
    tab.end_on_data_error_box()->setChecked(true);
    tab.command_box()->setCurrentIndex(0);
    tab.verify_edc_box()->setChecked(true);
    tab.end_on_command_error_box()->setChecked(true);
    tab.retries_box()->setValue(3);
    Shot(t, tab, QStringLiteral("data check, end on data error, first command, EDC, 3 retries"));
    SettingsData out;
    tab.StoreSettings(&out);
    t("stored command", out.ageing.command_index)("stored loop count", out.ageing.loop_count);
    t("stored EDC", out.ageing.verify_edc)("stored retries", out.ageing.retries);
    out.ageing.verify_edc = false;
    out.ageing.retries = 0;
    tab.LoadSettings(out);
    t("loaded: EDC", tab.verify_edc_box()->isChecked())("retries", tab.retries_box()->value());

    LogSettingDialog log(LogOptionWord(0x20002), true, QStringLiteral("/tmp/x.htm"),
                         QStringLiteral("/tmp"));
    t.Step(log.windowTitle())("failed", log.failed_button()->isChecked());
    t("detailed", log.detailed_button()->isChecked());
    log.nothing_button()->setChecked(true);
    t("nothing: simple enabled", log.simple_button()->isEnabled());
    log.all_button()->setChecked(true);
    log.simple_button()->setChecked(true);
    t("all, simple: word", QString::number(log.options().value(), 16));
    log.html_box()->setChecked(false);
    log.choose_file = [&t](const QString&, const QString& name, const QString& filter) {
      t("file dialog", name)("filter", filter);
      return QStringLiteral("/tmp/chosen.txt");
    };
    log.browse_button()->click();
    t("path", log.path());
    // A stored Medium is shown and kept; the other kinds keep their word.
    LogSettingDialog medium(LogOptionWord(0x10001), true, QStringLiteral("/tmp/x.htm"),
                            QStringLiteral("/tmp"));
    t.Step("stored Medium")("shown", medium.medium_button()->isVisibleTo(&medium));
    t("checked", medium.medium_button()->isChecked());
    t("word", QString::number(medium.options().value(), 16));
    t.Expect("aging_form.txt");
  }

  // An ageing run from Exec shows its dump with the settings locked, the Exec caption
  // following it on its tab only; the disc's last block read at the start bounds the range
  // bar. Every way of stopping a run names its cause (the texts of each cause are tests/ageing's
  // and tests/job's): in the status line (the Measure tab's text) and the ageing log, with the
  // ageing end message for an interruption; a command from another tab leaves that tab's
  // status line to the command. The window's close is refused while a run goes (the run is told
  // to stop) and goes ahead once it has ended.
  void EveryStopOfARunSaysWhatStoppedIt() {
    struct Way {
      const char* name;
      std::function<void(MainWindow&)> stop;
      const char* suffix;       // after the texts Cancel shows; "" for Cancel itself
      bool status_kept = true;  // false: the command that stopped it writes the status line
    };
    const Way kAgeing[] = {
        {"Cancel", [](MainWindow& w) { w.exec_button()->click(); }, ""},
        {"close",
         [](MainWindow& w) {
           QVERIFY(!w.close());
           QVERIFY(w.ageing_tab()->running());
         },
         " [window closing]"},
        {"Eject", [](MainWindow& w) { w.eject_button()->click(); }, " [Eject]"},
        {"another tab's command",
         [](MainWindow& w) {
           w.tabs()->setCurrentIndex(kTabCommand);
           QCOMPARE(w.exec_button()->text(), QStringLiteral("Send(&E)"));
           w.command_tab()->Send();
         },
         " [command from another tab]", false},
    };
    for (const Way& way : kAgeing) {
      testing::WindowBench b({"emu:type13?speed=max"}, kTabAgeing);
      MainWindow& w = *b.window;
      w.show();
      AgeingTab* tab = w.ageing_tab();
      testing::Messages messages;
      tab->dialog_hook = messages;
      SettingsData s;  // a long run
      s.ageing.end_lba = 300000;
      s.ageing.log_path = b.dir.filePath(QStringLiteral("log.txt")).toStdString();
      tab->LoadSettings(s);
      QSignalSpy finished(tab, &AgeingTab::RunFinished);
      QSignalSpy command_done(w.command_tab(), &CommandTab::CommandFinished);
      w.exec_button()->click();
      QVERIFY(!tab->method_box()->isEnabled());
      QCOMPARE(w.exec_button()->text(), QStringLiteral("Cancel(&E)"));
      QTRY_VERIFY(!tab->dump_box()->toPlainText().isEmpty());
      way.stop(w);
      QVERIFY2(!finished.isEmpty() || finished.wait(kSettleMs), way.name);
      QVERIFY(!tab->running() && tab->method_box()->isEnabled());
      QCOMPARE(tab->range_bar()->view().bar().maximum, 332999);
      const QString suffix = QString::fromUtf8(way.suffix);
      const QString status = w.status_label()->text();
      if (way.status_kept) {
        QTRY_VERIFY2(w.status_label()->text().startsWith(QStringLiteral("Ageing Canceled!")) &&
                         w.status_label()->text().endsWith(QStringLiteral(")") + suffix),
                     qPrintable(QString::fromUtf8(way.name) + QStringLiteral(": ") + status));
      } else {
        QVERIFY(!command_done.isEmpty() || command_done.wait(kSettleMs));
        QCoreApplication::sendPostedEvents();  // whatever the run posted before the command ended
        QVERIFY2(!w.status_label()->text().startsWith(QStringLiteral("Ageing Canceled!")),
                 qPrintable(w.status_label()->text()));
      }
      const QString log =
          QString::fromUtf8(testing::ReadAll(b.dir.filePath(QStringLiteral("log.txt"))).c_str());
      QVERIFY2(log.contains(QStringLiteral("Canceled") + suffix + QStringLiteral("\n")), way.name);
      // Cancel and a command from another tab end quietly; an interruption says so.
      const bool interrupted =
          way.name == std::string_view("close") || way.name == std::string_view("Eject");
      QTRY_COMPARE(messages.texts->size(), interrupted ? 1 : 0);
      if (interrupted) QVERIFY(messages.texts->front().contains(suffix));
      w.tabs()->setCurrentIndex(kTabAgeing);
      QCOMPARE(w.exec_button()->text(), QStringLiteral("Start(&E)"));
      QVERIFY(w.close());
    }

    const Way kMeasure[] = {
        {"Cancel", [](MainWindow& w) { w.exec_button()->click(); }, ""},
        {"tab change",
         [](MainWindow& w) {
           w.tabs()->setCurrentIndex(kTabToc);
           QVERIFY(!w.print_button()->isEnabled());
         },
         " [tab changed]"},
        {"save", [](MainWindow& w) { w.save_button()->click(); }, " [file save]"},
        {"close", [](MainWindow& w) { QVERIFY(!w.close()); }, " [window closing]"},
        {"Eject", [](MainWindow& w) { w.eject_button()->click(); }, " [Eject]"},
    };
    for (const Way& way : kMeasure) {
      Window w("emu:type13?speed=cav48");
      QSignalSpy spy(w.tab, &MeasureTab::MeasureFinished);
      w.window->exec_button()->click();
      way.stop(*w.window);
      // A stop that opens a dialog (the save's) may see the run end inside its own loop.
      QVERIFY2(!spy.isEmpty() || spy.wait(Window::kWholeDiscGuardMs), way.name);
      const QString suffix = QString::fromUtf8(way.suffix);
      QCOMPARE(w.tab->status_label()->text(), QStringLiteral("平均(途中ｷｬﾝｾﾙ)") + suffix);
      if (!suffix.isEmpty()) QTRY_VERIFY(w.window->status_label()->text().endsWith(suffix));
      QVERIFY(w.tab->graph()->record().samples.size() < 100);  // far from the whole disc
      QVERIFY(!w.tab->running());
    }
  }

  // "Log Display" with no desktop program: the help window shows the log, an HTML log as a
  // page and a text log as text; a log that cannot be read says why, not only that it is not
  // there.
  void TheLogIsShownInTheProgramWhenTheDesktopCannot() {
    testing::WindowBench b({"emu:type13?speed=max"}, kTabAgeing);
    AgeingTab* tab = b.window->ageing_tab();
    testing::Messages messages;
    tab->dialog_hook = messages;
    tab->open_file = [](const QString&) { return false; };
    struct Row {
      const char* file;
      std::string content;  // nothing written for an empty one
      const char* shown;    // the help window's text, or null for the message
    };
    const Row rows[] = {
        {"log.htm", "<html><body><b>Comm:</b> Ok &amp; more</body></html>", "Comm: Ok & more"},
        {"log.txt", "Comm:28 Ok <b>\n", "Comm:28 Ok <b>\n"},
        {"missing.txt", "", nullptr},
    };
    for (const Row& row : rows) {
      const QString path = b.dir.filePath(QString::fromUtf8(row.file));
      if (!row.content.empty()) testing::WriteAll(path, row.content);
      SettingsData s;
      s.ageing.log_path = path.toStdString();
      tab->LoadSettings(s);
      tab->log_display_button()->click();
      if (row.shown) {
        QVERIFY(HelpWindow::Current());
        QCOMPARE(HelpWindow::Current()->shown(), path);
        QCOMPARE(HelpWindow::Current()->browser()->toPlainText(), QString::fromUtf8(row.shown));
      } else {
        QCOMPARE(messages.texts->size(), 1);
        QVERIFY(messages.texts->front().startsWith(QString::fromUtf8(Tr(kNoLogFileMessage))));
        QVERIFY(
            messages.texts->front().endsWith(path + QStringLiteral(": No such file or directory")));
      }
    }
    HelpWindow::Current()->close();
  }

  // A whole run from Exec to its results (the record and its summary are tests/measure's:
  // 30600 audio blocks at 600 a second, x7.8 in 52 seconds), then hex input and the block
  // count's spin reaching the CDB and the settings; the results printed to PDF.
  void ARunFromExecToItsResults() {
    Window w("emu:audio?speed=clv8");
    QSignalSpy spy(w.tab, &MeasureTab::MeasureFinished);
    w.window->exec_button()->click();
    QCOMPARE(w.window->exec_button()->text(), QStringLiteral("Cancel(&E)"));
    QVERIFY(!w.tab->progress_bar()->isHidden());
    QVERIFY(spy.wait(Window::kWholeDiscGuardMs));
    QTRY_COMPARE(w.window->status_label()->text(),
                 QStringLiteral("x7.8 speed(71971200 Bytes/52 Sec)"));
    QCOMPARE(w.window->exec_button()->text(), QStringLiteral("Start(&E)"));
    QCOMPARE(w.tab->speed_label()->text(), QStringLiteral("x7.8"));
    QCOMPARE(w.tab->model_label()->text(), QStringLiteral("KESTREL  CDV-4800 Virtual"));
    w.window->command_tab()->hex_input_box()->setChecked(true);
    for (int i = 0; i < 6; ++i) w.tab->up_button()->click();
    QCOMPARE(w.tab->last_box()->text(), QStringLiteral("7787"));
    QCOMPARE(w.tab->cdb_label()->text(), QStringLiteral("be 00 00 00 00 00 00 00 10 10 00 00 "));
    w.window->SaveSettingsNow();
    QCOMPARE(w.window->settings().msr_block_length, 16);

    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(600);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("measure.pdf")));
    w.tab->PrintTo(printer);
    QFile pdf(dir.filePath(QStringLiteral("measure.pdf")));
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-" && pdf.size() > 1000);
  }

  // A zero block count (the spin stops at 0) is refused and a read error ends the run, each
  // with the job's closing message (its texts are tests/measure's and the CLI's
  // measure_files.txt) under its verdict's icon; the error stays in the status line after the
  // summary.
  void AZeroBlockCountIsRefusedAndAReadErrorStaysInTheStatusLine() {
    Window zero("emu:type13?speed=cav48");
    zero.tab->block_count_box()->setText(QStringLiteral("1"));
    zero.tab->down_button()->click();
    zero.tab->down_button()->click();  // stops at 0
    QCOMPARE(zero.tab->block_count(), 0);
    QVERIFY(zero.Run());
    QCOMPARE(*zero.messages.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
    QVERIFY(
        zero.messages.texts->front().endsWith(QString::fromUtf8(Tr(kMeasureBlockCountMessage))));
    zero.window.reset();
    Window bad("emu:type13?speed=clv8&bad=1234");
    QVERIFY(bad.Run());
    QCOMPARE(*bad.messages.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    QTRY_COMPARE(
        bad.window->status_label()->text(),
        QStringLiteral("Error Notified( UNRECOVERED READ ERROR). Information 1234 (000004d2h)"));
  }

  // A parameter error shows its message and starts no job; a read shows what a direct read of
  // the same blocks shows, the length cut to ten (the cuts and their messages for every
  // field are tests/tools' SectorDumpPrepare); the volume descriptor is one block at 16.
  void ReadsWithTheirMessages() {
    Drive drive;
    QVERIFY(drive.opened);
    SectorDumpTab tab(drive.session, drive.runner);
    Messages messages;
    tab.dialog_hook = messages;
    QSignalSpy spy(&tab, &SectorDumpTab::ReadFinished);
    tab.lba_box()->setText(QStringLiteral("12q"));
    tab.Read();
    QCOMPARE(messages.texts->size(), 1);
    QCOMPARE(spy.count(), 0);  // no job was started
    tab.lba_box()->setText(QStringLiteral("5"));
    tab.length_box()->setText(QStringLiteral("11"));
    QVERIFY(ReadAndWait(tab));
    QCOMPARE(messages.texts->size(), 2);
    QCOMPARE(tab.length_box()->text(), QStringLiteral("10"));
    QCOMPARE(tab.dump_box()->toPlainText(), DirectDump(drive.session, 5, 10));
    tab.mode_button(DumpAddressMode::kVolumeDescriptor)->setChecked(true);
    QVERIFY(ReadAndWait(tab));
    QCOMPARE(tab.dump_box()->toPlainText(), DirectDump(drive.session, 16, 1));
  }

  void TheDumpKeepsItsLineWhenFormattedAgainOrSteppedAndANewReadStartsAtTheTop() {
    Drive drive;
    SectorDumpTab tab(drive.session, drive.runner);
    tab.resize(700, 400);
    tab.show();
    tab.length_box()->setText(QStringLiteral("10"));
    QVERIFY(ReadAndWait(tab));
    QScrollBar* bar = tab.dump_box()->verticalScrollBar();
    QVERIFY(bar->maximum() > 100);
    bar->setValue(100);
    const QString grouped_by_four = tab.dump_box()->toPlainText();
    QFont bigger = tab.font();
    bigger.setPointSize(bigger.pointSize() + 2);
    // Grouped by eight, resized, a bigger font, a step to the next blocks: the line stays each
    // time; a read of its own starts at the top.
    QSignalSpy stepped(&tab, &SectorDumpTab::ReadFinished);
    const std::function<void()> changes[] = {
        [&] { tab.SetGroupSize(8); }, [&] { tab.resize(760, 420); }, [&] { tab.setFont(bigger); },
        [&] {
          tab.Step(true);
          QVERIFY(stepped.wait(kSettleMs));
        }};
    for (const auto& change : changes) {
      change();
      QApplication::processEvents();
      QCOMPARE(bar->value(), 100);
    }
    QVERIFY(tab.dump_box()->toPlainText() != grouped_by_four);
    QVERIFY(tab.dump_header()->text().contains(QStringLiteral("0001020304050607 08")));
    QVERIFY(ReadAndWait(tab));
    QCOMPARE(bar->value(), 0);
  }

  // The detail dialog's choice reaches the tab's Read CD (Cancel keeps it; which bytes each
  // choice makes is tests/tools' ReadCdDetail) and the next read returns those fields; its
  // "More Information..." opens the tab's help; hex input turns the boxes and is stored.
  void DetailDialogHexInputAndSettings() {
    Drive drive;
    SectorDumpTab tab(drive.session, drive.runner);
    ReadCdDetailDialog* seen = nullptr;
    tab.dialog_hook = [&seen](QDialog* d) { seen = qobject_cast<ReadCdDetailDialog*>(d); };
    for (bool accept : {true, false}) {
      tab.detail_button()->click();
      QVERIFY(seen);
      for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
               seen->part_box(accept ? 1 : 0), seen->part_box(2), seen->error_button(1),
               seen->sub_button(2)}) {
        button->setChecked(true);
      }
      accept ? seen->accept() : seen->reject();
      QCOMPARE(int{tab.model().sector_cdb[9]}, 0x72);
      QCOMPARE(int{tab.model().sector_cdb[10]}, 0x02);
    }
    emit seen->findChild<QLabel*>(QStringLiteral("moreInformation"))->linkActivated("#");
    QVERIFY(HelpWindow::Current());
    QCOMPARE(HelpWindow::Current()->shown(), QStringLiteral("Sector Dump タブ"));
    HelpWindow::Current()->close();
    QVERIFY(ReadAndWait(tab));
    QCOMPARE(tab.buffer().valid().size(), 2362u);  // 4 + 2048 + 294 + 16

    tab.lba_box()->setText(QStringLiteral("26"));
    tab.SetHexInput(true);
    QCOMPARE(tab.lba_box()->text(), QStringLiteral("1a"));
    SettingsData s;
    tab.StoreSettings(&s);
    QCOMPARE(s.lba, 26);
    SectorDumpTab other(drive.session, drive.runner);
    s.control_flag = 1;
    other.LoadSettings(s);
    QVERIFY(other.hex_input());
    QCOMPARE(other.lba_box()->text(), QStringLiteral("1a"));
  }

  // The control-data window's data (its list and CDB line are tests/tools' ControlData, shown
  // from the window by main_window_shell_test) saved in hex through its dialogs into the data
  // folder; a write failure shown (its text is tests/tools' DumpFile).
  void ControlDataWindowListsSavesAndReportsWriteFailures() {
    ControlDataWindow w;
    QVERIFY(!w.save_button()->isEnabled());
    std::vector<std::uint8_t> data(18);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0x30 + i);
    CatalogueState catalogue;
    w.SetData(data, Cdb{0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0}, catalogue);
    QVERIFY(w.save_button()->isEnabled());

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::string folder = dir.path().toStdString();
    w.SetDataFolder(&folder);
    const QString chosen = dir.filePath(QStringLiteral("out.dat"));
    QString proposed;
    w.choose_file = [&](const QString&, const QString& p, const QString&) {
      proposed = p;
      return chosen;
    };
    Messages messages;
    w.dialog_hook = [&](QDialog* d) {
      if (auto* options = qobject_cast<DumpSaveDialog*>(d)) {
        options->form_button(DumpSaveForm::kHex)->setChecked(true);
        return options->accept();
      }
      messages(d);
    };
    w.save_button()->click();
    QCOMPARE(QFileInfo(proposed).path(), dir.path());
    QCOMPARE(testing::ReadAll(chosen), std::string("303132333435363738393a3b3c3d3e3f4041"));

    QVERIFY(!w.SaveTo(dir.filePath(QStringLiteral("missing/x.bin")), DumpSaveForm::kBinary));
    QCOMPARE(messages.texts->size(), 1);
    QCOMPARE(messages.icons->at(0), QMessageBox::Critical);
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::JobTabsTest)
#include "job_tabs_test.moc"
