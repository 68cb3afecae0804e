// The main window's save and open tool buttons: each kind of file's steps and the file dialogs.
#include "app/main_window.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ageing/ageing_file.h"
#include "app/ageing_tab.h"
#include "app/control_data_window.h"
#include "app/measure_tab.h"
#include "app/save_option_dialog.h"
#include "app/sector_dump_tab.h"
#include "app/ui_text.h"
#include "app/window_job_host.h"
#include "measure/measurement_file.h"
#include "persist/user_folders.h"
#include "shell/file_kinds.h"
#include "shell/settings_store.h"
#include "shell/tab_file.h"
#include "tools/dump_file.h"
#include "util/strings.h"

namespace tamarack::app {

QString MainWindow::ChooseFile(bool save, const QString& title, const QString& proposed,
                               const QString& filter) {
  if (config_.choose_file) return config_.choose_file(save, title, proposed, filter);
  return save ? QFileDialog::getSaveFileName(this, title, proposed, filter)
              : QFileDialog::getOpenFileName(this, title, proposed, filter);
}

const std::string& MainWindow::DataFolder() {
  const std::string documents =
      config_.documents_folder.empty() ? DocumentsFolder() : config_.documents_folder;
  return EnsureDataFolder(&settings_.directory, documents);
}

MainWindow::TabFileSteps MainWindow::StepsOf(FileKind kind) {
  switch (kind) {
    case FileKind::kDump:
      return DumpFileSteps();
    case FileKind::kCommands:
      return CommandFileSteps();
    case FileKind::kAgeing:
      return AgeingFileSteps();
    case FileKind::kMeasurement:
      return MeasurementFileSteps();
  }
  return {};
}

bool MainWindow::LoadSettingsLines(FileKind kind, const std::string& file, std::string* error) {
  SaveSettingsNow();
  if (!LoadSettingsLinesFile(file, &settings_, error)) return false;
  if (kind == FileKind::kCommands) ShowCommandSettings();
  if (kind == FileKind::kAgeing) ageing_tab_->LoadSettings(settings_);
  return true;
}

MainWindow::TabFileSteps MainWindow::DumpFileSteps() {
  // The dump a save writes: gathered before the file dialog.
  struct DumpToSave {
    DumpSaveForm form = DumpSaveForm::kText;
    std::vector<std::uint8_t> bytes;
    std::string text;
  };
  auto dump = std::make_shared<DumpToSave>();
  return {[this, dump](std::string* variant, std::string* extension) {
            dump->bytes = sector_dump_tab_->DumpBytes();
            dump->text = sector_dump_tab_->DumpText();
            if (dump->text.empty()) {
              ShowMessage(QMessageBox::Information, UiText("ﾃﾞｰﾀがありません"));
              return false;
            }
            // A dump loaded from a file is text only: it is saved as it is shown.
            if (!dump->bytes.empty()) {
              DumpSaveDialog options(dump_save_form_, this);
              OpenDialog(&options);
              if (options.exec() != QDialog::Accepted) return false;
              dump_save_form_ = dump->form = options.form();
            }
            *variant = *extension = DumpSaveExtension(dump->form);
            return true;
          },
          [dump](const std::string& file, std::string* error) {
            return SaveDumpFile(file, dump->form, dump->bytes, dump->text, error);
          },
          [this](const std::string& file, std::string* error) {
            const std::optional<std::string> text = LoadDumpText(file, error);
            if (text) sector_dump_tab_->ShowLoadedText(*text);
            return text.has_value();
          }};
}

MainWindow::TabFileSteps MainWindow::CommandFileSteps() {
  return {[this](std::string* variant, std::string*) {
            CommandSaveDialog options(command_save_option_, this);
            OpenDialog(&options);
            if (options.exec() != QDialog::Accepted) return false;
            command_save_option_ = options.content();
            *variant = CommandSaveOptionName(command_save_option_);
            return true;
          },
          [this](const std::string& file, std::string* error) {
            return SaveCommandFile(file, settings_, command_save_option_, error);
          },
          [this](const std::string& file, std::string* error) {
            return LoadSettingsLines(FileKind::kCommands, file, error);
          }};
}

MainWindow::TabFileSteps MainWindow::AgeingFileSteps() {
  return {[](std::string*, std::string*) { return true; },
          [this](const std::string& file, std::string* error) {
            return SaveAgeingFile(file, settings_.ageing, error);
          },
          [this](const std::string& file, std::string* error) {
            return LoadSettingsLines(FileKind::kAgeing, file, error);
          }};
}

MainWindow::TabFileSteps MainWindow::MeasurementFileSteps() {
  return {[this](std::string*, std::string*) {
            measure_tab_->Stop(CancelCause::kSaveOrLoad);
            if (!measure_tab_->record().samples.empty()) return true;
            ShowMessage(QMessageBox::Question, UiText("ﾃﾞｰﾀがありません ?"));
            return false;
          },
          [this](const std::string& file, std::string* error) {
            return SaveMeasurementFile(file, measure_tab_->record(), error);
          },
          [this](const std::string& file, std::string* error) {
            if (measure_tab_->running()) {
              *error = "a measurement is running";
              return false;
            }
            SpeedRecord record = measure_tab_->record();
            if (!LoadMeasurementFile(file, &record, error)) return false;
            measure_tab_->ShowRecord(record);
            return true;
          }};
}

void MainWindow::SaveTabFile() {
  const std::optional<FileKind> kind = KindOfTab(tabs_->currentIndex());
  if (!kind) return;
  const FileKindRow& row = RowOfKind(*kind);
  const TabFileSteps steps = StepsOf(*kind);
  std::string variant;
  std::string extension = row.extension;
  if (!steps.prepare(&variant, &extension)) return;
  const std::string& folder = DataFolder();
  const QString path =
      ChooseFile(true, UiText(row.save_title),
                 QString::fromStdString(DefaultTabFilePath(*kind, folder, variant)),
                 QtFileFilter(FileDialogFilter(extension)));
  if (path.isEmpty()) return;
  CollectSettings();
  const std::string file = path.toStdString();
  std::string error;
  if (steps.save(file, &error)) {
    settings_.directory = FolderOfFile(file);
    ShowStatusLine(session_, StrFormat(Tr("保存しました: %s"), file.c_str()));
  } else {
    ShowMessage(QMessageBox::Critical, QString::fromStdString(error));
  }
  SaveSettingsNow();
}

void MainWindow::LoadTabFile() {
  const std::optional<FileKind> kind = KindOfTab(tabs_->currentIndex());
  if (!kind) return;
  const FileKindRow& row = RowOfKind(*kind);
  const std::string extension = row.extension;
  // The folder alone: the filter shows the kind's files, and the name box starts empty (a
  // pattern there would be opened as a name).
  const QString proposed = QString::fromStdString(DataFolder());
  const QString path = ChooseFile(false, UiText(row.load_title), proposed,
                                  QtFileFilter(FileDialogFilter(extension)));
  if (path.isEmpty()) return;
  LoadFileIntoTab(path);
}

bool MainWindow::LoadFileIntoTab(const QString& path) {
  const std::optional<FileKind> kind = KindOfTab(tabs_->currentIndex());
  if (!kind) return false;
  std::string error;
  const bool loaded = StepsOf(*kind).load(path.toStdString(), &error);
  if (!loaded) status_board_.status_line.Set(error);
  return loaded;
}

}  // namespace tamarack::app
