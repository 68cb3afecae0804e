#include "app/main_window.h"

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

  void TheStatusLineMayBeWrittenFromAWorkerThread() {
    DriveDirectory drives;
    MainWindow w(&drives);
    std::thread worker([&w] { w.session().status_line.Set("Command Rejected!"); });
    worker.join();
    QTRY_COMPARE(w.status_label()->text(), QStringLiteral("Command Rejected!"));
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::MainWindowTest)
#include "main_window_test.moc"
