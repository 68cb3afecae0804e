#include "app/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/disc_icons.h"
#include "app/help_window.h"
#include "app/ui_text.h"

namespace tamarack::app {

OptionsDialog::OptionsDialog(const Options& current, QWidget* parent)
    : QDialog(parent), previous_(current) {
  setWindowTitle(UiText("動作オプション"));
  auto* layout = new QVBoxLayout(this);

  indicator_ = new QCheckBox(UiText("ﾃﾞｨｽｸｲﾝﾃﾞｨｹｰﾀｰを有効にする(&D)"), this);
  layout->addWidget(indicator_);
  // The legend of the indicator's three states.
  auto* legend = new QHBoxLayout;
  const std::pair<DiscState, const char*> states[] = {{DiscState::kNoDisc, "No Disc"},
                                                      {DiscState::kDataDisc, "Data Disc"},
                                                      {DiscState::kAudioDisc, "Audio Disc"}};
  for (const auto& [state, text] : states) {
    auto* icon = new QLabel(this);
    icon->setPixmap(DiscIcon(state).pixmap(24, 24));
    legend->addWidget(icon);
    legend->addWidget(new QLabel(QString::fromUtf8(text), this));
  }
  legend->addStretch(1);
  layout->addLayout(legend);

  control_byte_ = new QCheckBox(UiText("Control Byte ﾊﾟﾗﾒﾀを表示する(&P)"), this);
  execute_ =
      new QCheckBox(UiText("ｺﾏﾝﾄﾞ選択時にｺﾏﾝﾄﾞを発行する(&S)\n(ﾊﾟﾗﾒﾀなしｺﾏﾝﾄﾞのみ有効)"), this);
  layout->addWidget(control_byte_);
  layout->addWidget(execute_);

  auto* grid = new QGridLayout;
  auto* timeout_label = new QLabel(UiText("ｺﾏﾝﾄﾞのﾀｲﾑｱｳﾄ時間(&T)"), this);
  timeout_ = new QSpinBox(this);
  timeout_->setRange(0, 86400);
  timeout_label->setBuddy(timeout_);
  grid->addWidget(timeout_label, 0, 0);
  grid->addWidget(timeout_, 0, 1);
  grid->addWidget(new QLabel(UiText("秒"), this), 0, 2);
  // The receive length exists but is not shown; "初期化(&i)" still sets it.
  auto* length_label = new QLabel(QStringLiteral("Control Data Length"), this);
  receive_length_ = new QSpinBox(this);
  receive_length_->setRange(0, 16 * 1024 * 1024);
  auto* byte_label = new QLabel(QStringLiteral("Byte"), this);
  grid->addWidget(length_label, 1, 0);
  grid->addWidget(receive_length_, 1, 1);
  grid->addWidget(byte_label, 1, 2);
  length_label->hide();
  receive_length_->hide();
  byte_label->hide();
  layout->addLayout(grid);

  virtual_drives_ = new QCheckBox(UiText("仮想ドライブをドライブ一覧に表示する(&V)"), this);
  layout->addWidget(virtual_drives_);

  // The language the window is shown in, from the next start on.
  auto* language_row = new QHBoxLayout;
  auto* language_label = new QLabel(UiText("言語(&L)"), this);
  language_ = new QComboBox(this);
  language_->setObjectName(QStringLiteral("languageBox"));
  language_->addItem(UiText("自動(システムの設定)"), static_cast<int>(UiLanguage::kAutomatic));
  language_->addItem(QStringLiteral("日本語"), static_cast<int>(UiLanguage::kJapanese));
  language_->addItem(QStringLiteral("English"), static_cast<int>(UiLanguage::kEnglish));
  language_label->setBuddy(language_);
  language_row->addWidget(language_label);
  language_row->addWidget(language_, 1);
  layout->addLayout(language_row);
  layout->addWidget(new QLabel(UiText("この変更はﾌﾟﾛｸﾞﾗﾑ再起動後に有効になります"), this));

  trace_ = new QCheckBox(UiText("すべてのコマンドをファイルに記録する"), this);
  trace_file_ = new QLineEdit(this);
  trace_file_->setPlaceholderText(QStringLiteral("tamarack-trace.jsonl"));
  layout->addWidget(trace_);
  layout->addWidget(trace_file_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
  initialise_ = buttons->addButton(UiText("初期化(&i)"), QDialogButtonBox::ResetRole);
  auto* help = buttons->addButton(UiText("ヘルプ(&H)"), QDialogButtonBox::HelpRole);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(initialise_, &QPushButton::clicked, this,
          [this] { Show(InitialisedOptions(Entered())); });
  connect(help, &QPushButton::clicked, this,
          [this] { HelpWindow::ShowPage(this, QStringLiteral("option.htm")); });
  Show(current);
}

void OptionsDialog::Show(const Options& o) {
  indicator_->setChecked(o.disc_indicator);
  control_byte_->setChecked(o.control_byte_row);
  execute_->setChecked(o.execute_on_selection);
  virtual_drives_->setChecked(o.virtual_drives);
  trace_->setChecked(o.trace_commands);
  trace_file_->setText(QString::fromStdString(o.trace_file));
  language_->setCurrentIndex(language_->findData(static_cast<int>(o.language)));
  timeout_->setValue(static_cast<int>(o.command_timeout));
  receive_length_->setValue(static_cast<int>(o.receive_length));
}

Options OptionsDialog::Entered() const {
  Options o;
  o.disc_indicator = indicator_->isChecked();
  o.control_byte_row = control_byte_->isChecked();
  o.execute_on_selection = execute_->isChecked();
  o.virtual_drives = virtual_drives_->isChecked();
  o.trace_commands = trace_->isChecked();
  o.trace_file = trace_file_->text().trimmed().toStdString();
  o.language = static_cast<UiLanguage>(language_->currentData().toInt());
  o.command_timeout = static_cast<std::uint32_t>(timeout_->value());
  o.receive_length = static_cast<std::uint32_t>(receive_length_->value());
  return o;
}

Options OptionsDialog::Result() const { return AcceptOptions(previous_, Entered()); }

}  // namespace tamarack::app
