#include "widgets/bvlBUTTON.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <algorithm>

#include "widgets/MousePointer.h"
#include "widgets/VirtualKeyCode.h"

namespace tonalix::widgets {

namespace {

QColor qcolour(ColorValue v) { return resolveColor(mdlSHPCLR::TranslateColour(v)); }

// Position of something of `size` in `box` for a 3 x 3 justification (0 top left .. 8 bottom right).
QPoint justified(const QRect& box, const QSize& size, int justify) {
  const int col = justify % 3, row = justify / 3;
  const int x = col == 1 ? box.left() + (box.width() - size.width()) / 2
                : col == 2 ? box.right() + 1 - size.width() : box.left();
  const int y = row == 1 ? box.top() + (box.height() - size.height()) / 2
                : row == 2 ? box.bottom() + 1 - size.height() : box.top();
  return {x, y};
}

}  // namespace

bvlBUTTON::bvlBUTTON(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::TabFocus);
  caption_ = objectName();
  tmrRCB_.setInterval(kTimerMs);
  connect(&tmrRCB_, &QTimer::timeout, this, &bvlBUTTON::tick);
  resize(sizeHint());
}

bvlBUTTON::~bvlBUTTON() { terminated_ = true; }

void bvlBUTTON::changed(const char* key) { emit PropertyChanged(QString::fromLatin1(key)); }

// ---- properties ---------------------------------------------------------------------------

void bvlBUTTON::setAccessKeys(const QString& keys) {
  for (int id : shortcutIds_) releaseShortcut(id);
  shortcutIds_.clear();
  accessKeys_ = keys;
  for (QChar c : keys)
    if (!c.isSpace()) shortcutIds_ << grabShortcut(QKeySequence(QStringLiteral("Alt+") + c));
  changed("AccessKeys");
}

void bvlBUTTON::setAppearance(int shape) {
  if (shape < 0 || shape > 3) return;
  appearance_ = shape;
  changed("Appearance");
  shapeStep();
}

void bvlBUTTON::setBackColour(ColorValue colour) {
  backColour_ = colour;
  changed("BackColour");
  bevelStep();
}

void bvlBUTTON::setBehaviour(int behaviour) {
  if (behaviour < 0 || behaviour > 2) return;
  behaviour_ = behaviour;
  changed("Behaviour");
}

void bvlBUTTON::setBevelAutoAdjust(bool on) {
  bevelAutoAdjust_ = on;
  changed("BevelAutoAdjust");
  bevelStep();
}

void bvlBUTTON::setBevelHeight(int height) {
  if (height < 0 || height > 32767) return;
  bevelHeight_ = height;
  changed("BevelHeight");
  bevelStep();
}

void bvlBUTTON::setCaption(const QString& caption) {
  caption_ = caption;
  changed("Caption");
  repaintFace(true);
}

void bvlBUTTON::setCaptionJustify(int justify) {
  if (justify < 0 || justify > 8) return;
  captionJustify_ = justify;
  changed("CaptionJustify");
  layout();
  repaintFace(true);
}

void bvlBUTTON::setCaptionColour(ColorValue colour) {
  captionColour_ = colour;
  changed("CaptionColour");
  repaintFace(true);
}

void bvlBUTTON::setCaptionHoverColour(ColorValue colour) {
  captionHoverColour_ = colour;
  changed("CaptionHoverColour");
}

void bvlBUTTON::setCaptionOffset(const QString& offset) {
  QString text = offset;
  std::int16_t x = captionX_, y = captionY_;
  if (!mdlSHPCLR::ParseCartesian(text, x, y)) return;
  captionOffset_ = text;
  captionX_ = x;
  captionY_ = y;
  changed("CaptionOffset");
  layout();
  repaintFace(true);
}

void bvlBUTTON::setEnabledState(bool enabled) {
  setEnabled(enabled);
  changed("Enabled");
}

void bvlBUTTON::setCaptionFont(const QFont& f) {
  setFont(f);
  changed("Font");
  repaintFace(true);
}

