#include "app/reference_data_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/continue_dialog.h"
#include "app/help_window.h"
#include "app/ui_text.h"
#include "app/view_text.h"
#include "app/window_job_host.h"
#include "device/sense_table.h"
#include "job/single_command_job.h"
#include "refdata/drive_jobs.h"

namespace tamarack::app {

namespace {

enum FileListIndex { kNameColumn, kDateColumn, kSizeColumn, kTimeKeyColumn, kSizeKeyColumn };

QTreeWidget* MakeFileList(QWidget* parent, const char* name) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(QString::fromUtf8(name));
  list->setColumnCount(5);
  list->header()->setStretchLastSection(false);  // before the keys are hidden, or they keep room
  list->setHeaderLabels(
      {UiText("名前(*.dat)"), UiText("日付"), UiText("ｻｲｽﾞ"), QString(), QString()});
  list->headerItem()->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
  list->setColumnHidden(kTimeKeyColumn, true);
  list->setColumnHidden(kSizeKeyColumn, true);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->header()->setSectionsClickable(true);
  list->setMinimumHeight(120);
  list->setColumnWidth(kNameColumn, 150);
  list->setColumnWidth(kDateColumn, 150);
  list->setColumnWidth(kSizeColumn, 80);
  list->setMinimumWidth(150 + 150 + 80 + 24);  // the three columns without scrolling
  return list;
}

QPushButton* Button(QWidget* parent, const char* caption, const char* name) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromUtf8(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

ReferenceDataDialog::ReferenceDataDialog(DeviceSession& session, JobRunner& runner,
                                         const DriveDirectory* drives,
                                         ReferenceDialogSettings settings, QWidget* parent)
    : QDialog(parent),
      session_(session),
      runner_(runner),
      drives_(drives),
      settings_(std::move(settings)),
      start_lba_(std::min(settings_.start_lba, settings_.end_lba)),
      end_lba_(std::max(settings_.start_lba, settings_.end_lba)),
      own_session_(drives, BuiltInSenseTable()),
      own_runner_(own_session_, runner.clock()),
      names_session_(drives, BuiltInSenseTable()),
      names_runner_(names_session_, runner.clock()) {
  setWindowTitle(UiText("ﾃﾞｰﾀﾁｪｯｸﾌｧｲﾙの読み込みと選択"));
  setObjectName(QStringLiteral("referenceDataDialog"));
  BuildControls();

  // Opening: the folder, the check file, the drive box, the proposed name, the page, the lists.
  settings_.data_folder = ResolveDataFolder(settings_.data_folder, settings_.program_folder);
  folder_->setText(QString::fromStdString(settings_.data_folder));
  std::error_code ec;
  if (!std::filesystem::exists(settings_.data_file, ec)) settings_.data_file.clear();
  check_file_->setText(QString::fromStdString(settings_.data_file));

  std::vector<std::string> ids = settings_.drive_ids;
  const std::string current = session_.DriveId();
  if (!current.empty() && std::find(ids.begin(), ids.end(), current) == ids.end()) {
    ids.push_back(current);
  }
  for (const std::string& id : ids) {
    drive_box_->addItem(QString::fromStdString(id), QString::fromStdString(id));
  }
  const int index = ChooseDriveIndex(ids, current);
  if (index >= 0) drive_box_->setCurrentIndex(index);
  connect(drive_box_, &QComboBox::currentIndexChanged, this, [this] { ProposeName(); });
  FillDriveNames();
  ProposeName();

  const int page = std::clamp(settings_.page, 0, 2);
  tabs_->setCurrentIndex(page);
  ShowPageControls();
  RefillLists();
}

ReferenceDataDialog::~ReferenceDataDialog() {
  // A job of this dialog on the window's runner reports to hosts that go with the dialog.
  if (main_runner_jobs_ > 0) {
    runner_.Interrupt(InterruptReason::kDialog);
    runner_.Wait();
  }
  own_runner_.Interrupt(InterruptReason::kDialog);
  own_runner_.Wait();
  names_runner_.Interrupt(InterruptReason::kDialog);
  names_runner_.Wait();
}

bool ReferenceDataDialog::Open(DeviceSession& session, JobRunner& runner,
                               const DriveDirectory* drives, ReferenceDialogSettings* settings,
                               QWidget* parent) {
  if (runner.Interrupt(InterruptReason::kDialog)) return false;
  ReferenceDataDialog dialog(session, runner, drives, *settings, parent);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  if (accepted) {
    *settings = dialog.settings();
  } else {
    settings->page = dialog.page();
  }
  return accepted;
}

void ReferenceDataDialog::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabBar(this);
  tabs_->setObjectName(QStringLiteral("referencePages"));
  tabs_->addTab(QStringLiteral("Read and Check"));
  tabs_->addTab(QStringLiteral("Check"));
  tabs_->addTab(QStringLiteral("Select File"));
  tabs_->setExpanding(false);
  tabs_->setUsesScrollButtons(false);
  layout->addWidget(tabs_);
  connect(tabs_, &QTabBar::currentChanged, this, [this](int page) {
    settings_.page = page;
    ShowPageControls();
  });

  drive_group_ = new QGroupBox(UiText("入力ドライブの選択"), this);
  auto* drive_row = new QHBoxLayout(drive_group_);
  drive_box_ = new QComboBox(drive_group_);
  drive_box_->setObjectName(QStringLiteral("referenceDriveBox"));
  drive_box_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  drive_box_->setMinimumContentsLength(28);
  drive_row->addWidget(drive_box_, 1);
  layout->addWidget(drive_group_);

  job_buttons_ = new QWidget(this);
  auto* buttons_row = new QHBoxLayout(job_buttons_);
  buttons_row->setContentsMargins(0, 0, 0, 0);
  max_speed_ = Button(job_buttons_, Tr("最高速(&X)"), "maxSpeedButton");
  start_ = Button(job_buttons_, Tr("開始(&S)"), "startButton");
  stop_ = Button(job_buttons_, Tr("停止(&P)"), "stopButton");
  // Both jobs' setting: every Mode 1 and form 1 block read whole and checked by its EDC.
  verify_edc_ = new QCheckBox(UiText("EDCでﾃﾞｰﾀを確認する(&E)"), job_buttons_);
  verify_edc_->setObjectName(QStringLiteral("verifyEdcBox"));
  // Both jobs' setting: how often each block of a failed command is read again alone.
  retries_ = new QSpinBox(job_buttons_);
  retries_->setObjectName(QStringLiteral("retriesBox"));
  retries_->setRange(0, static_cast<int>(kMostRetries));
  retries_->setValue(static_cast<int>(kDefaultRetries));
  auto* retries_label = new QLabel(UiText("ﾘﾄﾗｲ回数(&R)"), job_buttons_);
  retries_label->setBuddy(retries_);
  buttons_row->addWidget(max_speed_);
  buttons_row->addWidget(verify_edc_);
  buttons_row->addWidget(retries_label);
  buttons_row->addWidget(retries_);
  buttons_row->addStretch(1);
  buttons_row->addWidget(start_);
  buttons_row->addWidget(stop_);
  layout->addWidget(job_buttons_);
  connect(max_speed_, &QPushButton::clicked, this, [this] { SetMaxSpeed(); });
  connect(start_, &QPushButton::clicked, this, [this] { StartJob(); });
  connect(stop_, &QPushButton::clicked, this, [this] { StopJob(); });

  BuildCaptureFields(layout);

  BuildCheckFileRow(layout);

  description_ = new QLabel(UiText("ｴｰｼﾞﾝｸﾞで使用するﾃﾞｰﾀﾁｪｯｸ用のﾌｧｲﾙを選択します。\n\n"
                                   "選択できるﾌｧｲﾙは過去にこのﾀﾞｲｱﾛｸﾞで読み込んだものです。"),
                            this);
  description_->setWordWrap(true);
  layout->addWidget(description_);

  BuildFileLists(layout);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("referenceStatus"));
  lba_ = new QLabel(this);
  lba_->setObjectName(QStringLiteral("referenceLba"));
  auto* status_row = new QHBoxLayout;
  status_row->addWidget(status_, 1);
  status_row->addWidget(lba_);
  layout->addLayout(status_row);
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  progress_->hide();
  layout->addWidget(progress_);

