// The drive box's "Serve to the system" action: the selected virtual drive served to the
// operating system as /dev/srN (through the core's serving), the devices it got shown in the
// status bar, or why it cannot be.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "device/drive_directory.h"

class QComboBox;
class QLabel;
class QMenu;
class QStatusBar;

namespace tamarack::serve {
class OneDriveServing;
}

namespace tamarack::app {

class WindowPost;

class DriveServingControl final : public QObject {
  Q_OBJECT

 public:
  using ShowMessage = std::function<void(QMessageBox::Icon, const QString&)>;
  // Adds the action to `drive_box`'s context menu and a label to `status_bar`.
  DriveServingControl(QComboBox* drive_box, const DriveDirectory* drives, QStatusBar* status_bar,
                      ShowMessage show_message);
  ~DriveServingControl() override;

  // The actions of the context menu (tests call them directly).
  void ServeSelectedDrive();
  void StopServing();
  // The context menu as it would open now.
  void FillMenu(QMenu* menu);

  bool Busy() const { return starting_; }
  QLabel* served_label() const { return served_label_; }

 private:
  void Finish(const std::string& id, const std::string& error, const QString& devices);
  void JoinStarter();

  QComboBox* drive_box_;
  const DriveDirectory* drives_;
  ShowMessage show_message_;
  QLabel* served_label_;
  WindowPost* post_;
  std::unique_ptr<serve::OneDriveServing> serving_;
  std::thread starter_;
  bool starting_ = false;
  std::string served_id_;
};

}  // namespace tamarack::app
