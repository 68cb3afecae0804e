#include "app/ageing_tab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "ageing/ageing_command_table.h"
#include "ageing/ageing_log.h"
#include "app/form_view.h"
#include "app/graph_view_widget.h"
#include "app/help_window.h"
#include "app/job_message.h"
#include "app/log_setting_dialog.h"
#include "app/loop_count_dialog.h"
#include "app/sector_dump_tab.h"
#include "app/ui_text.h"
#include "app/view_text.h"
#include "app/window_job_host.h"
#include "console/cdb_text.h"
#include "refdata/reference_job.h"
#include "util/strings.h"

namespace tamarack::app {

namespace {

QString Lines(const QString& s) {
  QString t = s;
  return t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QLineEdit* NumberBox(QWidget* parent, const char* name, bool read_only = false) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setFixedWidth(80);
  box->setReadOnly(read_only);
  if (!read_only) box->setValidator(new QIntValidator(box));
  return box;
}

}  // namespace

AgeingTab::AgeingTab(DeviceSession& session, JobRunner& runner, QWidget* parent)
    : QWidget(parent), session_(session), runner_(runner) {
  setObjectName(QStringLiteral("agingTab"));
  host_ = MakeJobHost();
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  layout->addLayout(top, 0);

  // Left: the command, its form, the ageing fields.
  auto* left = new QVBoxLayout;
  top->addLayout(left, 1);
  BuildCommandColumn(left);
  // Right: method and loop, the mode group, the buttons, the counters.
  auto* right = new QVBoxLayout;
  top->addLayout(right, 0);
  BuildRunColumn(right);
  auto* cdb_row = new QHBoxLayout;
  cdb_row->addWidget(new QLabel(QStringLiteral("CDB"), this));
  cdb_ = new QLineEdit(this);
  cdb_->setObjectName(QStringLiteral("agingCdb"));
  cdb_->setReadOnly(true);
  cdb_->setFont(SectorDumpFont());
  cdb_row->addWidget(cdb_, 1);
  layout->addLayout(cdb_row);

  range_bar_ = new GraphViewWidget(this);
  range_bar_->setObjectName(QStringLiteral("agingRangeBar"));
  range_bar_->setFixedHeight(20);
  layout->addWidget(range_bar_);

  dump_ = new QPlainTextEdit(this);
  dump_->setObjectName(QStringLiteral("agingDump"));
  dump_->setReadOnly(true);
  dump_->setLineWrapMode(QPlainTextEdit::NoWrap);
  dump_->setFont(SectorDumpFont());
  layout->addWidget(dump_, 1);

  settings_widgets_ = {command_,    form_view_,     copy_bounds_,     step_,       end_,
                       interval_,   random_length_, random_interval_, method_,     loop_,
                       mode_group_, reference_,     log_setting_,     verify_edc_, retries_};

  open_file = [](const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  };

  ConnectControls();
  BuildForm();
  ShowSettings();
}

// The host renders the run's texts in the tab's boxes and asks its questions here.
std::unique_ptr<JobHost> AgeingTab::MakeJobHost() {
  auto host = std::make_unique<WindowJobHost>(this, runner_);
  host->on_show = [this](JobText where, const QString& text) {
    switch (where) {
      case JobText::kCdb:
        cdb_->setText(text);
        break;
      case JobText::kCounters:
        counters_->setPlainText(Lines(text));
        break;
      case JobText::kPause:
        pause_->setText(text);
        break;
      case JobText::kDump:
        dump_->setPlainText(Lines(text));
        break;
      default:
        break;  // the status line follows the session
    }
  };
  host->on_progress = [this](const JobProgress& p) {
    if (!job_) return;
    first_track_->setText(QString::number(job_->first_track_lba()));
    last_lba_->setText(QString::number(job_->last_lba()));
    settings_.first_track_lba = job_->first_track_lba();
    settings_.last_lba = job_->last_lba();
    ConfigureRangeBar(p.address ? static_cast<std::int32_t>(*p.address) : 0);
    const qint64 ms = run_clock_.isValid() ? run_clock_.elapsed() : 0;
    const double per_second =
        ms > 0 ? static_cast<double>(p.done) * 1000.0 / static_cast<double>(ms) : 0.0;
    rate_->setText(UiText("経過 %1\n%2 ｺﾏﾝﾄﾞ/秒")
                       .arg(QTime(0, 0)
                                .addMSecs(static_cast<int>(ms % 86400000))
                                .toString(QStringLiteral("HH:mm:ss")))
                       .arg(per_second, 0, 'f', 1));
  };
  host->on_message = [this](MessageIcon icon, const QString& text) {
    QMessageBox* box = ShowJobMessage(this, icon, Lines(text));
    if (dialog_hook) dialog_hook(box);
  };
  host->on_ask = [this](const JobQuestion& q) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tamarack"), Lines(Text(q.text)),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    if (dialog_hook) QTimer::singleShot(0, &box, [this, &box] { dialog_hook(&box); });
    return box.exec() == QMessageBox::Ok ? Answer::kYes : Answer::kNo;
  };
  host->closing_verdict = [this]() -> const JobVerdict* {
    return job_ ? &job_->result().verdict : nullptr;
  };
  host->on_finished = [this](RunState) { OnFinished(); };
  return host;
}

