#include "app/dump_save_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "persist/dump_file.h"

namespace tamarack::app {

DumpSaveDialog::DumpSaveDialog(DumpSaveForm form, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(kDumpSaveOptionTitle));
  setObjectName(QStringLiteral("dumpSaveDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(QString::fromUtf8(kDumpSaveOptionGroup), this);
  auto* g = new QVBoxLayout(group);
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i] =
        new QRadioButton(QString::fromUtf8(DumpSaveFormLabel(static_cast<DumpSaveForm>(i))), group);
    g->addWidget(buttons_[i]);
  }
  form_button(form)->setChecked(true);
  layout->addWidget(group);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
}

DumpSaveForm DumpSaveDialog::form() const {
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i]->isChecked()) return static_cast<DumpSaveForm>(i);
  }
  return DumpSaveForm::kText;
}

}  // namespace tamarack::app
