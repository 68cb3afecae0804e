// The window at its minimum size (750 x 600): every shown control of every tab and dialog lies
// inside its parent with the size its content needs (TAMARACK_SCREENSHOTS=DIR saves a picture
// of each). Used in each language the window speaks.
#pragma once

#include <functional>

#include "app/window_bench.h"

namespace tamarack::app::testing {

// The width and height a control needs so that nothing of its text is cut: a button's text
// with a little room each side (arrows and icons scale), the others' own minimum.
inline QSize Needed(const QWidget* w) {
  if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
    const QStringList lines = b->text().remove(QLatin1Char('&')).split(QLatin1Char('\n'));
    int width = 0;
    for (const QString& line : lines)
      width = std::max(width, b->fontMetrics().horizontalAdvance(line));
    const int box =
        qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w) ? 20 : 6;
    return b->text().isEmpty()
               ? QSize()
               : QSize(width + box, b->fontMetrics().height() * static_cast<int>(lines.size()));
  }
  const bool sized = qobject_cast<const QLabel*>(w) || qobject_cast<const QComboBox*>(w) ||
                     qobject_cast<const QLineEdit*>(w) || qobject_cast<const QGroupBox*>(w);
  return sized ? w->minimumSizeHint() : QSize();
}

// Once the layouts have settled (posted events until a round of them moves no control), the
// controls of `root` cut or out of their parent, named; a picture of `w` when asked for.
inline QStringList Clipped(QWidget* w, QWidget* root, const QString& name) {
  QList<QRect> before;
  const auto still = [root, &before] {
    QList<QRect> now;
    for (const QWidget* c : root->findChildren<QWidget*>()) now << c->geometry();
    return std::exchange(before, now) == now;
  };
  if (!QTest::qWaitFor(still, 5000)) return {name + QStringLiteral(": layouts never settle")};
  const QString shots = qEnvironmentVariable("TAMARACK_SCREENSHOTS");
  if (!shots.isEmpty()) w->grab().save(shots + QStringLiteral("/%1.png").arg(name));
  QStringList out;
  for (QWidget* c : root->findChildren<QWidget*>()) {
    // Qt's own parts of a control (a spin box's editor) are the control's business; a scroll
    // area's content may be larger than its viewport: that is what it scrolls.
    if (!c->isVisible() || c->isWindow() || c->objectName().startsWith(QStringLiteral("qt_")))
      continue;
    const QString what =
        name + QStringLiteral(": %1 \"%2\"")
                   .arg(QString::fromLatin1(c->metaObject()->className()), c->objectName());
    const QWidget* parent = c->parentWidget();
    if (parent && parent->objectName() != QStringLiteral("qt_scrollarea_viewport") &&
        !parent->rect().contains(c->geometry()))
      out << what + QStringLiteral(" leaves its parent");
    const QSize need = Needed(c);
    if (c->width() < need.width() || c->height() < need.height())
      out << what + QStringLiteral(" %1x%2 < %3x%4")
                        .arg(c->width())
                        .arg(c->height())
                        .arg(need.width())
                        .arg(need.height());
  }
  return out;
}

// A read that failed at block 76863, the drive naming it.
inline constexpr std::uint8_t kReadErrorSense[] = {0xF0, 0, 0x03, 0x00, 0x01, 0x2C, 0x3F, 10, 0,
                                                   0,    0, 0,    0x11, 0x00, 0,    0,    0,  0};

// The Command tab at the window's size: its form never scrolls sideways, and the result shows
// twelve lines at least.
inline QStringList CommandTabProblems(CommandTab* tab, const QString& name) {
  QStringList out;
  const auto* scroll = tab->findChild<QScrollArea*>(QStringLiteral("commandScroll"));
  if (scroll->horizontalScrollBar()->isVisible())
    out << name + QStringLiteral(": scrolls sideways");
  for (const QAbstractScrollArea* box : {static_cast<QAbstractScrollArea*>(tab->decoded_box()),
                                         static_cast<QAbstractScrollArea*>(tab->dump_box()),
                                         static_cast<QAbstractScrollArea*>(tab->result_list())}) {
    const int lines = box->viewport()->height() / box->fontMetrics().lineSpacing();
    if (box->isVisible() && lines < 12)
      out << name + QStringLiteral(": %1 shows %2 lines").arg(box->objectName()).arg(lines);
  }
  return out;
}

