#include "app/command_monitor_tab.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ui_text.h"
#include "util/strings.h"

namespace tamarack::app {

namespace {

// Only while the tab is shown, and no faster than the eye follows.
constexpr int kRefreshMs = 250;

QStringList MonitorCells(const MonitoredCommand& c) {
  // The drive last: its id can be long, and the other columns fit the smallest window.
  return {QString::fromStdString(c.time),
          QString::fromStdString(HexBytes(c.cdb, " ")).trimmed().toUpper(),
          QString::fromStdString(c.status),
          QString::number(c.transferred),
          QString::number(static_cast<double>(c.duration_us) / 1000.0, 'f', 3),
          QString::fromStdString(c.drive)};
}

}  // namespace

CommandMonitorTab::CommandMonitorTab(CommandMonitor& monitor, QWidget* parent)
    : QWidget(parent), monitor_(monitor) {
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(UiText("オペコード絞り込み"), this));
  filter_ = new QLineEdit(this);
  filter_->setObjectName(QStringLiteral("monitorFilter"));
  filter_->setPlaceholderText(UiText("28 BE 43 (16進、空欄: すべて)"));
  // Wide enough for its hint, which says what the field takes.
  filter_->setMinimumWidth(filter_->fontMetrics().horizontalAdvance(filter_->placeholderText()) +
                           40);
  row->addWidget(filter_);
  note_ = new QLabel(this);
  note_->setObjectName(QStringLiteral("monitorNote"));
  row->addWidget(note_, 1);
  clear_ = new QPushButton(UiText("クリア"), this);
  clear_->setObjectName(QStringLiteral("monitorClear"));
  clear_->setAutoDefault(false);
  row->addWidget(clear_);
  save_ = new QPushButton(UiText("トレースとして保存..."), this);
  save_->setObjectName(QStringLiteral("monitorSave"));
  save_->setAutoDefault(false);
  row->addWidget(save_);
  layout->addLayout(row);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("monitorList"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setHeaderLabels({UiText("時刻 (UTC)"), QStringLiteral("CDB"), UiText("状態 / センス"),
                          UiText("バイト数"), QStringLiteral("ms"), UiText("ドライブ")});
  list_->setFont(QFont(QStringLiteral("Monospace")));
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(list_, 1);

  timer_.setInterval(kRefreshMs);
  connect(&timer_, &QTimer::timeout, this, &CommandMonitorTab::Refresh);
  connect(filter_, &QLineEdit::editingFinished, this, &CommandMonitorTab::ApplyFilter);
  connect(clear_, &QPushButton::clicked, this, [this] {
    monitor_.Clear();
    list_->clear();
    shown_ = monitor_.last_sequence();
  });
  choose_save_path = [this](const QString& proposed) {
    return QFileDialog::getSaveFileName(this, UiText("トレースとして保存"), proposed,
                                        UiText("トレース (*.jsonl);;すべてのファイル (*)"));
  };
  connect(save_, &QPushButton::clicked, this, [this] {
    const QString path = choose_save_path(QStringLiteral("monitor.jsonl"));
    if (!path.isEmpty()) SaveAsTrace(path);
  });
}

void CommandMonitorTab::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
  timer_.start();
}

void CommandMonitorTab::hideEvent(QHideEvent* event) {
  timer_.stop();
  QWidget::hideEvent(event);
}

void CommandMonitorTab::Refresh() {
  std::vector<MonitoredCommand> fresh = monitor_.Since(shown_);
  if (fresh.empty()) return;
  shown_ = fresh.back().sequence;
  Append(fresh);
}

void CommandMonitorTab::Append(const std::vector<MonitoredCommand>& commands) {
  QScrollBar* bar = list_->verticalScrollBar();
  const bool at_end = bar->value() == bar->maximum();
  QList<QTreeWidgetItem*> items;
  for (const MonitoredCommand& c : commands) {
    if (PassesOpcodeFilter(opcodes_, c)) items.append(new QTreeWidgetItem(MonitorCells(c)));
  }
  list_->addTopLevelItems(items);
  // As many rows as the monitor keeps: the oldest go first.
  const int excess = list_->topLevelItemCount() - static_cast<int>(monitor_.capacity());
  for (int i = 0; i < excess; ++i) delete list_->takeTopLevelItem(0);
  if (at_end) list_->scrollToBottom();
}

void CommandMonitorTab::ApplyFilter() {
  std::string error;
  const auto opcodes = ParseOpcodeFilter(filter_->text().toStdString(), &error);
  if (!opcodes) {
    note_->setText(QString::fromStdString(error));
    return;
  }
  note_->clear();
  opcodes_ = *opcodes;
  list_->clear();
  const std::vector<MonitoredCommand> all = monitor_.Since(0);
  shown_ = all.empty() ? monitor_.last_sequence() : all.back().sequence;
  Append(all);
}

bool CommandMonitorTab::SaveAsTrace(const QString& path) {
  std::vector<MonitoredCommand> kept;
  for (MonitoredCommand& c : monitor_.Since(0)) {
    if (PassesOpcodeFilter(opcodes_, c)) kept.push_back(std::move(c));
  }
  std::string error;
  if (!SaveMonitorTrace(path.toStdString(), kept, &error)) {
    note_->setText(QString::fromStdString(error));
    return false;
  }
  note_->setText(UiText("%1 個のコマンドを %2 に保存しました").arg(kept.size()).arg(path));
  return true;
}

}  // namespace tamarack::app
