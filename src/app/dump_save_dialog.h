// The save option dialog "保存オプション(ダンプデータ)": the form a dump is saved in.
#pragma once

#include <QDialog>
#include <array>

#include "tools/control_data_view.h"

class QRadioButton;

namespace tamarack::app {

class DumpSaveDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens on `form` (the one chosen last).
  explicit DumpSaveDialog(DumpSaveForm form, QWidget* parent = nullptr);

  DumpSaveForm form() const;
  QRadioButton* form_button(DumpSaveForm form) const {
    return buttons_.at(static_cast<std::size_t>(form));
  }

 private:
  std::array<QRadioButton*, 3> buttons_{};
};

}  // namespace tamarack::app
