// The Sector Dump tab, its detail dialog, the control-data window and the dump save dialog,
// against the virtual drive on the offscreen platform.
#include "app/window_bench.h"
#include "console/command_catalogue.h"
#include "tools/sector_dump_job.h"

namespace tamarack::app {

namespace {

using Drive = testing::SessionBench;
using testing::Messages;

bool ReadAndWait(SectorDumpTab& tab) {
  QSignalSpy spy(&tab, &SectorDumpTab::ReadFinished);
  tab.Read();
  return spy.wait(10000);
}

QString DirectDump(DeviceSession& session, std::uint32_t lba, std::uint32_t blocks) {
  JobHost host;
  SectorDump d;
  d.lba_text = std::to_string(lba);
  d.length_text = std::to_string(blocks);
  const DumpResult r =
      ReadSectorDump(session, *d.Prepare(DumpStep::kNone, false).request, DumpBuffer{}, host);
  return QString::fromStdString(r.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

class SectorDumpTabTest : public QObject {
  Q_OBJECT

 private slots:
  // A parameter error sends nothing; a length above ten is cut with its message, stepping
  // back from LBA 3 reads from 0, an MSF range of 75 frames is cut to ten with its end moved,
  // the volume descriptor is one block at 16: the tab's fields and messages after each step
  // in sector_dump_reads.txt, each dump as a direct read of the same blocks shows it.
  void ReadsByLbaMsfAndVolumeDescriptorWithTheirMessages() {
    Drive drive;
    QVERIFY(drive.opened);
    SectorDumpTab tab(drive.session, drive.runner);
    Messages messages;
    tab.dialog_hook = messages;
    testing::Transcript t;
    const auto shot = [&](const char* step) {
      QStringList msf;
      for (int i = 0; i < 6; ++i) msf << tab.msf_box(i)->text();
      t.Step(QString::fromUtf8(step))("messages", *messages.texts);
      t("icon", messages.icons->value(0))("lba", tab.lba_box()->text());
      t("length", tab.length_box()->text())("msf", msf)("bytes", tab.buffer().valid().size());
      t("buffer", tab.buffer().allocated())("busy", tab.busy());
      t("status", drive.session.status_line.Get())("header", tab.dump_header()->text());
      messages.texts->clear();
      messages.icons->clear();
    };
    QSignalSpy spy(&tab, &SectorDumpTab::ReadFinished);
    tab.lba_box()->setText(QStringLiteral("12q"));
    tab.Read();
    shot("LBA 12q");
    QCOMPARE(spy.count(), 0);  // no job was started
    tab.lba_box()->setText(QStringLiteral("5"));
    tab.length_box()->setText(QStringLiteral("11"));
    QVERIFY(ReadAndWait(tab));
    shot("LBA 5, 11 blocks");
    QCOMPARE(tab.dump_box()->toPlainText(), DirectDump(drive.session, 5, 10));
    tab.lba_box()->setText(QStringLiteral("3"));
    tab.previous_button()->click();
    QVERIFY(spy.wait(10000));
    shot("previous from LBA 3");
    QCOMPARE(tab.dump_box()->toPlainText(), DirectDump(drive.session, 0, 10));

    tab.mode_button(DumpAddressMode::kMsf)->setChecked(true);
    const char* const start_end[] = {"00", "02", "00", "00", "03", "00"};  // 75 frames
    for (int i = 0; i < 6; ++i) tab.msf_box(i)->setText(QString::fromUtf8(start_end[i]));
    QVERIFY(ReadAndWait(tab));
    shot("MSF 00:02:00 to 00:03:00");
    QCOMPARE(tab.dump_box()->toPlainText(), DirectDump(drive.session, 0, 10));
    tab.mode_button(DumpAddressMode::kVolumeDescriptor)->setChecked(true);
    QVERIFY(ReadAndWait(tab));
    shot("volume descriptor");
    t("caption", tab.mode_button(DumpAddressMode::kVolumeDescriptor)->text());
    QCOMPARE(tab.dump_box()->toPlainText(), DirectDump(drive.session, 16, 1));
    t.Expect("sector_dump_reads.txt");
  }

  void TheDumpKeepsItsFirstVisibleLineWhenFormattedAgain() {
    Drive drive;
    SectorDumpTab tab(drive.session, drive.runner);
    tab.resize(700, 400);
    tab.show();
    tab.length_box()->setText(QStringLiteral("10"));
    QVERIFY(ReadAndWait(tab));
    QScrollBar* bar = tab.dump_box()->verticalScrollBar();
    QVERIFY(bar->maximum() > 100);
    bar->setValue(100);
    const QString grouped_by_four = tab.dump_box()->toPlainText();
    tab.SetGroupSize(8);
    QCOMPARE(bar->value(), 100);
    QVERIFY(tab.dump_box()->toPlainText() != grouped_by_four);
    QVERIFY(tab.dump_header()->text().contains(QStringLiteral("0001020304050607 08")));
    tab.resize(760, 420);
    QApplication::processEvents();
    QCOMPARE(bar->value(), 100);
    QFont f = tab.font();
    f.setPointSize(f.pointSize() + 2);
    tab.setFont(f);
    QApplication::processEvents();
    QCOMPARE(bar->value(), 100);
    // A new read keeps the line too.
    QVERIFY(ReadAndWait(tab));
    QCOMPARE(bar->value(), 100);
  }

  // The detail dialog opened on the default (user data only) and on what was stored, with
  // header, sub-header, C2 and Q picked: its command line and bytes 9 and 10 stored (Cancel
  // keeps them); the next read returns those fields; hex input turns the boxes and survives
  // the settings: sector_dump_detail.txt.
  void DetailDialogHexInputAndSettings() {
    Drive drive;
    SectorDumpTab tab(drive.session, drive.runner);
    testing::Transcript t;
    ReadCdDetailDialog* seen = nullptr;
    tab.dialog_hook = [&seen](QDialog* d) { seen = qobject_cast<ReadCdDetailDialog*>(d); };
    for (bool accept : {true, false}) {
      tab.detail_button()->click();
      QVERIFY(seen);
      QStringList on;
      for (int i = 0; i < 5; ++i) on << QString::number(seen->part_box(i)->isChecked());
      for (int i = 0; i < 3; ++i) on << QString::number(seen->error_button(i)->isChecked());
      for (int i = 0; i < 3; ++i) on << QString::number(seen->sub_button(i)->isChecked());
      t.Step(seen->windowTitle())("parts, errors, sub-channels", on.join(QString()));
      for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
               seen->part_box(accept ? 1 : 0), seen->part_box(2), seen->error_button(1),
               seen->sub_button(2)}) {
        button->setChecked(true);
      }
      t("command", seen->command_line()->text());
      accept ? seen->accept() : seen->reject();
      t("byte 9", tab.model().sector_cdb[9])("byte 10", tab.model().sector_cdb[10]);
    }
    QVERIFY(seen->findChild<QLabel*>(QStringLiteral("moreInformation"))
                ->text()
                .contains(QString::fromUtf8(kReadCdInformationUrl)));
    QVERIFY(ReadAndWait(tab));
    t("bytes read", tab.buffer().valid().size());  // 4 + 2048 + 294 + 16

    tab.lba_box()->setText(QStringLiteral("26"));
    tab.length_box()->setText(QStringLiteral("10"));
    tab.SetHexInput(true);
    t.Step("hex input")("lba", tab.lba_box()->text())("length", tab.length_box()->text());
    SettingsData s;
    tab.mode_button(DumpAddressMode::kMsf)->setChecked(true);
    tab.msf_box(0)->setText(QStringLiteral("01"));
    tab.StoreSettings(&s);
    t("stored lba", s.lba)("block", s.block)("mode", s.dump_mode)("start msf", s.start_msf);
    t("stored byte 9", s.sector_com[9]);
    SectorDumpTab other(drive.session, drive.runner);
    s.control_flag = 1;
    other.LoadSettings(s);
    t.Step("loaded")("hex", other.hex_input())("lba", other.lba_box()->text());
    t("msf mode", other.mode_button(DumpAddressMode::kMsf)->isChecked());
    t("msf", other.msf_box(0)->text());
    tab.SetHexInput(false);
    t.Step("hex input off")("lba", tab.lba_box()->text());
    t.Expect("sector_dump_detail.txt");
  }

  // The control-data window empty, then with 18 bytes of an Inquiry, saved in hex through its
  // dialogs, and a write failure shown with the system's text: control_data.txt.
  void ControlDataWindowListsSavesAndReportsWriteFailures() {
    ControlDataWindow w;
    testing::Transcript t;
    const auto shot = [&t, &w](const char* step) {
      t.Step(QString::fromUtf8(step))("title", w.windowTitle())("list", w.list()->toPlainText());
      t("caption", w.caption()->text())("cdb", w.cdb_line()->text());
      t("save", w.save_button()->isEnabled());
    };
    shot("empty");
    std::vector<std::uint8_t> data(18);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0x30 + i);
    CatalogueState catalogue;
    w.SetData(data, Cdb{0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0}, catalogue);
    shot("Inquiry data");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::string folder = dir.path().toStdString();
    w.SetDataFolder(&folder);
    const QString chosen = dir.filePath(QStringLiteral("out.dat"));
    w.choose_file = [&](const QString& title, const QString& p, const QString& filter) {
      t("file dialog", title)("proposed", QFileInfo(p).fileName())("filter", filter);
      t("in the data folder", QFileInfo(p).path() == dir.path());
      return chosen;
    };
    Messages messages;
    w.dialog_hook = [&](QDialog* d) {
      if (auto* options = qobject_cast<DumpSaveDialog*>(d)) {
        t("options", options->windowTitle());
        t("text form", options->form_button(DumpSaveForm::kText)->isChecked());
        options->form_button(DumpSaveForm::kHex)->setChecked(true);
        options->accept();
        return;
      }
      messages(d);
    };
    t.Step("save");
    w.save_button()->click();
    QFile saved(chosen);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    t("saved", QString::fromLatin1(saved.readAll()))("form", w.last_form());
    QCOMPARE(QDir(QString::fromStdString(folder)).canonicalPath(),
             QDir(dir.path()).canonicalPath());

    // A write failure shows the system's text.
    QVERIFY(!w.SaveTo(dir.filePath(QStringLiteral("missing/x.bin")), DumpSaveForm::kBinary));
    QCOMPARE(messages.texts->size(), 1);
    t.Step("write failure")("icon", messages.icons->at(0));
    QVERIFY(messages.texts->at(0).contains(QStringLiteral("No such file or directory")));
    t.Expect("control_data.txt");
  }
};

}  // namespace tamarack::app

QTEST_MAIN(tamarack::app::SectorDumpTabTest)
#include "sector_dump_tab_test.moc"
