#include "app/command_tab.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/form_view.h"
#include "app/mode_page_editor_widget.h"
#include "app/request_sense_dialog.h"
#include "app/row_icons.h"
#include "app/start_position_bar.h"
#include "app/ui_text.h"
#include "app/view_text.h"
#include "app/window_job_host.h"
#include "app/window_post.h"
#include "console/cdb_text.h"
#include "console/mode_page_command.h"
#include "decode/control_commands.h"
#include "decode/mode_select.h"
#include "decode/mode_sense.h"
#include "device/status_board.h"
#include "form/hex_dump.h"

namespace tamarack::app {

namespace {

// Dumps need one cell per byte column: a fixed-pitch Japanese face whose half-width katakana
// take one cell.
QFont DumpFont() {
  QFont f;
  f.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("DejaVu Sans Mono")});
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  return f;
}

// Lines the result boxes show where the window has room for them and a usable form, and the
// lines they keep at the least; the form's usable height (some rows of the mode page editor or
// of the fields with the LBA box in view) and the least it keeps.
constexpr int kResultLines = 12;
constexpr int kLeastResultLines = 8;
constexpr int kBesideDumpLines = 3;
constexpr int kBoxFrame = 4;
constexpr int kFormUsableHeight = 180;
constexpr int kFormMinHeight = 80;

QPlainTextEdit* ResultBox(QWidget* parent, const char* name) {
  auto* box = new QPlainTextEdit(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setReadOnly(true);
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  box->setFont(DumpFont());
  return box;
}

// The session's host: a sense dialog asked for on any thread opens on the window thread.
// The status line while a command is in flight, and after it was given up.
constexpr const char* kSendingText = "Now Sending! ";
constexpr const char* kGivenUpText = TR_NOOP("応答を待つのをやめました: 返答は捨てられます");
// A command that takes longer than this shows the busy cursor.
constexpr int kBusyCursorDelayMs = 400;

class SenseDialogHost final : public SessionHost {
 public:
  explicit SenseDialogHost(CommandTab* tab) : tab_(tab), post_(new WindowPost(tab)) {}
  void ShowSenseDialog(std::span<const std::uint8_t> sense) override {
    post_->Post([tab = tab_, bytes = std::vector<std::uint8_t>(sense.begin(), sense.end())] {
      tab->ShowSenseDialog(bytes);
    });
  }

 private:
  CommandTab* tab_;
  WindowPost* post_;  // a child of the tab
};

}  // namespace

CommandTab::CommandTab(DeviceSession& session, JobRunner& runner, QWidget* parent)
    : QWidget(parent), session_(session), runner_(runner) {
  host_ = MakeJobHost();
  busy_timer_ = new QTimer(this);
  busy_timer_->setSingleShot(true);
  busy_timer_->setInterval(kBusyCursorDelayMs);
  connect(busy_timer_, &QTimer::timeout, this, [this] {
    if (running_) window()->setCursor(Qt::BusyCursor);
  });
  // The window's sense dialog serves every job of the session, not only console commands.
  // Through the window's status board when the session has one, else as the session's host.
  sense_dialogs_ = std::make_unique<SenseDialogHost>(this);
  auto* board = dynamic_cast<StatusBoard*>(session_.host());
  if (board) {
    SessionHost* none = nullptr;
    board->sense_dialogs.compare_exchange_strong(none, sense_dialogs_.get());
  } else if (session_.host() == nullptr) {
    session_.SetHost(sense_dialogs_.get());
  }
  auto* layout = new QHBoxLayout(this);

  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel(UiText("ｻﾎﾟｰﾄｺﾏﾝﾄﾞ一覧"), this));
  list_kind_bar_ = new QTabBar(this);
  list_kind_bar_->setObjectName(QStringLiteral("listKind"));
  for (ListKind k : {ListKind::kCode, ListKind::kName, ListKind::kUser}) {
    list_kind_bar_->addTab(QString::fromUtf8(ListKindLabel(k)));
  }
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("commandList"));
  list_->setFixedWidth(250);
  left->addWidget(list_kind_bar_);
  left->addWidget(list_, 1);
  layout->addLayout(left);

  // The form with the page editor and the CDB box above, the results below, a splitter
  // between them: the results keep their lines at the window's minimum size, and the form
  // (its rows wrapped to the width) scrolls by itself, only up and down.
  QWidget* right_page = BuildFormPage();
  QGroupBox* results = BuildResults();
  // Twelve lines of results at least, whatever the form above takes.
  KeepResultLines();
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("commandScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scroll->setWidget(right_page);
  scroll->setMinimumHeight(kFormMinHeight);
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName(QStringLiteral("commandSplitter"));
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(scroll);
  splitter_->addWidget(results);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  layout->addWidget(splitter_, 1);
  form_scroll_ = scroll;
  results_ = results;
  right_page->installEventFilter(this);
  connect(splitter_, &QSplitter::splitterMoved, this, [this] { user_split_ = true; });
  // Scrolled by hand: the form stays where the user put it.
  connect(scroll->verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this] { keep_key_in_view_ = false; });
  // The view's height and the form's scroll range change after a fit too (the results take
  // their room, the form's scroll bar comes and goes): each change moves the key.
  connect(scroll->verticalScrollBar(), &QScrollBar::rangeChanged, this,
          &CommandTab::KeepKeyInViewLater);
  scroll->viewport()->installEventFilter(this);

  ConnectControls();

  FillList();
  BuildForm(false);
}