void AgeingTab::BuildCommandColumn(QVBoxLayout* left) {
  auto* command_row = new QHBoxLayout;
  command_row->addWidget(new QLabel(QStringLiteral("Command"), this));
  command_ = new QComboBox(this);
  command_->setObjectName(QStringLiteral("agingCommand"));
  for (int i = 0; i < kAgeingCommands; ++i) {
    command_->addItem(QString::fromUtf8(AgeingCommand(i).name));
  }
  command_row->addWidget(command_);
  command_row->addStretch(1);
  left->addLayout(command_row);
  form_view_ = new FormView(this);
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("agingFormScroll"));
  scroll->setWidget(form_view_);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setMinimumHeight(120);
  left->addWidget(scroll, 1);

  auto* grid = new QGridLayout;
  first_track_ = NumberBox(this, "agingFirstTrack", true);
  last_lba_ = NumberBox(this, "agingLastLba", true);
  copy_bounds_ = new QPushButton(QStringLiteral("<<"), this);
  copy_bounds_->setObjectName(QStringLiteral("agingCopyBounds"));
  copy_bounds_->setToolTip(
      UiText("First Track LBA を Start LBA に、Last LBA を End LBA に写します"));
  copy_bounds_->setAutoDefault(false);
  copy_bounds_->setFixedWidth(30);
  step_ = NumberBox(this, "agingStep");
  end_ = NumberBox(this, "agingEnd");
  interval_ = NumberBox(this, "agingInterval");
  random_length_ = new QCheckBox(QStringLiteral("Random Length"), this);
  random_interval_ = new QCheckBox(QStringLiteral("Random Interval"), this);
  verify_edc_ = new QCheckBox(QStringLiteral("Verify EDC"), this);
  verify_edc_->setObjectName(QStringLiteral("agingVerifyEdc"));
  verify_edc_->setToolTip(
      QStringLiteral("Read CD's data blocks read whole and checked against their own EDC"));
  grid->addWidget(new QLabel(QStringLiteral("First Track LBA"), this), 0, 0);
  grid->addWidget(first_track_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Last LBA"), this), 0, 2);
  grid->addWidget(last_lba_, 0, 3);
  grid->addWidget(copy_bounds_, 0, 4);
  grid->addWidget(new QLabel(QStringLiteral("Step"), this), 1, 0);
  grid->addWidget(step_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("End LBA"), this), 1, 2);
  grid->addWidget(end_, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Interval Time(msec)"), this), 2, 0);
  grid->addWidget(interval_, 2, 1);
  grid->addWidget(random_length_, 3, 0, 1, 2);
  grid->addWidget(random_interval_, 3, 2, 1, 3);
  grid->addWidget(verify_edc_, 4, 0, 1, 2);
  // The end on a command error comes after this many more tries of the failed read.
  retries_ = new QSpinBox(this);
  retries_->setObjectName(QStringLiteral("agingRetries"));
  retries_->setRange(0, kMostRetries);
  retries_->setToolTip(QStringLiteral(
      "With Ageing End If Cmd Error.: the failed read is sent again up to this many times "
      "before the run ends"));
  grid->addWidget(new QLabel(QStringLiteral("Retries"), this), 4, 2);
  grid->addWidget(retries_, 4, 3);
  grid->setColumnStretch(5, 1);
  left->addLayout(grid);
}

