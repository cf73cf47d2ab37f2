#include "widgets/mdlSHPCLR.h"

#include <QMessageBox>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace tonalix::widgets::mdlSHPCLR {

namespace {

constexpr double kPi = std::numbers::pi;

// To the nearest integer, halves to even, as every stored value of the model is rounded.
int roundEven(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::nearbyint(v));
}

// The highest system-colour index the desktop's table knows.
constexpr unsigned kLastSystemColour = 30;

}  // namespace

std::int16_t IntMax(std::int16_t a, std::int16_t b) { return a > b ? a : b; }
std::int16_t IntMin(std::int16_t a, std::int16_t b) { return a < b ? a : b; }
double Hypotenuse(std::int16_t a, std::int16_t b) { return std::sqrt(double(a) * a + double(b) * b); }

HLSColour RGBToHLS(ColorValue rgb) {
  const int r = static_cast<int>(rgb & 0xFF), g = static_cast<int>((rgb >> 8) & 0xFF),
            b = static_cast<int>((rgb >> 16) & 0xFF);
  const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
  HLSColour out;
  const double l = ((mx + mn) * 240.0 + 255.0) / 510.0;
  out.luminance = static_cast<std::int16_t>(roundEven(l));
  if (mx == mn) {
    out.saturation = 0;
    out.hue = 160;
    return out;
  }
  const double d = mx - mn, s = mx + mn;
  const double sat = l <= 120 ? (d * 240 + 0.5) / s : (d * 240 + 0.5) / (510 - s);
  const double rd = ((mx - r) * 40 + 0.5) / d, gd = ((mx - g) * 40 + 0.5) / d, bd = ((mx - b) * 40 + 0.5) / d;
  double h = r == mx ? bd - gd : g == mx ? 80 + rd - bd : 160 + gd - rd;
  if (h < 0) h += 240;
  out.saturation = static_cast<std::int16_t>(roundEven(sat));
  out.hue = static_cast<std::int16_t>(roundEven(h));
  return out;
}

std::int16_t HueToRGB(std::int16_t m1, std::int16_t m2, std::int32_t& hue) {
  if (hue < 0) hue += 240;
  if (hue > 240) hue -= 240;
  double v;
  if (hue < 40) v = m1 + ((m2 - m1) * double(hue) + 20) / 40;
  else if (hue < 120) v = m2;
  else if (hue < 160) v = m1 + ((m2 - m1) * double(160 - hue) + 20) / 40;
  else v = m1;
  return static_cast<std::int16_t>(roundEven(v));
}

ColorValue HLSToRGB(const HLSColour& hls) {
  const int l = hls.luminance, s = hls.saturation;
  if (s == 0) {
    const int v = std::clamp(roundEven(l * 255.0 / 240.0), 0, 255);
    return rgbValue(v, v, v);
  }
  const int m2 = l <= 120 ? roundEven((l * (240.0 + s) + 120) / 240) : roundEven(l + s - (double(l) * s + 120) / 240);
  const int m1 = 2 * l - m2;
  auto channel = [&](int h) {
    std::int32_t hue = h;
    const int v = HueToRGB(static_cast<std::int16_t>(m1), static_cast<std::int16_t>(m2), hue);
    return std::clamp(roundEven((v * 255.0 + 120) / 240), 0, 255);
  };
  return rgbValue(channel(hls.hue + 80), channel(hls.hue), channel(hls.hue - 80));
}

ColorValue TranslateColour(ColorValue colour) {
  if (!(colour & 0x80000000u)) return colour;
  const unsigned index = colour & 0x00FFFFFFu;
  if (index > kLastSystemColour) return 0;
  return toColorValue(resolveColor(kSystemColorFlag | index));
}

QString CartesianMessage(CartesianError error) {
  const QString crlf = QStringLiteral("\r\n");
  switch (error) {
    case CartesianError::Format:
      return QStringLiteral("INVALID CARTESIAN CO-ORDINATES FORMAT.") + crlf + crlf +
             QStringLiteral("Co-ordinates must be in the format") + crlf +
             QStringLiteral("\"(x,y)\" where x and y are Integers") + crlf + QStringLiteral("in the range -32768 to +32767.");
    case CartesianError::Numeric:
      return QStringLiteral("NON-NUMERIC CARTESIAN CO-ORDINATES.") + crlf + crlf +
             QStringLiteral("Co-ordinates must numeric Integers") + crlf + QStringLiteral("in the range -32768 to +32767.");
    case CartesianError::Range:
      return QStringLiteral("INVALID CARTESIAN CO-ORDINATES VALUES.") + crlf + crlf +
             QStringLiteral("Values must be Integers in the") + crlf + QStringLiteral("range -32768 to +32767 only.");
  }
  return {};
}

