#include "app/main_window.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

#include "ageing/ageing_file.h"
#include "app/ageing_tab.h"
#include "app/command_monitor_tab.h"
#include "app/command_tab.h"
#include "app/control_data_window.h"
#include "app/dialog_placement.h"
#include "app/disc_indicator_widget.h"
#include "app/drive_serving_control.h"
#include "app/help_window.h"
#include "app/measure_tab.h"
#include "app/mode_page_editor_widget.h"
#include "app/options_dialog.h"
#include "app/properties_tab.h"
#include "app/reference_data_dialog.h"
#include "app/save_option_dialog.h"
#include "app/sector_dump_tab.h"
#include "app/toc_tab.h"
#include "app/tools_dialog.h"
#include "app/ui_text.h"
#include "app/wheel_guard.h"
#include "app/window_job_host.h"
#include "app/window_post.h"
#include "app/window_selection_host.h"
#include "decode/control_commands.h"
#include "decode/mode_page_editor.h"
#include "device/sense.h"
#include "emu/virtual_drive_id.h"
#include "job/single_command_job.h"
#include "measure/measurement_file.h"
#include "mmc/drive_selection.h"
#include "persist/user_folders.h"
#include "shell/console_settings.h"
#include "shell/font_mapping.h"
#include "shell/settings_store.h"
#include "shell/start_tab.h"
#include "shell/tab_file.h"
#include "shell/window_settings.h"
#include "tools/dump_file.h"

namespace tamarack::app {

namespace {

constexpr const char* kResetQuestion =
    TR_NOOP("全てのｺﾏﾝﾄﾞが初期化（ｲﾝｽﾄｰﾙ時に戻る）されますが、いいですか?");
// How long a passing notice covers the status line.
constexpr int kNoticeMs = 8000;
constexpr const char* kRestartNotice = TR_NOOP("この変更はﾌﾟﾛｸﾞﾗﾑ再起動後に有効になります");

// Characters the drive box is wide for; a longer id (an image's path) is shown with its
// middle left out, whole on hovering and in the list.
constexpr int kDriveBoxCharacters = 15;

// A combo box that elides its current text in the middle, so that both the kind of drive
// ("emu:", "/dev/") and the end of a path stay in view.
class DriveBox final : public QComboBox {
 public:
  explicit DriveBox(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(kDriveBoxCharacters);
    view()->setTextElideMode(Qt::ElideMiddle);
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
  }

  // Wider where the row has room (twice its least), as narrow as that where it has not.
  QSize sizeHint() const override {
    const QSize least = minimumSizeHint();
    return {least.width() * 2, least.height()};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect text =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText =
        fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, text.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  }
};

std::vector<std::string> InstalledFamilies() {
  std::vector<std::string> out;
  for (const QString& f : QFontDatabase::families()) out.push_back(f.toStdString());
  return out;
}

}  // namespace

QString MainWindow::ExecCaption(int tab) {
  switch (tab) {
    case kTabSectorDump:
    case kTabToc:
      return QStringLiteral("Read(&E)");
    case kTabProperties:
      return QStringLiteral("Get(&E)");
    case kTabCommand:
      return QStringLiteral("Send(&E)");
    case kTabAgeing:
    case kTabMeasure:
      return QStringLiteral("Start(&E)");
    default:
      return QStringLiteral("None");
  }
}

MainWindow::MainWindow(const DriveDirectory* drives, QWidget* parent)
    : MainWindow(drives, WindowConfig{}, parent) {}

MainWindow::MainWindow(const DriveDirectory* drives, WindowConfig config, QWidget* parent)
    : QMainWindow(parent),
      drives_(drives),
      session_(drives, BuiltInSenseTable()),
      runner_(session_, config.clock ? *config.clock : RealClock()),
      config_(std::move(config)) {
  session_.SetHost(&status_board_);
  InstallWheelGuard();
  setWindowTitle(QStringLiteral("Tamarack"));
  setMinimumSize(750, 600);
  LoadSettingsAtStart();

  BuildLayout();

  status_label_ = new QLabel(this);
  status_label_->setObjectName(QStringLiteral("statusLine"));
  statusBar()->addWidget(status_label_, 1);
  serving_ = new DriveServingControl(
      drive_box_, drives_, statusBar(),
      [this](QMessageBox::Icon icon, const QString& text) { ShowMessage(icon, text); });
  // The status line is written from worker threads: hop to the window thread.
  auto* status_post = new WindowPost(status_label_);
  status_board_.status_line.SetObserver([this, status_post](const std::string& text) {
    status_post->Post([this, t = QString::fromStdString(text)] {
      status_label_->setText(t);
      status_label_->setToolTip(t);  // whole where the settings buttons leave the line short
    });
  });

  connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::OnTabChanged);
  connect(exec_button_, &QPushButton::clicked, this, [this] {
    const int tab = tabs_->currentIndex();
    SaveSettingsNow();
    if (tab >= 0 && tab < static_cast<int>(exec_actions_.size()) &&
        exec_actions_[static_cast<std::size_t>(tab)]) {
      exec_actions_[static_cast<std::size_t>(tab)]();
    }
  });
  BuildTabs();
  // A selection in the command list is one of the moments the settings are written.
  connect(command_tab_->command_list(), &QListWidget::currentRowChanged, this,
          [this] { SaveSettingsNow(); });

