// Test helpers: a main window on virtual drives, used as the user uses it; the window tests
// include this header alone for Qt and the window's classes.
#pragma once

#include <QtTest/QtTest>
#include <QtWidgets>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "app/ageing_tab.h"
#include "app/command_monitor_tab.h"
#include "app/command_tab.h"
#include "app/continue_dialog.h"
#include "app/control_data_window.h"
#include "app/dialog_placement.h"
#include "app/disc_icons.h"
#include "app/disc_indicator_widget.h"
#include "app/drive_serving_control.h"
#include "app/form_view.h"
#include "app/graph_view_widget.h"
#include "app/help_window.h"
#include "app/job_message.h"
#include "app/log_setting_dialog.h"
#include "app/loop_count_dialog.h"
#include "app/main_window.h"
#include "app/measure_tab.h"
#include "app/mode_page_editor_widget.h"
#include "app/options_dialog.h"
#include "app/properties_tab.h"
#include "app/read_cd_detail_dialog.h"
#include "app/reference_data_dialog.h"
#include "app/request_sense_dialog.h"
#include "app/save_option_dialog.h"
#include "app/sector_dump_tab.h"
#include "app/start_position_bar.h"
#include "app/toc_tab.h"
#include "app/tools_dialog.h"
#include "app/window_job_host.h"
#include "device/clock.h"
#include "device/sense_table.h"
#include "device/status_board.h"
#include "emu/virtual_drive_provider.h"
#include "form/labelled_fields.h"
#include "golden.h"
#include "util/strings.h"
#include "util/text_file.h"

// Every wait for the window to settle polls for as long as a sanitizer build on a busy machine
// may need (a wait that is met returns at once): Qt's own five seconds are not always enough.
inline constexpr int kSettleMs = 30000;
#undef QTRY_VERIFY
#undef QTRY_VERIFY2
#undef QTRY_COMPARE
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, kSettleMs)
#define QTRY_VERIFY2(expr, messageExpression) \
  QTRY_VERIFY2_WITH_TIMEOUT(expr, messageExpression, kSettleMs)
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, kSettleMs)

namespace tamarack::app::testing {

// The whole of a file the window wrote (settings, saved tabs), "" when there is none.
inline std::string ReadAll(const QString& path) {
  return ReadTextFile(path.toStdString()).value_or("");
}

inline void WriteAll(const QString& path, const std::string& text) {
  std::ofstream(path.toStdString()) << text;
}

// True when `text` is tests/data/app/NAME; with TAMARACK_UPDATE_GOLDEN set it writes the file
// instead (as it stands, line ends included), for a new text checked by hand.
inline bool MatchesGolden(const std::string& name, const std::string& text) {
  if (std::getenv("TAMARACK_UPDATE_GOLDEN")) {
    std::ofstream(tamarack::testing::GoldenPath(name, "app"), std::ios::binary) << text;
  }
  return tamarack::testing::ReadGoldenFile(name, "app") == text;
}

// Opens no window yet: the test sets `config` (settings, answers) and calls Open().
constexpr int kOpenLater = -1;

// A window on the virtual drives `ids` (the first one selected), showing tab `tab`; on a
// simulated clock when asked. `config` is what the window opens with (settings, answers).
struct WindowBench {
  explicit WindowBench(std::vector<std::string> ids, int tab = kTabCommand,
                       bool simulated_clock = false) {
    Clock& clock = simulated_clock ? static_cast<Clock&>(simulated) : RealClock();
    if (simulated_clock) config.clock = &simulated;
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock, std::move(ids)));
    if (tab != kOpenLater) Open(tab);
  }
  // Opens the window anew on `config` (the old one closes first, as at a restart).
  MainWindow& Open(int tab = kOpenLater) {
    window.reset();
    window = std::make_unique<MainWindow>(&drives, config);
    if (tab != kOpenLater) window->tabs()->setCurrentIndex(tab);
    return *window;
  }
  // Shows the window (at `size` when given) and waits until it is on the screen.
  bool Show(QSize size = {}) {
    if (size.isValid()) window->resize(size);
    window->show();
    return QTest::qWaitForWindowExposed(window.get());
  }
  // The settings file in the bench's folder, holding `text` for the next Open().
  QString Settings(const std::string& text) {
    const QString path = dir.filePath(QStringLiteral("IniFile.txt"));
    config.settings_path = path.toStdString();
    WriteAll(path, text);
    return path;
  }
  // The value the settings file holds for `key`, "-" for none.
  QString Saved(const QString& key) const {
    const QString text =
        QString::fromStdString(ReadAll(QString::fromStdString(config.settings_path)));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
      if (line.startsWith(key + QLatin1Char('='))) return line.mid(key.size() + 1);
    }
    return QStringLiteral("-");
  }
  // Changes the options as the option dialog does: through the window, which hands them on.
  template <typename Fn>
  void SetOptions(Fn change) {
    Options o = window->options();
    change(o);
    window->ApplyOptions(o);
  }
  CommandTab* command_tab() const { return window->command_tab(); }
  // Selects the Command tab's list entry `text` ("28h Read(10)") as a click in the list does.
  void Select(const QString& text) {
    const auto found = command_tab()->command_list()->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    command_tab()->SelectListEntry(command_tab()->command_list()->row(found.first()), false);
  }
  // The index of the Command tab's form field `label` (the number of fields for none), its box.
  std::size_t Field(const char* label) const {
    const auto& fields = command_tab()->console().fields();
    return FieldOfLabel(fields, label).value_or(fields.size());
  }
  QLineEdit* Box(const char* label) const {
    return qobject_cast<QLineEdit*>(command_tab()->form_view()->FieldWidget(Field(label)));
  }
  // Types into a form box as the user would (each key is a live collection).
  void Type(const char* label, const QString& text) {
    QLineEdit* box = Box(label);
    QVERIFY2(box, label);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  // Presses Exec and waits for the Command tab's command to finish.
  bool RunAndWait() {
    QSignalSpy done(command_tab(), &CommandTab::CommandFinished);
    window->exec_button()->click();
    return done.wait(kSettleMs);
  }
  QTemporaryDir dir;
  SimulatedClock simulated;
  DriveDirectory drives;
  WindowConfig config;
  std::unique_ptr<MainWindow> window;
};

