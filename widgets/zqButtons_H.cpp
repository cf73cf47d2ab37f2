#include "widgets/zqButtons_H.h"

#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcutEvent>
#include <array>

#include "widgets/ButtonOptionGroups.h"
#include "widgets/ButtonPainter.h"
#include "widgets/MousePointer.h"
#include "widgets/VirtualKeyCode.h"

namespace tonalix::widgets {

namespace {
constexpr int kHoverPeriodMs = 50;
// A slanted button that its container keeps from growing stops widening after this many steps.
constexpr int kMaxSlantWidenSteps = 400;

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// One-pixel offsets of the CustomClick directions 1..8.
constexpr std::array<QPoint, 9> kCustomClickOffsets{
    QPoint(0, 0),  QPoint(0, -1), QPoint(1, -1), QPoint(-1, -1), QPoint(1, 1),
    QPoint(-1, 1), QPoint(1, 0),  QPoint(0, 1),  QPoint(-1, 0)};

// Scan codes the container sees with an arrow key passed on by a focused button.
int arrowScanCode(int keyCode) {
  switch (keyCode) {
    case VkRight: return 0x4D;
    case VkDown: return 0x50;
    case VkLeft: return 0x4B;
    case VkUp: return 0x48;
    default: return 0;
  }
}

// The access key of a caption: the character after the last "&" that is not part of "&&".
// Returns false when the caption has no such "&".
bool findAccessKey(const QString& caption, QString& key) {
  for (qsizetype i = caption.size() - 1; i >= 0;) {
    if (caption[i] != QLatin1Char('&')) {
      --i;
    } else if (i > 0 && caption[i - 1] == QLatin1Char('&')) {
      i -= 2;
    } else {
      key = i + 1 < caption.size() ? caption.mid(i + 1, 1) : QString();
      return true;
    }
  }
  return false;
}

// No picture is the default, so it leaves the key out.
void writePicture(PropertyBag& bag, const QString& name, const ButtonPicture& picture) {
  if (picture.isNull())
    bag.WriteProperty(name, QString(), QString());
  else
    bag.WriteProperty(name, picture.toVariant());
}

}  // namespace

zqButtons_H::zqButtons_H(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);  // hover starts on a plain move, no button down
  setAttribute(Qt::WA_OpaquePaintEvent);
  hoverTimer_.setTimerType(Qt::PreciseTimer);
  hoverTimer_.setInterval(kHoverPeriodMs);
  connect(&hoverTimer_, &QTimer::timeout, this, &zqButtons_H::checkHover);
  attachToContainer();
}

zqButtons_H::~zqButtons_H() {
  hoverTimer_.stop();
  if (mode_ == ModeOption && container_) ButtonOptionGroups::leave(container_, this);
}

// ---- properties ---------------------------------------------------------------------------

void zqButtons_H::setButtonStyle(int style) {
  if (!inRange(style, 0, 7)) return;
  buttonStyle_ = style;
  regionStale_ = true;  // corner cuts depend on the style
  redraw();
}

void zqButtons_H::setMode(int mode) {
  if (!inRange(mode, ModeCommand, ModeOption)) return;
  const int old = mode_;
  if (old == ModeOption && mode != ModeOption) optionGroup(GroupLeave);
  if (mode == ModeOption && old != ModeOption) optionGroup(GroupJoin);
  if (mode == ModeCommand && old != ModeCommand) value_ = false;
  mode_ = mode;
  redraw();
}

void zqButtons_H::setCaption(const QString& caption) {
  QString key;
  if (findAccessKey(caption, key)) applyAccessKey(key);
  caption_ = caption;
  redraw();
}

void zqButtons_H::applyAccessKey(const QString& key) {
  if (accessKeyId_ != 0) releaseShortcut(accessKeyId_);
  accessKeyId_ = 0;
  accessKey_ = key;
  if (key.isEmpty()) return;
  const QKeySequence sequence(QStringLiteral("Alt+") + key.toUpper());
  if (!sequence.isEmpty()) accessKeyId_ = grabShortcut(sequence);
}

void zqButtons_H::setDefault(bool isDefault) {
  for (int& id : enterKeyIds_) {
    if (id != 0) releaseShortcut(id);
    id = 0;
  }
  if (isDefault) {
    enterKeyIds_[0] = grabShortcut(QKeySequence(Qt::Key_Return));
    enterKeyIds_[1] = grabShortcut(QKeySequence(Qt::Key_Enter));
  }
  setDisplayAsDefault(isDefault);
}

