#include "app/save_option_dialog.h"

#include "app/ui_text.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tamarack::app {

SaveOptionDialog::SaveOptionDialog(const char* title, const char* group_title,
                                   const QStringList& labels, int chosen,
                                   const QString& object_name, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(UiText(title));
  setObjectName(object_name);
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(UiText(group_title), this);
  auto* g = new QVBoxLayout(group);
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i] = new QRadioButton(labels.value(static_cast<qsizetype>(i)), group);
    g->addWidget(buttons_[i]);
  }
  button(chosen)->setChecked(true);
  layout->addWidget(group);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
}

int SaveOptionDialog::chosen() const {
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i]->isChecked()) return static_cast<int>(i);
  }
  return 0;
}

namespace {

template <typename Option, typename Label>
QStringList LabelsOf(Label label) {
  QStringList labels;
  for (int i = 0; i < 3; ++i) labels << UiText(label(static_cast<Option>(i)));
  return labels;
}

}  // namespace

CommandSaveDialog::CommandSaveDialog(CommandFileContent content, QWidget* parent)
    : SaveOptionDialog(kCommandSaveOptionTitle, kCommandSaveOptionGroup,
                       LabelsOf<CommandFileContent>(CommandSaveOptionLabel),
                       static_cast<int>(content), QStringLiteral("commandSaveDialog"), parent) {}

DumpSaveDialog::DumpSaveDialog(DumpSaveForm form, QWidget* parent)
    : SaveOptionDialog(kDumpSaveOptionTitle, kDumpSaveOptionGroup,
                       LabelsOf<DumpSaveForm>(DumpSaveFormLabel), static_cast<int>(form),
                       QStringLiteral("dumpSaveDialog"), parent) {}

}  // namespace tamarack::app