// Reports of the console's commands; those of a command given up are dropped.
std::unique_ptr<JobHost> CommandTab::MakeJobHost() {
  auto host = std::make_unique<WindowJobHost>(this, runner_);
  // The reports of a command given up are dropped: jobs end in order, so the first ends to
  // come are the given-up ones.
  host->on_message = [this](MessageIcon, const QString& text) {
    if (given_up_ == 0) ShowError(text);
  };
  host->on_finished = [this](RunState) {
    if (given_up_ > 0) {
      --given_up_;
      return;
    }
    OnFinished(job_->report());
  };
  return host;
}

// The form, the start position row, the mode page editor, the hex input switch, the CDB box.
QWidget* CommandTab::BuildFormPage() {
  auto* right_page = new QWidget(this);
  right_page->setObjectName(QStringLiteral("commandPage"));
  auto* right = new QVBoxLayout(right_page);
  right->setContentsMargins(0, 0, 0, 0);
  form_ = new FormView(this);
  form_->setObjectName(QStringLiteral("formView"));
  right->addWidget(form_);
  start_bar_ = new StartPositionBar(console_, session_, this);
  right->addWidget(start_bar_);
  connect(start_bar_, &StartPositionBar::FieldsChanged, this, [this] {
    form_->Refresh(console_.field_states(), console_.hex_input());
    ShowCdbLine();
  });
  mode_editor_ = new ModePageEditorWidget(this);
  mode_editor_->setObjectName(QStringLiteral("modePageEditor"));
  mode_editor_->hide();
  right->addWidget(mode_editor_);
  hex_input_ = new QCheckBox(UiText("16進入力(&X)"), this);
  hex_input_->setObjectName(QStringLiteral("hexInput"));
  right->addWidget(hex_input_);

  auto* cdb_row = new QHBoxLayout;
  cdb_row->addWidget(new QLabel(QStringLiteral("CDB"), this));
  cdb_box_ = new QLineEdit(this);
  cdb_box_->setObjectName(QStringLiteral("cdbBox"));
  cdb_box_->setReadOnly(true);
  cdb_box_->setFont(DumpFont());
  edit_button_ = new QPushButton(QStringLiteral("Edit"), this);
  edit_button_->setObjectName(QStringLiteral("cdbEdit"));
  cdb_row->addWidget(cdb_box_, 1);
  cdb_row->addWidget(edit_button_);
  right->addLayout(cdb_row);
  cdb_note_ = new QLabel(this);
  cdb_note_->setObjectName(QStringLiteral("cdbNote"));
  cdb_note_->setWordWrap(true);
  cdb_note_->hide();
  right->addWidget(cdb_note_);

  right->addStretch(1);
  return right_page;
}

