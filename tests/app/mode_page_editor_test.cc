#include "app/window_bench.h"

namespace tamarack::app {

namespace {

struct Bench : testing::WindowBench {
  Bench()
      : WindowBench({"emu:type13?speed=max"}),
        tab(command_tab()),
        editor(tab->mode_page_editor()) {}
  void ClickPage(int row) {
    QListWidget* list = editor->page_list();
    emit list->itemClicked(list->item(row));
  }
  void SelectTab(const QString& label) {
    for (int i = 0; i < editor->tab_bar()->count(); ++i) {
      if (editor->tab_bar()->tabText(i) == label) {
        editor->tab_bar()->setCurrentIndex(i);
        return;
      }
    }
    QFAIL(qPrintable(label));
  }
  QWidget* Field(const char* label) const {
    const auto& fields = editor->editor().fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (std::string_view(fields[i].label) == label) return editor->form_view()->FieldWidget(i);
    }
    return nullptr;
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

}  // namespace

class ModePageEditorTest : public QObject {
  Q_OBJECT

 private slots:
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
    t("Mode 2 Form 1", b.Field("Mode 2 Form 1") != nullptr)("Page Length",
                                                            !!b.Field("Page Length"));
    b.Select(QStringLiteral("55h Mode Select(10)"));
    Shot(t, b, QStringLiteral("55h Mode Select(10)"));
    t("decoded", b.tab->decoded_box()->toPlainText());
    t.Expect("mode_page_editor.txt");
  }

  void SenseCopyEditSelectAndSenseAgain() {
    Bench b;
    b.Select(QStringLiteral("5ah Mode Sense(10)"));
    b.ClickPage(0);
    QVERIFY(b.RunAndWait());
    QVERIFY(b.tab->decoded_box()->toPlainText().startsWith(
        QStringLiteral("Medium Type Description: ")));
    QCOMPARE(b.Tabs().size(), 15);
    QCOMPARE(b.editor->page_name()->text(), QStringLiteral("Read/Write Error Recovery"));
    QVERIFY(b.editor->copy_button()->isEnabled());
    QVERIFY(!b.editor->changeable_view_button()->isEnabled());
    QString message;
    b.editor->dialog_hook = [&](QDialog* d) {
      if (auto* box = qobject_cast<QMessageBox*>(d)) message = box->text();
      d->accept();
    };
    b.editor->copy_button()->click();
    QCOMPARE(message, QStringLiteral("01h 05h 0dh 0eh 1ah 1ch 1dh 2ah 2ch ﾊﾟﾗﾒﾀをｺﾋﾟｰしました"));

    b.Select(QStringLiteral("55h Mode Select(10)"));
    b.SelectTab(QStringLiteral("01h"));
    auto* retries = qobject_cast<QLineEdit*>(b.Field("Read Retry Count"));
    QVERIFY(retries);
    QCOMPARE(retries->text(), QStringLiteral("16"));
    retries->selectAll();
    QTest::keyClick(retries, Qt::Key_Delete);
    QTest::keyClicks(retries, QStringLiteral("7"));
    QVERIFY(b.editor->page_dump_box()->toPlainText().startsWith(QStringLiteral("+00|810a0007")));
    b.ClickPage(0);
    QCOMPARE(b.editor->page_list()->item(0)->text(),
             QStringLiteral("01h Read/Write Error Recovery"));
    QCOMPARE(b.tab->cdb_box()->text(), QStringLiteral("55 10 00 00 00 00 00 00 14 00 00 00 "));
    // 16 or 32 bytes a line, by the box's width; the list goes without the PS bit the page
    // was read with.
    QCOMPARE(b.tab->decoded_box()->toPlainText().remove(QLatin1Char('\n')),
             QStringLiteral("0000000000000000010a00070000000000000000"));
    QVERIFY(b.RunAndWait());
    QVERIFY2(b.tab->decoded_box()->toPlainText().endsWith(QStringLiteral("\n-------Done!-------")),
             qPrintable(b.tab->decoded_box()->toPlainText()));

    b.Select(QStringLiteral("5ah Mode Sense(10)"));
    b.ClickPage(1);
    QVERIFY(b.RunAndWait());
    QCOMPARE(b.Tabs(), QStringList{QStringLiteral("01h")});
    QCOMPARE(qobject_cast<QLineEdit*>(b.Field("Read Retry Count"))->text(), QStringLiteral("7"));
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::ModePageEditorTest)
#include "mode_page_editor_test.moc"
