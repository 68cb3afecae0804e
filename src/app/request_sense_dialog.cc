#include "app/request_sense_dialog.h"

#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/dialog_placement.h"
#include "app/ui_text.h"

namespace tamarack::app {

namespace {

// Bold 13-pixel Verdana, or the nearest face installed here.
QFont MessageFont() {
  QFont f;
  f.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
                 QStringLiteral("Liberation Sans")});
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(13);
  f.setBold(true);
  return f;
}

QLineEdit* SmallBox(const std::string& text, QWidget* parent) {
  auto* box = new QLineEdit(QString::fromStdString(text), parent);
  box->setReadOnly(true);
  box->setFixedWidth(40);
  return box;
}

}  // namespace

RequestSenseDialog::RequestSenseDialog(std::span<const SenseRow> table,
                                       std::span<const std::uint8_t> sense, QWidget* main_window)
    : QDialog(main_window), view_(MakeRequestSenseView(table, sense)) {
  setWindowTitle(UiText("RequestSense情報"));
  if (main_window) setFont(main_window->font());

  auto* layout = new QVBoxLayout(this);
  auto* head = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("senseIcon"));
  const auto pixmap =
      view_.is_error ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
  icon->setPixmap(style()->standardIcon(pixmap).pixmap(32, 32));
  heading_ = new QLabel(QString::fromStdString(view_.heading), this);
  heading_->setObjectName(QStringLiteral("senseHeading"));
  head->addWidget(icon);
  head->addWidget(heading_, 1);
  layout->addLayout(head);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(UiText("ｾﾝｽ情報"), this), 0, 0);
  sense_line_ = new QLineEdit(QString::fromStdString(view_.sense_line), this);
  sense_line_->setReadOnly(true);
  sense_line_->setMinimumWidth(420);
  grid->addWidget(sense_line_, 0, 1, 1, 6);
  key_box_ = SmallBox(view_.key, this);
  asc_box_ = SmallBox(view_.asc, this);
  ascq_box_ = SmallBox(view_.ascq, this);
  grid->addWidget(new QLabel(QStringLiteral("Sense Key"), this), 1, 1);
  grid->addWidget(key_box_, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("ASC"), this), 1, 3);
  grid->addWidget(asc_box_, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("ASCQ"), this), 1, 5);
  grid->addWidget(ascq_box_, 1, 6);
  if (!view_.information.empty()) {
    auto* caption = new QLabel(QStringLiteral("Information"), this);
    information_box_ = new QLineEdit(QString::fromStdString(view_.information), this);
    information_box_->setObjectName(QStringLiteral("senseInformation"));
    information_box_->setReadOnly(true);
    grid->addWidget(caption, 2, 1);
    grid->addWidget(information_box_, 2, 2, 1, 5);
  }
  layout->addLayout(grid);

  message_ = new QLabel(QString::fromStdString(view_.message), this);
  message_->setObjectName(QStringLiteral("senseMessage"));
  message_->setFont(MessageFont());
  message_->setWordWrap(true);
  layout->addWidget(message_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  close_ = new QPushButton(UiText("閉じる"), this);
  close_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->hide();  // Escape still closes the dialog
  buttons->addWidget(close_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  adjustSize();
  PlaceAtCorner(main_window);
}

void RequestSenseDialog::PlaceAtCorner(QWidget* main_window) {
  if (!main_window) return;
  const QRect outer = main_window->window()->frameGeometry();
  const QSize size = frameGeometry().size();
  const QRect corner(outer.bottomRight() + QPoint(1, 1) - QPoint(size.width(), size.height()),
                     size);
  // A window reaching past the screen's edge would take the dialog with it.
  const QRect available = AvailableAreaOf(main_window->window());
  move(available.isEmpty() ? corner.topLeft() : KeepInside(corner, available));
}

}  // namespace tamarack::app