// The grouping box and the three result views (text, list, dump).
QGroupBox* CommandTab::BuildResults() {
  auto* results = new QGroupBox(UiText("ｺﾏﾝﾄﾞ出力情報"), this);
  auto* rl = new QVBoxLayout(results);
  grouping_box_ = new QComboBox(results);
  grouping_box_->setObjectName(QStringLiteral("groupingBox"));
  for (int i = 0; i < kGroupingCount; ++i)
    grouping_box_->addItem(QString::fromUtf8(GroupingLabel(i)));
  grouping_box_->setCurrentIndex(console_.grouping_index);
  auto* grouping_row = new QHBoxLayout;
  grouping_row->addStretch(1);
  grouping_row->addWidget(grouping_box_);
  rl->addLayout(grouping_row);
  decoded_header_ = new QLabel(results);
  decoded_header_->setObjectName(QStringLiteral("decodedHeader"));
  decoded_header_->setFont(DumpFont());
  decoded_box_ = ResultBox(results, "decodedBox");
  result_list_ = new QTreeWidget(results);
  result_list_->setObjectName(QStringLiteral("resultList"));
  result_list_->setRootIsDecorated(false);
  dump_header_ = new QLabel(results);
  dump_header_->setObjectName(QStringLiteral("dumpHeader"));
  dump_header_->setFont(DumpFont());
  dump_box_ = ResultBox(results, "dumpBox");
  rl->addWidget(decoded_header_);
  rl->addWidget(decoded_box_, 1);
  rl->addWidget(result_list_, 1);
  rl->addWidget(dump_header_);
  rl->addWidget(dump_box_, 1);
  return results;
}

void CommandTab::ConnectControls() {
  connect(list_kind_bar_, &QTabBar::currentChanged, this,
          [this](int i) { SetListKind(static_cast<ListKind>(i)); });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int index) {
    if (filling_list_ || index < 0) return;
    SelectListEntry(index, QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
    // The same moment as Send: the settings are written first.
    if (on_settings_changed) on_settings_changed();
    Send();
  });
  connect(form_, &FormView::FieldEdited, this, &CommandTab::OnFieldEdited);
  connect(form_, &FormView::SpinPressed, this, &CommandTab::OnSpin);
  connect(hex_input_, &QCheckBox::clicked, this, &CommandTab::OnHexInput);
  connect(mode_editor_, &ModePageEditorWidget::CommandChanged, this, [this] {
    console_.ReplaceTypedCdb();  // an edit of the form like any other
    OnModeCommandChanged();
  });
  connect(mode_editor_, &ModePageEditorWidget::NumberFieldsChanged, this,
          &CommandTab::ShowHexInputSwitch);
  mode_editor_->dialog_hook = [this](QDialog* d) {
    if (dialog_hook) dialog_hook(d);
  };
  connect(edit_button_, &QPushButton::clicked, this, [this] {
    console_.EnableCdbEdit();
    cdb_box_->setReadOnly(false);
  });
  connect(cdb_box_, &QLineEdit::textEdited, this, [this](const QString& text) {
    console_.TypeCdb(text.toStdString());
    ShowCdbNote();
  });
  connect(grouping_box_, &QComboBox::currentIndexChanged, this, [this](int i) {
    console_.grouping_index = i;
    dump_header_->setText(QString::fromStdString(DumpColumnHeader(GroupSize(i))));
    if (!decoded_header_->text().isEmpty()) {
      decoded_header_->setText(QString::fromStdString(DumpColumnHeader(GroupSize(i))));
    }
  });
}

CommandTab::~CommandTab() {
  if (session_.host() == sense_dialogs_.get()) session_.SetHost(nullptr);
  if (auto* board = dynamic_cast<StatusBoard*>(session_.host())) {
    SessionHost* mine = sense_dialogs_.get();
    board->sense_dialogs.compare_exchange_strong(mine, nullptr);
  }
}

void CommandTab::FillList() {
  filling_list_ = true;
  list_->clear();
  int current = -1;
  for (const ListEntry& e : console_.ListEntries()) {
    auto* item = new QListWidgetItem(QString::fromStdString(e.text), list_);
    item->setData(Qt::UserRole, QVariant::fromValue(static_cast<qulonglong>(e.row)));
    if (e.row == console_.current_row()) current = list_->count() - 1;
  }
  if (current >= 0) list_->setCurrentRow(current);
  filling_list_ = false;
}

