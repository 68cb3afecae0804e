// The Aging tab on the offscreen platform: a run on the virtual drive with its counters and
// Cancel, the loop count and log setting dialogs, the window's close veto (its fit at the
// smallest size is layout_test's).
#include "app/window_bench.h"

namespace tamarack::app {

namespace {

// On the real clock, so that the tab's updates come at their real pace.
struct Drive : testing::SessionBench {
  Drive() : SessionBench("emu:type13?speed=max", true) {}
};

// A long run with the data check of the type 13 disc, logging to `log`.
SettingsData LongRun(const QString& log) {
  SettingsData s;
  s.ageing.end_lba = 300000;
  s.ageing.log_path = log.toStdString();
  s.ageing.data_check = true;
  s.ageing.data_check_type = DataCheckType::kType13;
  return s;
}

// The fields of the tab that depend on others, and the settings they make.
void Shot(testing::Transcript& t, const AgingTab& tab, const QString& step) {
  t.Step(step)("loop", tab.loop_box()->currentIndex())("loop text", tab.loop_box()->currentText());
  t("loop entry", tab.loop_box()->itemText(2));
  t("loop count", tab.settings().loop_count)("loop mode", tab.settings().mode.loop());
  t("step", tab.step_box()->isEnabled())("end on error", tab.end_on_data_error_box()->isEnabled());
  t("end on error set", tab.settings().mode.end_on_data_error());
  t("type13", tab.type_button(DataCheckType::kType13)->isEnabled());
  t("other", tab.type_button(DataCheckType::kOther)->isChecked())("cdb", tab.cdb_line()->text());
}

}  // namespace

class AgingTabTest : public QObject {
  Q_OBJECT

 private slots:
  // A run shows its counters, dump and CDB with the settings locked, and a cancel ends it
  // without its message (the cancelled status text is the ageing tests' cancel_in_pause.txt).
  void RunShowsItsCountersAndCancels() {
    Drive drive;
    QVERIFY(drive.opened);
    AgingTab tab(drive.session, drive.runner);
    testing::Messages messages;
    tab.dialog_hook = messages;
    QTemporaryDir dir;
    SettingsData s = LongRun(dir.filePath(QStringLiteral("log.htm")));
    s.ageing.display_received = true;
    tab.LoadSettings(s);
    bool running = false;
    tab.on_running_changed = [&running](bool on) { running = on; };

    tab.StartOrCancel();
    QVERIFY(running);
    // Settings are locked while the run goes.
    QVERIFY(!tab.method_box()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(
        tab.counter_box()->toPlainText().startsWith(QStringLiteral("Total Command=")), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!tab.dump_box()->toPlainText().isEmpty(), 10000);
    QVERIFY(tab.cdb_line()->text().startsWith(QStringLiteral("be ")));
    QSignalSpy finished(&tab, &AgingTab::RunFinished);
    tab.StartOrCancel();  // Cancel
    QVERIFY(finished.wait(10000));
    QVERIFY(!running);
    QVERIFY(tab.method_box()->isEnabled());
    // A cancelled run ends without its message.
    QVERIFY(messages.texts->isEmpty());
    const QString counters = tab.counter_box()->toPlainText();
    QVERIFY(counters.contains(QStringLiteral("Fail Command=0\nFail Data=0")));
    // Read at the start.
    QCOMPARE(tab.last_lba_box()->text(), QStringLiteral("332999"));
    // The range bar shows the range against the disc's last block.
    QCOMPARE(tab.range_bar()->view().bar().maximum, 332999);
    QCOMPARE(tab.range_bar()->view().bar().second, 300000);
    QFile log(dir.filePath(QStringLiteral("log.htm")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("Canceled\n"));
  }

  // The loop count dialog (a count taken; Cancel keeps the entry), the step box for the step
  // methods only, the data error end with the data check only, the form's CDB and what is
  // stored: aging_form.txt.
  void LoopCountDialogAndTheFormFields() {
    Drive drive;
    AgingTab tab(drive.session, drive.runner);
    QString answer = QStringLiteral("7");
    bool accept = true;
    tab.dialog_hook = [&](QDialog* d) {
      if (auto* dialog = qobject_cast<LoopCountDialog*>(d)) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("エージングループ回数"));
        dialog->count_box()->setText(answer);
        accept ? dialog->accept() : dialog->reject();
      }
    };
    testing::Transcript t;
    tab.loop_box()->setCurrentIndex(3);
    Shot(t, tab, QStringLiteral("loop count 7"));
    accept = false;
    answer = QStringLiteral("99");
    tab.loop_box()->setCurrentIndex(3);
    Shot(t, tab, QStringLiteral("loop count cancelled"));
    tab.method_box()->setCurrentIndex(static_cast<int>(LbaMethod::kTwoPoint));
    Shot(t, tab, QStringLiteral("two points"));
    tab.method_box()->setCurrentIndex(static_cast<int>(LbaMethod::kRandomAndStep));
    Shot(t, tab, QStringLiteral("random and step"));
    tab.data_check_box()->setChecked(true);
    tab.end_on_data_error_box()->setChecked(true);
    tab.command_box()->setCurrentIndex(0);
    Shot(t, tab, QStringLiteral("data check, end on data error, first command"));
    SettingsData out;
    tab.StoreSettings(&out);
    t("stored command", out.ageing.command_index)("stored loop count", out.ageing.loop_count);
    t.Expect("aging_form.txt");
  }