  // The start tab: from the kind of a file named on the command line, else the saved tab.
  const std::optional<int> file_tab = TabOfFile(config_.command_line_file);
  tabs_->setCurrentIndex(file_tab.value_or(settings_.last_tab));
  OnTabChanged(tabs_->currentIndex());
  ApplyDisplayFont();

  // Before the first selection, so that its commands are on record too.
  ApplyCommandTrace();
  FillDriveBox();
  connect(drive_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
    // The settings are written first, so that they name the new drive.
    SaveSettingsNow();
    OnDriveChanged(index);
  });
  if (drive_box_->currentIndex() >= 0) OnDriveChanged(drive_box_->currentIndex());
  indicator_->SetEnabled(options_.disc_indicator);
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { SaveSettingsNow(); });
  // The window is set up: the file named on the command line goes into its tab.
  if (file_tab) {
    LoadFileIntoTab(QString::fromStdString(FileOfCommandLine(config_.command_line_file)));
  }
}

// The top row (disc indicator, drive box, tool buttons, Exec) above the tabs.
void MainWindow::BuildLayout() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  auto* top = new QHBoxLayout;
  drive_box_ = new DriveBox(central);
  drive_box_->setObjectName(QStringLiteral("driveBox"));
  exec_button_ = new QPushButton(central);
  exec_button_->setObjectName(QStringLiteral("execButton"));
  exec_button_->setProperty("fitsText", true);
  indicator_ = new DiscIndicatorWidget(
      session_, [this] { return AnyJobRunning(); }, [this] { ReselectDrive(); }, central);
  top->addWidget(indicator_);
  top->addWidget(drive_box_);
  BuildToolRow(central, top);
  top->addStretch(1);
  top->addWidget(exec_button_);
  layout->addLayout(top);

  tabs_ = new QTabWidget(central);
  tabs_->setObjectName(QStringLiteral("tabs"));
  static const char* const kTabLabels[] = {"Sector Dump(&D)", "Toc(&T)",   "Properties(&P)",
                                           "Command(&C)",     "Aging(&A)", "Measure(&M)",
                                           "Others(&O)"};
  for (const char* label : kTabLabels) tabs_->addTab(new QWidget(tabs_), QString::fromUtf8(label));
  layout->addWidget(tabs_, 1);
  setCentralWidget(central);
}

