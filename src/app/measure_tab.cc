#include "app/measure_tab.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "app/graph_view_widget.h"
#include "app/ui_text.h"
#include "app/window_job_host.h"
#include "measure/graph_view.h"
#include "paint/drawing_painter.h"
#include "util/strings.h"

namespace tamarack::app {

namespace {

QLineEdit* NumberBox(QWidget* parent, const char* name) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setFixedWidth(90);
  return box;
}

QValidator* NumberValidator(bool hex, QObject* parent) {
  const QString pattern =
      hex ? QStringLiteral("^[0-9a-fA-F]{0,8}$") : QStringLiteral("^-?[0-9]{0,10}$");
  return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
}

constexpr const char* kC2ScanCaption = TR_NOOP("C2ｴﾗｰ ｽｷｬﾝ");
constexpr const char* kC2StopCaption = TR_NOOP("停止(&P)");

QLabel* TextLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kWarning:
      return QMessageBox::Warning;
    case MessageIcon::kError:
      return QMessageBox::Critical;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
  }
  return QMessageBox::Information;
}

}  // namespace

MeasureTab::MeasureTab(DeviceSession& session, JobRunner& runner, QWidget* parent)
    : QWidget(parent), session_(session), runner_(runner) {
  setObjectName(QStringLiteral("measureTab"));
  auto host = std::make_unique<WindowJobHost>(this, runner_);
  host->on_show = [this](JobText where, const QString& text) { OnShow(where, text); };
  host->on_progress = [this](const JobProgress& p) { OnProgress(p); };
  host->on_message = [this](MessageIcon icon, const QString& text) {
    OpenDialog(
        new QMessageBox(BoxIcon(icon), QStringLiteral("Tamarack"), text, QMessageBox::Ok, this));
  };
  host->closing_verdict = [this]() -> const JobVerdict* {
    if (c2_run_) return c2_job_ ? &c2_job_->result().verdict : nullptr;
    return job_ ? &job_->result().verdict : nullptr;
  };
  host->on_finished = [this](RunState) { OnFinished(); };
  host_ = std::move(host);

  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  auto* fields = new QGridLayout;
  start_ = NumberBox(this, "measureStart");
  start_->setReadOnly(true);
  last_ = NumberBox(this, "measureLast");
  last_->setReadOnly(true);
  count_ = NumberBox(this, "measureBlocks");
  count_->setValidator(NumberValidator(false, count_));
  fields->addWidget(start_, 0, 0);
  fields->addWidget(new QLabel(UiText("先頭LBA"), this), 0, 2);
  fields->addWidget(last_, 1, 0);
  fields->addWidget(new QLabel(UiText("最終LBA"), this), 1, 2);
  fields->addWidget(count_, 2, 0);
  auto* spin = new QVBoxLayout;
  spin->setSpacing(0);
  up_ = new QToolButton(this);
  up_->setObjectName(QStringLiteral("measureUp"));
  up_->setArrowType(Qt::UpArrow);
  up_->setFixedSize(20, 12);
  down_ = new QToolButton(this);
  down_->setObjectName(QStringLiteral("measureDown"));
  down_->setArrowType(Qt::DownArrow);
  down_->setFixedSize(20, 12);
  spin->addWidget(up_);
  spin->addWidget(down_);
  fields->addLayout(spin, 2, 1);
  fields->addWidget(new QLabel(UiText("転送ﾌﾞﾛｯｸ長"), this), 2, 2);
  fields->setColumnStretch(3, 1);
  left->addLayout(fields);

  model_ = TextLabel(this, "measureModel");
  cdb_ = TextLabel(this, "measureCdb");
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("measureProgress"));
  progress_->setRange(0, 100);
  progress_->hide();
  status_ = TextLabel(this, "measureStatus");
  speed_ = TextLabel(this, "measureSpeed");
  QFont large = speed_->font();
  large.setPixelSize(36);
  large.setBold(true);
  speed_->setFont(large);
  speed_->setText(QStringLiteral("x0.0"));
  rotation_ = TextLabel(this, "measureRotation");
  rotation_->setWordWrap(true);
  cdb_->setWordWrap(true);  // a large font must not push the graph away
  for (QWidget* w :
       std::initializer_list<QWidget*>{model_, cdb_, progress_, status_, speed_, rotation_}) {
    left->addWidget(w);
  }
  c2_button_ = new QPushButton(UiText(kC2ScanCaption), this);
  c2_button_->setObjectName(QStringLiteral("measureC2Scan"));
  c2_button_->setToolTip(UiText("C2ｴﾗｰﾎﾟｲﾝﾀを読み、1秒ごとのC2ｴﾗｰを表示します"));
  left->addWidget(c2_button_, 0, Qt::AlignLeft);
  left->addStretch(1);
  auto* left_box = new QWidget(this);
  left_box->setLayout(left);
  left_box->setFixedWidth(250);
  layout->addWidget(left_box);
  graph_ = new GraphViewWidget(this);
  layout->addWidget(graph_, 1);

  connect(c2_button_, &QPushButton::clicked, this, &MeasureTab::ExecuteC2Scan);
  connect(count_, &QLineEdit::textChanged, this, [this] {
    const auto v = ReadNumber(count_);
    block_count_ =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(v.value_or(0), INT32_MIN, INT32_MAX));
    ShowCommand();
  });
  connect(up_, &QToolButton::clicked, this, [this] {
    if (block_count_ < INT32_MAX) SetBlockCount(block_count_ + 1);
  });
  connect(down_, &QToolButton::clicked, this, [this] {
    if (block_count_ > 0) SetBlockCount(block_count_ - 1);
  });
  WriteNumber(start_, 0);
  WriteNumber(last_, 0);
  SetBlockCount(block_count_);
}

