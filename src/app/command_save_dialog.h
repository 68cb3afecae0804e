// The save option dialog "保存オプション(コマンド)": which command lines a command file holds.
#pragma once

#include <QDialog>
#include <array>

#include "persist/settings_format.h"

class QRadioButton;

namespace tamarack::app {

class CommandSaveDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens on `content` (the option chosen last in this run).
  explicit CommandSaveDialog(CommandFileContent content, QWidget* parent = nullptr);

  CommandFileContent content() const;
  QRadioButton* option_button(CommandFileContent content) const {
    return buttons_.at(static_cast<std::size_t>(content));
  }

 private:
  std::array<QRadioButton*, 3> buttons_{};
};

}  // namespace tamarack::app
