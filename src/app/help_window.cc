#include "app/help_window.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/ui_text.h"
#include "shell/help_topics.h"
#include "util/version.h"

namespace tamarack::app {

namespace {

// The guide as the build put it into the program's resources.
constexpr const char* kGuideResource = ":/help/user-guide.md";
// A log bigger than this is shown from its start with a note: the viewer is for reading.
constexpr qint64 kMostShownBytes = 8 * 1024 * 1024;

QPointer<HelpWindow>& OpenHelpWindow() {
  static QPointer<HelpWindow> instance;
  return instance;
}

}  // namespace

HelpWindow* HelpWindow::Current() { return OpenHelpWindow().data(); }

QString HelpWindow::GuideText() {
  QFile file(QString::fromLatin1(kGuideResource));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

HelpWindow::HelpWindow(QWidget* near) : QWidget(nullptr, Qt::Window) {
  setObjectName(QStringLiteral("helpWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(UiText("Tamarack ﾍﾙﾌﾟ"));
  if (near) setFont(near->window()->font());
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  title_ = new QLabel(this);
  row->addWidget(title_, 1);
  auto* whole = new QPushButton(UiText("全ﾍﾙﾌﾟ表示"), this);
  whole->setObjectName(QStringLiteral("helpWholeGuide"));
  whole->setAutoDefault(false);
  row->addWidget(whole);
  layout->addLayout(row);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  browser_->setOpenLinks(false);  // no link leaves the program; a heading link shows its part
  layout->addWidget(browser_, 1);
  connect(whole, &QPushButton::clicked, this, [this] { ShowSection(this, QString()); });
  connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    if (url.hasFragment() && url.path().isEmpty()) browser_->scrollToAnchor(url.fragment());
  });
  // Beside the window that asked, inside the screen that holds it.
  const QScreen* screen = near ? near->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  resize(std::min(720, area.width()), std::min(640, area.height()));
  if (near) {
    const QRect w = near->window()->frameGeometry();
    QPoint at(w.left() + 40, w.top() + 40);
    at.setX(std::clamp(at.x(), area.left(), area.right() - width() + 1));
    at.setY(std::clamp(at.y(), area.top(), area.bottom() - height() + 1));
    move(at);
  }
}

HelpWindow* HelpWindow::Bring(QWidget* near) {
  HelpWindow* w = OpenHelpWindow().data();
  if (!w) {
    w = new HelpWindow(near);
    OpenHelpWindow() = w;
  }
  w->show();
  w->raise();
  w->activateWindow();
  return w;
}

HelpWindow* HelpWindow::ShowSection(QWidget* near, const QString& section) {
  HelpWindow* w = Bring(near);
  const QString guide = GuideText();
  QString text = guide;
  if (!section.isEmpty()) {
    const std::optional<std::string> part =
        GuideSection(guide.toStdString(), section.toStdString());
    text = part ? QString::fromStdString(*part)
                : QStringLiteral("The user guide has no section \"%1\".").arg(section);
  }
  w->shown_ = section;
  w->title_->setText(section.isEmpty() ? QStringLiteral("Tamarack user guide") : section);
  w->browser_->setMarkdown(text);
  return w;
}

HelpWindow* HelpWindow::ShowPage(QWidget* near, const QString& page) {
  const std::optional<std::string_view> section = SectionOfPage(page.toStdString());
  return ShowSection(
      near, section ? QString::fromUtf8(section->data(), static_cast<qsizetype>(section->size()))
                    : QString());
}

HelpWindow* HelpWindow::ShowTab(QWidget* near, int tab) {
  const std::string_view section = SectionOfTab(tab);
  return ShowSection(near,
                     QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())));
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
  w->shown_ = path;
  w->title_->setText(
      cut ? QStringLiteral("%1 (the first %2 MiB)").arg(path).arg(kMostShownBytes / (1024 * 1024))
          : path);
  const QString text = QString::fromUtf8(bytes);
  if (html) {
    w->browser_->setHtml(text);
  } else {
    w->browser_->setPlainText(text);
  }
  return true;
}

QString VersionBoxText() {
  const std::string revision(SourceRevision());
  return QStringLiteral(
             "Tamarack %1\n"
             "Revision: %2\n"
             "Qt %3 (built with %4)\n\n"
             "Licence: not yet chosen by its authors; no licence is granted beyond the law.\n"
             "Qt is used under the GNU Lesser General Public License, version 3.")
      .arg(QString::fromUtf8(ProjectVersion().data(),
                             static_cast<qsizetype>(ProjectVersion().size())),
           revision.empty() ? QStringLiteral("(not built from a git checkout)")
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
