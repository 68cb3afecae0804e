// The Toc tab (views, track tests), the Tools dialog and the reference data dialog on virtual
// drives. What a capture or a check writes and finds is tests/refdata's; here what is shown.
#include <QSpinBox>
#include <filesystem>

#include "app/window_bench.h"
#include "temp_dir.h"

namespace tamarack::app {

namespace {

// A window on the virtual drive `id`, with a settings file holding `settings` when given.
struct Bench : testing::WindowBench {
  explicit Bench(std::vector<std::string> ids, const std::string& settings = {})
      : WindowBench(std::move(ids), testing::kOpenLater) {
    if (!settings.empty()) Settings(settings);
    Open(kTabToc);
    toc = qobject_cast<TocTab*>(window->tabs()->widget(kTabToc));
  }
  QPushButton* ToolButton() const {
    return window->findChild<QPushButton*>(QStringLiteral("toolButton"));
  }
  ToolsDialog* Tools() const { return window->findChild<ToolsDialog*>(); }
  QTreeWidgetItem* Row(int i) const { return toc->toc_list()->topLevelItem(i); }
  QStringList MessageTexts() const {
    QStringList texts;
    for (QMessageBox* box : window->findChildren<QMessageBox*>(QStringLiteral("jobMessage"))) {
      texts << box->text();
    }
    return texts;
  }
  TocTab* toc = nullptr;
};

namespace fs = std::filesystem;

// A virtual drive of a 400-block image labelled TESTDISC in a temporary folder, opened as the
// main window opens drives; `Open()` opens the dialog once the drives' names have come.
struct Reference : testing::SessionBench {
  Reference() {
    for (std::size_t i = 0; i < image.size(); ++i)
      image[i] = static_cast<std::uint8_t>(i * 13 + i / 2048);
    const std::string pvd =
        std::string("\x01") + "CD001" + std::string(34, '\0') + "TESTDISC" + std::string(24, ' ');
    std::copy(pvd.begin(), pvd.end(), image.begin() + 16 * 2048);
    dir.Write("disc.iso", image);
    id = "emu:" + dir.File("disc.iso") + "?speed=max";
    opened = session.Open(id);
    settings.program_folder = dir.path();
    settings.drive_ids = {"emu:type13", id};
  }
  ReferenceDataDialog& Open() {
    dialog = std::make_unique<ReferenceDataDialog>(session, runner, &drives, settings);
    dialog->dialog_hook = answers;
    QSignalSpy info(dialog.get(), &ReferenceDataDialog::DriveInfoArrived);
    if (!QTest::qWaitFor([&info] { return info.count() >= 2; }, kSettleMs))
      qWarning("no drive info");
    return *dialog;
  }
  // The dialog's fields and lists, the bench's folder as DIR (its run controls are checked
  // while a run goes).
  void Shot(const QString& step) {
    const ReferenceDataDialog& d = *dialog;
    t.Step(step)("asked", *answers.asked)("messages", *answers.texts);
    t("status", d.status_label()->text())("file name", d.file_name_field()->text());
    t("check file", Rel(d.check_file_field()->text()))("folder", Rel(d.folder_field()->text()));
    t("check list", Names(d.check_list()))("select list", Names(d.select_list()));
    answers.asked->clear();
    answers.texts->clear();
  }
  QString Rel(QString s) const {
    return s.replace(QString::fromStdString(dir.path()), QStringLiteral("DIR"));
  }
  // A list's names (column 0).
  static QStringList Names(QTreeWidget* list) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(0);
    return out;
  }
  bool RunAndWait() {
    QSignalSpy spy(dialog.get(), &ReferenceDataDialog::JobFinished);
    dialog->StartJob();
    return dialog->job_running() && spy.wait(kSettleMs);
  }
  tamarack::testing::TempDir dir{"tamarack-refdialog-"};
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(400 * 2048);
  std::string id;
  ReferenceDialogSettings settings;
  // Questions answered OK (or Cancel), the continue dialog "continue without asking"; other
  // messages recorded and closed.
  struct Answers : testing::Messages {
    void operator()(QDialog* d) {
      auto* box = qobject_cast<QMessageBox*>(d);
      if (auto* c = qobject_cast<ContinueDialog*>(d)) {
        asked->append(c->text_label()->text());
        c->skip_button()->click();
      } else if (box && box->icon() == QMessageBox::Question) {
        asked->append(box->text());
        box->button(*ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
      } else {
        Messages::operator()(d);
      }
    }
    std::shared_ptr<bool> ok = std::make_shared<bool>(true);
    std::shared_ptr<QStringList> asked = std::make_shared<QStringList>();
  } answers;
  testing::Transcript t;
  std::unique_ptr<ReferenceDataDialog> dialog;
};

}  // namespace

class ToolsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Exec fills the track view; the full view's check box rebuilds the columns and empties the
  // list, Exec fills it and a click on a row explains it; without a disc only the columns stay.
  // (The rows and their explanations are tests/decode's TocRead and TocTabExplain.)
  void TrackAndFullViewsAndTheRowExplanation() {
    Bench b({"emu:multisession?speed=max", "emu:audio?speed=max&nomedium"});
    QVERIFY(b.toc);
    b.window->exec_button()->click();
    QCOMPARE(b.toc->toc_list()->topLevelItemCount(), 5);
    QCOMPARE(b.toc->toc_list()->headerItem()->text(0), QStringLiteral("Track No."));
    b.toc->full_toc_box()->click();
    QCOMPARE(b.toc->toc_list()->topLevelItemCount(), 0);
    QCOMPARE(b.toc->toc_list()->headerItem()->text(0), QStringLiteral("Sess"));
    b.window->exec_button()->click();
    QTreeWidgetItem* b0 = nullptr;
    for (int i = 0; i < b.toc->toc_list()->topLevelItemCount(); ++i) {
      if (b.Row(i)->text(4) == QStringLiteral("b0")) b0 = b.Row(i);
    }
    QVERIFY(b0);
    const QString before = b.toc->text_box()->toPlainText();
    b.toc->toc_list()->itemClicked(b0, 0);
    QVERIFY(b.toc->text_box()->toPlainText() != before);
    b.window->drive_box()->setCurrentIndex(1);
    b.window->exec_button()->click();
    QCOMPARE(b.toc->toc_list()->topLevelItemCount(), 0);
    QCOMPARE(b.toc->toc_list()->headerItem()->text(0), QStringLiteral("Sess"));
  }

