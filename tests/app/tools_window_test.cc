// The Toc tab (its views, its track test buttons) and the Tools dialog, in the whole window
// against the virtual drives on the offscreen platform.
#include "app/window_bench.h"

namespace tamarack::app {

namespace {

// A window on the virtual drive `id`, with a settings file holding `settings` when given.
struct Bench : testing::WindowBench {
  explicit Bench(const std::string& id, const std::string& settings = {})
      : WindowBench({id}, testing::kOpenLater) {
    if (!settings.empty()) Settings(settings);
    Open(kTabToc);
    toc = qobject_cast<TocTab*>(window->tabs()->widget(kTabToc));
  }
  QPushButton* ToolButton() const {
    return window->findChild<QPushButton*>(QStringLiteral("toolButton"));
  }
  ToolsDialog* Tools() const { return window->findChild<ToolsDialog*>(); }
  QStringList Titles() const {
    QStringList t;
    for (int i = 0; i < toc->toc_list()->columnCount(); ++i) {
      t << toc->toc_list()->headerItem()->text(i);
    }
    return t;
  }
  QTreeWidgetItem* Row(int i) const { return toc->toc_list()->topLevelItem(i); }
  QStringList MessageTexts() const {
    QStringList texts;
    for (QMessageBox* box : window->findChildren<QMessageBox*>(QStringLiteral("jobMessage"))) {
      texts << box->text();
    }
    return texts;
  }
  TocTab* toc = nullptr;
};

// The list with its column titles and the text box.
void Shot(testing::Transcript& t, const Bench& b, const char* step) {
  t.Step(QString::fromUtf8(step))("list", testing::ListText(b.toc->toc_list(), true));
  t("text", b.toc->text_box()->toPlainText());
}

}  // namespace

class ToolsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // The track view after Exec, where a click explains nothing; the full view's check box
  // rebuilding the columns and emptying the list and the text, then its rows after Exec with
  // the b0 row explained; back to the track view: toc_tab.txt. (The rows' texts are the
  // core's: tests/data/decode/type30_track_view.txt and others.)
  void TrackAndFullViewsAndTheRowExplanation() {
    Bench b("emu:multisession?speed=max");
    QVERIFY(b.toc);
    testing::Transcript t;
    t("exec", b.window->exec_button()->text());
    b.window->exec_button()->click();
    Shot(t, b, "track view");
    QVERIFY(!b.toc->last_data().empty());
    b.toc->toc_list()->itemClicked(b.Row(0), 0);
    t("text after a click", b.toc->text_box()->toPlainText());
    b.toc->full_toc_box()->click();
    Shot(t, b, "full view");
    b.window->exec_button()->click();
    Shot(t, b, "full view after Exec");
    QTreeWidgetItem* b0 = nullptr;
    for (int i = 0; i < b.toc->toc_list()->topLevelItemCount(); ++i) {
      if (b.Row(i)->text(4) == QStringLiteral("b0")) b0 = b.Row(i);
    }
    QVERIFY(b0);
    b.toc->toc_list()->itemClicked(b0, 0);
    t("text after a click on b0", b.toc->text_box()->toPlainText());
    b.toc->full_toc_box()->click();
    t.Step("track view again")("columns", b.Titles());
    t.Expect("toc_tab.txt");
  }

  void NoDiscLeavesOnlyTheColumns() {
    Bench b("emu:audio?speed=max&nomedium");
    b.window->exec_button()->click();
    QCOMPARE(b.toc->toc_list()->topLevelItemCount(), 0);
    QCOMPARE(b.Titles().size(), 6);
  }

  void TrackTestFromItsButton() {
    Bench b("emu:type30?speed=max&formless=0");
    QVERIFY(b.toc);
    QPushButton* button = b.toc->track_test_button(TrackTestKind::kType30Normal);
    button->click();
    QVERIFY(b.toc->track_test_running());
    QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Cancel(&E)"));
    QTRY_VERIFY(!b.toc->track_test_running());
    QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Read(&E)"));
    QListWidget* list = b.toc->test_results();
    QCOMPARE(list->count(), 91);
    QCOMPARE(list->currentRow(), 90);  // the newest line stays selected
    QVERIFY(list->item(1)->text().startsWith(QStringLiteral("***Track  1 Ng User Data")));
    QCOMPARE(b.MessageTexts(), QStringList{QStringLiteral("Finished")});
    // The next test clears the list first; this disc is not its test disc.
    b.toc->track_test_button(TrackTestKind::kType13)->click();
    QCOMPARE(list->count(), 0);
    QTRY_VERIFY(!b.toc->track_test_running());
    QCOMPARE(list->count(), 0);
    QVERIFY(b.MessageTexts().contains(QStringLiteral("Toc Information Ng")));
  }

