// The main window: tool row, drive box, the seven tabs and the status line. It renders what
// the core computes and forwards what the user does.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "device/device_session.h"
#include "device/drive_directory.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace tamarack::app {

class CommandTab;

// Tab indexes are fixed.
enum TabIndex {
  kTabSectorDump = 0,
  kTabToc = 1,
  kTabProperties = 2,
  kTabCommand = 3,
  kTabAging = 4,
  kTabMeasure = 5,
  kTabOthers = 6,
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `drives` must outlive the window.
  explicit MainWindow(const DriveDirectory* drives, QWidget* parent = nullptr);
  ~MainWindow() override;

  QTabWidget* tabs() const { return tabs_; }
  QComboBox* drive_box() const { return drive_box_; }
  QLabel* status_label() const { return status_label_; }
  QPushButton* exec_button() const { return exec_button_; }
  DeviceSession& session() { return session_; }
  CommandTab* command_tab() const { return command_tab_; }

  // The Exec button's caption for a tab.
  static QString ExecCaption(int tab);

  // Puts a tab's page in place of its empty placeholder (the window takes ownership) and
  // names what the Exec button does while that tab is shown.
  void InstallTab(int index, QWidget* page);
  void SetExecAction(int index, std::function<void()> action);
  // Changes the Exec caption while a job runs ("Cancel(&E)"), or back with an empty text.
  void SetExecCaptionOverride(const QString& caption);

 private:
  void FillDriveBox();
  void OnDriveChanged(int index);
  void OnTabChanged(int index);

  const DriveDirectory* drives_;
  DeviceSession session_;
  QTabWidget* tabs_ = nullptr;
  QComboBox* drive_box_ = nullptr;
  QLabel* status_label_ = nullptr;
  QPushButton* exec_button_ = nullptr;
  std::array<std::function<void()>, 7> exec_actions_;
  QString exec_override_;
  CommandTab* command_tab_ = nullptr;
};

}  // namespace tamarack::app
