// A layout that puts its items side by side and starts a new line where the width ends, so a
// row of a form never needs more width than its widest item.
#pragma once

#include <QLayout>
#include <QList>

namespace tamarack::app {

class FlowLayout : public QLayout {
 public:
  explicit FlowLayout(QWidget* parent = nullptr);
  ~FlowLayout() override;

  void addItem(QLayoutItem* item) override;
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize minimumSize() const override;
  QSize sizeHint() const override;
  void setGeometry(const QRect& rect) override;

 private:
  // Lays the items out in `rect` (only measures unless `apply`); returns the height used.
  int Arrange(const QRect& rect, bool apply) const;

  QList<QLayoutItem*> items_;
  int width_ = 0;  // the width of the last geometry, 0 before the first
};

}  // namespace tamarack::app
