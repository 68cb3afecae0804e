// Test helpers: a main window on virtual drives, used as the user uses it.
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest/QtTest>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_tab.h"
#include "app/main_window.h"
#include "emu/virtual_drive_provider.h"

namespace tamarack::app::testing {

// The whole of a file the window wrote (settings, saved tabs), "" when there is none.
inline std::string ReadAll(const QString& path) {
  std::ifstream in(path.toStdString());
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteAll(const QString& path, const std::string& text) {
  std::ofstream(path.toStdString()) << text;
}

// A window on the virtual drives `ids` (the first one selected), showing tab `tab`.
struct WindowBench {
  explicit WindowBench(std::vector<std::string> ids, int tab = kTabCommand) {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(RealClock(), std::move(ids)));
    window = std::make_unique<MainWindow>(&drives);
    window->tabs()->setCurrentIndex(tab);
  }
  CommandTab* command_tab() const { return window->command_tab(); }
  // The index of the Command tab's list entry `text` ("28h Read(10)"), -1 for none.
  int EntryIndex(const QString& text) const {
    for (int i = 0; i < command_tab()->command_list()->count(); ++i) {
      if (command_tab()->command_list()->item(i)->text() == text) return i;
    }
    return -1;
  }
  // Selects the entry as a click in the list does.
  void Select(const QString& text) {
    const int i = EntryIndex(text);
    QVERIFY2(i >= 0, qPrintable(text));
    command_tab()->SelectListEntry(i, false);
  }
  // Presses Exec and waits for the Command tab's command to finish.
  bool RunAndWait() {
    QSignalSpy done(command_tab(), &CommandTab::CommandFinished);
    window->exec_button()->click();
    return done.wait(10000);
  }
  DriveDirectory drives;
  std::unique_ptr<MainWindow> window;
};

}  // namespace tamarack::app::testing