// Every tab with its Exec action, and what the tabs share: the hex input switch, the
// grouping, the settings written on their changes, the Exec caption while a job runs.
void MainWindow::BuildTabs() {
  window_jobs_ = std::make_unique<WindowJobHost>(this, runner_);
  command_tab_ = new CommandTab(session_, runner_, tabs_);
  InstallTab(kTabCommand, command_tab_);
  SetExecAction(kTabCommand, [this] { command_tab_->Execute(); });
  auto* toc_tab = new TocTab(session_, runner_, tabs_);
  toc_tab_ = toc_tab;
  InstallTab(kTabToc, toc_tab);
  connect(toc_tab, &TocTab::TrackTestRunning, this, [this](bool running) {
    SetExecCaptionOverride(running ? QStringLiteral("Cancel(&E)") : QString());
  });
  SetExecAction(kTabToc, [toc_tab] { toc_tab->Execute(); });
  toc_tab_->SetFullToc(settings_.toc_kind != 0);
  auto* properties_tab = new PropertiesTab(session_, tabs_);
  properties_tab_ = properties_tab;
  InstallTab(kTabProperties, properties_tab);
  SetExecAction(kTabProperties, [properties_tab] { properties_tab->Execute(); });
  AddBusyCheck([this] { return runner_.running(); });
  ShowCommandSettings();
  command_tab_->on_settings_changed = [this] { SaveSettingsNow(); };
  // A command in flight shows over the status line (the session's line keeps its own text).
  command_tab_->on_running_changed = [this](bool on, const QString& what) {
    SetExecCaptionOverride(kTabCommand, on ? QStringLiteral("Cancel(&E)") : QString());
    if (what.isEmpty()) {
      statusBar()->clearMessage();
    } else {
      statusBar()->showMessage(what, on ? 0 : kNoticeMs);
    }
  };
  sector_dump_tab_ = new SectorDumpTab(session_, runner_, tabs_);
  InstallTab(kTabSectorDump, sector_dump_tab_);
  SetExecAction(kTabSectorDump, [this] { sector_dump_tab_->Read(); });
  sector_dump_tab_->LoadSettings(settings_);
  // The hex input switch and the grouping box of the Command tab serve the dump too.
  sector_dump_tab_->SetHexInput(command_tab_->console().hex_input());
  sector_dump_tab_->SetGroupSize(GroupSize(command_tab_->console().grouping_index));
  connect(command_tab_->hex_input_box(), &QCheckBox::toggled, sector_dump_tab_,
          &SectorDumpTab::SetHexInput);
  connect(command_tab_->grouping_box(), &QComboBox::currentIndexChanged, sector_dump_tab_,
          [this](int index) { sector_dump_tab_->SetGroupSize(GroupSize(index)); });
  ageing_tab_ = new AgeingTab(session_, runner_, tabs_);
  InstallTab(kTabAgeing, ageing_tab_);
  SetExecAction(kTabAgeing, [this] { ageing_tab_->StartOrCancel(); });
  ageing_tab_->program_folder = QString::fromStdString(ProgramDataFolder());
  ageing_tab_->group_size = [this] { return GroupSize(command_tab_->console().grouping_index); };
  ageing_tab_->on_settings_changed = [this] { SaveSettingsNow(); };
  ageing_tab_->is_current = [this] { return tabs_->currentIndex() == kTabAgeing; };
  ageing_tab_->on_running_changed = [this](bool on) {
    SetExecCaptionOverride(kTabAgeing, on ? QStringLiteral("Cancel(&E)") : QString());
  };
  if (config_.dialog_hook) ageing_tab_->dialog_hook = config_.dialog_hook;
  ageing_tab_->open_reference_dialog = [this] { OpenReferenceDialog(); };
  ageing_tab_->LoadSettings(settings_);
  measure_tab_ = new MeasureTab(session_, runner_, tabs_);
  InstallTab(kTabMeasure, measure_tab_);
  SetExecAction(kTabMeasure, [this] { measure_tab_->Execute(); });
  measure_tab_->SetBlockCount(settings_.msr_block_length);
  measure_tab_->SetHexInput(command_tab_->console().hex_input());
  measure_tab_->dialog_hook = config_.dialog_hook;
  measure_tab_->drive_facts = [this] { return drive_facts_; };
  measure_tab_->on_running = [this](bool running) {
    SetExecCaptionOverride(running ? QStringLiteral("Cancel(&E)") : QString());
  };
  connect(command_tab_->hex_input_box(), &QCheckBox::toggled, measure_tab_,
          &MeasureTab::SetHexInput);
  connect(tabs_, &QTabWidget::currentChanged, measure_tab_, [this](int index) {
    // Leaving the Measure tab stops its run.
    if (index != kTabMeasure) {
      measure_tab_->Stop(CancelCause::kTabChange);
    } else if (!measure_tab_->running()) {
      measure_tab_->Shown();
    }
  });
  // The Others tab: the command monitor; its Exec caption stays "None".
  if (drives_) drives_->Trace().SetSink(&monitor_);
  monitor_tab_ = new CommandMonitorTab(monitor_, tabs_);
  InstallTab(kTabOthers, monitor_tab_);
}

