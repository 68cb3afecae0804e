// The Command tab: the command list in its three orders, the parameter form, the CDB box,
// the result boxes, and execution of the selected command on a worker thread.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "console/console.h"
#include "console/execute_command.h"
#include "device/device_session.h"
#include "job/job_runner.h"
#include "mmc/drive_selection.h"

class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTabBar;
class QTimer;
class QTreeWidget;

namespace tamarack::app {

class FormView;
class ModePageEditorWidget;
class StartPositionBar;

class CommandTab : public QWidget {
  Q_OBJECT

 public:
  // `session` and `runner` must outlive the tab.
  CommandTab(DeviceSession& session, JobRunner& runner, QWidget* parent = nullptr);
  ~CommandTab() override;

  Console& console() { return console_; }

  // The Exec button: "Send(&E)" runs the selected command (Send); while the tab's command is
  // in flight it reads "Cancel(&E)" and gives up waiting for it (GiveUp).
  void Execute();
  // Runs the selected command on the job frame. Ignored while the tab's own command runs;
  // another running job (an ageing run) is cancelled first.
  void Send();
  // Stops waiting for the command in flight: the tab is free at once; the command still ends
  // on the drive (at the latest at its time-out) and its reply, report and sense are dropped.
  void GiveUp();
  // The command-running flag: from Exec until the results are shown (or given up).
  bool command_running() const { return running_; }
  // Commands given up whose end has not come yet.
  int given_up() const { return given_up_; }
  // A command is in flight (`what`: "Now Sending! CDB"), or no longer (`what`: what became
  // of it, or empty): the window's Exec caption and status bar follow.
  std::function<void(bool running, const QString& what)> on_running_changed;
  // The Request Sense dialog on these bytes, placed at the window's corner.
  void ShowSenseDialog(std::vector<std::uint8_t> sense);

  // A selection of list entry `index` (Shift held: rename, in User order).
  void SelectListEntry(int index, bool shift);
  // Shows the list in another order.
  void SetListKind(ListKind kind);
  // The console's current command was set from outside the list (the settings at start, a
  // loaded command file, the command reset): the list, the form and the CDB box show it.
  void ShowCurrentCommand();
  // Drive selection: the result boxes empty; the start position row's track box is refilled
  // from the new disc's TOC.
  void ClearResults();
  // The track box of the start position row: the selected disc's tracks.
  void SetTrackBox(const std::vector<TrackBoxEntry>& entries, std::uint32_t end_address);

  // Something the settings file keeps changed here (a slot renamed, a command about to run
  // from a double-click): the window writes the file.
  std::function<void()> on_settings_changed;

  // Called with every dialog the tab opens (message boxes, the sense dialog, the rename
  // dialog), right after it opened: tests answer or close them here.
  std::function<void(QDialog*)> dialog_hook;

  QTabBar* list_kind_bar() const { return list_kind_bar_; }
  QListWidget* command_list() const { return list_; }
  FormView* form_view() const { return form_; }
  // The quick-set buttons and the track box of forms with a start position row.
  StartPositionBar* start_position_bar() const { return start_bar_; }
  // The mode page editor, shown with Mode Sense(10) and Mode Select(10).
  ModePageEditorWidget* mode_page_editor() const { return mode_editor_; }
  QCheckBox* hex_input_box() const { return hex_input_; }
  QLineEdit* cdb_box() const { return cdb_box_; }
  QPushButton* edit_button() const { return edit_button_; }
  // Under the CDB box: what a typed CDB goes out as, or that the form replaced it.
  QLabel* cdb_note() const { return cdb_note_; }
  QLabel* decoded_header() const { return decoded_header_; }
  QPlainTextEdit* decoded_box() const { return decoded_box_; }
  QLabel* dump_header() const { return dump_header_; }
  QPlainTextEdit* dump_box() const { return dump_box_; }
  QTreeWidget* result_list() const { return result_list_; }
  QComboBox* grouping_box() const { return grouping_box_; }
  // Between the form (above) and the results.
  QSplitter* splitter() const { return splitter_; }

 signals:
  // A command ended and its results are shown.
  void CommandFinished();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<JobHost> MakeJobHost();
  QWidget* BuildFormPage();
  QGroupBox* BuildResults();
  void ConnectControls();
  void FillList();
  void BuildForm(bool from_list);
  void ShowResultView();
  void OnFieldEdited(int index);
  void OnSpin(int index, bool up);
  void OnHexInput(bool on);
  void ShowCdbLine();
  void ShowCdbNote();
  void FitSplitter();
  // The form's height with every row shown, as its layout measures it.
  int FormHeightNeeded() const;
  void KeepKeyInView();
  void KeepKeyInViewLater();
  void KeepResultLines();
  void ShowError(const QString& message);
  void OpenRename(std::size_t row);
  void OnFinished(const CommandReport& report);
  void SetRunning(bool running, const QString& what);
  void ShowModePageEditor();
  void OnModeCommandChanged();
  void ShowParameterList();
  void ShowHexInputSwitch();
  void OpenDialog(QDialog* dialog);

  DeviceSession& session_;
  JobRunner& runner_;
  Console console_;
  std::unique_ptr<JobHost> host_;
  std::unique_ptr<SessionHost> sense_dialogs_;
  std::shared_ptr<ConsoleCommandJob> job_;
  bool running_ = false;
  int given_up_ = 0;
  // The command whose results the boxes may show.
  std::size_t results_row_ = static_cast<std::size_t>(-1);
  // The busy cursor comes only when a command takes longer than a moment.
  QTimer* busy_timer_ = nullptr;

  QTabBar* list_kind_bar_ = nullptr;
  QListWidget* list_ = nullptr;
  FormView* form_ = nullptr;
  StartPositionBar* start_bar_ = nullptr;
  ModePageEditorWidget* mode_editor_ = nullptr;
  QCheckBox* hex_input_ = nullptr;
  QLineEdit* cdb_box_ = nullptr;
  QPushButton* edit_button_ = nullptr;
  QLabel* cdb_note_ = nullptr;
  QLabel* decoded_header_ = nullptr;
  QPlainTextEdit* decoded_box_ = nullptr;
  QLabel* dump_header_ = nullptr;
  QPlainTextEdit* dump_box_ = nullptr;
  QTreeWidget* result_list_ = nullptr;
  QComboBox* grouping_box_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QScrollArea* form_scroll_ = nullptr;
  QWidget* results_ = nullptr;
  bool user_split_ = false;  // the splitter was moved by hand since the last selection
  // Until the user scrolls the form, each fit keeps its page editor or LBA box in view.
  bool keep_key_in_view_ = false;
  bool filling_list_ = false;
};

}  // namespace tamarack::app