// Walks every tab page (some Command tab entries among them) at 750 x 600 (and 1280 x 1024 when
// taking pictures) and every dialog the window opens; `visit` sees each page and dialog as it is
// shown. Returns the problems found, named.
inline QStringList FitProblems(WindowBench& b,
                               const std::function<void(QWidget*, const QString&)>& visit = {}) {
  MainWindow& w = *b.window;
  w.resize(750, 600);
  w.show();
  if (!QTest::qWaitForWindowExposed(&w)) return {QStringLiteral("the window never shows")};
  struct {
    int tab;
    const char* command;  // a Command tab entry to select first, or null
    const char* name;
  } const kPages[] = {{kTabSectorDump, nullptr, "dump"},
                      {kTabToc, nullptr, "toc"},
                      {kTabProperties, nullptr, "properties"},
                      {kTabCommand, "28h Read(10)", "command-read10"},
                      {kTabCommand, "5ah Mode Sense(10)", "command-modesense"},
                      {kTabCommand, "55h Mode Select(10)", "command-modeselect"},
                      {kTabCommand, "46h Get Configuration", "command-getconfiguration"},
                      {kTabCommand, "1bh Start Stop Unit", "command-startstopunit"},
                      {kTabCommand, "12h Inquiry", "command-inquiry"},
                      {kTabCommand, "00h User01", "command-userslot"},
                      {kTabAgeing, nullptr, "aging"},
                      {kTabMeasure, nullptr, "measure"},
                      {kTabOthers, nullptr, "others"}};
  QStringList problems;
  // Pictures are taken at a large size too.
  std::vector<QSize> sizes = {QSize(750, 600)};
  if (!qEnvironmentVariable("TAMARACK_SCREENSHOTS").isEmpty()) sizes.emplace_back(1280, 1024);
  for (const QSize size : sizes) {
    w.resize(size);
    for (const auto& page : kPages) {
      w.tabs()->setCurrentIndex(page.tab);
      const QString command = QString::fromUtf8(page.command ? page.command : "");
      w.command_tab()->SetListKind(command.contains(QStringLiteral("User")) ? ListKind::kUser
                                                                            : ListKind::kCode);
      if (page.command) b.Select(command);
      if (page.tab == kTabToc) w.exec_button()->click();  // the list filled, in one go
      const QString name =
          QStringLiteral("%1-%2").arg(QString::fromUtf8(page.name)).arg(size.width());
      problems << Clipped(&w, w.centralWidget(), name);
      if (visit) visit(&w, name);
      if (w.size() != size) problems << name + QStringLiteral(": the window changed its size");
      if (page.tab == kTabCommand && size.width() == 750)
        problems << CommandTabProblems(w.command_tab(), name);
    }
  }
  w.resize(750, 600);
  // The dialogs at the size they open with, in the window's font.
  int tool_tab = 0;
  JobRunner runner(w.session(), RealClock());
  for (QDialog* d : std::initializer_list<QDialog*>{
           new OptionsDialog(Options{}, &w), new CommandSaveDialog(CommandFileContent::kAll, &w),
           new DumpSaveDialog(DumpSaveForm::kText, &w),
           new LogSettingDialog(LogOptionWord(), true, QStringLiteral("/tmp/Log.htm"),
                                QStringLiteral("/tmp"), &w),
           new LoopCountDialog(10, &w),
           new ReadCdDetailDialog(Cdb{0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0xF8, 0x02}, &w),
           new RequestSenseDialog(BuiltInSenseTable(), kReadErrorSense, &w),
           new ToolsDialog(w.session(), runner, &tool_tab, false, &w),
           new ReferenceDataDialog(w.session(), runner, &b.drives, {}, &w),
           new ContinueDialog(QStringLiteral("?"), &w), new ControlDataWindow(&w)}) {
    d->show();
    const QString name = QString::fromLatin1(d->metaObject()->className());
    if (!QTest::qWaitForWindowExposed(d)) problems << name + QStringLiteral(": never shows");
    problems << Clipped(d, d, name);
    if (visit) visit(d, name);
    // A read-only line shows the whole of its text (the Read CD command's twelve bytes).
    for (const QLineEdit* e : d->findChildren<QLineEdit*>()) {
      if (e->isReadOnly() && e->isVisible() &&
          e->fontMetrics().horizontalAdvance(e->text()) > e->contentsRect().width() - 4) {
        problems << QStringLiteral("%1: \"%2\" shows part of \"%3\"")
                        .arg(QString::fromLatin1(d->metaObject()->className()), e->objectName(),
                             e->text());
      }
    }
    delete d;
  }
  return problems;
}

}  // namespace tamarack::app::testing