void ShowCartesianMessage(const QString& message) {
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kCartesianCaption), message, QMessageBox::Ok);
  box.exec();
}

bool ParseCartesian(QString& text, std::int16_t& x, std::int16_t& y, const CartesianReporter& report) {
  auto fail = [&](CartesianError e) {
    if (report) report(CartesianMessage(e));
    return false;
  };
  QString t = text.trimmed();
  t.remove(QLatin1Char(' '));
  if (t.isEmpty()) t = QStringLiteral("(0,0)");
  if (t.startsWith(QLatin1Char(','))) t = QStringLiteral("(0,") + t.mid(1);
  if (!t.startsWith(QLatin1Char('('))) t.prepend(QLatin1Char('('));
  if (!t.contains(QLatin1Char(','))) {
    if (t.endsWith(QLatin1Char(')'))) t = t.left(t.size() - 1) + QStringLiteral(",0)");
    else t += QStringLiteral(",0)");
  }
  if (t.endsWith(QLatin1Char(','))) t += QStringLiteral("0)");
  if (!t.endsWith(QLatin1Char(')'))) t += QLatin1Char(')');
  const qsizetype comma = t.indexOf(QLatin1Char(','));  // 0-based: the 1-based position is comma + 1
  if (!t.startsWith(QLatin1Char('(')) || !t.endsWith(QLatin1Char(')')) || comma + 1 <= 2) return fail(CartesianError::Format);
  bool okX = false, okY = false;
  const double vx = t.mid(1, comma - 1).toDouble(&okX);
  const double vy = t.mid(comma + 1, t.size() - comma - 2).toDouble(&okY);
  if (!okX || !okY || !std::isfinite(vx) || !std::isfinite(vy)) return fail(CartesianError::Numeric);
  const double rx = std::nearbyint(vx), ry = std::nearbyint(vy);
  if (rx < -32768 || rx > 32767 || ry < -32768 || ry > 32767) return fail(CartesianError::Range);
  x = static_cast<std::int16_t>(rx);
  y = static_cast<std::int16_t>(ry);
  text = QStringLiteral("(%1,%2)").arg(x).arg(y);
  return true;
}

bool IsMouseOver(const QWidget* widget, const QPoint& local) {
  if (!widget || !widget->isVisible() || !widget->rect().contains(local)) return false;
  const QRegion mask = widget->mask();
  return mask.isEmpty() || mask.contains(local);
}

std::int16_t ShadeLuminance(std::int16_t luminance, double angle, double& t, std::int32_t& mode, bool invert,
                            bool groove) {
  if (!(t >= 0)) t = 0;  // NaN counts as 0
  if (t > 1) t = 1;
  double a = angle, tt = t;
  if (groove) {
    if (tt > 0.5) {
      tt = (1 - tt) * 2;
      mode = 1;
    } else {
      tt = tt * 2;
      a = a >= kPi ? a - kPi : a + kPi;
    }
  }
  double w;
  if ((mode == 1 && invert) || (mode == 2 && !invert)) w = std::sin(tt * kPi / 2);
  else if ((mode == 1 && !invert) || (mode == 2 && invert)) w = std::cos(tt * kPi / 2);
  else w = tt;
  const double phi = invert ? (a >= kPi ? a - kPi : a + kPi) : a;
  // Light from the upper left: brightest around 3/4 pi, darkest around 7/4 pi.
  static constexpr double kAt[] = {0, kPi / 2, 2 * kPi / 3, 5 * kPi / 6, kPi, 3 * kPi / 2, 5 * kPi / 3, 11 * kPi / 6, 2 * kPi};
  static constexpr double kTarget[] = {40, 220, 240, 240, 220, 40, 0, 0, 40};
  double p = std::fmod(phi, 2 * kPi);
  if (p < 0) p += 2 * kPi;
  double target = 40;
  for (int i = 0; i < 8; ++i) {
    if (p >= kAt[i] && p <= kAt[i + 1]) {
      target = kTarget[i] + (kTarget[i + 1] - kTarget[i]) * (p - kAt[i]) / (kAt[i + 1] - kAt[i]);
      break;
    }
  }
  return static_cast<std::int16_t>(roundEven(luminance + (target - luminance) * w));
}

namespace {

// Distance of a pixel from the nearest point of the segment or rectangle between the shape's
// arc centres: the radius it lies at for the rounded shapes.
struct Centres {
  double left, top, right, bottom;
};

Centres centresFor(int w, int h, int r) {
  Centres c{double(r), double(r), double(w - r - 1), double(h - r - 1)};
  // A side shorter than two radii has its centres meet in the middle.
  if (c.right < c.left) c.left = c.right = (w - 1) / 2.0;
  if (c.bottom < c.top) c.top = c.bottom = (h - 1) / 2.0;
  return c;
}

}  // namespace