// What a window shows after each step, one "what: value" line each (a text of several lines
// indented below its name), compared as a whole with tests/data/app/NAME.
struct Transcript {
  template <typename V>
  Transcript& operator()(const QString& what, const V& value) {
    QString v;
    if constexpr (std::is_same_v<V, bool>) {
      v = value ? QStringLiteral("yes") : QStringLiteral("no");
    } else if constexpr (std::is_arithmetic_v<V> || std::is_enum_v<V>) {
      v = QString::number(static_cast<long long>(value));
    } else if constexpr (std::is_same_v<V, QStringList>) {
      v = value.join(QStringLiteral(" | "));
    } else if constexpr (std::is_same_v<V, std::string>) {
      v = QString::fromStdString(value);
    } else if constexpr (std::is_convertible_v<V, const char*>) {
      v = QString::fromUtf8(value);
    } else {
      v = value;
    }
    lines << what + QStringLiteral(": ") + v.replace(QLatin1Char('\n'), QStringLiteral("\n    "));
    return *this;
  }
  // A heading for the next step's lines.
  Transcript& Step(const QString& step) {
    lines << QStringLiteral("== ") + step;
    return *this;
  }
  // Fails, naming the first line that differs, unless the lines are the golden file's.
  void Expect(const std::string& name) const {
    const QString text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    if (MatchesGolden(name, text.toStdString())) return;
    QCOMPARE(text.split(QLatin1Char('\n')),
             QString::fromStdString(tamarack::testing::ReadGoldenFile(name, "app"))
                 .split(QLatin1Char('\n')));
  }
  QStringList lines;
};

// Every row of a list, its cells joined by " | ", one a line; with `header`, the titles first.
inline QString ListText(const QTreeWidget* list, bool header = false) {
  QStringList lines;
  auto cells = [list](const QTreeWidgetItem* item) {
    QStringList out;
    for (int c = 0; c < list->columnCount(); ++c) out << item->text(c);
    return out.join(QStringLiteral(" | "));
  };
  if (header) lines << cells(list->headerItem());
  for (int r = 0; r < list->topLevelItemCount(); ++r) lines << cells(list->topLevelItem(r));
  return lines.join(QLatin1Char('\n'));
}

// A virtual drive opened the way the window opens drives, with its job runner, on a simulated
// clock.
struct SessionBench {
  SessionBench() {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(simulated));
    session.SetHost(&status);
    opened = session.Open("emu:type13?speed=max");
  }
  SimulatedClock simulated;
  DriveDirectory drives;
  StatusBoard status;  // the session's host: the status line under a window
  DeviceSession session{&drives, BuiltInSenseTable()};
  JobRunner runner{session, simulated};
  bool opened = false;
};

// Reads the Sector Dump tab's blocks and waits for the read to finish.
inline bool ReadAndWait(SectorDumpTab& tab) {
  QSignalSpy spy(&tab, &SectorDumpTab::ReadFinished);
  tab.Read();
  return spy.wait(kSettleMs);
}

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

// A window on the virtual drive `drive` on a simulated clock, the Measure tab shown; message
// boxes recorded and closed, a save's file dialog cancelled. A whole-disc run is pure work on
// the simulated clock, far longer in a sanitizer build on a busy machine: `Run` only guards
// against a run that never ends.
struct MeasureBench : WindowBench {
  explicit MeasureBench(const std::string& drive) : WindowBench({drive}, kOpenLater, true) {
    config.start_drive = drive;
    config.dialog_hook = messages;
    config.choose_file = [](bool, const QString&, const QString&, const QString&) {
      return QString();
    };
    Open(kTabMeasure);
    tab = window->measure_tab();
  }
  // Clicks `button` (Exec when none) and waits for the run it starts to finish.
  bool Run(QAbstractButton* button = nullptr) {
    QSignalSpy spy(tab, &MeasureTab::MeasureFinished);
    (button ? button : window->exec_button())->click();
    return spy.wait(kWholeDiscGuardMs);
  }
  static constexpr int kWholeDiscGuardMs = 600000;
  testing::Messages messages;
  MeasureTab* tab = nullptr;
};

}  // namespace tamarack::app::testing