MainWindow::~MainWindow() {
  // A job still running uses the session: let it end first.
  runner_.Interrupt(InterruptReason::kClose);
  runner_.Wait();
  delete indicator_;  // joins a poll in flight before the session goes
  indicator_ = nullptr;
  status_board_.status_line.SetObserver(nullptr);
  // The directory outlives the window; its trace belongs to the window's options.
  if (drives_) {
    drives_->Trace().SetSink(nullptr);
    drives_->Trace().Stop();
  }
  // The tabs hold references to the session and its host, which are members of this window and
  // go before Qt deletes the children: the tabs go first, telling this window nothing more.
  disconnect(tabs_, nullptr, this, nullptr);
  delete tabs_;
  tabs_ = nullptr;
}

void MainWindow::BuildToolRow(QWidget* central, QHBoxLayout* top) {
  auto button = [](QWidget* parent, QHBoxLayout* row, const char* text, const char* name) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromUtf8(name));
    b->setAutoDefault(false);
    b->setProperty("fitsText", true);
    row->addWidget(b);
    return b;
  };
  // The settings buttons sit at the right of the status line.
  auto* settings_row = new QHBoxLayout;
  settings_row->setContentsMargins(0, 0, 0, 0);
  auto* settings_box = new QWidget(this);
  settings_box->setLayout(settings_row);
  statusBar()->addPermanentWidget(settings_box);
  control_data_button_ = button(central, top, Tr("制御ﾃﾞｰﾀ"), "controlDataButton");
  control_data_button_->setToolTip(UiText("ﾄﾞﾗｲﾌﾞから読み込んだ制御ﾃﾞｰﾀ"));
  eject_button_ = button(central, top, "Eject", "ejectButton");
  load_button_ = button(central, top, "Load", "loadButton");
  load_button_->hide();  // shown while the tray is open after an Eject
  reset_button_ = button(settings_box, settings_row, Tr("ｺﾏﾝﾄﾞ初期化"), "resetCommandsButton");
  options_button_ = button(settings_box, settings_row, Tr("ｵﾌﾟｼｮﾝ設定"), "optionsButton");
  font_button_ = button(settings_box, settings_row, Tr("ﾌｫﾝﾄ設定"), "fontButton");
  print_button_ = button(central, top, "Print", "printButton");
  save_button_ = button(central, top, Tr("保存"), "saveButton");
  save_button_->setToolTip(UiText("ﾀﾌﾞのﾃﾞｰﾀを保存"));
  open_button_ = button(central, top, Tr("開く"), "openButton");
  open_button_->setToolTip(UiText("ﾀﾌﾞのﾃﾞｰﾀを読み込み"));
  connect(save_button_, &QPushButton::clicked, this, &MainWindow::SaveTabFile);
  connect(open_button_, &QPushButton::clicked, this, &MainWindow::LoadTabFile);
  // The help: the guide compiled into the program, shown in its own window.
  help_button_ = button(central, top, Tr("ﾍﾙﾌﾟ"), "helpButton");
  auto* help_menu = new QMenu(help_button_);
  help_menu->addAction(UiText("ﾀﾌﾞのﾍﾙﾌﾟ"), this,
                       [this] { HelpWindow::ShowTab(this, tabs_->currentIndex()); });
  help_menu->addAction(UiText("全ﾍﾙﾌﾟ表示(F1)"), this,
                       [this] { HelpWindow::ShowSection(this, QString()); });
  help_menu->addAction(UiText("ﾊﾞｰｼﾞｮﾝ表示"), this, [this] { ShowVersionBox(this); });
  help_button_->setMenu(help_menu);
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  f1->setContext(Qt::ApplicationShortcut);
  connect(f1, &QShortcut::activated, this, [this] { HelpWindow::ShowSection(this, QString()); });
  auto* tool = button(central, top, "Tool", "toolButton");
  connect(tool, &QPushButton::clicked, this, [this] {
    ToolsDialog::Replace(this, session_, runner_, &settings_.tool_last_tab,
                         command_tab_->console().hex_input());
    SaveSettingsNow();
  });
  connect(control_data_button_, &QPushButton::clicked, this, &MainWindow::OpenControlData);
  connect(eject_button_, &QPushButton::clicked, this, [this] { EjectOrLoad(true); });
  connect(load_button_, &QPushButton::clicked, this, [this] { EjectOrLoad(false); });
  connect(reset_button_, &QPushButton::clicked, this, &MainWindow::ResetCommands);
  connect(options_button_, &QPushButton::clicked, this, &MainWindow::OpenOptionsDialog);
  connect(font_button_, &QPushButton::clicked, this, &MainWindow::OpenFontDialog);
  // Printing is the Measure tab's: its graph on paper (or in a PDF file).
  connect(print_button_, &QPushButton::clicked, this, [this] {
    if (measure_tab_ && tabs_->currentIndex() == kTabMeasure) measure_tab_->Print();
  });
}

