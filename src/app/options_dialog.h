// The option dialog "動作オプション": the disc indicator, the Control Byte row, execution on
// selection, the command time-out, the (hidden) receive length, the virtual drives, the
// window's language and the command trace.
#pragma once

#include <QDialog>

#include "shell/options.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QPushButton;

namespace tamarack::app {

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  OptionsDialog(const Options& current, QWidget* parent = nullptr);

  // The options after OK: a number box holding 0 keeps the previous value.
  Options Result() const;

  QCheckBox* indicator_box() const { return indicator_; }
  QCheckBox* control_byte_box() const { return control_byte_; }
  QCheckBox* execute_box() const { return execute_; }
  QCheckBox* virtual_drives_box() const { return virtual_drives_; }
  QCheckBox* trace_box() const { return trace_; }
  QLineEdit* trace_file_box() const { return trace_file_; }
  QComboBox* language_box() const { return language_; }
  QSpinBox* timeout_box() const { return timeout_; }
  QSpinBox* receive_length_box() const { return receive_length_; }
  QPushButton* initialise_button() const { return initialise_; }

 private:
  void Show(const Options& o);
  Options Entered() const;

  Options previous_;
  QCheckBox* indicator_ = nullptr;
  QCheckBox* control_byte_ = nullptr;
  QCheckBox* execute_ = nullptr;
  QCheckBox* virtual_drives_ = nullptr;
  QCheckBox* trace_ = nullptr;
  QLineEdit* trace_file_ = nullptr;
  QComboBox* language_ = nullptr;
  QSpinBox* timeout_ = nullptr;
  QSpinBox* receive_length_ = nullptr;
  QPushButton* initialise_ = nullptr;
};

}  // namespace tamarack::app
