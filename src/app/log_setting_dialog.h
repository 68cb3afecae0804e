// The log setting dialog "エージングログ": what is logged, in how much detail, as HTML or text,
// and where.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <functional>

#include "ageing/ageing_settings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tamarack::app {

class LogSettingDialog : public QDialog {
  Q_OBJECT

 public:
  // `folder` is where "参照(&R)" opens.
  LogSettingDialog(LogOptionWord options, bool html, const QString& path, const QString& folder,
                   QWidget* parent = nullptr);

  // After OK: the word rebuilt from zero (+0x10000 all, +0x20000 failed only, +2 detailed),
  // the HTML flag and the path (at most 260 characters).
  LogOptionWord options() const;
  bool html() const;
  QString path() const;

  // The save-file dialog of "参照(&R)"; tests replace it. Returns the chosen path, or an empty
  // text when the user cancelled.
  std::function<QString(const QString& folder, const QString& name, const QString& filter)>
      choose_file;

  QRadioButton* nothing_button() const { return nothing_; }
  QRadioButton* all_button() const { return all_; }
  QRadioButton* failed_button() const { return failed_; }
  QRadioButton* detailed_button() const { return detailed_; }
  QRadioButton* simple_button() const { return simple_; }
  QRadioButton* medium_button() const { return medium_; }
  QCheckBox* html_box() const { return html_; }
  QLineEdit* path_box() const { return path_; }
  QPushButton* browse_button() const { return browse_; }

 private:
  // The radios of each LogWhat and LogDetail, in their enums' order.
  std::array<QRadioButton*, 3> WhatButtons() const;
  std::array<QRadioButton*, 3> DetailButtons() const;
  void Browse();
  void UpdateEnabled();

  QString folder_;
  QRadioButton* nothing_ = nullptr;
  QRadioButton* all_ = nullptr;
  QRadioButton* failed_ = nullptr;
  QRadioButton* detailed_ = nullptr;
  QRadioButton* simple_ = nullptr;
  QRadioButton* medium_ = nullptr;
  QCheckBox* html_ = nullptr;
  QLineEdit* path_ = nullptr;
  QPushButton* browse_ = nullptr;
};

}  // namespace tamarack::app
