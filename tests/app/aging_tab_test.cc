// The Aging tab on the offscreen platform: a run on the virtual drive with its counters, the
// window's close veto stopping it, the loop count and log setting dialogs (its fit at the
// smallest size is layout_test's).
#include "app/window_bench.h"

namespace tamarack::app {

namespace {

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
  // The loop count dialog (a count taken; Cancel keeps the entry), the step box for the step
  // methods only, the data error end with the data check only, the form's CDB and what is
  // stored: aging_form.txt.
  void LoopCountDialogAndTheFormFields() {
    testing::SessionBench drive;
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

  // A run from Exec shows its counters, dump and CDB with the settings locked, the Exec
  // caption following it on its tab only; Exec again cancels it without its message (its
  // status text is the ageing tests' cancel_in_pause.txt), its log says so, and the disc's last
  // block read at the start bounds the range bar. The window's close is refused while a run
  // goes (the run is told to stop) and goes ahead once it has ended.
  void ARunShowsItsCountersCancelsAndHoldsTheWindowOpen() {
    testing::WindowBench b({"emu:type13?speed=max"}, kTabAging);
    MainWindow& window = *b.window;
    window.show();
    AgingTab* tab = window.aging_tab();
    testing::Messages messages;
    tab->dialog_hook = messages;
    SettingsData s = LongRun(b.dir.filePath(QStringLiteral("log.htm")));
    s.ageing.display_received = true;
    tab->LoadSettings(s);
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Start(&E)"));
    QSignalSpy finished(tab, &AgingTab::RunFinished);
    window.exec_button()->click();
    QVERIFY(!tab->method_box()->isEnabled());
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Cancel(&E)"));
    window.tabs()->setCurrentIndex(kTabCommand);
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Send(&E)"));
    window.tabs()->setCurrentIndex(kTabAging);
    QTRY_VERIFY_WITH_TIMEOUT(
        tab->counter_box()->toPlainText().startsWith(QStringLiteral("Total Command=")), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!tab->dump_box()->toPlainText().isEmpty(), 10000);
    QVERIFY(tab->cdb_line()->text().startsWith(QStringLiteral("be ")));
    window.exec_button()->click();
    QVERIFY(finished.wait(10000));
    QVERIFY(!tab->running() && tab->method_box()->isEnabled());
    QCOMPARE(window.exec_button()->text(), QStringLiteral("Start(&E)"));
    QVERIFY2(messages.texts->isEmpty(), qPrintable(messages.texts->join(QLatin1Char('|'))));
    QVERIFY(
        tab->counter_box()->toPlainText().contains(QStringLiteral("Fail Command=0\nFail Data=0")));
    QCOMPARE(tab->last_lba_box()->text(), QStringLiteral("332999"));
    QCOMPARE(tab->range_bar()->view().bar().maximum, 332999);
    QCOMPARE(tab->range_bar()->view().bar().second, 300000);
    QFile log(b.dir.filePath(QStringLiteral("log.htm")));
    QVERIFY(log.open(QIODevice::ReadOnly) && log.readAll().contains("Canceled\n"));
    window.exec_button()->click();
    QVERIFY(!window.close());
    QVERIFY(tab->running());
    QVERIFY(finished.wait(10000));
    QVERIFY(window.close());
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::AgingTabTest)
#include "aging_tab_test.moc"
