// The Toc tab: the TOC list and the text box beside it, the "&Full TOC" check box, the TOC
// read by the Exec button and the explanation of a clicked full-TOC row; below them the track
// reading tests: four buttons in a column and their result list.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "device/device_session.h"
#include "form/decoder.h"
#include "job/job_runner.h"
#include "tools/track_test.h"

class QCheckBox;
class QListWidget;
class QPushButton;
class QPlainTextEdit;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace tamarack::app {

class TocTab : public QWidget {
  Q_OBJECT

 public:
  // `session` and `runner` must outlive the tab.
  TocTab(DeviceSession& session, JobRunner& runner, QWidget* parent = nullptr);
  // Drive selection: the lists and texts of the last drive go.
  void ClearResults();
  ~TocTab() override;

  // The Exec button "Read(&E)": reads the TOC twice and fills the list; on failure the list
  // keeps only its columns (the status line says why). While a track test runs it is
  // "Cancel(&E)" and stops the test.
  void Execute();

  // "&Full TOC" as the settings file keeps it ("TocKind="): the list's columns follow.
  void SetFullToc(bool on);
  bool full_toc() const;

  // A test button: starts its test (the result list cleared first), or stops the running one.
  // Nothing starts while another job has the drive.
  void StartTrackTest(TrackTestKind kind);
  bool track_test_running() const { return test_running_; }
  QPushButton* track_test_button(TrackTestKind kind) const {
    return test_buttons_[static_cast<std::size_t>(kind)];
  }
  QListWidget* test_results() const { return results_; }
  // Reads done of reads planned ("%v/%m").
  QProgressBar* test_progress() const { return progress_; }

  QTreeWidget* toc_list() const { return list_; }
  QPlainTextEdit* text_box() const { return text_; }
  QCheckBox* full_toc_box() const { return full_toc_; }
  // The reply of the last good read with TIME off (data length plus 2 bytes).
  const std::vector<std::uint8_t>& last_data() const { return last_data_; }

 signals:
  // A track test started (true) or ended (false): the Exec button reads "Cancel(&E)" meanwhile.
  void TrackTestRunning(bool running);

 private:
  void SetColumns(const std::vector<ListColumn>& columns);
  void OnFullTocClicked();
  void OnRowClicked(QTreeWidgetItem* item);
  QWidget* BuildTrackTests();
  // What the closing message of a test adds before its verdict: the counts of Ok and Ng and
  // the first line that is not Ok.
  QString ClosingCounts() const;

  DeviceSession& session_;
  JobRunner& runner_;
  std::unique_ptr<JobHost> host_;
  std::shared_ptr<TrackTestJob> test_;
  bool test_running_ = false;
  std::array<QPushButton*, 4> test_buttons_{};
  QListWidget* results_ = nullptr;
  QProgressBar* progress_ = nullptr;
  std::uint64_t reads_done_ = 0;
  QTreeWidget* list_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QCheckBox* full_toc_ = nullptr;
  std::vector<ListColumn> columns_;
  std::vector<std::uint8_t> last_data_;
};

}  // namespace tamarack::app
