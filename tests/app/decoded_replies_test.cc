// The window side of the decoded replies: the Properties tab and the start position row's
// quick-set buttons and track box, on virtual drives.
#include "app/window_bench.h"

namespace tamarack::app {

namespace {

// What the Command tab shows of the modern drive's replies, one text per command, "===="
// between: the lists and boxes whose length comes from the reply (feature list, Inquiry list,
// Mode Sense of every page, the Read(10) dump of two blocks, the TOC list, Test Unit Ready).
std::string RunModernCommands(const std::string& resid) {
  testing::WindowBench b({"emu:type13?speed=max&model=modern&resid=" + resid}, kTabCommand);
  CommandTab* tab = b.command_tab();
  QStringList texts;
  const auto run = [&b](const char* entry) {
    b.Select(QString::fromUtf8(entry));
    return b.RunAndWait();
  };
  if (run("46h Get Configuration")) texts << testing::ListText(tab->result_list());
  if (run("12h Inquiry")) texts << testing::ListText(tab->result_list());
  b.Select(QStringLiteral("5ah Mode Sense(10)"));
  QListWidget* pages = tab->mode_page_editor()->page_list();
  emit pages->itemClicked(pages->item(0));  // 3Fh: every page
  if (b.RunAndWait()) texts << tab->decoded_box()->toPlainText();
  b.Select(QStringLiteral("28h Read(10)"));
  b.Type("Transfer Length", QStringLiteral("2"));
  if (b.RunAndWait()) texts << tab->dump_box()->toPlainText();
  if (run("43h Read Toc")) texts << testing::ListText(tab->result_list());
  if (run("00h Test Unit Ready")) texts << tab->decoded_box()->toPlainText();
  return texts.join(QStringLiteral("\n====\n")).toStdString();
}

}  // namespace

class DecodedRepliesTest : public QObject {
  Q_OBJECT

  // The four ways a path delivers replies (the virtual drive's resid= option) as test data.
  static void ResidModes() {
    QTest::addColumn<QString>("resid");
    for (const char* mode : {"exact", "none", "zero", "pad"}) {
      QTest::newRow(mode) << QString::fromLatin1(mode);
    }
  }

 private slots:
  void PropertiesTabFillsItsThreeLists_data() { ResidModes(); }
  void PropertiesTabFillsItsThreeLists() {
    QFETCH(QString, resid);
    testing::WindowBench b({"emu:type13?speed=max&resid=" + resid.toStdString()}, kTabProperties);
    auto* tab = qobject_cast<PropertiesTab*>(b.window->tabs()->widget(kTabProperties));
    QVERIFY(tab);
    QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Get(&E)"));
    QSignalSpy read(tab, &PropertiesTab::PropertiesRead);
    b.window->exec_button()->click();
    QCOMPARE(read.count(), 1);
    // The three lists with their column titles, the same on every path.
    const QString lists =
        testing::ListText(tab->inquiry_list(), true) + QStringLiteral("\n====\n") +
        testing::ListText(tab->feature_list(), true) + QStringLiteral("\n====\n") +
        testing::ListText(tab->capability_list(), true);
    QVERIFY(testing::MatchesGolden("properties_tab.txt", lists.toStdString()));
    QVERIFY(!tab->inquiry_list()->topLevelItem(1)->icon(0).isNull());
    QVERIFY(!tab->capability_list()->topLevelItem(0)->icon(0).isNull());
    QVERIFY(tab->identity().has_value());
  }

  // The modern drive through the Command tab: what each command shows is the reply the drive
  // sent, the same on every path the reply can take (one golden file for all).
  void ModernDriveOnTheCommandTab_data() { ResidModes(); }
  void ModernDriveOnTheCommandTab() {
    QFETCH(QString, resid);
    // Every descriptor the drive sent, each where it lies, the unknown ones by their heading;
    // Mode Sense: the header's 174 bytes (its block descriptor of 8 and the pages), never a
    // padded or zeroed tail; Read(10) of two blocks: 2 x 2048 bytes, not the buffer's 2 x 2656.
    QVERIFY(
        testing::MatchesGolden("modern_command_tab.txt", RunModernCommands(resid.toStdString())));
  }

  // The start position row beside the commands that take an address: the 23-track disc's
  // track box, a quick-set button and "last" (which reads the capacity here; what each button
  // does is tests/decode/start_position_test's), a track picked for Read(10) (its start into the
  // box and the CDB at once) and for Play Audio MSF (the third track ends one frame before the
  // fourth: 9000 + 150 = 02:02:00 to 13499 + 150 = 03:01:74): quick_set.txt.
  void QuickSetButtonsAndTrackBox() {
    testing::WindowBench b({"emu:type30?speed=max"});
    CommandTab* tab = b.window->command_tab();
    StartPositionBar* bar = tab->start_position_bar();
    testing::Transcript t;
    b.Select(QStringLiteral("bbh Set CD Speed"));
    t.Step("bbh Set CD Speed")("bar", !bar->isHidden());
    b.Select(QStringLiteral("28h Read(10)"));
    QStringList tracks;
    for (int i = 0; i < bar->track_box()->count(); ++i) tracks << bar->track_box()->itemText(i);
    t.Step("28h Read(10)")("bar", !bar->isHidden())("tracks", tracks);
    bar->button(QuickSet::kForward)->click();
    bar->button(QuickSet::kForward)->click();
    t.Step("forward twice")("cdb", tab->cdb_box()->text());
    bar->button(QuickSet::kLast)->click();
    t.Step("last")("cdb", tab->cdb_box()->text());
    bar->track_box()->setCurrentIndex(2);
    emit bar->track_box()->activated(2);
    auto* box = qobject_cast<QLineEdit*>(tab->form_view()->FieldWidget(3));
    QVERIFY(box);
    t.Step("third track")("cdb", tab->cdb_box()->text())("address", box->text());
    b.Select(QStringLiteral("47h Play Audio MSF"));
    emit bar->track_box()->activated(2);
    t.Step("47h Play Audio MSF, third track")("bar", !bar->isHidden());
    t("cdb", tab->cdb_box()->text());
    t.Expect("quick_set.txt");
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::DecodedRepliesTest)
#include "decoded_replies_test.moc"
