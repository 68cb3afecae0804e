// The loop count dialog "エージングループ回数": one number field, "ループ回数".
#pragma once

#include <QDialog>

class QLineEdit;

namespace tamarack::app {

class LoopCountDialog : public QDialog {
  Q_OBJECT

 public:
  LoopCountDialog(int count, QWidget* parent = nullptr);

  // The field's decimal value; text that is not a number gives 0.
  int count() const;
  QLineEdit* count_box() const { return count_; }

 private:
  QLineEdit* count_ = nullptr;
};

}  // namespace tamarack::app
