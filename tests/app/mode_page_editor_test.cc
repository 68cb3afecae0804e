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

  // Every page sensed and copied to Mode Select (with its message), the retry count edited
  // there and the page selected (the list without the PS bit the page was read with; 16 or 32
  // bytes a line by the box's width), then page 01h sensed with the new count:
  // mode_page_round.txt.
  void SenseCopyEditSelectAndSenseAgain() {
    Bench b;
    testing::Transcript t;
    b.Select(QStringLiteral("5ah Mode Sense(10)"));
    b.ClickPage(0);
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
    auto* retries = qobject_cast<QLineEdit*>(b.Field("Read Retry Count"));
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
    t("retries", qobject_cast<QLineEdit*>(b.Field("Read Retry Count"))->text());
    t.Expect("mode_page_round.txt");
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::ModePageEditorTest)
#include "mode_page_editor_test.moc"
