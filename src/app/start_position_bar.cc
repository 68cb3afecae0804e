#include "app/start_position_bar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "mmc/drive_selection.h"

namespace tamarack::app {

namespace {

constexpr std::uint32_t kPlayAudioMsf = 0x47;

// The buttons carry no text: a bar and a triangle for "first", triangles for back and on,
// a triangle and a bar for "last".
QIcon ArrowIcon(QuickSet which) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 60, 60));
  const bool left = which == QuickSet::kFirst || which == QuickSet::kBack;
  const QPolygonF triangle = left ? QPolygonF({QPointF(12, 3), QPointF(12, 13), QPointF(5, 8)})
                                  : QPolygonF({QPointF(4, 3), QPointF(4, 13), QPointF(11, 8)});
  p.drawPolygon(triangle);
  if (which == QuickSet::kFirst) p.drawRect(QRectF(2, 3, 2, 10));
  if (which == QuickSet::kLast) p.drawRect(QRectF(12, 3, 2, 10));
  return QIcon(pixmap);
}

const char* ButtonName(QuickSet which) {
  switch (which) {
    case QuickSet::kFirst:
      return "quickSetFirst";
    case QuickSet::kBack:
      return "quickSetBack";
    case QuickSet::kForward:
      return "quickSetForward";
    case QuickSet::kLast:
      return "quickSetLast";
  }
  return "";
}

}  // namespace

StartPositionBar::StartPositionBar(Console& console, DeviceSession& session, QWidget* parent)
    : QWidget(parent), console_(console), session_(session) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  for (QuickSet which : {QuickSet::kFirst, QuickSet::kBack, QuickSet::kForward, QuickSet::kLast}) {
    auto* b = new QPushButton(this);
    b->setObjectName(QString::fromLatin1(ButtonName(which)));
    b->setFixedSize(22, 22);
    b->setIcon(ArrowIcon(which));
    connect(b, &QPushButton::clicked, this, [this, which] { Press(which); });
    layout->addWidget(b);
    buttons_[static_cast<std::size_t>(which)] = b;
  }
  tracks_ = new QComboBox(this);
  tracks_->setObjectName(QStringLiteral("trackBox"));
  tracks_->setFixedWidth(120);
  tracks_->view()->setMinimumWidth(400);
  connect(tracks_, &QComboBox::activated, this, &StartPositionBar::OnTrackChosen);
  layout->addWidget(tracks_);
  layout->addStretch(1);
  hide();
}

void StartPositionBar::Rebuild() {
  const StartPositionRow row = FindStartPosition(console_.fields());
  setVisible(row.variant != StartPositionRow::Variant::kNone);
  filling_ = true;
  const int keep = tracks_->currentIndex();
  tracks_->clear();
  for (const TrackBoxEntry& e : entries_) {
    tracks_->addItem(QString::fromStdString(TrackBoxText(e, console_.hex_input())),
                     QVariant::fromValue(e.start));
  }
  if (!entries_.empty()) tracks_->setCurrentIndex(keep >= 0 && keep < tracks_->count() ? keep : 0);
  filling_ = false;
}

void StartPositionBar::SetTrackBox(std::vector<TrackBoxEntry> entries, std::uint32_t end_address) {
  entries_ = std::move(entries);
  disc_end_ = end_address;
  Rebuild();
}

void StartPositionBar::Press(QuickSet which) {
  std::optional<std::uint32_t> last;
  if (which == QuickSet::kLast) {
    last = ReadLastLba(session_);
    if (!last) return;  // the status line says why
  }
  Apply(QuickSetUpdates(console_.fields(), console_.field_states(), which, console_.hex_input(),
                        last));
}

void StartPositionBar::OnTrackChosen(int index) {
  if (filling_ || index < 0) return;
  Apply(TrackUpdates(console_.fields(), console_.field_states(), console_.hex_input(), entries_,
                     static_cast<std::size_t>(index), disc_end_,
                     console_.current_opcode() == kPlayAudioMsf));
}

void StartPositionBar::Apply(const std::vector<FieldUpdate>& updates) {
  if (updates.empty()) return;
  for (const FieldUpdate& u : updates) console_.UpdateField(u.index, u.state);
  emit FieldsChanged();
}

}  // namespace tamarack::app
