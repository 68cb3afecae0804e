#include "app/job_message.h"

#include <QMessageBox>

namespace tamarack::app {

namespace {

// The property of a message waiting for the one before it.
constexpr const char* kWaiting = "waitingForEarlierMessage";

}  // namespace

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
  // A message of the same window still open or waiting: this one follows it, so that two
  // messages of one job ("Toc Information Ng", then "Finished") never lie on each other.
  QMessageBox* before = nullptr;
  if (parent) {
    for (QMessageBox* b : parent->findChildren<QMessageBox*>(QStringLiteral("jobMessage"),
                                                             Qt::FindDirectChildrenOnly)) {
      if (b->isVisible() || b->property(kWaiting).toBool()) before = b;
    }
  }
  auto* box = new QMessageBox(shown, QStringLiteral("Tamarack"), text, QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("jobMessage"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  if (!before) {
    box->open();
    return box;
  }
  box->setProperty(kWaiting, true);
  QObject::connect(box, &QDialog::finished, box, [box] { box->setProperty(kWaiting, false); });
  QObject::connect(before, &QDialog::finished, box, [box] {
    if (!box->property(kWaiting).toBool()) return;  // answered before its turn (tests)
    box->setProperty(kWaiting, false);
    box->open();
  });
  return box;
}

}  // namespace tamarack::app
