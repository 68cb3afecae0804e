#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "app/main_window.h"
#include "app/qt_own_texts.h"
#include "device/platform_drives.h"
#include "emu/virtual_drive_provider.h"
#include "persist/user_folders.h"
#include "shell/settings_store.h"
#include "shell/window_settings.h"
#include "util/message_catalogue.h"
#include "util/version.h"

int main(int argc, char** argv) {
  // Answered before Qt starts: it needs no display, and Qt without one would end the run.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
      std::printf("%s\n", tamarack::VersionText("tamarack").c_str());
      return 0;
    }
  }
  QApplication app(argc, argv);
  // Qt took every locale category from the environment; numbers are written and read the
  // same in every language (files, logs, the boxes' values).
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Tamarack"));
  QApplication::setApplicationVersion(QString::fromStdString(tamarack::FullVersion()));
  // The installed desktop entry and icon (data/) carry this id: the desktop ties the window to
  // them, and the icon theme has the icon once the package is installed.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.tamarack.Tamarack"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.tamarack.Tamarack")));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Tamarack: a test bench for CD and DVD drives"));
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption drive_option(
      QStringLiteral("drive"),
      QStringLiteral("Select this drive at start (/dev/sr0, emu:type13, emu:/path/disc.cue)."),
      QStringLiteral("id"));
  QCommandLineOption settings_option(QStringLiteral("settings"),
                                     QStringLiteral("Read and write the settings in this file."),
                                     QStringLiteral("path"));
  parser.addOption(drive_option);
  parser.addOption(settings_option);
  parser.addPositionalArgument(QStringLiteral("file"),
                               QStringLiteral("A .txt, .cmd, .age or .msr file: opens its tab."));
  parser.process(app);

  tamarack::DriveDirectory drives;
  if (auto p = tamarack::MakePlatformDriveProvider()) drives.AddProvider(std::move(p));
  drives.AddProvider(std::make_unique<tamarack::emu::VirtualDriveProvider>(
      tamarack::RealClock(), tamarack::emu::ConfiguredVirtualDriveIds()));

  // An installed window keeps its settings and files in the user's folders, a portable one
  // beside itself.
  const std::string program_dir = QCoreApplication::applicationDirPath().toStdString();
  tamarack::app::WindowConfig config;
  config.settings_path = parser.isSet(settings_option)
                             ? parser.value(settings_option).toStdString()
                             : tamarack::DefaultSettingsPath(program_dir, TAMARACK_INSTALL_BINDIR);
  config.program_data_folder =
      tamarack::DataFolderOf(tamarack::ProgramFolderAt(program_dir, TAMARACK_INSTALL_BINDIR),
                             tamarack::ThisUsersFolders());
  config.start_drive = parser.value(drive_option).toStdString();
  if (!parser.positionalArguments().isEmpty()) {
    config.command_line_file = parser.positionalArguments().first().toStdString();
  }
  // The language the settings choose, before the first widget is built.
  {
    tamarack::SettingsData settings;
    if (!config.settings_path.empty()) tamarack::LoadSettings(config.settings_path, &settings);
    tamarack::StartMessageCatalogue(tamarack::LanguageOf(settings));
  }
  QTranslator qt_texts;
  if (tamarack::app::LoadQtOwnTexts(tamarack::CatalogueInUse(), &qt_texts)) {
    QApplication::installTranslator(&qt_texts);
  }
  tamarack::app::MainWindow window(&drives, config);
  window.show();
  return app.exec();
}