void zqButtons_H::setCancel(bool isCancel) {
  if (escapeKeyId_ != 0) releaseShortcut(escapeKeyId_);
  escapeKeyId_ = isCancel ? grabShortcut(QKeySequence(Qt::Key_Escape)) : 0;
}

void zqButtons_H::setCaptionAlign(int align) {
  if (!inRange(align, AlignLeft, AlignCenter)) return;
  if (align != AlignCenter && pictureAlign_ >= PicTopCenter && !picture_.isNull()) return;
  captionAlign_ = align;
  redraw();
}

void zqButtons_H::setCaptionStyle(int style) {
  if (!inRange(style, CaptionFlat, CaptionEngraved)) return;
  captionStyle_ = style;
  if (!caption_.isEmpty()) redraw();
}

void zqButtons_H::setCustomClick(int direction) {
  if (!inRange(direction, 0, 8)) return;
  customClick_ = direction;
}

void zqButtons_H::setButtonShape(int shape) {
  if (!inRange(shape, 0, 8)) return;
  if (shape >= 7) {
    // Shapes cut from the picture need a bitmap to cut from.
    if (picture_.isNull() || picture_.icon) return;
    pictureSizePx_ = 48;
  }
  buttonShape_ = shape;
  captionAlign_ = AlignCenter;
  regionStale_ = true;
  redraw();
}

void zqButtons_H::setPicture(const ButtonPicture& picture) {
  picture_ = picture;
  if (buttonShape_ >= 7 && (picture_.isNull() || picture_.icon)) buttonShape_ = 0;
  pictureCopy_ = {};
  regionStale_ = true;
  redraw();
}

void zqButtons_H::setPictureAlign(int align) {
  if (!inRange(align, PicLeftEdge, PicBottomCenter)) return;
  pictureAlign_ = align;
  if (align >= PicTopCenter) captionAlign_ = AlignCenter;
  redraw();
}

void zqButtons_H::setShowFocusRect(bool show) {
  showFocusRect_ = show;
  state_ &= ~kDefaultLook;
  updateDefaultLook();
  redraw();
}

void zqButtons_H::setValue(bool value) {
  if (mode_ == ModeCommand && value) return;  // a command button has no checked state
  value_ = value;
  if (mode_ == ModeOption && value) optionGroup(GroupClearOthers);
  redraw();
}

void zqButtons_H::setPictureSize(int size) {
  if (!inRange(size, 0, 4) || buttonShape_ >= 7) return;
  pictureSizePx_ = (size + 2) * 8;
  redraw();
}

void zqButtons_H::setMousePointer(int pointer) {
  if (!isValidMousePointer(pointer)) return;
  mousePointer_ = pointer;
  applyMousePointer();
}

void zqButtons_H::setMouseIcon(const ButtonPicture& icon) {
  mouseIcon_ = icon;
  if (!icon.isNull()) mousePointer_ = kCustomMousePointer;
  applyMousePointer();
}

void zqButtons_H::applyMousePointer() {
  tonalix::widgets::applyMousePointer(this, mousePointer_, mouseIcon_.pixmap);
}

int zqButtons_H::FontStyle() const {
  const QFont f = font();
  return (f.bold() ? 2 : 0) + (f.italic() ? 4 : 0) + (f.underline() ? 8 : 0);
}

void zqButtons_H::setFontStyle(int bits) {
  QFont f = font();
  f.setBold(bits & 2);
  f.setItalic(bits & 4);
  f.setUnderline(bits & 8);
  setFont(f);
}

void zqButtons_H::setForeColor(ColorValue colour) {
  if (colour == foreColor_ || !isColorValue(colour)) return;
  foreColor_ = colour;
  if (hoverLocks_ == HoverLockBoth || hoverLocks_ == HoverLockForeOnly) hoverForeColor_ = colour;
  redraw();
}

void zqButtons_H::applyHoverBackLock() {
  if (hoverLocks_ == HoverLockBoth || hoverLocks_ == HoverLockBackOnly)
    hoverBackColor_ = gradientMode_ != GradientNone ? gradientColor_ : backColor_;
}

