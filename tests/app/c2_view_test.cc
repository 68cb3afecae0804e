// The Measure tab's C2 scan: the button reaches the scan job, and its answer reaches the tab
// (the graph's errors per second, the summary lines, the button's caption). What the scan
// finds, a drive that reports no C2 pointers refused among it, is the core's (tests/measure).
#include "app/window_bench.h"

namespace tamarack::app {

namespace {

// A small Mode 1 image, so that a whole-disc scan stays short in sanitizer builds.
std::string SmallImage(const QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("c2.iso"));
  std::ofstream(path.toStdString(), std::ios::binary) << std::string(600 * 2048, '\0');
  return path.toStdString();
}

class C2ViewTest : public QObject {
  Q_OBJECT

 private slots:
  void PlantedErrorsReachTheGraph() {
    QTemporaryDir dir;
    testing::MeasureBench b("emu:" + SmallImage(dir) + "?c2=100-101:50&speed=max");
    QSignalSpy spy(b.tab, &MeasureTab::MeasureFinished);
    b.tab->c2_button()->click();
    QCOMPARE(b.tab->c2_button()->text(), QStringLiteral("停止(&P)"));
    QVERIFY(spy.wait(testing::MeasureBench::kWholeDiscGuardMs));
    QCOMPARE(b.tab->c2_button()->text(), QStringLiteral("C2ｴﾗｰ ｽｷｬﾝ"));
    QVERIFY(b.tab->c2_button()->isEnabled());
    const C2Record* shown = b.tab->graph()->c2();
    // The scan's record (what it holds is tests/measure's C2Scan) and its summary's lines, all
    // of them, in the window's language.
    QVERIFY(shown != nullptr && shown->blocks().size() == 2);
    QCOMPARE(b.tab->rotation_label()->text(),
             QString::fromStdString(
                 C2SummaryLocalText(*shown, SummarizeC2(*shown, std::nullopt), std::nullopt))
                 .trimmed());
    // The picture drawn is the scan's: its bars' colour.
    QVERIFY(b.Show({750, 600}));
    bool c2_bar = false;
    for (const Shape& shape : b.tab->graph()->Picture()) {
      std::visit([&](const auto& s) { c2_bar = c2_bar || s.color == kC2Line; }, shape);
    }
    QVERIFY(c2_bar);
    // A speed measurement afterwards takes the graph back.
    QVERIFY(b.Run());
    QVERIFY(b.tab->graph()->c2() == nullptr);
  }
};

}  // namespace

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::C2ViewTest)
#include "c2_view_test.moc"
