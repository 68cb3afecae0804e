// The window at its minimum size (750 x 600) with its own fonts: on every tab, and on the
// Command tab with the mode page editor, and in the window's dialogs, each shown control lies
// wholly inside its parent and gets at least the size its content needs.
// TAMARACK_SCREENSHOTS=DIR saves a picture of each.
#include "app/window_bench.h"

namespace tamarack::app {

namespace {

// The width and height a control needs so that nothing of its text is cut: a button's text
// with a little room each side (arrows and icons scale), the others' own minimum.
QSize Needed(const QWidget* w) {
  if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
    if (b->text().isEmpty()) return {0, 0};
    QString text = b->text();
    text.remove(QLatin1Char('&'));
    const QFontMetrics fm = b->fontMetrics();
    int width = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line));
    const int box =
        qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w) ? 20 : 6;
    return {width + box, fm.height() * static_cast<int>(lines.size())};
  }
  if (qobject_cast<const QLabel*>(w) || qobject_cast<const QComboBox*>(w) ||
      qobject_cast<const QLineEdit*>(w) || qobject_cast<const QGroupBox*>(w)) {
    return w->minimumSizeHint();
  }
  return {0, 0};
}

QStringList Clipped(QWidget* root) {
  QStringList out;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    // Qt's own parts of a control (a spin box's editor) are the control's business.
    if (!w->isVisible() || w->isWindow() || w->objectName().startsWith(QStringLiteral("qt_"))) {
      continue;
    }
    const QString name =
        QStringLiteral("%1 \"%2\"")
            .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
    const QWidget* parent = w->parentWidget();
    // A scroll area's content may be larger than its viewport: that is what it scrolls.
    const bool scrolled =
        parent && parent->objectName() == QStringLiteral("qt_scrollarea_viewport");
    if (parent && !scrolled && !QRect(QPoint(0, 0), parent->size()).contains(w->geometry())) {
      out << name + QStringLiteral(" leaves its parent");
    }
    const QSize need = Needed(w);
    if (w->width() < need.width() || w->height() < need.height()) {
      out << name + QStringLiteral(" %1x%2 < %3x%4")
                        .arg(w->width())
                        .arg(w->height())
                        .arg(need.width())
                        .arg(need.height());
    }
  }
  return out;
}

// Saves a picture of `w` when asked to, and adds what is clipped in it to `problems`.
void Check(QWidget* w, QWidget* root, const QString& name, QStringList* problems) {
  const QString shots = qEnvironmentVariable("TAMARACK_SCREENSHOTS");
  if (!shots.isEmpty()) w->grab().save(shots + QStringLiteral("/%1.png").arg(name));
  const QStringList clipped = Clipped(root);
  if (!clipped.isEmpty())
    *problems << name + QStringLiteral(": ") + clipped.join(QStringLiteral("; "));
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void EveryControlAndDialogFitsAtTheMinimumSize() {
    testing::WindowBench b({"emu:type13?speed=max"});
    MainWindow& w = *b.window;
    w.resize(750, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    struct Page {
      int tab;
      const char* command;  // a Command tab entry to select first, or null
      const char* name;
    } const kPages[] = {
        {kTabSectorDump, nullptr, "dump"},
        {kTabToc, nullptr, "toc"},
        {kTabProperties, nullptr, "properties"},
        {kTabCommand, "28h Read(10)", "command-read10"},
        {kTabCommand, "5ah Mode Sense(10)", "command-modesense"},
        {kTabCommand, "55h Mode Select(10)", "command-modeselect"},
        {kTabAging, nullptr, "aging"},
        {kTabMeasure, nullptr, "measure"},
        {kTabOthers, nullptr, "others"},
    };
    QStringList problems;
    for (const Page& page : kPages) {
      w.tabs()->setCurrentIndex(page.tab);
      if (page.command) {
        QListWidget* list = w.command_tab()->command_list();
        const auto found = list->findItems(QString::fromUtf8(page.command), Qt::MatchExactly);
        QVERIFY2(!found.isEmpty(), page.command);
        w.command_tab()->SelectListEntry(list->row(found.first()), false);
      }
      QTest::qWait(50);  // layouts settle through posted events
      QCOMPARE(w.size(), QSize(750, 600));
      Check(&w, w.centralWidget(), QString::fromUtf8(page.name), &problems);
    }

    // The dialogs at the size they open with, in the window's font.
    int tool_tab = 0;
    JobRunner runner(w.session(), RealClock());
    std::vector<std::pair<const char*, std::unique_ptr<QDialog>>> dialogs;
    dialogs.emplace_back("options", std::make_unique<OptionsDialog>(Options{}, &w));
    dialogs.emplace_back("command-save",
                         std::make_unique<CommandSaveDialog>(CommandFileContent::kAll, &w));
    dialogs.emplace_back("dump-save", std::make_unique<DumpSaveDialog>(DumpSaveForm::kText, &w));
    dialogs.emplace_back("log-setting", std::make_unique<LogSettingDialog>(
                                            LogOptionWord(), true, QStringLiteral("/tmp/Log.htm"),
                                            QStringLiteral("/tmp"), &w));
    dialogs.emplace_back("loop-count", std::make_unique<LoopCountDialog>(10, &w));
    dialogs.emplace_back("tools",
                         std::make_unique<ToolsDialog>(w.session(), runner, &tool_tab, false, &w));
    for (auto& [name, dialog] : dialogs) {
      dialog->show();
      QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
      QTest::qWait(20);
      Check(dialog.get(), dialog.get(), QStringLiteral("dialog-") + QString::fromUtf8(name),
            &problems);
      dialog->close();
    }
    for (const QString& p : problems) qWarning("%s", qPrintable(p));
    QVERIFY(problems.isEmpty());
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::LayoutTest)
#include "layout_test.moc"