void AgeingTab::BuildRunColumn(QVBoxLayout* right) {
  method_ = new QComboBox(this);
  method_->setObjectName(QStringLiteral("agingMethod"));
  for (int i = 0; i < kMethodCount; ++i) method_->addItem(QString::fromUtf8(MethodEntryText(i)), i);
  loop_ = new QComboBox(this);
  loop_->setObjectName(QStringLiteral("agingLoop"));
  for (int i = 0; i < kLoopModeCount; ++i) loop_->addItem(Text(LoopEntryText(i, 100)), i);
  right->addWidget(method_);
  right->addWidget(loop_);

  mode_group_ = new QGroupBox(QStringLiteral("Ageing Mode"), this);
  auto* mode = new QVBoxLayout(mode_group_);
  mode->setSpacing(2);
  data_check_ = new QCheckBox(QStringLiteral("Data Check"), mode_group_);
  end_on_data_error_ = new QCheckBox(QStringLiteral("Ageing End If Data Error."), mode_group_);
  end_on_command_error_ = new QCheckBox(QStringLiteral("Ageing End If Cmd Error."), mode_group_);
  display_ = new QCheckBox(QStringLiteral("Received Data Display"), mode_group_);
  for (QCheckBox* b : {data_check_, end_on_data_error_, end_on_command_error_, display_}) {
    mode->addWidget(b);
  }
  auto* types = new QHBoxLayout;
  type_group_ = new QButtonGroup(this);
  const char* const kTypes[] = {"Type1.3", "Type3.0", "Other"};
  for (std::size_t i = 0; i < types_.size(); ++i) {
    types_[i] = new QRadioButton(QString::fromUtf8(kTypes[i]), mode_group_);
    types_[i]->setObjectName(QStringLiteral("agingType%1").arg(i));
    type_group_->addButton(types_[i], static_cast<int>(i));
    types->addWidget(types_[i]);
  }
  mode->addLayout(types);
  right->addWidget(mode_group_);

  auto* buttons = new QGridLayout;
  reference_ = new QPushButton(QStringLiteral("Read && Setting"), this);
  reference_->setObjectName(QStringLiteral("agingReference"));
  log_setting_ = new QPushButton(QStringLiteral("Log Setting"), this);
  log_setting_->setObjectName(QStringLiteral("agingLogSetting"));
  log_display_ = new QPushButton(QStringLiteral("Log Display"), this);
  log_display_->setObjectName(QStringLiteral("agingLogDisplay"));
  for (QPushButton* b : {reference_, log_setting_, log_display_}) b->setAutoDefault(false);
  buttons->addWidget(reference_, 0, 0, 1, 2);
  buttons->addWidget(log_setting_, 1, 0);
  buttons->addWidget(log_display_, 1, 1);
  right->addLayout(buttons);
  auto* counter_row = new QHBoxLayout;
  counters_ = new QPlainTextEdit(this);
  counters_->setObjectName(QStringLiteral("agingCounters"));
  counters_->setReadOnly(true);
  counters_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  counters_->setFixedHeight(counters_->fontMetrics().lineSpacing() * 3 + 16);
  // A counter keeps its line: as wide as eight digits of commands, never wrapped.
  counters_->setLineWrapMode(QPlainTextEdit::NoWrap);
  counters_->setMinimumWidth(
      counters_->fontMetrics().horizontalAdvance(QStringLiteral("Total Command=00000000")) +
      2 * counters_->frameWidth() + 2 * static_cast<int>(counters_->document()->documentMargin()));
  counter_row->addWidget(counters_, 1);
  // The pause, then the run's elapsed time and its pace, beside the counters.
  auto* pace_column = new QVBoxLayout;
  pause_ = new QLabel(this);
  pause_->setObjectName(QStringLiteral("agingPause"));
  pace_column->addWidget(pause_);
  rate_ = new QLabel(this);
  rate_->setObjectName(QStringLiteral("agingRate"));
  pace_column->addWidget(rate_);
  counter_row->addLayout(pace_column);
  right->addLayout(counter_row);
  right->addStretch(1);
}

