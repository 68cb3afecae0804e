// The Measure tab in the main window on the offscreen platform, against a virtual drive on a
// simulated clock: a run from Exec to its results and printed to PDF, Cancel by a tab change,
// the refusal of a block count of 0, a read error (a record loaded from a file is
// main_window_shell_test's).
#include "app/window_bench.h"

#include <QPrinter>

namespace tamarack::app {

namespace {

// A whole-disc run on the simulated clock is pure work: a few seconds in a release build, far
// longer in a sanitizer build on a busy machine. The guard only catches a run that never ends.
constexpr int kWholeDiscGuardMs = 600000;

// A window on the virtual drive `drive` on a simulated clock, the Measure tab shown.
struct Window : testing::WindowBench {
  explicit Window(const std::string& drive) : WindowBench({drive}, testing::kOpenLater, true) {
    config.start_drive = drive;
    config.dialog_hook = messages;
    Open(kTabMeasure);
    tab = window->measure_tab();
  }
  bool RunAndWait() {
    QSignalSpy spy(tab, &MeasureTab::MeasureFinished);
    window->exec_button()->click();
    return spy.wait(kWholeDiscGuardMs);
  }
  testing::Messages messages;
  MeasureTab* tab = nullptr;
};

// The tab's fields and labels, the shown record and the window's buttons.
void Shot(testing::Transcript& t, const Window& w, const QString& step) {
  const MeasureTab* m = w.tab;
  t.Step(step)("exec", w.window->exec_button()->text());
  t("print", w.window->print_button()->isEnabled())("progress", !m->progress_bar()->isHidden());
  t("cdb", m->cdb_label()->text())("start", m->start_box()->text());
  t("last", m->last_box()->text())("blocks", m->block_count_box()->text());
  t("status", m->status_label()->text())("speed", m->speed_label()->text());
  t("rotation", m->rotation_label()->text())("model", m->model_label()->text());
  const SpeedRecord& r = m->graph()->record();
  t("samples", r.samples.size())("block size", r.block_size)("scale", r.scale);
}

}  // namespace

class MeasureTabTest : public QObject {
  Q_OBJECT

 private slots:
  // A whole run from Exec to its results, then hex input and the block count's spin:
  // measure_run.txt (30600 audio blocks of 2352 bytes at 600 a second: x7.8 in 52 seconds,
  // below the top of the graph); the results printed to PDF.
  void ARunFromExecToItsResults() {
    Window w("emu:audio?speed=clv8");
    QCOMPARE(w.window->tabs()->widget(kTabMeasure), static_cast<QWidget*>(w.tab));
    testing::Transcript t;
    Shot(t, w, QStringLiteral("before"));
    QSignalSpy spy(w.tab, &MeasureTab::MeasureFinished);
    w.window->exec_button()->click();
    Shot(t, w, QStringLiteral("running"));
    QVERIFY(spy.wait(kWholeDiscGuardMs));
    Shot(t, w, QStringLiteral("done"));
    QTRY_COMPARE(w.window->status_label()->text(),
                 QStringLiteral("x7.8 speed(71971200 Bytes/52 Sec)"));
    w.window->command_tab()->hex_input_box()->setChecked(true);
    for (int i = 0; i < 6; ++i) w.tab->up_button()->click();
    Shot(t, w, QStringLiteral("hex input, six steps up"));
    w.window->SaveSettingsNow();
    t("block count", w.tab->block_count())("saved", w.window->settings().msr_block_length);
    t.Expect("measure_run.txt");

    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(600);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("measure.pdf")));
    w.tab->PrintTo(printer);
    QFile pdf(dir.filePath(QStringLiteral("measure.pdf")));
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-" && pdf.size() > 1000);
  }

  void LeavingTheTabStopsARunAndAZeroCountIsRefused() {
    Window w("emu:type13?speed=cav48");
    QSignalSpy spy(w.tab, &MeasureTab::MeasureFinished);
    w.window->exec_button()->click();
    w.window->tabs()->setCurrentIndex(kTabCommand);
    QVERIFY(spy.wait(kWholeDiscGuardMs));
    QVERIFY(!w.tab->running());
    QCOMPARE(w.tab->status_label()->text(), QStringLiteral("平均(途中ｷｬﾝｾﾙ)"));
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

  // A read error ends the run with its message and the average of what was read; the error
  // stays in the status line, after the summary.
  void AReadErrorStaysInTheStatusLine() {
    Window w("emu:type13?speed=clv8&bad=1234");
    QVERIFY(w.RunAndWait());
    QCOMPARE(*w.messages.texts,
             QStringList{QStringLiteral("Read ｴﾗｰが発生しました(LBA=1234)計測を中止します")});
    QCOMPARE(w.tab->status_label()->text(), QStringLiteral("平均"));
    QCOMPARE(w.tab->speed_label()->text(), QStringLiteral("x5.4"));
    QTRY_COMPARE(w.window->status_label()->text(),
                 QStringLiteral("Error Notified( UNRECOVERED READ ERROR)."));
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::MeasureTabTest)
#include "measure_tab_test.moc"
