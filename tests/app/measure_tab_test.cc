// The Measure tab in the main window on the offscreen platform, against a virtual drive on a
// simulated clock: a run from Exec to its results, Cancel by a tab change, the refusal of a
// block count of 0, a shown record, and printing to PDF.
#include "app/window_bench.h"

#include <QPrinter>

namespace tamarack::app {

namespace {

// A whole-disc run on the simulated clock is pure work: a few seconds in a release build, far
// longer in a sanitizer build on a busy machine. The guard only catches a run that never ends.
constexpr int kWholeDiscGuardMs = 600000;

struct Window {
  explicit Window(const std::string& drive) {
    drives.AddProvider(
        std::make_unique<emu::VirtualDriveProvider>(clock, std::vector<std::string>{drive}));
    WindowConfig config;
    config.start_drive = drive;
    config.clock = &clock;
    config.dialog_hook = messages;
    window = std::make_unique<MainWindow>(&drives, config);
    tab = window->measure_tab();
    window->tabs()->setCurrentIndex(kTabMeasure);
  }
  bool RunAndWait() {
    QSignalSpy spy(tab, &MeasureTab::MeasureFinished);
    window->exec_button()->click();
    return spy.wait(kWholeDiscGuardMs);
  }
  SimulatedClock clock;
  DriveDirectory drives;
  testing::Messages messages;
  std::unique_ptr<MainWindow> window;
  MeasureTab* tab = nullptr;
};

}  // namespace

class MeasureTabTest : public QObject {
  Q_OBJECT

 private slots:
  void ARunFromExecToItsResults() {
    Window w("emu:audio?speed=clv8");
    QCOMPARE(w.window->tabs()->widget(kTabMeasure), static_cast<QWidget*>(w.tab));
    QVERIFY(w.window->print_button()->isEnabled());
    QCOMPARE(w.tab->speed_label()->text(), QStringLiteral("x0.0"));
    QCOMPARE(w.tab->cdb_label()->text(), QStringLiteral("be 00 00 00 00 00 00 00 0a 10 00 00 "));
    QSignalSpy spy(w.tab, &MeasureTab::MeasureFinished);
    w.window->exec_button()->click();
    QCOMPARE(w.window->exec_button()->text(), QStringLiteral("Cancel(&E)"));
    QVERIFY(!w.tab->progress_bar()->isHidden());
    QVERIFY(spy.wait(kWholeDiscGuardMs));
    QCOMPARE(w.window->exec_button()->text(), QStringLiteral("Start(&E)"));
    QVERIFY(w.tab->progress_bar()->isHidden());
    // 30600 audio blocks of 2352 bytes at 600 a second.
    QCOMPARE(w.tab->start_box()->text(), QStringLiteral("0"));
    QCOMPARE(w.tab->last_box()->text(), QStringLiteral("30599"));
    QCOMPARE(w.tab->status_label()->text(), QStringLiteral("平均"));
    QCOMPARE(w.tab->speed_label()->text(), QStringLiteral("x7.8"));
    QCOMPARE(w.tab->rotation_label()->text(), QStringLiteral("Rotation: CLV x8.0"));
    QCOMPARE(w.tab->model_label()->text(), QStringLiteral("KESTREL  CDV-4800 Virtual"));
    QTRY_COMPARE(w.window->status_label()->text(),
                 QStringLiteral("x7.8 speed(71971200 Bytes/52 Sec)"));
    const SpeedRecord& record = w.tab->graph()->record();
    QCOMPARE(record.samples.size(), std::size_t{52});
    QCOMPARE(record.block_size, 2352);
    QCOMPARE(record.scale, 0);  // x8 stays below the top of the graph

    // Hex input rewrites the fields; the spin steps the block count.
    w.window->command_tab()->hex_input_box()->setChecked(true);
    QCOMPARE(w.tab->last_box()->text(), QStringLiteral("7787"));
    for (int i = 0; i < 6; ++i) w.tab->up_button()->click();
    QCOMPARE(w.tab->block_count_box()->text(), QStringLiteral("10"));  // sixteen
    QCOMPARE(w.tab->block_count(), 16);
    w.window->SaveSettingsNow();
    QCOMPARE(w.window->settings().msr_block_length, 16);
  }

  void LeavingTheTabStopsARunAndAZeroCountIsRefused() {
    Window w("emu:type13?speed=cav48");
    QSignalSpy spy(w.tab, &MeasureTab::MeasureFinished);
    w.window->exec_button()->click();
    w.window->tabs()->setCurrentIndex(kTabCommand);
    QVERIFY(spy.wait(kWholeDiscGuardMs));
    QVERIFY(!w.tab->running());
    QVERIFY(w.tab->graph()->record().samples.size() < 100);  // far from the whole disc
    QVERIFY(!w.window->print_button()->isEnabled());

    w.window->tabs()->setCurrentIndex(kTabMeasure);
    w.tab->block_count_box()->setText(QStringLiteral("1"));
    w.tab->down_button()->click();
    w.tab->down_button()->click();  // stops at 0
    QCOMPARE(w.tab->block_count(), 0);
    QVERIFY(w.RunAndWait());
    QCOMPARE(*w.messages.texts,
             QStringList{QStringLiteral("転送ﾌﾞﾛｯｸ長は1から65535までにしてください")});
  }

  void AStoredRecordShowsItsAverageAndPrintsToPdf() {
    Window w("emu:audio?speed=clv8");
    SpeedRecord r;
    r.block_size = 2048;
    r.model = "KESTREL  CDV-4800";
    r.samples = {75, 150};
    w.tab->ShowRecord(r);
    QCOMPARE(w.tab->speed_label()->text(), QStringLiteral("x1.5"));
    QCOMPARE(w.tab->status_label()->text(), QStringLiteral("平均"));

    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(600);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("measure.pdf")));
    w.tab->PrintTo(printer);
    QFile pdf(dir.filePath(QStringLiteral("measure.pdf")));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(pdf.size() > 1000);
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::MeasureTabTest)
#include "measure_tab_test.moc"
