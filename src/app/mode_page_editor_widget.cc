#include "app/mode_page_editor_widget.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/form_view.h"
#include "app/help_window.h"
#include "app/ui_text.h"
#include "app/view_text.h"
#include "decode/mode_select.h"

namespace tamarack::app {

namespace {

// Why "Changable View" shows no mask beside the values: the editor holds one reading.
constexpr const char* kChangeableViewText = TR_NOOP(
    "ｴﾃﾞｨﾀが持つのは最後に読んだﾍﾟｰｼﾞだけです。表示中の値は変更可能値(ﾍﾟｰｼﾞ制御 01b)の"
    "ﾏｽｸで、1 のﾋﾞｯﾄがﾄﾞﾗｲﾌﾞで変更できるﾋﾞｯﾄです。\r\n値を編集するには現在値(00b)を読み"
    "直してください。");

constexpr int kStripMinWidth = 260;
constexpr int kStripMinHeight = 200;

// A button as wide as its text needs, never narrower.
void FitToText(QPushButton* b) {
  b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 24);
  b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString Qs(const std::string& s) { return QString::fromStdString(s); }

// The page list icons: 0 a page not sent (empty box), 1 a page sent (ticked box), 2 a page of
// Mode Sense (a sheet), 3 the page Mode Sense asks for (a sheet with an arrow). Drawn, so no
// image files are needed.
QIcon PageIcon(int icon) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (icon == kIconPageNotSent || icon == kIconPageSent) {
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 2.5, 11, 11));
    if (icon == kIconPageSent) {
      p.setPen(QPen(QColor(20, 120, 40), 2));
      p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 11), QPointF(12, 4.5)}));
    }
    return QIcon(pixmap);
  }
  p.setPen(QPen(QColor(70, 70, 70), 1));
  p.setBrush(icon == kIconSensePicked ? QColor(255, 230, 140) : QColor(245, 245, 245));
  p.drawRect(QRectF(3.5, 1.5, 9, 13));
  p.setPen(QPen(QColor(120, 120, 120), 1));
  for (qreal y : {5.0, 8.0, 11.0}) p.drawLine(QPointF(5, y), QPointF(11, y));
  if (icon == kIconSensePicked) {
    p.setPen(QPen(QColor(200, 60, 20), 2));
    p.drawLine(QPointF(0.5, 8), QPointF(6, 8));
  }
  return QIcon(pixmap);
}

}  // namespace

