// "RequestSense情報": the sense bytes of a drive's check condition (or of a Request Sense
// reply), the sense key, ASC and ASCQ, and the error table's message.
#pragma once

#include <QDialog>
#include <cstdint>
#include <span>

#include "device/sense.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tamarack::app {

class RequestSenseDialog : public QDialog {
  Q_OBJECT

 public:
  // `table` may be empty ("No Error Table"). `main_window` (may be null) gives the font and
  // the corner the dialog sits in.
  RequestSenseDialog(std::span<const SenseRow> table, std::span<const std::uint8_t> sense,
                     QWidget* main_window);

  const RequestSenseView& view() const { return view_; }
  QLineEdit* sense_line() const { return sense_line_; }
  QLineEdit* key_box() const { return key_box_; }
  QLineEdit* asc_box() const { return asc_box_; }
  QLineEdit* ascq_box() const { return ascq_box_; }
  // The information field (the failing block), decimal and hexadecimal; null without one.
  QLineEdit* information_box() const { return information_box_; }
  QLabel* message_label() const { return message_; }
  QLabel* heading_label() const { return heading_; }
  QPushButton* close_button() const { return close_; }

  // Puts the dialog's bottom-right corner on that of `main_window`.
  void PlaceAtCorner(QWidget* main_window);

 private:
  RequestSenseView view_;
  QLineEdit* sense_line_ = nullptr;
  QLineEdit* key_box_ = nullptr;
  QLineEdit* asc_box_ = nullptr;
  QLineEdit* ascq_box_ = nullptr;
  QLineEdit* information_box_ = nullptr;
  QLabel* message_ = nullptr;
  QLabel* heading_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace tamarack::app
