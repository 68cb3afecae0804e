#include "app/command_save_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "persist/tab_file.h"

namespace tamarack::app {

CommandSaveDialog::CommandSaveDialog(CommandFileContent content, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(kCommandSaveOptionTitle));
  setObjectName(QStringLiteral("commandSaveDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(QString::fromUtf8(kCommandSaveOptionGroup), this);
  auto* g = new QVBoxLayout(group);
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i] = new QRadioButton(
        QString::fromUtf8(CommandSaveOptionLabel(static_cast<CommandFileContent>(i))), group);
    g->addWidget(buttons_[i]);
  }
  option_button(content)->setChecked(true);
  layout->addWidget(group);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
}

CommandFileContent CommandSaveDialog::content() const {
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i]->isChecked()) return static_cast<CommandFileContent>(i);
  }
  return CommandFileContent::kAll;
}

}  // namespace tamarack::app
