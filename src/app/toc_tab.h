// The Toc tab: the TOC list and the text box beside it, the "&Full TOC" check box, the TOC
// read by the Exec button and the explanation of a clicked full-TOC row.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "device/device_session.h"
#include "form/decoder.h"

class QCheckBox;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace tamarack::app {

class TocTab : public QWidget {
  Q_OBJECT

 public:
  // `session` must outlive the tab.
  explicit TocTab(DeviceSession& session, QWidget* parent = nullptr);

  // The Exec button "Read(&E)": reads the TOC twice and fills the list; on failure the list
  // keeps only its columns (the status line says why).
  void Execute();

  QTreeWidget* toc_list() const { return list_; }
  QPlainTextEdit* text_box() const { return text_; }
  QCheckBox* full_toc_box() const { return full_toc_; }
  // The reply of the last good read with TIME off (data length plus 2 bytes).
  const std::vector<std::uint8_t>& last_data() const { return last_data_; }

 private:
  void SetColumns(const std::vector<ListColumn>& columns);
  void OnFullTocClicked();
  void OnRowClicked(QTreeWidgetItem* item);

  DeviceSession& session_;
  QTreeWidget* list_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QCheckBox* full_toc_ = nullptr;
  std::vector<ListColumn> columns_;
  std::vector<std::uint8_t> last_data_;
};

}  // namespace tamarack::app