void MainWindow::LoadSettingsAtStart() {
  // The ageing log goes into the program's data folder until the settings name another file.
  settings_.ageing.log_path = ProgramDataFolder() + "/Log.htm";
  if (!config_.settings_path.empty()) LoadSettings(config_.settings_path, &settings_);
  options_ = OptionsFromSettings(settings_);
  session_.SetCommandTimeout(options_.command_timeout);
  saved_drive_ = StartDriveOf(settings_, config_.start_drive);
  if (settings_.has_size) {
    // "Size=" holds top, left, bottom, right.
    const auto& r = settings_.size;
    const int width = std::max(750, r[3] - r[1]);
    const int height = std::max(600, r[2] - r[0]);
    setGeometry(r[1], r[0], width, height);
  } else {
    resize(750, 600);
  }
}

void MainWindow::ApplyDisplayFont() {
  // The settings keep the face the user chose; draw with an installed face of its kind.
  const std::string face =
      MapFontFace(settings_.font_face, InstalledFamilies(), font().family().toStdString());
  QFont f(QString::fromStdString(face));
  const int height = settings_.font[3];
  if (height > 0 && height < 200) f.setPixelSize(height);
  // A weight of 0 is the platform's "any weight": normal.
  const int weight = settings_.font[0] > 0 ? std::clamp(settings_.font[0], 100, 900) : 400;
  f.setWeight(static_cast<QFont::Weight>(weight));
  f.setItalic(settings_.font[1] != 0);
  setFont(f);
  FitButtonsToText();
}

void MainWindow::FitButtonsToText() {
  // At the minimum width the top row holds the drive box and every tool button: a button may
  // shrink to its text in the window's font, not to the style's wider default.
  for (QPushButton* b : findChildren<QPushButton*>()) {
    if (b->property("fitsText").toBool()) {
      b->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(b->text()) + 24);
    }
  }
}

void MainWindow::RememberGeometry() {
  if (isMaximized() || isMinimized()) return;
  const QRect g = geometry();
  settings_.has_size = true;
  settings_.size = {g.top(), g.left(), g.bottom() + 1, g.right() + 1};
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  RememberGeometry();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  RememberGeometry();
}

void MainWindow::AddBusyCheck(std::function<bool()> busy) {
  busy_checks_.push_back(std::move(busy));
}

bool MainWindow::AnyJobRunning() const {
  for (const auto& busy : busy_checks_) {
    if (busy && busy()) return true;
  }
  return false;
}

void MainWindow::SaveSettingsNow() {
  CollectSettings();
  if (config_.settings_path.empty()) return;
  std::string error;
  if (!SaveSettings(config_.settings_path, settings_, &error)) {
    status_board_.status_line.Set(error);
  }
}

void MainWindow::CollectSettings() {
  settings_.dir = drive_box_ && drive_box_->currentIndex() >= 0
                      ? drive_box_->currentText().toStdString()
                      : settings_.dir;
  settings_.last_tab = tabs_ ? tabs_->currentIndex() : settings_.last_tab;
  OptionsToSettings(options_, &settings_);
  if (command_tab_) {
    Console& console = command_tab_->console();
    ApplyOptionsToConsole(options_, &console.options);
    ConsoleToSettings(console, &settings_);
    ModePagesToSettings(command_tab_->mode_page_editor()->editor(), &settings_);
    HexInputToSettings(console.hex_input(), &settings_);
  }
  if (sector_dump_tab_) sector_dump_tab_->StoreSettings(&settings_);
  if (ageing_tab_) ageing_tab_->StoreSettings(&settings_);
  if (measure_tab_) settings_.msr_block_length = measure_tab_->block_count();
  if (toc_tab_) settings_.toc_kind = toc_tab_->full_toc() ? 1 : 0;
}

