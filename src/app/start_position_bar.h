// The start position row's buttons beside the form: four quick-set buttons (address 0, one
// back, one on, the last LBA from Read CD-ROM Capacity) and the track box of the disc's
// tracks. Shown with forms that have an address box or a "Starting MSF"/"Ending MSF" pair.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "console/console.h"
#include "device/device_session.h"
#include "views/start_position.h"

class QComboBox;
class QPushButton;

namespace tamarack::app {

class StartPositionBar : public QWidget {
  Q_OBJECT

 public:
  // `console` and `session` must outlive the bar.
  StartPositionBar(Console& console, DeviceSession& session, QWidget* parent = nullptr);

  // After a form was built (or the base switched): shown only when the form has a start
  // position row; the track box is refilled from the session's TOC cache, keeping its
  // position.
  void Rebuild();
  // The selected disc's tracks and its end (the lead-out start); the track box shows them.
  void SetTrackBox(std::vector<TrackBoxEntry> entries, std::uint32_t end_address);

  QPushButton* button(QuickSet which) const { return buttons_[static_cast<std::size_t>(which)]; }
  QComboBox* track_box() const { return tracks_; }

 signals:
  // Fields of the console changed: the form and the CDB line are to be refreshed.
  void FieldsChanged();

 private:
  void Press(QuickSet which);
  void OnTrackChosen(int index);
  void Apply(const std::vector<FieldUpdate>& updates);

  Console& console_;
  DeviceSession& session_;
  std::array<QPushButton*, 4> buttons_{};
  QComboBox* tracks_ = nullptr;
  std::vector<TrackBoxEntry> entries_;
  std::uint32_t disc_end_ = 0;
  bool filling_ = false;
};

}  // namespace tamarack::app
