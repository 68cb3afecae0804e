#include "app/options_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest/QtTest>

#include "app/disc_icons.h"

namespace tamarack::app {

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void ShowsTheCurrentOptions() {
    Options o;
    o.disc_indicator = false;
    o.command_timeout = 30;
    o.receive_length = 8192;
    o.virtual_drives = false;
    OptionsDialog d(o);
    QCOMPARE(d.windowTitle(), QStringLiteral("動作オプション"));
    QVERIFY(!d.indicator_box()->isChecked());
    QCOMPARE(d.timeout_box()->value(), 30);
    QVERIFY(!d.virtual_drives_box()->isChecked());
    QVERIFY(d.receive_length_box()->isHidden());
    QCOMPARE(d.Result().receive_length, 8192u);
  }

  void InitialiseThenOkSetsTheHiddenReceiveLengthTo4096() {
    Options o;
    o.disc_indicator = false;
    o.control_byte_row = true;
    o.execute_on_selection = true;
    o.command_timeout = 60;
    OptionsDialog d(o);
    QTest::mouseClick(d.initialise_button(), Qt::LeftButton);
    const Options r = d.Result();
    QVERIFY(r.disc_indicator);
    QVERIFY(!r.control_byte_row);
    QVERIFY(!r.execute_on_selection);
    QCOMPARE(r.command_timeout, 7u);
    QCOMPARE(r.receive_length, 4096u);
  }

  void AZeroTimeoutKeepsThePreviousValue() {
    Options o;
    o.command_timeout = 25;
    OptionsDialog d(o);
    d.timeout_box()->setValue(0);
    QCOMPARE(d.Result().command_timeout, 25u);
  }

  void TheTraceOptionTakesItsFileAndKeepsTheOldOneWhenLeftEmpty() {
    Options o;
    o.trace_file = "/tmp/old.jsonl";
    OptionsDialog d(o);
    QCOMPARE(d.trace_box()->text(), QStringLiteral("record every command to a file"));
    QVERIFY(!d.trace_box()->isChecked());
    QCOMPARE(d.trace_file_box()->text(), QStringLiteral("/tmp/old.jsonl"));
    d.trace_box()->setChecked(true);
    d.trace_file_box()->setText(QStringLiteral("  /tmp/new.jsonl "));
    QVERIFY(d.Result().trace_commands);
    QCOMPARE(d.Result().trace_file, std::string("/tmp/new.jsonl"));
    d.trace_file_box()->clear();
    QCOMPARE(d.Result().trace_file, std::string("/tmp/old.jsonl"));
  }

  void TheThreeDiscIconsDiffer() {
    const QImage none = DiscIcon(DiscState::kNoDisc).pixmap(32, 32).toImage();
    const QImage data = DiscIcon(DiscState::kDataDisc).pixmap(32, 32).toImage();
    const QImage audio = DiscIcon(DiscState::kAudioDisc).pixmap(32, 32).toImage();
    QVERIFY(!none.isNull() && !data.isNull() && !audio.isNull());
    QVERIFY(none != data);
    QVERIFY(data != audio);
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::OptionsDialogTest)
#include "options_dialog_test.moc"
