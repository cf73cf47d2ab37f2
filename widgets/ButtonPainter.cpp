#include "widgets/ButtonPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "widgets/ButtonEdges.h"
#include "widgets/ButtonGradient.h"
#include "widgets/ButtonShade.h"

namespace tonalix::widgets {

namespace {
constexpr int kTextFlags = Qt::TextWordWrap | Qt::TextShowMnemonic;
constexpr ColorValue kWhite = 0xFFFFFF;
constexpr ColorValue kBlack = 0x000000;
constexpr ColorValue kGrey = 0x808080;
constexpr std::int64_t kNone = kNoEdge;

int alignFlag(int captionAlign) {
  switch (captionAlign) {
    case 0: return Qt::AlignLeft;
    case 1: return Qt::AlignRight;
    default: return Qt::AlignHCenter;
  }
}

QColor qc(ColorValue c) { return toQColor(c); }

// What the style routines share while one face is painted.
struct Canvas {
  QPainter& p;
  const ButtonLook& look;
  const ButtonLayout& rects;
  ButtonFaces faces;
  int w;
  int h;
  bool command() const { return look.mode == 0; }
  bool checkedOrHeld() const { return look.mode != 0 && (look.held || look.value); }
  bool checked() const { return look.mode != 0 && look.value; }
};

void fillAll(Canvas& c, ColorValue colour) { c.p.fillRect(0, 0, c.w, c.h, qc(colour)); }

// Paints the 1-pixel band just inside a region: its frame.
void frameRegion(Canvas& c, const QRegion& region, const QRegion& inside, ColorValue colour) {
  if (region.isEmpty()) return;
  c.p.save();
  c.p.setClipRegion(region - inside);
  fillAll(c, colour);
  c.p.restore();
}

// Background, the first step of every style: ring and clip, then the fill or gradient.
// Returns the drawing state: 2 pushed, 1 default look, 0 otherwise.
int background(Canvas& c, ColorValue f, ColorValue g) {
  const ButtonLook& l = c.look;
  const ButtonRegions& r = l.regions;
  const bool pushed = l.pushed();
  c.p.setClipping(false);
  const bool bareStyle5 = l.style == 5 && !l.hovering && !pushed && !l.value;
  if (!bareStyle5) {
    if (l.style == 5 && (l.value || (l.shape != 6 && l.shape != 7))) {
      paintGradient(c.p, l.size, 3, kWhite, kGrey, l.screen);
      if (r.hasInner()) c.p.setClipRegion(r.inner2);
    }
    if ((!pushed && !l.value) || l.shape == 6 || l.shape == 7) {
      if (l.shape == 6 && l.hovering) frameRegion(c, r.window, r.inner1, kBlack);
      if (l.shape == 7) frameRegion(c, r.window, r.inner1, l.back);
      if (!(l.shape == 6 && !l.hovering) && r.hasInner()) c.p.setClipRegion(r.inner1);
    } else if (r.hasInner()) {
      c.p.setClipRegion(r.inner1);
      paintGradient(c.p, l.size, 3, kGrey, kWhite, l.screen);
      c.p.setClipRegion(r.inner2);
    }
  }

  ColorValue fill = f;
  if (l.hovering && ((c.command() && !pushed) || (!c.command() && !l.value))) fill = c.faces.hover;
  if (l.value || l.shape > 6 || l.gradientMode == 0) {
    if (l.style == 2 && (l.enabled || !c.command())) {
      for (int y = 0; y < c.h; ++y)
        c.p.fillRect(0, y, c.w, 1, qc(shadeB(fill, int(std::nearbyint(-25.0 * y / c.h)))));
    } else {
      fillAll(c, fill);
    }
  } else if (!l.hovering || pushed || l.gradient == l.hoverBack) {
    paintGradient(c.p, l.size, l.gradientMode, f, g, l.screen);
  } else {
    fillAll(c, c.faces.hover);
  }
  return pushed ? 2 : (l.defaultLook ? 1 : 0);
}

bool sameLogicalSize(const QImage& img, QSize size, qreal dpr) {
  return !img.isNull() && img.devicePixelRatio() == dpr && img.deviceIndependentSize().toSize() == size;
}

// The picture's ink: what stays dark once the picture lies on white. Transparent and light
// parts are not ink, so on a disabled button they leave the face as it is.
QImage inkMask(const QImage& shown) {
  QImage ink = shown.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < ink.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(ink.scanLine(y));
    for (int x = 0; x < ink.width(); ++x) {
      const QRgb s = line[x];
      const int a = qAlpha(s);
      const int onWhite = (qGray(s) * a + 255 * (255 - a)) / 255;
      line[x] = onWhite < 128 ? qRgb(0x80, 0x80, 0x80) : 0u;
    }
  }
  return ink;
}

void drawPicture(Canvas& c, QRect r) {
  const ButtonLook& l = c.look;
  if (l.picture.isNull() || l.picture.width() + l.picture.height() == 0) return;
  if (l.shape >= 7) r = ButtonPainter::cutPictureRect(QSize(c.w, c.h), l.pushed());
  if (r.width() <= 0 || r.height() <= 0) return;
  const qreal dpr = c.p.device()->devicePixelRatioF();
  QImage shown;
  if (l.shape >= 7 && !l.cutPicture.isNull())
    shown = sameLogicalSize(l.cutCopy, r.size(), dpr)
                ? l.cutCopy
                : ButtonPainter::transparentCopy(QPixmap::fromImage(l.cutPicture), r.size(), dpr);
  else if (l.pictureIsIcon)
    shown = l.picture.toImage();
  else if (sameLogicalSize(l.pictureCopy, r.size(), dpr))
    shown = l.pictureCopy;
  else
    shown = ButtonPainter::transparentCopy(l.picture, r.size(), dpr);
  c.p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  // Drawn through the painter, so the picture stays within the button's clip.
  c.p.drawImage(r, l.enabled ? shown : inkMask(shown));
}

// Caption and picture, shared by every style. f is the face the caption's shadows derive from,
// t the style's caption colour (negative: the engraved disabled look).
void captionAndPicture(Canvas& c, ColorValue f, std::int64_t t, bool checkedFlag,
                       ColorValue hoverFore) {
  const ButtonLook& l = c.look;
  QRect cap = c.rects.caption;
  QRect pic = c.rects.picture;
  if ((l.pushed() || checkedFlag) && l.style != 3) {
    const QPoint by(l.shape <= 3 ? 1 : 0, 1);
    cap.translate(by);
    pic.translate(by);
  }
  if (!(l.shape >= 7 && l.value)) drawPicture(c, pic);
  if (l.caption.isEmpty() || (l.shape >= 5 && !l.value)) return;

  const QString text = ButtonPainter::displayText(l.caption);
  const int flags = kTextFlags | alignFlag(l.captionAlign) | Qt::AlignTop;
  c.p.setFont(l.font);
  auto draw = [&](QRect r, ColorValue colour) {
    c.p.setPen(qc(colour));
    c.p.drawText(r, flags, text);
  };
  if (l.enabled) {
    ColorValue fore = l.fore;
    if (l.style == 7 && (l.value || l.gradientMode == 0) && t >= 0) fore = ColorValue(t);
    const ColorValue colour = l.hovering && !l.pushed() ? hoverFore : fore;
    if (l.captionStyle == 1 || l.captionStyle == 2) {
      const int d = l.captionStyle == 1 ? -40 : 40;
      draw(cap.translated(-1, 0), shade(f, d));
      draw(cap.translated(1, 2), shade(f, -d));
      draw(cap.translated(0, 1), colour);
    } else {
      draw(cap, colour);
    }
  } else if (t < 0 || l.gradientMode != 0) {
    draw(cap.translated(1, 1), kWhite);
    draw(cap, kGrey);
  } else {
    draw(cap, ColorValue(t));
  }
}

// The focus pen. The dotted one inverts what it covers, so it shows on light and dark faces
// alike; the solid one keeps its colour.
void focusPen(Canvas& c, bool solid, ColorValue colour) {
  if (solid) {
    c.p.setPen(QPen(qc(colour), 0));
    return;
  }
  QPen pen(Qt::white, 0, Qt::CustomDashLine);
  pen.setDashPattern({1, 1});
  c.p.setPen(pen);
  c.p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
}

// The dotted or solid rectangle of the focus indication.
void focusRect(Canvas& c, QRect r, bool solid, ColorValue colour) {
  if (r.width() <= 0 || r.height() <= 0) return;
  c.p.save();
  focusPen(c, solid, colour);
  c.p.setBrush(Qt::NoBrush);
  c.p.drawRect(QRect(r.x(), r.y(), r.width() - 1, r.height() - 1));
  c.p.restore();
}

// Focus: the standard rectangle, the slanted outline or the rectangle hugging the caption.
void focus(Canvas& c, ColorValue f, bool hugging, bool style3) {
  const ButtonLook& l = c.look;
  if (!l.defaultLook || l.shape > 6 || (l.style == 2 && l.shape >= 4)) return;
  c.p.setClipping(false);
  const bool slanted = l.shape >= 1 && l.shape <= 3;
  ColorValue colour = kBlack;
  if (slanted) colour = shade(f, -48);
  if (c.checked()) colour = kBlack;
  const bool solid = style3 || l.value;
  if (style3) colour = 0xCC9999;
  if (slanted) {
    const int s = l.regions.slant;
    const bool left = l.shape != 2, right = l.shape != 1;
    const int top = 4, bottom = c.h - 5;
    // 4 pixels inside a 45-degree side is about 6 pixels across.
    auto leftAt = [&](int y) { return left ? y + 6 : 4; };
    auto rightAt = [&](int y) { return right ? c.w - s + 1 + y - 7 : c.w - 5; };
    QPolygon poly;
    poly << QPoint(leftAt(top), top) << QPoint(rightAt(top), top) << QPoint(rightAt(bottom), bottom)
         << QPoint(leftAt(bottom), bottom) << QPoint(leftAt(top), top);
    c.p.save();
    focusPen(c, solid, colour);
    c.p.drawPolyline(poly);
    c.p.restore();
    return;
  }
  if (!hugging && l.shape <= 3) {
    const int fl = l.regions.faceLeft, fr = l.regions.faceRight;
    focusRect(c, QRect(QPoint(fl + 4, 4), QPoint(fr - 5, c.h - 5)), solid, colour);
    return;
  }
  QRect base = c.rects.caption;
  if (l.caption.isEmpty()) {
    base = c.rects.picture;
    base.setBottom(std::min(base.bottom(), c.h - 5));
    base.setRight(std::min(base.right(), c.w - 5));
  }
  if (base.isEmpty()) return;
  const int fl = l.regions.faceLeft, fr = l.regions.faceRight;
  const int grow = (base.left() - fl <= 4 || fr - base.right() - 1 <= 4) ? 1 : 2;
  QRect r = base.adjusted(-grow, -grow, grow, grow);
  if (l.pushed() || c.checked()) {
    if (!style3) r.translate(l.shape <= 3 ? 1 : 0, 1);
  }
  if (l.pushed()) r.adjust(0, 0, 1, 1);
  focusRect(c, r, solid, colour);
}

void edges(Canvas& c, const EdgeTable& t) {
  if (c.look.shape > 3) return;
  c.p.setClipping(false);
  drawEdges(c.p, t, c.look.shape, c.w, c.h, c.look.regions.faceLeft, c.look.regions.faceRight);
}

EdgeTable table(std::int64_t a, std::int64_t b, std::int64_t cc, std::int64_t d, std::int64_t e,
                std::int64_t f, std::int64_t g, std::int64_t h, std::int64_t i, std::int64_t j,
                std::int64_t k, std::int64_t m) {
  return {a, b, cc, d, e, f, g, h, i, j, k, m};
}

// The colour of the ring framed inside oval and picture-cut shapes after drawing.
std::int64_t ringColour(const Canvas& c, ColorValue f) {
  const ButtonLook& l = c.look;
  if (l.hovering) return shade(f, -96);
  if (l.value) return shade(f, -80);
  if (l.defaultLook) return shade(f, -64);
  return shade(l.container, -32);
}

// ---- the eight styles -----------------------------------------------------------------------

std::int64_t plainCaptionColour(const Canvas& c) {
  return (c.look.enabled || c.command()) ? -1 : std::int64_t(kGrey);
}

ColorValue plainFace(const Canvas& c) { return c.checked() ? c.faces.checked : c.faces.face; }

std::int64_t style0(Canvas& c) {
  const ButtonLook& l = c.look;
  const ColorValue f = plainFace(c);
  int state = background(c, f, l.gradient);
  ColorValue light = l.pushed() ? f : 0xE9E9E9;
  if (c.checkedOrHeld()) {
    state = 3;
    light = 0xE9E9E9;
  }
  const std::int64_t n = kNone;
  const std::int64_t outerTL = state == 3 ? kBlack : (l.defaultLook ? kBlack : kWhite);
  const std::int64_t outerBR = state == 3 ? kWhite : kBlack;
  std::int64_t p12 = n, p34 = n, p56 = n, p78 = kGrey;
  switch (state) {
    case 0: p56 = light; break;
    case 1: p12 = light; p34 = kGrey; p56 = kWhite; p78 = kBlack; break;
    case 2: break;
    default: p78 = light; break;
  }
  edges(c, table(p12, p12, p34, p34, p56, p56, p78, p78, outerTL, outerTL, outerBR, outerBR));
  captionAndPicture(c, f, plainCaptionColour(c), c.checked(), l.hoverFore);
  focus(c, f, false, false);
  return ringColour(c, f);
}

std::int64_t style1(Canvas& c) {
  const ButtonLook& l = c.look;
  const ColorValue f = plainFace(c);
  background(c, f, l.gradient);
  const bool down = l.pushed() || c.checkedOrHeld();
  const ColorValue a = down ? kGrey : kWhite, b = down ? kWhite : kGrey;
  edges(c, table(a, a, b, b, a, a, b, b, kBlack, kBlack, kBlack, kBlack));
  captionAndPicture(c, f, plainCaptionColour(c), c.checked(), l.hoverFore);
  focus(c, f, false, false);
  return ringColour(c, f);
}

std::int64_t style2(Canvas& c) {
  const ButtonLook& l = c.look;
  const ColorValue f = c.checked() ? c.faces.checked : c.faces.face;
  ColorValue fill = f;
  if (c.command() && l.pushed() && l.gradientMode == 0) fill = c.faces.pressed;
  if (!l.enabled && c.command()) fill = shadeB(c.faces.face, -24);
  const ColorValue g = (l.shape < 7 && l.gradientMode != 0) ? shadeB(l.gradient, 48) : fill;
  int state = background(c, fill, g);
  if (l.enabled) {
    if (c.checkedOrHeld() || l.value) state = l.defaultLook ? 1 : 2;
    if (l.pointerOver && !l.pressed) state = 3;
    if (state == 1 && !l.showFocusRect) state = 0;
  }
  constexpr std::int64_t kOuter = 0x733C00;
  std::int64_t outer = kOuter;
  EdgeTable t{};
  if (!l.enabled) {
    outer = shadeB(f, -84);
    t = table(kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, outer, outer, outer, outer);
  } else {
    auto sB = [&](int n) -> std::int64_t { return shadeB(f, n); };
    switch (state) {
      case 1:
        t = table(0xF0D1B5, 0xF7D7BD, 0xF0D1B5, 0xE7AE8C, 0xE7AE8C, 0xFFDFBF, 0xE7AE8C, 0xEF826B,
                  kOuter, kOuter, kOuter, kOuter);
        break;
      case 2:
        t = table(sB(-22), sB(-24), f, sB(10), sB(-32), sB(-32), sB(5), sB(16), kOuter, kOuter,
                  kOuter, kOuter);
        break;
      case 3:
        t = table(0x6BCBFF, 0x8CDBFF, 0x6BCBFF, 0x31B2FF, 0x31B2FF, 0xA6E9FF, 0x31B2FF, 0x0096E7,
                  kOuter, kOuter, kOuter, kOuter);
        break;
      default:
        t = table(sB(-10), sB(10), sB(-24), sB(-32), sB(-5), sB(16), sB(-36), sB(-48), kOuter,
                  kOuter, kOuter, kOuter);
        break;
    }
  }
  edges(c, t);
  if (l.shape <= 3) {
    if (l.regions.faceLeft == 0) {
      setPixel(c.p, 1, c.h - 2, outer);
      setPixel(c.p, 1, 1, outer);
    }
    if (l.regions.faceRight == c.w) {
      setPixel(c.p, c.w - 2, c.h - 2, outer);
      setPixel(c.p, c.w - 2, 1, outer);
    }
  }
  const std::int64_t caption = l.enabled ? std::int64_t(l.fore) : std::int64_t(shadeB(fill, -104));
  captionAndPicture(c, fill, caption, c.checked(), l.hoverFore);
  // Ovals and cut shapes show the default and hover looks as an outline only.
  if (l.hovering) return 0x0096E7;
  if (l.defaultLook) return 0xEF826B;
  return kNone;
}

std::int64_t style3(Canvas& c) {
  const ButtonLook& l = c.look;
  ColorValue f = c.faces.face;
  if (c.command() && l.pushed()) f = c.faces.pressed;
  else if (c.checked()) f = c.faces.checked;
  background(c, f, l.gradient);
  const ColorValue dark = shade(kGrey, -26);
  if (l.enabled || !c.command()) {
    int state = 1;
    if (!c.command()) state = (l.value || l.held) ? 2 : 3;
    else if (l.pushed()) state = 2;
    const ColorValue m = state == 2 ? f : kWhite;
    edges(c, table(kNone, kNone, kNone, kNone, m, m, dark, dark, dark, dark, kWhite, kWhite));
  } else {
    edges(c, table(f, f, f, f, f, f, f, f, dark, dark, dark, dark));
  }
  captionAndPicture(c, f, l.enabled ? std::int64_t(l.fore) : std::int64_t(shade(kGrey, -16)),
                    c.checked(), l.hoverFore);
  focus(c, f, true, true);
  return ringColour(c, f);
}

std::int64_t style4(Canvas& c) {
  const ButtonLook& l = c.look;
  const ColorValue f = plainFace(c);
  background(c, f, l.gradient);
  const bool down = l.pushed() || c.checkedOrHeld();
  const ColorValue a = down ? kGrey : kWhite, b = down ? kWhite : kGrey;
  edges(c, table(kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, a, a, b, b));
  captionAndPicture(c, f, plainCaptionColour(c), c.checked(), l.hoverFore);
  focus(c, f, false, false);
  return ringColour(c, f);
}

std::int64_t style5(Canvas& c) {
  const ButtonLook& l = c.look;
  const ColorValue f = plainFace(c);
  background(c, f, l.gradient);
  // A flat button shows its edge only while the pointer is over it or it is down. Only a check
  // or option button that is held or set sinks; a pushed command button stays raised.
  if (l.hovering || l.value || l.pushed()) {
    const bool down = (!c.command() && l.held) || l.value;
    const ColorValue a = down ? kGrey : kWhite, b = down ? kWhite : kGrey;
    edges(c, table(kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, a, a, b, b));
  }
  captionAndPicture(c, f, plainCaptionColour(c), c.checked(), l.hoverFore);
  focus(c, f, false, false);
  return (l.hovering || l.value) ? ringColour(c, f) : kNone;
}

std::int64_t style6(Canvas& c) {
  const ButtonLook& l = c.look;
  const ColorValue f = plainFace(c);
  background(c, f, l.gradient);
  const bool down = l.pushed() || c.checkedOrHeld();
  const ColorValue light = shade(0xDFDFDF, 8);
  const ColorValue a = down ? kGrey : light, b = down ? light : kGrey;
  edges(c, table(kNone, kNone, kNone, kNone, a, a, b, b, a, a, b, b));
  captionAndPicture(c, f, plainCaptionColour(c), c.checked(), l.hoverFore);
  focus(c, f, false, false);
  return ringColour(c, f);
}

std::int64_t style7(Canvas& c) {
  const ButtonLook& l = c.look;
  const ButtonFaces& fc = c.faces;
  ColorValue f = fc.face;
  if (c.command() && l.pushed()) f = fc.pressed;
  if (c.checked()) f = fc.checked;
  const bool gradientOn = l.gradientMode != 0 && !l.value;
  const ColorValue g = gradientOn ? shade(l.gradient, 31) : f;
  // With a gradient, a pushed command button keeps the gradient of its normal face.
  const ColorValue backFace = (gradientOn && c.command() && l.pushed()) ? fc.face : f;
  int state = background(c, backFace, g);

  // Pushed or checked, the caption takes the light normal face over the darker face it sits on.
  std::int64_t t;
  if ((c.command() && l.pushed()) || l.value)
    t = (!l.enabled && c.checked()) ? shadeB(f, -32) : fc.face;
  else if (l.enabled)
    t = l.fore;
  else
    t = c.command() ? -1 : std::int64_t(kGrey);

  if (!c.command() && (l.held || l.value)) state = l.value ? 2 : 0;
  ColorValue face = f, hi = kWhite, light = shadeB(f, 31), dark = shadeB(f, -64);
  if (state == 2) {
    const ColorValue gr = l.gradientMode != 0 ? fc.face : kGrey;
    face = gr;
    hi = shade(gr, -32);
    light = shade(gr, -64);
    dark = shade(gr, -16);
  }
  edges(c, table(hi, hi, face, face, light, light, dark, dark, kBlack, kBlack, kBlack, kBlack));
  if (l.shape <= 3 && l.regions.faceLeft == 0) {
    setPixel(c.p, 3, 3, hi);
    setPixel(c.p, 1, c.h - 3, face);
    setPixel(c.p, 2, 2, light);
    setPixel(c.p, 1, c.h - 2, kBlack);
    setPixel(c.p, 1, 1, kBlack);
    if (l.regions.faceRight == c.w) {
      setPixel(c.p, c.w - 4, c.h - 4, face);
      setPixel(c.p, c.w - 3, 1, face);
      setPixel(c.p, c.w - 3, c.h - 3, dark);
      setPixel(c.p, c.w - 2, c.h - 2, kBlack);
      setPixel(c.p, c.w - 2, 1, kBlack);
    }
  }
  // A caption in the face colour keeps it on hover too.
  ColorValue hoverFore = l.hoverFore;
  if ((l.hoverFore == l.fore || l.value) && t >= 0) hoverFore = ColorValue(t);
  captionAndPicture(c, f, t, c.checked(), hoverFore);
  focus(c, f, true, false);
  return ringColour(c, f);
}
}  // namespace

