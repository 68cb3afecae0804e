#include "paint/drawing_painter.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <cstdio>
#include <memory>
#include <variant>

namespace tamarack::paint {

namespace {

QColor Color(Rgb c) { return QColor(c.r, c.g, c.b); }

QRect Rect(const Box& b) { return QRect(b.left, b.top, b.width(), b.height()); }

}  // namespace

void PaintDrawing(QPainter& painter, const Drawing& drawing, const QFont& font) {
  painter.save();
  painter.setFont(font);
  for (const Shape& shape : drawing) {
    if (const auto* f = std::get_if<FillShape>(&shape)) {
      painter.fillRect(Rect(f->box), Color(f->color));
    } else if (const auto* l = std::get_if<LineShape>(&shape)) {
      QPen pen(Color(l->color));
      pen.setWidth(l->width);
      pen.setCapStyle(Qt::SquareCap);
      painter.setPen(pen);
      painter.drawLine(l->x1, l->y1, l->x2, l->y2);
    } else if (const auto* t = std::get_if<TextShape>(&shape)) {
      const QRect box = Rect(t->box);
      const QString text = QString::fromStdString(t->text);
      painter.save();
      painter.setClipRect(box);
      // The background only behind the text itself, as an opaque text background paints.
      const QRect used = painter.boundingRect(box, Qt::AlignLeft | Qt::AlignTop, text);
      painter.fillRect(used.intersected(box), Color(t->background));
      painter.setPen(Color(t->color));
      painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
      painter.restore();
    }
  }
  painter.restore();
}

bool EncodePng(const Drawing& drawing, int width, int height, std::string* png,
               std::string* error) {
  // Fonts need a Qt application; a command-line run has none and no display either.
  // Fresh arguments at each call: Qt takes the options it knows out of argc and argv, so a
  // second application made from the same ones would look for a display and abort.
  std::unique_ptr<QGuiApplication> app;
  int argc = 3;
  char arg0[] = "tamarack-cli";
  char arg1[] = "-platform";
  char arg2[] = "offscreen";
  char* argv[] = {arg0, arg1, arg2, nullptr};
  // Its notes about the environment of a headless run are no business of the command's.
  const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
          std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        }
      });
  if (!QCoreApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);

  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    QFont font;
    font.setPixelSize(11);
    PaintDrawing(painter, drawing, font);
  }
  QByteArray bytes;
  QBuffer sink(&bytes);
  sink.open(QIODevice::WriteOnly);
  const bool encoded = image.save(&sink, "PNG");
  app.reset();
  qInstallMessageHandler(previous);
  if (!encoded) {
    *error = "the image could not be encoded as PNG";
    return false;
  }
  png->assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return true;
}

}  // namespace tamarack::paint