void zqButtons_H::setBackColor(ColorValue colour) {
  if (!isColorValue(colour)) return;
  backColor_ = colour;
  applyHoverBackLock();
  redraw();
}

void zqButtons_H::setGradientColor(ColorValue colour) {
  if (!isColorValue(colour)) return;
  gradientColor_ = colour;
  applyHoverBackLock();
  if (gradientMode_ != GradientNone) redraw();
}

void zqButtons_H::setGradientMode(int mode) {
  if (!inRange(mode, GradientNone, GradientBottomToTop)) return;
  gradientMode_ = mode;
  applyHoverBackLock();
  redraw();
}

void zqButtons_H::setHoverColorLocks(int locks) {
  if (!inRange(locks, HoverLockBoth, HoverLockNone)) return;
  hoverLocks_ = locks;
  applyHoverBackLock();
  if (locks == HoverLockBoth || locks == HoverLockForeOnly) hoverForeColor_ = foreColor_;
}

void zqButtons_H::setHoverForeColor(ColorValue colour) {
  if (colour == hoverForeColor_ || !isColorValue(colour)) return;
  hoverForeColor_ = colour;
  // A hover colour of its own unlocks the fore colour.
  if (colour != foreColor_) {
    if (hoverLocks_ == HoverLockBoth) hoverLocks_ = HoverLockBackOnly;
    else if (hoverLocks_ == HoverLockForeOnly) hoverLocks_ = HoverLockNone;
  }
}

void zqButtons_H::setHoverBackColor(ColorValue colour) {
  if (colour == hoverBackColor_ || !isColorValue(colour)) return;
  hoverBackColor_ = colour;
  if (colour != backColor_) {
    if (hoverLocks_ == HoverLockBoth) hoverLocks_ = HoverLockForeOnly;
    else if (hoverLocks_ == HoverLockBackOnly) hoverLocks_ = HoverLockNone;
  }
}

void zqButtons_H::Refresh() {
  drawingDelayed_ = false;
  redraw();
}

void zqButtons_H::DelayDrawing(bool delay) {
  if (delay)
    drawingDelayed_ = true;
  else
    Refresh();
}

void zqButtons_H::setDisplayAsDefault(bool asDefault) {
  displayAsDefault_ = asDefault;
  updateDefaultLook();
}

void zqButtons_H::updateDefaultLook() {
  const bool want = (hasFocus() || displayAsDefault_) && showFocusRect_;
  if (want == bool(state_ & kDefaultLook)) return;
  state_ = want ? (state_ | kDefaultLook) : (state_ & ~kDefaultLook);
  redraw();
}

// ---- container and option group -----------------------------------------------------------

ColorValue zqButtons_H::containerColor() const {
  const QWidget* c = container_.data();
  return c ? toColorValue(c->palette().color(c->backgroundRole())) : kButtonFace;
}

void zqButtons_H::attachToContainer() {
  QWidget* parent = parentWidget();
  if (parent == container_.data()) return;
  if (mode_ == ModeOption) optionGroup(GroupLeave);
  container_ = parent;
  if (mode_ == ModeOption) optionGroup(GroupJoin);
}

bool zqButtons_H::optionGroup(GroupRequest request) {
  QWidget* container = container_.data();
  if (!container) return false;
  // A selected member clears the rest of its group whatever the request.
  if (value_) {
    for (zqButtons_H* other : ButtonOptionGroups::members(container))
      if (other != this && other->value_) other->setValue(false);
  }
  switch (request) {
    case GroupJoin: ButtonOptionGroups::join(container, this); break;
    case GroupLeave: ButtonOptionGroups::leave(container, this); break;
    case GroupQuery:
      for (const zqButtons_H* other : ButtonOptionGroups::members(container))
        if (other->value_) return true;
      break;
    case GroupClearOthers: break;
  }
  return false;
}

// ---- drawing ------------------------------------------------------------------------------

void zqButtons_H::redraw() {
  if (drawingDelayed_) {
    surfaceStale_ = true;
    return;
  }
  if (customClickMove()) return;
  // The shape is kept current at once (it decides where the pointer hits), the face only when
  // it is next painted or read: building a window sets many properties, and each would
  // otherwise draw a face that the next one replaces.
  if (regionStale_) rebuildRegion();
  surfaceStale_ = true;
  update();
}

