// The Command tab (list, form, CDB line, replies, sense dialog, user slots, mode page editor,
// start position row) and the Properties tab, the modern drive's replies on every reply path.
#include "app/window_bench.h"

namespace tamarack::app {

namespace {

// A window on a data disc and a drive without a medium; the Command tab and its page editor.
struct Bench : testing::WindowBench {
  Bench()
      : WindowBench({"emu:type13?speed=max", "emu:type13?speed=max&nomedium"}),
        tab(command_tab()),
        editor(tab->mode_page_editor()) {}
  void ClickPage(int row) {
    QListWidget* list = editor->page_list();
    emit list->itemClicked(list->item(row));
  }
  void SelectTab(const QString& label) {
    QVERIFY2(Tabs().contains(label), qPrintable(label));
    editor->tab_bar()->setCurrentIndex(static_cast<int>(Tabs().indexOf(label)));
  }
  // The mode page editor's field `label`, null for none.
  QWidget* PageField(const char* label) const {
    const auto i = FieldOfLabel(editor->editor().fields(), label);
    return i ? editor->form_view()->FieldWidget(*i) : nullptr;
  }
  QStringList Tabs() const {
    QStringList t;
    for (int i = 0; i < editor->tab_bar()->count(); ++i) t << editor->tab_bar()->tabText(i);
    return t;
  }
  CommandTab* tab;
  ModePageEditorWidget* editor;
};

// The editor's page list, tabs, dump and buttons, and the Command tab's CDB line.
void Shot(testing::Transcript& t, const Bench& b, const QString& step) {
  QStringList pages;
  for (int i = 0; i < b.editor->page_list()->count(); ++i)
    pages << b.editor->page_list()->item(i)->text();
  t.Step(step)("editor", !b.editor->isHidden())("pages", pages)("tabs", b.Tabs());
  t("current tab", b.editor->tab_bar()->currentIndex())("copy",
                                                        b.editor->copy_button()->isEnabled());
  const QPlainTextEdit* dump = b.editor->page_dump_box();
  t("page dump", dump->isHidden() ? QStringLiteral("hidden") : dump->toPlainText());
  testing::CdbShot(t, b.tab);
}

// What the Command tab shows of the modern drive's replies whose length comes from the reply
// (features, Inquiry, Mode Sense of every page, Read(10) of two blocks, TOC, Test Unit Ready).
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

class CommandTabTest : public QObject {
  Q_OBJECT

  // The four ways a path delivers replies (the virtual drive's resid= option) as test data.
  static void ResidModes() {
    QTest::addColumn<QString>("resid");
    for (const char* mode : {"exact", "none", "zero", "pad"}) {
      QTest::newRow(mode) << QString::fromLatin1(mode);
    }
  }

 private slots:
  // The list kind tabs and the catalogue in each of their orders (by opcode; byte-wise by
  // name, blank before hyphen; the user slots): command_list.txt, the orders' only check.
  void ListsTheCatalogueInItsThreeOrders() {
    Bench b;
    QStringList text;
    for (int kind = 0; kind < b.tab->list_kind_bar()->count(); ++kind) {
      b.tab->list_kind_bar()->setCurrentIndex(kind);
      text << QStringLiteral("== ") + b.tab->list_kind_bar()->tabText(kind);
      for (int i = 0; i < b.tab->command_list()->count(); ++i) {
        text << b.tab->command_list()->item(i)->text();
      }
    }
    QVERIFY(testing::MatchesGolden("command_list.txt", text.join(QLatin1Char('\n')).toStdString()));
  }