QRegion ShapeRegion(int w, int h, int shape) {
  if (w <= 0 || h <= 0) return {};
  if (shape == ShapeRectangle) return QRegion(0, 0, w, h);
  if (shape == ShapeEllipse) return QRegion(0, 0, w, h, QRegion::Ellipse);
  return RoundedRegion(w, h, std::min(w, h) / 2);
}

QRegion RoundedRegion(int w, int h, int r) {
  if (w <= 0 || h <= 0) return {};
  r = std::clamp(r, 0, std::min(w, h) / 2);
  const Centres c = centresFor(w, h, r);
  QRegion region;
  for (int y = 0; y < h; ++y) {
    int first = -1;
    for (int x = 0; x <= w; ++x) {
      const double dx = x < c.left ? c.left - x : x > c.right ? x - c.right : 0;
      const double dy = y < c.top ? c.top - y : y > c.bottom ? y - c.bottom : 0;
      const bool inside = x < w && std::hypot(dx, dy) <= r + 0.5;
      if (inside && first < 0) first = x;
      if (!inside && first >= 0) {
        region += QRect(first, y, x - first, 1);
        first = -1;
      }
    }
  }
  return region;
}

QRegion PaintBevel(QImage& picture, std::int16_t& bevelHeight, ColorValue backColour, int shape, std::int32_t mode,
                   bool invert, bool groove) {
  const int w = picture.width(), h = picture.height();
  if (w <= 0 || h <= 0) return {};
  const ColorValue base = TranslateColour(backColour);
  picture.fill(resolveColor(base));
  const HLSColour baseHls = RGBToHLS(base);
  const int shorter = shape == ShapeEllipse ? w : std::min(w, h);
  const int r = std::max(1, shorter / 2);
  int bevel = bevelHeight;
  if (bevel == 0) {
    const int d = (shape == ShapeRectangle || shape == ShapeRounded) ? shorter / 4 : shorter / 8;
    bevel = d + 1;  // r - ri + 1 with ri = r - d
  }
  // A bevel wider than the radius would leave no face and an inner radius of zero or less.
  bevel = std::clamp(bevel, 1, r);
  bevelHeight = static_cast<std::int16_t>(bevel);
  const double ri = r - bevel + 1;
  const double span = bevel > 1 ? bevel - 1 : 1;  // t is 1 across a one-pixel bevel

  auto shade = [&](int x, int y, double angle, double t) {
    std::int32_t m = mode;
    HLSColour c = baseHls;
    c.luminance = ShadeLuminance(baseHls.luminance, angle, t, m, invert, groove);
    const ColorValue rgb = HLSToRGB(c);
    picture.setPixel(x, y, qRgb(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                                static_cast<int>((rgb >> 16) & 0xFF)));
  };

  QRegion ring;
  if (shape == ShapeRectangle) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        // The nearest side wins, so the four sides meet in mitred corners.
        const int toLeft = x, toTop = y, toRight = w - 1 - x, toBottom = h - 1 - y;
        const int nearest = std::min({toLeft, toTop, toRight, toBottom});
        if (nearest >= bevel) continue;
        const double angle = nearest == toTop ? kPi / 2 : nearest == toLeft ? kPi : nearest == toBottom ? 3 * kPi / 2 : 2 * kPi;
        shade(x, y, angle, bevel > 1 ? 1 - nearest / span : 1);
        ring += QRect(x, y, 1, 1);
      }
    }
    return ring;
  }
  const Centres c = centresFor(w, h, r);
  const QRegion outline = ShapeRegion(w, h, shape == ShapeEllipse ? ShapeEllipse : ShapeRounded);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!outline.contains(QPoint(x, y))) continue;
      const bool cornerX = x < c.left || x > c.right, cornerY = y < c.top || y > c.bottom;
      const double dx = x < c.left ? x - c.left : x > c.right ? x - c.right : 0;
      const double dy = y < c.top ? y - c.top : y > c.bottom ? y - c.bottom : 0;
      const double dist = std::hypot(dx, dy);
      if (dist < ri - 0.5) continue;  // the face
      double angle;
      if (cornerX && cornerY) {
        angle = std::atan2(-dy, dx);  // screen y grows downwards; angles count from the right, anticlockwise
        if (angle < 0) angle += 2 * kPi;
      } else if (cornerX) {
        angle = dx < 0 ? kPi : 2 * kPi;
      } else {
        angle = dy < 0 ? kPi / 2 : 3 * kPi / 2;
      }
      shade(x, y, angle, bevel > 1 ? (dist - ri) / span : 1);
      ring += QRect(x, y, 1, 1);
    }
  }
  return ring;
}

}  // namespace tonalix::widgets::mdlSHPCLR