MeasureTab::~MeasureTab() = default;

void MeasureTab::WriteNumber(QLineEdit* box, std::int64_t value) {
  box->setText(QString::fromStdString(hex_ ? StrFormat("%llx", static_cast<long long>(value))
                                           : StrFormat("%lld", static_cast<long long>(value))));
}

std::optional<std::int64_t> MeasureTab::ReadNumber(const QLineEdit* box) const {
  const std::string typed = box->text().toStdString();
  std::string_view text = typed;
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  const auto magnitude = ParseDigits(text, hex_ ? 16 : 10, INT64_MAX);
  if (!magnitude) return std::nullopt;
  const auto v = static_cast<std::int64_t>(*magnitude);
  return negative ? -v : v;
}

void MeasureTab::SetBlockCount(std::int32_t count) {
  block_count_ = count;
  const QSignalBlocker block(count_);
  WriteNumber(count_, count);
  ShowCommand();
}

void MeasureTab::SetHexInput(bool on) {
  if (on == hex_) return;
  hex_ = on;
  count_->setValidator(NumberValidator(hex_, count_));
  WriteNumber(start_, start_lba_);
  WriteNumber(last_, last_lba_);
  SetBlockCount(block_count_);
}

void MeasureTab::SetRange(std::uint32_t first_track_lba, std::uint32_t last_lba) {
  start_lba_ = first_track_lba;
  last_lba_ = last_lba;
  graph_->SetSpan(start_lba_, last_lba_);
  WriteNumber(start_, start_lba_);
  WriteNumber(last_, last_lba_);
  ShowCommand();
}

void MeasureTab::ClearResults() {
  if (running_) return;
  start_lba_ = 0;
  last_lba_ = 0;
  graph_->SetSpan(0, 0);
  WriteNumber(start_, 0);
  WriteNumber(last_, 0);
  SpeedRecord empty;
  empty.scale = graph_->record().scale;
  graph_->ShowRecord(std::move(empty));
  for (QLabel* label : {model_, status_, rotation_}) label->clear();
  speed_->setText(QStringLiteral("x0.0"));
  ShowCommand();
}

void MeasureTab::ShowCommand() {
  cdb_->setText(QString::fromStdString(HexBytes(MeasureCdb(start_lba_, block_count_), " ")));
}