  // Each track test from its button: Exec cancels it while it runs, its lines (the newest
  // selected) and its closing message; the next one clears the list first; a slow one cancelled
  // by Exec, then one stopped by Eject, whose message names it. (What each test reads, finds
  // and says is tests/tools' TrackTestJob and the CLI's tools.txt.)
  void TrackTestsFromTheirButtons() {
    Bench b({"emu:type30?speed=max&formless=0", "emu:type13?speed=clv1"});
    QListWidget* list = b.toc->test_results();
    enum Stop { kNoStop, kExec, kEject };
    const auto run = [&](TrackTestKind kind, Stop stop, const char* message) {
      const auto before = b.MessageTexts().size();
      b.toc->track_test_button(kind)->click();
      QVERIFY(b.toc->track_test_running());
      QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Cancel(&E)"));
      QCOMPARE(list->count(), 0);
      if (stop == kExec) b.window->exec_button()->click();
      if (stop == kEject) b.window->eject_button()->click();
      QTRY_VERIFY_WITH_TIMEOUT(!b.toc->track_test_running(), 60000);
      QCOMPARE(b.window->exec_button()->text(), QStringLiteral("Read(&E)"));
      QVERIFY2(b.MessageTexts()
                   .mid(before)
                   .join(QLatin1Char('|'))
                   .startsWith(QString::fromUtf8(message)),
               message);
    };
    run(TrackTestKind::kType30Normal, kNoStop, "Finished");
    QCOMPARE(list->count(), 91);
    QCOMPARE(list->currentRow(), 90);
    b.window->drive_box()->setCurrentIndex(1);
    run(TrackTestKind::kType13, kExec, "Canceled\r\n");
    QVERIFY(list->count() < 3);
    run(TrackTestKind::kType13, kEject, "Canceled [Eject]");
  }

