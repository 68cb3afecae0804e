// The Others tab: the command monitor. Every command any tab, job, dialog or the disc
// indicator sends through the window's drive directory, as the command trace sees it (time,
// CDB, status or sense, bytes, duration), the newest at the bottom; a filter by opcode and
// "save as trace". The core keeps the commands (device/command_monitor.h); the tab reads them
// only while it is shown.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "device/command_monitor.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tamarack::app {

class CommandMonitorTab : public QWidget {
  Q_OBJECT

 public:
  // `monitor` must outlive the tab.
  explicit CommandMonitorTab(CommandMonitor& monitor, QWidget* parent = nullptr);

  // The save dialog: the chosen path, or empty for Cancel (tests replace it).
  std::function<QString(const QString& proposed)> choose_save_path;

  // Shows the commands the monitor got since the last look (the timer calls it while shown).
  void Refresh();
  // Writes the commands the filter passes as a trace file; false with the reason shown.
  bool SaveAsTrace(const QString& path);

  QTreeWidget* list() const { return list_; }
  QLineEdit* filter_box() const { return filter_; }
  QLabel* note() const { return note_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void ApplyFilter();
  void Append(const std::vector<MonitoredCommand>& commands);

  CommandMonitor& monitor_;
  QTimer timer_;
  std::uint64_t shown_ = 0;  // the newest sequence number looked at
  std::vector<std::uint8_t> opcodes_;
  QTreeWidget* list_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QLabel* note_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* clear_ = nullptr;
};

}  // namespace tamarack::app
