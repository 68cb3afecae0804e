// The detail dialog "SectorDump Detail option": which parts of each raw sector the sector dump
// reads, over the bytes 9 and 10 of `SectorCdb`.
#pragma once

#include <QDialog>
#include <array>

#include "device/scsi.h"
#include "tools/read_cd_detail.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace tamarack::app {

class ReadCdDetailDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens on bytes 9 and 10 of `sector_cdb`; uses the font of `parent` (the display font).
  explicit ReadCdDetailDialog(const Cdb& sector_cdb, QWidget* parent = nullptr);

  // The options the controls show.
  ReadCdDetail detail() const;
  // OK: bytes 9 and 10 of `sector_cdb` rebuilt from the controls.
  void ApplyTo(Cdb* sector_cdb) const { ApplyDetail(detail(), sector_cdb); }

  // Sync, Header, Sub Header, User Data, EDC And ECC.
  QCheckBox* part_box(int index) const { return parts_.at(static_cast<std::size_t>(index)); }
  // None, C2 Error, C2 And Block.
  QRadioButton* error_button(int index) const {
    return errors_.at(static_cast<std::size_t>(index));
  }
  // None, RAW, Q, P-W.
  QRadioButton* sub_button(int index) const { return subs_.at(static_cast<std::size_t>(index)); }
  QLineEdit* command_line() const { return command_; }

 private:
  void Show(const ReadCdDetail& detail);
  void Refresh();

  std::array<QCheckBox*, 5> parts_{};
  std::array<QRadioButton*, 3> errors_{};
  std::array<QRadioButton*, 4> subs_{};
  QLineEdit* command_ = nullptr;
};

}  // namespace tamarack::app