void MeasureTab::Shown() {
  ShowCommand();
  speed_->setText(QStringLiteral("x0.0"));
  graph_->update();
}

const SpeedRecord& MeasureTab::record() const { return graph_->record(); }

bool MeasureTab::StopOrBusy() {
  if (running_) {
    Stop();
    return true;
  }
  return runner_.running();  // another tab's job has the drive
}

bool MeasureTab::StartJob(std::shared_ptr<Job> job, bool c2) {
  c2_run_ = c2;
  if (runner_.Start(std::move(job), *host_) != StartResult::kStarted) {
    c2_run_ = false;
    return false;
  }
  running_ = true;
  progress_->setValue(0);
  progress_->show();
  status_->clear();
  rotation_->clear();
  c2_button_->setEnabled(c2_run_);
  if (on_running) on_running(true);
  return true;
}

void MeasureTab::Execute() {
  if (StopOrBusy()) return;
  MeasureSettings settings;
  settings.block_count = block_count_;
  settings.start_lba = start_lba_;
  settings.last_lba = last_lba_;
  settings.hex = hex_;
  job_ = std::make_shared<SpeedMeasurementJob>(settings);
  if (!StartJob(job_, false)) return;
  SpeedRecord fresh;
  graph_->ShowRecord(fresh);
}

void MeasureTab::ExecuteC2Scan() {
  if (StopOrBusy()) return;
  C2ScanSettings settings;
  settings.block_count = std::clamp(block_count_, 1, kMaxC2BlockCount);
  // The disc's range as the drive selection found it; none yet: the job reads it.
  if (last_lba_ > start_lba_) {
    settings.first_override = start_lba_;
    settings.last_override = last_lba_;
  }
  c2_job_ = std::make_shared<C2ScanJob>(settings);
  if (!StartJob(c2_job_, true)) return;
  c2_drawn_.invalidate();
  speed_->clear();  // a speed from before is none of the scan's
  c2_button_->setText(UiText(kC2StopCaption));
  graph_->ShowC2(C2Record());
}

bool MeasureTab::Stop(CancelCause cause) {
  if (!running_) return false;
  runner_.RequestCancel(cause);
  return true;
}

void MeasureTab::OnShow(JobText where, const QString& text) {
  switch (where) {
    case JobText::kModel:
      model_->setText(text);
      break;
    case JobText::kCdb:
      cdb_->setText(text.trimmed());
      break;
    case JobText::kStatus:
      status_->setText(text);
      break;
    case JobText::kSpeed:
      speed_->setText(text);
      break;
    case JobText::kResultLine:
      // The scan's summary lines are the CLI's: the window shows its own at the end.
      if (!c2_run_) rotation_->setText(text);
      break;
    default:
      break;
  }
}

void MeasureTab::OnProgress(const JobProgress& p) {
  if (p.total > 0)
    progress_->setValue(static_cast<int>(std::min<std::uint64_t>(p.done * 100 / p.total, 100)));
  if (c2_run_) {
    // The errors so far, a few times a second: the record is copied from the worker.
    if (c2_job_ && (!c2_drawn_.isValid() || c2_drawn_.elapsed() >= 250)) {
      graph_->ShowC2(c2_job_->Live());
      c2_drawn_.start();
    }
    return;
  }
  if (!job_) return;
  const MeasureLive live = job_->Live();
  if (live.start_lba != start_lba_ || live.last_lba != last_lba_) {
    SetRange(static_cast<std::uint32_t>(live.start_lba), static_cast<std::uint32_t>(live.last_lba));
  }
  graph_->SetSamples(live.block_size, live.samples);
}