void MainWindow::ShowCommandSettings() {
  Console& console = command_tab_->console();
  SettingsToConsole(settings_, &console);
  SettingsToModePages(settings_, &command_tab_->mode_page_editor()->editor());
  command_tab_->mode_page_editor()->Refresh();
  // The Command tab's switch owns the hex input bit; the other tabs follow it.
  console.SetHexInput(HexInputOf(settings_));
  command_tab_->ShowCurrentCommand();
}

void MainWindow::ApplyOptions(const Options& options) {
  const bool drives_changed = options.virtual_drives != options_.virtual_drives;
  options_ = options;
  session_.SetCommandTimeout(options_.command_timeout);
  if (command_tab_) ApplyOptionsToConsole(options_, &command_tab_->console().options);
  indicator_->SetEnabled(options_.disc_indicator);
  ApplyCommandTrace();
  if (drives_changed) {
    const QString current = drive_box_->currentText();
    saved_drive_ = current.toStdString();
    drive_box_->blockSignals(true);
    FillDriveBox();
    drive_box_->blockSignals(false);
    if (drive_box_->currentText() != current || drive_box_->count() == 0) {
      if (drive_box_->currentIndex() >= 0) {
        OnDriveChanged(drive_box_->currentIndex());
      } else {
        session_.Close();
      }
    }
  }
  SaveSettingsNow();
}

void MainWindow::ApplyCommandTrace() {
  if (!drives_) return;
  CommandTrace& trace = drives_->Trace();
  if (!options_.trace_commands) {
    trace.Stop();
    return;
  }
  if (options_.trace_file.empty()) options_.trace_file = DefaultTraceFile(config_.settings_path);
  if (trace.Active() && trace.Path() == options_.trace_file) return;
  // Appended: a trace spans runs until the user deletes the file.
  std::string error;
  if (!trace.Start(options_.trace_file, CommandTrace::Mode::kAppend, &error)) {
    status_board_.status_line.Set(error);
  }
}

void MainWindow::OpenDialog(QDialog* dialog) {
  if (config_.dialog_hook) {
    QTimer::singleShot(0, dialog, [this, dialog] { config_.dialog_hook(dialog); });
  }
}

void MainWindow::OpenOptionsDialog() {
  OptionsDialog dialog(options_, this);
  OpenDialog(&dialog);
  if (dialog.exec() == QDialog::Accepted) ApplyOptions(dialog.Result());
}

void MainWindow::OpenFontDialog() {
  QFontDialog dialog(font(), this);
  dialog.setWindowTitle(UiText("ﾌｫﾝﾄ設定"));
  OpenDialog(&dialog);
  if (dialog.exec() != QDialog::Accepted) return;
  const QFont f = dialog.selectedFont();
  settings_.font_face = f.family().toStdString();
  // "fonto=": the weight on the 100-900 scale, italic, the character set (128 for a face
  // that writes Japanese, else 1, the default set) and the height in pixels.
  settings_.font[0] = static_cast<int>(f.weight());
  settings_.font[1] = f.italic() ? 1 : 0;
  settings_.font[2] =
      QFontDatabase::writingSystems(f.family()).contains(QFontDatabase::Japanese) ? 128 : 1;
  settings_.font[3] =
      f.pixelSize() > 0 ? f.pixelSize() : qRound(f.pointSizeF() * logicalDpiY() / 72.0);
  QMessageBox notice(QMessageBox::Information, QStringLiteral("Tamarack"), UiText(kRestartNotice),
                     QMessageBox::Ok, this);
  OpenDialog(&notice);
  notice.exec();
  SaveSettingsNow();
}

void MainWindow::ResetCommands() {
  QMessageBox question(QMessageBox::Question, QStringLiteral("Tamarack"), UiText(kResetQuestion),
                       QMessageBox::Ok | QMessageBox::Cancel, this);
  OpenDialog(&question);
  if (question.exec() != QMessageBox::Ok) return;
  Console& console = command_tab_->console();
  console.catalogue().Reset();
  command_tab_->mode_page_editor()->editor().ResetTables();
  command_tab_->mode_page_editor()->Refresh();
  console.SelectRow(console.current_row(), /*from_list=*/false);
  command_tab_->ShowCurrentCommand();
  SaveSettingsNow();
}