// Every edit goes into the settings at once and refreshes the tab; none while the boxes are
// being set from the settings.
void AgeingTab::ConnectControls() {
  connect(command_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (showing_ || index < 0) return;
    settings_.command_index = index;
    BuildForm();
  });
  connect(form_view_, &FormView::FieldEdited, this, &AgeingTab::OnFieldEdited);
  for (QLineEdit* box : {step_, end_, interval_}) {
    connect(box, &QLineEdit::textEdited, this, [this] {
      ReadFields();
      Refresh();
    });
  }
  connect(copy_bounds_, &QPushButton::clicked, this, [this] {
    settings_.start_lba = settings_.first_track_lba;
    settings_.end_lba = settings_.last_lba;
    BuildForm();
    ShowSettings();
  });
  for (QCheckBox* b : {random_length_, random_interval_, display_, verify_edc_}) {
    connect(b, &QCheckBox::toggled, this, [this] {
      if (showing_) return;
      ReadFields();
      Refresh();
    });
  }
  connect(method_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (showing_ || index < 0) return;
    settings_.mode.set_method(index);
    Refresh();
  });
  connect(loop_, &QComboBox::currentIndexChanged, this, &AgeingTab::OnLoopChanged);
  connect(data_check_, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    settings_.data_check = on;
    OnDataCheckToggled(true);
    Refresh();
  });
  connect(type_group_, &QButtonGroup::idClicked, this, [this](int id) {
    settings_.data_check_type = static_cast<DataCheckType>(id);
    OnDataCheckToggled(true);
    Refresh();
  });
  connect(end_on_data_error_, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    settings_.mode.set_end_on_data_error(on);
    Refresh();
  });
  connect(end_on_command_error_, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    settings_.mode.set_end_on_command_error(on);
    Refresh();
  });
  connect(retries_, &QSpinBox::valueChanged, this, [this](int n) {
    if (showing_) return;
    settings_.retries = n;
    Refresh();
  });
  connect(reference_, &QPushButton::clicked, this, [this] {
    if (RefuseForRun(InterruptReason::kDialog)) return;
    if (open_reference_dialog) open_reference_dialog();
  });
  connect(log_setting_, &QPushButton::clicked, this, &AgeingTab::OpenLogSettingDialog);
  connect(log_display_, &QPushButton::clicked, this, &AgeingTab::DisplayLog);
}

AgeingTab::~AgeingTab() = default;

QRadioButton* AgeingTab::type_button(DataCheckType type) const {
  return types_.at(static_cast<std::size_t>(type));
}

void AgeingTab::BuildForm() {
  fields_ = AgeingFormFields(settings_.command_index, false);
  current_ = AgeingFormSource(settings_);
  states_ = FillFields(fields_, current_, false);
  CollectFields(fields_, states_, current_, false);
  form_view_->Build(fields_, states_, false, false);
  ReadAgeingForm(current_, &settings_);
  cdb_->setText(Text(CdbLine(current_.cdb)));
}

void AgeingTab::OnFieldEdited(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= states_.size()) return;
  states_[static_cast<std::size_t>(index)] = form_view_->StateOf(static_cast<std::size_t>(index));
  CollectFields(fields_, states_, current_, false);
  form_view_->Refresh(states_, false);
  ReadAgeingForm(current_, &settings_);
  cdb_->setText(Text(CdbLine(current_.cdb)));
  Refresh();
}

void AgeingTab::ReadFields() {
  // The form's own fields (Start LBA, Transfer Length and the command's bits) are read as
  // they are edited; these are the ageing fields beside it.
  settings_.step = DecimalValue(step_->text().toStdString());
  settings_.end_lba = DecimalValue(end_->text().toStdString());
  settings_.interval_ms = DecimalValue(interval_->text().toStdString());
  settings_.random_length = random_length_->isChecked();
  settings_.random_interval = random_interval_->isChecked();
  settings_.display_received = display_->isChecked();
  settings_.verify_edc = verify_edc_->isChecked();
}

