// The save option dialogs: a group of three radio buttons and OK/Cancel. "保存オプション(コマンド)"
// chooses which command lines a command file holds, the dump's dialog the form of a dump file.
#pragma once

#include <QDialog>
#include <QStringList>
#include <array>

#include "shell/settings_format.h"
#include "shell/tab_file.h"
#include "tools/dump_file.h"

class QRadioButton;

namespace tamarack::app {

class SaveOptionDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens with option `chosen` (0 to 2) checked.
  SaveOptionDialog(const char* title, const char* group, const QStringList& labels, int chosen,
                   const QString& object_name, QWidget* parent);

  int chosen() const;
  QRadioButton* button(int i) const { return buttons_.at(static_cast<std::size_t>(i)); }

 private:
  std::array<QRadioButton*, 3> buttons_{};
};

// Which command lines a command file holds; opens on the option chosen last in this run.
class CommandSaveDialog : public SaveOptionDialog {
  Q_OBJECT

 public:
  explicit CommandSaveDialog(CommandFileContent content, QWidget* parent = nullptr);
  CommandFileContent content() const { return static_cast<CommandFileContent>(chosen()); }
  QRadioButton* option_button(CommandFileContent content) const {
    return button(static_cast<int>(content));
  }
};

// The form of a dump file; opens on the one chosen last.
class DumpSaveDialog : public SaveOptionDialog {
  Q_OBJECT

 public:
  explicit DumpSaveDialog(DumpSaveForm form, QWidget* parent = nullptr);
  DumpSaveForm form() const { return static_cast<DumpSaveForm>(chosen()); }
  QRadioButton* form_button(DumpSaveForm form) const { return button(static_cast<int>(form)); }
};

}  // namespace tamarack::app
