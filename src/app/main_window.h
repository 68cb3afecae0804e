// The main window: tool row, drive box, the seven tabs and the status line. It renders what
// the core computes and forwards what the user does.
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/command_monitor.h"
#include "device/device_session.h"
#include "device/drive_directory.h"
#include "device/status_board.h"
#include "job/job_runner.h"
#include "mmc/drive_selection.h"
#include "shell/file_kinds.h"
#include "shell/options.h"
#include "shell/settings_data.h"
#include "shell/settings_format.h"
#include "tools/control_data_view.h"

class QComboBox;
class QDialog;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTabWidget;

namespace tamarack::app {

class AgeingTab;
class CommandMonitorTab;
class CommandTab;
class MeasureTab;
class PropertiesTab;
class TocTab;
class WindowJobHost;
class SectorDumpTab;
class DiscIndicatorWidget;
class DriveServingControl;

// How the window starts.
struct WindowConfig {
  // The settings file; empty: none is read or written (tests).
  std::string settings_path;
  // The file named on the command line (may be quoted); selects the start tab.
  std::string command_line_file;
  // A drive to select at start instead of the saved one (an image: "emu:/path/disc.cue");
  // listed in the drive box when the directory does not list it.
  std::string start_drive;
  // Answers and closes the window's own dialogs right after they open (tests).
  std::function<void(QDialog*)> dialog_hook;
  // The clock the window's jobs time themselves with (the drives' own); null: the machine's.
  Clock* clock = nullptr;
  // Replaces the save and load file dialogs (tests): the chosen path, or empty for Cancel.
  std::function<QString(bool save, const QString& title, const QString& proposed,
                        const QString& filter)>
      choose_file;
  // The user's documents folder for an empty data folder; empty: the user's (XDG).
  std::string documents_folder;
  // The default folder of the ageing log and the reference data files (persist/user_folders.h:
  // DataFolderOf); empty: the program's folder (tests).
  std::string program_data_folder;
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `drives` must outlive the window.
  explicit MainWindow(const DriveDirectory* drives, QWidget* parent = nullptr);
  MainWindow(const DriveDirectory* drives, WindowConfig config, QWidget* parent = nullptr);
  ~MainWindow() override;

  // --- the window's own controls and state (also for tests) ---
  DiscIndicatorWidget* disc_indicator() const { return indicator_; }
  QPushButton* control_data_button() const { return control_data_button_; }
  QPushButton* eject_button() const { return eject_button_; }
  QPushButton* load_button() const { return load_button_; }
  QPushButton* reset_commands_button() const { return reset_button_; }
  QPushButton* options_button() const { return options_button_; }
  QPushButton* font_button() const { return font_button_; }
  QPushButton* print_button() const { return print_button_; }
  QPushButton* save_button() const { return save_button_; }
  QPushButton* open_button() const { return open_button_; }
  // "ﾍﾙﾌﾟ": its menu holds the current tab's help, "全ﾍﾙﾌﾟ表示(F1)" and "ﾊﾞｰｼﾞｮﾝ表示".
  QPushButton* help_button() const { return help_button_; }
  const Options& options() const { return options_; }
  const SettingsData& settings() const { return settings_; }

  // A job of another tab reports whether it runs: the disc indicator does not poll then,
  // and Eject waits for nothing else.
  void AddBusyCheck(std::function<bool()> busy);
  bool AnyJobRunning() const;

  // Writes the settings file now (after the moments the system saves at).
  void SaveSettingsNow();
  // The option dialog's OK: applies the options.
  void ApplyOptions(const Options& options);
  // Re-runs drive selection on the drive shown in the drive box.
  void ReselectDrive();

  // The save and open tool buttons: the current tab's data to a file and back (dump, command
  // set, ageing settings, measurement); other tabs do nothing.
  void SaveTabFile();
  void LoadTabFile();
  // Loads a file into the current tab (the open button and a file named at start). False,
  // with the reason in the status line, when it could not be loaded.
  bool LoadFileIntoTab(const QString& path);

  QTabWidget* tabs() const { return tabs_; }
  QComboBox* drive_box() const { return drive_box_; }
  // The drive box's action that serves the selected virtual drive to the system.
  DriveServingControl* serving() const { return serving_; }
  QLabel* status_label() const { return status_label_; }
  QPushButton* exec_button() const { return exec_button_; }
  DeviceSession& session() { return session_; }
  // The status line and last error text under the window.
  StatusBoard& status_board() { return status_board_; }
  // What the last selection learnt of the drive.
  const DriveFacts& drive_facts() const { return drive_facts_; }
  CommandTab* command_tab() const { return command_tab_; }
  SectorDumpTab* sector_dump_tab() const { return sector_dump_tab_; }
  AgeingTab* ageing_tab() const { return ageing_tab_; }
  MeasureTab* measure_tab() const { return measure_tab_; }
  CommandMonitorTab* monitor_tab() const { return monitor_tab_; }

  // The Exec button's caption for a tab.
  static QString ExecCaption(int tab);

