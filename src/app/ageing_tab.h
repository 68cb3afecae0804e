// The Aging tab: the ageing command's form with the ageing fields, the method and loop boxes,
// the "Ageing Mode" group, the log buttons, the counters, the pause text, the range bar and the
// received data. Start/Cancel runs an AgeingJob on the window's job runner.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "ageing/ageing_job.h"
#include "ageing/ageing_settings.h"
#include "device/device_session.h"
#include "form/form_data.h"
#include "form/form_layout.h"
#include "job/job_runner.h"
#include "shell/settings_data.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QVBoxLayout;

namespace tamarack::app {

class FormView;
class GraphViewWidget;

class AgeingTab : public QWidget {
  Q_OBJECT

 public:
  // `session` and `runner` must outlive the tab.
  AgeingTab(DeviceSession& session, JobRunner& runner, QWidget* parent = nullptr);
  ~AgeingTab() override;

  // The Exec button ("Start(&E)" / "Cancel(&E)"): starts a run, or cancels the running one.
  void StartOrCancel();
  // True from Start until the run has ended.
  bool running() const { return job_ != nullptr; }
  // The interruption check before closing or opening the reference data dialog: a running run
  // is told to stop (state 3) and the action is refused (true).
  bool RefuseForRun(InterruptReason reason);

  // A drive was selected or a disc found: the disc's first track and last block, when the
  // selection read them (the tab was shown), or nothing, and the next run reads them. The
  // range is filled from them while Start LBA and End LBA both read 0. Ignored during a run.
  void SetDiscBounds(std::optional<std::pair<std::int32_t, std::int32_t>> first_and_last);

  // The settings file's ageing keys.
  void LoadSettings(const SettingsData& settings);
  void StoreSettings(SettingsData* settings);
  const AgeingSettings& settings() const { return settings_; }
  // The program-wide counter of the random-and-step method.
  int random_step_counter() const { return random_step_counter_; }

  // Called with every dialog the tab opens, right after it opened (tests answer them here).
  std::function<void(QDialog*)> dialog_hook;
  // A run started (true) or ended (false): the window changes the Exec caption.
  std::function<void(bool)> on_running_changed;
  // Whether the tab is the one shown (unset: it is): a run that ends while another tab is
  // shown leaves that tab's status line alone.
  std::function<bool()> is_current;
  // The log setting dialog's OK: the window writes the settings file.
  std::function<void()> on_settings_changed;
  // Bytes per group of the received-data dump (the window's grouping box).
  std::function<int()> group_size;
  // Opens a file with the desktop's default application ("Log Display"); tests replace it.
  std::function<bool(const QString&)> open_file;
  // The reference data dialog ("Read && Setting"); the button stays disabled without it.
  std::function<void()> open_reference_dialog;
  // The folder "参照(&R)" of the log setting dialog opens in.
  QString program_folder;

  // The widgets, for tests.
  QComboBox* command_box() const { return command_; }
  FormView* form_view() const { return form_view_; }
  QLineEdit* end_box() const { return end_; }
  QLineEdit* step_box() const { return step_; }
  QLineEdit* interval_box() const { return interval_; }
  QLineEdit* first_track_box() const { return first_track_; }
  QLineEdit* last_lba_box() const { return last_lba_; }
  QComboBox* method_box() const { return method_; }
  QComboBox* loop_box() const { return loop_; }
  QCheckBox* data_check_box() const { return data_check_; }
  QCheckBox* end_on_data_error_box() const { return end_on_data_error_; }
  QCheckBox* end_on_command_error_box() const { return end_on_command_error_; }
  QSpinBox* retries_box() const { return retries_; }
  QCheckBox* display_box() const { return display_; }
  QCheckBox* verify_edc_box() const { return verify_edc_; }
  QCheckBox* random_length_box() const { return random_length_; }
  QCheckBox* random_interval_box() const { return random_interval_; }
  QRadioButton* type_button(DataCheckType type) const;
  QPushButton* reference_button() const { return reference_; }
  QPushButton* log_setting_button() const { return log_setting_; }
  QPushButton* log_display_button() const { return log_display_; }
  QPlainTextEdit* counter_box() const { return counters_; }
  QLabel* pause_label() const { return pause_; }
  QLineEdit* cdb_line() const { return cdb_; }
  QPlainTextEdit* dump_box() const { return dump_; }
  // The received data of the last drive goes, unless a run shows its own.
  void ClearReceived();
  GraphViewWidget* range_bar() const { return range_bar_; }

  void OpenLogSettingDialog();
  void DisplayLog();
  // The reference data dialog's OK: the folder and the file the next check compares with.
  void SetReferenceFile(const std::string& folder, const std::string& file);

 signals:
  // A run ended and the tab shows its end.
  void RunFinished();

 private:
  std::unique_ptr<JobHost> MakeJobHost();
  void BuildCommandColumn(QVBoxLayout* left);
  void BuildRunColumn(QVBoxLayout* right);
  void ConnectControls();
  void BuildForm();
  void OnFieldEdited(int index);
  void ReadFields();
  void ShowSettings();
  void OnLoopChanged(int index);
  // Handler 3: the type radios and "Read && Setting" follow Data Check; `user`: the user
  // changed it (the status line then shows the reference file).
  void OnDataCheckToggled(bool user);
  void Refresh();
  // The range bar: Start LBA, Last LBA, End LBA and the address in progress (0: none).
  void ConfigureRangeBar(std::int32_t current);
  void OnFinished();
  void SetRunning(bool on);
  void OpenDialog(QDialog* dialog);

  DeviceSession& session_;
  JobRunner& runner_;
  AgeingSettings settings_;
  int random_step_counter_ = 0;
  std::unique_ptr<JobHost> host_;
  std::shared_ptr<AgeingJob> job_;
  std::vector<FieldDescriptor> fields_;
  std::vector<FieldState> states_;
  FormData current_;
  bool showing_ = false;  // the boxes are being set from the settings

  QComboBox* command_ = nullptr;
  FormView* form_view_ = nullptr;
  QLineEdit* first_track_ = nullptr;
  QLineEdit* last_lba_ = nullptr;
  QPushButton* copy_bounds_ = nullptr;
  QLineEdit* step_ = nullptr;
  QLineEdit* end_ = nullptr;
  QLineEdit* interval_ = nullptr;
  QCheckBox* random_length_ = nullptr;
  QCheckBox* random_interval_ = nullptr;
  QComboBox* method_ = nullptr;
  QComboBox* loop_ = nullptr;
  QGroupBox* mode_group_ = nullptr;
  QCheckBox* data_check_ = nullptr;
  QCheckBox* end_on_data_error_ = nullptr;
  QCheckBox* end_on_command_error_ = nullptr;
  QSpinBox* retries_ = nullptr;  // of a failed read before the end on a command error
  QCheckBox* display_ = nullptr;
  QCheckBox* verify_edc_ = nullptr;
  std::array<QRadioButton*, 3> types_{};
  QButtonGroup* type_group_ = nullptr;
  QPushButton* reference_ = nullptr;
  QPushButton* log_setting_ = nullptr;
  QPushButton* log_display_ = nullptr;
  QPlainTextEdit* counters_ = nullptr;
  QLabel* pause_ = nullptr;
  QLabel* rate_ = nullptr;
  QElapsedTimer run_clock_;
  QLineEdit* cdb_ = nullptr;
  GraphViewWidget* range_bar_ = nullptr;
  QPlainTextEdit* dump_ = nullptr;
  std::vector<QWidget*> settings_widgets_;  // disabled while a run goes
};

}  // namespace tamarack::app