bool zqButtons_H::surfaceOutOfDate() const {
  return surfaceStale_ || surface_.size() != (QSizeF(size()) * devicePixelRatioF()).toSize();
}

const QImage& zqButtons_H::hdc() const {
  // While drawing is delayed the face is the one last drawn.
  if (!drawingDelayed_ && surfaceOutOfDate()) const_cast<zqButtons_H*>(this)->render();
  return surface_;
}

// A CustomClick command button shifts its window one pixel while pushed instead of drawing
// a pushed face, and moves back when released. Returns true when the face stays as it is.
bool zqButtons_H::customClickMove() {
  const bool pushed = isPushed();
  if (pushed && !(state_ & kMoved) && mode_ == ModeCommand && customClick_ != 0) {
    movedBy_ = kCustomClickOffsets[static_cast<std::size_t>(customClick_)];
    move(pos() + movedBy_);
    state_ |= kMoved;
    update();
    return true;
  }
  if ((state_ & kMoved) && !pushed) {
    move(pos() - movedBy_);
    state_ &= ~kMoved;
  }
  return false;
}

void zqButtons_H::rebuildRegion() {
  if (reshaping_) return;
  reshaping_ = true;
  regionStale_ = false;
  if (buttonShape_ >= 7 && !picture_.isNull() && !picture_.icon) {
    // A cut shape takes the picture's proportions within its current size.
    cutPicture_ = fitCutPicture(picture_.pixmap.toImage(), size());
    if (!cutPicture_.isNull() && cutPicture_.size() != size()) resize(cutPicture_.size());
  } else {
    cutPicture_ = QImage();
  }
  // Slanted sides need room between them; a container that refuses the width ends the steps.
  for (int step = 0; step < kMaxSlantWidenSteps && slantTooNarrow(buttonShape_, size()); ++step) {
    const int before = width();
    resize(before + kSlantWidenStep, height());
    if (width() <= before) break;
  }
  regions_ = buildRegions(buttonShape_, buttonStyle_, isEnabled(), size(), cutPicture_);
  if (regions_.window.isEmpty())
    clearMask();
  else
    setMask(regions_.window);
  reshaping_ = false;
}

void zqButtons_H::render() {
  if (regionStale_) rebuildRegion();
  const QSize sz = size();
  // Only the surface is at the device pixel ratio; all drawing is in logical pixels.
  const qreal dpr = devicePixelRatioF();
  const QSize device = (QSizeF(sz) * dpr).toSize();
  if (surface_.size() != device || surface_.devicePixelRatio() != dpr) {
    surface_ = QImage(device, QImage::Format_RGB32);
    surface_.setDevicePixelRatio(dpr);
  }
  surfaceStale_ = false;
  if (sz.isEmpty()) return;

  ButtonLook look;
  look.size = sz;
  if (const QScreen* s = screen()) look.screen = s->size();
  look.style = buttonStyle_;
  look.shape = buttonShape_;
  look.mode = mode_;
  look.value = value_;
  look.back = toColorValue(resolveColor(backColor_));
  look.hoverBack = toColorValue(resolveColor(hoverBackColor_));
  look.gradient = toColorValue(resolveColor(gradientColor_));
  look.gradientMode = gradientMode_;
  look.fore = toColorValue(resolveColor(foreColor_));
  look.hoverFore = toColorValue(resolveColor(hoverForeColor_));
  look.container = toColorValue(resolveColor(containerColor()));
  look.caption = caption_;
  look.captionAlign = captionAlign_;
  look.captionStyle = captionStyle_;
  look.font = font();
  look.picture = picture_.pixmap;
  look.pictureIsIcon = picture_.icon;
  look.pictureAlign = pictureAlign_;
  look.pictureSize = pictureSizePx_;
  look.enabled = isEnabled();
  look.pressed = state_ & kPressed;
  look.pointerOver = state_ & kPointerOver;
  look.hovering = hovering_;
  look.held = held_;
  look.defaultLook = state_ & kDefaultLook;
  look.showFocusRect = showFocusRect_;
  look.regions = regions_;
  look.cutPicture = cutPicture_;
  const ButtonLayout rects = ButtonPainter::layout(look);
  // Scaled transparent copies are kept until the picture, its drawn size or the screen's pixel
  // ratio changes: hover, press and release redraw often and must not scale again.
  auto cached = [dpr](PictureCopy& copy, const QPixmap& source, QSize at) {
    if (copy.key != source.cacheKey() || copy.image.isNull() || copy.image.devicePixelRatio() != dpr ||
        copy.image.deviceIndependentSize().toSize() != at) {
      copy.image = ButtonPainter::transparentCopy(source, at, dpr);
      copy.key = source.cacheKey();
    }
    return copy.image;
  };
  if (!picture_.isNull() && !picture_.icon && buttonShape_ < 7)
    look.pictureCopy = cached(pictureCopy_, picture_.pixmap, rects.picture.size());
  if (!cutPicture_.isNull()) {
    if (cutSource_.cacheKey() == 0 || cutSourceOf_ != cutPicture_.cacheKey()) {
      cutSource_ = QPixmap::fromImage(cutPicture_);
      cutSourceOf_ = cutPicture_.cacheKey();
    }
    const bool pushed = (state_ & kPressed) && (state_ & kPointerOver);
    look.cutCopy = cached(pushed ? cutCopyPushed_ : cutCopy_, cutSource_,
                          ButtonPainter::cutPictureRect(sz, pushed).size());
  }
  ButtonPainter::paint(surface_, look, rects);
}

