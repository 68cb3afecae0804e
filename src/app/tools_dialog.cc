#include "app/tools_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialog_placement.h"
#include "app/help_window.h"
#include "app/job_message.h"
#include "app/ui_text.h"
#include "app/window_job_host.h"
#include "device/sense.h"
#include "tools/conversion_tools.h"

namespace tamarack::app {

namespace {

constexpr const char* kTabLabels[] = {TR_NOOP("LBAのMSF変換(F2)"), TR_NOOP("MSFのLBA変換(F3)"),
                                      TR_NOOP("SubQのCRC計算(F4)"), TR_NOOP("SubQのﾁｪｯｸ(F5)"),
                                      TR_NOOP("Senseｺｰﾄﾞ(F6)")};
constexpr const char* kHints[] = {
    "",
    TR_NOOP("BCDがｵﾝの場合は 223344\nBCDがｵﾌの場合は 16212c　のように入力します"),
    // One text over two lines.
    TR_NOOP("01140101305700413416 または 0114 0101 3057 0041 "
            "3416\nのように入力します。ﾌﾞﾗﾝｸはあっても可です "),
    TR_NOOP("実行ﾎﾞﾀﾝでSubQのﾁｪｯｸが開始します"),
};
constexpr const char* kExecText = TR_NOOP("実行(&D)");
constexpr const char* kCancelText = TR_NOOP("ｷｬﾝｾﾙ(&C)");

// A text of the dialog in the user's language.
QString Text(const char* utf8) { return UiText(utf8); }

// The system's "\r\n" as a label's line ends.
QString ViewText(const QString& text) {
  QString s = text;
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

QLabel* FramedLabel(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setFrameShape(QFrame::Box);
  l->setAlignment(Qt::AlignCenter);
  l->setMargin(3);
  return l;
}

QTableWidget* FixedTable(const QStringList& headers, const std::vector<QStringList>& rows,
                         QWidget* parent) {
  auto* t =
      new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(headers.size()), parent);
  t->setHorizontalHeaderLabels(headers);
  t->verticalHeader()->hide();
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionMode(QAbstractItemView::NoSelection);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < headers.size(); ++c) {
      t->setItem(r, c, new QTableWidgetItem(rows[static_cast<std::size_t>(r)].value(c)));
    }
  }
  t->resizeColumnsToContents();
  t->resizeRowsToContents();
  t->horizontalHeader()->setStretchLastSection(true);
  return t;
}

}  // namespace

ToolsDialog::ToolsDialog(DeviceSession& session, JobRunner& runner, int* last_tab, bool hex_input,
                         QWidget* parent)
    : QDialog(parent), session_(session), runner_(runner), last_tab_(last_tab) {
  setObjectName(QStringLiteral("toolsDialog"));
  setWindowTitle(UiText("ツール"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);
  if (parent) setFont(parent->font());

  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->setUsesScrollButtons(false);  // the five tabs always show whole
  for (int tab = 0; tab < 4; ++tab) tabs_->addTab(BuildPage(tab), Text(kTabLabels[tab]));
  tabs_->addTab(BuildSenseList(), Text(kTabLabels[kToolSenseCodes]));
  layout->addWidget(tabs_);
  option(kToolLbaToMsf)->setChecked(hex_input);

  for (int tab = 0; tab < 5; ++tab) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F2 + tab), this);
    connect(key, &QShortcut::activated, this, [this, tab] {
      if (tabs_->tabBar()->isEnabled()) tabs_->setCurrentIndex(tab);
    });
  }
  const int start = last_tab_ ? *last_tab_ : 0;
  tabs_->setCurrentIndex(start >= 0 && start < tabs_->count() ? start : 0);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (last_tab_) *last_tab_ = index;
  });

  auto host = std::make_unique<WindowJobHost>(this, runner_);
  host->on_show = [this](JobText where, const QString& text) {
    if (where == JobText::kCounters) result(kToolSubQCheck)->setText(ViewText(text));
    if (where == JobText::kStatus) copy_line_->setText(text);
    if (where == JobText::kSecondStatus) channel_line_->setText(text);
  };
  host->on_progress = [this](const JobProgress& p) {
    check_total_ = p.total;
    hint(kToolSubQCheck)->setText(QStringLiteral("LBA=%1/%2").arg(p.done).arg(p.total));
    progress_->setValue(p.total != 0 ? static_cast<int>(p.done * 100 / p.total) : 0);
  };
  host->on_message = [this](MessageIcon icon, const QString& text) {
    ShowJobMessage(this, icon, text);
  };
  host->closing_verdict = [this]() -> const JobVerdict* {
    return check_ ? &check_->result().verdict : nullptr;
  };
  host->on_finished = [this](RunState) { OnCheckFinished(); };
  host_ = std::move(host);
}