  // A command without parameters, then the Control Byte row typed into, stepped by its spin
  // button and shown in hex: command_form.txt.
  void SelectionBuildsTheFormAndTheCdbLine() {
    Bench b;
    testing::Transcript t;
    b.Select(QStringLiteral("03h Request Sense"));
    t.Step("03h Request Sense");
    t("no parameter", !!b.tab->form_view()->findChild<QLabel*>(QStringLiteral("noParameter")));
    testing::CdbShot(t, b.tab);
    // The Control Byte row: a number box with its spin buttons, and hex input shown.
    b.SetOptions([](Options& o) { o.control_byte_row = true; });
    b.Select(QStringLiteral("00h Test Unit Ready"));
    QLineEdit* box = b.Box("Control Byte");
    QVERIFY(box);
    b.Type("Control Byte", QStringLiteral("200"));
    testing::CdbShot(t.Step("00h Test Unit Ready, Control Byte 200"), b.tab);
    qobject_cast<QToolButton*>(b.tab->form_view()->SpinButton(b.Field("Control Byte"), true))
        ->click();
    t.Step("spin up")("control byte", box->text());
    b.tab->hex_input_box()->click();
    t.Step("hex input")("control byte", box->text());
    testing::CdbShot(t, b.tab);
    t.Expect("command_form.txt");
  }

  // Read(10) of more than 100 blocks and a typo in the edited CDB box are refused with their
  // message and send nothing (the typed text kept, the cursor at the typo); Read(10) edited to
  // LBA 16, one block, dumps its 2048 bytes; the edited box is what is sent (a single digit a
  // byte of its own), shown back in its normal form: refusals.txt.
  void RefusalsSendNothingAndTheEditedBoxIsSent() {
    Bench b;
    testing::Messages messages;
    b.tab->dialog_hook = messages;
    testing::Transcript t;
    const auto shot = [&](const char* step) {
      const Cdb& sent = b.tab->console().last_sent_cdb();
      t.Step(QString::fromUtf8(step))("messages", *messages.texts);
      t("running", b.tab->command_running());
      t("last sent", b.tab->console().has_sent() ? HexBytes(sent) : std::string("-"));
      testing::CdbShot(t, b.tab);
      t("cursor", b.tab->cdb_box()->cursorPosition());
      t("decoded", b.tab->decoded_box()->toPlainText());
      messages.texts->clear();
    };
    b.Select(QStringLiteral("28h Read(10)"));
    b.Type("Transfer Length", QStringLiteral("101"));
    b.window->exec_button()->click();
    shot("Read(10) of 101 blocks");
    b.Type("Logical Block Address", QStringLiteral("16"));
    b.Type("Transfer Length", QStringLiteral("1"));
    QVERIFY(b.RunAndWait());
    const QString dump = b.tab->dump_box()->toPlainText();
    shot("Read(10) of LBA 16, one block");
    t("dump lines", dump.count(QLatin1Char('\n')))("first", dump.section(QLatin1Char('\n'), 0, 0));
    t("header", b.tab->dump_header()->text())("status", b.window->status_label()->text());

    b.Select(QStringLiteral("00h Test Unit Ready"));
    b.tab->edit_button()->click();
    b.tab->cdb_box()->setText(QStringLiteral("25 0g 00"));
    b.window->exec_button()->click();
    shot("typed 25 0g 00");
    b.tab->cdb_box()->setText(QStringLiteral("25 0 0 0 0 0 0 0 1"));
    QVERIFY(b.RunAndWait());
    shot("typed 25 0 0 0 0 0 0 0 1");
    t.Expect("refusals.txt");
  }

  // Test Unit Ready without a medium, then Request Sense: the sense dialog of each and what
  // the tab shows: sense_dialog.txt.
  void TheSenseDialogAfterACheckConditionAndAfterRequestSense() {
    Bench b;
    testing::Transcript t;
    b.tab->dialog_hook = [&t](QDialog* d) {
      auto* sense = qobject_cast<RequestSenseDialog*>(d);
      if (!sense) return d->accept();
      t("title", sense->windowTitle())("key", sense->key_box()->text());
      t("asc", sense->asc_box()->text())("message", sense->message_label()->text());
      t("bold", sense->message_label()->font().bold())("heading", sense->heading_label()->text());
      sense->close_button()->click();
    };
    b.window->drive_box()->setCurrentIndex(1);  // no medium
    b.Select(QStringLiteral("00h Test Unit Ready"));
    t.Step("00h Test Unit Ready, no medium");
    QVERIFY(b.RunAndWait());
    t("decoded", b.tab->decoded_box()->toPlainText());
    QTRY_VERIFY(b.window->status_label()->text().startsWith(
        QStringLiteral("Error Notified( MEDIUM NOT PRESENT")));
    b.window->drive_box()->setCurrentIndex(0);
    b.Select(QStringLiteral("03h Request Sense"));
    t.Step("03h Request Sense");
    QVERIFY(b.RunAndWait());
    t("decoded", b.tab->decoded_box()->toPlainText());
    t.Expect("sense_dialog.txt");
  }

