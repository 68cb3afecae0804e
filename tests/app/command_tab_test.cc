#include "app/window_bench.h"

namespace tamarack::app {

namespace {

// A window on two virtual drives: a data disc, and a drive without a medium.
struct Bench : testing::WindowBench {
  Bench()
      : WindowBench({"emu:type13?speed=max", "emu:type13?speed=max&nomedium"}),
        tab(command_tab()) {}
  std::size_t Field(const char* label) const {
    const auto& fields = tab->console().fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (std::string_view(fields[i].label) == label) return i;
    }
    return fields.size();
  }
  QLineEdit* Box(const char* label) const {
    return qobject_cast<QLineEdit*>(tab->form_view()->FieldWidget(Field(label)));
  }
  // Types into a form box as the user would (each key is a live collection).
  void Type(const char* label, const QString& text) {
    QLineEdit* box = Box(label);
    QVERIFY2(box, label);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  // The options come from the window (its option dialog), which hands them to the console.
  template <typename Fn>
  void SetOptions(Fn change) {
    Options o = window->options();
    change(o);
    window->ApplyOptions(o);
  }
  CommandTab* tab;
};

}  // namespace

class CommandTabTest : public QObject {
  Q_OBJECT

 private slots:
  // The list kind tabs and the catalogue in each of their orders: command_list.txt.
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

  void SelectionBuildsTheFormAndTheCdbLine() {
    Bench b;
    b.Select(QStringLiteral("03h Request Sense"));
    QVERIFY(b.tab->form_view()->findChild<QLabel*>(QStringLiteral("noParameter")));
    QCOMPARE(b.tab->cdb_box()->text(), QStringLiteral("03 00 00 00 ff 00 00 00 00 00 00 00 "));
    QVERIFY(b.tab->cdb_box()->isReadOnly());
    QVERIFY(b.tab->hex_input_box()->isHidden());

    // The Control Byte row: a number box with its spin buttons, and hex input shown.
    b.SetOptions([](Options& o) { o.control_byte_row = true; });
    b.Select(QStringLiteral("00h Test Unit Ready"));
    QVERIFY(!b.tab->hex_input_box()->isHidden());
    QLineEdit* box = b.Box("Control Byte");
    QVERIFY(box);
    b.Type("Control Byte", QStringLiteral("200"));
    QCOMPARE(b.tab->cdb_box()->text(), QStringLiteral("00 00 00 00 00 c8 00 00 00 00 00 00 "));
    qobject_cast<QToolButton*>(b.tab->form_view()->SpinButton(b.Field("Control Byte"), true))
        ->click();
    QCOMPARE(box->text(), QStringLiteral("201"));
    b.tab->hex_input_box()->click();
    QCOMPARE(box->text(), QStringLiteral("c9"));
    QCOMPARE(b.tab->cdb_box()->text(), QStringLiteral("00 00 00 00 00 c9 00 00 00 00 00 00 "));
  }

  void ReadTenWithAnEditedFormDumpsTheBlock() {
    Bench b;
    b.Select(QStringLiteral("28h Read(10)"));
    b.Type("Logical Block Address", QStringLiteral("16"));
    b.Type("Transfer Length", QStringLiteral("1"));
    QCOMPARE(b.tab->cdb_box()->text(), QStringLiteral("28 00 00 00 00 10 00 00 01 00 00 00 "));
    QVERIFY(b.RunAndWait());
    const QString dump = b.tab->dump_box()->toPlainText();
    QVERIFY2(dump.startsWith(QStringLiteral("000000 0000h ")), qPrintable(dump.left(200)));
    QCOMPARE(dump.count(QLatin1Char('\n')), 128);  // 2048 bytes
    QVERIFY(b.tab->dump_header()->text().startsWith(QStringLiteral(" Offset       00010203 ")));
    QCOMPARE(b.window->status_label()->text(), QString());
  }

  void ATransferLengthAboveHundredIsRefusedWithAMessage() {
    Bench b;
    b.Select(QStringLiteral("28h Read(10)"));
    b.Type("Transfer Length", QStringLiteral("101"));
    QString message;
    b.tab->dialog_hook = [&](QDialog* d) {
      if (auto* box = qobject_cast<QMessageBox*>(d)) message = box->text();
      d->reject();
    };
    b.window->exec_button()->click();
    QCOMPARE(message, QStringLiteral("転送長が最大数を超えました(最大数は100です)"));
    QVERIFY(!b.tab->command_running());
    QCOMPARE(b.tab->decoded_box()->toPlainText(), QString());
  }

  void ACheckConditionOpensTheSenseDialog() {
    Bench b;
    b.window->drive_box()->setCurrentIndex(1);  // no medium
    b.Select(QStringLiteral("00h Test Unit Ready"));
    QString title, key, asc, message, heading;
    b.tab->dialog_hook = [&](QDialog* d) {
      auto* sense = qobject_cast<RequestSenseDialog*>(d);
      if (!sense) return;
      title = sense->windowTitle();
      key = sense->key_box()->text();
      asc = sense->asc_box()->text();
      message = sense->message_label()->text();
      heading = sense->heading_label()->text();
      QVERIFY(sense->message_label()->font().bold());
      sense->close_button()->click();
    };
    QVERIFY(b.RunAndWait());
    QCOMPARE(title, QStringLiteral("RequestSense情報"));
    QCOMPARE(key, QStringLiteral("02"));
    QCOMPARE(asc, QStringLiteral("3a"));
    QVERIFY2(message.startsWith(QStringLiteral(" MEDIUM NOT PRESENT")), qPrintable(message));
    QCOMPARE(heading, QStringLiteral("ﾄﾞﾗｲﾌﾞからのｴﾗｰ情報"));
    QCOMPARE(b.tab->decoded_box()->toPlainText(), QStringLiteral("Command Error!?"));
    QTRY_VERIFY(b.window->status_label()->text().startsWith(
        QStringLiteral("Error Notified( MEDIUM NOT PRESENT")));
  }

