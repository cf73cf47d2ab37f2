#include "keyboard/KeyPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tonalix::keyboard {

namespace {

QPixmap canvas(int w, int h, qreal dpr, const QColor& fill) {
  QPixmap pm(QSize(qRound(w * dpr), qRound(h * dpr)));
  pm.setDevicePixelRatio(dpr);
  pm.fill(fill);
  return pm;
}

// Ivory face lit from above; a pressed key tilts away from the light and shows the shadow of
// the key bed at its far end.
QPixmap whiteKey(int w, int h, qreal dpr, bool pressed) {
  QPixmap pm = canvas(w, h, dpr, Qt::white);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient face(0, 0, 0, h);
  if (pressed) {
    face.setColorAt(0.0, QColor(150, 146, 136));
    face.setColorAt(0.06, QColor(214, 210, 198));
    face.setColorAt(0.7, QColor(236, 232, 220));
    face.setColorAt(1.0, QColor(222, 217, 204));
  } else {
    face.setColorAt(0.0, QColor(196, 192, 182));
    face.setColorAt(0.03, QColor(246, 244, 236));
    face.setColorAt(0.85, QColor(255, 254, 249));
    face.setColorAt(1.0, QColor(236, 233, 224));
  }
  p.fillRect(QRectF(0, 0, w, h), face);

  // Side shading gives the key its rounded body.
  QLinearGradient side(0, 0, w, 0);
  side.setColorAt(0.0, QColor(255, 255, 255, pressed ? 40 : 90));
  side.setColorAt(0.25, QColor(255, 255, 255, 0));
  side.setColorAt(0.8, QColor(0, 0, 0, 0));
  side.setColorAt(1.0, QColor(0, 0, 0, pressed ? 70 : 45));
  p.fillRect(QRectF(0, 0, w, h), side);

  // The front lip: a thin bevel at the player's end of the key.
  const qreal lip = pressed ? 3.0 : 4.0;
  QLinearGradient lipGrad(0, h - lip, 0, h);
  lipGrad.setColorAt(0.0, QColor(255, 255, 255, 200));
  lipGrad.setColorAt(1.0, QColor(170, 165, 152));
  p.fillRect(QRectF(0, h - lip, w, lip), lipGrad);

  p.setPen(QPen(QColor(120, 116, 108, 160), 1.0));
  p.drawLine(QPointF(w - 0.5, 0), QPointF(w - 0.5, h));
  return pm;
}

// Lacquered black key: a bright top face with a glossy streak, darker sloping front.
QPixmap blackKey(int w, int h, qreal dpr, bool pressed) {
  QPixmap pm = canvas(w, h, dpr, QColor(0x40, 0x40, 0x40));
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(QRectF(0, 0, w, h), QColor(8, 8, 10));

  const qreal front = pressed ? 4.0 : 8.0;  // visible front slope shrinks as the key goes down
  const QRectF top(1.5, 0, w - 3.0, h - front);
  QLinearGradient face(0, 0, 0, top.bottom());
  face.setColorAt(0.0, QColor(18, 18, 20));
  face.setColorAt(0.6, pressed ? QColor(34, 34, 38) : QColor(48, 48, 54));
  face.setColorAt(1.0, pressed ? QColor(46, 46, 50) : QColor(72, 72, 80));
  QPainterPath path;
  path.addRoundedRect(top, 1.5, 1.5);
  p.fillPath(path, face);

  // Gloss streak along the key.
  QLinearGradient gloss(top.left(), 0, top.right(), 0);
  gloss.setColorAt(0.0, QColor(255, 255, 255, 0));
  gloss.setColorAt(0.35, QColor(255, 255, 255, pressed ? 25 : 55));
  gloss.setColorAt(0.6, QColor(255, 255, 255, 0));
  p.fillRect(QRectF(top.left(), top.top() + 4, top.width(), top.height() - 8), gloss);

  QLinearGradient slope(0, h - front, 0, h);
  slope.setColorAt(0.0, QColor(90, 90, 98));
  slope.setColorAt(1.0, QColor(20, 20, 22));
  p.fillRect(QRectF(1, h - front, w - 2, front), slope);
  return pm;
}

}  // namespace

KeyPictures KeyPictures::paint(qreal dpr) {
  if (dpr < 1.0) dpr = 1.0;
  KeyPictures k;
  k.picWhiteKU = whiteKey(16, 111, dpr, false);
  k.picWhiteKD = whiteKey(19, 113, dpr, true);
  k.picBlackKU = blackKey(13, 70, dpr, false);
  k.picBlackKD = blackKey(13, 70, dpr, true);
  return k;
}

}  // namespace tonalix::keyboard
