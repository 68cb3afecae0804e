#include "app/form_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/flow_layout.h"
#include "app/ui_text.h"
#include "app/view_text.h"

namespace tamarack::app {

namespace {

int BoxWidth(NumberSize size) {
  switch (size) {
    case NumberSize::kOne:
      return 40;
    case NumberSize::kTwo:
      return 60;
    case NumberSize::kFour:
      return 80;
  }
  return 80;
}

QString Qs(const std::string& s) { return QString::fromStdString(s); }
// The forms' static texts (labels, choices) in the user's language.
QString Qs(const char* s) { return UiText(s); }

// A field's label on a check box or a group box, where "&" would mark a shortcut: "EDC & ECC"
// must read as written.
QString PlainCaption(const char* label) {
  return Qs(label).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// Choice boxes show this many characters at least, their longest entry at most.
constexpr int kChoiceMaxCharacters = 28;

int ChoiceTextLength(const FieldDescriptor& f) {
  qsizetype longest = 1;
  for (const Choice& c : f.choices) longest = std::max(longest, Qs(c.text).size());
  return static_cast<int>(longest);
}

}  // namespace

FormView::FormView(QWidget* parent) : QWidget(parent) {
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
}

void FormView::Clear() {
  if (body_) {
    body_->hide();
    body_->deleteLater();
    body_ = nullptr;
  }
  widgets_.clear();
  fields_.clear();
}

void FormView::Build(const std::vector<FieldDescriptor>& fields,
                     const std::vector<FieldState>& states, bool no_parameter, bool hex) {
  updating_ = true;
  Clear();
  fields_ = fields;
  widgets_.assign(fields.size(), {});
  body_ = new QWidget(this);
  auto* rows = new QVBoxLayout(body_);
  rows->setContentsMargins(0, 0, 0, 0);
  if (no_parameter) {
    auto* label = new QLabel(Qs(kNoParameterText), body_);
    label->setObjectName(QStringLiteral("noParameter"));
    rows->addWidget(label);
  }
  // The fields of a row flow on to another line where the form's width ends; each field's
  // caption, boxes and spin buttons stay together.
  FlowLayout* row = nullptr;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (!row || !fields_[i].same_row) {
      row = new FlowLayout;
      row->setSpacing(6);
      rows->addLayout(row);
    }
    auto* unit = new QWidget(body_);
    auto* unit_layout = new QHBoxLayout(unit);
    unit_layout->setContentsMargins(0, 0, 0, 0);
    unit_layout->setSpacing(4);
    AddField(i, unit, unit_layout);
    row->addWidget(unit);
  }
  rows->addStretch(1);
  layout_->addWidget(body_);
  for (std::size_t i = 0; i < fields_.size() && i < states.size(); ++i) {
    SetValidator(i, hex);
    ApplyState(i, states[i], hex);
  }
  updating_ = false;
}

void FormView::AddField(std::size_t i, QWidget* unit, QHBoxLayout* row) {
  const FieldDescriptor& f = fields_[i];
  FieldWidgets& w = widgets_[i];
  const int index = static_cast<int>(i);
  auto edited = [this, index] {
    if (!updating_) emit FieldEdited(index);
  };
  switch (f.kind) {
    case FieldKind::kLabel: {
      auto* label = new QLabel(Qs(f.label), unit);
      w.main = label;
      row->addWidget(label);
      break;
    }
    case FieldKind::kNote: {
      auto* group = new QGroupBox(PlainCaption(f.label), unit);
      auto* inner = new QVBoxLayout(group);
      auto* label = new QLabel(group);
      label->setWordWrap(true);
      inner->addWidget(label);
      w.main = label;
      w.caption = group;
      row->addWidget(group);
      break;
    }
    case FieldKind::kCheck: {
      auto* box = new QCheckBox(PlainCaption(f.label), unit);
      connect(box, &QCheckBox::clicked, this, edited);
      w.main = box;
      row->addWidget(box);
      break;
    }
    case FieldKind::kChoice: {
      auto* caption = new QLabel(Qs(f.label), unit);
      auto* box = new QComboBox(unit);
      for (const Choice& c : f.choices) box->addItem(Qs(c.text), QVariant::fromValue(c.value));
      // A long entry is shown cut rather than widening the form past the window.
      box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
      box->setMinimumContentsLength(std::min(ChoiceTextLength(f), kChoiceMaxCharacters));
      connect(box, &QComboBox::activated, this, edited);
      w.main = box;
      w.caption = caption;
      row->addWidget(caption);
      row->addWidget(box);
      break;
    }
    case FieldKind::kNumber:
    case FieldKind::kStartPosition: {
      auto* box = new QLineEdit(unit);
      box->setFixedWidth(
          BoxWidth(f.kind == FieldKind::kStartPosition ? NumberSize::kFour : f.size));
      connect(box, &QLineEdit::textEdited, this, [this, index, edited] {
        edited();
        if (!updating_) AdvanceFrom(static_cast<std::size_t>(index));
      });
      auto* up = new QToolButton(unit);
      up->setArrowType(Qt::UpArrow);
      auto* down = new QToolButton(unit);
      down->setArrowType(Qt::DownArrow);
      up->setFixedSize(18, 11);
      down->setFixedSize(18, 11);
      connect(up, &QToolButton::clicked, this, [this, index] { emit SpinPressed(index, true); });
      connect(down, &QToolButton::clicked, this, [this, index] { emit SpinPressed(index, false); });
      auto* spin = new QVBoxLayout;
      spin->setSpacing(0);
      spin->addWidget(up);
      spin->addWidget(down);
      auto* caption = new QLabel(Qs(f.label), unit);
      w.main = box;
      w.up = up;
      w.down = down;
      w.caption = caption;
      // Boxes typed in sequence (a slot's CDB bytes) stand in a run: each caption goes before
      // its box, so that it cannot be read as the next box's.
      if (f.advance_when_full) row->addWidget(caption);
      row->addWidget(box);
      row->addLayout(spin);
      if (!f.advance_when_full) row->addWidget(caption);
      break;
    }
    case FieldKind::kMsf: {
      auto* caption = new QLabel(Qs(f.label), unit);
      row->addWidget(caption);
      w.caption = caption;
      for (int p = 0; p < 3; ++p) {
        auto* box = new QLineEdit(unit);
        box->setFixedWidth(30);
        box->setMaxLength(2);
        box->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), box));
        connect(box, &QLineEdit::textEdited, this, edited);
        w.parts.push_back(box);
        row->addWidget(box);
      }
      w.main = w.parts[0];
      break;
    }
    case FieldKind::kText: {
      auto* group = new QVBoxLayout;
      auto* caption = new QLabel(Qs(f.label), unit);
      auto* box = new QPlainTextEdit(unit);
      box->setMaximumWidth(300);
      box->setFixedHeight(80);
      connect(box, &QPlainTextEdit::textChanged, this, edited);
      group->addWidget(caption);
      group->addWidget(box);
      row->addLayout(group);
      w.main = box;
      w.caption = caption;
      break;
    }
  }
}