void bvlBUTTON::setMouseKeys(int mask) {
  mouseKeys_ = mask;
  changed("MouseKeys");
}

void bvlBUTTON::setPicture(const ButtonPicture& picture) {
  picture_ = picture;
  changed("Picture");
  preparePictures();
  layout();
  repaintFace(true);
}

void bvlBUTTON::setPictureJustify(int justify) {
  if (justify < 0 || justify > 8) return;
  pictureJustify_ = justify;
  changed("PictureJustify");
  layout();
  repaintFace(true);
}

void bvlBUTTON::setPictureHover(const ButtonPicture& picture) {
  pictureHover_ = picture;
  changed("PictureHover");
  preparePictures();
  layout();
}

void bvlBUTTON::setPictureOffset(const QString& offset) {
  QString text = offset;
  std::int16_t x = pictureX_, y = pictureY_;
  if (!mdlSHPCLR::ParseCartesian(text, x, y)) return;
  pictureOffset_ = text;
  pictureX_ = x;
  pictureY_ = y;
  changed("PictureOffset");
  layout();
  repaintFace(true);
}

void bvlBUTTON::setTransparency(ColorValue colour) {
  transparency_ = colour;
  changed("Transparency");
  preparePictures();
  repaintFace(true);
}

void bvlBUTTON::setUseTransparency(bool on) {
  useTransparency_ = on;
  changed("UseTransparency");
  preparePictures();
  repaintFace(true);
}

void bvlBUTTON::setMouseIcon(const ButtonPicture& icon) {
  mouseIcon_ = icon;
  changed("MouseIcon");
  applyMousePointer(this, mousePointer_, mouseIcon_.pixmap);
}

void bvlBUTTON::setMousePointer(int pointer) {
  if (!isValidMousePointer(pointer)) return;
  mousePointer_ = pointer;
  changed("MousePointer");
  applyMousePointer(this, mousePointer_, mouseIcon_.pixmap);
}

void bvlBUTTON::setValue(bool value) {
  if (behaviour_ == PushButton || value == value_) return;
  value_ = value;
  changed("Value");
  if (value) {
    if (behaviour_ == OptionButton) {
      clearGroup();
      value_ = true;
    }
    state_ |= kDown;
    if (!pressed_) emit Click();
  } else {
    state_ &= ~kDown;
    if (behaviour_ == ToggleButton && !pressed_) emit Click();
  }
  repaintFace(true);
}

void bvlBUTTON::clearGroup() {
  // The group is every option button whose container is this one's, or is named like it.
  const QWidget* mine = parentWidget();
  QWidget* form = window();
  if (!mine || !form) return;
  for (bvlBUTTON* other : form->findChildren<bvlBUTTON*>()) {
    if (other == this) continue;
    const QWidget* theirs = other->parentWidget();
    const bool sameContainer =
        theirs == mine || (!mine->objectName().isEmpty() && theirs && theirs->objectName() == mine->objectName());
    if (sameContainer && other->behaviour_ == OptionButton && other->value_) other->setValue(false);
  }
}

// ---- shape, bevel, layout and pictures ----------------------------------------------------

void bvlBUTTON::Refresh() { shapeStep(); }

