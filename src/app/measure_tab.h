// The Measure tab: the read-speed measurement of the whole disc on the job frame, its fields
// and texts on the left, the speed graph filling the right. Exec starts a run and, while it
// runs, cancels it; leaving the tab stops it too. The C2 scan button runs a C2 error scan of
// the same range instead: its summary takes the result lines' place and its errors per second
// the graph's. "Print" prints the tab with its graph.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "device/device_session.h"
#include "job/job_runner.h"
#include "measure/c2_scan_job.h"
#include "measure/speed_measurement_job.h"
#include "measure/speed_record.h"
#include "mmc/drive_selection.h"

class QDialog;
class QLabel;
class QLineEdit;
class QPaintDevice;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace tamarack::app {

class GraphViewWidget;

class MeasureTab : public QWidget {
  Q_OBJECT

 public:
  // `session` and `runner` must outlive the tab.
  MeasureTab(DeviceSession& session, JobRunner& runner, QWidget* parent = nullptr);
  ~MeasureTab() override;

  // Exec: starts a run, or asks the running one to stop.
  void Execute();
  // The C2 scan button: starts a C2 error scan of the range (the blocks per read as its
  // blocks per command), or asks the running job to stop.
  void ExecuteC2Scan();
  // Asks a running measurement or scan to stop, for `cause`; true when one was running.
  bool Stop(CancelCause cause = CancelCause::kCancel);
  bool running() const { return running_; }

  // The tab became current: the command a run will send, "x0.0", the graph drawn anew.
  void Shown();
  // Drive selection (another drive or disc): the last disc's range, curve and texts go,
  // unless a run is on.
  void ClearResults();
  // The disc's first track and last block, from the drive selection.
  void SetRange(std::uint32_t first_track_lba, std::uint32_t last_lba);
  // "He&x Input": the fields are rewritten in the new base.
  void SetHexInput(bool on);

  std::int32_t block_count() const { return block_count_; }
  void SetBlockCount(std::int32_t count);

  // The measurement shown (the last run's, or a loaded one), with the graph's scale.
  const SpeedRecord& record() const;
  // Shows a stored measurement as loading a file does: the summary in the status line, the
  // average, "平均" and the graph.
  void ShowRecord(const SpeedRecord& record);

  // Prints the tab (the texts, then the graph at the print geometry) on `device`: a printer,
  // a PDF writer or an image of a page.
  void PrintTo(QPaintDevice& device);
  // Asks for a printer (or a PDF file) and prints.
  void Print();

  // Called with every dialog the tab opens, right after it opened (tests answer them here).
  std::function<void(QDialog*)> dialog_hook;
  // Running state changes (the window's Exec caption follows).
  std::function<void(bool running)> on_running;
  // The selected drive's facts, for the printout's header (the main window's).
  std::function<DriveFacts()> drive_facts;

  QLineEdit* start_box() const { return start_; }
  QLineEdit* last_box() const { return last_; }
  QLineEdit* block_count_box() const { return count_; }
  QToolButton* up_button() const { return up_; }
  QToolButton* down_button() const { return down_; }
  QLabel* model_label() const { return model_; }
  QLabel* cdb_label() const { return cdb_; }
  QProgressBar* progress_bar() const { return progress_; }
  QLabel* status_label() const { return status_; }
  QLabel* speed_label() const { return speed_; }
  QLabel* rotation_label() const { return rotation_; }
  QPushButton* c2_button() const { return c2_button_; }
  GraphViewWidget* graph() const { return graph_; }

 signals:
  // A run ended and its results are shown.
  void MeasureFinished();

 private:
  void OnShow(JobText where, const QString& text);
  void OnProgress(const JobProgress& progress);
  void OnFinished();
  void ShowCommand();
  // Exec or the C2 scan button while a run is on stops it; true then, or when another tab's
  // job has the drive.
  bool StopOrBusy();
  // Starts `job` (the C2 scan when `c2`) and shows the tab running; false when it did not start.
  bool StartJob(std::shared_ptr<Job> job, bool c2);
  void WriteNumber(QLineEdit* box, std::int64_t value);
  std::optional<std::int64_t> ReadNumber(const QLineEdit* box) const;
  void OpenDialog(QDialog* dialog);

  DeviceSession& session_;
  JobRunner& runner_;
  std::unique_ptr<JobHost> host_;
  std::shared_ptr<SpeedMeasurementJob> job_;
  std::shared_ptr<C2ScanJob> c2_job_;
  bool running_ = false;
  bool c2_run_ = false;     // the job running (or that ran last) is the C2 scan
  QElapsedTimer c2_drawn_;  // since the scan's graph was last drawn
  bool hex_ = false;
  std::int32_t block_count_ = kDefaultMeasureBlockCount;
  std::int64_t start_lba_ = 0;
  std::int64_t last_lba_ = 0;

  QLineEdit* start_ = nullptr;
  QLineEdit* last_ = nullptr;
  QLineEdit* count_ = nullptr;
  QToolButton* up_ = nullptr;
  QToolButton* down_ = nullptr;
  QLabel* model_ = nullptr;
  QLabel* cdb_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* speed_ = nullptr;
  QLabel* rotation_ = nullptr;
  QPushButton* c2_button_ = nullptr;
  GraphViewWidget* graph_ = nullptr;
};

}  // namespace tamarack::app
