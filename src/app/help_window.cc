#include "app/help_window.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialog_placement.h"
#include "app/ui_text.h"
#include "shell/help_topics.h"
#include "util/message_catalogue.h"
#include "util/version.h"

namespace tamarack::app {

namespace {

// The guides as the build put them into the program's resources.
constexpr const char* kEnglishGuide = ":/help/user-guide.md";
constexpr const char* kJapaneseGuide = ":/help/user-guide.ja.md";
// A log bigger than this is shown from its start with a note: the viewer is for reading.
constexpr qint64 kMostShownBytes = 8 * 1024 * 1024;

QPointer<HelpWindow>& OpenHelpWindow() {
  static QPointer<HelpWindow> instance;
  return instance;
}

// The window the help belongs to: a modal dialog open now (it would block any other), else
// the asking widget's window.
QWidget* HelpOwner(QWidget* near) {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return near ? near->window() : nullptr;
}

QString GuideTitle() { return UiText("Tamarack ユーザーガイド"); }

}  // namespace

HelpWindow* HelpWindow::Current() { return OpenHelpWindow().data(); }

QString HelpWindow::GuideText() {
  QFile file(QString::fromLatin1(CatalogueInUse() ? kEnglishGuide : kJapaneseGuide));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QString HelpWindow::SectionTitle(const char* section) { return UiText(section); }

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("helpWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(UiText("Tamarack ﾍﾙﾌﾟ"));
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  back_ = new QPushButton(UiText("戻る"), this);
  back_->setObjectName(QStringLiteral("helpBack"));
  back_->setEnabled(false);
  row->addWidget(back_);
  whole_ = new QPushButton(UiText("全ﾍﾙﾌﾟ表示"), this);
  whole_->setObjectName(QStringLiteral("helpWholeGuide"));
  row->addWidget(whole_);
  contents_ = new QComboBox(this);
  contents_->setObjectName(QStringLiteral("helpContents"));
  contents_->setToolTip(UiText("目次"));
  contents_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  contents_->setMinimumContentsLength(16);
  row->addWidget(contents_, 1);
  search_ = new QLineEdit(this);
  search_->setObjectName(QStringLiteral("helpSearch"));
  search_->setPlaceholderText(UiText("検索"));
  search_->setClearButtonEnabled(true);
  row->addWidget(search_, 1);
  for (QPushButton* b : {back_, whole_}) b->setAutoDefault(false);
  layout->addLayout(row);
  title_ = new QLabel(this);
  title_->setObjectName(QStringLiteral("helpTitle"));
  layout->addWidget(title_);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  browser_->setOpenLinks(false);  // no link leaves the program; a heading link shows its part
  layout->addWidget(browser_, 1);

  // The contents: every heading of the guide, indented by its level.
  const QString guide = GuideText();
  for (const GuideHeading& h : GuideHeadings(guide.toStdString())) {
    const QString title = QString::fromStdString(h.title);
    contents_->addItem(QString(2 * (h.level - 1), QLatin1Char(' ')) + title, title);
  }
  connect(contents_, &QComboBox::activated, this, [this](int index) {
    // The first heading is the guide's own title: the whole guide.
    Show(index == 0 ? QString() : contents_->itemData(index).toString(), true);
  });
  connect(whole_, &QPushButton::clicked, this, [this] { Show(QString(), true); });
  connect(back_, &QPushButton::clicked, this, [this] {
    if (earlier_.isEmpty()) return;
    const QString section = earlier_.takeLast();
    Show(section, false);
  });
  connect(search_, &QLineEdit::returnPressed, this, &HelpWindow::FindNext);
  connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    if (url.hasFragment() && url.path().isEmpty()) browser_->scrollToAnchor(url.fragment());
  });
  for (const QKeySequence& key :
       {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
    auto* close = new QShortcut(key, this);
    close->setContext(Qt::WindowShortcut);
    connect(close, &QShortcut::activated, this, &QWidget::close);
  }
  auto* find = new QShortcut(QKeySequence::Find, this);
  connect(find, &QShortcut::activated, this, [this] {
    search_->setFocus();
    search_->selectAll();
  });
}

void HelpWindow::FindNext() {
  const QString text = search_->text();
  if (text.isEmpty()) return;
  // On past the last hit: from the top again.
  if (!browser_->find(text)) {
    browser_->moveCursor(QTextCursor::Start);
    browser_->find(text);
  }
}

void HelpWindow::Place(QWidget* near) {
  const QWidget* anchor = near ? near->window() : nullptr;
  const QRect area = anchor ? AvailableAreaOf(anchor)
                            : (QGuiApplication::primaryScreen()
                                   ? QGuiApplication::primaryScreen()->availableGeometry()
                                   : QRect(0, 0, 1024, 768));
  // The window system's frame counts: a title bar must not push the window off the screen.
  const QWidget* framed = anchor ? anchor : this;
  const QSize decorations = framed->frameGeometry().size() - framed->geometry().size();
  const QSize room = area.size() - decorations;
  resize(std::min(720, room.width()), std::min(640, room.height()));
  if (!anchor) return;
  const QRect frame(anchor->frameGeometry().topLeft() + QPoint(40, 40), size() + decorations);
  move(KeepInside(frame, area));
}

HelpWindow* HelpWindow::Bring(QWidget* near) {
  QWidget* owner = HelpOwner(near);
  HelpWindow* w = OpenHelpWindow().data();
  if (w && w->parentWidget() != owner) {
    // Another owner: the window follows it, so that it stays above it and usable.
    const bool was_open = w->isVisible();
    w->setParent(owner, Qt::Window);
    if (!was_open) w->Place(near);
  } else if (!w) {
    w = new HelpWindow(owner);
    OpenHelpWindow() = w;
    w->Place(near);
  }
  w->show();
  w->raise();
  w->activateWindow();
  return w;
}

void HelpWindow::Show(const QString& section, bool remember) {
  if (remember && showing_guide_ && shown_ != section) earlier_.push_back(shown_);
  back_->setEnabled(!earlier_.isEmpty());
  const QString guide = GuideText();
  QString text = guide;
  if (!section.isEmpty()) {
    const std::optional<std::string> part =
        GuideSection(guide.toStdString(), section.toStdString());
    text = part ? QString::fromStdString(*part)
                : UiText("ユーザーガイドにはセクション \"%1\" がありません").arg(section);
  }
  shown_ = section;
  showing_guide_ = true;
  title_->setText(section.isEmpty() ? GuideTitle() : section);
  const int at = contents_->findData(section.isEmpty() ? contents_->itemData(0) : section);
  if (at >= 0) contents_->setCurrentIndex(at);
  browser_->setFont(font());
  browser_->setMarkdown(text);
}

HelpWindow* HelpWindow::ShowSection(QWidget* near, const QString& section) {
  HelpWindow* w = Bring(near);
  w->Show(section, true);
  return w;
}

HelpWindow* HelpWindow::ShowPage(QWidget* near, const QString& page) {
  const std::optional<std::string_view> section = SectionOfPage(page.toStdString());
  return ShowSection(near, section ? SectionTitle(std::string(*section).c_str()) : QString());
}

HelpWindow* HelpWindow::ShowTab(QWidget* near, int tab) {
  return ShowSection(near, SectionTitle(std::string(SectionOfTab(tab)).c_str()));
}

bool HelpWindow::ShowFile(QWidget* near, const QString& path, bool html, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  const QByteArray bytes = file.read(kMostShownBytes);
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return false;
  }
  const bool cut = !file.atEnd();
  HelpWindow* w = Bring(near);
  if (w->showing_guide_) w->earlier_.push_back(w->shown_);
  w->back_->setEnabled(!w->earlier_.isEmpty());
  w->showing_guide_ = false;
  w->shown_ = path;
  w->title_->setText(
      cut ? UiText("%1 (先頭の %2 MiB)").arg(path).arg(kMostShownBytes / (1024 * 1024)) : path);
  const QString text = QString::fromUtf8(bytes);
  if (html) {
    w->browser_->setFont(w->font());
    w->browser_->setHtml(text);
  } else {
    // A text log keeps its columns and its lines.
    w->browser_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    w->browser_->setPlainText(text);
  }
  return true;
}

QString VersionBoxText() {
  const std::string revision(SourceRevision());
  return UiText(
             "Tamarack %1\n"
             "リビジョン: %2\n"
             "Qt %3 (%4 でビルド)\n\n"
             "ライセンス: BSD 2-Clause License (配布物の LICENSE を参照)。\n"
             "Qt は GNU Lesser General Public License 第3版の下で使用しています。")
      .arg(QString::fromUtf8(ProjectVersion().data(),
                             static_cast<qsizetype>(ProjectVersion().size())),
           revision.empty() ? UiText("(git のチェックアウトからのビルドではありません)")
                            : QString::fromStdString(revision),
           QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
}

void ShowVersionBox(QWidget* parent) {
  auto* box = new QMessageBox(QMessageBox::Information, UiText("ﾊﾞｰｼﾞｮﾝ表示"), VersionBoxText(),
                              QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("versionBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace tamarack::app