void zqButtons_H::paintEvent(QPaintEvent*) {
  drawingDelayed_ = false;
  if (surfaceOutOfDate()) render();
  QPainter(this).drawImage(0, 0, surface_);
  ++surfaceCopies_;
}

void zqButtons_H::resizeEvent(QResizeEvent*) {
  surfaceStale_ = true;
  if (!reshaping_) regionStale_ = true;
  if (!drawingDelayed_) redraw();
}

// ---- mouse --------------------------------------------------------------------------------

void zqButtons_H::pressLeft(const QPointF& pos, int shift) {
  state_ |= kPressed;
  held_ = true;
  drawingDelayed_ = false;
  redraw();
  emit MouseDown(LeftButton, shift, float(pos.x()), float(pos.y()));
}

void zqButtons_H::mousePressEvent(QMouseEvent* e) {
  const int button = mouseButtonCode(e->button());
  lastButton_ = button;
  clickAfterRelease_ = true;
  if (button == LeftButton) {
    pressLeft(e->position(), shiftMask(e->modifiers()));
    return;
  }
  emit MouseDown(button, shiftMask(e->modifiers()), float(e->position().x()),
                 float(e->position().y()));
}

void zqButtons_H::mouseMoveEvent(QMouseEvent* e) {
  const int buttons = mouseButtonMask(e->buttons());
  if (!hovering_ && pointerIsOverMe()) startHover(buttons == LeftButton);
  emit MouseMove(buttons, shiftMask(e->modifiers()), float(e->position().x()),
                 float(e->position().y()));
}

void zqButtons_H::mouseReleaseEvent(QMouseEvent* e) {
  const int button = mouseButtonCode(e->button());
  held_ = false;
  if (button == LeftButton) {
    state_ &= ~kPressed;
    drawingDelayed_ = false;
    // Check and option buttons redraw through their Value or the end of hovering.
    if (mode_ == ModeCommand) redraw();
  }
  emit MouseUp(button, shiftMask(e->modifiers()), float(e->position().x()),
               float(e->position().y()));
  lastButton_ = button;
  // A release away from the button cancels the press.
  const bool click = clickAfterRelease_ && rect().contains(e->position().toPoint());
  clickAfterRelease_ = true;
  if (click) runClick();
}

void zqButtons_H::mouseDoubleClickEvent(QMouseEvent* e) {
  const int button = mouseButtonCode(e->button());
  clickAfterRelease_ = false;
  const QPointF pos = mapFromGlobal(QCursor::pos());
  emit DoubleClick(lastButton_);
  if (lastButton_ == LeftButton && button == LeftButton) {
    pressLeft(pos, 0);
    lastButton_ = -1;
  } else {
    // The second press of another button is reported as a left press, not drawn.
    lastButton_ = button;
    emit MouseDown(LeftButton, 0, float(pos.x()), float(pos.y()));
  }
}

void zqButtons_H::leaveEvent(QEvent*) {
  // The timer ends hovering too; checking now just ends it without waiting.
  if (hovering_) checkHover();
}

void zqButtons_H::runClick() {
  if (lastButton_ != LeftButton) return;
  if (mode_ == ModeOption && value_) return;  // selecting the selected one does nothing
  if (mode_ != ModeCommand) setValue(!value_);
  emit Click();
}