  // The Tools dialog from the tool button: its tab from the settings, the hex input from the
  // main window's box, F3, a conversion shown; the Sub-Q check locks the tabs while it runs;
  // the tool button again closes it and opens it on the same tab. (The conversions and the
  // check's counts are tests/tools'.)
  void ToolsDialogFromTheToolButton() {
    Bench b({"emu:audio?speed=max&qcrc=200-202"}, "ToolLastTab=2\n");
    b.window->command_tab()->hex_input_box()->click();
    b.ToolButton()->click();
    ToolsDialog* d = b.Tools();
    QVERIFY(d && !d->isModal());
    QCOMPARE(d->tabs()->currentIndex(), 2);
    QVERIFY(d->option(kToolLbaToMsf)->isChecked());
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
    QTest::keyClick(d, Qt::Key_F3);
    QCOMPARE(d->tabs()->currentIndex(), 1);
    d->input(kToolLbaToMsf)->setText(QStringLiteral("1c2"));
    d->exec_button(kToolLbaToMsf)->click();
    QCOMPARE(d->result(kToolLbaToMsf)->text(),
             QStringLiteral("450 (01c2h) -> 00 08 00(00h 08h 00h)"));
    QVERIFY(d->sense_list()->topLevelItemCount() > 100);

    d->tabs()->setCurrentIndex(kToolSubQCheck);
    d->exec_button(kToolSubQCheck)->click();
    QVERIFY(d->check_running() && !d->tabs()->tabBar()->isEnabled());
    QCOMPARE(d->exec_button(kToolSubQCheck)->text(), QStringLiteral("ｷｬﾝｾﾙ(&C)"));
    QTRY_VERIFY_WITH_TIMEOUT(!d->check_running(), 60000);
    QVERIFY(d->tabs()->tabBar()->isEnabled());
    QVERIFY(d->result(kToolSubQCheck)
                ->text()
                .startsWith(QStringLiteral("Total Subq=30600 CRC error=3")));
    QVERIFY(d->findChild<QMessageBox*>()->text().startsWith(QStringLiteral("終了しました")));

    QPointer<ToolsDialog> old = d;
    b.ToolButton()->click();
    QVERIFY(old.isNull());
    QCOMPARE(b.window->settings().tool_last_tab, 3);
    QCOMPARE(b.Tools()->tabs()->currentIndex(), 3);
  }

  // Two messages of one job ("Toc Information Ng", then "Finished") never lie on each other:
  // the second opens when the first is closed; one answered before its turn never opens.
  void AJobsSecondMessageWaitsForTheFirst() {
    QWidget parent;
    parent.show();
    QMessageBox* first =
        ShowJobMessage(&parent, MessageIcon::kQuestion, QStringLiteral("Toc Information Ng"));
    QMessageBox* second =
        ShowJobMessage(&parent, MessageIcon::kInformation, QStringLiteral("Finished"));
    QMessageBox* third = ShowJobMessage(&parent, MessageIcon::kInformation, QStringLiteral("3"));
    QVERIFY(first->isVisible());
    QVERIFY(!second->isVisible());
    third->button(QMessageBox::Ok)->click();  // answered early
    first->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(second->isVisible());
    QPointer<QMessageBox> gone = third;
    second->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(gone.isNull());
  }

  // Where a modeless dialog opens: beside the window where the screen has room, over the
  // window's edge where it has none, always wholly inside the available area. Each line of
  // dialog_places.txt: the dialog's size, the window's and the available area's rectangles
  // (left, top, size) and where the dialog goes.
  void PlacesADialogBesideTheWindowOnItsScreen_data() {
    QTest::addColumn<QSize>("dialog");
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("at");
    const QString file =
        QString::fromStdString(tamarack::testing::ReadGoldenFile("dialog_places.txt", "app"));
    for (const QString& line : file.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      QList<int> n;
      for (const auto& number : QRegularExpression(QStringLiteral("-?\\d+"))
                                    .globalMatch(line.section(QStringLiteral(": "), 1)))
        n << number.captured().toInt();
      QVERIFY2(n.size() == 12, qPrintable(line));
      QTest::newRow(qPrintable(line.section(QStringLiteral(": "), 0, 0)))
          << QSize(n[0], n[1]) << QRect(n[2], n[3], n[4], n[5]) << QRect(n[6], n[7], n[8], n[9])
          << QPoint(n[10], n[11]);
    }
  }
  void PlacesADialogBesideTheWindowOnItsScreen() {
    QFETCH(QSize, dialog);
    QFETCH(QRect, window);
    QFETCH(QRect, available);
    QFETCH(QPoint, at);
    QCOMPARE(PlaceBesideWindow(dialog, window, available), at);
    QVERIFY(available.contains(QRect(at, dialog)) || dialog.width() > available.width());
  }