void FormView::SetValidator(std::size_t i, bool hex) {
  if (!IsNumberField(fields_[i])) return;
  auto* box = qobject_cast<QLineEdit*>(widgets_[i].main);
  if (!box) return;
  // Decimal boxes take digits (and a sign, as numbers above 7fffffffh show); hex boxes take
  // hexadecimal digits.
  const QString pattern = hex ? QStringLiteral("[0-9a-fA-F]{0,8}") : QStringLiteral("-?[0-9]*");
  box->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), box));
}

void FormView::ApplyState(std::size_t i, const FieldState& s, bool hex) {
  (void)hex;
  const FieldDescriptor& f = fields_[i];
  FieldWidgets& w = widgets_[i];
  switch (f.kind) {
    case FieldKind::kLabel:
      break;
    case FieldKind::kNote:
      if (auto* l = qobject_cast<QLabel*>(w.main)) l->setText(ViewText(s.text));
      break;
    case FieldKind::kCheck:
      if (auto* c = qobject_cast<QCheckBox*>(w.main)) c->setChecked(s.checked);
      break;
    case FieldKind::kChoice:
      if (auto* c = qobject_cast<QComboBox*>(w.main)) c->setCurrentIndex(s.choice);
      break;
    case FieldKind::kNumber:
    case FieldKind::kStartPosition:
      if (auto* e = qobject_cast<QLineEdit*>(w.main); e && e->text() != Qs(s.text)) {
        e->setText(Qs(s.text));
      }
      break;
    case FieldKind::kMsf:
      for (std::size_t p = 0; p < w.parts.size(); ++p) {
        auto* e = qobject_cast<QLineEdit*>(w.parts[p]);
        if (e && e->text() != Qs(s.msf[p])) e->setText(Qs(s.msf[p]));
      }
      break;
    case FieldKind::kText:
      if (auto* e = qobject_cast<QPlainTextEdit*>(w.main); e && !e->hasFocus()) {
        if (e->toPlainText() != ViewText(s.text)) e->setPlainText(ViewText(s.text));
      }
      break;
  }
  const bool enabled = s.enabled;
  if (w.main) w.main->setEnabled(enabled);
  for (QWidget* p : w.parts) p->setEnabled(enabled);
  if (w.up) w.up->setEnabled(enabled);
  if (w.down) w.down->setEnabled(enabled);
  if (w.caption) w.caption->setEnabled(enabled);
}

