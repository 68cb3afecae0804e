// The window side of the decoded replies: the Properties tab and the start position row's
// quick-set buttons and track box, on virtual drives.
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

// Every row of a list, its cells joined by " | ", one row a line; with `header`, the column
// titles first.
QString ListText(QTreeWidget* list, bool header = false) {
  QStringList lines;
  if (header) {
    QStringList titles;
    for (int c = 0; c < list->columnCount(); ++c) titles << list->headerItem()->text(c);
    lines << titles.join(QStringLiteral(" | "));
  }
  for (int r = 0; r < list->topLevelItemCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < list->columnCount(); ++c) cells << list->topLevelItem(r)->text(c);
    lines << cells.join(QStringLiteral(" | "));
  }
  return lines.join(QLatin1Char('\n'));
}

// What the Command tab shows of the modern drive's replies, one text per command: the lists
// and boxes whose length comes from the reply (feature list, Inquiry list, Mode Sense dump,
// the Read(10) dump, the TOC list).
struct CommandTabTexts {
  QString configuration, inquiry, mode_sense, read, toc, test_unit_ready;
  std::string Text() const {
    return (QStringList{configuration, inquiry, mode_sense, read, toc, test_unit_ready})
        .join(QStringLiteral("\n====\n"))
        .toStdString();
  }
};

CommandTabTexts RunModernCommands(const std::string& resid) {
  CommandTabTexts t;
  testing::WindowBench b({"emu:type13?speed=max&model=modern&resid=" + resid}, kTabCommand);
  CommandTab* tab = b.command_tab();
  b.Select(QStringLiteral("46h Get Configuration"));
  if (!b.RunAndWait()) return t;
  t.configuration = ListText(tab->result_list());
  b.Select(QStringLiteral("12h Inquiry"));
  if (!b.RunAndWait()) return t;
  t.inquiry = ListText(tab->result_list());
  b.Select(QStringLiteral("5ah Mode Sense(10)"));
  QListWidget* pages = tab->mode_page_editor()->page_list();
  emit pages->itemClicked(pages->item(0));  // 3Fh: every page
  if (!b.RunAndWait()) return t;
  t.mode_sense = tab->decoded_box()->toPlainText();
  b.Select(QStringLiteral("28h Read(10)"));
  const auto& fields = tab->console().fields();
  std::size_t field = 0;
  while (field < fields.size() && std::string_view(fields[field].label) != "Transfer Length") {
    ++field;
  }
  auto* length = qobject_cast<QLineEdit*>(tab->form_view()->FieldWidget(field));
  if (length == nullptr) return t;
  length->selectAll();
  QTest::keyClick(length, Qt::Key_Delete);
  QTest::keyClicks(length, QStringLiteral("2"));
  if (!b.RunAndWait()) return t;
  t.read = tab->dump_box()->toPlainText();
  b.Select(QStringLiteral("43h Read Toc"));
  if (!b.RunAndWait()) return t;
  t.toc = ListText(tab->result_list());
  b.Select(QStringLiteral("00h Test Unit Ready"));
  if (!b.RunAndWait()) return t;
  t.test_unit_ready = tab->decoded_box()->toPlainText();
  return t;
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
    Bench b({"emu:type13?speed=max&resid=" + resid.toStdString()});
    PropertiesTab* tab = b.Properties();
    QVERIFY(tab);
    QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Get(&E)"));
    QSignalSpy read(tab, &PropertiesTab::PropertiesRead);
    b.window->exec_button()->click();
    QCOMPARE(read.count(), 1);
    // The three lists with their column titles, the same on every path.
    const QString lists = ListText(tab->inquiry_list(), true) + QStringLiteral("\n====\n") +
                          ListText(tab->feature_list(), true) + QStringLiteral("\n====\n") +
                          ListText(tab->capability_list(), true);
    QVERIFY(testing::MatchesGolden("properties_tab.txt", lists.toStdString()));
    QVERIFY(!tab->inquiry_list()->topLevelItem(1)->icon(0).isNull());
    QVERIFY(!tab->capability_list()->topLevelItem(0)->icon(0).isNull());
    QVERIFY(tab->identity().has_value());
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

  // The modern drive through the Command tab: what each command shows is the reply the drive
  // sent, the same on every path the reply can take (one golden file for all).
  void ModernDriveOnTheCommandTab_data() { ResidModes(); }
  void ModernDriveOnTheCommandTab() {
    QFETCH(QString, resid);
    // Every descriptor the drive sent, each where it lies, the unknown ones by their heading;
    // Mode Sense: the header's 174 bytes (its block descriptor of 8 and the pages), never a
    // padded or zeroed tail; Read(10) of two blocks: 2 x 2048 bytes, not the buffer's 2 x 2656.
    QVERIFY(testing::MatchesGolden("modern_command_tab.txt",
                                   RunModernCommands(resid.toStdString()).Text()));
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
