#include "app/sector_dump_tab.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/read_cd_detail_dialog.h"
#include "app/ui_text.h"
#include "app/view_text.h"
#include "app/window_job_host.h"
#include "form/hex_dump.h"
#include "shell/window_settings.h"
#include "tools/dump_number.h"
#include "util/strings.h"

namespace tamarack::app {

namespace {

QLineEdit* NumberBox(QWidget* parent, const char* name, int width) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setFixedWidth(width);
  return box;
}

// Decimal entry takes digits (or a "0x" number); hexadecimal entry hex digits.
QValidator* NumberValidator(bool hex, QObject* parent) {
  const QString pattern = hex ? QStringLiteral("^(0[xX])?[0-9a-fA-F]{0,8}$")
                              : QStringLiteral("^(0[xX][0-9a-fA-F]{0,8}|[0-9]{0,10})$");
  return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
}

}  // namespace

QFont SectorDumpFont() {
  QFont f;
  f.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("DejaVu Sans Mono")});
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  return f;
}

SectorDumpTab::SectorDumpTab(DeviceSession& session, JobRunner& runner, QWidget* parent)
    : QWidget(parent), session_(session), runner_(runner) {
  auto host = std::make_unique<WindowJobHost>(this, runner_);
  host->on_finished = [this](RunState) { OnFinished(); };
  host_ = std::move(host);
  setObjectName(QStringLiteral("sectorDumpTab"));
  auto* layout = new QVBoxLayout(this);

  auto* start = new QGroupBox(UiText("開始位置"), this);
  auto* grid = new QGridLayout(start);
  const char* const kModeLabels[] = {"&LBA", "M&SF", "ISO9660 &VDS"};
  for (std::size_t i = 0; i < modes_.size(); ++i) {
    modes_[i] = new QRadioButton(QString::fromUtf8(kModeLabels[i]), start);
    modes_[i]->setObjectName(QStringLiteral("dumpMode%1").arg(i + 1));
    grid->addWidget(modes_[i], static_cast<int>(i), 0);
    connect(modes_[i], &QRadioButton::toggled, this, [this](bool on) {
      if (!on) return;
      ModelFromControls();
      ControlsFromModel();
    });
  }
  // LBA row: the address with its spin button, the length.
  auto* lba_row = new QHBoxLayout;
  lba_ = NumberBox(start, "dumpLba", 100);
  lba_row->addWidget(lba_);
  auto* spin = new QVBoxLayout;
  spin->setSpacing(0);
  next_ = new QToolButton(start);
  next_->setObjectName(QStringLiteral("dumpNext"));
  next_->setArrowType(Qt::UpArrow);
  next_->setFixedSize(20, 12);
  previous_ = new QToolButton(start);
  previous_->setObjectName(QStringLiteral("dumpPrevious"));
  previous_->setArrowType(Qt::DownArrow);
  previous_->setFixedSize(20, 12);
  spin->addWidget(next_);
  spin->addWidget(previous_);
  lba_row->addLayout(spin);
  lba_row->addWidget(new QLabel(QStringLiteral("Length"), start));
  length_ = NumberBox(start, "dumpLength", 50);
  lba_row->addWidget(length_);
  lba_row->addStretch(1);
  grid->addLayout(lba_row, 0, 1);
  // MSF row: start M S F - end M S F.
  auto* msf_row = new QHBoxLayout;
  auto* digits =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("^[0-9]{0,2}$")), this);
  for (std::size_t i = 0; i < msf_.size(); ++i) {
    if (i == 3) msf_row->addWidget(new QLabel(QStringLiteral("-"), start));
    msf_[i] = NumberBox(start, "dumpMsf", 32);
    msf_[i]->setObjectName(QStringLiteral("dumpMsf%1").arg(i));
    msf_[i]->setMaxLength(2);
    msf_[i]->setValidator(digits);
    msf_row->addWidget(msf_[i]);
  }
  msf_row->addStretch(1);
  grid->addLayout(msf_row, 1, 1);
  detail_ = new QPushButton(QStringLiteral("Deta&il Option"), start);
  detail_->setObjectName(QStringLiteral("dumpDetail"));
  detail_->setAutoDefault(false);
  grid->addWidget(detail_, 2, 1, Qt::AlignLeft);
  grid->setColumnStretch(1, 1);
  layout->addWidget(start);

  header_ = new QLabel(this);
  header_->setObjectName(QStringLiteral("dumpHeader"));
  header_->setFont(SectorDumpFont());
  header_->setTextFormat(Qt::PlainText);
  layout->addWidget(header_);
  dump_ = new QPlainTextEdit(this);
  dump_->setObjectName(QStringLiteral("dumpBox"));
  dump_->setReadOnly(true);
  dump_->setLineWrapMode(QPlainTextEdit::NoWrap);
  dump_->setFont(SectorDumpFont());
  layout->addWidget(dump_, 1);

  connect(next_, &QToolButton::clicked, this, [this] { Step(true); });
  connect(previous_, &QToolButton::clicked, this, [this] { Step(false); });
  connect(detail_, &QPushButton::clicked, this, &SectorDumpTab::OpenDetailDialog);
  lba_->setValidator(NumberValidator(false, lba_));
  length_->setValidator(NumberValidator(false, length_));
  ControlsFromModel();
}

