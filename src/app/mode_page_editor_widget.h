// The mode page editor of the Command tab (Mode Sense(10) and Mode Select(10)): the page list
// with its icons, the tab strip over the editor of the current page and screen, the page
// name, the buttons, and for Mode Select the "Page Data Dump" box. It renders the core's
// ModePageEditor and forwards what the user does; the Command tab puts the editor's part of
// the command into the console when CommandChanged is emitted.
#pragma once

#include <QWidget>
#include <functional>
#include <span>

#include "decode/mode_page_editor.h"

class QDialog;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabBar;

namespace tamarack::app {

class FormView;

class ModePageEditorWidget : public QWidget {
  Q_OBJECT

 public:
  explicit ModePageEditorWidget(QWidget* parent = nullptr);

  // The model (its page tables are what the settings file saves).
  ModePageEditor& editor() { return editor_; }
  const ModePageEditor& editor() const { return editor_; }

  // The form of `command` was opened with the command's stored CDB.
  void Open(ModeCommand command, const Cdb& cdb);
  // The number boxes follow the "He&x Input" switch.
  void SetHexInput(bool on);
  // A Mode Sense reply (the bytes returned) and the CDB as executed.
  void TakeModeSenseReply(std::span<const std::uint8_t> reply, const Cdb& cdb);
  // Everything shown again from the model (after settings were loaded into the tables).
  void Refresh();

  // Called with every message box the editor opens, right after it opened (tests).
  std::function<void(QDialog*)> dialog_hook;

  QListWidget* page_list() const { return page_list_; }
  QTabBar* tab_bar() const { return tab_bar_; }
  QLabel* page_name() const { return page_name_; }
  FormView* form_view() const { return form_; }
  QPushButton* copy_button() const { return copy_button_; }
  QPushButton* changeable_view_button() const { return changeable_button_; }
  QPushButton* help_button() const { return help_button_; }
  QPlainTextEdit* page_dump_box() const { return page_dump_; }

 signals:
  // What the editor puts into the command changed (picked page, pages sent, page bytes).
  void CommandChanged();
  // The current screen has number boxes, or no longer has them.
  void NumberFieldsChanged(bool has_number_fields);
  // "Help": the help page of the command shown ("commsen.htm" or "commsel.htm").
  void HelpRequested(const QString& page);

 private:
  void FillPageList();
  void FillTabs();
  void ShowPage();
  void ShowPageDump();
  void OnPageClicked(int row);
  void OnTabChanged(int index);
  void OnFieldEdited(int index);
  void OnSpin(int index, bool up);
  void OnCopy();

  ModePageEditor editor_;
  QLabel* list_label_ = nullptr;
  QListWidget* page_list_ = nullptr;
  QLabel* dump_label_ = nullptr;
  QPlainTextEdit* page_dump_ = nullptr;
  QWidget* strip_ = nullptr;  // the tab strip with the editor, 370 × 320
  QTabBar* tab_bar_ = nullptr;
  QLabel* page_name_ = nullptr;
  FormView* form_ = nullptr;
  QPushButton* copy_button_ = nullptr;
  QPushButton* changeable_button_ = nullptr;
  QPushButton* help_button_ = nullptr;
  bool filling_ = false;  // change notifications of the editor's controls are ignored
};

}  // namespace tamarack::app