void bvlBUTTON::shapeStep() {
  if (resizing_ || terminated_) return;
  resizing_ = true;
  int w = width(), h = height();
  if (appearance_ == mdlSHPCLR::ShapeEllipse && w != h) {
    w = h = std::max(w, h);
    resize(w, h);
  }
  QRegion shape;
  switch (appearance_) {
    case 0: shape = QRegion(0, 0, w, h); break;
    case 1: shape = QRegion(0, 0, w, h, QRegion::Ellipse); break;
    default: {
      // Corner ellipse: half the shorter side for shape 2, the whole of it for shape 3.
      const int corner = appearance_ == 2 ? std::min(w, h) / 2 : std::min(w, h);
      shape = mdlSHPCLR::RoundedRegion(w, h, corner / 2);
    }
  }
  setMask(shape);
  raised_ = QImage(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
  sunken_ = raised_;
  resizing_ = false;
  bevelStep();
}

void bvlBUTTON::bevelStep() {
  if (reading_ || raised_.isNull()) return;
  if (bevelAutoAdjust_) bevelHeight_ = 0;
  std::int16_t height = static_cast<std::int16_t>(bevelHeight_);
  mdlSHPCLR::PaintBevel(raised_, height, backColour_, appearance_, 2, false, false);
  mdlSHPCLR::PaintBevel(sunken_, height, backColour_, appearance_, 1, true, false);
  bevelHeight_ = height;
  ++bevelPaints_;
  layout();
  preparePictures();
  repaintFace(true);
}

void bvlBUTTON::layout() {
  const int b = bevelHeight_;
  captionBox_ = QRect(QPoint(b + captionX_, b + captionY_), QPoint(width() - b + captionX_ - 1, height() - b + captionY_ - 1));
  pictureBox_ = QRect(QPoint(b + pictureX_, b + pictureY_), QPoint(width() - b + pictureX_ - 1, height() - b + pictureY_ - 1));
  picturePos_ = picture_.isNull() ? QPoint() : justified(pictureBox_, picture_.pixmap.size(), pictureJustify_);
  hoverPicturePos_ = pictureHover_.isNull() ? QPoint() : justified(pictureBox_, pictureHover_.pixmap.size(), pictureJustify_);
}

void bvlBUTTON::preparePictures() {
  if (reading_) return;
  const QRgb clear = qcolour(transparency_).rgb() & 0xFFFFFFu;
  const ButtonPicture* sources[2] = {&picture_, &pictureHover_};
  for (int row = 0; row < 2; ++row) {
    pictureCells_[row][0] = pictureCells_[row][1] = QPixmap();
    if (sources[row]->isNull()) continue;
    QImage normal = sources[row]->pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage disabled = normal;
    for (int y = 0; y < normal.height(); ++y) {
      auto* n = reinterpret_cast<QRgb*>(normal.scanLine(y));
      auto* d = reinterpret_cast<QRgb*>(disabled.scanLine(y));
      for (int x = 0; x < normal.width(); ++x) {
        // The disabled look: hue kept, no saturation, a little lighter.
        const QRgb p = n[x];
        mdlSHPCLR::HLSColour hls = mdlSHPCLR::RGBToHLS(rgbValue(qRed(p), qGreen(p), qBlue(p)));
        hls.saturation = 0;
        hls.luminance = hls.luminance >= 220 ? 240 : static_cast<std::int16_t>(hls.luminance + 20);
        const ColorValue g = mdlSHPCLR::HLSToRGB(hls);
        d[x] = qRgba(static_cast<int>(g & 0xFF), static_cast<int>((g >> 8) & 0xFF), static_cast<int>((g >> 16) & 0xFF), qAlpha(p));
        if (useTransparency_ && (p & 0xFFFFFFu) == clear) n[x] = d[x] = 0;
      }
    }
    pictureCells_[row][0] = QPixmap::fromImage(normal);
    pictureCells_[row][1] = QPixmap::fromImage(disabled);
  }
}

// ---- drawing ------------------------------------------------------------------------------

void bvlBUTTON::repaintFace(bool force) {
  if (reading_) {
    drawnState_ = -1;
    return;
  }
  if (state_ == drawnState_ && !force) return;
  if (raised_.isNull()) return;
  face_ = QPixmap(size());
  QPainter p(&face_);
  p.drawImage(0, 0, (state_ & kDown) ? sunken_ : raised_);
  const bool disabled = state_ & kDisabled;
  const QPoint shift = (state_ & kDown) ? QPoint(1, 1) : QPoint();
  const bool useHover = (state_ & kHover) && !disabled && !pictureCells_[1][0].isNull();
  const QPixmap& pic = pictureCells_[useHover ? 1 : 0][disabled ? 1 : 0];
  if (!pic.isNull()) p.drawPixmap((useHover ? hoverPicturePos_ : picturePos_) + shift, pic);
  QColor text;
  if (disabled) {
    mdlSHPCLR::HLSColour face = mdlSHPCLR::RGBToHLS(mdlSHPCLR::TranslateColour(backColour_));
    face.luminance = static_cast<std::int16_t>(std::min(240.0, face.luminance * 1.2));
    text = resolveColor(mdlSHPCLR::HLSToRGB(face));
  } else {
    text = qcolour((state_ & kHover) ? captionHoverColour_ : captionColour_);
  }
  if (!caption_.isEmpty()) {
    p.setPen(text);
    p.setFont(font());
    const int col = captionJustify_ % 3, row = captionJustify_ / 3;
    const int align = (col == 0 ? Qt::AlignLeft : col == 1 ? Qt::AlignHCenter : Qt::AlignRight) |
                      (row == 0 ? Qt::AlignTop : row == 1 ? Qt::AlignVCenter : Qt::AlignBottom);
    p.drawText(captionBox_.translated(shift), align | Qt::TextSingleLine | Qt::TextShowMnemonic, caption_);
  }
  p.end();
  drawnState_ = state_;
  update();
}

void bvlBUTTON::paintEvent(QPaintEvent*) {
  if (face_.size() != size()) repaintFace(true);
  QPainter p(this);
  p.drawPixmap(0, 0, face_);
}

void bvlBUTTON::resizeEvent(QResizeEvent*) { shapeStep(); }

// ---- mouse, keys and timer ----------------------------------------------------------------

void bvlBUTTON::mousePressEvent(QMouseEvent* e) {
  const int button = mouseButtonCode(e->button());
  if (!isEnabled() || !(button & mouseKeys_)) return;
  doubleClicked_ = false;
  pressed_ = true;
  state_ = kDown | kHover;
  repaintFace(false);
  const QPointF pos = e->position();
  emit MouseDown(button, shiftMask(e->modifiers()), float(pos.x()), float(pos.y()));
}

void bvlBUTTON::mouseReleaseEvent(QMouseEvent* e) {
  // Only the release of a press this button accepted selects and clicks it.
  if (!isEnabled() || !pressed_) return;
  const QPointF pos = e->position();
  const bool over = mdlSHPCLR::IsMouseOver(this, pos.toPoint());
  if (over) {
    if (behaviour_ == PushButton) {
      state_ = kHover;
    } else if (behaviour_ == ToggleButton) {
      if (value_) {
        setValue(false);
        state_ = kHover;
      } else {
        setValue(true);
      }
    } else if (!value_) {
      setValue(true);
    }
    emit MouseUp(mouseButtonCode(e->button()), shiftMask(e->modifiers()), float(pos.x()), float(pos.y()));
  } else {
    state_ = (behaviour_ != PushButton && value_) ? kDown : 0;
  }
  repaintFace(false);
  pressed_ = false;
  // The click of a press and release on the button: exactly one, the value rule stayed silent.
  // The release that ends a double click has had its DblClick and clicks no second time.
  const bool second = doubleClicked_;
  doubleClicked_ = false;
  if (over && !second) emit Click();
}

void bvlBUTTON::mouseDoubleClickEvent(QMouseEvent* e) {
  if (!isEnabled()) return;
  emit DblClick();
  // Qt may or may not have delivered the second press before this; it presses the button once.
  if (!pressed_) mousePressEvent(e);
  doubleClicked_ = pressed_;
}

void bvlBUTTON::mouseMoveEvent(QMouseEvent* e) {
  if (!isEnabled()) return;
  const QPointF pos = e->position();
  lastPointer_ = pos.toPoint();
  if (mdlSHPCLR::IsMouseOver(this, lastPointer_)) state_ |= kHover;
  else state_ &= ~kHover;
  repaintFace(false);
  if (!tmrRCB_.isActive()) tmrRCB_.start();
  const float less = (state_ & kDown) ? 2.0f : 0.0f;
  emit MouseMove(mouseButtonMask(e->buttons()), shiftMask(e->modifiers()), float(pos.x()) - less, float(pos.y()) - less);
}

void bvlBUTTON::tick() {
  // The pointer is over when Qt still has it inside and its last place lies on the shape.
  const bool over = underMouse() && mdlSHPCLR::IsMouseOver(this, lastPointer_);
  if (!over) {
    tmrRCB_.stop();
    if (state_ & kFlash) {
      state_ = 0;
    } else {
      state_ &= ~kHover;
      emit MouseExit();
    }
  } else if (state_ & kFlash) {
    state_ = kHover;
    tmrRCB_.stop();
  }
  if (!(state_ & kDown) && behaviour_ != PushButton && value_) state_ |= kDown;
  repaintFace(false);
}

void bvlBUTTON::Flash() {
  if (!isEnabled()) return;
  state_ = kDown | kHover | kFlash;
  repaintFace(false);
  tmrRCB_.start();
}

void bvlBUTTON::keyPressEvent(QKeyEvent* e) {
  emit KeyDown(e->key(), shiftMask(e->modifiers()));
  if (!e->text().isEmpty()) emit KeyPress(e->text().at(0).unicode());
}

void bvlBUTTON::keyReleaseEvent(QKeyEvent* e) { emit KeyUp(e->key(), shiftMask(e->modifiers())); }

bool bvlBUTTON::event(QEvent* e) {
  if (e->type() == QEvent::Shortcut) {
    if (isEnabled()) {
      Flash();
      emit Click();
    }
    return true;
  }
  return QWidget::event(e);
}

void bvlBUTTON::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) {
    if (isEnabled()) state_ &= ~kDisabled;
    else state_ |= kDisabled;
    repaintFace(true);
  }
  QWidget::changeEvent(e);
}