void AgeingTab::ShowSettings() {
  showing_ = true;
  command_->setCurrentIndex(settings_.command_index >= 0 &&
                                    settings_.command_index < kAgeingCommands
                                ? settings_.command_index
                                : kAgeingCommands - 1);
  first_track_->setText(QString::number(settings_.first_track_lba));
  last_lba_->setText(QString::number(settings_.last_lba));
  step_->setText(QString::number(settings_.step));
  end_->setText(QString::number(settings_.end_lba));
  interval_->setText(QString::number(settings_.interval_ms));
  random_length_->setChecked(settings_.random_length);
  random_interval_->setChecked(settings_.random_interval);
  loop_->setItemText(2, Text(LoopEntryText(2, settings_.loop_count)));
  method_->setCurrentIndex(
      settings_.mode.method_index() < kMethodCount ? settings_.mode.method_index() : 0);
  loop_->setCurrentIndex(settings_.mode.loop_index() < kLoopModeCount ? settings_.mode.loop_index()
                                                                      : 0);
  end_on_data_error_->setChecked(settings_.mode.end_on_data_error());
  end_on_command_error_->setChecked(settings_.mode.end_on_command_error());
  retries_->setValue(std::clamp(settings_.retries, 0, kMostRetries));
  data_check_->setChecked(settings_.data_check);
  display_->setChecked(settings_.display_received);
  verify_edc_->setChecked(settings_.verify_edc);
  showing_ = false;
  OnDataCheckToggled(false);
  Refresh();
}

void AgeingTab::OnLoopChanged(int index) {
  if (showing_ || index < 0) return;
  settings_.mode.set_loop(index);
  if (index == static_cast<int>(LoopMode::kCountedSet)) {
    auto* dialog = new LoopCountDialog(settings_.loop_count, this);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
      settings_.loop_count = dialog->count();
      loop_->setItemText(2, Text(LoopCountEntryAfterDialog(settings_.loop_count)));
      loop_->setCurrentIndex(2);  // the loop bits become 2
    });
    OpenDialog(dialog);
  }
  Refresh();
}

void AgeingTab::OnDataCheckToggled(bool user) {
  const bool on = settings_.data_check;
  for (QRadioButton* r : types_) r->setEnabled(on);
  QRadioButton* current = type_button(settings_.data_check_type);
  if (!current->isChecked()) current->setChecked(true);
  const bool other = settings_.data_check_type == DataCheckType::kOther;
  reference_->setEnabled(on && other && open_reference_dialog != nullptr && !running());
  // The status line tells the reference file when the user turns to it; showing the settings
  // again (after a run, a load) leaves the status line as it is.
  if (!user) return;
  ShowStatusLine(session_, "");
  if (on && other) ShowStatusLine(session_, settings_.data_file);
}

void AgeingTab::Refresh() {
  ConfigureRangeBar(0);
  const LbaMethod m = settings_.mode.method();
  step_->setEnabled(m == LbaMethod::kStep || m == LbaMethod::kRandomAndStep);
  end_on_data_error_->setEnabled(settings_.data_check);
  retries_->setEnabled(settings_.mode.end_on_command_error());
}

void AgeingTab::ConfigureRangeBar(std::int32_t current) {
  range_bar_->ShowBar(
      RangeBar{settings_.start_lba, settings_.last_lba, settings_.end_lba, current});
}

void AgeingTab::SetReferenceFile(const std::string& folder, const std::string& file) {
  settings_.data_folder = folder;
  settings_.data_file = file;
}

void AgeingTab::StartOrCancel() {
  if (job_) {
    runner_.RequestCancel();
    return;
  }
  if (runner_.running()) return;  // another tab's job has the drive
  ReadFields();
  CollectFields(fields_, states_, current_, false);
  ReadAgeingForm(current_, &settings_);
  AgeingRunOptions options;
  // The reference's filler of blocks its capture could not read is no data to compare.
  if (settings_.data_check && settings_.data_check_type == DataCheckType::kOther) {
    UnreadBlocks unread;
    std::string why;
    if (!ReadUnreadListOf(settings_.data_file, &unread, &why)) {
      OpenDialog(new QMessageBox(QMessageBox::Warning, QStringLiteral("Tamarack"),
                                 QString::fromStdString(why), QMessageBox::Ok, this));
      return;
    }
    for (const UnreadRange& r : unread.ranges()) {
      options.unread_in_reference.emplace_back(r.first, r.last);
    }
  }
  options.random_step_counter = &random_step_counter_;
  options.method_text = method_->currentText().toStdString();
  options.loop_text = loop_->currentText().toStdString();
  options.group_size = group_size ? group_size() : 4;
  auto job = std::make_shared<AgeingJob>(settings_, options);
  if (runner_.Start(job, *host_) != StartResult::kStarted) return;
  job_ = std::move(job);
  counters_->clear();
  pause_->clear();
  SetRunning(true);
}