  void LogSettingDialogRebuildsTheWord() {
    LogSettingDialog dialog(LogOptionWord(0x20002), true, QStringLiteral("/tmp/x.htm"),
                            QStringLiteral("/tmp"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("エージングログ"));
    QVERIFY(dialog.failed_button()->isChecked());
    QVERIFY(dialog.detailed_button()->isChecked());
    dialog.nothing_button()->setChecked(true);
    QVERIFY(!dialog.simple_button()->isEnabled());
    dialog.all_button()->setChecked(true);
    dialog.simple_button()->setChecked(true);
    QCOMPARE(dialog.options().value(), 0x10000u);
    dialog.html_box()->setChecked(false);
    QString asked;
    dialog.choose_file = [&asked](const QString&, const QString& name, const QString& filter) {
      asked = name + QStringLiteral(" ") + filter;
      return QStringLiteral("/tmp/chosen.txt");
    };
    dialog.browse_button()->click();
    QCOMPARE(asked, QStringLiteral("log.txt log file(*.txt);;all files(*.*)"));
    QCOMPARE(dialog.path(), QStringLiteral("/tmp/chosen.txt"));
  }

  // Another drive's disc replaces the bounds the tab shows (they bound a single pass): read
  // at once while the tab is shown, the empty range filled from them; forgotten while it is
  // not, for the next run to read.
  void TheDiscBoundsFollowTheDrive() {
    testing::WindowBench b({"emu:type13?speed=max", "emu:type30?speed=max"}, kTabAging);
    MainWindow& window = *b.window;
    AgingTab* tab = window.aging_tab();
    window.drive_box()->setCurrentIndex(1);
    QCOMPARE(tab->last_lba_box()->text(), QStringLiteral("75599"));
    QCOMPARE(tab->end_box()->text(), QStringLiteral("75599"));
    window.drive_box()->setCurrentIndex(0);
    QCOMPARE(tab->last_lba_box()->text(), QStringLiteral("332999"));
    QCOMPARE(tab->end_box()->text(), QStringLiteral("75599"));  // a range of its own stays
    window.tabs()->setCurrentIndex(kTabCommand);
    window.drive_box()->setCurrentIndex(1);
    QCOMPARE(tab->settings().last_lba, 0);
  }

  // The window's close is refused while a run goes (the run is told to stop), and goes
  // ahead once it has ended; the Exec caption follows the run on its tab only.
  void TheWindowRefusesToCloseDuringARun() {
    testing::WindowBench b({"emu:type13?speed=max"}, kTabAging);
    MainWindow& window = *b.window;
    window.show();
    AgingTab* tab = window.aging_tab();
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Start(&E)"));
    tab->dialog_hook = [](QDialog* d) { d->close(); };
    tab->LoadSettings(LongRun(b.dir.filePath(QStringLiteral("log.txt"))));
    QSignalSpy finished(tab, &AgingTab::RunFinished);
    window.exec_button()->click();
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Cancel(&E)"));
    window.tabs()->setCurrentIndex(kTabCommand);
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Send(&E)"));
    window.tabs()->setCurrentIndex(kTabAging);
    QVERIFY(!window.close());
    QVERIFY(tab->running());
    QVERIFY(finished.wait(10000));
    QVERIFY(!tab->running());
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Start(&E)"));
    QVERIFY(window.close());
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::AgingTabTest)
#include "aging_tab_test.moc"