// ---- hover --------------------------------------------------------------------------------

bool zqButtons_H::pointerIsOverMe() const {
  if (!isVisible()) return false;
  return QApplication::widgetAt(QCursor::pos()) == this;
}

void zqButtons_H::startHover(bool leftDown) {
  state_ |= kPointerOver;
  emit MouseOnButton(true);
  hoverTimer_.start();
  hovering_ = true;
  drawingDelayed_ = false;
  if (leftDown) held_ = true;
  redraw();
}

void zqButtons_H::checkHover() {
  if (!hovering_ || pointerIsOverMe()) return;
  hoverTimer_.stop();
  state_ &= ~kPointerOver;
  hovering_ = false;
  drawingDelayed_ = false;
  emit MouseOnButton(false);
  held_ = false;
  redraw();
}

// ---- keyboard and focus -------------------------------------------------------------------

void zqButtons_H::keyPressEvent(QKeyEvent* e) {
  int keyCode = virtualKeyCode(*e);
  const int shift = shiftMask(e->modifiers());
  if (const int scan = arrowScanCode(keyCode)) {
    // Arrow keys move between the container's controls; the container decides where.
    if (QWidget* container = container_.data()) {
      QCoreApplication::postEvent(
          container, new QKeyEvent(QEvent::KeyPress, e->key(), e->modifiers(),
                                   static_cast<quint32>(scan), static_cast<quint32>(keyCode), 0));
    }
    e->accept();
    return;
  }
  if (keyCode == VkSpace && !(state_ & kPressed)) {
    state_ |= kPointerOver | kPressed;
    held_ = true;
    redraw();
    if (!hovering_) state_ &= ~kPointerOver;
  }
  if (keyCode != 0) emit KeyDown(keyCode, shift);
  if (!e->text().isEmpty()) emit KeyPress(e->text().at(0).unicode());
  if (keyCode == VkSpace)
    e->accept();
  else
    QWidget::keyPressEvent(e);
}

void zqButtons_H::keyReleaseEvent(QKeyEvent* e) {
  if (e->isAutoRepeat()) return;  // a held key releases once, when it comes up
  int keyCode = virtualKeyCode(*e);
  const int shift = shiftMask(e->modifiers());
  held_ = false;
  if (keyCode == VkSpace && (state_ & kPressed)) {
    state_ &= ~kPressed;
    lastButton_ = LeftButton;
    if (mode_ == ModeCommand) {
      redraw();
    } else {
      emit KeyUp(keyCode, shift);
      keyCode = 0;
    }
    runClick();
  } else if (arrowScanCode(keyCode) != 0) {
    // The option button that arrow navigation reached selects itself.
    if (mode_ == ModeOption && !value_) {
      lastButton_ = LeftButton;
      runClick();
    }
    keyCode = 0;
  } else if (keyCode == VkShift) {
    keyCode = 0;
  }
  if (keyCode != 0) emit KeyUp(keyCode, shift);
  e->accept();
}

void zqButtons_H::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  updateDefaultLook();
  // An option group never stays without a selection once one of its buttons has the focus.
  if (mode_ == ModeOption && !value_ && !optionGroup(GroupQuery)) {
    lastButton_ = LeftButton;
    runClick();
  }
}

void zqButtons_H::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  updateDefaultLook();
}

bool zqButtons_H::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::Shortcut: {
      const int id = static_cast<QShortcutEvent*>(e)->shortcutId();
      const bool enterOrEscape =
          id != 0 && (id == enterKeyIds_[0] || id == enterKeyIds_[1] || id == escapeKeyId_);
      if (!enterOrEscape && (id == 0 || id != accessKeyId_)) break;
      if (!isEnabled()) return true;
      if (enterOrEscape) {
        if (mode_ != ModeCommand) return true;
      } else if (!(state_ & kDefaultLook)) {
        redraw();
      }
      lastButton_ = LeftButton;
      runClick();
      return true;
    }
    case QEvent::ParentChange:
      attachToContainer();
      break;
    default:
      break;
  }
  return QWidget::event(e);
}

