#include "widgets/zykProgressBar.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "widgets/MousePointer.h"
#include "widgets/PictureLoader.h"
#include "widgets/Rounding.h"

namespace tonalix::widgets {

namespace {
QSize logicalSize(const QPixmap& pixmap) {
  return pixmap.isNull() ? QSize(0, 0) : pixmap.deviceIndependentSize().toSize();
}

QString percent(double fraction, int decimals) {
  return QLocale().toString(fraction * 100.0, 'f', decimals) + QLatin1Char('%');
}
}  // namespace

zykProgressBar::zykProgressBar(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  redraw();
}

void zykProgressBar::SetCaptionCustom(const QString& text) {
  captionCustom_ = text;
  redraw();
}

void zykProgressBar::SetCaptionFormat(int format) {
  captionFormat_ = format;
  redraw();
}

PropertyError zykProgressBar::SetBarPicture(const QString& name) {
  if (assignPicture(name, barPictureName_, bar_) != PropertyError::None) return PropertyError::InvalidPicture;
  resizeStep();
  return PropertyError::None;
}

PropertyError zykProgressBar::SetBarPictureBack(const QString& name) {
  if (assignPicture(name, barPictureBackName_, background_) != PropertyError::None) return PropertyError::InvalidPicture;
  resizeStep();
  return PropertyError::None;
}

void zykProgressBar::SetFont(const QFont& f) {
  setFont(f);
  redraw();
}

void zykProgressBar::SetFontColor(ColorValue colour) {
  fontColor_ = colour;
  redraw();
}

PropertyError zykProgressBar::SetMax(int max) {
  if (min_ >= max) return PropertyError::InvalidPropertyValue;
  max_ = max;
  range_ = max_ - min_;
  redraw();
  return PropertyError::None;
}

PropertyError zykProgressBar::SetMin(int min) {
  if (min >= max_) return PropertyError::InvalidPropertyValue;
  min_ = min;
  (void)SetValue(min);
  range_ = max_ - min_;
  redraw();  // the bar's fraction depends on the new range
  return PropertyError::None;
}

PropertyError zykProgressBar::SetValue(int value) {
  if (value < min_ || value > max_) return PropertyError::InvalidPropertyValue;
  value_ = value;
  redraw();
  if (value != lastValue_) {
    lastValue_ = value;
    emit ValueChanged();
    if (value_ == max_) emit ArrivedLast();
    if (value_ == min_) emit ArrivedFirst();
  }
  return PropertyError::None;
}

PropertyError zykProgressBar::SetMousePointer(int pointer) {
  if (!isValidMousePointer(pointer)) return PropertyError::InvalidPropertyValue;
  mousePointer_ = pointer;
  applyMousePointer(this, mousePointer_, mouseIcon_);
  return PropertyError::None;
}

PropertyError zykProgressBar::SetMouseIcon(const QString& name) {
  if (assignPicture(name, mouseIconName_, mouseIcon_) != PropertyError::None) return PropertyError::InvalidPicture;
  applyMousePointer(this, mousePointer_, mouseIcon_);
  return PropertyError::None;
}

QFont zykProgressBar::inheritedFont() const {
  return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void zykProgressBar::ReadProperties(const PropertyBag& bag) {
  auto readPicture = [&bag](const char* key, QString& name, QPixmap& pm) {
    const QString n = bag.ReadProperty(QString::fromLatin1(key), QString()).toString();
    pm = loadPicture(n);
    name = pm.isNull() ? QString() : n;
  };
  captionCustom_ = bag.ReadProperty(QStringLiteral("CaptionCustom"), QString()).toString();
  captionFormat_ = bag.readInt(QStringLiteral("CaptionFormat")).value_or(0);
  // An empty or inverted range from a hand-edited design is ignored rather than divided by.
  const int max = bag.readInt(QStringLiteral("Max")).value_or(100);
  const int min = bag.readInt(QStringLiteral("Min")).value_or(0);
  if (min < max) {
    min_ = min;
    max_ = max;
  } else {
    min_ = 0;
    max_ = 100;
  }
  orientation_ = bag.readInt(QStringLiteral("Orientation")).value_or(kHorizontal);
  value_ = std::clamp(bag.readInt(QStringLiteral("Value")).value_or(0), min_, max_);
  setEnabled(bag.readBool(QStringLiteral("Enabled")).value_or(true));
  fontColor_ = bag.readColor(QStringLiteral("FontColor")).value_or(kButtonText);
  readPicture("MouseIcon", mouseIconName_, mouseIcon_);
  const QVariant f = bag.ReadProperty(QStringLiteral("Font"));
  if (f.typeId() == QMetaType::QFont)
    setFont(f.value<QFont>());
  else
    setFont(QFont());  // back to the container's font
  readPicture("BarPicture", barPictureName_, bar_);
  readPicture("BarPictureBack", barPictureBackName_, background_);
  const int pointer = bag.readInt(QStringLiteral("MousePointer")).value_or(0);
  mousePointer_ = isValidMousePointer(pointer) ? pointer : 0;
  applyMousePointer(this, mousePointer_, mouseIcon_);

  range_ = max_ - min_;
  lastValue_ = min_;
  dragging_ = false;
  resizeStep();
}

void zykProgressBar::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty(QStringLiteral("BarPicture"), barPictureName_, QString());
  bag.WriteProperty(QStringLiteral("BarPictureBack"), barPictureBackName_, QString());
  bag.WriteProperty(QStringLiteral("CaptionCustom"), captionCustom_, QString());
  bag.WriteProperty(QStringLiteral("CaptionFormat"), captionFormat_, 0);
  // Its own setting, not the greyed state a disabled container passes down.
  bag.WriteProperty(QStringLiteral("Enabled"), !testAttribute(Qt::WA_ForceDisabled), true);
  // The font is written only when it is not simply the container's font.
  if (font() != inheritedFont())
    bag.WriteProperty(QStringLiteral("Font"), font());
  bag.WriteProperty(QStringLiteral("FontColor"), QVariant::fromValue<uint>(fontColor_),
                    QVariant::fromValue<uint>(kButtonText));
  bag.WriteProperty(QStringLiteral("Max"), max_, 100);
  bag.WriteProperty(QStringLiteral("Min"), min_, 0);
  bag.WriteProperty(QStringLiteral("MouseIcon"), mouseIconName_, QString());
  bag.WriteProperty(QStringLiteral("Orientation"), orientation_, kHorizontal);
  bag.WriteProperty(QStringLiteral("Value"), value_, 0);
  bag.WriteProperty(QStringLiteral("MousePointer"), mousePointer_, 0);
}

void zykProgressBar::resizeStep() {
  if (inResizeStep_) return;
  inResizeStep_ = true;
  // The background picture fixes the size. Without one the container's size stands, so a bar
  // placed without pictures stays visible instead of shrinking to nothing.
  if (!background_.isNull()) {
    const QSize s = logicalSize(background_);
    if (s != size()) resize(s);
  }
  redraw();
  inResizeStep_ = false;
}

QString zykProgressBar::captionText() const {
  const double range = range_ > 0 ? range_ : 1;
  switch (captionFormat_) {
    case 1: return QString::number(value_);
    case 2: return percent(value_ / range, 0);
    case 3: return percent(value_ / range, 1);
    case 4: return percent(value_ / range, 2);
    case 5: return percent((value_ - min_) / range, 0);
    case 6: return percent((value_ - min_) / range, 1);
    case 7: return percent((value_ - min_) / range, 2);
    case kCustomCaption: return captionCustom_;
    default: return {};
  }
}

void zykProgressBar::redraw() {
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
  surface_.fill(palette().color(QPalette::Window));
  QPainter p(&surface_);
  if (!background_.isNull()) p.drawPixmap(0, 0, background_);

  const int W = size.width(), H = size.height();
  const double f = range_ > 0 ? double(value_ - min_) / range_ : 0.0;
  if (!bar_.isNull()) {
    QRect part;
    if (orientation_ == kVertical) {
      const int t = std::clamp(roundHalfEven(H - f * H), 0, H);
      part = QRect(0, t, W, H - t);
    } else {
      const int w = std::clamp(roundHalfEven(f * W), 0, W);
      part = QRect(0, 0, w, H);
    }
    // The bar picture is never scaled: the part shown is the part at the same place.
    const qreal barDpr = bar_.devicePixelRatio();
    const QRectF source(part.x() * barDpr, part.y() * barDpr, part.width() * barDpr, part.height() * barDpr);
    if (!part.isEmpty()) p.drawPixmap(QRectF(part), bar_, source);
  }

  const QString caption = captionText();
  if (!caption.isEmpty()) {
    const QFontMetrics fm(font());
    const int x = roundHalfEven(double(W - fm.horizontalAdvance(caption))) / 2;
    const int y = roundHalfEven(double(H - fm.height())) / 2;
    p.setFont(font());
    p.setPen(resolveColor(fontColor_));
    p.drawText(QRect(x, y, fm.horizontalAdvance(caption) + 1, fm.height()), Qt::AlignLeft | Qt::AlignTop, caption);
  }
  p.end();
  update();
}

void zykProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!surface_.isNull()) p.drawPixmap(0, 0, surface_);
}

