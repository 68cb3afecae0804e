#include "app/drive_serving_control.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

#include "app/ui_text.h"
#include "app/view_text.h"
#include "app/window_post.h"
#include "emu/virtual_drive_id.h"
#include "util/strings.h"

#ifdef __linux__
#include "serve/system_serving.h"
#endif

namespace tamarack::app {

DriveServingControl::DriveServingControl(QComboBox* drive_box, const DriveDirectory* drives,
                                         QStatusBar* status_bar, ShowMessage show_message)
    : QObject(drive_box),
      drive_box_(drive_box),
      drives_(drives),
      show_message_(std::move(show_message)),
      served_label_(new QLabel(status_bar)),
      post_(new WindowPost(this)) {
  served_label_->setObjectName(QStringLiteral("servedLabel"));
  served_label_->hide();
  status_bar->addPermanentWidget(served_label_);
#ifdef __linux__
  serving_ = std::make_unique<serve::OneDriveServing>();
  drive_box_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(drive_box_, &QComboBox::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(drive_box_);
    FillMenu(&menu);
    menu.exec(drive_box_->mapToGlobal(at));
  });
#endif
}

#ifdef __linux__

DriveServingControl::~DriveServingControl() {
  // A start under way ends within the kernel's attach limit; its result is dropped with post_.
  JoinStarter();
  serving_->Stop();
}

void DriveServingControl::FillMenu(QMenu* menu) {
  QAction* serve = menu->addAction(UiText("システムにドライブとして提供"));
  serve->setObjectName(QStringLiteral("serveAction"));
  serve->setEnabled(!starting_);
  connect(serve, &QAction::triggered, this, &DriveServingControl::ServeSelectedDrive);
  if (!served_id_.empty()) {
    QAction* stop = menu->addAction(Text(StrFormat(Tr("%s の提供を止める"), served_id_.c_str())));
    stop->setObjectName(QStringLiteral("stopServingAction"));
    connect(stop, &QAction::triggered, this, &DriveServingControl::StopServing);
  }
}

void DriveServingControl::ServeSelectedDrive() {
  if (starting_ || drive_box_->currentIndex() < 0) return;
  const std::string id = drive_box_->currentText().toStdString();
  if (!emu::IsVirtualDriveId(id)) {
    show_message_(QMessageBox::Information,
                  Text(StrFormat(Tr("システムに提供できるのは仮想ドライブ (emu:...) だけです。%s "
                                    "はこのマシンのドライブです。"),
                                 id.c_str())));
    return;
  }
  const std::vector<std::string> missing = serve::MissingForServingHere();
  if (!missing.empty()) {
    std::string text = StrFormat(Tr("ここでは %s をシステムに提供できません:\n"), id.c_str());
    for (const std::string& m : missing) text += "\n- " + m;
    show_message_(QMessageBox::Information, Text(text));
    return;
  }
  // A handle of its own: the kernel's commands and the window's meet in the drive itself.
  OpenResult opened = drives_->Open(id);
  if (!opened.transport) {
    show_message_(QMessageBox::Critical, Text(opened.error));
    return;
  }
  JoinStarter();
  starting_ = true;
  served_label_->setText(Text(StrFormat(Tr("%s を提供しています..."), id.c_str())));
  served_label_->show();
  starter_ = std::thread([this, id, transport = std::move(opened.transport)]() mutable {
    serve::ServedDrive served;
    const std::string error = serving_->Start(id, std::move(transport), &served);
    const QString devices = Text(served.sr + " " + served.sg);
    post_->Post([this, id, error, devices] { Finish(id, error, devices); });
  });
}

void DriveServingControl::Finish(const std::string& id, const std::string& error,
                                 const QString& devices) {
  starting_ = false;
  JoinStarter();
  if (!error.empty()) {
    served_id_.clear();
    served_label_->hide();
    show_message_(QMessageBox::Critical,
                  Text(StrFormat(Tr("%s をシステムに提供できませんでした:\n\n%s"), id.c_str(),
                                 error.c_str())));
    return;
  }
  served_id_ = id;
  served_label_->setText(Text(StrFormat(Tr("%s の提供先: "), id.c_str())) + devices);
}

void DriveServingControl::StopServing() {
  if (starting_) return;
  const std::vector<std::string> left = serving_->Stop();
  served_id_.clear();
  served_label_->hide();
  if (!left.empty()) {
    std::string text = Tr("カーネルのターゲット設定に残ったもの:\n");
    for (const std::string& l : left) text += "\n- " + l;
    show_message_(QMessageBox::Warning, Text(text));
  }
}

void DriveServingControl::JoinStarter() {
  if (starter_.joinable()) starter_.join();
}

#else

DriveServingControl::~DriveServingControl() = default;
void DriveServingControl::FillMenu(QMenu*) {}
void DriveServingControl::ServeSelectedDrive() {
  show_message_(QMessageBox::Information,
                UiText("ドライブをシステムに提供するには Linux が必要です。"));
}
void DriveServingControl::StopServing() {}
void DriveServingControl::Finish(const std::string&, const std::string&, const QString&) {}
void DriveServingControl::JoinStarter() {}

#endif

}  // namespace tamarack::app