  // "Tool" on the small offscreen screen, the window at the minimum size near its right edge,
  // then maximised: the dialog lies wholly on the screen both times.
  void ToolsDialogOpensOnTheWindowsScreen() {
    Bench b({"emu:type13?speed=max"});
    const QRect screen = b.window->screen()->availableGeometry();
    b.window->setGeometry(40, 0, 750, 600);
    QVERIFY(b.Show());
    b.ToolButton()->click();
    QVERIFY(b.Tools());
    QVERIFY2(screen.width() < b.window->width() + b.Tools()->width(), "the screen is too big");
    QVERIFY(screen.contains(b.Tools()->frameGeometry()));
    b.window->showMaximized();
    QTRY_COMPARE(b.window->frameGeometry(), screen);
    b.ToolButton()->click();
    QVERIFY(screen.contains(b.Tools()->frameGeometry()));
    // Over the maximised window it leaves the tool row and the Exec button in view.
    const QWidget* exec = b.window->exec_button();
    QVERIFY(b.Tools()->frameGeometry().top() >= exec->mapToGlobal(QPoint(0, exec->height())).y() ||
            b.Tools()->frameGeometry().bottom() == screen.bottom());
  }

  // Opened on the image's drive with a folder and a file that are gone: the label's name in
  // the program's folder; another drive: its name (the built-in disc has no label). A range
  // given the wrong way round is captured and checked, both range questions asked; two
  // differences planted are found by page "Check", the first asked about, "continue without
  // asking" passing the second, a third in a block the file's unread list names not checked;
  // OK stores the file and the page: reference_dialog.txt.
  void OpensCapturesChecksAndStores() {
    Reference b;
    QVERIFY(b.opened);
    b.settings.data_folder = "/no/such/folder";
    b.settings.data_file = "/no/such/file.dat";
    b.settings.start_lba = 300;
    b.settings.end_lba = 20;
    ReferenceDataDialog& dialog = b.Open();
    b.t("drive", dialog.drive_box()->currentIndex())("first", dialog.drive_box()->itemText(0));
    b.Shot(QStringLiteral("opened"));
    dialog.drive_box()->setCurrentIndex(0);
    QTRY_COMPARE(dialog.file_name_field()->text(), QStringLiteral("NewName.dat"));
    dialog.drive_box()->setCurrentIndex(1);
    QTRY_COMPARE(dialog.file_name_field()->text(), QStringLiteral("TESTDISC.dat"));
    dialog.check_after_box()->setChecked(true);
    QVERIFY(b.RunAndWait());
    b.Shot(QStringLiteral("captured and checked"));

    std::vector<std::uint8_t> changed = b.dir.Read("TESTDISC.dat");
    for (std::size_t block : {30u, 100u, 200u}) changed[block * 2048] ^= 1;
    b.dir.Write("TESTDISC.dat", changed);
    b.dir.Write("TESTDISC.dat.unread", std::string("220-220\n"));
    dialog.SetPage(kPageCheck);
    QVERIFY(b.RunAndWait());
    b.Shot(QStringLiteral("checked with three differences, one unread"));
    dialog.ok_button()->click();
    b.t.Step("OK")("accepted", dialog.result() == QDialog::Accepted);
    b.t("stored file", dialog.settings().data_file == b.dir.File("TESTDISC.dat"));
    b.t("stored page", dialog.settings().page);
    b.t("status line", b.Rel(QString::fromStdString(b.status.status_line.Get())));
    b.t.Expect("reference_dialog.txt");
  }

  // Cancel while a whole disc is read stops the run and keeps the dialog; the partial file goes.
  void CancelWhileRunningOnlyStops() {
    Reference b;
    b.session.Open("emu:type13?speed=cav4");
    ReferenceDataDialog& dialog = b.Open();
    QCOMPARE(dialog.drive_box()->currentData().toString(), QStringLiteral("emu:type13?speed=cav4"));
    QSignalSpy done(&dialog, &ReferenceDataDialog::JobFinished);
    QSignalSpy closed(&dialog, &QDialog::finished);
    dialog.StartJob();
    QVERIFY(dialog.stop_button()->isEnabled() && !dialog.tab_bar()->isEnabled());
    dialog.cancel_button()->click();
    QVERIFY(done.wait(kSettleMs));
    QCOMPARE(closed.count(), 0);
    QVERIFY2(b.answers.texts->value(0).startsWith(QStringLiteral("読み込みをｷｬﾝｾﾙしました")),
             qPrintable(b.answers.texts->join(QStringLiteral("|"))));
    QVERIFY(!fs::exists(dialog.check_file_field()->text().toStdString()));
  }