QString ButtonPainter::displayText(const QString& caption) {
  QString text = caption;
  text.replace(QLatin1String("||"), QLatin1String("\n"));
  return text;
}

QRect ButtonPainter::cutPictureRect(QSize size, bool pushed) {
  const QRect all(QPoint(0, 0), size);
  return pushed ? all.adjusted(1, 1, -1, -1) : all;
}

QImage ButtonPainter::transparentCopy(const QPixmap& picture, QSize size, qreal dpr) {
  if (picture.isNull() || size.isEmpty()) return {};
  // The corner colour is cleared before scaling, so smoothing blends edges into transparency
  // rather than into a fringe of the key colour.
  QImage source = picture.toImage().convertToFormat(QImage::Format_ARGB32);
  const QRgb clear = source.pixel(0, 0);
  for (int y = 0; y < source.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(source.scanLine(y));
    for (int x = 0; x < source.width(); ++x)
      if (line[x] == clear) line[x] = 0;
  }
  const QSize device = (QSizeF(size) * dpr).toSize();
  QImage img = source.size() == device
                   ? source
                   : source.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                         .scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  img.setDevicePixelRatio(dpr);
  return img;
}

ButtonLayout ButtonPainter::layout(const ButtonLook& look) {
  const int w = look.size.width();
  const int h = look.size.height();
  ButtonLayout out;
  const int s = look.regions.slant;
  int m = 0, u = w, rl = w;
  switch (look.shape) {
    case 1: m = s - s / 3 + 3; u = w - m; break;
    case 2: u = rl = (w - s) + s / 3; break;
    case 3: m = s - s / 3 + 3; rl = (w - s) + s / 3; u = rl - m; break;
    case 7:
    case 8: m = 3; u = rl = w - 3; break;
    default: break;
  }
  const bool hasPicture = !look.picture.isNull();
  const int p = hasPicture && look.pictureSize <= 32 ? look.pictureSize : 0;
  const int align = look.pictureAlign;
  const int lp = (align == 0 || align == 1) ? p : 0;
  const int rp = (align == 2 || align == 3) ? p : 0;
  const int above = align == 4 ? p : 0;
  const int below = align == 5 ? p : 0;

  const QString shown = displayText(look.caption);
  int tw = 0, th = 0;
  if (!shown.isEmpty()) {
    const QFontMetrics fm(look.font);
    const QRect box(0, 0, std::max(1, u - 8 - lp - rp), std::max(1, h - 8 - above - below));
    QSize text = fm.boundingRect(box, kTextFlags | alignFlag(look.captionAlign), shown).size();
    if (look.captionStyle == 1 || look.captionStyle == 2) text += QSize(2, 2);
    tw = text.width();
    th = text.height();
  }

  int left = 0;
  switch (look.captionAlign) {
    case 0: left = m + lp + 4 + (lp > 0 ? 4 : 0); break;
    case 1: left = rl - rp - tw - 4 - (rp > 0 ? 4 : 0); break;
    default:
      if (lp > 0 && align == 1) left = m + lp + (u - (tw + lp + 4)) / 2 + 4;
      else if (rp > 0 && align == 3) left = m + (u - (tw + rp + 4)) / 2;
      else left = m + lp + (u - (lp + rp) - tw) / 2;
      break;
  }
  int top = (h - th) / 2;
  int picTop = (h - p) / 2;
  if (p > 0 && (align == 4 || align == 5)) {
    const int v = (h - (th + p)) / 2;
    if (align == 4) {
      picTop = v;
      top = v + p + 2;
    } else {
      top = v + 2;
      picTop = v + th + 4;
    }
  }
  // GDI-style edges (right and bottom exclusive), clamped to the face; sizes never go negative.
  auto clampRect = [&](int l, int t, int r, int b) {
    t = std::max(t, 4);
    l = std::max(l, m + 4);
    r = std::min(r, rl - 4);
    b = std::min(b, h - 5);
    return QRect(l, t, std::max(0, r - l), std::max(0, b - t));
  };
  out.caption = clampRect(left, top, left + tw, top + th);
  if (shown.isEmpty()) out.caption = QRect(out.caption.topLeft(), QSize(0, 0));

  if (!hasPicture) return out;
  if (look.pictureSize == 40) {
    out.picture = look.shape == 6 ? QRect(1, 1, std::max(0, w - 2), std::max(0, h - 2))
                                  : QRect(3, 3, std::max(0, w - 6), std::max(0, h - 6));
  } else if (look.pictureSize == 48) {
    if (look.shape >= 7) {
      out.picture = QRect(0, 0, w, h);
    } else {
      const QSize fit = look.picture.size().scaled(std::max(1, u - 12), std::max(1, h - 12),
                                                   Qt::KeepAspectRatio);
      out.picture = QRect(m + (u - fit.width()) / 2, (h - fit.height()) / 2, fit.width(),
                          fit.height());
    }
  } else {
    int picLeft = m + 4;
    switch (align) {
      case 0: picLeft = m + 4; break;
      case 1: picLeft = shown.isEmpty() ? m + 4 : out.caption.left() - p - 4; break;
      case 2: picLeft = rl - 4 - p; break;
      case 3: picLeft = shown.isEmpty() ? rl - 4 - p : out.caption.left() + out.caption.width() + 4; break;
      default: picLeft = m + (u - p) / 2; break;
    }
    out.picture = clampRect(picLeft, picTop, picLeft + p, picTop + p);
  }
  return out;
}

