#include "app/log_setting_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstddef>

#include "app/help_window.h"
#include "app/ui_text.h"

namespace tamarack::app {

namespace {

constexpr int kMaxPath = 260;

}  // namespace

LogSettingDialog::LogSettingDialog(LogOptionWord options, bool html, const QString& path,
                                   const QString& folder, QWidget* parent)
    : QDialog(parent), folder_(folder) {
  setWindowTitle(UiText("エージングログ"));
  setObjectName(QStringLiteral("logSettingDialog"));
  auto* layout = new QVBoxLayout(this);

  auto* what = new QGroupBox(UiText("取得オプション"), this);
  auto* what_layout = new QVBoxLayout(what);
  nothing_ = new QRadioButton(UiText("取得しない(&N)"), what);
  all_ = new QRadioButton(UiText("全てのコマンドをログする(&A)"), what);
  failed_ = new QRadioButton(UiText("失敗コマンドのみログする(&I)"), what);
  for (QRadioButton* b : {nothing_, all_, failed_}) what_layout->addWidget(b);
  layout->addWidget(what);

  auto* kind = new QGroupBox(UiText("種別"), this);
  auto* kind_layout = new QVBoxLayout(kind);
  detailed_ = new QRadioButton(UiText("詳細なログ(&D)"), kind);
  simple_ = new QRadioButton(UiText("簡略なログ(&S)"), kind);
  // Two further kinds exist in the dialog but are never offered; Medium is shown only when the
  // settings hold it, so that the dialog says what is stored and OK keeps it.
  medium_ = new QRadioButton(QStringLiteral("Medium(&M)"), kind);
  auto* data_check = new QRadioButton(QStringLiteral("Data Check(&K)"), kind);
  for (QRadioButton* b : {detailed_, simple_, medium_, data_check}) kind_layout->addWidget(b);
  for (QRadioButton* b : {medium_, data_check}) {
    b->setEnabled(false);
    b->hide();
  }
  layout->addWidget(kind);

  html_ = new QCheckBox(UiText("HTML形式で作成する(&T)"), this);
  layout->addWidget(html_);
  auto* path_row = new QHBoxLayout;
  path_ = new QLineEdit(path, this);
  path_->setObjectName(QStringLiteral("logPath"));
  path_->setMaxLength(kMaxPath);
  path_->setMinimumWidth(320);
  browse_ = new QPushButton(UiText("参照(&R)"), this);
  browse_->setAutoDefault(false);
  path_row->addWidget(path_, 1);
  path_row->addWidget(browse_);
  layout->addLayout(path_row);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
  auto* help = buttons->addButton(UiText("ヘルプ(&H)"), QDialogButtonBox::HelpRole);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this,
          [this] { HelpWindow::ShowPage(this, QStringLiteral("logset.htm")); });
  connect(browse_, &QPushButton::clicked, this, &LogSettingDialog::Browse);
  connect(nothing_, &QRadioButton::toggled, this, &LogSettingDialog::UpdateEnabled);

  choose_file = [this](const QString& in, const QString& name, const QString& filter) {
    return QFileDialog::getSaveFileName(this, UiText("ﾛｸﾞﾌｧｲﾙの設定"),
                                        in + QStringLiteral("/") + name, filter);
  };

  WhatButtons()[static_cast<std::size_t>(options.what())]->setChecked(true);
  if (options.detail() == LogDetail::kMedium) medium_->show();
  DetailButtons()[static_cast<std::size_t>(options.detail())]->setChecked(true);
  html_->setChecked(html);
  UpdateEnabled();
  path_->selectAll();
  path_->setFocus();
}

void LogSettingDialog::UpdateEnabled() {
  detailed_->setEnabled(!nothing_->isChecked());
  simple_->setEnabled(!nothing_->isChecked());
  medium_->setEnabled(!nothing_->isChecked() && medium_->isVisibleTo(this));
}

void LogSettingDialog::Browse() {
  const bool as_html = html_->isChecked();
  const QString ext = as_html ? QStringLiteral("htm") : QStringLiteral("txt");
  const QString filter = QStringLiteral("log file(*.%1);;all files(*.*)").arg(ext);
  const QString chosen = choose_file(folder_, QStringLiteral("log.") + ext, filter);
  if (!chosen.isEmpty()) path_->setText(chosen);
}

std::array<QRadioButton*, 3> LogSettingDialog::WhatButtons() const {
  return {nothing_, all_, failed_};
}

std::array<QRadioButton*, 3> LogSettingDialog::DetailButtons() const {
  return {simple_, medium_, detailed_};
}

LogOptionWord LogSettingDialog::options() const {
  // The checked button's place is its enum value; none checked reads as the first.
  const auto checked = [](const std::array<QRadioButton*, 3>& buttons) {
    const auto at = std::find_if(buttons.begin(), buttons.end(),
                                 [](const QRadioButton* b) { return b->isChecked(); });
    return static_cast<std::uint8_t>(at == buttons.end() ? 0 : at - buttons.begin());
  };
  return LogOptionWord(static_cast<LogWhat>(checked(WhatButtons())),
                       static_cast<LogDetail>(checked(DetailButtons())));
}

bool LogSettingDialog::html() const { return html_->isChecked(); }

QString LogSettingDialog::path() const { return path_->text().left(kMaxPath); }

}  // namespace tamarack::app
