// The Command tab (list, form, CDB line, replies, sense dialog, user slots, mode page editor,
// start position row) and the Properties tab: what reaches the console and what comes back.
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

}  // namespace

class CommandTabTest : public QObject {
  Q_OBJECT

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

  // The form's boxes reach the CDB line: the Control Byte row typed into, stepped by its spin
  // button and shown in hex (the row itself is tests/console's).
  void TheFormsBoxesReachTheCdbLine() {
    Bench b;
    b.SetOptions([](Options& o) { o.control_byte_row = true; });
    b.Select(QStringLiteral("00h Test Unit Ready"));
    b.Type("Control Byte", QStringLiteral("200"));
    qobject_cast<QToolButton*>(b.tab->form_view()->SpinButton(b.Field("Control Byte"), true))
        ->click();
    b.tab->hex_input_box()->click();
    QCOMPARE(b.Box("Control Byte")->text(), QStringLiteral("c9"));
    QCOMPARE(b.tab->cdb_box()->text(), QStringLiteral("00 00 00 00 00 c9 00 00 00 00 00 00 "));
  }

  // A refused command shows its message and sends nothing; a typo in the edited CDB box puts
  // the cursor at the typo; a CDB typed over the form goes out as typed, with its note, shown
  // back in its normal form; an edit of the form then replaces it. (The refusals' texts and
  // the notes are tests/console's plans.txt and execute_command_test.)
  void RefusalsSendNothingAndATypedCdbIsSentUntilAFormEdit() {
    Bench b;
    testing::Messages messages;
    b.tab->dialog_hook = messages;
    b.Select(QStringLiteral("28h Read(10)"));
    b.Type("Transfer Length", QStringLiteral("101"));
    b.window->exec_button()->click();
    QCOMPARE(*messages.texts,
             QStringList{QStringLiteral("転送長が最大数を超えました(最大数は100です)")});
    QVERIFY(!b.tab->console().has_sent());
    b.tab->edit_button()->click();
    b.tab->cdb_box()->setText(QStringLiteral("25 0g 00"));
    b.window->exec_button()->click();
    QCOMPARE(messages.texts->size(), 2);
    QVERIFY(!b.tab->console().has_sent());
    QCOMPARE(b.tab->cdb_box()->cursorPosition(), 4);
    b.tab->cdb_box()->selectAll();
    QTest::keyClicks(b.tab->cdb_box(), QStringLiteral("25 0 0 0 0 0 0 0 1"));
    QVERIFY(!b.tab->cdb_note()->isHidden());
    QVERIFY(b.RunAndWait());
    const QString sent = QStringLiteral("25 00 00 00 00 00 00 00 01 00 00 00 ");
    QCOMPARE(QString::fromStdString(HexBytes(b.tab->console().last_sent_cdb())), sent);
    QCOMPARE(b.tab->cdb_box()->text(), sent);
    QVERIFY(b.tab->decoded_box()->toPlainText().startsWith(QStringLiteral("00332999(000514c7h)")));
    b.Type("Transfer Length", QStringLiteral("3"));
    QVERIFY(b.tab->cdb_box()->text().startsWith(QStringLiteral("28 ")));
  }

  // With "execute on selection" a selected command runs at once (a double-click's run is
  // main_window_shell_test's); a check condition opens the sense dialog with the drive's sense
  // and the error table's message (the texts are tests/console's and tests/device's).
  void TheSenseDialogAfterACheckConditionOnSelection() {
    Bench b;
    QString shown;
    b.tab->dialog_hook = [&shown](QDialog* d) {
      auto* sense = qobject_cast<RequestSenseDialog*>(d);
      if (!sense) return d->accept();
      shown = sense->key_box()->text() + QLatin1Char('/') + sense->asc_box()->text() +
              sense->message_label()->text();
      sense->close_button()->click();
    };
    b.window->drive_box()->setCurrentIndex(1);  // no medium
    b.SetOptions([](Options& o) { o.execute_on_selection = true; });
    QSignalSpy done(b.tab, &CommandTab::CommandFinished);
    b.Select(QStringLiteral("00h Test Unit Ready"));
    QTRY_VERIFY(!done.isEmpty());
    QCOMPARE(shown, QStringLiteral("02/3a MEDIUM NOT PRESENT - TRAY CLOSED"));
  }