void zqButtons_H::changeEvent(QEvent* e) {
  switch (e->type()) {
    case QEvent::EnabledChange:
      if (buttonStyle_ == 3) regionStale_ = true;  // its corners are cut only while enabled
      redraw();
      break;
    case QEvent::FontChange:
    case QEvent::PaletteChange:
      redraw();
      break;
    default:
      break;
  }
  QWidget::changeEvent(e);
}

// ---- drops --------------------------------------------------------------------------------

namespace {
// Applies the effect a handler chose: one of the offered actions, or a refusal.
void applyDropEffect(QDropEvent* e, int effect) {
  const int offered = effect & int(e->possibleActions());
  if (offered == 0) {
    e->ignore();
    return;
  }
  if (offered & int(e->proposedAction()))
    e->acceptProposedAction();
  else {
    e->setDropAction(static_cast<Qt::DropAction>(offered & -offered));
    e->accept();
  }
}
}  // namespace

void zqButtons_H::dragEnterEvent(QDragEnterEvent* e) {
  int effect = int(e->possibleActions());
  emit OLEDragOver(e->mimeData(), effect, mouseButtonMask(e->buttons()), shiftMask(e->modifiers()),
                   float(e->position().x()), float(e->position().y()), 0);
  applyDropEffect(e, effect);
}

void zqButtons_H::dragMoveEvent(QDragMoveEvent* e) {
  int effect = int(e->possibleActions());
  emit OLEDragOver(e->mimeData(), effect, mouseButtonMask(e->buttons()), shiftMask(e->modifiers()),
                   float(e->position().x()), float(e->position().y()), 2);
  applyDropEffect(e, effect);
}

void zqButtons_H::dragLeaveEvent(QDragLeaveEvent*) {
  int effect = 0;
  const QPointF p = mapFromGlobal(QCursor::pos());
  emit OLEDragOver(nullptr, effect, 0, 0, float(p.x()), float(p.y()), 1);
}

void zqButtons_H::dropEvent(QDropEvent* e) {
  int effect = int(e->possibleActions());
  emit OLEDragDrop(e->mimeData(), effect, mouseButtonMask(e->buttons()), shiftMask(e->modifiers()),
                   float(e->position().x()), float(e->position().y()));
  applyDropEffect(e, effect);
}

// ---- saved settings -----------------------------------------------------------------------

void zqButtons_H::ReadProperties(const PropertyBag& bag) {
  attachToContainer();
  drawingDelayed_ = true;
  // Each key falls back to its default when missing or unusable; nothing else is touched.
  const QString caption = bag.ReadProperty(QStringLiteral("Caption")).toString();
  captionAlign_ = bag.readInt(QStringLiteral("CapAlign"), 0, 2).value_or(AlignCenter);
  buttonStyle_ = bag.readInt(QStringLiteral("BackStyle"), 0, 7).value_or(0);
  buttonShape_ = bag.readInt(QStringLiteral("Shape"), 0, 8).value_or(0);
  gradientMode_ = bag.readInt(QStringLiteral("Gradient"), 0, 4).value_or(GradientNone);
  gradientColor_ = bag.readColor(QStringLiteral("cGradient")).value_or(kButtonFace);
  foreColor_ = bag.readColor(QStringLiteral("cFore")).value_or(kButtonText);
  QFont savedFont;
  const QString fontText = bag.ReadProperty(QStringLiteral("Font")).toString();
  // A missing or unreadable font is the default: the container's, not the button's earlier one.
  if (!fontText.isEmpty() && savedFont.fromString(fontText))
    setFont(savedFont);
  else
    setFont(QFont());
  showFocusRect_ = bag.readBool(QStringLiteral("Focus")).value_or(true);
  const int mode = bag.readInt(QStringLiteral("Mode"), 0, 2).value_or(ModeCommand);
  value_ = mode != ModeCommand && bag.readBool(QStringLiteral("Value")).value_or(false);
  customClick_ = bag.readInt(QStringLiteral("CustomClick"), 0, 8).value_or(0);
  picture_ = ButtonPicture::fromVariant(bag.ReadProperty(QStringLiteral("Image")));
  const int sizePx = bag.readInt(QStringLiteral("ImgSize"), 16, 48).value_or(16);
  pictureSizePx_ = sizePx % 8 == 0 ? sizePx : 16;
  pictureAlign_ = bag.readInt(QStringLiteral("ImgAlign"), 0, 5).value_or(PicLeftEdge);
  hoverForeColor_ = bag.readColor(QStringLiteral("cFHover")).value_or(kButtonText);
  setEnabled(bag.readBool(QStringLiteral("Enabled")).value_or(true));
  backColor_ = bag.readColor(QStringLiteral("cBack")).value_or(containerColor());
  hoverBackColor_ = bag.readColor(QStringLiteral("cBHover")).value_or(backColor_);
  hoverLocks_ = bag.readInt(QStringLiteral("LockHover"), 0, 3).value_or(HoverLockBoth);
  captionStyle_ = bag.readInt(QStringLiteral("CapStyle"), 0, 2).value_or(CaptionFlat);
  setMouseIcon(ButtonPicture::fromVariant(bag.ReadProperty(QStringLiteral("mIcon"))));
  // Without the key the pointer is the default, or the custom one a loaded icon asks for.
  setMousePointer(bag.readInt(QStringLiteral("mPointer"), 0, 99)
                      .value_or(mouseIcon_.isNull() ? 0 : kCustomMousePointer));

  // Combinations the setters would refuse are brought back to a consistent state.
  if (buttonShape_ >= 7 && (picture_.isNull() || picture_.icon)) buttonShape_ = 0;
  if (buttonShape_ >= 7) pictureSizePx_ = 48, captionAlign_ = AlignCenter;
  if (pictureAlign_ >= PicTopCenter && !picture_.isNull()) captionAlign_ = AlignCenter;

  setCaption(caption);
  if (mode_ == ModeOption && mode != ModeOption) optionGroup(GroupLeave);
  const bool joins = mode == ModeOption && mode_ != ModeOption;
  mode_ = mode;
  if (joins) optionGroup(GroupJoin);
  else if (mode_ == ModeOption && value_) optionGroup(GroupClearOthers);
  drawingDelayed_ = false;
  regionStale_ = true;
  redraw();
}