void MainWindow::OpenControlData() {
  // The data the last command on the Command tab received, with its CDB.
  const Console& console = command_tab_->console();
  std::vector<std::uint8_t> bytes;
  std::optional<Cdb> cdb;
  if (console.has_sent()) {
    const auto& buffer = console.receive_buffer();
    const std::size_t n = std::min<std::size_t>(console.last_transferred(), buffer.size());
    bytes.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    cdb = console.last_sent_cdb();
  }
  auto* window = new ControlDataWindow(this);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->SetData(std::move(bytes), cdb, console.catalogue());
  window->SetDataFolder(&settings_.directory);
  window->dialog_hook = config_.dialog_hook;
  OpenDialog(window);
  window->show();
}

void MainWindow::EjectOrLoad(bool eject) {
  // A running job is stopped first; the tray moves once it has ended.
  if (eject) runner_.Interrupt(InterruptReason::kEject);
  auto job = std::make_shared<SingleCommandJob>(TrayCdb(eject));
  // "Load" is there while the tray is open: after an Eject the drive took.
  window_jobs_->on_finished = [this, job, eject](RunState) {
    if (job->outcome().status != CommandStatus::kGood) return;
    load_button_->setVisible(eject);
    // The tray took the disc: its TOC and track test verdicts go (a stopped job's end texts
    // stay, naming the Eject).
    if (eject && toc_tab_) toc_tab_->ClearResults();
  };
  runner_.Start(job, *window_jobs_, StartPolicy::kCancelRunning);
  SaveSettingsNow();
}

void MainWindow::OpenReferenceDialog() {
  const AgeingSettings& ageing = ageing_tab_->settings();
  ReferenceDialogSettings r;
  r.start_lba = static_cast<std::uint32_t>(ageing.start_lba);
  r.end_lba = static_cast<std::uint32_t>(ageing.end_lba);
  r.data_folder = ageing.data_folder;
  r.data_file = ageing.data_file;
  r.page = reference_page_;
  for (int i = 0; i < drive_box_->count(); ++i)
    r.drive_ids.push_back(drive_box_->itemText(i).toStdString());
  r.program_folder = ProgramDataFolder();
  if (ReferenceDataDialog::Open(session_, runner_, drives_, &r, this)) {
    ageing_tab_->SetReferenceFile(r.data_folder, r.data_file);
    SaveSettingsNow();
  }
  reference_page_ = r.page;
}

void MainWindow::ReselectDrive() {
  if (drive_box_->currentIndex() >= 0) OnDriveChanged(drive_box_->currentIndex());
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window system's frame is known once the window is mapped.
  QTimer::singleShot(200, this, &MainWindow::FitIntoScreen);
}

void MainWindow::FitIntoScreen() {
  if (isMaximized() || isFullScreen()) return;
  const QRect area = AvailableAreaOf(this);
  if (area.isEmpty() || area.contains(frameGeometry())) return;
  const QSize decorations = frameGeometry().size() - geometry().size();
  const QSize room = area.size() - decorations;
  setMinimumSize(std::min(minimumWidth(), room.width()), std::min(minimumHeight(), room.height()));
  resize(std::min(width(), room.width()), std::min(height(), room.height()));
  move(KeepInside(QRect(frameGeometry().topLeft(), size() + decorations), area));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A running ageing run on its tab refuses the close: it is told to stop, and ends with its
  // log closed properly; the next close goes ahead.
  if (tabs_->currentIndex() == kTabAgeing && ageing_tab_->RefuseForRun(InterruptReason::kClose)) {
    event->ignore();
    return;
  }
  // A measurement on its own tab is stopped and the window stays: its results are worth a look.
  if (measure_tab_ && tabs_->currentIndex() == kTabMeasure &&
      measure_tab_->Stop(CancelCause::kClose)) {
    event->ignore();
    return;
  }
  SaveSettingsNow();
  runner_.Interrupt(InterruptReason::kClose);
  runner_.Wait();
  session_.Close();
  event->accept();
}

void MainWindow::FillDriveBox() {
  drive_box_->clear();
  if (!drives_) return;
  std::vector<std::string> ids;
  for (std::string& id : drives_->ListDrives()) {
    // Virtual drives come after the real ones and can be turned off.
    if (!options_.virtual_drives && emu::IsVirtualDriveId(id)) continue;
    ids.push_back(std::move(id));
  }
  const std::string& extra = config_.start_drive;
  if (!extra.empty() && std::find(ids.begin(), ids.end(), extra) == ids.end()) {
    ids.push_back(extra);
  }
  for (const std::string& id : ids) {
    drive_box_->addItem(QString::fromStdString(id));
    drive_box_->setItemData(drive_box_->count() - 1, QString::fromStdString(id), Qt::ToolTipRole);
  }
  const int index = ChooseDriveIndex(ids, saved_drive_);
  if (index >= 0) drive_box_->setCurrentIndex(index);
}

