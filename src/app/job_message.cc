#include "app/job_message.h"

#include <QMessageBox>

namespace tamarack::app {

QMessageBox* ShowJobMessage(QWidget* parent, MessageIcon icon, const QString& text) {
  QMessageBox::Icon shown = QMessageBox::Information;
  switch (icon) {
    case MessageIcon::kInformation:
      break;
    case MessageIcon::kWarning:
      shown = QMessageBox::Warning;
      break;
    case MessageIcon::kError:
      shown = QMessageBox::Critical;
      break;
    case MessageIcon::kQuestion:
      shown = QMessageBox::Question;
      break;
  }
  auto* box = new QMessageBox(shown, QStringLiteral("Tamarack"), text, QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("jobMessage"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return box;
}

}  // namespace tamarack::app