  // A user slot's CDB typed in hex (the focus moving on after two digits), a data-in length
  // enabled by the transfer type, the command sent (a slot's rename is
  // main_window_shell_test's restarts).
  void UserSlotsAreTypedAndSent() {
    Bench b;
    QVERIFY(b.Show() && QTest::qWaitForWindowActive(b.window.get()));
    b.tab->SetListKind(ListKind::kUser);
    b.tab->SelectListEntry(0, false);
    QLineEdit* b0 = b.Box(" 00");
    b0->setFocus();
    QTest::keyClicks(b0, QStringLiteral("12"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(b.Box(" 01")));
    b.Type(" 04", QStringLiteral("24"));
    auto* direction =
        qobject_cast<QComboBox*>(b.tab->form_view()->FieldWidget(b.Field("ﾃﾞｰﾀ転送のﾀｲﾌﾟ")));
    QVERIFY(direction && !b.Box("ﾃﾞｰﾀ長")->isEnabled());
    direction->setCurrentIndex(2);
    emit direction->activated(2);
    QVERIFY(b.Box("ﾃﾞｰﾀ長")->isEnabled());
    b.Type("ﾃﾞｰﾀ長", QStringLiteral("24"));
    QVERIFY(b.RunAndWait());
    QVERIFY(b.tab->decoded_box()->toPlainText().contains(QStringLiteral("KESTREL")));
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
    QVERIFY(done.wait(kSettleMs));
    QCOMPARE(tab->given_up(), 0);
    QCOMPARE(tab->decoded_box()->toPlainText(), QStringLiteral("Command Successed!"));
    QVERIFY(w.findChildren<RequestSenseDialog*>().isEmpty());
    QCOMPARE(w.status_label()->text(), QString());
  }

  // The editor stands beside the two mode commands only. Mode Sense's pages copied to Mode
  // Select through it, the retry count edited in its box and selected, sensed again: the box
  // shows the drive's new value; a page click reaches the CDB (the pages, their fields, tabs and
  // the copy are tests/decode's, its help main_window_shell_test's).
  void TheEditorCopiesEditsAndSelectsPages() {
    Bench b;
    b.Select(QStringLiteral("00h Test Unit Ready"));
    QVERIFY(b.editor->isHidden());
    b.Select(QStringLiteral("5ah Mode Sense(10)"));
    QVERIFY(!b.editor->isHidden());
    b.ClickPage(8);
    QCOMPARE(b.tab->cdb_box()->text(), QStringLiteral("5a 00 2a 00 00 00 00 a0 00 00 00 00 "));
    QCOMPARE(b.editor->tab_bar()->currentIndex(), 10);  // 2ah (1)
    b.ClickPage(0);
    QVERIFY(b.RunAndWait());
    QVERIFY(b.editor->copy_button()->isEnabled());
    b.editor->dialog_hook = [](QDialog* d) { d->accept(); };
    b.editor->copy_button()->click();
    b.Select(QStringLiteral("55h Mode Select(10)"));
    QVERIFY(!b.editor->isHidden());
    b.SelectTab(QStringLiteral("01h"));
    auto* retries = qobject_cast<QLineEdit*>(b.PageField("Read Retry Count"));
    QVERIFY(retries);
    QCOMPARE(retries->text(), QStringLiteral("16"));
    retries->selectAll();
    QTest::keyClick(retries, Qt::Key_Delete);
    QTest::keyClicks(retries, QStringLiteral("7"));
    b.ClickPage(0);
    QVERIFY(b.RunAndWait());
    b.Select(QStringLiteral("5ah Mode Sense(10)"));
    b.ClickPage(1);
    QVERIFY(b.RunAndWait());
    QCOMPARE(qobject_cast<QLineEdit*>(b.PageField("Read Retry Count"))->text(),
             QStringLiteral("7"));
  }

  // The three lists with their column titles (what each row says is tests/decode's and the
  // CLI's properties goldens, on every reply path).
  void PropertiesTabFillsItsThreeLists() {
    testing::WindowBench b({"emu:type13?speed=max"}, kTabProperties);
    auto* tab = qobject_cast<PropertiesTab*>(b.window->tabs()->widget(kTabProperties));
    QVERIFY(tab);
    QSignalSpy read(tab, &PropertiesTab::PropertiesRead);
    b.window->exec_button()->click();
    QCOMPARE(read.count(), 1);
    const QString lists =
        testing::ListText(tab->inquiry_list(), true) + QStringLiteral("\n====\n") +
        testing::ListText(tab->feature_list(), true) + QStringLiteral("\n====\n") +
        testing::ListText(tab->capability_list(), true);
    QVERIFY(testing::MatchesGolden("properties_tab.txt", lists.toStdString()));
    QVERIFY(!tab->inquiry_list()->topLevelItem(1)->icon(0).isNull());
    QVERIFY(!tab->capability_list()->topLevelItem(0)->icon(0).isNull());
  }

  // The start position row beside the commands that take an address only; its buttons and
  // track box reach the CDB (each button's sums are tests/decode's).
  void QuickSetButtonsAndTrackBox() {
    testing::WindowBench b({"emu:type30?speed=max"});
    CommandTab* tab = b.window->command_tab();
    StartPositionBar* bar = tab->start_position_bar();
    b.Select(QStringLiteral("bbh Set CD Speed"));
    QVERIFY(bar->isHidden());
    b.Select(QStringLiteral("28h Read(10)"));
    QVERIFY(!bar->isHidden());
    QCOMPARE(bar->track_box()->count(), 23);
    bar->button(QuickSet::kForward)->click();
    QCOMPARE(tab->cdb_box()->text(), QStringLiteral("28 00 00 00 00 01 00 00 00 00 00 00 "));
    bar->track_box()->setCurrentIndex(2);
    emit bar->track_box()->activated(2);
    QCOMPARE(tab->cdb_box()->text(), QStringLiteral("28 00 00 00 23 28 00 00 00 00 00 00 "));
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::CommandTabTest)
#include "command_tab_test.moc"