SectorDumpTab::~SectorDumpTab() = default;

QRadioButton* SectorDumpTab::mode_button(DumpAddressMode mode) const {
  return modes_.at(static_cast<std::size_t>(mode) - 1);
}

void SectorDumpTab::Read() { Start(DumpStep::kNone); }

void SectorDumpTab::Step(bool next) { Start(next ? DumpStep::kNext : DumpStep::kPrevious); }

void SectorDumpTab::Start(DumpStep step) {
  if (buffer_out_) return;
  ModelFromControls();
  const DumpPreparation p = model_.Prepare(step, hex_);
  ControlsFromModel();
  for (const std::string& m : p.messages) {
    OpenDialog(new QMessageBox(QMessageBox::Information, QStringLiteral("Tamarack"), Text(m),
                               QMessageBox::Ok, this));
  }
  if (!p.request) return;
  if (runner_.running()) return;  // another tab's job has the drive
  job_ = std::make_shared<SectorDumpReadJob>(*p.request, std::move(buffer_));
  stepped_ = step != DumpStep::kNone;
  buffer_out_ = runner_.Start(job_, *host_) == StartResult::kStarted;
  if (!buffer_out_) buffer_ = std::move(job_->result().buffer);
}

void SectorDumpTab::OnFinished() {
  DumpResult& result = job_->result();
  buffer_ = std::move(result.buffer);
  buffer_out_ = false;
  if (result.vds_lba) {
    model_.SetVolumeDescriptorLba(*result.vds_lba);
    ControlsFromModel();
  }
  // A read of its own starts at the top; a step to the next or previous range keeps the line,
  // so that the same offset of the next blocks is in view.
  ShowDump(result.text, /*fresh=*/!stepped_);
  if (!result.message.empty()) {
    OpenDialog(new QMessageBox(QMessageBox::Critical, QStringLiteral("Tamarack"),
                               Text(result.message), QMessageBox::Ok, this));
  }
  emit ReadFinished();
}

void SectorDumpTab::OpenDetailDialog() {
  ModelFromControls();
  auto* dialog = new ReadCdDetailDialog(model_.sector_cdb, this);
  connect(dialog, &QDialog::accepted, this,
          [this, dialog] { dialog->ApplyTo(&model_.sector_cdb); });
  OpenDialog(dialog);
}

void SectorDumpTab::SetHexInput(bool on) {
  if (on == hex_) return;
  ModelFromControls();
  for (std::string* text : {&model_.lba_text, &model_.length_text}) {
    if (const auto v = ParseDumpNumber(*text, hex_)) *text = StrFormat(on ? "%x" : "%u", *v);
  }
  hex_ = on;
  lba_->setValidator(NumberValidator(hex_, lba_));
  length_->setValidator(NumberValidator(hex_, length_));
  ControlsFromModel();
}

void SectorDumpTab::SetGroupSize(int group_size) {
  const int index = GroupingIndexOfSize(group_size);
  model_.grouping_index = index >= 0 ? index : kDefaultGroupingIndex;
  Reformat();
}

void SectorDumpTab::LoadSettings(const SettingsData& s) {
  SectorDumpKeys k;
  k.dump_kind = model_.grouping_index;
  k.dump_mode = s.dump_mode;
  k.lba = s.lba;
  k.block = s.block;
  k.start_msf = s.start_msf;
  k.end_msf = s.end_msf;
  std::copy(s.sector_com.begin(), s.sector_com.end(), k.sector_com.begin());
  hex_ = HexInputOf(s);
  lba_->setValidator(NumberValidator(hex_, lba_));
  length_->setValidator(NumberValidator(hex_, length_));
  model_.ApplyKeys(k, hex_);
  ControlsFromModel();
}

