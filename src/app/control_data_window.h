// The window "ﾄﾞﾗｲﾌﾞから読み込んだ制御ﾃﾞｰﾀ": the data the last command received as a list of
// 16 bytes a line, the command line under it, and "保存(&S)" with the three dump forms.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/scsi.h"
#include "tools/control_data_view.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tamarack {
class CatalogueState;
}

namespace tamarack::app {

// The file dialog's filter from the system's "DESC|PATTERN|DESC|PATTERN||" form.
QString QtFileFilter(const std::string& filter);

class ControlDataWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ControlDataWindow(QWidget* parent = nullptr);

  // The received bytes and the CDB they came with (none before the first command); the
  // catalogue names the command.
  void SetData(std::vector<std::uint8_t> bytes, const std::optional<Cdb>& cdb,
               const CatalogueState& catalogue);

  // The data folder of saved files ("Directory="): proposed for a save, set to the folder of
  // a saved file. Must outlive the window; null: the documents folder each time.
  void SetDataFolder(std::string* folder) { folder_ = folder; }

  // "保存(&S)": the save option dialog, then the file dialog, then the file.
  void Save();
  // Writes the file in `form`. A failure shows the system's error text; false then.
  bool SaveTo(const QString& path, DumpSaveForm form);

  // Called with every dialog the window opens (the save option dialog, message boxes).
  std::function<void(QDialog*)> dialog_hook;
  // Asks for the file to save (title, proposed path, filter); empty: cancelled. Defaults to
  // the platform's file dialog.
  std::function<QString(const QString&, const QString&, const QString&)> choose_file;

  QLabel* caption() const { return caption_; }
  QPlainTextEdit* list() const { return list_; }
  QLabel* cdb_line() const { return cdb_line_; }
  QPushButton* save_button() const { return save_; }
  DumpSaveForm last_form() const { return last_form_; }

 private:
  void OpenDialog(QDialog* dialog);
  void SaveAs(DumpSaveForm form);

  std::vector<std::uint8_t> data_;
  std::string text_;
  std::string* folder_ = nullptr;
  DumpSaveForm last_form_ = DumpSaveForm::kText;
  QLabel* caption_ = nullptr;
  QPlainTextEdit* list_ = nullptr;
  QLabel* cdb_line_ = nullptr;
  QPushButton* save_ = nullptr;
};

}  // namespace tamarack::app
