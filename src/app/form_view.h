// Renders a parameter form from its field descriptors and reports what the user edits. It
// knows no command: the console decides what the fields mean.
#pragma once

#include <QWidget>
#include <vector>

#include "form/form_layout.h"

class QHBoxLayout;
class QVBoxLayout;

namespace tamarack::app {

class FormView : public QWidget {
  Q_OBJECT

 public:
  explicit FormView(QWidget* parent = nullptr);

  // Replaces the form. With `no_parameter` the "No Parameter" label comes first.
  void Build(const std::vector<FieldDescriptor>& fields, const std::vector<FieldState>& states,
             bool no_parameter, bool hex);
  // Shows new states (after a collection, a spin or a base switch); the field being typed in
  // keeps its cursor.
  void Refresh(const std::vector<FieldState>& states, bool hex);
  // What the widgets of field `index` hold now.
  FieldState StateOf(std::size_t index) const;

  // Boxes that advance when full (user slot bytes) do so only while this is on.
  void SetAutoAdvance(bool on) { auto_advance_ = on; }

  std::size_t field_count() const { return fields_.size(); }
  // The main widget of a field (line edit, check box, combo box, text box, label; the first
  // box of an MSF field), for tests and focus.
  QWidget* FieldWidget(std::size_t index) const;
  // The spin buttons of a number field (null for other kinds).
  QWidget* SpinButton(std::size_t index, bool up) const;

 signals:
  void FieldEdited(int index);
  void SpinPressed(int index, bool up);

 private:
  struct FieldWidgets {
    QWidget* main = nullptr;
    std::vector<QWidget*> parts;  // MSF boxes
    QWidget* up = nullptr;
    QWidget* down = nullptr;
    QWidget* caption = nullptr;  // the field's label, enabled with it
  };

  void Clear();
  void AddField(std::size_t index, QWidget* unit, QHBoxLayout* row);
  void ApplyState(std::size_t index, const FieldState& state, bool hex);
  void SetValidator(std::size_t index, bool hex);
  void AdvanceFrom(std::size_t index);

  QVBoxLayout* layout_ = nullptr;
  QWidget* body_ = nullptr;
  std::vector<FieldDescriptor> fields_;
  std::vector<FieldWidgets> widgets_;
  bool updating_ = false;
  bool auto_advance_ = false;
};

}  // namespace tamarack::app
