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

// The list with its column titles and the text box.
void Shot(testing::Transcript& t, const Bench& b, const char* step) {
  t.Step(QString::fromUtf8(step))("list", testing::ListText(b.tab->toc_list(), true));
  t("text", b.tab->text_box()->toPlainText());
}

}  // namespace

class TocTabTest : public QObject {
  Q_OBJECT

 private slots:
  // The track view after Exec, where a click explains nothing; the full view's check box
  // rebuilding the columns and emptying the list and the text, then its rows after Exec with
  // the b0 row explained; back to the track view: toc_tab.txt. (The rows' texts are the
  // core's: tests/data/decode/type30_track_view.txt and others.)
  void TrackAndFullViewsAndTheRowExplanation() {
    Bench b("emu:multisession?speed=max");
    QVERIFY(b.tab);
    testing::Transcript t;
    t("exec", b.window->exec_button()->text());
    b.window->exec_button()->click();
    Shot(t, b, "track view");
    QVERIFY(!b.tab->last_data().empty());
    b.tab->toc_list()->itemClicked(b.Row(0), 0);
    t("text after a click", b.tab->text_box()->toPlainText());
    b.tab->full_toc_box()->click();
    Shot(t, b, "full view");
    b.window->exec_button()->click();
    Shot(t, b, "full view after Exec");
    QTreeWidgetItem* b0 = nullptr;
    for (int i = 0; i < b.tab->toc_list()->topLevelItemCount(); ++i) {
      if (b.Row(i)->text(4) == QStringLiteral("b0")) b0 = b.Row(i);
    }
    QVERIFY(b0);
    b.tab->toc_list()->itemClicked(b0, 0);
    t("text after a click on b0", b.tab->text_box()->toPlainText());
    b.tab->full_toc_box()->click();
    t.Step("track view again")("columns", b.Titles());
    t.Expect("toc_tab.txt");
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
