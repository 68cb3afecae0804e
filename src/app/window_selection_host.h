// The window's side of drive selection: the title, the disc indicator, the track box and the
// disc extent of the Measure and Aging tabs.
#pragma once

#include <QMainWindow>
#include <QTabWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/status_board.h"
#include "mmc/drive_selection.h"

namespace tamarack::app {

class AgeingTab;
class DiscIndicatorWidget;
class MeasureTab;

class WindowSelectionHost final : public SelectionHost {
 public:
  WindowSelectionHost(
      QMainWindow* window, DiscIndicatorWidget* indicator, QTabWidget* tabs, MeasureTab* measure,
      AgeingTab* ageing, StatusBoard* status, std::function<void()> clear_results,
      std::function<void(const std::vector<TrackBoxEntry>&, std::uint32_t)> set_track_box);
  void ClearResults() override;
  void SetTrackBox(const std::vector<TrackBoxEntry>& entries, std::uint32_t end_address) override;
  void ShowStatusLine(const std::string& text) override;
  void SetTitle(const std::string& title) override;
  void SetDiscPresent(bool present) override;
  bool WantsDiscExtent() override;
  void SetDiscExtent(std::uint32_t first_track_lba, std::uint32_t last_lba) override;

 private:
  QMainWindow* window_;
  DiscIndicatorWidget* indicator_;
  QTabWidget* tabs_;
  MeasureTab* measure_;
  AgeingTab* ageing_;
  StatusBoard* status_;
  std::function<void()> clear_results_;
  std::function<void(const std::vector<TrackBoxEntry>&, std::uint32_t)> set_track_box_;
};

}  // namespace tamarack::app
