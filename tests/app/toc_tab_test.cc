#include "app/window_bench.h"

namespace tamarack::app {

namespace {

// A window on one virtual drive, the Toc tab shown.
struct Bench : testing::WindowBench {
  explicit Bench(const std::string& id)
      : WindowBench({id}, kTabToc), tab(qobject_cast<TocTab*>(window->tabs()->widget(kTabToc))) {}
  QStringList Titles() const {
    QStringList t;
    for (int i = 0; i < tab->toc_list()->columnCount(); ++i) {
      t << tab->toc_list()->headerItem()->text(i);
    }
    return t;
  }
  QTreeWidgetItem* Row(int i) const { return tab->toc_list()->topLevelItem(i); }
  TocTab* tab;
};

}  // namespace

class TocTabTest : public QObject {
  Q_OBJECT

 private slots:
  void TrackViewAfterExec() {
    Bench b("emu:multisession?speed=max");
    QVERIFY(b.tab);
    QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Read(&E)"));
    QCOMPARE(b.Titles(),
             (QStringList{"Track No.", "ADR", "CTL", "MSF     ", "LBA              ", "Comment"}));
    // The rows' texts are the core's (tests/data/decode/type30_track_view.txt and others).
    b.window->exec_button()->click();
    QCOMPARE(b.tab->toc_list()->topLevelItemCount(), 5);
    QCOMPARE(b.Row(4)->text(5), QStringLiteral("Lead Out"));
    QCOMPARE(b.tab->text_box()->toPlainText(),
             QStringLiteral("TOC Data Length=42(002ah)\nFirst Track No.=1  Last Track No.=4"));
    QVERIFY(!b.tab->last_data().empty());
    // A click in the track view explains nothing.
    b.tab->toc_list()->itemClicked(b.Row(0), 0);
    QCOMPARE(b.tab->text_box()->toPlainText().left(16), QStringLiteral("TOC Data Length="));
  }

  void FullTocViewAndRowExplanation() {
    Bench b("emu:multisession?speed=max");
    b.window->exec_button()->click();
    QVERIFY(b.tab->toc_list()->topLevelItemCount() > 0);
    // The check box rebuilds the columns and empties the list and the text box.
    b.tab->full_toc_box()->click();
    QCOMPARE(b.Titles(), (QStringList{"Sess", "ADR", "CTL", "TNO", "Point", "Min Sec Frm Zero",
                                      "PMn PSc PFm", "Comment"}));
    QCOMPARE(b.tab->toc_list()->topLevelItemCount(), 0);
    QVERIFY(b.tab->text_box()->toPlainText().isEmpty());
    b.window->exec_button()->click();
    QCOMPARE(b.tab->toc_list()->topLevelItemCount(), 12);
    QTreeWidgetItem* b0 = nullptr;
    for (int i = 0; i < 12; ++i) {
      if (b.Row(i)->text(4) == QStringLiteral("b0")) b0 = b.Row(i);
    }
    QVERIFY(b0);
    b.tab->toc_list()->itemClicked(b0, 0);
    QVERIFY(b.tab->text_box()->toPlainText().startsWith(
        QStringLiteral("04:51:00(mm:ss:ff) Start time of next possible program area\n")));
    // Back to the track view.
    b.tab->full_toc_box()->click();
    QCOMPARE(b.Titles().size(), 6);
  }

  void NoDiscLeavesOnlyTheColumns() {
    Bench b("emu:audio?speed=max&nomedium");
    b.window->exec_button()->click();
    QCOMPARE(b.tab->toc_list()->topLevelItemCount(), 0);
    QCOMPARE(b.Titles().size(), 6);
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::TocTabTest)
#include "toc_tab_test.moc"
