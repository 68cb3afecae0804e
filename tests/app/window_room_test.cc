// The window on a short screen and with long ids: the Command form keeps what its command is
// about in view beside a result, a long drive id is shortened in the middle and whole on
// hovering.
#include "app/window_bench.h"

namespace tamarack::app {

class WindowRoomTest : public QObject {
  Q_OBJECT

 private slots:
  // At the minimum size and at the height a window manager's title bar leaves on a 600-pixel
  // screen, after a Mode Sense(10) result the page editor's tabs are inside the form's view,
  // and after a Read(10) result the LBA box is.
  void TheFormKeepsItsKeyRowsInViewBesideAResult() {
    const struct {
      const char* command;
      const char* key;  // the object name of the row that must stay in view
    } kCases[] = {{"5ah Mode Sense(10)", "modePageTabs"}, {"28h Read(10)", nullptr}};
    for (const int height : {600, 575}) {
      for (const auto& c : kCases) {
        testing::WindowBench b({"emu:type13?speed=max"});
        MainWindow& w = *b.window;
        w.setMinimumSize(750, height);
        QVERIFY(b.Show({750, height}));
        b.Select(QString::fromUtf8(c.command));
        QVERIFY(b.RunAndWait());
        const auto* scroll = w.findChild<QScrollArea*>(QStringLiteral("commandScroll"));
        QWidget* key = c.key ? w.findChild<QWidget*>(QString::fromUtf8(c.key))
                             : b.Box("Logical Block Address");
        QVERIFY(scroll && key);
        // Settled: the fit runs once the result's views have taken their room, in the view
        // as it is then.
        QTRY_VERIFY2(scroll->viewport()->rect().contains(QRect(
                         key->mapTo(scroll->viewport(), QPoint(0, 0)), QSize(1, key->height()))),
                     qPrintable(QStringLiteral("%1 at %2").arg(c.command).arg(height)));
        // The results keep their lines too.
        const QAbstractScrollArea* box =
            w.command_tab()->decoded_box()->isVisible()
                ? static_cast<QAbstractScrollArea*>(w.command_tab()->decoded_box())
                : w.command_tab()->dump_box();
        QVERIFY(box->viewport()->height() / box->fontMetrics().lineSpacing() >= 8);
      }
    }
  }

  // The drive box stays as wide as for a short id; the long one shows its start and its end,
  // and the whole of it on hovering, in the box and in its list.
  void ALongDriveIdIsShortenedInTheMiddle() {
    const std::string long_id =
        "emu:type13?speed=max&bad=100-200&flaky=300-400&corrupt=500-600&short=700";
    testing::WindowBench b({"emu:type13", long_id});
    QVERIFY(b.Show({750, 600}));
    MainWindow& w = *b.window;
    QComboBox* box = w.drive_box();
    const int index = box->findText(QString::fromStdString(long_id));
    QVERIFY(index >= 0);
    const int short_width = box->width();
    box->setCurrentIndex(index);
    QCOMPARE(box->width(), short_width);
    QCOMPARE(box->toolTip(), QString::fromStdString(long_id));
    QCOMPARE(box->itemData(index, Qt::ToolTipRole).toString(), QString::fromStdString(long_id));
    QVERIFY(box->fontMetrics().horizontalAdvance(box->currentText()) > box->width());
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::WindowRoomTest)
#include "window_room_test.moc"
