// The window in English (the option's choice, the catalogue of the build tree): not one Japanese
// character in any text of any tab or dialog, and every control still fits at 750 x 600
// (TAMARACK_SCREENSHOTS=DIR saves a picture of each).
#include "app/qt_own_texts.h"
#include "app/window_fit.h"
#include "util/message_catalogue.h"

namespace tamarack::app {

namespace {

bool IsJapanese(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
         (u >= 0xFF61 && u <= 0xFF9F);
}

// Every text `root` and its children show or hold, hidden pages and unopened lists included:
// titles, labels, buttons, boxes, tabs, list entries and headers, menus, tool tips.
QStringList TextsOf(QWidget* root) {
  QStringList out{root->windowTitle()};
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets << root;
  for (QWidget* w : widgets) {
    out << w->toolTip();
    if (auto* l = qobject_cast<QLabel*>(w)) out << l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) out << b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) out << g->title();
    if (auto* c = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    }
    if (auto* t = qobject_cast<QTabWidget*>(w)) {
      for (int i = 0; i < t->count(); ++i) out << t->tabText(i);
    }
    if (auto* t = qobject_cast<QTreeWidget*>(w)) {
      for (int i = 0; i < t->columnCount(); ++i) out << t->headerItem()->text(i);
    }
    if (auto* t = qobject_cast<QTableWidget*>(w)) {
      for (int i = 0; i < t->columnCount(); ++i) {
        if (t->horizontalHeaderItem(i)) out << t->horizontalHeaderItem(i)->text();
      }
    }
    for (const QAction* a : w->actions()) out << a->text() << a->toolTip();
  }
  return out;
}

}  // namespace

class EnglishWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { StartMessageCatalogue(UiLanguage::kEnglish); }

  // Qt's own buttons and dialogs follow the window: Japanese with the sources' texts, Qt's
  // English (nothing loaded) with a catalogue.
  void QtsOwnTextsFollowTheWindow() {
    QVERIFY(CatalogueInUse());
    QTranslator english;
    QVERIFY(!LoadQtOwnTexts(CatalogueInUse(), &english));
    QTranslator japanese;
    QVERIFY(LoadQtOwnTexts(false, &japanese));
    QCOMPARE(japanese.translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
  }

  void NoJapaneseAnywhereAndEverythingFits() {
    testing::WindowBench b({"emu:type13?speed=max"});
    QStringList japanese;
    const QStringList problems = testing::FitProblems(b, [&](QWidget* root, const QString& name) {
      for (const QString& text : TextsOf(root)) {
        // A language is offered under its own name.
        if (text == QStringLiteral("日本語")) continue;
        if (std::any_of(text.begin(), text.end(), IsJapanese)) japanese << name + ": " + text;
      }
    });
    japanese.removeDuplicates();
    for (const QString& p : problems + japanese) qWarning("%s", qPrintable(p));
    QVERIFY(problems.isEmpty());
    QVERIFY(japanese.isEmpty());
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::EnglishWindowTest)
#include "english_window_test.moc"
