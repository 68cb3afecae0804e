#include "app/properties_tab.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/row_icons.h"
#include "app/view_text.h"
#include "app/window_job_host.h"
#include "decode/configuration.h"

namespace tamarack::app {

namespace {

QTreeWidget* MakeList(QWidget* parent, const char* name, const std::vector<ListColumn>& columns) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setRootIsDecorated(false);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setUniformRowHeights(true);
  QStringList titles;
  for (const ListColumn& c : columns) titles << QString::fromStdString(c.title);
  list->setColumnCount(static_cast<int>(titles.size()));
  list->setHeaderLabels(titles);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].width > 0) list->setColumnWidth(static_cast<int>(i), columns[i].width);
  }
  return list;
}

// Replaces the rows; the icon goes with the first column (the capability list's first
// column is its icon column).
void Fill(QTreeWidget* list, const std::vector<DecodedRow>& rows) {
  list->clear();
  for (const DecodedRow& r : rows) {
    QStringList cells;
    for (const std::string& c : r.cells) cells << CellText(c);
    auto* item = new QTreeWidgetItem(cells);
    item->setIcon(0, RowIcon(r.icon));
    list->addTopLevelItem(item);
  }
}

QWidget* Section(QWidget* parent, const QString& title, QTreeWidget* list) {
  auto* box = new QWidget(parent);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(title, box));
  layout->addWidget(list, 1);
  return box;
}

}  // namespace

PropertiesTab::PropertiesTab(DeviceSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
  inquiry_ = MakeList(this, "inquiryList", InquiryListColumns());
  features_ = MakeList(this, "featureList", FeatureListColumns());
  capabilities_ = MakeList(this, "capabilityList", CapabilityListColumns());

  auto* lower = new QSplitter(Qt::Horizontal, this);
  lower->addWidget(Section(lower, QStringLiteral("Get Configuration"), features_));
  lower->addWidget(Section(lower, QStringLiteral("Capabilities (Mode Sense 2Ah)"), capabilities_));
  lower->setStretchFactor(0, 3);
  lower->setStretchFactor(1, 1);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(Section(split, QStringLiteral("Inquiry"), inquiry_));
  split->addWidget(lower);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split);
}

void PropertiesTab::Execute() {
  inquiry_->clear();
  ShowStatusLine(session_, "");  // an older error is not this read's
  const PropertiesResult r = ReadDriveProperties(session_);
  if (!r.opened) return;
  Fill(inquiry_, r.inquiry_rows);
  Fill(features_, r.feature_rows);
  // Another page than 2Ah leaves the capability list as it was.
  if (r.capability_rows) Fill(capabilities_, *r.capability_rows);
  if (r.identity) {
    identity_ = r.identity;
    inquiry_data_ = r.inquiry_data;
  }
  emit PropertiesRead();
}

void PropertiesTab::ClearResults() {
  inquiry_->clear();
  features_->clear();
  capabilities_->clear();
}

}  // namespace tamarack::app