  // The EDC and retries boxes reach the capture: a block the drive returns changed with good
  // status is an EDC failure, and at 0 retries none of a failed command's 16 blocks is read
  // again (what the capture finds at each setting is tests/refdata's ReferenceRetryTest and
  // fault matrix).
  void TheEdcAndRetriesBoxesReachTheCapture() {
    Reference b;
    QVERIFY(b.session.Open(b.id + "&corrupt=25&bad=100"));
    ReferenceDataDialog& dialog = b.Open();
    QCOMPARE(dialog.retries_box()->value(), 1);
    dialog.verify_edc_box()->setChecked(true);
    dialog.retries_box()->setValue(0);
    QVERIFY(b.RunAndWait());
    const QString messages = b.answers.texts->join(QStringLiteral("|"));
    QVERIFY2(messages.contains(QStringLiteral("失敗 16, EDC ｴﾗｰ 1 (25)")), qPrintable(messages));
  }

  // The file list (its columns, sizes and sorting are tests/refdata's FileListTest), a file chosen,
  // a delete refused then done, the pages' controls, Cancel keeping the stored file:
  // reference_lists.txt.
  void ListsSortChooseDeleteAndPages() {
    Reference b;
    b.dir.Write("small.dat", std::vector<std::uint8_t>(1023));
    b.dir.Write("big.dat", std::vector<std::uint8_t>(4096));
    b.dir.Write("kb.dat", std::vector<std::uint8_t>(1024));
    b.settings.data_file = b.dir.File("kb.dat");
    b.settings.page = kPageSelectFile;
    ReferenceDataDialog& dialog = b.Open();
    dialog.show();
    QTreeWidget* list = dialog.select_list();
    b.t("current", list->currentItem()->text(0))("names", Reference::Names(list));
    b.t("hidden columns", list->isColumnHidden(3) && list->isColumnHidden(4));
    dialog.ChooseEntry(QStringLiteral("big.dat"));
    b.Shot(QStringLiteral("big.dat chosen"));
    for (bool ok : {false, true}) {
      *b.answers.ok = ok;
      dialog.DeleteEntry(QStringLiteral("small.dat"));
      b.Shot(ok ? QStringLiteral("deleted") : QStringLiteral("delete refused"));
      b.t("small.dat", fs::exists(b.dir.File("small.dat")));
    }
    for (int page = 0; page < 3; ++page) {
      dialog.SetPage(page);
      b.t.Step(QStringLiteral("page %1").arg(page))("drive", dialog.drive_box()->isVisible());
      b.t("start", dialog.start_button()->isVisible());
      b.t("folder", dialog.folder_field()->isVisible());
      b.t("check file", dialog.check_file_field()->isVisible());
      b.t("check list", dialog.check_list()->isVisible());
      b.t("select list", dialog.select_list()->isVisible());
    }
    dialog.SetPage(kPageCheck);
    dialog.cancel_button()->click();
    b.t.Step("Cancel")("rejected", dialog.result() == QDialog::Rejected);
    b.t("stored file kept", dialog.settings().data_file == b.settings.data_file);
    b.t.Expect("reference_lists.txt");
  }

  void NotOpenedWhileAJobRuns() {
    Reference b;
    b.session.Open("emu:type13?speed=cav4");
    auto job =
        std::make_shared<CaptureJob>(ReferenceRequest{0, 0, b.dir.File("x.dat"), false}, false);
    JobHost host;
    QCOMPARE(b.runner.Start(job, host), StartResult::kStarted);
    QVERIFY(!ReferenceDataDialog::Open(b.session, b.runner, &b.drives, &b.settings));
    b.runner.Wait();
    QCOMPARE(job->result().end, ReferenceEnd::kStopped);
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::ToolsWindowTest)
#include "tools_window_test.moc"
