// The reference data dialog "ﾃﾞｰﾀﾁｪｯｸﾌｧｲﾙの読み込みと選択": capture a disc range into a ".dat"
// file, check a disc against one, and choose the file the next ageing run compares with. Three
// pages share one set of controls, each shown on the pages it belongs to.
//
// Jobs on the main window's drive run on the window's runner (so the disc indicator rests while
// they run); a drive chosen in the dialog's own drive box gets a session and a runner of the
// dialog's. The drive box's vendor and product texts come from a job on a third runner that
// opens each drive on a short-lived handle of its own.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "device/drive_directory.h"
#include "job/job_runner.h"
#include "refdata/reference_files.h"
#include "refdata/reference_job.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabBar;
class QTreeWidget;
class QVBoxLayout;

namespace tamarack::app {

class WindowJobHost;

enum ReferencePage { kPageReadAndCheck = 0, kPageCheck = 1, kPageSelectFile = 2 };

// What the opener hands over and takes back.
struct ReferenceDialogSettings {
  // The ageing range; the dialog orders the two ends itself.
  std::uint32_t start_lba = 0;
  std::uint32_t end_lba = 0;
  std::string data_folder;       // written back on OK
  std::string data_file;         // written back on OK (the check file field)
  int page = kPageReadAndCheck;  // the last page shown, kept for the program's lifetime
  // The drive box's entries (the main window's drives); the session's drive is selected.
  std::vector<std::string> drive_ids;
  // Where the data folder falls back to (the program's folder, or another writable one).
  std::string program_folder;
};

class ReferenceDataDialog : public QDialog {
  Q_OBJECT

 public:
  // `session`, `runner` and `drives` must outlive the dialog.
  ReferenceDataDialog(DeviceSession& session, JobRunner& runner, const DriveDirectory* drives,
                      ReferenceDialogSettings settings, QWidget* parent = nullptr);
  ~ReferenceDataDialog() override;

  // "Read && Setting": the interruption check first (a running job is interrupted and the
  // dialog does not open); otherwise the dialog runs modally. The page is updated in `settings`
  // whatever the ending; the folder and the file only on OK, when the status line also shows
  // the file. True after OK.
  static bool Open(DeviceSession& session, JobRunner& runner, const DriveDirectory* drives,
                   ReferenceDialogSettings* settings, QWidget* parent = nullptr);

  // The settings as they stand (after OK: the stored folder and file).
  const ReferenceDialogSettings& settings() const { return settings_; }
  int page() const;
  void SetPage(int page);
  bool job_running() const { return job_ != nullptr; }

  // The buttons' actions.
  void StartJob();
  void StopJob();
  void SetMaxSpeed();
  // A file list's entry double-clicked, or right-clicked (asks, then deletes).
  void ChooseEntry(const QString& name);
  void DeleteEntry(const QString& name);
  // A header click on a list: one direction counter for the dialog, descending first.
  void SortList(QTreeWidget* list, int column);
  void RefillLists();

  // Widgets, for tests.
  QTabBar* tab_bar() const { return tabs_; }
  QComboBox* drive_box() const { return drive_box_; }
  QPushButton* max_speed_button() const { return max_speed_; }
  QPushButton* start_button() const { return start_; }
  QPushButton* stop_button() const { return stop_; }
  QLineEdit* folder_field() const { return folder_; }
  QLineEdit* file_name_field() const { return file_name_; }
  QLineEdit* check_file_field() const { return check_file_; }
  QCheckBox* check_after_box() const { return check_after_; }
  QCheckBox* verify_edc_box() const { return verify_edc_; }
  QSpinBox* retries_box() const { return retries_; }
  QTreeWidget* check_list() const { return check_list_; }
  QTreeWidget* select_list() const { return select_list_; }
  QProgressBar* progress_bar() const { return progress_; }
  QLabel* status_label() const { return status_; }
  QLabel* lba_label() const { return lba_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

  // Answers the dialog's own dialogs (messages, questions, pickers) right after they open.
  std::function<void(QDialog*)> dialog_hook;

 signals:
  // A job (not the drive box's fillers) has ended and its message was shown.
  void JobFinished();
  // The drive box's texts or the proposed file name arrived.
  void DriveInfoArrived();
  // "ヘルプ(&H)": the help page.
  void HelpRequested(const QString& page);

 protected:
  void reject() override;
  void accept() override;

 private:
  struct Target {
    DeviceSession* session = nullptr;
    JobRunner* runner = nullptr;
  };
  void BuildControls();
  void BuildCaptureFields(QVBoxLayout* layout);
  void BuildCheckFileRow(QVBoxLayout* layout);
  void BuildFileLists(QVBoxLayout* layout);
  void ShowPageControls();
  void SetRunning(bool running);
  void FillDriveNames();
  void ProposeName();
  // The session and runner for the drive in the drive box; null runner when it cannot open.
  Target TargetForSelectedDrive();
  std::string SelectedDriveId() const;
  // Starts `job` on `runner` with a fresh host; `done` runs on the window thread at its end;
  // `verdict`, when given, closes the job's last message (WindowJobHost::closing_verdict).
  WindowJobHost* StartOn(JobRunner& runner, std::shared_ptr<Job> job,
                         std::function<void(RunState)> done,
                         std::function<const JobVerdict*()> verdict = {});
  void OnReferenceFinished(RunState ended_by);
  Answer AskQuestion(const JobQuestion& question);
  void ShowMessage(MessageIcon icon, const QString& text);
  void OpenPicker(QDialog* dialog);
  void FillList(QTreeWidget* list, std::vector<ReferenceFileEntry> entries);

  DeviceSession& session_;
  JobRunner& runner_;
  const DriveDirectory* drives_;
  ReferenceDialogSettings settings_;
  std::uint32_t start_lba_ = 0;
  std::uint32_t end_lba_ = 0;
  bool sort_descending_ = false;

  // Hosts outlive the runners below, which wait for their jobs when they go.
  std::vector<std::unique_ptr<WindowJobHost>> hosts_;
  DeviceSession own_session_;
  JobRunner own_runner_;
  DeviceSession names_session_;
  JobRunner names_runner_;
  // The capture, check or speed command in progress, and the runner it runs on.
  std::shared_ptr<Job> job_;
  JobRunner* job_runner_ = nullptr;
  int main_runner_jobs_ = 0;  // jobs of this dialog started on the window's runner, not ended
  QString speed_text_;
  std::vector<ReferenceFileEntry> check_entries_;
  std::vector<ReferenceFileEntry> select_entries_;

  QTabBar* tabs_ = nullptr;
  QGroupBox* drive_group_ = nullptr;
  QComboBox* drive_box_ = nullptr;
  QPushButton* max_speed_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QWidget* job_buttons_ = nullptr;
  QWidget* capture_fields_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QLineEdit* file_name_ = nullptr;
  QCheckBox* check_after_ = nullptr;
  QCheckBox* verify_edc_ = nullptr;
  QSpinBox* retries_ = nullptr;
  QWidget* check_file_row_ = nullptr;
  QLineEdit* check_file_ = nullptr;
  QLabel* description_ = nullptr;
  QTreeWidget* check_list_ = nullptr;
  QTreeWidget* select_list_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* lba_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace tamarack::app