  void RequestSenseShowsItsDecodedReplyAndTheDialog() {
    Bench b;
    b.Select(QStringLiteral("03h Request Sense"));
    QString heading;
    b.tab->dialog_hook = [&](QDialog* d) {
      if (auto* sense = qobject_cast<RequestSenseDialog*>(d))
        heading = sense->heading_label()->text();
      d->accept();
    };
    QVERIFY(b.RunAndWait());
    QVERIFY(b.tab->decoded_box()->toPlainText().startsWith(QStringLiteral("VALID:")));
    QCOMPARE(heading, QStringLiteral("No Error Sense Data"));
  }

  void UserSlotsAreRenamedTypedAndSent() {
    Bench b;
    b.window->show();
    QVERIFY(QTest::qWaitForWindowActive(b.window.get()));
    b.tab->SetListKind(ListKind::kUser);
    b.tab->dialog_hook = [](QDialog* d) {
      auto* name = d->findChild<QLineEdit*>(QStringLiteral("commandName"));
      QVERIFY(name);
      QCOMPARE(d->windowTitle(), QStringLiteral("ユーザーコマンド名"));
      QCOMPARE(name->text(), QStringLiteral("User01"));
      QCOMPARE(name->maxLength(), 30);
      name->setText(QStringLiteral("My Inquiry"));
      d->accept();
    };
    b.tab->SelectListEntry(0, true);
    QCOMPARE(b.tab->command_list()->item(0)->text(), QStringLiteral("00h My Inquiry"));
    b.tab->dialog_hook = nullptr;

    b.tab->SelectListEntry(0, false);
    QVERIFY(b.tab->hex_input_box()->isChecked());
    QLineEdit* b0 = b.Box(" 00");
    b0->setFocus();
    QTest::keyClicks(b0, QStringLiteral("12"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(b.Box(" 01")));
    QCOMPARE(b.tab->command_list()->item(0)->text(), QStringLiteral("12h User01"));
    QCOMPARE(b.tab->console().catalogue().Name(26), std::string("My Inquiry"));
    b.Type(" 04", QStringLiteral("24"));
    auto* direction =
        qobject_cast<QComboBox*>(b.tab->form_view()->FieldWidget(b.Field("ﾃﾞｰﾀ転送のﾀｲﾌﾟ")));
    QVERIFY(direction);
    QVERIFY(!b.Box("ﾃﾞｰﾀ長")->isEnabled());
    direction->setCurrentIndex(2);
    emit direction->activated(2);
    QVERIFY(b.Box("ﾃﾞｰﾀ長")->isEnabled());
    b.Type("ﾃﾞｰﾀ長", QStringLiteral("24"));
    QVERIFY(b.RunAndWait());
    const QString text = b.tab->decoded_box()->toPlainText();
    QVERIFY2(text.startsWith(QStringLiteral("----------------Data---------------------\n"
                                            "000000 0000h 05")),
             qPrintable(text));
    QVERIFY(!b.tab->decoded_header()->text().isEmpty());
  }

  void DoubleClickAndExecuteOnSelectionRunTheCommand() {
    Bench b;
    b.SetOptions([](Options& o) { o.execute_on_selection = true; });
    QSignalSpy done(b.tab, &CommandTab::CommandFinished);
    b.Select(QStringLiteral("4eh Stop Play/Scan"));
    QVERIFY(done.wait(10000));
    b.SetOptions([](Options& o) { o.execute_on_selection = false; });
    const int i = b.EntryIndex(QStringLiteral("00h Test Unit Ready"));
    QListWidgetItem* item = b.tab->command_list()->item(i);
    emit b.tab->command_list()->itemDoubleClicked(item);
    QVERIFY(done.wait(10000));
    QCOMPARE(done.count(), 2);
  }

  void ATypoInTheCdbBoxSendsNothingAndKeepsTheText() {
    Bench b;
    b.Select(QStringLiteral("00h Test Unit Ready"));
    b.tab->edit_button()->click();
    QVERIFY(!b.tab->cdb_box()->isReadOnly());
    QString message;
    b.tab->dialog_hook = [&message](QDialog* d) {
      if (auto* box = qobject_cast<QMessageBox*>(d)) message = box->text();
      d->reject();
    };
    b.tab->cdb_box()->setText(QStringLiteral("25 0g 00"));
    b.window->exec_button()->click();
    QVERIFY2(message.contains(QStringLiteral("character 5")), qPrintable(message));
    QVERIFY(!b.tab->command_running());
    QVERIFY(!b.tab->console().has_sent());
    QCOMPARE(b.tab->cdb_box()->text(), QStringLiteral("25 0g 00"));
    QCOMPARE(b.tab->cdb_box()->cursorPosition(), 4);
    // The edited box is what is sent, not the selected command's CDB; a single digit is a
    // byte of its own; the box is shown back in its normal form.
    b.tab->cdb_box()->setText(QStringLiteral("25 0 0 0 0 0 0 0 1"));
    QVERIFY(b.RunAndWait());
    QCOMPARE(b.tab->console().last_sent_cdb(), (Cdb{0x25, 0, 0, 0, 0, 0, 0, 0, 1}));
    QCOMPARE(b.tab->cdb_box()->text(), QStringLiteral("25 00 00 00 00 00 00 00 01 00 00 00 "));
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::CommandTabTest)
#include "command_tab_test.moc"