  auto* box = new QDialogButtonBox(this);
  auto* help = box->addButton(UiText("ヘルプ(&H)"), QDialogButtonBox::HelpRole);
  ok_ = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  cancel_ = box->addButton(UiText("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
  layout->addWidget(box);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this,
          [this] { emit HelpRequested(QStringLiteral("readset.htm")); });
  connect(this, &ReferenceDataDialog::HelpRequested, this,
          [this](const QString& page) { HelpWindow::ShowPage(this, page); });
  stop_->setEnabled(false);
}

// The Read and Check page: the folder and the file of the capture, with their pickers.
void ReferenceDataDialog::BuildCaptureFields(QVBoxLayout* layout) {
  capture_fields_ = new QWidget(this);
  auto* capture = new QGridLayout(capture_fields_);
  capture->setContentsMargins(0, 0, 0, 0);
  auto* folder_button = Button(capture_fields_, Tr("ﾌｫﾙﾀﾞ参照(&O)"), "folderButton");
  folder_ = new QLineEdit(capture_fields_);
  folder_->setObjectName(QStringLiteral("folderField"));
  folder_->setMinimumWidth(320);
  auto* file_button = Button(capture_fields_, Tr("ﾌｧｲﾙ参照(&I)"), "fileButton");
  file_name_ = new QLineEdit(capture_fields_);
  file_name_->setObjectName(QStringLiteral("fileNameField"));
  check_after_ = new QCheckBox(UiText("読み込み後にチェックする"), capture_fields_);
  check_after_->setObjectName(QStringLiteral("checkAfterBox"));
  capture->addWidget(folder_button, 0, 0);
  capture->addWidget(folder_, 0, 1);
  capture->addWidget(file_button, 1, 0);
  capture->addWidget(file_name_, 1, 1);
  capture->addWidget(check_after_, 2, 0, 1, 2);
  layout->addWidget(capture_fields_);
  connect(folder_button, &QPushButton::clicked, this, [this] {
    auto* picker = new QFileDialog(this, UiText("データを読み込むフォルダ指定してください。"),
                                   folder_->text());
    picker->setFileMode(QFileDialog::Directory);
    picker->setOption(QFileDialog::ShowDirsOnly, true);
    connect(picker, &QFileDialog::fileSelected, this,
            [this](const QString& dir) { folder_->setText(dir); });
    OpenPicker(picker);
  });
  connect(file_button, &QPushButton::clicked, this, [this] {
    auto* picker = new QFileDialog(this, UiText("datファイルの指定"), folder_->text(),
                                   QStringLiteral("dat file(*.dat);;all files(*)"));
    picker->setAcceptMode(QFileDialog::AcceptSave);
    picker->setDefaultSuffix(QStringLiteral("dat"));
    picker->selectFile(file_name_->text());
    connect(picker, &QFileDialog::fileSelected, this, [this](const QString& file) {
      const std::filesystem::path p(Std(file));
      folder_->setText(QString::fromStdString(p.parent_path().string()));
      file_name_->setText(QString::fromStdString(p.filename().string()));
    });
    OpenPicker(picker);
  });
}

// The Check page: the file to compare with and its picker.
void ReferenceDataDialog::BuildCheckFileRow(QVBoxLayout* layout) {
  check_file_row_ = new QWidget(this);
  auto* check_row = new QHBoxLayout(check_file_row_);
  check_row->setContentsMargins(0, 0, 0, 0);
  auto* browse = Button(check_file_row_, Tr("参照(&F)"), "checkFileButton");
  check_file_ = new QLineEdit(check_file_row_);
  check_file_->setObjectName(QStringLiteral("checkFileField"));
  check_file_->setMinimumWidth(320);
  check_row->addWidget(browse);
  check_row->addWidget(check_file_, 1);
  layout->addWidget(check_file_row_);
  connect(browse, &QPushButton::clicked, this, [this] {
    auto* picker = new QFileDialog(this, UiText("ﾁｪｯｸﾌｧｲﾙの設定"), folder_->text(),
                                   QStringLiteral("log file(*.dat);;all files(*)"));
    picker->setAcceptMode(QFileDialog::AcceptOpen);
    picker->setFileMode(QFileDialog::ExistingFile);
    connect(picker, &QFileDialog::fileSelected, this, [this](const QString& file) {
      check_file_->setText(file);
      RefillLists();
    });
    OpenPicker(picker);
  });
}

// The lists of files read before: sorted by a header click, chosen by a double click, deleted
// from the context menu.
void ReferenceDataDialog::BuildFileLists(QVBoxLayout* layout) {
  check_list_ = MakeFileList(this, "checkFileList");
  select_list_ = MakeFileList(this, "selectFileList");
  layout->addWidget(check_list_, 1);
  layout->addWidget(select_list_, 1);
  for (QTreeWidget* list : {check_list_, select_list_}) {
    connect(list->header(), &QHeaderView::sectionClicked, this,
            [this, list](int column) { SortList(list, column); });
    connect(list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { ChooseEntry(item->text(kNameColumn)); });
    connect(list, &QTreeWidget::customContextMenuRequested, this, [this, list](const QPoint& at) {
      if (QTreeWidgetItem* item = list->itemAt(at)) DeleteEntry(item->text(kNameColumn));
    });
  }
}

int ReferenceDataDialog::page() const { return tabs_->currentIndex(); }

void ReferenceDataDialog::SetPage(int page) { tabs_->setCurrentIndex(page); }

void ReferenceDataDialog::ShowPageControls() {
  const int p = page();
  drive_group_->setVisible(p != kPageSelectFile);
  job_buttons_->setVisible(p != kPageSelectFile);
  capture_fields_->setVisible(p == kPageReadAndCheck);
  check_file_row_->setVisible(p != kPageReadAndCheck);
  description_->setVisible(p == kPageSelectFile);
  check_list_->setVisible(p == kPageCheck);
  select_list_->setVisible(p == kPageSelectFile);
  status_->setVisible(p != kPageSelectFile);
  lba_->setVisible(p != kPageSelectFile);
}

void ReferenceDataDialog::SetRunning(bool running) {
  tabs_->setEnabled(!running);
  drive_box_->setEnabled(!running);
  start_->setEnabled(!running);
  max_speed_->setEnabled(!running);
  verify_edc_->setEnabled(!running);
  retries_->setEnabled(!running);
  stop_->setEnabled(running);
  progress_->setVisible(running);
  if (running) progress_->setValue(0);
}

std::string ReferenceDataDialog::SelectedDriveId() const {
  return Std(drive_box_->currentData().toString());
}

ReferenceDataDialog::Target ReferenceDataDialog::TargetForSelectedDrive() {
  const std::string id = SelectedDriveId();
  if (id.empty()) return {};
  if (id == session_.DriveId() && session_.HasDevice()) return {&session_, &runner_};
  if ((own_session_.DriveId() != id || !own_session_.HasDevice()) && !own_session_.Open(id)) {
    return {};  // a drive that cannot be opened: nothing happens
  }
  return {&own_session_, &own_runner_};
}

WindowJobHost* ReferenceDataDialog::StartOn(JobRunner& runner, std::shared_ptr<Job> job,
                                            std::function<void(RunState)> done,
                                            std::function<const JobVerdict*()> verdict) {
  hosts_.push_back(std::make_unique<WindowJobHost>(this, runner));
  WindowJobHost* host = hosts_.back().get();
  host->closing_verdict = std::move(verdict);  // read by the worker: set before it starts
  const bool main = &runner == &runner_;
  host->on_finished = [this, main, done = std::move(done)](RunState ended_by) {
    if (main) --main_runner_jobs_;
    done(ended_by);
  };
  // The drive box's jobs are short: a job started meanwhile waits for them.
  if (runner.Start(std::move(job), *host, StartPolicy::kCancelRunning) == StartResult::kBusy) {
    hosts_.pop_back();
    return nullptr;
  }
  if (main) ++main_runner_jobs_;
  return host;
}

void ReferenceDataDialog::FillDriveNames() {
  std::vector<std::string> ids;
  for (int i = 0; i < drive_box_->count(); ++i)
    ids.push_back(Std(drive_box_->itemData(i).toString()));
  auto job = std::make_shared<DriveNamesJob>(drives_, ids);
  StartOn(names_runner_, job, [this, job](RunState) {
    for (std::size_t i = 0; i < job->ids().size(); ++i) {
      const int row = drive_box_->findData(QString::fromStdString(job->ids()[i]));
      if (row >= 0 && !job->names()[i].empty()) {
        drive_box_->setItemText(row,
                                QString::fromStdString(job->ids()[i] + "  " + job->names()[i]));
      }
    }
    emit DriveInfoArrived();
  });
}

void ReferenceDataDialog::ProposeName() {
  if (job_) return;
  const std::string id = SelectedDriveId();
  auto apply = [this, id](const std::string& label) {
    if (SelectedDriveId() != id) return;  // another drive was chosen meanwhile
    const std::string folder = Std(folder_->text());
    if (const auto name = ProposeFileName(folder, label)) {
      file_name_->setText(QString::fromStdString(*name));
      if (settings_.data_file.empty() && check_file_->text().isEmpty()) {
        check_file_->setText(
            QString::fromStdString((std::filesystem::path(folder) / *name).string()));
        RefillLists();  // the lists show the check file's folder
      }
    }
    emit DriveInfoArrived();
  };
  const Target t = TargetForSelectedDrive();
  if (!t.runner) {
    apply(std::string());
    return;
  }
  auto job = std::make_shared<VolumeLabelJob>();
  if (!StartOn(*t.runner, job, [job, apply](RunState) { apply(job->label()); })) apply({});
}

void ReferenceDataDialog::StartJob() {
  if (job_ || page() == kPageSelectFile) return;
  const Target t = TargetForSelectedDrive();
  if (!t.runner) return;
  ReferenceRequest request;
  request.start = start_lba_;
  request.end = end_lba_;
  request.verify_edc = verify_edc_->isChecked();
  request.retries = static_cast<std::uint32_t>(retries_->value());
  std::shared_ptr<Job> job;
  if (page() == kPageReadAndCheck) {
    request.path = (std::filesystem::path(Std(folder_->text())) / Std(file_name_->text())).string();
    job = std::make_shared<CaptureJob>(request, check_after_->isChecked());
  } else {
    request.path = Std(check_file_->text());
    job = std::make_shared<CheckJob>(request);
  }
  status_->clear();
  lba_->clear();
  speed_text_.clear();
  // The capture's or the check's verdict closes its last message.
  const ReferenceResult* result = nullptr;
  if (auto* capture = dynamic_cast<CaptureJob*>(job.get())) result = &capture->result();
  if (auto* check = dynamic_cast<CheckJob*>(job.get())) result = &check->result();
  WindowJobHost* host = StartOn(
      *t.runner, job, [this](RunState s) { OnReferenceFinished(s); },
      [job, result]() -> const JobVerdict* { return &result->verdict; });
  if (!host) return;
  job_ = job;
  job_runner_ = t.runner;
  host->on_show = [this](JobText where, const QString& text) {
    if (where == JobText::kStatus) status_->setText(text);
    if (where == JobText::kCounters) lba_->setText(text);
    if (where == JobText::kSpeed) speed_text_ = text;
  };
  host->on_progress = [this](const JobProgress& p) {
    if (p.total != 0)
      progress_->setValue(
          static_cast<int>(std::min<std::uint64_t>(p.done, p.total) * 100 / p.total));
  };
  host->on_message = [this](MessageIcon icon, const QString& text) { ShowMessage(icon, text); };
  host->on_ask = [this](const JobQuestion& q) { return AskQuestion(q); };
  SetRunning(true);
}

void ReferenceDataDialog::StopJob() {
  if (job_runner_) job_runner_->RequestCancel();
}

void ReferenceDataDialog::SetMaxSpeed() {
  if (job_) return;
  const Target t = TargetForSelectedDrive();
  if (!t.runner) return;
  auto job = std::make_shared<SingleCommandJob>(MaxSpeedCdb());
  if (!StartOn(*t.runner, job, [this, job](RunState) {
        job_ = nullptr;
        job_runner_ = nullptr;
        SetRunning(false);
        ShowMessage(MessageIcon::kInformation,
                    ViewText(MaxSpeedText(job->outcome().status == CommandStatus::kGood)));
        emit JobFinished();
      })) {
    return;
  }
  job_ = job;
  job_runner_ = t.runner;
  SetRunning(true);
}

void ReferenceDataDialog::OnReferenceFinished(RunState) {
  std::shared_ptr<Job> job = std::move(job_);
  job_runner_ = nullptr;
  const ReferenceResult* r = nullptr;
  if (auto* capture = dynamic_cast<CaptureJob*>(job.get())) r = &capture->result();
  if (auto* check = dynamic_cast<CheckJob*>(job.get())) r = &check->result();
  SetRunning(false);
  if (r) {
    // The check's result stays in the status text, the capture's speed in the other one.
    const bool check_finished =
        r->end == ReferenceEnd::kCompleted || r->end == ReferenceEnd::kTailReadFailed;
    if (!(r->check_ran && check_finished)) status_->clear();
    lba_->setText(speed_text_);
    if (dynamic_cast<CaptureJob*>(job.get()) && r->end == ReferenceEnd::kCompleted &&
        r->mismatches == 0) {
      check_file_->setText(QString::fromStdString(r->file));
    }
  }
  RefillLists();
  emit JobFinished();
}

Answer ReferenceDataDialog::AskQuestion(const JobQuestion& question) {
  if (question.kind == QuestionKind::kContinueSkipStop) {
    ContinueDialog dialog(ViewText(question.text), this);
    if (dialog_hook) QTimer::singleShot(0, &dialog, [this, &dialog] { dialog_hook(&dialog); });
    dialog.exec();
    return dialog.answer();
  }
  QMessageBox box(QMessageBox::Question, QStringLiteral("Tamarack"), ViewText(question.text),
                  QMessageBox::Ok | QMessageBox::Cancel, this);
  if (dialog_hook) QTimer::singleShot(0, &box, [this, &box] { dialog_hook(&box); });
  return box.exec() == QMessageBox::Ok ? Answer::kYes : Answer::kNo;
}

void ReferenceDataDialog::ShowMessage(MessageIcon icon, const QString& text) {
  const QMessageBox::Icon i = icon == MessageIcon::kError     ? QMessageBox::Critical
                              : icon == MessageIcon::kWarning ? QMessageBox::Warning
                                                              : QMessageBox::Information;
  OpenPicker(new QMessageBox(i, QStringLiteral("Tamarack"), text, QMessageBox::Ok, this));
}

void ReferenceDataDialog::OpenPicker(QDialog* dialog) {
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
  if (dialog_hook) dialog_hook(dialog);
}

void ReferenceDataDialog::FillList(QTreeWidget* list, std::vector<ReferenceFileEntry> entries) {
  list->clear();
  const std::string current = std::filesystem::path(Std(check_file_->text())).filename().string();
  for (const ReferenceFileEntry& e : entries) {
    auto* item = new QTreeWidgetItem(list);
    item->setText(kNameColumn, QString::fromStdString(e.name));
    item->setText(kDateColumn, QString::fromStdString(e.date));
    item->setText(kSizeColumn, QString::fromStdString(e.size));
    item->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(kTimeKeyColumn, QString::fromStdString(e.time_key));
    item->setText(kSizeKeyColumn, QString::fromStdString(e.size_key));
    if (!current.empty() && e.name == current) list->setCurrentItem(item);
  }
  (list == check_list_ ? check_entries_ : select_entries_) = std::move(entries);
}

void ReferenceDataDialog::RefillLists() {
  const std::vector<ReferenceFileEntry> entries = ListReferenceFiles(Std(check_file_->text()));
  FillList(check_list_, entries);
  FillList(select_list_, entries);
}

void ReferenceDataDialog::SortList(QTreeWidget* list, int column) {
  if (column > kSizeColumn) return;
  sort_descending_ = !sort_descending_;
  std::vector<ReferenceFileEntry> entries = list == check_list_ ? check_entries_ : select_entries_;
  SortReferenceFiles(entries,
                     column == kNameColumn   ? FileListColumn::kName
                     : column == kDateColumn ? FileListColumn::kDate
                                             : FileListColumn::kSize,
                     sort_descending_);
  FillList(list, std::move(entries));
}

void ReferenceDataDialog::ChooseEntry(const QString& name) {
  check_file_->setText(QString::fromStdString(SiblingPath(Std(check_file_->text()), Std(name))));
  for (QTreeWidget* list : {check_list_, select_list_}) {
    const auto found = list->findItems(name, Qt::MatchExactly, kNameColumn);
    if (!found.isEmpty()) list->setCurrentItem(found.front());
  }
}

void ReferenceDataDialog::DeleteEntry(const QString& name) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Tamarack"), UiText(kDeleteQuestion.data()),
                  QMessageBox::Ok | QMessageBox::Cancel, this);
  if (dialog_hook) QTimer::singleShot(0, &box, [this, &box] { dialog_hook(&box); });
  if (box.exec() != QMessageBox::Ok) return;
  std::string why;
  if (!DeleteReferenceFile(Std(check_file_->text()), Std(name), &why)) {
    ShowMessage(MessageIcon::kError, name + QStringLiteral("\n") + QString::fromStdString(why));
  }
  RefillLists();
}

void ReferenceDataDialog::accept() {
  if (job_) {
    StopJob();
    return;
  }
  settings_.data_folder = Std(folder_->text());
  settings_.data_file = Std(check_file_->text());
  settings_.page = page();
  ShowStatusLine(session_, settings_.data_file);
  QDialog::accept();
}

void ReferenceDataDialog::reject() {
  if (job_) {
    StopJob();
    return;
  }
  settings_.page = page();
  QDialog::reject();
}

}  // namespace tamarack::app
