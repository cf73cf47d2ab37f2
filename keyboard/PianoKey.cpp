#include "keyboard/PianoKey.h"

#include <QMouseEvent>
#include <QPainter>

namespace tonalix::keyboard {

PianoKey::PianoKey(int index, QWidget* parent) : QAbstractButton(parent), index_(index) {
  setCheckable(true);
  setFocusPolicy(Qt::StrongFocus);  // the computer keyboard plays through the focused key
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PianoKey::setPicture(const QPixmap& picture) {
  picture_ = picture;
  update();
}

void PianoKey::setCaption(const QString& caption) {
  if (caption == text()) return;
  setText(caption);
  update();
}

void PianoKey::setBackColor(const QColor& colour) {
  backColor_ = colour;
  update();
}

void PianoKey::setForeColor(const QColor& colour) {
  foreColor_ = colour;
  update();
}

void PianoKey::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), backColor_);
  if (!picture_.isNull()) {
    const QSizeF size = picture_.deviceIndependentSize();
    const QPointF topLeft((width() - size.width()) / 2.0, (height() - size.height()) / 2.0);
    p.drawPixmap(topLeft, picture_);
  }
  // Key labels are padded with leading blanks that wrap on the narrow key, so the visible
  // name ends up near the player's end of the key; drawing the trimmed text bottom-aligned
  // gives the same placement without depending on the font's blank width.
  const QString label = text().trimmed();
  if (!label.isEmpty()) {
    p.setPen(foreColor_);
    p.setFont(font());
    p.drawText(rect().adjusted(0, 0, 0, -6), Qt::AlignHCenter | Qt::AlignBottom, label);
  }
  // No focus rectangle is ever drawn: the keys take focus but do not show it.
}

void PianoKey::mousePressEvent(QMouseEvent* event) {
  // The note goes out first; the button's own press handling repaints at once, and that
  // must not stand between the press and the sound.
  emit MouseDown(index_, event->button());
  QAbstractButton::mousePressEvent(event);
}

void PianoKey::mouseReleaseEvent(QMouseEvent* event) {
  // The button's own click handling runs first, so the release handler has the last word on
  // the checked state.
  QAbstractButton::mouseReleaseEvent(event);
  emit MouseUp(index_, event->button());
}

void PianoKey::mouseDoubleClickEvent(QMouseEvent* event) {
  // A fast second click is a second strike of the key, not a different gesture.
  mousePressEvent(event);
}

}  // namespace tonalix::keyboard
