// Test helpers: a main window on virtual drives, used as the user uses it; the window tests
// include this header alone for Qt and the window's classes.
#pragma once

#include <QtTest/QtTest>
#include <QtWidgets>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/aging_tab.h"
#include "app/command_tab.h"
#include "app/continue_dialog.h"
#include "app/control_data_window.h"
#include "app/disc_icons.h"
#include "app/disc_indicator_widget.h"
#include "app/drive_serving_control.h"
#include "app/form_view.h"
#include "app/graph_view_widget.h"
#include "app/job_message.h"
#include "app/log_setting_dialog.h"
#include "app/loop_count_dialog.h"
#include "app/main_window.h"
#include "app/measure_tab.h"
#include "app/mode_page_editor.h"
#include "app/options_dialog.h"
#include "app/properties_tab.h"
#include "app/read_cd_detail_dialog.h"
#include "app/reference_data_dialog.h"
#include "app/request_sense_dialog.h"
#include "app/row_icons.h"
#include "app/save_option_dialog.h"
#include "app/sector_dump_tab.h"
#include "app/start_position_bar.h"
#include "app/toc_tab.h"
#include "app/tools_dialog.h"
#include "app/view_text.h"
#include "app/window_job_host.h"
#include "app/window_post.h"
#include "device/clock.h"
#include "device/sense_table.h"
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

// True when `text` is tests/data/app/NAME (TAMARACK_TEST_DATA); with TAMARACK_UPDATE_GOLDEN
// set it writes the file instead, for a new text checked by hand.
inline bool MatchesGolden(const std::string& name, const std::string& text) {
  const char* dir = std::getenv("TAMARACK_TEST_DATA");
  const QString path =
      QString::fromStdString(std::string(dir ? dir : "tests/data") + "/app/" + name);
  if (std::getenv("TAMARACK_UPDATE_GOLDEN")) WriteAll(path, text);
  return ReadAll(path) == text;
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

// A virtual drive opened the way the window opens drives, with its job runner: on a simulated
// clock, or on the real one where a tab's updates must come at their real pace.
struct SessionBench {
  explicit SessionBench(const std::string& id = "emu:type13?speed=max", bool real_clock = false)
      : clock(real_clock ? RealClock() : simulated) {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock));
    opened = session.Open(id);
  }
  SimulatedClock simulated;
  Clock& clock;
  DriveDirectory drives;
  DeviceSession session{&drives, BuiltInSenseTable()};
  JobRunner runner{session, clock};
  bool opened = false;
};

// Records the message boxes a widget opens and closes them (a dialog hook; copies share).
struct Messages {
  void operator()(QDialog* d) {
    if (auto* box = qobject_cast<QMessageBox*>(d)) {
      texts->append(box->text());
      icons->append(box->icon());
      box->close();
    }
  }
  std::shared_ptr<QStringList> texts = std::make_shared<QStringList>();
  std::shared_ptr<QList<QMessageBox::Icon>> icons = std::make_shared<QList<QMessageBox::Icon>>();
};

}  // namespace tamarack::app::testing
