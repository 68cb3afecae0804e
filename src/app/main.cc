#include <QApplication>

#include "app/main_window.h"
#include "device/platform_drives.h"
#include "emu/virtual_drive_provider.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tamarack::DriveDirectory drives;
  if (auto p = tamarack::MakePlatformDriveProvider()) drives.AddProvider(std::move(p));
  drives.AddProvider(std::make_unique<tamarack::emu::VirtualDriveProvider>(
      tamarack::RealClock(), tamarack::emu::ConfiguredVirtualDriveIds()));
  tamarack::app::MainWindow window(&drives);
  window.resize(1000, 720);
  window.show();
  return app.exec();
}