void zykProgressBar::resizeEvent(QResizeEvent*) { resizeStep(); }

int zykProgressBar::pointToValue(QPointF point) const {
  const int W = width(), H = height();
  if (orientation_ == kHorizontal && W > 0) return roundHalfEven(point.x() / W * range_ + min_);
  if (orientation_ == kVertical && H > 0) return roundHalfEven((H - point.y()) / H * range_ + min_);
  return 0;
}

void zykProgressBar::press(Qt::MouseButton button, QPointF point) {
  if (point.x() < 0 || point.x() >= width() || point.y() < 0 || point.y() >= height()) return;
  pressButton_ = button;
  pressPoint_ = point;
  pressedInside_ = true;
  if (button == Qt::LeftButton) {
    dragging_ = true;
    (void)SetValue(pointToValue(point));
  } else if (button == Qt::RightButton) {
    const int target = pointToValue(point);
    // Out-of-range results (a Max lowered below Value) are refused by the setter and ignored.
    if (value_ < target)
      (void)SetValue(value_ + 1);
    else if (target < value_)
      (void)SetValue(value_ - 1);
  }
}

void zykProgressBar::mousePressEvent(QMouseEvent* event) { press(event->button(), event->position()); }

void zykProgressBar::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const QPointF clamped(std::clamp<qreal>(event->position().x(), 0, width()),
                        std::clamp<qreal>(event->position().y(), 0, height()));
  (void)SetValue(pointToValue(clamped));
}

void zykProgressBar::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  const QPointF pos = event->position();
  const bool inside = pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() < height();
  if (event->button() == Qt::LeftButton && pressedInside_ && inside && !endsDoubleClick_) emit Click();
  pressedInside_ = false;
  endsDoubleClick_ = false;
}

void zykProgressBar::mouseDoubleClickEvent(QMouseEvent*) {
  // The second press of a double click repeats the first one, wherever the pointer is now; a
  // double click is one click, so its release raises no second Click.
  if (pressButton_ != Qt::NoButton) press(pressButton_, pressPoint_);
  endsDoubleClick_ = true;
}

}  // namespace tonalix::widgets