void MainWindow::OnDriveChanged(int index) {
  if (index < 0 || selecting_) return;
  selecting_ = true;
  load_button_->hide();  // another drive, or a disc found in this one: no tray known open
  WindowSelectionHost host(
      this, indicator_, tabs_, measure_tab_, ageing_tab_, &status_board_,
      [this] { ClearDiscResults(); },
      [this](const std::vector<TrackBoxEntry>& entries, std::uint32_t end) {
        command_tab_->SetTrackBox(entries, end);
      });
  // Another drive or disc: the Aging tab's bounds are the old disc's until read again.
  if (ageing_tab_) ageing_tab_->SetDiscBounds(std::nullopt);
  drive_facts_ = SelectDrive(session_, drive_box_->itemText(index).toStdString(), host).facts;
  selecting_ = false;
}

void MainWindow::ClearDiscResults() {
  command_tab_->ClearResults();
  sector_dump_tab_->ClearResults();
  if (toc_tab_) toc_tab_->ClearResults();
  if (properties_tab_) properties_tab_->ClearResults();
  if (measure_tab_) measure_tab_->ClearResults();
  if (ageing_tab_) ageing_tab_->ClearReceived();
}

void MainWindow::InstallTab(int index, QWidget* page) {
  if (index < 0 || index >= tabs_->count()) return;
  const QString label = tabs_->tabText(index);
  const bool current = tabs_->currentIndex() == index;
  QWidget* old = tabs_->widget(index);
  // A page put in place of one of the window's own tabs: the window forgets the old one.
  if (old == toc_tab_) toc_tab_ = nullptr;
  if (old == properties_tab_) properties_tab_ = nullptr;
  tabs_->blockSignals(true);
  tabs_->removeTab(index);
  tabs_->insertTab(index, page, label);
  if (current) tabs_->setCurrentIndex(index);
  tabs_->blockSignals(false);
  delete old;
}

void MainWindow::SetExecAction(int index, std::function<void()> action) {
  if (index >= 0 && index < static_cast<int>(exec_actions_.size())) {
    exec_actions_[static_cast<std::size_t>(index)] = std::move(action);
  }
}

void MainWindow::SetExecCaptionOverride(const QString& caption) {
  exec_override_ = caption;
  ShowTabControls(tabs_->currentIndex());
}

void MainWindow::SetExecCaptionOverride(int tab, const QString& caption) {
  if (tab < 0 || tab >= static_cast<int>(tab_exec_overrides_.size())) return;
  tab_exec_overrides_[static_cast<std::size_t>(tab)] = caption;
  ShowTabControls(tabs_->currentIndex());
}

void MainWindow::OnTabChanged(int index) {
  // The status line's last word was another tab's, unless a job still speaks there. Only a
  // turn to another tab clears it: a caption that changes as a command ends keeps the
  // command's error.
  if (!runner_.running()) ShowStatusLine(session_, "");
  ShowTabControls(index);
}

void MainWindow::ShowTabControls(int index) {
  if (print_button_) print_button_->setEnabled(index == kTabMeasure);
  // Save and open work on the tab's kind of file; a tab without one has nothing to offer.
  const bool has_files = KindOfTab(index).has_value();
  if (save_button_) save_button_->setEnabled(has_files);
  if (open_button_) open_button_->setEnabled(has_files);
  QString caption = exec_override_;
  if (caption.isEmpty() && index >= 0 && index < static_cast<int>(tab_exec_overrides_.size())) {
    caption = tab_exec_overrides_[static_cast<std::size_t>(index)];
  }
  exec_button_->setText(caption.isEmpty() ? ExecCaption(index) : caption);
}

std::string MainWindow::ProgramDataFolder() const {
  if (!config_.program_data_folder.empty()) return config_.program_data_folder;
  return QCoreApplication::applicationDirPath().toStdString();
}

void MainWindow::ShowMessage(QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QStringLiteral("Tamarack"), text, QMessageBox::Ok, this);
  OpenDialog(&box);
  box.exec();
}

}  // namespace tamarack::app
