#include "app/loop_count_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui_text.h"
#include "util/strings.h"

namespace tamarack::app {

LoopCountDialog::LoopCountDialog(int count, QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiText("エージングループ回数"));
  setObjectName(QStringLiteral("loopCountDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(UiText("ループ回数"), this));
  count_ = new QLineEdit(QString::number(count), this);
  count_->setObjectName(QStringLiteral("loopCount"));
  row->addWidget(count_);
  layout->addLayout(row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  count_->selectAll();
  count_->setFocus();
}

int LoopCountDialog::count() const { return DecimalValue(count_->text().toStdString()); }

}  // namespace tamarack::app
