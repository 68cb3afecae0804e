#include "app/main_window.h"

#include "app/window_post.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QtTest>
#include <thread>

namespace tamarack::app {

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void HasTheTitleTheSevenTabsAndTheirExecCaptions() {
    DriveDirectory drives;
    MainWindow w(&drives);
    QCOMPARE(w.windowTitle(), QStringLiteral("Tamarack"));
    const QStringList labels = {"Sector Dump(&D)", "Toc(&T)",     "Properties(&P)", "Command(&C)",
                                "Aging(&A)",       "Measure(&M)", "Others(&O)"};
    QCOMPARE(w.tabs()->count(), labels.size());
    const QStringList captions = {"Read(&E)",  "Read(&E)",  "Get(&E)", "Send(&E)",
                                  "Start(&E)", "Start(&E)", "None"};
    for (int i = 0; i < labels.size(); ++i) {
      QCOMPARE(w.tabs()->tabText(i), labels[i]);
      w.tabs()->setCurrentIndex(i);
      QCOMPARE(w.exec_button()->text(), captions[i]);
    }
    QVERIFY(w.minimumSize() == QSize(750, 600));
  }

  void AMachineWithoutDrivesHasAnEmptyDriveBoxAndNoDevice() {
    DriveDirectory drives;
    MainWindow w(&drives);
    QCOMPARE(w.drive_box()->count(), 0);
    QVERIFY(!w.session().HasDevice());
  }

  void InstalledTabsKeepTheirLabelsAndExecRunsTheTabsAction() {
    DriveDirectory drives;
    MainWindow w(&drives);
    auto* page = new QLabel(QStringLiteral("page"));
    w.InstallTab(kTabToc, page);
    QCOMPARE(w.tabs()->widget(kTabToc), static_cast<QWidget*>(page));
    QCOMPARE(w.tabs()->tabText(kTabToc), QStringLiteral("Toc(&T)"));
    int runs = 0;
    w.SetExecAction(kTabToc, [&runs] { ++runs; });
    w.tabs()->setCurrentIndex(kTabToc);
    w.exec_button()->click();
    QCOMPARE(runs, 1);
    w.tabs()->setCurrentIndex(kTabOthers);
    w.exec_button()->click();
    QCOMPARE(runs, 1);  // Others has no action
    w.SetExecCaptionOverride(QStringLiteral("Cancel(&E)"));
    QCOMPARE(w.exec_button()->text(), QStringLiteral("Cancel(&E)"));
    w.SetExecCaptionOverride(QString());
    QCOMPARE(w.exec_button()->text(), QStringLiteral("None"));
  }

  void TheStatusLineMayBeWrittenFromAWorkerThread() {
    DriveDirectory drives;
    MainWindow w(&drives);
    std::thread worker([&w] { w.session().status_line.Set("Command Rejected!"); });
    worker.join();
    QTRY_COMPARE(w.status_label()->text(), QStringLiteral("Command Rejected!"));
  }

  void PostsFromAWorkerRunInOrderOnTheWindowThreadUnlessTheirContextIsGone() {
    auto context = std::make_unique<QObject>();
    auto* post = new WindowPost(context.get());
    std::vector<int> ran;
    bool on_window_thread = true;
    std::thread worker([&] {
      for (int i = 0; i < 100; ++i) {
        post->Post([&ran, &on_window_thread, i] {
          on_window_thread = on_window_thread && QThread::currentThread() == qApp->thread();
          ran.push_back(i);
          if (i == 0) QCoreApplication::processEvents();  // a nested loop keeps the order
        });
      }
    });
    worker.join();
    QTRY_COMPARE(ran.size(), 100u);
    for (int i = 0; i < 100; ++i) QCOMPARE(ran[static_cast<std::size_t>(i)], i);
    QVERIFY(on_window_thread);

    post->Post([&ran] { ran.push_back(-1); });
    context.reset();  // the post goes with its context, unrun
    QCoreApplication::processEvents();
    QCOMPARE(ran.size(), 100u);
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::MainWindowTest)
#include "main_window_test.moc"