  // Puts a tab's page in place of its empty placeholder (the window takes ownership) and
  // names what the Exec button does while that tab is shown.
  void InstallTab(int index, QWidget* page);
  void SetExecAction(int index, std::function<void()> action);
  // Changes the Exec caption while a job runs ("Cancel(&E)"), or back with an empty text.
  void SetExecCaptionOverride(const QString& caption);
  // The same for one tab only: its caption while it is shown.
  void SetExecCaptionOverride(int tab, const QString& caption);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildLayout();
  void BuildTabs();
  void BuildToolRow(QWidget* central, QHBoxLayout* top);
  void LoadSettingsAtStart();
  // Moves the live state into `settings_` (the first half of SaveSettingsNow).
  void CollectSettings();
  // The command tab shows the console's commands, pages and hex switch from `settings_`.
  void ShowCommandSettings();
  QString ChooseFile(bool save, const QString& title, const QString& proposed,
                     const QString& filter);
  // "Directory=", set to the documents folder when empty.
  const std::string& DataFolder();
  // The default folder of the ageing log and the reference data files.
  std::string ProgramDataFolder() const;
  void ShowMessage(QMessageBox::Icon icon, const QString& text);
  // What the save and open buttons do with one kind of file (its row: shell/file_kinds.h).
  struct TabFileSteps {
    // Before the file dialog: gathers what is saved, the default name's variant and the
    // filter's extension; false stops the save (nothing to save, the option dialog cancelled).
    std::function<bool(std::string* variant, std::string* extension)> prepare;
    // Writes what `prepare` gathered; false with the reason.
    std::function<bool(const std::string& file, std::string* error)> save;
    // Loads the file into its tab; false with the reason.
    std::function<bool(const std::string& file, std::string* error)> load;
  };
  TabFileSteps StepsOf(FileKind kind);
  TabFileSteps DumpFileSteps();
  TabFileSteps CommandFileSteps();
  TabFileSteps AgeingFileSteps();
  TabFileSteps MeasurementFileSteps();
  // A command or ageing file's lines replace their settings; every other setting stays as it
  // is now.
  bool LoadSettingsLines(FileKind kind, const std::string& file, std::string* error);
  void ApplyDisplayFont();
  void FitButtonsToText();
  void RememberGeometry();
  void OpenOptionsDialog();
  // Starts, redirects or stops the drives' command trace as the options say.
  void ApplyCommandTrace();
  void OpenFontDialog();
  void ResetCommands();
  void OpenControlData();
  void EjectOrLoad(bool eject);
  // "Read && Setting" of the Aging tab.
  void OpenReferenceDialog();
  void OpenDialog(QDialog* dialog);
  void FillDriveBox();
  void OnDriveChanged(int index);
  // A screen smaller than the window with its frame (a title bar on a 600-pixel screen): the
  // window shrinks below its usual minimum and moves inside, so that the status line and
  // the settings buttons stay on the screen.
  void FitIntoScreen();
  // Another drive, a disc found or gone: what the tabs showed of the last one goes.
  void ClearDiscResults();
  void OnTabChanged(int index);
  // The tool row and the Exec caption of tab `index`.
  void ShowTabControls(int index);

  const DriveDirectory* drives_;
  // Every command of the directory's handles, for the Others tab.
  CommandMonitor monitor_;
  StatusBoard status_board_;  // before the session: outlives it
  DeviceSession session_;
  DriveFacts drive_facts_;
  // Every long job of the session runs here, one at a time.
  JobRunner runner_;
  // Reports of the window's own jobs (Eject, Load).
  std::unique_ptr<WindowJobHost> window_jobs_;  // Eject and Load
  QTabWidget* tabs_ = nullptr;
  QComboBox* drive_box_ = nullptr;
  DriveServingControl* serving_ = nullptr;
  QLabel* status_label_ = nullptr;
  QPushButton* exec_button_ = nullptr;
  std::array<std::function<void()>, 7> exec_actions_;
  QString exec_override_;
  std::array<QString, kTabCount> tab_exec_overrides_;
  CommandTab* command_tab_ = nullptr;
  SectorDumpTab* sector_dump_tab_ = nullptr;
  AgeingTab* ageing_tab_ = nullptr;
  int reference_page_ = 0;  // the reference data dialog's last page, for the program's run
  MeasureTab* measure_tab_ = nullptr;
  TocTab* toc_tab_ = nullptr;
  PropertiesTab* properties_tab_ = nullptr;
  CommandMonitorTab* monitor_tab_ = nullptr;
  // The save options chosen last in this run.
  CommandFileContent command_save_option_ = CommandFileContent::kAll;
  DumpSaveForm dump_save_form_ = DumpSaveForm::kText;

  WindowConfig config_;
  SettingsData settings_;
  Options options_;
  // The drive the drive box selects when it is filled (again), kept whole.
  std::string saved_drive_;
  std::vector<std::function<bool()>> busy_checks_;
  DiscIndicatorWidget* indicator_ = nullptr;
  QPushButton* control_data_button_ = nullptr;
  QPushButton* eject_button_ = nullptr;
  QPushButton* load_button_ = nullptr;
  QPushButton* reset_button_ = nullptr;
  QPushButton* options_button_ = nullptr;
  QPushButton* font_button_ = nullptr;
  QPushButton* print_button_ = nullptr;
  QPushButton* save_button_ = nullptr;
  QPushButton* open_button_ = nullptr;
  QPushButton* help_button_ = nullptr;
  bool selecting_ = false;
};

}  // namespace tamarack::app
