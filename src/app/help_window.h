// The help window: the user guide in the user's language (docs/user-guide.md in English,
// docs/user-guide.ja.md in Japanese, both compiled into the program) in a text browser, whole
// or one section at a time, with no browser needed: contents, back, search, closed with Esc or
// Ctrl+W. The same window shows a file the desktop cannot open (the ageing log): HTML
// rendered, any other text as text in a monospace face. One window for the program; each
// request brings it up with the asked-for content, above the window that asked (a modal
// dialog's help belongs to that dialog, so the dialog does not block it), inside its screen.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace tamarack::app {

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  // The open help window, or null.
  static HelpWindow* Current();

  // The guide's section titled `section` in the guide's language (empty: the whole guide),
  // above `near`'s window.
  static HelpWindow* ShowSection(QWidget* near, const QString& section);
  // A help button's page ("commsen.htm", "tool1.htm", ...: shell/help_topics.h).
  static HelpWindow* ShowPage(QWidget* near, const QString& page);
  // A main window tab's section.
  static HelpWindow* ShowTab(QWidget* near, int tab);
  // The text of `path`: HTML as a page when `html`, else as plain text. False, with the
  // reason in `error`, when the file cannot be read.
  static bool ShowFile(QWidget* near, const QString& path, bool html, QString* error);

  // The whole guide in the language of the window's texts, as compiled in.
  static QString GuideText();
  // The title of a section of shell/help_topics.h in the guide's language.
  static QString SectionTitle(const char* section);

  QTextBrowser* browser() const { return browser_; }
  QComboBox* contents() const { return contents_; }
  QPushButton* back_button() const { return back_; }
  QPushButton* whole_button() const { return whole_; }
  QLineEdit* search_box() const { return search_; }
  // What is shown: the section's title, "" for the whole guide, or the file's path.
  QString shown() const { return shown_; }

 private:
  explicit HelpWindow(QWidget* owner);
  static HelpWindow* Bring(QWidget* near);
  // Shows `section` of the guide; `remember`: the section shown before goes on the back list.
  void Show(const QString& section, bool remember);
  void FindNext();
  void Place(QWidget* near);

  QTextBrowser* browser_ = nullptr;
  QLabel* title_ = nullptr;
  QComboBox* contents_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* whole_ = nullptr;
  QLineEdit* search_ = nullptr;
  QString shown_;
  bool showing_guide_ = false;
  QStringList earlier_;  // the sections shown before, for Back
};

// "ﾊﾞｰｼﾞｮﾝ表示": the program's version and revision, the Qt it runs on and its licence.
QString VersionBoxText();
void ShowVersionBox(QWidget* parent);

}  // namespace tamarack::app
