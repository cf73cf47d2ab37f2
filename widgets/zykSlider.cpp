#include "widgets/zykSlider.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "widgets/BevelEdge.h"
#include "widgets/PictureLoader.h"
#include "widgets/Rounding.h"
#include "widgets/TwipsToPixels.h"
#include "widgets/ValueTip.h"
#include "widgets/VirtualKeyCode.h"

namespace tonalix::widgets {

namespace {

// Logical (device-independent) size of a picture, so high-DPI pictures keep their layout size.
QSize logicalSize(const QPixmap& pixmap) {
  return pixmap.isNull() ? QSize(0, 0) : pixmap.deviceIndependentSize().toSize();
}

// Edge kind drawn around the groove for rail styles 0 to 4.
int edgeKindForStyle(int style) {
  switch (style) {
    case 0: return EdgeSunken;
    case 1: return EdgeRaised;
    case 2: return EdgeSunkenOuter;
    case 3: return EdgeRaisedInner;
    default: return 0;
  }
}

}  // namespace

QPixmap zykSlider::builtInThumb() {
  static const QPixmap thumb = [] {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient metal(0, 0, 0, 16);
    metal.setColorAt(0.0, QColor(0xf2, 0xf4, 0xf6));
    metal.setColorAt(0.45, QColor(0xb8, 0xbe, 0xc4));
    metal.setColorAt(0.55, QColor(0xa4, 0xaa, 0xb2));
    metal.setColorAt(1.0, QColor(0xd8, 0xdc, 0xe0));
    p.setPen(QColor(0x40, 0x44, 0x4a));
    p.setBrush(metal);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setPen(QColor(0x50, 0x56, 0x5c));
    p.drawLine(QPointF(4, 8), QPointF(12, 8));  // grip line
    return pm;
  }();
  return thumb;
}

zykSlider::zykSlider(QWidget* parent) : QWidget(parent) {
  twipsPerPixelX_ = twipsPerPixelAt(logicalDpiX());
  twipsPerPixelY_ = twipsPerPixelAt(logicalDpiY());
  thumb_ = builtInThumb();
  setAttribute(Qt::WA_OpaquePaintEvent);
  resizeStep();
}

zykSlider::~zykSlider() { delete tip_; }

void zykSlider::SetBackColor(ColorValue colour) {
  backColor_ = colour;
  redraw();
}

PropertyError zykSlider::SetMax(int max) {
  if (min_ >= max) return PropertyError::InvalidPropertyValue;
  max_ = max;
  range_ = max_ - min_;
  return PropertyError::None;
}

PropertyError zykSlider::SetMin(int min) {
  if (min >= max_) return PropertyError::InvalidPropertyValue;
  min_ = min;
  (void)SetValue(min);  // always within the new bounds
  range_ = max_ - min_;
  return PropertyError::None;
}

PropertyError zykSlider::SetValue(int value) {
  if (value < min_ || value > max_) return PropertyError::InvalidPropertyValue;
  value_ = value;
  if (value != lastValue_) {
    if (!dragging_) placeThumbForValue();
    redraw();
    lastValue_ = value;
    raiseChangeEvents();
  }
  return PropertyError::None;
}

void zykSlider::raiseChangeEvents() {
  emit ValueChanged();
  if (value_ == max_) emit ArrivedLast();
  if (value_ == min_) emit ArrivedFirst();
}

PropertyError zykSlider::SetOrientation(int orientation) {
  if (orientation != kHorizontal && orientation != kVertical) return PropertyError::InvalidPropertyValue;
  orientation_ = orientation;
  thumbLeft_ = 0;
  thumbTop_ = vertical() ? std::max(0, height() - logicalSize(thumb_).height()) : 0;
  resizeStep();
  return PropertyError::None;
}

void zykSlider::SetRailStyle(int style) {
  railStyle_ = style;
  resizeStep();
}

PropertyError zykSlider::SetSliderIcon(const QString& name) {
  QPixmap pm = name.isEmpty() ? builtInThumb() : loadPicture(name);
  if (pm.isNull()) return PropertyError::InvalidPicture;
  sliderIconName_ = name;
  thumb_ = pm;
  resizeStep();
  return PropertyError::None;
}

PropertyError zykSlider::SetRailPicture(const QString& name) {
  if (assignPicture(name, railPictureName_, rail_) != PropertyError::None) return PropertyError::InvalidPicture;
  resizeStep();
  return PropertyError::None;
}

void zykSlider::ReadProperties(const PropertyBag& bag) {
  backColor_ = bag.readColor(QStringLiteral("BackColor")).value_or(kButtonFace);
  enabled_ = bag.readBool(QStringLiteral("Enabled")).value_or(true);
  const int orientation = bag.readInt(QStringLiteral("Orientation")).value_or(kVertical);
  orientation_ = orientation == kHorizontal ? kHorizontal : kVertical;
  railStyle_ = bag.readInt(QStringLiteral("RailStyle")).value_or(0);
  showValueTip_ = bag.readBool(QStringLiteral("ShowValueTip")).value_or(true);
  // A hand-edited design may hold an empty or inverted range; such a pair is ignored rather
  // than leaving a range of zero to divide by.
  const int min = bag.readInt(QStringLiteral("Min")).value_or(0);
  const int max = bag.readInt(QStringLiteral("Max")).value_or(10);
  if (min < max) {
    min_ = min;
    max_ = max;
  } else {
    min_ = 0;
    max_ = 10;
  }
  value_ = std::clamp(bag.readInt(QStringLiteral("Value")).value_or(0), min_, max_);
  const QString icon = bag.ReadProperty(QStringLiteral("SliderIcon"), QString()).toString();
  const QPixmap iconPm = icon.isEmpty() ? QPixmap() : loadPicture(icon);
  sliderIconName_ = iconPm.isNull() ? QString() : icon;
  thumb_ = iconPm.isNull() ? builtInThumb() : iconPm;
  const QString rail = bag.ReadProperty(QStringLiteral("RailPicture"), QString()).toString();
  rail_ = loadPicture(rail);
  railPictureName_ = rail_.isNull() ? QString() : rail;

  range_ = max_ - min_;
  lastValue_ = value_;
  dragging_ = false;
  resizeStep();  // places the thumb for Value
}

void zykSlider::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty(QStringLiteral("BackColor"), QVariant::fromValue<uint>(backColor_),
                    QVariant::fromValue<uint>(kButtonFace));
  bag.WriteProperty(QStringLiteral("Enabled"), enabled_, true);
  bag.WriteProperty(QStringLiteral("SliderIcon"), sliderIconName_, QString());
  bag.WriteProperty(QStringLiteral("Orientation"), orientation_, kVertical);
  bag.WriteProperty(QStringLiteral("RailPicture"), railPictureName_, QString());
  bag.WriteProperty(QStringLiteral("RailStyle"), railStyle_, 0);
  bag.WriteProperty(QStringLiteral("ShowValueTip"), showValueTip_, true);
  bag.WriteProperty(QStringLiteral("Min"), min_, 0);
  bag.WriteProperty(QStringLiteral("Max"), max_, 10);
  bag.WriteProperty(QStringLiteral("Value"), value_, 0);
}