void CommandTab::SetListKind(ListKind kind) {
  console_.SetListKind(kind);
  if (list_kind_bar_->currentIndex() != static_cast<int>(kind)) {
    list_kind_bar_->setCurrentIndex(static_cast<int>(kind));
  }
  FillList();
}

void CommandTab::ShowCurrentCommand() {
  if (list_kind_bar_->currentIndex() != static_cast<int>(console_.list_kind())) {
    const QSignalBlocker quiet(list_kind_bar_);
    list_kind_bar_->setCurrentIndex(static_cast<int>(console_.list_kind()));
  }
  FillList();
  BuildForm(false);
}

void CommandTab::ClearResults() {
  if (running_) return;  // the running command shows its own result
  decoded_box_->clear();
  decoded_header_->clear();
  dump_box_->clear();
  result_list_->clear();
}

void CommandTab::SetTrackBox(const std::vector<TrackBoxEntry>& entries, std::uint32_t end_address) {
  start_bar_->SetTrackBox(entries, end_address);
}

void CommandTab::SelectListEntry(int index, bool shift) {
  QListWidgetItem* item = list_->item(index);
  if (!item) return;
  const auto row = static_cast<std::size_t>(item->data(Qt::UserRole).toULongLong());
  if (list_->currentRow() != index) {
    filling_list_ = true;
    list_->setCurrentRow(index);
    filling_list_ = false;
  }
  if (shift && console_.list_kind() == ListKind::kUser && IsUserRow(row)) {
    OpenRename(row);
    return;
  }
  const bool run = console_.SelectRow(row, true);
  BuildForm(true);
  if (run) Send();
}

void CommandTab::FitSplitter() {
  // The form gets what it needs, as far as twelve lines of results leave room; where they
  // leave less than a usable form, the results give up lines down to their least. A split the
  // user chose stays until another command is selected.
  if (user_split_ || !splitter_->isVisible()) return;
  const int total = splitter_->height() - splitter_->handleWidth();
  const int need = FormHeightNeeded();
  const int least_results = results_->minimumSizeHint().height();
  const int more_lines =
      (kResultLines - kLeastResultLines) * dump_box_->fontMetrics().lineSpacing();
  const int room = std::max(total - least_results - more_lines,
                            std::min(kFormUsableHeight, total - least_results));
  const int form = std::clamp(need, kFormMinHeight, std::max(kFormMinHeight, room));
  if (splitter_->sizes() != QList<int>{form, total - form})
    splitter_->setSizes({form, total - form});
  if (keep_key_in_view_) KeepKeyInView();
}

int CommandTab::FormHeightNeeded() const {
  const QWidget* page = form_scroll_->widget();
  return std::max(page->sizeHint().height(), page->minimumSizeHint().height());
}

void CommandTab::KeepKeyInViewLater() {
  if (!keep_key_in_view_) return;
  QTimer::singleShot(0, this, [this] {
    if (keep_key_in_view_) KeepKeyInView();
  });
}

void CommandTab::KeepKeyInView() {
  // Every fit and every change of the view until the user scrolls the form: its rows wrap
  // anew as its scroll bar comes and goes and as the results take their room, and each of
  // those moves the key.
  QWidget* page = form_scroll_->widget();
  page->layout()->activate();
  // A field the user is typing in stays in view rather than the key.
  QWidget* focus = QApplication::focusWidget();
  if (focus && focus != page && page->isAncestorOf(focus)) {
    form_scroll_->ensureWidgetVisible(focus, 0, 0);
    return;
  }
  // What the command is about: the page editor's tabs, else the LBA box.
  QWidget* key = !mode_editor_->isHidden() ? static_cast<QWidget*>(mode_editor_)
                 : !start_bar_->isHidden() ? static_cast<QWidget*>(start_bar_)
                                           : nullptr;
  // The view inside the scroll area's frame, not the splitter's share, is what the form has.
  if (!key || FormHeightNeeded() <= form_scroll_->viewport()->height()) return;
  // Its top row at the top, as much of it below as the share shows.
  const int top = key->mapTo(page, QPoint(0, 0)).y();
  const int bottom = top + key->height();
  QScrollBar* bar = form_scroll_->verticalScrollBar();
  const int shown = form_scroll_->viewport()->height();
  // The page editor from its tabs down; the LBA row with the fields just above it.
  const int at = key == mode_editor_ ? top : std::max(0, bottom - shown);
  if (top < bar->value() || bottom > bar->value() + shown) bar->setValue(at);
}