bool AgeingTab::RefuseForRun(InterruptReason reason) {
  if (!job_ || runner_.state() != RunState::kRunning) return false;
  runner_.Interrupt(reason);
  return true;
}

void AgeingTab::ClearReceived() {
  if (!job_) dump_->clear();
}

void AgeingTab::OnFinished() {
  if (!job_) return;
  const AgeingResult& r = job_->result();
  // Stopped from another tab (its command, its dialog): the run's last words are not that tab's.
  if (is_current && !is_current()) ClearStatusLineIf(session_, r.status_text);
  // The run may have read the disc bounds and set Step; the rest is the tab's.
  settings_.first_track_lba = r.settings.first_track_lba;
  settings_.last_lba = r.settings.last_lba;
  settings_.step = r.settings.step;
  job_.reset();
  SetRunning(false);
  ShowSettings();
  emit RunFinished();
}

void AgeingTab::SetRunning(bool on) {
  for (QWidget* w : settings_widgets_) w->setEnabled(!on);
  if (on) {
    run_clock_.start();
    rate_->clear();
  }
  if (!on) {
    OnDataCheckToggled(false);
    Refresh();
  }
  if (on_running_changed) on_running_changed(on);
}

void AgeingTab::SetDiscBounds(std::optional<std::pair<std::int32_t, std::int32_t>> first_and_last) {
  if (job_) return;
  // Bounds of another disc must not bound this one's run: 0 makes the run read them again.
  settings_.first_track_lba = first_and_last ? first_and_last->first : 0;
  settings_.last_lba = first_and_last ? first_and_last->second : 0;
  if (first_and_last && settings_.start_lba == 0 && settings_.end_lba == 0) {
    settings_.start_lba = settings_.first_track_lba;
    settings_.end_lba = settings_.last_lba;
    BuildForm();
  }
  ShowSettings();
}

void AgeingTab::LoadSettings(const SettingsData& s) {
  settings_ = s.ageing;
  BuildForm();
  ShowSettings();
}

void AgeingTab::StoreSettings(SettingsData* s) {
  if (!job_) ReadFields();
  s->ageing = settings_;
}

void AgeingTab::OpenLogSettingDialog() {
  auto* dialog = new LogSettingDialog(settings_.log_options, settings_.log_html,
                                      Text(settings_.log_path), program_folder, this);
  connect(dialog, &QDialog::accepted, this, [this, dialog] {
    settings_.log_options = dialog->options();
    settings_.log_html = dialog->html();
    settings_.log_path = dialog->path().toStdString();
    Refresh();
    if (on_settings_changed) on_settings_changed();
  });
  OpenDialog(dialog);
}

void AgeingTab::DisplayLog() {
  const QString path = Text(settings_.log_path);
  QString reason;
  if (!path.isEmpty()) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      file.close();
      if (open_file && open_file(path)) return;
      // No desktop program for it: the help window shows it (an HTML log as a page).
      const bool html = path.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive) ||
                        path.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive);
      if (HelpWindow::ShowFile(this, path, html, &reason)) return;
    } else {
      reason = file.errorString();
    }
  }
  QString text = UiText(kNoLogFileMessage);
  if (!reason.isEmpty()) text += QStringLiteral("\n\n%1: %2").arg(path, reason);
  OpenDialog(new QMessageBox(QMessageBox::Warning, QStringLiteral("Tamarack"), text,
                             QMessageBox::Ok, this));
}

void AgeingTab::OpenDialog(QDialog* dialog) {
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
  if (dialog_hook) dialog_hook(dialog);
}

}  // namespace tamarack::app
