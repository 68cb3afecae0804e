#include "app/control_data_window.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/save_option_dialog.h"
#include "app/sector_dump_tab.h"
#include "app/ui_text.h"
#include "app/view_text.h"
#include "console/command_catalogue.h"
#include "persist/user_folders.h"
#include "shell/file_kinds.h"
#include "shell/tab_file.h"
#include "tools/dump_file.h"

namespace tamarack::app {

QString QtFileFilter(const std::string& filter) {
  // Descriptions and patterns alternate; the descriptions already name their patterns.
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList descriptions;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (!parts[i].isEmpty()) descriptions << parts[i];
  }
  return descriptions.join(QStringLiteral(";;"));
}

ControlDataWindow::ControlDataWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiText(kControlDataTitle));
  setObjectName(QStringLiteral("controlDataWindow"));
  auto* layout = new QVBoxLayout(this);
  caption_ = new QLabel(QString::fromUtf8(kControlDataCaption), this);
  caption_->setFont(SectorDumpFont());
  caption_->setTextFormat(Qt::PlainText);
  layout->addWidget(caption_);
  list_ = new QPlainTextEdit(this);
  list_->setObjectName(QStringLiteral("controlDataList"));
  list_->setReadOnly(true);
  list_->setLineWrapMode(QPlainTextEdit::NoWrap);
  list_->setFont(SectorDumpFont());
  layout->addWidget(list_, 1);
  cdb_line_ = new QLabel(this);
  cdb_line_->setObjectName(QStringLiteral("controlDataCdb"));
  cdb_line_->setTextFormat(Qt::PlainText);
  cdb_line_->setFont(SectorDumpFont());
  layout->addWidget(cdb_line_);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  save_ = new QPushButton(UiText("保存(&S)"), this);
  save_->setObjectName(QStringLiteral("controlDataSave"));
  save_->setAutoDefault(false);
  row->addWidget(save_);
  layout->addLayout(row);
  connect(save_, &QPushButton::clicked, this, &ControlDataWindow::Save);
  resize(620, 480);
  SetData({}, std::nullopt, CatalogueState());
}

void ControlDataWindow::SetData(std::vector<std::uint8_t> bytes, const std::optional<Cdb>& cdb,
                                const CatalogueState& catalogue) {
  data_ = std::move(bytes);
  text_ = ControlDataList(data_);
  list_->setPlainText(ViewText(text_));
  cdb_line_->setText(QString::fromStdString(ControlDataCdbLine(cdb, catalogue)));
  save_->setEnabled(!data_.empty());
}

void ControlDataWindow::OpenDialog(QDialog* dialog) {
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
  if (dialog_hook) dialog_hook(dialog);
}

void ControlDataWindow::Save() {
  if (data_.empty()) return;
  auto* options = new DumpSaveDialog(last_form_, this);
  connect(options, &QDialog::accepted, this, [this, options] { SaveAs(options->form()); });
  OpenDialog(options);
}

void ControlDataWindow::SaveAs(DumpSaveForm form) {
  last_form_ = form;
  std::string folder = folder_ ? *folder_ : std::string();
  if (folder.empty()) {
    folder = DocumentsFolder();
    if (folder_) *folder_ = folder;
  }
  const char* extension = DumpSaveExtension(form);
  const QString proposed =
      QString::fromStdString(DefaultTabFilePath(FileKind::kDump, folder, extension));
  const QString filter = QtFileFilter(FileDialogFilter(extension));
  const QString title = UiText(RowOfKind(FileKind::kDump).save_title);
  const QString path = choose_file ? choose_file(title, proposed, filter)
                                   : QFileDialog::getSaveFileName(this, title, proposed, filter);
  if (path.isEmpty()) return;
  SaveTo(path, form);
}

bool ControlDataWindow::SaveTo(const QString& path, DumpSaveForm form) {
  std::string error;
  if (!SaveDumpFile(path.toStdString(), form, data_, text_, &error)) {
    OpenDialog(new QMessageBox(QMessageBox::Critical, QStringLiteral("Tamarack"),
                               QString::fromStdString(error), QMessageBox::Ok, this));
    return false;
  }
  if (folder_) *folder_ = QFileInfo(path).absolutePath().toStdString();
  return true;
}

}  // namespace tamarack::app
