#include "app/toc_tab.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/job_message.h"
#include "app/ui_text.h"
#include "app/view_text.h"
#include "app/window_job_host.h"
#include "views/toc_view.h"

namespace tamarack::app {

namespace {

// The tree view asks its delegate for a row's height with no width, so a wrapped text keeps one
// line's height; this delegate measures each cell at its column's width.
class WrappingDelegate final : public QStyledItemDelegate {
 public:
  explicit WrappingDelegate(QTreeView* view) : QStyledItemDelegate(view), view_(view) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem at_width(option);
    at_width.rect.setSize({view_->columnWidth(index.column()), 1});
    return QStyledItemDelegate::sizeHint(at_width, index);
  }

 private:
  QTreeView* view_;
};

}  // namespace

TocTab::TocTab(DeviceSession& session, JobRunner& runner, QWidget* parent)
    : QWidget(parent), session_(session), runner_(runner) {
  auto* layout = new QVBoxLayout(this);
  full_toc_ = new QCheckBox(QStringLiteral("&Full TOC"), this);
  full_toc_->setObjectName(QStringLiteral("fullTocBox"));
  layout->addWidget(full_toc_);
  // The list has the tab's whole width, so that "Comment" has room at the minimum size; the
  // summary (or a full TOC row's explanation) sits below it, beside the track tests.
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("tocList"));
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setStretchLastSection(true);  // "Comment" takes what the others leave
  // A long comment wraps onto a second line instead of ending in "…" at the minimum size.
  list_->setWordWrap(true);
  list_->setTextElideMode(Qt::ElideNone);
  list_->setItemDelegate(new WrappingDelegate(list_));
  // The view measures its rows once; a stretched "Comment" must measure them again.
  connect(list_->header(), &QHeaderView::sectionResized, list_, &QTreeWidget::doItemsLayout);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("tocText"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  layout->addWidget(list_, 1);
  layout->addWidget(BuildTrackTests(), 1);
  SetColumns(TocViewColumns(false));
  connect(full_toc_, &QCheckBox::clicked, this, &TocTab::OnFullTocClicked);
  connect(list_, &QTreeWidget::itemClicked, this, &TocTab::OnRowClicked);
}

void TocTab::SetColumns(const std::vector<ListColumn>& columns) {
  columns_ = columns;
  list_->clear();
  QStringList titles;
  for (const ListColumn& c : columns) titles << QString::fromStdString(c.title);
  list_->setColumnCount(static_cast<int>(titles.size()));
  list_->setHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    const ListColumn& c = columns[static_cast<std::size_t>(i)];
    // "Comment" (the last) stretches over what the others leave.
    if (c.rest_less < 0 && c.width > 0) list_->setColumnWidth(i, c.width);
  }
}

void TocTab::SetFullToc(bool on) {
  if (full_toc_->isChecked() == on) return;
  full_toc_->setChecked(on);
  OnFullTocClicked();
}

bool TocTab::full_toc() const { return full_toc_->isChecked(); }

void TocTab::OnFullTocClicked() {
  // Only the columns change; the next Exec fills the list.
  SetColumns(TocViewColumns(full_toc_->isChecked()));
  text_->clear();
}

// The window ends a running test before its tabs go.
TocTab::~TocTab() = default;

