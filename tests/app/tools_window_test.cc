// The track test buttons of the Toc tab and the Tools dialog, in the whole window against the
// virtual drives on the offscreen platform.
#include "app/window_bench.h"

namespace tamarack::app {

namespace {

struct Bench {
  explicit Bench(const std::string& id, const QByteArray& settings = {}) {
    drives.AddProvider(
        std::make_unique<emu::VirtualDriveProvider>(RealClock(), std::vector<std::string>{id}));
    WindowConfig config;
    if (!settings.isEmpty()) {
      config.settings_path = (dir.path() + QStringLiteral("/IniFile.txt")).toStdString();
      QFile f(QString::fromStdString(config.settings_path));
      if (f.open(QIODevice::WriteOnly)) f.write(settings);
    }
    window = std::make_unique<MainWindow>(&drives, config);
    toc = qobject_cast<TocTab*>(window->tabs()->widget(kTabToc));
  }
  QPushButton* ToolButton() const {
    return window->findChild<QPushButton*>(QStringLiteral("toolButton"));
  }
  ToolsDialog* Tools() const { return window->findChild<ToolsDialog*>(); }
  QStringList MessageTexts() const {
    QStringList texts;
    for (QMessageBox* box : window->findChildren<QMessageBox*>(QStringLiteral("jobMessage"))) {
      texts << box->text();
    }
    return texts;
  }
  QTemporaryDir dir;
  DriveDirectory drives;
  std::unique_ptr<MainWindow> window;
  TocTab* toc = nullptr;
};

}  // namespace

class ToolsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void TrackTestFromItsButton() {
    Bench b("emu:type30?speed=max&formless=0");
    QVERIFY(b.toc);
    b.window->tabs()->setCurrentIndex(kTabToc);
    QPushButton* button = b.toc->track_test_button(TrackTestKind::kType30Normal);
    button->click();
    QVERIFY(b.toc->track_test_running());
    QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Cancel(&E)"));
    QTRY_VERIFY(!b.toc->track_test_running());
    QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Read(&E)"));
    QListWidget* list = b.toc->test_results();
    QCOMPARE(list->count(), 91);
    QCOMPARE(list->currentRow(), 90);  // the newest line stays selected
    QVERIFY(list->item(1)->text().startsWith(QStringLiteral("***Track  1 Ng User Data")));
    QCOMPARE(b.MessageTexts(), QStringList{QStringLiteral("Finished")});
    // The next test clears the list first; this disc is not its test disc.
    b.toc->track_test_button(TrackTestKind::kType13)->click();
    QCOMPARE(list->count(), 0);
    QTRY_VERIFY(!b.toc->track_test_running());
    QCOMPARE(list->count(), 0);
    QVERIFY(b.MessageTexts().contains(QStringLiteral("Toc Information Ng")));
  }

  void ExecCancelsARunningTest() {
    Bench b("emu:type13?speed=clv1");  // slow enough to be caught running
    b.window->tabs()->setCurrentIndex(kTabToc);
    b.toc->track_test_button(TrackTestKind::kType13)->click();
    QVERIFY(b.toc->track_test_running());
    b.window->exec_button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!b.toc->track_test_running(), 20000);
    QCOMPARE(b.MessageTexts(), QStringList{QStringLiteral("Canceled")});
    QVERIFY(b.toc->test_results()->count() < 3);
  }

  void ToolsDialogFromTheToolButton() {
    Bench b("emu:audio?speed=max&qcrc=200-202", "ToolLastTab=2\n");
    b.window->command_tab()->hex_input_box()->click();
    b.ToolButton()->click();
    ToolsDialog* d = b.Tools();
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QStringLiteral("ツール"));
    QVERIFY(!d->isModal());
    QCOMPARE(d->tabs()->count(), 5);
    QCOMPARE(d->tabs()->tabText(3), QStringLiteral("SubQのﾁｪｯｸ(F5)"));
    QCOMPARE(d->tabs()->currentIndex(), static_cast<int>(kToolSubQCrc));
    QVERIFY(d->option(kToolLbaToMsf)->isChecked());  // from the main window's hex box
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
    QTest::keyClick(d, Qt::Key_F3);
    QCOMPARE(d->tabs()->currentIndex(), static_cast<int>(kToolMsfToLba));

    d->input(kToolLbaToMsf)->setText(QStringLiteral("1c2"));
    d->exec_button(kToolLbaToMsf)->click();
    QCOMPARE(d->result(kToolLbaToMsf)->text(),
             QStringLiteral("450 (01c2h) -> 00 08 00(00h 08h 00h)"));
    d->input(kToolMsfToLba)->setText(QStringLiteral("000174"));
    d->option(kToolMsfToLba)->setChecked(true);
    d->exec_button(kToolMsfToLba)->click();
    QCOMPARE(d->result(kToolMsfToLba)->text(), QStringLiteral("Error!"));
    QVERIFY(d->hint(kToolMsfToLba)->text().startsWith(QStringLiteral("BCDがｵﾝの場合は 223344")));
    QVERIFY(d->sense_list()->topLevelItemCount() > 100);

    // The help opens the guide's section of the tool, which the guide has.
    QUrl opened;
    d->open_url = [&opened](const QUrl& url) { opened = url; };
    d->help_button(kToolSubQCheck)->click();
    QCOMPARE(opened.fragment(), QStringLiteral("sub-q-check"));
    QFile guide(opened.toLocalFile());
    QVERIFY(guide.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(guide.readAll()).contains(QStringLiteral("\n## Sub-Q check\n")));

    // The disc check: the tab strip is locked and the button cancels while it runs.
    d->tabs()->setCurrentIndex(kToolSubQCheck);
    d->exec_button(kToolSubQCheck)->click();
    QVERIFY(d->check_running());
    QCOMPARE(d->exec_button(kToolSubQCheck)->text(), QStringLiteral("ｷｬﾝｾﾙ(&C)"));
    QVERIFY(!d->tabs()->tabBar()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!d->check_running(), 20000);
    QVERIFY(d->tabs()->tabBar()->isEnabled());
    QVERIFY(d->progress()->isHidden());
    QVERIFY(d->result(kToolSubQCheck)
                ->text()
                .startsWith(QStringLiteral("Total Subq=30600 CRC error=3\nDigital copy ok=")));
    QCOMPARE(d->copy_line()->text(), QStringLiteral("ﾃﾞｼﾞﾀﾙｺﾋﾟｰ許可ﾋﾞｯﾄ：ｵﾌ(著作権あり)"));
    QVERIFY(d->findChild<QMessageBox*>()->text() == QStringLiteral("終了しました"));
    QDialog* format = d->ShowSubQFormat();
    QCOMPARE(format->windowTitle(), QStringLiteral("Sub-Q Information"));

    // Tool again: the open dialog goes, its tab is kept, a new one opens on it.
    QPointer<ToolsDialog> old = d;
    b.ToolButton()->click();
    QVERIFY(old.isNull());
    QCOMPARE(b.window->settings().tool_last_tab, static_cast<int>(kToolSubQCheck));
    QCOMPARE(b.Tools()->tabs()->currentIndex(), static_cast<int>(kToolSubQCheck));
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::ToolsWindowTest)
#include "tools_window_test.moc"