ToolsDialog::~ToolsDialog() {
  // The tab widget's pages go after this: their signals must not reach a dialog half gone.
  tabs_->disconnect(this);
}

QWidget* ToolsDialog::BuildPage(int tab) {
  auto* page = new QWidget(tabs_);
  auto* v = new QVBoxLayout(page);
  Page& p = pages_[static_cast<std::size_t>(tab)];
  auto* row = new QHBoxLayout;
  if (tab == kToolSubQCheck) {
    auto* lines = new QVBoxLayout;
    copy_line_ = new QLabel(page);
    copy_line_->setObjectName(QStringLiteral("copyLine"));
    channel_line_ = new QLabel(page);
    channel_line_->setObjectName(QStringLiteral("channelLine"));
    progress_ = new QProgressBar(page);
    progress_->setRange(0, 100);
    progress_->hide();
    lines->addWidget(copy_line_);
    lines->addWidget(channel_line_);
    lines->addWidget(progress_);
    row->addLayout(lines, 1);
    format_button_ = new QPushButton(Text(TR_NOOP("SubQの形式(&Q)")), page);
    format_button_->setAutoDefault(false);
    connect(format_button_, &QPushButton::clicked, this, [this] { ShowSubQFormat(); });
    row->addWidget(format_button_, 0, Qt::AlignTop);
  } else {
    static const char* const kFields[] = {"LBA", "MSF(mmssff)", TR_NOOP("SubQ(10ﾊﾞｲﾄ)")};
    row->addWidget(new QLabel(Text(kFields[tab]), page));
    p.input = new QLineEdit(page);
    p.input->setObjectName(QStringLiteral("toolInput%1").arg(tab));
    row->addWidget(p.input, 1);
    connect(p.input, &QLineEdit::returnPressed, this, [this, tab] { Execute(tab); });
    if (tab != kToolSubQCrc) {
      p.option = new QCheckBox(
          Text(tab == kToolLbaToMsf ? TR_NOOP("16進入力(&X)") : TR_NOOP("BCD入力(&B)")), page);
      row->addWidget(p.option);
    }
  }
  v->addLayout(row);
  p.result = new QLabel(page);
  p.result->setObjectName(QStringLiteral("toolResult%1").arg(tab));
  p.result->setFrameShape(QFrame::StyledPanel);
  p.result->setTextInteractionFlags(Qt::TextSelectableByMouse);
  p.result->setMinimumHeight(p.result->fontMetrics().height() * 2 + 6);
  v->addWidget(p.result);
  p.hint = new QLabel(Text(kHints[tab]), page);
  p.hint->setObjectName(QStringLiteral("toolHint%1").arg(tab));
  v->addWidget(p.hint);
  v->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  p.exec = new QPushButton(Text(kExecText), page);
  p.exec->setAutoDefault(false);
  p.help = new QPushButton(Text(TR_NOOP("ヘルプ(&H)")), page);
  p.help->setAutoDefault(false);
  buttons->addWidget(p.exec);
  buttons->addWidget(p.help);
  v->addLayout(buttons);
  connect(p.exec, &QPushButton::clicked, this, [this, tab] { Execute(tab); });
  connect(p.help, &QPushButton::clicked, this,
          [this, tab] { HelpWindow::ShowPage(this, QStringLiteral("tool%1.htm").arg(tab + 1)); });
  return page;
}

QWidget* ToolsDialog::BuildSenseList() {
  sense_list_ = new QTreeWidget(tabs_);
  sense_list_->setObjectName(QStringLiteral("senseCodeList"));
  sense_list_->setRootIsDecorated(false);
  sense_list_->setUniformRowHeights(true);
  sense_list_->setHeaderLabels({QStringLiteral("Sense"), QStringLiteral("Asc"),
                                QStringLiteral("AscQ"), QStringLiteral("Message")});
  for (const SenseCodeListRow& r : SenseCodeList(session_.sense_table())) {
    sense_list_->addTopLevelItem(
        new QTreeWidgetItem({QString::fromStdString(r.key), QString::fromStdString(r.asc),
                             QString::fromStdString(r.ascq), QString::fromStdString(r.message)}));
  }
  for (int c = 0; c < 3; ++c) sense_list_->resizeColumnToContents(c);
  return sense_list_;
}

void ToolsDialog::Execute(int tab) {
  const auto text = [this, tab] { return input(tab)->text().toStdString(); };
  switch (tab) {
    case kToolLbaToMsf:
      result(tab)->setText(QString::fromStdString(LbaToMsfText(text(), option(tab)->isChecked())));
      break;
    case kToolMsfToLba:
      result(tab)->setText(QString::fromStdString(MsfToLbaText(text(), option(tab)->isChecked())));
      break;
    case kToolSubQCrc:
      result(tab)->setText(QString::fromStdString(SubQCrcText(text())));
      break;
    case kToolSubQCheck:
      StartOrStopCheck();
      break;
    default:
      break;
  }
}