  void ExecCancelsARunningTest() {
    Bench b("emu:type13?speed=clv1");  // slow enough to be caught running
    b.toc->track_test_button(TrackTestKind::kType13)->click();
    QVERIFY(b.toc->track_test_running());
    b.window->exec_button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!b.toc->track_test_running(), 20000);
    QCOMPARE(b.MessageTexts(), QStringList{QStringLiteral("Canceled")});
    QVERIFY(b.toc->test_results()->count() < 3);
  }

  // The Tools dialog from the tool button: its tabs, F3, two conversions, the Sub-Q check with
  // its lock and results, the dialog opened again on its tab: tools_dialog.txt.
  void ToolsDialogFromTheToolButton() {
    Bench b("emu:audio?speed=max&qcrc=200-202", "ToolLastTab=2\n");
    b.window->command_tab()->hex_input_box()->click();
    b.ToolButton()->click();
    ToolsDialog* d = b.Tools();
    QVERIFY(d);
    testing::Transcript t;
    t("title", d->windowTitle())("modal", d->isModal());
    for (int i = 0; i < d->tabs()->count(); ++i) t("tab", d->tabs()->tabText(i));
    t("current tab", d->tabs()->currentIndex());
    t("hex", d->option(kToolLbaToMsf)->isChecked());  // from the main window's hex box
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
    QTest::keyClick(d, Qt::Key_F3);
    t.Step("F3")("current tab", d->tabs()->currentIndex());
    d->input(kToolLbaToMsf)->setText(QStringLiteral("1c2"));
    d->exec_button(kToolLbaToMsf)->click();
    t.Step("LBA 1c2 to MSF")("result", d->result(kToolLbaToMsf)->text());
    d->input(kToolMsfToLba)->setText(QStringLiteral("000174"));
    d->option(kToolMsfToLba)->setChecked(true);
    d->exec_button(kToolMsfToLba)->click();
    t.Step("MSF 000174 in BCD to LBA")("result", d->result(kToolMsfToLba)->text());
    t("hint", d->hint(kToolMsfToLba)->text());
    QVERIFY(d->sense_list()->topLevelItemCount() > 100);

    // The help opens the guide's section of the tool, which the guide has.
    QUrl opened;
    d->open_url = [&opened](const QUrl& url) { opened = url; };
    d->help_button(kToolSubQCheck)->click();
    QCOMPARE(opened.fragment(), QStringLiteral("sub-q-check"));
    QFile guide(opened.toLocalFile());
    QVERIFY(guide.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(guide.readAll()).contains(QStringLiteral("\n## Sub-Q check\n")));

    // The disc check: the tab strip is locked and the button cancels while it runs.
    d->tabs()->setCurrentIndex(kToolSubQCheck);
    d->exec_button(kToolSubQCheck)->click();
    t.Step("Sub-Q check")("running", d->check_running());
    t("button", d->exec_button(kToolSubQCheck)->text())("tabs", d->tabs()->tabBar()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!d->check_running(), 20000);
    t.Step("checked")("tabs", d->tabs()->tabBar()->isEnabled());
    t("progress", !d->progress()->isHidden())("result", d->result(kToolSubQCheck)->text());
    t("copy", d->copy_line()->text())("message", d->findChild<QMessageBox*>()->text());
    t("format", d->ShowSubQFormat()->windowTitle());

    // Tool again: the open dialog goes, its tab is kept, a new one opens on it.
    QPointer<ToolsDialog> old = d;
    b.ToolButton()->click();
    QVERIFY(old.isNull());
    t.Step("tool button again")("saved tab", b.window->settings().tool_last_tab);
    t("current tab", b.Tools()->tabs()->currentIndex());
    t.Expect("tools_dialog.txt");
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::ToolsWindowTest)
#include "tools_window_test.moc"
