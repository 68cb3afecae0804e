#include <QApplication>

#include "app/main_window.h"
#include "device/platform_drives.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tamarack::DriveDirectory drives;
  if (auto p = tamarack::MakePlatformDriveProvider()) drives.AddProvider(std::move(p));
  tamarack::app::MainWindow window(&drives);
  window.resize(1000, 720);
  window.show();
  return app.exec();
}