void ToolsDialog::StartOrStopCheck() {
  if (check_running_) {
    runner_.RequestCancel();
    return;
  }
  if (runner_.running()) return;  // another job has the drive
  check_ = std::make_shared<SubQCheckJob>();
  copy_line_->clear();
  channel_line_->clear();
  result(kToolSubQCheck)->clear();
  if (runner_.Start(check_, *host_) != StartResult::kStarted) return;
  check_running_ = true;
  exec_button(kToolSubQCheck)->setText(Text(kCancelText));
  tabs_->tabBar()->setEnabled(false);
  progress_->setValue(0);
  progress_->show();
}

void ToolsDialog::OnCheckFinished() {
  check_running_ = false;
  // A check that read to the disc's end read its last records after the last report.
  const JobVerdict& v = check_->result().verdict;
  if (check_total_ != 0 && !v.cancelled() && !v.ended_by()) {
    hint(kToolSubQCheck)->setText(QStringLiteral("LBA=%1/%1").arg(check_total_));
  }
  progress_->hide();
  exec_button(kToolSubQCheck)->setText(Text(kExecText));
  tabs_->tabBar()->setEnabled(true);
}

void ToolsDialog::closeEvent(QCloseEvent* event) {
  if (check_running_) {
    // Closing while the check runs only asks it to stop.
    runner_.RequestCancel();
    event->ignore();
    return;
  }
  if (last_tab_) *last_tab_ = tabs_->currentIndex();
  QDialog::closeEvent(event);
}

ToolsDialog* ToolsDialog::Replace(QWidget* window, DeviceSession& session, JobRunner& runner,
                                  int* last_tab, bool hex_input) {
  for (ToolsDialog* old : window->findChildren<ToolsDialog*>(Qt::FindDirectChildrenOnly)) {
    if (old->check_running_) {
      runner.RequestCancel();
      runner.Wait();
    }
    if (last_tab) *last_tab = old->tabs_->currentIndex();
    delete old;
  }
  auto* d = new ToolsDialog(session, runner, last_tab, hex_input, window);
  d->adjustSize();
  // Over the window it leaves the tool row and the Exec button in view.
  MoveBesideWindow(d, window, window->findChild<QWidget*>(QStringLiteral("execButton")));
  d->show();
  return d;
}

QDialog* ToolsDialog::ShowSubQFormat() {
  auto* d = new QDialog(this);
  d->setObjectName(QStringLiteral("subQFormatDialog"));
  d->setWindowTitle(QStringLiteral("Sub-Q Information"));
  d->setAttribute(Qt::WA_DeleteOnClose);
  auto* v = new QVBoxLayout(d);
  // The record as it lies on the disc: control and ADR share the first byte.
  auto* picture = new QGridLayout;
  picture->setSpacing(0);
  const char* const fields[] = {"Ctl",    "Adr",   "Track Number", "Index Number", "Min",
                                "Sec",    "Frame", "Zero",         "AMin",         "ASec",
                                "AFrame", "CRC",   "CRC"};
  for (int i = 0; i < 13; ++i) picture->addWidget(FramedLabel(Text(fields[i]), d), 0, i);
  v->addLayout(picture);
  v->addWidget(FixedTable({QStringLiteral("Ctl bit"), QStringLiteral("0"), QStringLiteral("1")},
                          {{"Bit3", "Two-channel audio", "Four-channel audio"},
                           {"Bit2", "Audio track", "Data track"},
                           {"Bit1", "Digital copy prohibited", "Digital copy permitted"},
                           {"Bit0", "Audio without pre-emphasis", "Audio with pre-emphasis"}},
                          d));
  v->addWidget(FixedTable({QStringLiteral("Adr"), QStringLiteral("Meaning")},
                          {{"0h", "Q Sub-channel mode information not supplied"},
                           {"1h",
                            "Q Sub-channel encodes current position data\n(track, index, absolute "
                            "and relative address)"},
                           {"2h", "Q Sub-channel encodes media catalog number"},
                           {"3h", "Q Sub-channel encodes ISRC"},
                           {"4h - Fh", "Reserved"}},
                          d));
  auto* ok = new QPushButton(QStringLiteral("OK"), d);
  connect(ok, &QPushButton::clicked, d, &QDialog::accept);
  v->addWidget(ok, 0, Qt::AlignRight);
  // Wholly on the screen, however small.
  const QRect area = AvailableAreaOf(this);
  d->resize(std::min(640, area.width() - 40), std::min(440, area.height() - 40));
  d->open();
  return d;
}

}  // namespace tamarack::app