QWidget* TocTab::BuildTrackTests() {
  auto* group = new QWidget(this);
  group->setObjectName(QStringLiteral("trackTests"));
  auto* row = new QHBoxLayout(group);
  row->setContentsMargins(0, 0, 0, 0);
  auto* column = new QVBoxLayout;
  for (TrackTestKind kind : {TrackTestKind::kType13, TrackTestKind::kType30Normal,
                             TrackTestKind::kType30Plus1, TrackTestKind::kType30Minus1}) {
    auto* b = new QPushButton(QString::fromUtf8(TrackTestName(kind)), group);
    b->setFixedSize(120, 30);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, kind] { StartTrackTest(kind); });
    test_buttons_[static_cast<std::size_t>(kind)] = b;
    column->addWidget(b);
  }
  // Reads done of reads planned, the last test's total kept after its end.
  progress_ = new QProgressBar(group);
  progress_->setObjectName(QStringLiteral("trackTestProgress"));
  progress_->setFixedWidth(120);
  progress_->setFormat(QStringLiteral("%v/%m"));
  progress_->setRange(0, 1);
  progress_->setValue(0);
  column->addWidget(progress_);
  column->addStretch(1);
  row->addLayout(column);
  results_ = new QListWidget(group);
  results_->setObjectName(QStringLiteral("trackTestResults"));
  row->addWidget(results_, 1);
  row->addWidget(text_, 1);

  auto host = std::make_unique<WindowJobHost>(this, runner_);
  host->on_show = [this](JobText where, const QString& text) {
    if (where != JobText::kResultLine) return;
    results_->addItem(text);
    // The newest line is selected, so that it stays in view.
    results_->setCurrentRow(results_->count() - 1);
  };
  host->on_progress = [this](const JobProgress& p) {
    reads_done_ = p.done;
    progress_->setRange(0, static_cast<int>(std::min<std::uint64_t>(p.total, INT32_MAX)));
    progress_->setValue(static_cast<int>(std::min<std::uint64_t>(p.done, INT32_MAX)));
  };
  host->on_message = [this](MessageIcon icon, const QString& text) {
    ShowJobMessage(this, icon, text);
  };
  host->closing_verdict = [this]() -> const JobVerdict* {
    return test_ ? &test_->result().verdict : nullptr;
  };
  host->closing_lines = [this] { return ClosingCounts(); };
  host->on_finished = [this](RunState) {
    test_running_ = false;
    emit TrackTestRunning(false);
  };
  host_ = std::move(host);
  return group;
}

void TocTab::StartTrackTest(TrackTestKind kind) {
  if (test_running_) {
    runner_.RequestCancel();
    return;
  }
  if (runner_.running()) return;  // another tab's job has the drive
  results_->clear();
  reads_done_ = 0;
  progress_->setRange(0, 1);
  progress_->setValue(0);
  test_ = std::make_shared<TrackTestJob>(kind);
  if (runner_.Start(test_, *host_) != StartResult::kStarted) return;
  test_running_ = true;
  emit TrackTestRunning(true);
}

QString TocTab::ClosingCounts() const {
  if (!test_) return {};
  const TrackTestResult& r = test_->result();
  // Type1.3 counts a read once it passed or failed its check; Type3.0 counts read errors too.
  std::uint64_t not_ok = static_cast<std::uint64_t>(r.ng_lines);
  if (test_->kind() != TrackTestKind::kType13) not_ok += r.verdict.failures();
  const std::uint64_t ok = reads_done_ > not_ok ? reads_done_ - not_ok : 0;
  QString text = QStringLiteral("Ok %1, Ng %2").arg(ok).arg(r.ng_lines);
  for (int i = 0; i < results_->count(); ++i) {
    const QString line = results_->item(i)->text();
    if (line.startsWith(QStringLiteral("Ng")) || line.startsWith(QStringLiteral("***")) ||
        line == QString::fromUtf8(kTrackCommandErrorText)) {
      text += QStringLiteral("\r\n") + UiText("最初のNg: %1").arg(line);
      break;
    }
  }
  return text;
}

void TocTab::Execute() {
  if (test_running_) {
    runner_.RequestCancel();
    return;
  }
  const bool full = full_toc_->isChecked();
  ShowStatusLine(session_, "");  // an older error is not this read's
  const auto read = ReadTocView(session_, full);
  if (!read) {
    list_->clear();  // the columns stay
    text_->clear();
    return;
  }
  last_data_ = read->command_data;
  text_->clear();
  SetColumns(read->view.columns);
  text_->setPlainText(ViewText(read->view.text));
  for (const DecodedRow& r : read->view.rows) {
    QStringList cells;
    for (const std::string& c : r.cells) cells << QString::fromStdString(c);
    auto* item = new QTreeWidgetItem(cells);
    // A comment longer than its column ends in "...": the whole of it on hovering.
    if (!cells.isEmpty()) item->setToolTip(static_cast<int>(cells.size()) - 1, cells.back());
    list_->addTopLevelItem(item);
  }
}

void TocTab::OnRowClicked(QTreeWidgetItem* item) {
  if (!item || !full_toc_->isChecked()) return;
  std::vector<std::string> cells;
  for (int i = 0; i < item->columnCount(); ++i) cells.push_back(item->text(i).toStdString());
  text_->setPlainText(ViewText(ExplainFullTocRow(cells)));
}

void TocTab::ClearResults() {
  list_->clear();
  text_->clear();
  // The verdicts of the last disc's track test, unless a test still runs.
  if (!test_running_) {
    results_->clear();
    progress_->setRange(0, 1);
    progress_->setValue(0);
  }
}

}  // namespace tamarack::app
