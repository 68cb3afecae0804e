#include "app/continue_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui_text.h"

namespace tamarack::app {

ContinueDialog::ContinueDialog(const QString& text, QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiText("継続の確認"));
  setObjectName(QStringLiteral("continueDialog"));
  auto* layout = new QVBoxLayout(this);
  text_ = new QLabel(text, this);
  layout->addWidget(text_);
  auto button = [this, layout](const char* caption, const char* name, Answer answer) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setObjectName(QString::fromUtf8(name));
    layout->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, answer] {
      answer_ = answer;
      accept();
    });
    return b;
  };
  continue_ = button(Tr("継続する(&O)"), "continueButton", Answer::kContinue);
  skip_ = button(Tr("以後このダイアログを表示しないで継続(&D)"), "skipButton", Answer::kSkip);
  stop_ = button(Tr("処理をｷｬﾝｾﾙする(&C)"), "stopButton", Answer::kStop);
  continue_->setDefault(true);
}

}  // namespace tamarack::app