void CommandTab::KeepResultLines() {
  // In the boxes' own font, as the window's font resolved it.
  for (QAbstractScrollArea* box : {static_cast<QAbstractScrollArea*>(decoded_box_),
                                   static_cast<QAbstractScrollArea*>(dump_box_),
                                   static_cast<QAbstractScrollArea*>(result_list_)}) {
    const int header = box == result_list_ ? result_list_->header()->sizeHint().height() : 0;
    // A failed command's text above its dump takes a few lines: the dump keeps the room.
    const bool beside_dump = box == decoded_box_ && !dump_box_->isHidden();
    box->setMinimumHeight(box->fontMetrics().lineSpacing() *
                              (beside_dump ? kBesideDumpLines : kLeastResultLines) +
                          header + 2 * kBoxFrame + 2 * box->frameWidth());
  }
}

bool CommandTab::eventFilter(QObject* watched, QEvent* event) {
  // The form measured again (new fields shown, lines wrapped): its share follows.
  if (event->type() == QEvent::LayoutRequest && form_scroll_ && watched == form_scroll_->widget())
    QTimer::singleShot(0, this, &CommandTab::FitSplitter);
  if (event->type() == QEvent::Resize && form_scroll_ && watched == form_scroll_->viewport())
    KeepKeyInViewLater();
  return QWidget::eventFilter(watched, event);
}

void CommandTab::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) KeepResultLines();
}

void CommandTab::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitSplitter();
}

void CommandTab::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  KeepResultLines();
  QTimer::singleShot(0, this, &CommandTab::FitSplitter);
}

void CommandTab::BuildForm(bool /*from_list*/) {
  user_split_ = false;
  keep_key_in_view_ = true;
  // Once the new form's widgets are shown and measured.
  QTimer::singleShot(0, this, [this] {
    KeepResultLines();
    FitSplitter();
  });
  // Another command's results never stand under this one's form.
  if (console_.current_row() != results_row_ && !running_) {
    decoded_box_->clear();
    decoded_header_->clear();
    result_list_->clear();
    results_row_ = console_.current_row();
  }
  form_->SetAutoAdvance(console_.list_kind() == ListKind::kUser);
  ShowModePageEditor();
  form_->Build(console_.fields(), console_.field_states(), console_.no_parameter(),
               console_.hex_input());
  start_bar_->Rebuild();
  ShowHexInputSwitch();
  hex_input_->setChecked(console_.hex_input());
  dump_box_->clear();
  if (console_.behaviour().succeeds_when_built) {
    decoded_box_->setPlainText(UiText(kCommandSucceededText));
  }
  ShowCdbLine();
  ShowResultView();
}

void CommandTab::ShowResultView() {
  const ResultView v = console_.result_view();
  const bool lists =
      v == ResultView::kTocList || v == ResultView::kFeatureList || v == ResultView::kInquiryList;
  decoded_box_->setVisible(v == ResultView::kDecodedText || v == ResultView::kTocList);
  // The column header belongs above a text with a dump in it, not above a plain text.
  decoded_header_->setVisible(v == ResultView::kDecodedText && !decoded_header_->text().isEmpty());
  result_list_->setVisible(lists);
  dump_box_->setVisible(v == ResultView::kDump);
  dump_header_->setVisible(v == ResultView::kDump);
  dump_header_->setText(
      QString::fromStdString(DumpColumnHeader(GroupSize(console_.grouping_index))));
}

void CommandTab::OnFieldEdited(int index) {
  const auto i = static_cast<std::size_t>(index);
  const bool opcode_changed = console_.UpdateField(i, form_->StateOf(i));
  form_->Refresh(console_.field_states(), console_.hex_input());
  ShowCdbLine();
  if (opcode_changed && list_->currentItem()) {
    list_->currentItem()->setText(QString::fromStdString(
        SlotEntryAfterOpcodeEdit(console_.current_row(), console_.current_opcode())));
  }
}