// ---- saved settings -----------------------------------------------------------------------

void bvlBUTTON::ReadProperties(const PropertyBag& bag) {
  reading_ = true;
  // Numbers out of their range are brought into it, unlike the other widgets' settings.
  auto num = [&](const char* key, int fallback) { return bag.readInt(QLatin1String(key)).value_or(fallback); };
  auto flag = [&](const char* key, bool fallback) { return bag.readBool(QLatin1String(key)).value_or(fallback); };
  auto text = [&](const char* key, const QString& fallback) { return bag.ReadProperty(QLatin1String(key), fallback).toString(); };
  auto colour = [&](const char* key, ColorValue fallback) { return bag.readColor(QLatin1String(key)).value_or(fallback); };
  accessKeys_ = text("AccessKeys", QString());
  appearance_ = std::clamp(num("Appearance", 2), 0, 3);
  backColour_ = colour("BackColour", kButtonFace);
  behaviour_ = std::clamp(num("Behaviour", 0), 0, 2);
  bevelAutoAdjust_ = flag("BevelAutoAdjust", true);
  bevelHeight_ = std::clamp(num("BevelHeight", 0), 0, 32767);
  caption_ = text("Caption", objectName());
  captionJustify_ = std::clamp(num("CaptionJustify", 4), 0, 8);
  captionColour_ = colour("CaptionColour", 0x80000008u);
  captionHoverColour_ = colour("CaptionHoverColour", 0x8000000Eu);
  captionOffset_ = text("CaptionOffset", QStringLiteral("(0,0)"));
  setEnabled(flag("Enabled", true));
  const QVariant f = bag.ReadProperty(QStringLiteral("Font"));
  if (f.typeId() == QMetaType::QFont) setFont(f.value<QFont>());
  mouseKeys_ = num("MouseKeys", 1);
  picture_ = ButtonPicture::fromVariant(bag.ReadProperty(QStringLiteral("Picture")));
  pictureJustify_ = std::clamp(num("PictureJustify", 4), 0, 8);
  pictureHover_ = ButtonPicture::fromVariant(bag.ReadProperty(QStringLiteral("PictureHover")));
  pictureOffset_ = text("PictureOffset", QStringLiteral("(0,0)"));
  transparency_ = colour("Transparency", 0xC0C0C0u);
  useTransparency_ = flag("UseTransparency", true);
  value_ = flag("Value", false);
  mouseIcon_ = ButtonPicture::fromVariant(bag.ReadProperty(QStringLiteral("MouseIcon")));
  mousePointer_ = num("MousePointer", 0);
  if (!isValidMousePointer(mousePointer_)) mousePointer_ = 0;
  // A bad saved offset loads as the default, quietly: no message box while a window opens.
  if (!mdlSHPCLR::ParseCartesian(captionOffset_, captionX_, captionY_, {})) {
    captionOffset_ = QStringLiteral("(0,0)");
    captionX_ = captionY_ = 0;
  }
  if (!mdlSHPCLR::ParseCartesian(pictureOffset_, pictureX_, pictureY_, {})) {
    pictureOffset_ = QStringLiteral("(0,0)");
    pictureX_ = pictureY_ = 0;
  }
  reading_ = false;
  setAccessKeys(accessKeys_);
  applyMousePointer(this, mousePointer_, mouseIcon_.pixmap);
  if (behaviour_ == PushButton) value_ = false;
  state_ = (value_ ? kDown : 0) | (isEnabled() ? 0 : kDisabled);
  shapeStep();
}

