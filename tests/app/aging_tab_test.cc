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

}  // namespace

class AgingTabTest : public QObject {
  Q_OBJECT

 private slots:
  void RunShowsItsCountersAndCancels() {
    Drive drive;
    QVERIFY(drive.opened);
    AgingTab tab(drive.session, drive.runner);
    testing::Messages messages;
    tab.dialog_hook = messages;
    QTemporaryDir dir;
    SettingsData s;
    s.ageing.end_lba = 300000;
    s.ageing.log_path = dir.filePath(QStringLiteral("log.htm")).toStdString();
    s.ageing.data_check = true;
    s.ageing.data_check_type = DataCheckType::kType13;
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
    QVERIFY(QString::fromStdString(drive.session.status_line.Get())
                .startsWith(QStringLiteral("Ageing Canceled! Read Count(Failed)=")));
    // Read at the start.
    QCOMPARE(tab.last_lba_box()->text(), QStringLiteral("332999"));
    // The range bar shows the range against the disc's last block.
    QCOMPARE(tab.range_bar()->view().bar().maximum, 332999);
    QCOMPARE(tab.range_bar()->view().bar().second, 300000);
    QFile log(dir.filePath(QStringLiteral("log.htm")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("Canceled\n"));
  }

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
    tab.loop_box()->setCurrentIndex(3);
    QCOMPARE(tab.loop_box()->currentIndex(), 2);
    QCOMPARE(tab.loop_box()->itemText(2), QStringLiteral("Loop Count 7"));
    QCOMPARE(tab.settings().loop_count, 7);
    QCOMPARE(tab.settings().mode.loop(), LoopMode::kCounted);
    accept = false;
    answer = QStringLiteral("99");
    tab.loop_box()->setCurrentIndex(3);
    // Cancelled: the entry stays.
    QCOMPARE(tab.loop_box()->currentIndex(), 3);
    QCOMPARE(tab.settings().loop_count, 7);

    // Step is for the step methods only; the data error end needs the data check.
    tab.method_box()->setCurrentIndex(static_cast<int>(LbaMethod::kTwoPoint));
    QVERIFY(!tab.step_box()->isEnabled());
    tab.method_box()->setCurrentIndex(static_cast<int>(LbaMethod::kRandomAndStep));
    QVERIFY(tab.step_box()->isEnabled());
    QVERIFY(!tab.end_on_data_error_box()->isEnabled());
    QVERIFY(!tab.type_button(DataCheckType::kType13)->isEnabled());
    tab.data_check_box()->setChecked(true);
    QVERIFY(tab.end_on_data_error_box()->isEnabled());
    QVERIFY(tab.type_button(DataCheckType::kOther)->isChecked());
    tab.end_on_data_error_box()->setChecked(true);
    QVERIFY(tab.settings().mode.end_on_data_error());

    // The form's address box is Start LBA on this tab; its length is the Transfer Length.
    tab.command_box()->setCurrentIndex(0);
    QVERIFY(tab.cdb_line()->text().startsWith(QStringLiteral("28 ")));
    SettingsData out;
    tab.StoreSettings(&out);
    QCOMPARE(out.ageing.command_index, 0);
    QCOMPARE(out.ageing.loop_count, 7);
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

  void TheWindowRefusesToCloseDuringARun() {
    Drive drive;
    MainWindow window(&drive.drives);
    window.show();
    window.tabs()->setCurrentIndex(kTabAging);
    AgingTab* tab = window.aging_tab();
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Start(&E)"));

    tab->dialog_hook = [](QDialog* d) { d->close(); };
    QTemporaryDir dir;
    SettingsData s;
    s.ageing.end_lba = 300000;
    s.ageing.log_path = dir.filePath(QStringLiteral("log.txt")).toStdString();
    s.ageing.data_check = true;
    s.ageing.data_check_type = DataCheckType::kType13;
    tab->LoadSettings(s);
    QSignalSpy finished(tab, &AgingTab::RunFinished);
    window.exec_button()->click();
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Cancel(&E)"));
    window.tabs()->setCurrentIndex(kTabCommand);
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Send(&E)"));
    window.tabs()->setCurrentIndex(kTabAging);
    // Refused while the run goes.
    QVERIFY(!window.close());
    QVERIFY(finished.wait(10000));
    QCOMPARE(drive.runner.state(), RunState::kIdle);
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Start(&E)"));
    QVERIFY(window.close());
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::AgingTabTest)
#include "aging_tab_test.moc"
