// The Sector Dump tab: reads a few sectors with Read CD (by LBA, by MSF range, or the ISO 9660
// volume descriptor) on a worker thread and shows them as a dump.
#pragma once

#include <QFont>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "device/device_session.h"
#include "job/job_runner.h"
#include "shell/settings_data.h"
#include "tools/dump_buffer.h"
#include "tools/sector_dump.h"
#include "tools/sector_dump_job.h"

class QDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tamarack::app {

// The fixed-pitch Japanese face of dumps: one cell per byte column, half-width katakana
// included.
QFont SectorDumpFont();

class SectorDumpTab : public QWidget {
  Q_OBJECT

 public:
  // `session` and `runner` must outlive the tab.
  SectorDumpTab(DeviceSession& session, JobRunner& runner, QWidget* parent = nullptr);
  ~SectorDumpTab() override;

  // "Read(&E)": reads with the current settings on the worker thread.
  void Read();
  // The spin button beside the address: the next range (up) or the previous one.
  void Step(bool next);
  // "Deta&il Option".
  void OpenDetailDialog();

  // From Read until the dump is shown.
  bool busy() const { return buffer_out_; }

  // "He&x Input": the LBA and Length boxes are rewritten in the new base.
  void SetHexInput(bool on);
  bool hex_input() const { return hex_; }
  // Bytes per group of the dump (the grouping box); the dump is formatted again.
  void SetGroupSize(int group_size);

  // The settings file's keys of the tab (all but "DumpKind=", the grouping box's).
  void LoadSettings(const SettingsData& settings);
  void StoreSettings(SettingsData* settings);

  // Drive selection: the dump and its buffer go.
  void ClearResults();
  // A saved dump loaded from a file: its text in the display, the buffer dropped (a loaded
  // dump cannot be formatted again).
  void ShowLoadedText(const std::string& text);
  // What a save writes: the last read's valid bytes and their dump text; with a loaded text
  // (no buffer) the bytes are empty and the text is the display's. Both empty: nothing to save.
  std::vector<std::uint8_t> DumpBytes() const;
  std::string DumpText() const;

  // The model and the last read's buffer (saved dumps are written from it).
  const SectorDump& model() const { return model_; }
  const DumpBuffer& buffer() const { return buffer_; }

  // Called with every dialog the tab opens, right after it opened (tests answer them here).
  std::function<void(QDialog*)> dialog_hook;

  QRadioButton* mode_button(DumpAddressMode mode) const;
  QLineEdit* lba_box() const { return lba_; }
  QLineEdit* length_box() const { return length_; }
  QLineEdit* msf_box(int index) const { return msf_.at(static_cast<std::size_t>(index)); }
  QToolButton* next_button() const { return next_; }
  QToolButton* previous_button() const { return previous_; }
  QPushButton* detail_button() const { return detail_; }
  QLabel* dump_header() const { return header_; }
  QPlainTextEdit* dump_box() const { return dump_; }

 signals:
  // A read ended and its dump is shown.
  void ReadFinished();

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Start(DumpStep step);
  void OnFinished();
  void ModelFromControls();
  void ControlsFromModel();
  void ShowDump(const std::string& text, bool fresh = false);
  void Reformat();
  void OpenDialog(QDialog* dialog);

  DeviceSession& session_;
  JobRunner& runner_;
  SectorDump model_;
  DumpBuffer buffer_;
  bool buffer_out_ = false;  // the buffer is with the job
  bool stepped_ = false;     // the read in flight is a step (the arrows), not Exec
  bool hex_ = false;
  std::unique_ptr<JobHost> host_;
  std::shared_ptr<SectorDumpReadJob> job_;

  std::array<QRadioButton*, 3> modes_{};
  QLineEdit* lba_ = nullptr;
  QLineEdit* length_ = nullptr;
  std::array<QLineEdit*, 6> msf_{};
  QToolButton* next_ = nullptr;
  QToolButton* previous_ = nullptr;
  QPushButton* detail_ = nullptr;
  QLabel* header_ = nullptr;
  QPlainTextEdit* dump_ = nullptr;
};

}  // namespace tamarack::app
