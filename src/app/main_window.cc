#include "app/main_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/command_tab.h"
#include "device/drive_selection.h"
#include "device/sense.h"

namespace tamarack::app {

namespace {

// The window's side of drive selection.
class WindowSelectionHost final : public SelectionHost {
 public:
  explicit WindowSelectionHost(QMainWindow* window) : window_(window) {}
  void SetTitle(const std::string& title) override {
    window_->setWindowTitle(QString::fromStdString(title));
  }

 private:
  QMainWindow* window_;
};

}  // namespace

QString MainWindow::ExecCaption(int tab) {
  switch (tab) {
    case kTabSectorDump:
    case kTabToc:
      return QStringLiteral("Read(&E)");
    case kTabProperties:
      return QStringLiteral("Get(&E)");
    case kTabCommand:
      return QStringLiteral("Send(&E)");
    case kTabAging:
    case kTabMeasure:
      return QStringLiteral("Start(&E)");
    default:
      return QStringLiteral("None");
  }
}

MainWindow::MainWindow(const DriveDirectory* drives, QWidget* parent)
    : QMainWindow(parent), drives_(drives), session_(drives, BuiltInSenseTable()) {
  setWindowTitle(QStringLiteral("Tamarack"));
  setMinimumSize(750, 600);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  auto* top = new QHBoxLayout;
  drive_box_ = new QComboBox(central);
  drive_box_->setObjectName(QStringLiteral("driveBox"));
  drive_box_->setMinimumContentsLength(16);
  exec_button_ = new QPushButton(central);
  exec_button_->setObjectName(QStringLiteral("execButton"));
  top->addWidget(drive_box_);
  top->addStretch(1);
  top->addWidget(exec_button_);
  layout->addLayout(top);

  tabs_ = new QTabWidget(central);
  tabs_->setObjectName(QStringLiteral("tabs"));
  static const char* const kTabLabels[] = {"Sector Dump(&D)", "Toc(&T)",   "Properties(&P)",
                                           "Command(&C)",     "Aging(&A)", "Measure(&M)",
                                           "Others(&O)"};
  for (const char* label : kTabLabels) tabs_->addTab(new QWidget(tabs_), QString::fromUtf8(label));
  layout->addWidget(tabs_, 1);
  setCentralWidget(central);

  status_label_ = new QLabel(this);
  status_label_->setObjectName(QStringLiteral("statusLine"));
  statusBar()->addWidget(status_label_, 1);
  // The status line is written from worker threads: hop to the window thread.
  session_.status_line.SetObserver([this](const std::string& text) {
    QMetaObject::invokeMethod(
        status_label_, [this, t = QString::fromStdString(text)] { status_label_->setText(t); },
        Qt::QueuedConnection);
  });

  connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::OnTabChanged);
  connect(exec_button_, &QPushButton::clicked, this, [this] {
    const int tab = tabs_->currentIndex();
    if (tab >= 0 && tab < static_cast<int>(exec_actions_.size()) &&
        exec_actions_[static_cast<std::size_t>(tab)]) {
      exec_actions_[static_cast<std::size_t>(tab)]();
    }
  });
  command_tab_ = new CommandTab(session_, tabs_);
  InstallTab(kTabCommand, command_tab_);
  SetExecAction(kTabCommand, [this] { command_tab_->Execute(); });
  OnTabChanged(tabs_->currentIndex());
  FillDriveBox();
  connect(drive_box_, &QComboBox::currentIndexChanged, this, &MainWindow::OnDriveChanged);
  if (drive_box_->currentIndex() >= 0) OnDriveChanged(drive_box_->currentIndex());
}

MainWindow::~MainWindow() {
  // A console command still running uses the session: let it end first.
  if (command_tab_) command_tab_->WaitForCommand();
  session_.status_line.SetObserver(nullptr);
}

void MainWindow::FillDriveBox() {
  drive_box_->clear();
  if (!drives_) return;
  const auto ids = drives_->ListDrives();
  for (const std::string& id : ids) drive_box_->addItem(QString::fromStdString(id));
  const int index = ChooseDriveIndex(ids, session_.saved_drive);
  if (index >= 0) drive_box_->setCurrentIndex(index);
}

void MainWindow::OnDriveChanged(int index) {
  if (index < 0) return;
  WindowSelectionHost host(this);
  SelectDrive(session_, drive_box_->itemText(index).toStdString(), host);
}

void MainWindow::InstallTab(int index, QWidget* page) {
  if (index < 0 || index >= tabs_->count()) return;
  const QString label = tabs_->tabText(index);
  const bool current = tabs_->currentIndex() == index;
  QWidget* old = tabs_->widget(index);
  tabs_->blockSignals(true);
  tabs_->removeTab(index);
  tabs_->insertTab(index, page, label);
  if (current) tabs_->setCurrentIndex(index);
  tabs_->blockSignals(false);
  delete old;
}

void MainWindow::SetExecAction(int index, std::function<void()> action) {
  if (index >= 0 && index < static_cast<int>(exec_actions_.size())) {
    exec_actions_[static_cast<std::size_t>(index)] = std::move(action);
  }
}

void MainWindow::SetExecCaptionOverride(const QString& caption) {
  exec_override_ = caption;
  OnTabChanged(tabs_->currentIndex());
}

void MainWindow::OnTabChanged(int index) {
  exec_button_->setText(exec_override_.isEmpty() ? ExecCaption(index) : exec_override_);
}

}  // namespace tamarack::app