void bvlBUTTON::WriteProperties(PropertyBag& bag) const {
  auto picture = [&](const char* key, const ButtonPicture& p) {
    if (!p.isNull()) bag.WriteProperty(QLatin1String(key), p.toVariant());
  };
  bag.WriteProperty(QStringLiteral("AccessKeys"), accessKeys_, QString());
  bag.WriteProperty(QStringLiteral("Appearance"), appearance_, 2);
  bag.WriteProperty(QStringLiteral("BackColour"), backColour_, kButtonFace);
  bag.WriteProperty(QStringLiteral("Behaviour"), behaviour_, 0);
  bag.WriteProperty(QStringLiteral("BevelAutoAdjust"), bevelAutoAdjust_, true);
  // The height as painted, automatic or not: a design then says what the window shows, and
  // loading it with BevelAutoAdjust works the same height out again from the same size.
  bag.WriteProperty(QStringLiteral("BevelHeight"), bevelHeight_, 0);
  bag.WriteProperty(QStringLiteral("Caption"), caption_, objectName());
  bag.WriteProperty(QStringLiteral("CaptionJustify"), captionJustify_, 4);
  bag.WriteProperty(QStringLiteral("CaptionColour"), captionColour_, 0x80000008u);
  bag.WriteProperty(QStringLiteral("CaptionHoverColour"), captionHoverColour_, 0x8000000Eu);
  bag.WriteProperty(QStringLiteral("CaptionOffset"), captionOffset_, QStringLiteral("(0,0)"));
  bag.WriteProperty(QStringLiteral("Enabled"), isEnabled(), true);
  if (testAttribute(Qt::WA_SetFont)) bag.WriteProperty(QStringLiteral("Font"), font());
  bag.WriteProperty(QStringLiteral("MouseKeys"), mouseKeys_, 1);
  picture("Picture", picture_);
  bag.WriteProperty(QStringLiteral("PictureJustify"), pictureJustify_, 4);
  picture("PictureHover", pictureHover_);
  bag.WriteProperty(QStringLiteral("PictureOffset"), pictureOffset_, QStringLiteral("(0,0)"));
  bag.WriteProperty(QStringLiteral("Transparency"), transparency_, 0xC0C0C0u);
  bag.WriteProperty(QStringLiteral("UseTransparency"), useTransparency_, true);
  bag.WriteProperty(QStringLiteral("Value"), value_, false);
  picture("MouseIcon", mouseIcon_);
  bag.WriteProperty(QStringLiteral("MousePointer"), mousePointer_, 0);
}

}  // namespace tonalix::widgets
