// The Tools dialog "ツール": LBA to MSF, MSF to LBA, the Sub-Q CRC, the disc Sub-Q check and
// the sense code list, one tab each (F2 to F6). Modeless, beside the main window.
#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "device/device_session.h"
#include "job/job_runner.h"
#include "tools/sub_q_check.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace tamarack::app {

enum ToolTab {
  kToolLbaToMsf = 0,
  kToolMsfToLba = 1,
  kToolSubQCrc = 2,
  kToolSubQCheck = 3,
  kToolSenseCodes = 4,
};

class ToolsDialog : public QDialog {
  Q_OBJECT

 public:
  // `session` and `runner` must outlive the dialog. `last_tab` is the settings' ToolLastTab:
  // the dialog opens there and writes its current tab back while it lives.
  ToolsDialog(DeviceSession& session, JobRunner& runner, int* last_tab, bool hex_input,
              QWidget* parent);
  ~ToolsDialog() override;

  // The Tool button: closes and destroys an open tools dialog of `window` (a running check is
  // stopped and waited for), then opens a new one beside the window.
  static ToolsDialog* Replace(QWidget* window, DeviceSession& session, JobRunner& runner,
                              int* last_tab, bool hex_input);

  QTabWidget* tabs() const { return tabs_; }
  QLineEdit* input(int tab) const { return pages_[static_cast<std::size_t>(tab)].input; }
  QCheckBox* option(int tab) const { return pages_[static_cast<std::size_t>(tab)].option; }
  QLabel* result(int tab) const { return pages_[static_cast<std::size_t>(tab)].result; }
  QLabel* hint(int tab) const { return pages_[static_cast<std::size_t>(tab)].hint; }
  QPushButton* exec_button(int tab) const { return pages_[static_cast<std::size_t>(tab)].exec; }
  QPushButton* help_button(int tab) const { return pages_[static_cast<std::size_t>(tab)].help; }
  QLabel* copy_line() const { return copy_line_; }
  QLabel* channel_line() const { return channel_line_; }
  QProgressBar* progress() const { return progress_; }
  QPushButton* format_button() const { return format_button_; }
  QTreeWidget* sense_list() const { return sense_list_; }
  bool check_running() const { return check_running_; }

  // The execute button of `tab`.
  void Execute(int tab);
  // "SubQの形式(&Q)": the static "Sub-Q Information" dialog.
  QDialog* ShowSubQFormat();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Page {
    QLineEdit* input = nullptr;
    QCheckBox* option = nullptr;
    QLabel* result = nullptr;
    QLabel* hint = nullptr;
    QPushButton* exec = nullptr;
    QPushButton* help = nullptr;
  };
  QWidget* BuildPage(int tab);
  QWidget* BuildSenseList();
  void StartOrStopCheck();
  void OnCheckFinished();

  DeviceSession& session_;
  JobRunner& runner_;
  int* last_tab_;
  std::unique_ptr<JobHost> host_;
  std::shared_ptr<SubQCheckJob> check_;
  std::uint64_t check_total_ = 0;
  bool check_running_ = false;
  QTabWidget* tabs_ = nullptr;
  std::array<Page, 4> pages_{};
  QLabel* copy_line_ = nullptr;
  QLabel* channel_line_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* format_button_ = nullptr;
  QTreeWidget* sense_list_ = nullptr;
};

}  // namespace tamarack::app