void CommandTab::OnSpin(int index, bool up) {
  console_.SpinField(static_cast<std::size_t>(index), up);
  form_->Refresh(console_.field_states(), console_.hex_input());
  ShowCdbLine();
}

void CommandTab::OnHexInput(bool on) {
  console_.SetHexInput(on);
  form_->Refresh(console_.field_states(), on);
  start_bar_->Rebuild();  // the track box shows addresses in the new base
  mode_editor_->SetHexInput(on);
}

// Mode Sense(10) and Mode Select(10) show the mode page editor below their form.
void CommandTab::ShowModePageEditor() {
  const std::optional<ModeCommand> editor = PageEditorOf(console_);
  mode_editor_->setVisible(editor.has_value());
  if (!editor) return;
  mode_editor_->SetHexInput(console_.hex_input());
  mode_editor_->Open(*editor, console_.catalogue().row(console_.current_row()).cdb_store);
  // The form itself is built by the caller.
  ApplyEditorToConsole(mode_editor_->editor(), console_);
  ShowParameterList();  // always: the results of the last command were cleared
}

// The editor's part of the command (picked page, parameter list) goes into the console.
void CommandTab::OnModeCommandChanged() {
  if (!ApplyEditorToConsole(mode_editor_->editor(), console_)) return;
  form_->Refresh(console_.field_states(), console_.hex_input());
  ShowCdbLine();
  ShowParameterList();
}

// Mode Select shows the parameter list it will send in the decoded-text box.
void CommandTab::ShowParameterList() {
  if (mode_editor_->editor().command() != ModeCommand::kSelect) return;
  decoded_box_->setPlainText(
      ViewText(ParameterListText(console_.current().parameter, decoded_box_->viewport()->width())));
}

void CommandTab::ShowHexInputSwitch() {
  hex_input_->setVisible(console_.has_number_fields() ||
                         (!mode_editor_->isHidden() && mode_editor_->editor().has_number_fields()));
}

void CommandTab::ShowCdbLine() {
  cdb_box_->setText(QString::fromStdString(console_.CdbLine()));
  ShowCdbNote();
}

void CommandTab::ShowCdbNote() {
  cdb_note_->setText(QString::fromStdString(console_.cdb_note()));
  cdb_note_->setVisible(!console_.cdb_note().empty());
  ShowResultView();  // a typed CDB's command has its own
}

void CommandTab::OpenDialog(QDialog* dialog) {
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
  if (dialog_hook) dialog_hook(dialog);
}

void CommandTab::ShowError(const QString& message) {
  auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Tamarack"), message,
                              QMessageBox::Ok, this);
  OpenDialog(box);
}

void CommandTab::ShowSenseDialog(std::vector<std::uint8_t> sense) {
  if (given_up_ > 0) return;  // the check condition of a command given up
  OpenDialog(new RequestSenseDialog(session_.sense_table(), sense, window()));
}

void CommandTab::OpenRename(std::size_t row) {
  auto* dialog = new QDialog(this);
  dialog->setObjectName(QStringLiteral("renameDialog"));
  dialog->setWindowTitle(UiText("ユーザーコマンド名"));
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(new QLabel(UiText("コマンド名"), dialog));
  auto* name = new QLineEdit(QString::fromStdString(console_.catalogue().Name(row)), dialog);
  name->setObjectName(QStringLiteral("commandName"));
  name->setMaxLength(static_cast<int>(kUserNameMax));
  layout->addWidget(name);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  connect(dialog, &QDialog::accepted, this, [this, row, name] {
    console_.catalogue().RenameSlot(row, name->text().toStdString());
    for (int i = 0; i < list_->count(); ++i) {
      QListWidgetItem* item = list_->item(i);
      if (item->data(Qt::UserRole).toULongLong() == row) {
        item->setText(
            QString::fromStdString(ListEntryText(ListKind::kUser, row, console_.catalogue())));
      }
    }
    if (on_settings_changed) on_settings_changed();
  });
  OpenDialog(dialog);
}

void CommandTab::Execute() {
  if (running_) {
    GiveUp();
  } else {
    Send();
  }
}