void FormView::Refresh(const std::vector<FieldState>& states, bool hex) {
  updating_ = true;
  for (std::size_t i = 0; i < fields_.size() && i < states.size(); ++i) {
    SetValidator(i, hex);
    ApplyState(i, states[i], hex);
  }
  updating_ = false;
}

FieldState FormView::StateOf(std::size_t i) const {
  FieldState s;
  if (i >= fields_.size()) return s;
  const FieldWidgets& w = widgets_[i];
  s.enabled = w.main ? w.main->isEnabled() : true;
  switch (fields_[i].kind) {
    case FieldKind::kLabel:
    case FieldKind::kNote:
      if (auto* l = qobject_cast<QLabel*>(w.main)) s.text = l->text().toStdString();
      break;
    case FieldKind::kCheck:
      if (auto* c = qobject_cast<QCheckBox*>(w.main)) s.checked = c->isChecked();
      break;
    case FieldKind::kChoice:
      if (auto* c = qobject_cast<QComboBox*>(w.main)) s.choice = c->currentIndex();
      break;
    case FieldKind::kNumber:
    case FieldKind::kStartPosition:
      if (auto* e = qobject_cast<QLineEdit*>(w.main)) s.text = e->text().toStdString();
      break;
    case FieldKind::kMsf:
      for (std::size_t p = 0; p < w.parts.size() && p < 3; ++p) {
        if (auto* e = qobject_cast<QLineEdit*>(w.parts[p])) s.msf[p] = e->text().toStdString();
      }
      break;
    case FieldKind::kText:
      if (auto* e = qobject_cast<QPlainTextEdit*>(w.main)) s.text = e->toPlainText().toStdString();
      break;
  }
  return s;
}

void FormView::AdvanceFrom(std::size_t i) {
  if (!auto_advance_ || !fields_[i].advance_when_full) return;
  auto* box = qobject_cast<QLineEdit*>(widgets_[i].main);
  if (!box || box->text().size() < 2) return;
  // The next box of the sequence, after the last back to the first.
  for (std::size_t step = 1; step <= fields_.size(); ++step) {
    const std::size_t j = (i + step) % fields_.size();
    if (!fields_[j].advance_when_full) continue;
    if (auto* next = qobject_cast<QLineEdit*>(widgets_[j].main)) {
      next->setFocus();
      next->selectAll();
    }
    return;
  }
}

QWidget* FormView::FieldWidget(std::size_t index) const {
  return index < widgets_.size() ? widgets_[index].main : nullptr;
}

QWidget* FormView::SpinButton(std::size_t index, bool up) const {
  if (index >= widgets_.size()) return nullptr;
  return up ? widgets_[index].up : widgets_[index].down;
}

}  // namespace tamarack::app