void zykSlider::resizeStep() {
  if (inResizeStep_) return;
  inResizeStep_ = true;
  const QSize t = logicalSize(thumb_);
  const QSize r = logicalSize(rail_);
  int w = width();
  int h = height();
  if (usesRailPicture()) {
    if (vertical()) {
      w = std::max(t.width(), r.width());
      h = r.height() + 4;
    } else {
      w = r.width() + 4;
      h = std::max(t.height(), r.height());
    }
  } else if (vertical()) {
    if (h == 0) h = t.height();
    w = t.width();
  } else {
    if (w == 0) w = t.width();
    h = t.height();
  }
  if (w != width() || h != height()) resize(w, h);

  // Cross position: centred on a rail picture that is larger than the thumb.
  if (vertical()) {
    thumbLeft_ = usesRailPicture() && r.width() > t.width() ? (r.width() - t.width()) / 2 : 0;
  } else {
    thumbTop_ = usesRailPicture() && r.height() > t.height() ? (r.height() - t.height()) / 2 : 0;
  }
  placeThumbForValue();

  // The groove runs between the thumb's centre positions at both ends, 2 pixels beyond each.
  const int W = width(), H = height();
  if (vertical()) {
    const int top = roundHalfEven(t.height() / 2.0 - 2);
    const int left = roundHalfEven((t.width() - 4) / 2.0);
    railRect_ = QRect(QPoint(left, top), QPoint(left + 4 - 1, H + top - t.height() + 4 - 1));
  } else {
    const int top = roundHalfEven((t.height() - 4) / 2.0);
    const int left = roundHalfEven(t.width() / 2.0 - 2);
    railRect_ = QRect(QPoint(left, top), QPoint(W + left - t.width() + 4 - 1, top + 4 - 1));
  }
  redraw();
  inResizeStep_ = false;
}

