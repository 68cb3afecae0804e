// The help window: the user guide (docs/user-guide.md, compiled into the program) in a text
// browser, whole or one section at a time, with no browser needed. The same window shows a
// file the desktop cannot open (the ageing log): HTML rendered, any other text as text.
// One window for the program; each request brings it up with the asked-for content.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QTextBrowser;

namespace tamarack::app {

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  // The open help window, or null.
  static HelpWindow* Current();

  // The guide's section titled `section` (empty: the whole guide), beside `near`'s window.
  static HelpWindow* ShowSection(QWidget* near, const QString& section);
  // A help button's page ("commsen.htm", "tool1.htm", ...: shell/help_topics.h).
  static HelpWindow* ShowPage(QWidget* near, const QString& page);
  // A main window tab's section.
  static HelpWindow* ShowTab(QWidget* near, int tab);
  // The text of `path`: HTML as a page when `html`, else as plain text. False, with the
  // reason in `error`, when the file cannot be read.
  static bool ShowFile(QWidget* near, const QString& path, bool html, QString* error);

  // The whole guide, as compiled in.
  static QString GuideText();

  QTextBrowser* browser() const { return browser_; }
  // What is shown: the section's title, "" for the whole guide, or the file's path.
  QString shown() const { return shown_; }

 private:
  explicit HelpWindow(QWidget* near);
  static HelpWindow* Bring(QWidget* near);

  QTextBrowser* browser_ = nullptr;
  QLabel* title_ = nullptr;
  QString shown_;
};

// "ﾊﾞｰｼﾞｮﾝ表示": the program's version and revision, the Qt it runs on and its licence.
QString VersionBoxText();
void ShowVersionBox(QWidget* parent);

}  // namespace tamarack::app
