#include "app/read_cd_detail_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/help_window.h"
#include "app/ui_text.h"
#include "shell/file_kinds.h"
#include "shell/help_topics.h"

namespace tamarack::app {

namespace {

// The parts of a CD-ROM block as the picture shows them, with relative widths (bytes: 12, 4,
// 8, 2048, 280), and the check box under each.
struct Part {
  const char* name;
  const char* box;
  int stretch;
};
// A line edit's frame and text margins, both sides.
constexpr int kLineEditMargins = 16;

constexpr Part kParts[] = {
    {"Sync", "&S", 2},      {"Header", "&H", 2},    {"Sub Header", "&E", 2},
    {"User Data", "&U", 6}, {"EDC & ECC", "&D", 3},
};

}  // namespace

ReadCdDetailDialog::ReadCdDetailDialog(const Cdb& sector_cdb, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("SectorDump Detail option"));
  setObjectName(QStringLiteral("readCdDetailDialog"));
  if (parent) setFont(parent->font());
  auto* layout = new QVBoxLayout(this);

  // The block format: one framed cell per part, its check box below.
  auto* picture = new QGridLayout;
  picture->setHorizontalSpacing(0);
  for (int i = 0; i < 5; ++i) {
    const Part& p = kParts[i];
    auto* cell = new QLabel(QString::fromUtf8(p.name), this);
    cell->setTextFormat(Qt::PlainText);
    cell->setFrameStyle(QFrame::Box | QFrame::Plain);
    cell->setAlignment(Qt::AlignCenter);
    cell->setMinimumHeight(36);
    picture->addWidget(cell, 0, i);
    picture->setColumnStretch(i, p.stretch);
    auto* box = new QCheckBox(QString::fromUtf8(p.box), this);
    box->setObjectName(QStringLiteral("part%1").arg(i));
    picture->addWidget(box, 1, i, Qt::AlignHCenter);
    parts_[static_cast<std::size_t>(i)] = box;
    connect(box, &QCheckBox::toggled, this, &ReadCdDetailDialog::Refresh);
  }
  layout->addLayout(picture);

  auto* groups = new QHBoxLayout;
  auto radio_group = [this, groups](const char* title, std::initializer_list<const char*> labels,
                                    QRadioButton** out) {
    auto* box = new QGroupBox(QString::fromUtf8(title), this);
    auto* l = new QVBoxLayout(box);
    int i = 0;
    for (const char* label : labels) {
      auto* b = new QRadioButton(QString::fromUtf8(label), box);
      l->addWidget(b);
      out[i++] = b;
      connect(b, &QRadioButton::toggled, this, &ReadCdDetailDialog::Refresh);
    }
    groups->addWidget(box);
  };
  radio_group("Error Field", {"None(&N)", "C2 Error(&C)", "C2 And Block(&B)"}, errors_.data());
  radio_group("Sub Channel", {"None(&Z)", "RAW(&R)", "Q(&Q)", "P-W(&W)"}, subs_.data());
  layout->addLayout(groups);

  auto* command_row = new QHBoxLayout;
  command_row->addWidget(new QLabel(QStringLiteral("ReadCD Command"), this));
  command_ = new QLineEdit(this);
  command_->setObjectName(QStringLiteral("readCdCommand"));
  command_->setReadOnly(true);
  // All twelve bytes in view: "xx " each, and the box's own margins.
  command_->setMinimumWidth(command_->fontMetrics().horizontalAdvance(QStringLiteral("00 ")) * 12 +
                            kLineEditMargins);
  command_row->addWidget(command_, 1);
  layout->addLayout(command_row);

  // The fields' meaning is in the guide: the help window shows it, no browser needed.
  auto* link =
      new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(UiText("More Information...")), this);
  link->setObjectName(QStringLiteral("moreInformation"));
  connect(link, &QLabel::linkActivated, this, [this] {
    HelpWindow::ShowSection(this, HelpWindow::SectionTitle(SectionOfTab(kTabSectorDump).data()));
  });
  layout->addWidget(link);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  Show(DetailOfCdb(sector_cdb));
}

void ReadCdDetailDialog::Show(const ReadCdDetail& d) {
  const bool parts[] = {d.sync, d.header, d.sub_header, d.user_data, d.edc_ecc};
  for (std::size_t i = 0; i < parts_.size(); ++i) parts_[i]->setChecked(parts[i]);
  errors_[static_cast<std::size_t>(d.error_field)]->setChecked(true);
  subs_[static_cast<std::size_t>(d.sub_channel)]->setChecked(true);
  Refresh();
}

ReadCdDetail ReadCdDetailDialog::detail() const {
  ReadCdDetail d;
  d.sync = parts_[0]->isChecked();
  d.header = parts_[1]->isChecked();
  d.sub_header = parts_[2]->isChecked();
  d.user_data = parts_[3]->isChecked();
  d.edc_ecc = parts_[4]->isChecked();
  for (std::size_t i = 0; i < errors_.size(); ++i) {
    if (errors_[i]->isChecked()) d.error_field = static_cast<ErrorFieldOption>(i);
  }
  for (std::size_t i = 0; i < subs_.size(); ++i) {
    if (subs_[i]->isChecked()) d.sub_channel = static_cast<SubChannelOption>(i);
  }
  return d;
}

void ReadCdDetailDialog::Refresh() {
  if (command_) command_->setText(QString::fromStdString(DetailCommandLine(detail())));
}

}  // namespace tamarack::app