ModePageEditorWidget::ModePageEditorWidget(QWidget* parent) : QWidget(parent) {
  // The list and the page strip side by side, the buttons below both: at the window's minimum
  // width the Command tab leaves the editor about 440 pixels.
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* layout = new QHBoxLayout;
  outer->addLayout(layout, 1);

  auto* left = new QVBoxLayout;
  list_label_ = new QLabel(this);
  page_list_ = new QListWidget(this);
  page_list_->setObjectName(QStringLiteral("modePageList"));
  page_list_->setMinimumWidth(150);
  dump_label_ = new QLabel(QStringLiteral("Page Data Dump"), this);
  page_dump_ = new QPlainTextEdit(this);
  page_dump_->setObjectName(QStringLiteral("pageDataDump"));
  page_dump_->setReadOnly(true);
  page_dump_->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont fixed;
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setFamilies({QStringLiteral("DejaVu Sans Mono")});
  page_dump_->setFont(fixed);
  left->addWidget(list_label_);
  left->addWidget(page_list_, 1);
  left->addWidget(dump_label_);
  left->addWidget(page_dump_, 1);
  layout->addLayout(left);

  auto* right = new QVBoxLayout;
  strip_ = new QWidget(this);
  strip_->setObjectName(QStringLiteral("modePageStrip"));
  strip_->setMinimumSize(kStripMinWidth, kStripMinHeight);
  strip_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  auto* strip_layout = new QVBoxLayout(strip_);
  strip_layout->setContentsMargins(0, 0, 0, 0);
  strip_layout->setSpacing(2);
  tab_bar_ = new QTabBar(strip_);
  tab_bar_->setObjectName(QStringLiteral("modePageTabs"));
  tab_bar_->setUsesScrollButtons(true);
  tab_bar_->setExpanding(false);
  page_name_ = new QLabel(strip_);
  page_name_->setObjectName(QStringLiteral("modePageName"));
  // The page's fields take the height they need: the Command tab's form scrolls as a whole.
  form_ = new FormView(strip_);
  form_->setObjectName(QStringLiteral("modePageForm"));
  strip_layout->addWidget(tab_bar_);
  strip_layout->addWidget(page_name_);
  strip_layout->addWidget(form_, 1);
  right->addWidget(strip_);

  auto* buttons = new QHBoxLayout;
  copy_button_ = new QPushButton(QStringLiteral("Sens->Select Copy"), this);
  FitToText(copy_button_);
  changeable_button_ = new QPushButton(UiText("Changable View"), this);
  FitToText(changeable_button_);
  help_button_ = new QPushButton(QStringLiteral("Help"), this);
  FitToText(help_button_);
  buttons->addWidget(copy_button_);
  buttons->addWidget(changeable_button_);
  buttons->addWidget(help_button_);
  buttons->addStretch(1);
  layout->addLayout(right, 1);
  outer->addLayout(buttons);

  connect(page_list_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { OnPageClicked(page_list_->row(item)); });
  connect(tab_bar_, &QTabBar::currentChanged, this, &ModePageEditorWidget::OnTabChanged);
  connect(form_, &FormView::FieldEdited, this, &ModePageEditorWidget::OnFieldEdited);
  connect(form_, &FormView::SpinPressed, this, &ModePageEditorWidget::OnSpin);
  connect(copy_button_, &QPushButton::clicked, this, &ModePageEditorWidget::OnCopy);
  // The editor keeps one reading of the pages: after changeable values it is the mask itself.
  connect(changeable_button_, &QPushButton::clicked, this, [this] {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Tamarack"),
                                UiText(kChangeableViewText), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("changeableView"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  });
  connect(help_button_, &QPushButton::clicked, this, [this] {
    emit HelpRequested(editor_.command() == ModeCommand::kSense ? QStringLiteral("commsen.htm")
                                                                : QStringLiteral("commsel.htm"));
  });
  connect(this, &ModePageEditorWidget::HelpRequested, this,
          [this](const QString& page) { HelpWindow::ShowPage(this, page); });

  Open(ModeCommand::kSense, Cdb{});
}

void ModePageEditorWidget::Open(ModeCommand command, const Cdb& cdb) {
  editor_.Open(command, cdb);
  Refresh();
}

void ModePageEditorWidget::Refresh() {
  const bool select = editor_.command() == ModeCommand::kSelect;
  list_label_->setText(select ? QStringLiteral("Pages Select") : QStringLiteral("Page Select"));
  dump_label_->setVisible(select);
  page_dump_->setVisible(select);
  copy_button_->setEnabled(editor_.copy_enabled());
  changeable_button_->setEnabled(editor_.changeable_view_enabled());
  FillPageList();
  FillTabs();
  editor_.Refresh();
  ShowPage();
}

void ModePageEditorWidget::SetHexInput(bool on) {
  editor_.SetHexInput(on);
  form_->Refresh(editor_.field_states(), on);
}

void ModePageEditorWidget::TakeModeSenseReply(std::span<const std::uint8_t> reply, const Cdb& cdb) {
  editor_.TakeModeSenseReply(reply, cdb);
  Refresh();
}

void ModePageEditorWidget::FillPageList() {
  filling_ = true;
  const int current = page_list_->currentRow();
  page_list_->clear();
  for (const ModePageListEntry& e : editor_.PageList()) {
    new QListWidgetItem(PageIcon(e.icon), Qs(e.text), page_list_);
  }
  if (current >= 0 && current < page_list_->count()) page_list_->setCurrentRow(current);
  filling_ = false;
}

void ModePageEditorWidget::FillTabs() {
  filling_ = true;
  while (tab_bar_->count() > 0) tab_bar_->removeTab(0);
  for (const ModeTab& t : editor_.tabs()) tab_bar_->addTab(Qs(t.label));
  const auto current = editor_.current_tab();
  tab_bar_->setCurrentIndex(current ? static_cast<int>(*current) : -1);
  filling_ = false;
}

void ModePageEditorWidget::ShowPage() {
  filling_ = true;
  page_name_->setText(Qs(editor_.PageName()));
  form_->Build(editor_.fields(), editor_.field_states(), false, editor_.hex_input());
  // Long choice texts would widen the strip; the box shows them in its drop-down list.
  for (QComboBox* box : form_->findChildren<QComboBox*>()) {
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(18);
  }
  ShowPageDump();
  filling_ = false;
  emit NumberFieldsChanged(editor_.has_number_fields());
}

void ModePageEditorWidget::ShowPageDump() {
  if (editor_.command() != ModeCommand::kSelect) return;
  // The box keeps its scroll position when the text is replaced.
  const int scroll = page_dump_->verticalScrollBar()->value();
  page_dump_->setPlainText(
      ViewText(PageDataDumpText(editor_.current_row(), page_dump_->viewport()->width())));
  page_dump_->verticalScrollBar()->setValue(scroll);
}

void ModePageEditorWidget::OnPageClicked(int row) {
  if (filling_ || row < 0) return;
  editor_.ClickPage(static_cast<std::size_t>(row));
  if (editor_.command() == ModeCommand::kSense) {
    FillPageList();
    FillTabs();
    ShowPage();
  } else {
    page_list_->item(row)->setIcon(
        PageIcon(editor_.PageList()[static_cast<std::size_t>(row)].icon));
  }
  emit CommandChanged();
}

void ModePageEditorWidget::OnTabChanged(int index) {
  if (filling_ || index < 0) return;
  editor_.SelectTab(static_cast<std::size_t>(index));
  ShowPage();
}

void ModePageEditorWidget::OnFieldEdited(int index) {
  if (filling_ || index < 0) return;
  const auto i = static_cast<std::size_t>(index);
  editor_.UpdateField(i, form_->StateOf(i));
  form_->Refresh(editor_.field_states(), editor_.hex_input());
  ShowPageDump();
  if (editor_.command() == ModeCommand::kSelect) emit CommandChanged();
}

void ModePageEditorWidget::OnSpin(int index, bool up) {
  if (filling_ || index < 0) return;
  editor_.SpinField(static_cast<std::size_t>(index), up);
  form_->Refresh(editor_.field_states(), editor_.hex_input());
  ShowPageDump();
  if (editor_.command() == ModeCommand::kSelect) emit CommandChanged();
}

void ModePageEditorWidget::OnCopy() {
  const std::string message = editor_.CopySenseToSelect();
  if (message.empty()) return;
  if (editor_.command() == ModeCommand::kSelect) {
    ShowPage();
    emit CommandChanged();
  }
  auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Tamarack"), Qs(message),
                              QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  if (dialog_hook) dialog_hook(box);
}

}  // namespace tamarack::app