void SectorDumpTab::StoreSettings(SettingsData* s) {
  ModelFromControls();
  const SectorDumpKeys k = model_.Keys(hex_);
  s->dump_mode = k.dump_mode;
  s->lba = k.lba;
  s->block = k.block;
  s->start_msf = k.start_msf;
  s->end_msf = k.end_msf;
  std::copy(k.sector_com.begin(), k.sector_com.end(), s->sector_com.begin());
}

void SectorDumpTab::ModelFromControls() {
  for (std::size_t i = 0; i < modes_.size(); ++i) {
    if (modes_[i]->isChecked()) model_.mode = static_cast<DumpAddressMode>(i + 1);
  }
  model_.lba_text = Std(lba_->text());
  model_.length_text = Std(length_->text());
  for (std::size_t i = 0; i < 3; ++i) {
    model_.start[i] = Std(msf_[i]->text());
    model_.end[i] = Std(msf_[i + 3]->text());
  }
}

void SectorDumpTab::ControlsFromModel() {
  QRadioButton* current = mode_button(model_.mode);
  if (!current->isChecked()) {
    const QSignalBlocker block(current);
    current->setChecked(true);
  }
  // The address found goes on the button's one line: a second line would make the row jump.
  modes_[2]->setText(model_.volume_descriptor_lba()
                         ? Text(model_.VolumeDescriptorCaption()).replace(QLatin1Char('\n'), ' ')
                         : QStringLiteral("ISO9660 &VDS"));
  lba_->setText(Text(model_.lba_text));
  length_->setText(Text(model_.length_text));
  for (std::size_t i = 0; i < 3; ++i) {
    msf_[i]->setText(Text(model_.start[i]));
    msf_[i + 3]->setText(Text(model_.end[i]));
  }
  const bool lba = model_.mode == DumpAddressMode::kLba;
  const bool msf = model_.mode == DumpAddressMode::kMsf;
  lba_->setEnabled(lba);
  length_->setEnabled(lba);
  for (QLineEdit* box : msf_) box->setEnabled(msf);
  header_->setText(Text(DumpColumnHeader(model_.group_size())));
}

void SectorDumpTab::ShowDump(const std::string& text, bool fresh) {
  // A new read starts at its first line; the same data shown again keeps its first visible line.
  const int first = fresh ? 0 : dump_->verticalScrollBar()->value();
  dump_->setPlainText(ViewText(text));
  dump_->verticalScrollBar()->setValue(std::min(first, dump_->verticalScrollBar()->maximum()));
  dump_->horizontalScrollBar()->setValue(fresh ? 0 : dump_->horizontalScrollBar()->value());
  header_->setText(Text(DumpColumnHeader(model_.group_size())));
}

void SectorDumpTab::ClearResults() {
  if (buffer_out_) return;  // a read in flight shows its own result
  buffer_ = DumpBuffer();
  dump_->clear();
}

void SectorDumpTab::ShowLoadedText(const std::string& text) {
  if (buffer_out_) return;
  buffer_ = DumpBuffer();
  dump_->setPlainText(QString::fromStdString(text));
}

std::vector<std::uint8_t> SectorDumpTab::DumpBytes() const {
  if (!buffer_.allocated() || buffer_out_) return {};
  const auto valid = buffer_.valid();
  return std::vector<std::uint8_t>(valid.begin(), valid.end());
}

std::string SectorDumpTab::DumpText() const {
  if (buffer_out_) return {};
  if (buffer_.allocated()) {
    return buffer_.valid().empty() ? std::string()
                                   : FormatSectorDump(buffer_.valid(), model_.group_size());
  }
  return dump_->toPlainText().toStdString();
}

void SectorDumpTab::Reformat() {
  if (!buffer_.allocated() || buffer_out_) return;
  ShowDump(FormatSectorDump(buffer_.valid(), model_.group_size()));
}

void SectorDumpTab::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) Reformat();
}

void SectorDumpTab::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Reformat();
}

void SectorDumpTab::OpenDialog(QDialog* dialog) {
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
  if (dialog_hook) dialog_hook(dialog);
}

}  // namespace tamarack::app