void CommandTab::GiveUp() {
  if (!running_) return;
  ++given_up_;
  job_.reset();
  SetRunning(false, UiText(kGivenUpText));
}

void CommandTab::SetRunning(bool running, const QString& what) {
  running_ = running;
  if (running) {
    busy_timer_->start();
  } else {
    busy_timer_->stop();
    window()->unsetCursor();
  }
  if (on_running_changed) on_running_changed(running, what);
}

void CommandTab::Send() {
  if (running_) return;
  decoded_box_->clear();
  decoded_header_->clear();
  dump_box_->clear();
  result_list_->clear();
  const std::string typed = cdb_box_->text().toStdString();
  PlanResult p = console_.PrepareExecution(typed);
  const CdbBoxParse parsed = ParseCdbBoxText(typed);
  if (console_.cdb_editable() && !parsed.cdb) {
    // The typed text stays, with the cursor where reading stopped.
    cdb_box_->setCursorPosition(
        static_cast<int>(QString::fromStdString(typed.substr(0, parsed.stop)).size()));
  } else {
    ShowCdbLine();  // a typed box is shown back in its normal form
  }
  ShowCdbNote();
  if (!p.plan) {
    ShowError(QString::fromStdString(p.message));
    return;
  }
  const Cdb cdb = p.plan->input.cdb;
  job_ = std::make_shared<ConsoleCommandJob>(std::move(*p.plan));
  if (runner_.Start(job_, *host_, StartPolicy::kCancelRunning) == StartResult::kBusy) return;
  SetRunning(true, QString::fromStdString(kSendingText + CdbLine(cdb)));
}

void CommandTab::OnFinished(const CommandReport& report) {
  SetRunning(false, QString());
  // The result's views take their room: the form keeps what the command is about in view.
  keep_key_in_view_ = true;
  QTimer::singleShot(0, this, [this] {
    KeepResultLines();
    FitSplitter();
  });
  console_.FinishExecution(report);
  // A typed CDB of another command leaves the page editor alone.
  if (report.success && !mode_editor_->isHidden() &&
      PageEditorOf(console_) == ModeCommand::kSense && report.sent_cdb[0] == kModeSenseOpcode) {
    mode_editor_->TakeModeSenseReply(
        ModeSenseReturnedBytes(console_.receive_buffer(), report.received_length), report.sent_cdb);
    OnModeCommandChanged();
  }
  const DecodeOutput& out = report.output;
  const int group = GroupSize(console_.grouping_index);
  if (!out.text.empty()) {
    decoded_box_->setPlainText(ViewText(Tr(out.text.c_str())));
    decoded_box_->setVisible(true);
  }
  if (out.text_has_dump) {
    decoded_header_->setText(QString::fromStdString(DumpColumnHeader(group)));
    decoded_header_->setVisible(true);
  }
  if (!out.dump.empty()) {
    dump_box_->setPlainText(ViewText(out.dump));
    dump_header_->setText(QString::fromStdString(DumpColumnHeader(group)));
  }
  // A list decoder that rebuilds its columns empties the list even without rows.
  if (!out.rows.empty() || !out.columns.empty()) {
    if (!out.columns.empty()) {
      QStringList titles;
      for (const ListColumn& c : out.columns) titles << QString::fromStdString(c.title);
      result_list_->setColumnCount(static_cast<int>(titles.size()));
      result_list_->setHeaderLabels(titles);
      for (int i = 0; i < static_cast<int>(out.columns.size()); ++i) {
        if (out.columns[static_cast<std::size_t>(i)].width > 0) {
          result_list_->setColumnWidth(i, out.columns[static_cast<std::size_t>(i)].width);
        }
      }
    } else {
      std::size_t n = 1;
      for (const DecodedRow& r : out.rows) n = std::max(n, r.cells.size());
      result_list_->setColumnCount(static_cast<int>(n));
    }
    for (const DecodedRow& r : out.rows) {
      QStringList cells;
      for (const std::string& c : r.cells) cells << CellText(c);
      auto* item = new QTreeWidgetItem(cells);
      item->setIcon(0, RowIcon(r.icon));
      result_list_->addTopLevelItem(item);
    }
  }
  emit CommandFinished();
}

}  // namespace tamarack::app
