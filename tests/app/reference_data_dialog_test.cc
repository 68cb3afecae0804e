// The reference data dialog on its own, against virtual drives on the offscreen platform: the
// opening, a capture with its check, the questions and the continue dialog, the file lists.
#include <filesystem>

#include "app/window_bench.h"
#include "temp_dir.h"

namespace tamarack::app {

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Iso(std::size_t blocks, const std::string& label) {
  std::vector<std::uint8_t> out(blocks * 2048);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<std::uint8_t>(i * 13 + i / 2048);
  const std::string head =
      "\x01"
      "CD001";
  std::copy(head.begin(), head.end(), out.begin() + 16 * 2048);
  std::fill(out.begin() + 16 * 2048 + 40, out.begin() + 16 * 2048 + 72, ' ');
  std::copy(label.begin(), label.end(), out.begin() + 16 * 2048 + 40);
  return out;
}

// A virtual drive of an image in a temporary folder, opened as the main window opens drives.
struct Bench {
  Bench() {
    dir.Write("disc.iso", image);
    id = "emu:" + dir.File("disc.iso") + "?speed=max";
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock));
    opened = session.Open(id);
    settings.program_folder = dir.path();
    settings.drive_ids = {"emu:type13", id};
  }
  QString Path(const char* name) const { return QString::fromStdString(dir.File(name)); }
  tamarack::testing::TempDir dir{"tamarack-refdialog-"};
  std::vector<std::uint8_t> image = Iso(400, "TESTDISC");
  std::string id;
  SimulatedClock clock;
  DriveDirectory drives;
  DeviceSession session{&drives, BuiltInSenseTable()};
  JobRunner runner{session, clock};
  ReferenceDialogSettings settings;
  bool opened = false;
};

// Answers the dialog's own dialogs: questions with OK (or Cancel), the continue dialog with
// "continue without asking"; messages are recorded and closed.
struct Answers {
  void operator()(QDialog* d) {
    if (auto* c = qobject_cast<ContinueDialog*>(d)) {
      asked->append(c->text_label()->text());
      c->skip_button()->click();
    } else if (auto* box = qobject_cast<QMessageBox*>(d)) {
      if (box->icon() == QMessageBox::Question) {
        asked->append(box->text());
        box->button(*ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
      } else {
        messages->append(box->text());
        box->close();
      }
    }
  }
  std::shared_ptr<bool> ok = std::make_shared<bool>(true);
  std::shared_ptr<QStringList> asked = std::make_shared<QStringList>();
  std::shared_ptr<QStringList> messages = std::make_shared<QStringList>();
};

bool RunAndWait(ReferenceDataDialog& dialog) {
  QSignalSpy spy(&dialog, &ReferenceDataDialog::JobFinished);
  dialog.StartJob();
  return dialog.job_running() && spy.wait(20000);
}

QStringList Names(QTreeWidget* list) {
  QStringList out;
  for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(0);
  return out;
}

}  // namespace

class ReferenceDataDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void OpensWithTheLabelsNameAndTheDrivesNames() {
    Bench b;
    QVERIFY(b.opened);
    b.settings.data_folder = "/no/such/folder";
    b.settings.data_file = "/no/such/file.dat";
    ReferenceDataDialog dialog(b.session, b.runner, &b.drives, b.settings);
    QSignalSpy info(&dialog, &ReferenceDataDialog::DriveInfoArrived);
    QTRY_VERIFY_WITH_TIMEOUT(info.count() >= 2, 10000);
    QCOMPARE(dialog.folder_field()->text(), QString::fromStdString(b.dir.path()));
    QCOMPARE(dialog.file_name_field()->text(), QStringLiteral("TESTDISC.dat"));
    // No data file yet: the check file field proposes the new one.
    QCOMPARE(dialog.check_file_field()->text(), b.Path("TESTDISC.dat"));
    QCOMPARE(dialog.drive_box()->currentIndex(), 1);
    QVERIFY(dialog.drive_box()->itemText(0).startsWith(QStringLiteral("emu:type13  KESTREL")));
    QVERIFY(!dialog.stop_button()->isEnabled());
    QVERIFY(dialog.progress_bar()->isHidden());
    // Another drive: its own label (the built-in disc has none).
    dialog.drive_box()->setCurrentIndex(0);
    QTRY_COMPARE_WITH_TIMEOUT(dialog.file_name_field()->text(), QStringLiteral("NewName.dat"),
                              10000);
  }

  void CaptureWithCheckThenCheckPageFindsTheDifferences() {
    Bench b;
    b.settings.start_lba = 300;  // the opener's range, in either order
    b.settings.end_lba = 20;
    ReferenceDataDialog dialog(b.session, b.runner, &b.drives, b.settings);
    Answers answers;
    dialog.dialog_hook = answers;
    QSignalSpy info(&dialog, &ReferenceDataDialog::DriveInfoArrived);
    QTRY_VERIFY_WITH_TIMEOUT(info.count() >= 2, 10000);
    dialog.check_after_box()->setChecked(true);
    QVERIFY(RunAndWait(dialog));
    QCOMPARE(*answers.asked,
             (QStringList{QStringLiteral("開始LBA(20) が 0 でないですが、いいですか?"),
                          QStringLiteral("終了LBA(300) が最終LBAでないですが、いいですか?")}));
    QCOMPARE(*answers.messages, QStringList{QStringLiteral("読み込みが完了しました")});
    const QString file = b.Path("TESTDISC.dat");
    QCOMPARE(b.dir.Read("TESTDISC.dat"),
             std::vector<std::uint8_t>(b.image.begin() + 20 * 2048, b.image.begin() + 301 * 2048));
    QCOMPARE(dialog.check_file_field()->text(), file);
    QCOMPARE(dialog.status_label()->text(), QStringLiteral("全てのﾃﾞｰﾀが一致しました"));
    QVERIFY(dialog.start_button()->isEnabled() && !dialog.stop_button()->isEnabled());
    QVERIFY(dialog.tab_bar()->isEnabled());
    QVERIFY(dialog.progress_bar()->isHidden());
    QCOMPARE(Names(dialog.check_list()), QStringList{QStringLiteral("TESTDISC.dat")});

    // Two differences on page "Check": the first asks, "continue without asking" passes the
    // second; a third lies in a block the file's list says the capture could not read.
    std::vector<std::uint8_t> changed = b.dir.Read("TESTDISC.dat");
    changed[30 * 2048] ^= 1;
    changed[100 * 2048] ^= 1;
    changed[200 * 2048] ^= 1;
    b.dir.Write("TESTDISC.dat", changed);
    b.dir.Write("TESTDISC.dat.unread", std::string("220-220\n"));
    dialog.SetPage(kPageCheck);
    answers.asked->clear();
    answers.messages->clear();
    QVERIFY(RunAndWait(dialog));
    QCOMPARE(answers.asked->size(), 3);  // the two range questions and one difference
    QCOMPARE(answers.asked->at(2),
             QStringLiteral("ﾃﾞｰﾀの差異を検出しました(LBA=50)\nﾁｪｯｸを継続しますか?"));
    QCOMPARE(*answers.messages,
             QStringList{QStringLiteral("ﾃﾞｰﾀﾁｪｯｸが終了しました(2件 の差異を検出)\r\n"
                                        "読めなかったﾌﾞﾛｯｸ 1 個はﾁｪｯｸしていません")});
    QCOMPARE(dialog.status_label()->text(),
             QStringLiteral("2 件の不一致を検出しました(1 ﾌﾞﾛｯｸはﾁｪｯｸしていません)"));

    // OK stores the folder and the file; the status line shows the file.
    dialog.ok_button()->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.settings().data_file, file.toStdString());
    QCOMPARE(dialog.settings().page, int(kPageCheck));
    QCOMPARE(b.session.status_line.Get(), file.toStdString());
  }

  void StopAndCancelWhileRunningOnlyStop() {
    Bench b;
    b.session.Open("emu:type13?speed=cav4");  // a whole disc: still running when cancelled
    ReferenceDataDialog dialog(b.session, b.runner, &b.drives, b.settings);
    Answers answers;
    dialog.dialog_hook = answers;
    QSignalSpy info(&dialog, &ReferenceDataDialog::DriveInfoArrived);
    QTRY_VERIFY_WITH_TIMEOUT(info.count() >= 2, 10000);
    QCOMPARE(dialog.drive_box()->currentData().toString(), QStringLiteral("emu:type13?speed=cav4"));
    QSignalSpy done(&dialog, &ReferenceDataDialog::JobFinished);
    QSignalSpy closed(&dialog, &QDialog::finished);
    dialog.StartJob();
    QVERIFY(dialog.job_running());
    QVERIFY(dialog.stop_button()->isEnabled() && !dialog.tab_bar()->isEnabled());
    dialog.cancel_button()->click();  // stops the job, keeps the dialog
    QVERIFY(done.wait(20000));
    QCOMPARE(closed.count(), 0);
    QVERIFY2(answers.messages->value(0).startsWith(QStringLiteral("読み込みをｷｬﾝｾﾙしました")),
             qPrintable(answers.messages->join(QStringLiteral("|"))));
    QVERIFY(!fs::exists(dialog.check_file_field()->text().toStdString()));
  }

  void ListsSortChooseAndDelete() {
    Bench b;
    b.dir.Write("small.dat", std::vector<std::uint8_t>(1023));
    b.dir.Write("big.dat", std::vector<std::uint8_t>(4096));
    b.dir.Write("kb.dat", std::vector<std::uint8_t>(1024));
    b.settings.data_file = b.dir.File("kb.dat");
    b.settings.page = kPageSelectFile;
    ReferenceDataDialog dialog(b.session, b.runner, &b.drives, b.settings);
    Answers answers;
    dialog.dialog_hook = answers;
    QTreeWidget* list = dialog.select_list();
    QCOMPARE(Names(list), (QStringList{QStringLiteral("big.dat"), QStringLiteral("kb.dat"),
                                       QStringLiteral("small.dat")}));
    QCOMPARE(list->currentItem()->text(0), QStringLiteral("kb.dat"));
    QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("1023 B"));
    QVERIFY(list->isColumnHidden(3) && list->isColumnHidden(4));
    list->header()->sectionClicked(2);  // size, descending first
    QCOMPARE(Names(list), (QStringList{QStringLiteral("big.dat"), QStringLiteral("kb.dat"),
                                       QStringLiteral("small.dat")}));
    list->header()->sectionClicked(2);
    QCOMPARE(Names(list).front(), QStringLiteral("small.dat"));

    dialog.ChooseEntry(QStringLiteral("big.dat"));
    QCOMPARE(dialog.check_file_field()->text(), b.Path("big.dat"));
    *answers.ok = false;
    dialog.DeleteEntry(QStringLiteral("small.dat"));
    QVERIFY(fs::exists(b.dir.File("small.dat")));
    QCOMPARE(list->topLevelItemCount(), 3);
    *answers.ok = true;
    dialog.DeleteEntry(QStringLiteral("small.dat"));
    QCOMPARE(*answers.asked, (QStringList(2, QStringLiteral("このファイルを削除しますか?"))));
    QVERIFY(!fs::exists(b.dir.File("small.dat")));
    QCOMPARE(Names(dialog.check_list()).size(), 2);

    // Cancel keeps the stored settings but the page.
    dialog.SetPage(kPageCheck);
    dialog.cancel_button()->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.settings().data_file, b.settings.data_file);
  }

  void NotOpenedWhileAJobRuns() {
    Bench b;
    b.session.Open("emu:type13?speed=cav4");
    auto job =
        std::make_shared<CaptureJob>(ReferenceRequest{0, 0, b.dir.File("x.dat"), false}, false);
    JobHost host;
    QCOMPARE(b.runner.Start(job, host), StartResult::kStarted);
    QVERIFY(!ReferenceDataDialog::Open(b.session, b.runner, &b.drives, &b.settings));
    b.runner.Wait();
    QCOMPARE(job->result().end, ReferenceEnd::kStopped);
  }

  void PagesShowTheirControls() {
    Bench b;
    b.dir.Write("TESTDISC.dat", std::vector<std::uint8_t>(81920));
    ReferenceDataDialog dialog(b.session, b.runner, &b.drives, b.settings);
    QSignalSpy info(&dialog, &ReferenceDataDialog::DriveInfoArrived);
    QTRY_VERIFY_WITH_TIMEOUT(info.count() >= 2, 10000);
    dialog.show();
    for (int page = 0; page < 3; ++page) {
      dialog.SetPage(page);
      QCOMPARE(dialog.drive_box()->isVisible(), page != kPageSelectFile);
      QCOMPARE(dialog.start_button()->isVisible(), page != kPageSelectFile);
      QCOMPARE(dialog.folder_field()->isVisible(), page == kPageReadAndCheck);
      QCOMPARE(dialog.check_file_field()->isVisible(), page != kPageReadAndCheck);
      QCOMPARE(dialog.check_list()->isVisible(), page == kPageCheck);
      QCOMPARE(dialog.select_list()->isVisible(), page == kPageSelectFile);
      // The proposed file (the label's, taken) is the check file: its folder is listed.
      QCOMPARE(Names(dialog.check_list()), QStringList{QStringLiteral("TESTDISC.dat")});
    }
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::ReferenceDataDialogTest)
#include "reference_data_dialog_test.moc"