void MeasureTab::OnFinished() {
  running_ = false;
  progress_->hide();
  c2_button_->setText(UiText(kC2ScanCaption));
  c2_button_->setEnabled(true);
  if (c2_run_) {
    const C2ScanResult& r = c2_job_->result();
    if (!r.verdict.refused()) graph_->ShowC2(r.record);
    if (r.summarized) {
      rotation_->setText(
          QString::fromStdString(
              C2SummaryLocalText(r.record, r.summary, c2_job_->settings().max_per_second))
              .trimmed());
    }
    if (on_running) on_running(false);
    emit MeasureFinished();
    return;
  }
  const MeasureResult& r = job_->result();
  if (!r.verdict.refused()) {
    SpeedRecord record = r.record;
    record.scale = graph_->record().scale;
    graph_->ShowRecord(std::move(record));
  }
  if (on_running) on_running(false);
  emit MeasureFinished();
}

void MeasureTab::ShowRecord(const SpeedRecord& record) {
  graph_->ShowRecord(record);
  model_->setText(QString::fromStdString(record.model));
  rotation_->clear();
  if (record.samples.empty()) return;
  ShowStatusLine(session_, RecordSummaryText(record));
  speed_->setText(QString::fromStdString(SpeedText(RecordAverageTenths(record))));
  status_->setText(UiText(kMeasureAverageText));
}

void MeasureTab::PrintTo(QPaintDevice& device) {
  QPainter painter(&device);
  if (!painter.isActive()) return;
  const QFontMetrics metrics(painter.font(), painter.device());
  // The header: the date, the drive with its firmware revision, the disc.
  const DriveFacts facts = drive_facts ? drive_facts() : DriveFacts{};
  const auto trimmed = [](const std::string& s) { return QString::fromStdString(s).trimmed(); };
  const QString drive =
      QStringLiteral("%1 %2 (%3)")
          .arg(trimmed(facts.vendor), trimmed(facts.product), trimmed(facts.revision));
  const std::string header =
      StrFormat(Tr("%s  ﾄﾞﾗｲﾌﾞ: %s  ﾃﾞｨｽｸ: ﾄﾗｯｸ %d-%d, LBA %lld-%lld"),
                QDateTime::currentDateTime()
                    .toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                    .toStdString()
                    .c_str(),
                drive.toStdString().c_str(), facts.toc[2], facts.toc[3],
                static_cast<long long>(start_lba_), static_cast<long long>(last_lba_));
  const std::string lines[] = {
      "Tamarack  Measure",
      header,
      model_->text().toStdString(),
      StrFormat(Tr("先頭LBA %lld  最終LBA %lld  転送ﾌﾞﾛｯｸ長 %d"),
                static_cast<long long>(start_lba_), static_cast<long long>(last_lba_),
                block_count_),
      record().samples.empty() ? std::string() : RecordSummaryText(record()),
      status_->text().toStdString(),
      rotation_->text().toStdString(),
  };
  int y = 300;
  for (const std::string& text : lines) {
    // A C2 scan's summary is several lines.
    for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n'))) {
      if (line.isEmpty()) continue;
      painter.drawText(300, y + metrics.ascent(), line);
      y += metrics.lineSpacing();
    }
  }
  // The graph moves down when the texts need more room than its usual place leaves them.
  const int line_offset = std::max(0, y + 100 - 1400);
  const Box box = PrintGraphBox(painter.device()->width(), line_offset);
  if (const C2Record* c2 = graph_->c2()) {
    paint::PaintDrawing(painter, DrawC2Graph(*c2, box), painter.font());
    return;
  }
  const SpeedGraph g = DrawSpeedGraph(record(), box, /*print=*/true, graph_->span_mb());
  paint::PaintDrawing(painter, g.drawing, painter.font());
}

void MeasureTab::Print() {
  auto* printer = new QPrinter(QPrinter::HighResolution);
  printer->setResolution(600);
  auto* dialog = new QPrintDialog(printer, this);
  dialog->setWindowTitle(QStringLiteral("Print"));
  connect(dialog, &QDialog::accepted, this, [this, printer] { PrintTo(*printer); });
  connect(dialog, &QObject::destroyed, this, [printer] { delete printer; });
  OpenDialog(dialog);
}

void MeasureTab::OpenDialog(QDialog* dialog) {
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
  if (dialog_hook) dialog_hook(dialog);
}

}  // namespace tamarack::app