void zqButtons_H::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty(QStringLiteral("Caption"), caption_, QString());
  // Always written: centred, the usual case, so designs state it, and left too, which a
  // missing key would bring back as centred.
  bag.WriteProperty(QStringLiteral("CapAlign"), captionAlign_);
  bag.WriteProperty(QStringLiteral("BackStyle"), buttonStyle_, 0);
  bag.WriteProperty(QStringLiteral("Shape"), buttonShape_, 0);
  if (testAttribute(Qt::WA_SetFont))
    bag.WriteProperty(QStringLiteral("Font"), font());
  else
    bag.WriteProperty(QStringLiteral("Font"), QString(), QString());
  bag.WriteProperty(QStringLiteral("cFore"), foreColor_, kButtonText);
  bag.WriteProperty(QStringLiteral("cFHover"), hoverForeColor_, kButtonText);
  bag.WriteProperty(QStringLiteral("cBHover"), hoverBackColor_, backColor_);
  bag.WriteProperty(QStringLiteral("Focus"), showFocusRect_, true);
  bag.WriteProperty(QStringLiteral("LockHover"), hoverLocks_, int(HoverLockBoth));
  bag.WriteProperty(QStringLiteral("cGradient"), gradientColor_, kButtonFace);
  bag.WriteProperty(QStringLiteral("Gradient"), gradientMode_, int(GradientNone));
  bag.WriteProperty(QStringLiteral("CapStyle"), captionStyle_, int(CaptionFlat));
  bag.WriteProperty(QStringLiteral("Mode"), mode_);
  bag.WriteProperty(QStringLiteral("Value"), value_);
  bag.WriteProperty(QStringLiteral("CustomClick"), customClick_, 0);
  bag.WriteProperty(QStringLiteral("ImgAlign"), pictureAlign_, int(PicLeftEdge));
  writePicture(bag, QStringLiteral("Image"), picture_);
  bag.WriteProperty(QStringLiteral("ImgSize"), pictureSizePx_, 16);
  // The button's own setting: inside a disabled container it is greyed but not switched off.
  bag.WriteProperty(QStringLiteral("Enabled"), !testAttribute(Qt::WA_ForceDisabled), true);
  bag.WriteProperty(QStringLiteral("cBack"), backColor_);
  bag.WriteProperty(QStringLiteral("mPointer"), mousePointer_, 0);
  writePicture(bag, QStringLiteral("mIcon"), mouseIcon_);
}

}  // namespace tonalix::widgets
