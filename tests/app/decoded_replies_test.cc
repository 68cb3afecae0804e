// The window side of the decoded replies: the Properties tab and the start position row's
// quick-set buttons and track box, on virtual drives.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest/QtTest>

#include "app/command_tab.h"
#include "app/form_view.h"
#include "app/main_window.h"
#include "app/properties_tab.h"
#include "app/start_position_bar.h"
#include "app/window_bench.h"

namespace tamarack::app {

namespace {

struct Bench : testing::WindowBench {
  explicit Bench(std::vector<std::string> ids) : WindowBench(std::move(ids), kTabProperties) {}
  PropertiesTab* Properties() const {
    return qobject_cast<PropertiesTab*>(window->tabs()->widget(kTabProperties));
  }
};

QString Cell(QTreeWidget* list, int row, int column) {
  QTreeWidgetItem* item = list->topLevelItem(row);
  return item ? item->text(column) : QStringLiteral("(none)");
}

}  // namespace

class DecodedRepliesTest : public QObject {
  Q_OBJECT

 private slots:
  void PropertiesTabFillsItsThreeLists() {
    Bench b({"emu:type13?speed=max"});
    PropertiesTab* tab = b.Properties();
    QVERIFY(tab);
    QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Get(&E)"));
    QSignalSpy read(tab, &PropertiesTab::PropertiesRead);
    b.window->exec_button()->click();
    QCOMPARE(read.count(), 1);
    QTreeWidget* inquiry = tab->inquiry_list();
    QCOMPARE(inquiry->headerItem()->text(0), QStringLiteral("Key"));
    QCOMPARE(inquiry->headerItem()->text(2), QStringLiteral("Comment"));
    QCOMPARE(inquiry->topLevelItemCount(), 24);
    QCOMPARE(Cell(inquiry, 1, 0), QStringLiteral("Peripheral device type"));
    QCOMPARE(Cell(inquiry, 1, 2), QStringLiteral("CD-ROM device"));
    QVERIFY(!inquiry->topLevelItem(1)->icon(0).isNull());
    QVERIFY(tab->identity().has_value());
    QCOMPARE(tab->feature_list()->headerItem()->text(0), QStringLiteral("Offset"));
    QCOMPARE(Cell(tab->feature_list(), 0, 1), QStringLiteral("Header"));
    QTreeWidget* caps = tab->capability_list();
    QCOMPARE(caps->headerItem()->text(1), QStringLiteral("Items"));
    QCOMPARE(caps->topLevelItemCount(), 37);
    QCOMPARE(Cell(caps, 0, 1), QStringLiteral("DVD-RAM Read"));
    QVERIFY(!caps->topLevelItem(0)->icon(0).isNull());
  }

  void PropertiesWithModeSenseRefused() {
    Bench b({"emu:type13?speed=max&refuse=5a"});
    PropertiesTab* tab = b.Properties();
    b.window->exec_button()->click();
    QCOMPARE(tab->inquiry_list()->topLevelItemCount(), 24);
    QVERIFY(tab->feature_list()->topLevelItemCount() > 3);
    QCOMPARE(tab->capability_list()->topLevelItemCount(), 1);
    QCOMPARE(Cell(tab->capability_list(), 0, 1), QStringLiteral("Not Supported"));
  }

  void QuickSetButtonsAndTrackBox() {
    Bench b({"emu:type30?speed=max"});
    b.window->tabs()->setCurrentIndex(kTabCommand);
    CommandTab* tab = b.window->command_tab();
    StartPositionBar* bar = tab->start_position_bar();
    b.Select(QStringLiteral("bbh Set CD Speed"));
    QVERIFY(bar->isHidden());
    b.Select(QStringLiteral("28h Read(10)"));
    QVERIFY(!bar->isHidden());
    QCOMPARE(bar->track_box()->count(), 23);
    QCOMPARE(bar->track_box()->itemText(1), QStringLiteral("ﾄﾗｯｸ2 (4500)"));
    bar->button(QuickSet::kForward)->click();
    bar->button(QuickSet::kForward)->click();
    QCOMPARE(tab->cdb_box()->text(), QStringLiteral("28 00 00 00 00 02 00 00 00 00 00 00 "));
    bar->button(QuickSet::kFirst)->click();
    QCOMPARE(tab->cdb_box()->text(), QStringLiteral("28 00 00 00 00 00 00 00 00 00 00 00 "));
    bar->button(QuickSet::kLast)->click();
    QCOMPARE(tab->cdb_box()->text().left(18), QStringLiteral("28 00 00 01 27 4f "));
    // The third track: its start goes into the box and the CDB at once.
    bar->track_box()->setCurrentIndex(2);
    emit bar->track_box()->activated(2);
    QCOMPARE(tab->cdb_box()->text(), QStringLiteral("28 00 00 00 23 28 00 00 00 00 00 00 "));
    auto* box = qobject_cast<QLineEdit*>(tab->form_view()->FieldWidget(3));
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("9000"));

    // Play Audio MSF: the third track ends one frame before the fourth.
    b.Select(QStringLiteral("47h Play Audio MSF"));
    QVERIFY(!bar->isHidden());
    emit bar->track_box()->activated(2);
    // 9000 + 150 = 02:02:00; 13499 + 150 = 03:01:74.
    QCOMPARE(tab->cdb_box()->text(), QStringLiteral("47 00 00 02 02 00 03 01 4a 00 00 00 "));
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::DecodedRepliesTest)
#include "decoded_replies_test.moc"