  // A user slot renamed, its CDB typed in hex (the focus moving on after two digits), a data-in
  // length enabled by the transfer type, the command sent: user_slot.txt.
  void UserSlotsAreRenamedTypedAndSent() {
    Bench b;
    b.window->show();
    QVERIFY(QTest::qWaitForWindowActive(b.window.get()));
    b.tab->SetListKind(ListKind::kUser);
    testing::Transcript t;
    b.tab->dialog_hook = [&t](QDialog* d) {
      auto* name = d->findChild<QLineEdit*>(QStringLiteral("commandName"));
      QVERIFY(name);
      t("dialog", d->windowTitle())("name", name->text())("longest", name->maxLength());
      name->setText(QStringLiteral("My Inquiry"));
      d->accept();
    };
    b.tab->SelectListEntry(0, true);
    t("first entry", b.tab->command_list()->item(0)->text());
    b.tab->dialog_hook = nullptr;

    b.tab->SelectListEntry(0, false);
    t("hex input", b.tab->hex_input_box()->isChecked());
    QLineEdit* b0 = b.Box(" 00");
    b0->setFocus();
    QTest::keyClicks(b0, QStringLiteral("12"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(b.Box(" 01")));
    t("first entry", b.tab->command_list()->item(0)->text());
    t("slot 26", b.tab->console().catalogue().Name(26));
    b.Type(" 04", QStringLiteral("24"));
    auto* direction =
        qobject_cast<QComboBox*>(b.tab->form_view()->FieldWidget(b.Field("ﾃﾞｰﾀ転送のﾀｲﾌﾟ")));
    QVERIFY(direction);
    t("length box", b.Box("ﾃﾞｰﾀ長")->isEnabled());
    direction->setCurrentIndex(2);
    emit direction->activated(2);
    t("length box after data in", b.Box("ﾃﾞｰﾀ長")->isEnabled());
    b.Type("ﾃﾞｰﾀ長", QStringLiteral("24"));
    QVERIFY(b.RunAndWait());
    t("decoded", b.tab->decoded_box()->toPlainText());
    QVERIFY(!b.tab->decoded_header()->text().isEmpty());
    t.Expect("user_slot.txt");
  }

  // A command in flight on a slow drive shows itself (the button, the status bar, a busy cursor
  // after a moment) and can be given up: the window is free at once, the command still ends by
  // its time-out, and its late reply is dropped; the next command runs after it and shows its
  // own result.
  void ASlowCommandShowsItselfAndCanBeGivenUp() {
    testing::WindowBench b({"emu:type13?speed=max&slow=4e"}, kTabCommand);
    b.SetOptions([](Options& o) { o.command_timeout = 2; });
    MainWindow& w = *b.window;
    w.show();
    CommandTab* tab = b.command_tab();
    b.Select(QStringLiteral("4eh Stop Play/Scan"));
    w.exec_button()->click();
    QVERIFY(tab->command_running());
    QCOMPARE(w.exec_button()->text(), QStringLiteral("Cancel(&E)"));
    QVERIFY(w.statusBar()->currentMessage().startsWith(QStringLiteral("Now Sending! 4e 00")));
    QTRY_COMPARE(w.cursor().shape(), Qt::BusyCursor);
    w.exec_button()->click();  // give up
    QVERIFY(!tab->command_running());
    QCOMPARE(tab->given_up(), 1);
    QCOMPARE(w.exec_button()->text(), QStringLiteral("Send(&E)"));
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(w.statusBar()->currentMessage().startsWith(QStringLiteral("応答を待つのをやめました")));
    // The next command waits for the slow one's time-out, then shows its own result.
    b.Select(QStringLiteral("00h Test Unit Ready"));
    QSignalSpy done(tab, &CommandTab::CommandFinished);
    w.exec_button()->click();
    QVERIFY(done.wait(10000));
    QCOMPARE(tab->given_up(), 0);
    QCOMPARE(tab->decoded_box()->toPlainText(), QStringLiteral("Command Successed!"));
    QVERIFY(w.findChildren<RequestSenseDialog*>().isEmpty());
    QCOMPARE(w.status_label()->text(), QString());
  }

  // With "execute on selection" a selected command runs at once (a double-click's run is
  // main_window_shell_test's).
  void ExecuteOnSelectionRunsTheSelectedCommand() {
    Bench b;
    b.SetOptions([](Options& o) { o.execute_on_selection = true; });
    QSignalSpy done(b.tab, &CommandTab::CommandFinished);
    b.Select(QStringLiteral("4eh Stop Play/Scan"));
    QVERIFY(done.wait(10000));
  }

  // The editor beside the two mode commands only, with the pages of each, its tabs for the
  // picked page and the CDB following the pick: mode_page_editor.txt.
  void ShownOnlyWithTheModeCommands() {
    Bench b;
    testing::Transcript t;
    b.Select(QStringLiteral("00h Test Unit Ready"));
    t.Step("00h Test Unit Ready")("editor", !b.editor->isHidden());
    b.Select(QStringLiteral("5ah Mode Sense(10)"));
    Shot(t, b, QStringLiteral("5ah Mode Sense(10)"));
    QSignalSpy help(b.editor, &ModePageEditorWidget::HelpRequested);
    b.editor->help_button()->click();
    t("help", help.takeFirst().at(0).toString());
    // A page click picks the page: the CDB follows, the editor shows its first screen.
    b.ClickPage(8);
    Shot(t, b, QStringLiteral("page 2ah picked"));  // "Page Length" is a number box: hex shown
    b.SelectTab(QStringLiteral("2ah (2)"));
    Shot(t, b, QStringLiteral("2ah (2)"));
    t("Mode 2 Form 1", b.PageField("Mode 2 Form 1") != nullptr)("Page Length",
                                                                !!b.PageField("Page Length"));
    b.Select(QStringLiteral("55h Mode Select(10)"));
    Shot(t, b, QStringLiteral("55h Mode Select(10)"));
    t("decoded", b.tab->decoded_box()->toPlainText());
    t.Expect("mode_page_editor.txt");
  }

  // A CDB typed over the Read CD form goes out as the Inquiry its opcode names and shows the
  // Inquiry list; an edit of the form then replaces the typed bytes, says so, and the form's
  // own command is what the box and the next Send hold. (The notes' texts and the form's
  // unmerged opcode are tests/console's typed_cdbs.txt and AFormEditReplacesTheTypedCdbAndSaysSo.)
  void ATypedCdbIsSentAsItsCommandAndAFormEditReplacesIt() {
    Bench b;
    b.Select(QStringLiteral("beh Read CD"));
    b.tab->edit_button()->click();
    b.tab->cdb_box()->selectAll();
    QTest::keyClicks(b.tab->cdb_box(), QStringLiteral("12 00 00 00 24 00"));
    QCOMPARE(b.tab->cdb_note()->text(),
             QStringLiteral("Typed CDB: sent and decoded as 12h Inquiry"));
    QVERIFY(!b.tab->cdb_note()->isHidden());
    QVERIFY(b.RunAndWait());
    const auto last_sent = [&b] {
      return QString::fromStdString(HexBytes(b.tab->console().last_sent_cdb())).trimmed();
    };
    QCOMPARE(last_sent(), QStringLiteral("12 00 00 00 24 00 00 00 00 00 00 00"));
    QVERIFY(!b.tab->result_list()->isHidden());
    QVERIFY(b.tab->result_list()->topLevelItemCount() > 0);
    QVERIFY(b.tab->dump_box()->isHidden());

    b.Type("Transfer Length", QStringLiteral("3"));
    QVERIFY(b.tab->cdb_note()->text().startsWith(QStringLiteral("The form's CDB replaced")));
    const QString cdb = b.tab->cdb_box()->text();
    QVERIFY2(cdb.startsWith(QStringLiteral("be ")) && cdb.contains(QStringLiteral(" 00 00 03 ")),
             qPrintable(cdb));
    QVERIFY(!b.tab->dump_box()->isHidden());
    QVERIFY(b.RunAndWait());
    QCOMPARE(last_sent(), cdb.trimmed());
    QVERIFY(b.tab->cdb_note()->isHidden());
  }

  // Mode Sense(10) sent as it opens the first time (every page, the page its CDB asks for:
  // mode_page_editor.txt) and copied to Mode Select, the retry count edited there and the page
  // selected (without the PS bit it was read with), page 01h sensed again: mode_page_round.txt.
  void SenseCopyEditSelectAndSenseAgain() {
    Bench b;
    testing::Transcript t;
    b.Select(QStringLiteral("5ah Mode Sense(10)"));
    QVERIFY(b.RunAndWait());
    Shot(t, b, QStringLiteral("every page sensed"));
    t("decoded", b.tab->decoded_box()->toPlainText().section(QLatin1Char('\n'), 0, 0));
    t("page", b.editor->page_name()->text());
    t("changeable view", b.editor->changeable_view_button()->isEnabled());
    b.editor->dialog_hook = [&t](QDialog* d) {
      if (auto* box = qobject_cast<QMessageBox*>(d)) t("message", box->text());
      d->accept();
    };
    b.editor->copy_button()->click();

    b.Select(QStringLiteral("55h Mode Select(10)"));
    b.SelectTab(QStringLiteral("01h"));
    auto* retries = qobject_cast<QLineEdit*>(b.PageField("Read Retry Count"));
    QVERIFY(retries);
    t.Step("Mode Select, 01h")("retries", retries->text());
    retries->selectAll();
    QTest::keyClick(retries, Qt::Key_Delete);
    QTest::keyClicks(retries, QStringLiteral("7"));
    b.ClickPage(0);
    Shot(t, b, QStringLiteral("retries 7, page 01h picked"));
    t("decoded", b.tab->decoded_box()->toPlainText().remove(QLatin1Char('\n')));
    QVERIFY(b.RunAndWait());
    t("sent", b.tab->decoded_box()->toPlainText().section(QLatin1Char('\n'), -1));

    b.Select(QStringLiteral("5ah Mode Sense(10)"));
    b.ClickPage(1);
    QVERIFY(b.RunAndWait());
    t.Step("page 01h sensed")("tabs", b.Tabs());
    t("retries", qobject_cast<QLineEdit*>(b.PageField("Read Retry Count"))->text());
    t.Expect("mode_page_round.txt");
  }

  void PropertiesTabFillsItsThreeLists_data() { ResidModes(); }
  void PropertiesTabFillsItsThreeLists() {
    QFETCH(QString, resid);
    testing::WindowBench b({"emu:type13?speed=max&resid=" + resid.toStdString()}, kTabProperties);
    auto* tab = qobject_cast<PropertiesTab*>(b.window->tabs()->widget(kTabProperties));
    QVERIFY(tab);
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

  // What each command shows is the reply the drive sent, the same on every reply path.
  void ModernDriveOnTheCommandTab_data() { ResidModes(); }
  void ModernDriveOnTheCommandTab() {
    QFETCH(QString, resid);
    // Every descriptor where it lies; Mode Sense: 174 bytes, never a padded or zeroed tail;
    // Read(10) of two blocks: 2 x 2048 bytes, not the buffer's 2 x 2656.
    QVERIFY(
        testing::MatchesGolden("modern_command_tab.txt", RunModernCommands(resid.toStdString())));
  }

  // The start position row beside the commands that take an address: the track box, quick-set
  // and "last" (each button's sums are tests/decode's), a track picked for Read(10) and for
  // Play Audio MSF (third track: 02:02:00 to one frame before the fourth, 03:01:74): quick_set.txt.
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

QTEST_MAIN(tamarack::app::CommandTabTest)
#include "command_tab_test.moc"