void ButtonPainter::paint(QImage& target, const ButtonLook& look, const ButtonLayout& rects) {
  const int w = look.size.width();
  const int h = look.size.height();
  if (w <= 0 || h <= 0 || target.isNull()) return;
  QPainter painter(&target);
  Canvas c{painter, look, rects, deriveFaces(look.style, look.back, look.hoverBack), w, h};
  // Outside the shape the container shows through; the surface there matches it.
  painter.fillRect(0, 0, w, h, qc(look.container));
  if (look.style != 5) {
    if (look.shape == 4 || look.shape == 5) paintGradient(painter, look.size, 3, kWhite, kGrey, look.screen);
    if (look.shape == 6) frameRegion(c, look.regions.window, look.regions.inner1, kBlack);
  }
  std::int64_t ring = kNone;
  switch (look.style) {
    case 1: ring = style1(c); break;
    case 2: ring = style2(c); break;
    case 3: ring = style3(c); break;
    case 4: ring = style4(c); break;
    case 5: ring = style5(c); break;
    case 6: ring = style6(c); break;
    case 7: ring = style7(c); break;
    default: ring = style0(c); break;
  }
  painter.setClipping(false);
  if (look.shape >= 4 && ring >= 0 && look.regions.hasInner())
    frameRegion(c, look.regions.inner1, look.regions.inner2, ColorValue(ring));
}

}  // namespace tonalix::widgets
