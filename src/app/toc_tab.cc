#include "app/toc_tab.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/view_text.h"
#include "views/toc_tab.h"

namespace tamarack::app {

TocTab::TocTab(DeviceSession& session, QWidget* parent) : QWidget(parent), session_(session) {
  auto* layout = new QVBoxLayout(this);
  full_toc_ = new QCheckBox(QStringLiteral("&Full TOC"), this);
  full_toc_->setObjectName(QStringLiteral("fullTocBox"));
  layout->addWidget(full_toc_);
  auto* row = new QHBoxLayout;
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("tocList"));
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setAllColumnsShowFocus(true);
  list_->setUniformRowHeights(true);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("tocText"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  row->addWidget(list_, 3);
  row->addWidget(text_, 1);
  layout->addLayout(row, 1);
  SetColumns(TocTabColumns(false));
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
  const int width = std::max(list_->viewport()->width(), 600);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    const ListColumn& c = columns[static_cast<std::size_t>(i)];
    // "Comment" takes what the others leave.
    const int w = c.rest_less >= 0 ? std::max(120, width - c.rest_less) : c.width;
    if (w > 0) list_->setColumnWidth(i, w);
  }
}

void TocTab::OnFullTocClicked() {
  // Only the columns change; the next Exec fills the list.
  SetColumns(TocTabColumns(full_toc_->isChecked()));
  text_->clear();
}

void TocTab::Execute() {
  const bool full = full_toc_->isChecked();
  const auto read = ShowTocTab(session_, full);
  if (!read) {
    list_->clear();  // the columns stay
    return;
  }
  last_data_ = read->command_data;
  text_->clear();
  SetColumns(read->view.columns);
  text_->setPlainText(ViewText(read->view.text));
  for (const DecodedRow& r : read->view.rows) {
    QStringList cells;
    for (const std::string& c : r.cells) cells << QString::fromStdString(c);
    list_->addTopLevelItem(new QTreeWidgetItem(cells));
  }
}

void TocTab::OnRowClicked(QTreeWidgetItem* item) {
  if (!item || !full_toc_->isChecked()) return;
  std::vector<std::string> cells;
  for (int i = 0; i < item->columnCount(); ++i) cells.push_back(item->text(i).toStdString());
  text_->setPlainText(ViewText(ExplainFullTocRow(cells)));
}

}  // namespace tamarack::app
