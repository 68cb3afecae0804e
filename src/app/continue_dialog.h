// "継続の確認": the check's question after a difference, with a third way out: continue and
// stop asking.
#pragma once

#include <QDialog>

#include "job/job_host.h"

class QLabel;
class QPushButton;

namespace tamarack::app {

class ContinueDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ContinueDialog(const QString& text, QWidget* parent = nullptr);

  // kContinue, kSkip or kStop (also for a dialog closed without a button).
  Answer answer() const { return answer_; }

  QLabel* text_label() const { return text_; }
  QPushButton* continue_button() const { return continue_; }
  QPushButton* skip_button() const { return skip_; }
  QPushButton* stop_button() const { return stop_; }

 private:
  Answer answer_ = Answer::kStop;
  QLabel* text_ = nullptr;
  QPushButton* continue_ = nullptr;
  QPushButton* skip_ = nullptr;
  QPushButton* stop_ = nullptr;
};

}  // namespace tamarack::app