void zykSlider::placeThumbForValue() {
  const QSize t = logicalSize(thumb_);
  // A value left beyond Max by a lowered Max still keeps the thumb inside the widget.
  const double f = range_ > 0 ? std::clamp(double(value_ - min_) / range_, 0.0, 1.0) : 0.0;
  if (vertical()) {
    const int span = std::max(0, height() - t.height());
    thumbTop_ = roundHalfEven(span - span * f);
  } else {
    const int span = std::max(0, width() - t.width());
    thumbLeft_ = roundHalfEven(span * f);
  }
}

void zykSlider::redraw() {
  const QSize size = this->size();
  if (size.isEmpty()) {
    surface_ = QPixmap();
    update();
    return;
  }
  const qreal dpr = devicePixelRatioF();
  if (surface_.isNull() || surface_.deviceIndependentSize().toSize() != size || surface_.devicePixelRatio() != dpr) {
    surface_ = QPixmap(size * dpr);
    surface_.setDevicePixelRatio(dpr);
  }
  surface_.fill(resolveColor(backColor_));
  QPainter p(&surface_);
  const int W = size.width(), H = size.height();
  if (railStyle_ == kRailPictureStyle) {
    if (!rail_.isNull()) {
      const QSize r = logicalSize(rail_);
      if (vertical())
        p.drawPixmap((W - r.width()) / 2, 2, rail_);
      else
        p.drawPixmap(2, (H - r.height()) / 2, rail_);
    }
  } else if (railStyle_ >= 0 && railStyle_ <= 4) {
    drawBevelEdge(p, railRect_, edgeKindForStyle(railStyle_));
  }
  p.drawPixmap(thumbLeft_, thumbTop_, thumb_);
  p.end();
  if (showValueTip_ && dragging_) showValueTipNow();
  update();
}

void zykSlider::showValueTipNow() {
  if (!tip_) tip_ = new ValueTip;
  tip_->showNear(QRect(mapToGlobal(thumbRect().topLeft()), thumbRect().size()), vertical(), value_);
}

void zykSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (surface_.isNull())
    p.fillRect(rect(), resolveColor(backColor_));
  else
    p.drawPixmap(0, 0, surface_);
}

void zykSlider::resizeEvent(QResizeEvent*) { resizeStep(); }

void zykSlider::mousePressEvent(QMouseEvent* event) {
  if (!enabled_ || event->button() != Qt::LeftButton) return;
  dragging_ = true;
  const QPointF pos = event->position();
  const QRect thumb = thumbRect();
  if (pos.x() >= thumb.left() && pos.x() < thumb.left() + thumb.width() && pos.y() >= thumb.top() &&
      pos.y() < thumb.top() + thumb.height()) {
    grabX_ = pos.x() - thumb.left();
    grabY_ = pos.y() - thumb.top();
  } else {
    // Pressing beside the thumb brings its centre to the pointer at once.
    grabX_ = thumb.width() / 2.0;
    grabY_ = thumb.height() / 2.0;
    mouseMoveEvent(event);
  }
  if (showValueTip_) showValueTipNow();
  emit DragStart(static_cast<short>(shiftMask(event->modifiers())));
}

void zykSlider::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const QSize t = logicalSize(thumb_);
  const QPointF pos = event->position();
  int v = value_;
  if (vertical()) {
    const int span = height() - t.height();
    const double p = pos.y() - grabY_;
    thumbTop_ = p < 0 ? 0 : (p <= span ? roundHalfEven(p) : std::max(0, span));
    if (span > 0) {
      v = roundHalfEven(double(span - thumbTop_) / span * range_ + min_);
      thumbTop_ = roundHalfEven(span - double(span) * (v - min_) / range_);
    }
  } else {
    const int span = width() - t.width();
    const double p = pos.x() - grabX_;
    thumbLeft_ = p < 0 ? 0 : (p <= span ? roundHalfEven(p) : std::max(0, span));
    if (span > 0) {
      v = roundHalfEven(double(thumbLeft_) / span * range_ + min_);
      thumbLeft_ = roundHalfEven(double(span) * (v - min_) / range_);
    }
  }
  // A widget no larger than its thumb has no travel; the value then stays as it is.
  (void)SetValue(std::clamp(v, min_, max_));
  redraw();
}

void zykSlider::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF pos = event->position();
  const bool inside = pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() < height();
  if (event->button() == Qt::LeftButton && inside) emit Click();
  if (dragging_) {
    dragging_ = false;
    if (tip_) tip_->hide();
    emit DragEnd(static_cast<short>(shiftMask(event->modifiers())));
  }
}

// The second press of a double click starts no drag of its own: the first press already
// reported DragStart and its release DragEnd. Its release still raises Click.
void zykSlider::mouseDoubleClickEvent(QMouseEvent*) {}

}  // namespace tonalix::widgets
