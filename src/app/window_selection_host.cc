#include "app/window_selection_host.h"

#include <utility>

#include "app/ageing_tab.h"
#include "app/disc_indicator_widget.h"
#include "app/measure_tab.h"
#include "shell/file_kinds.h"

namespace tamarack::app {

WindowSelectionHost::WindowSelectionHost(
    QMainWindow* window, DiscIndicatorWidget* indicator, QTabWidget* tabs, MeasureTab* measure,
    AgeingTab* ageing, StatusBoard* status, std::function<void()> clear_results,
    std::function<void(const std::vector<TrackBoxEntry>&, std::uint32_t)> set_track_box)
    : window_(window),
      indicator_(indicator),
      tabs_(tabs),
      measure_(measure),
      ageing_(ageing),
      status_(status),
      clear_results_(std::move(clear_results)),
      set_track_box_(std::move(set_track_box)) {}

void WindowSelectionHost::ClearResults() {
  if (clear_results_) clear_results_();
}

// The Command tab's start position row keeps the entries.
void WindowSelectionHost::SetTrackBox(const std::vector<TrackBoxEntry>& entries,
                                      std::uint32_t end_address) {
  if (set_track_box_) set_track_box_(entries, end_address);
}

void WindowSelectionHost::ShowStatusLine(const std::string& text) {
  status_->status_line.Set(text);
}

void WindowSelectionHost::SetTitle(const std::string& title) {
  window_->setWindowTitle(QString::fromStdString(title));
}

void WindowSelectionHost::SetDiscPresent(bool present) {
  if (indicator_) indicator_->SetDiscPresent(present);
}

// The Measure and Aging tabs show the disc's first track and last block.
bool WindowSelectionHost::WantsDiscExtent() {
  return (measure_ && tabs_->currentIndex() == kTabMeasure) ||
         (ageing_ && tabs_->currentIndex() == kTabAgeing);
}

void WindowSelectionHost::SetDiscExtent(std::uint32_t first_track_lba, std::uint32_t last_lba) {
  if (measure_ && tabs_->currentIndex() == kTabMeasure) {
    measure_->SetRange(first_track_lba, last_lba);
  }
  if (ageing_) {
    ageing_->SetDiscBounds(
        std::pair{static_cast<std::int32_t>(first_track_lba), static_cast<std::int32_t>(last_lba)});
  }
}

}  // namespace tamarack::app
