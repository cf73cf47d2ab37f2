// Draws every style of the push button on every shape in each of its states into one picture,
// docs/button-gallery.png: a block per style, a row per shape, a column per state.
// Usage: make-button-gallery OUTPUT.png
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "widgets/ButtonPainter.h"
#include "widgets/ButtonShape.h"

using namespace tonalix::widgets;

namespace {
constexpr int kCellW = 76, kCellH = 30, kButtonW = 64, kButtonH = 24;
constexpr int kLabelW = 58, kHeaderH = 18;
const char* const kStates[] = {"normal", "hover", "pushed", "checked", "disabled", "default"};
const char* const kShapes[] = {"rect", "slant L", "slant R", "slant LR", "oval",
                               "oval 5", "oval 6", "cut 7", "cut 8"};

// A bitmap to cut shapes 7 and 8 from: a rounded badge on a magenta (transparent) ground.
QPixmap cutPicture() {
  QImage img(48, 18, QImage::Format_RGB32);
  img.fill(QColor(255, 0, 255));
  QPainter p(&img);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 110, 200));
  p.drawRoundedRect(QRect(1, 1, 46, 16), 8, 8);
  p.setBrush(QColor(250, 210, 60));
  p.drawEllipse(QRect(6, 4, 10, 10));
  return QPixmap::fromImage(img);
}

QImage renderCell(int style, int shape, int state, const QPixmap& cut, const QFont& font) {
  ButtonLook look;
  look.style = style;
  look.shape = shape;
  look.back = 0xD8D8D8;
  look.hoverBack = 0xD8D8D8;
  look.gradient = 0xA0A0A0;
  look.container = 0xF0F0F0;
  look.fore = 0x000000;
  look.hoverFore = 0x000000;
  look.font = font;
  look.caption = QStringLiteral("&Play");
  look.mode = state == 3 ? 1 : 0;
  look.value = state == 3;
  look.hovering = state == 1;
  look.pointerOver = state == 1 || state == 2;
  look.pressed = state == 2;
  look.enabled = state != 4;
  look.defaultLook = state == 5;
  QSize size(kButtonW, kButtonH);
  if (shape >= 7) {
    look.picture = cut;
    look.pictureSize = 48;
    look.cutPicture = fitCutPicture(cut.toImage(), size);
    size = look.cutPicture.size();
  }
  look.size = size;
  look.regions = buildRegions(shape, style, look.enabled, size, look.cutPicture);
  QImage face(size, QImage::Format_RGB32);
  ButtonPainter::paint(face, look, ButtonPainter::layout(look));
  // Outside the window region the container shows, as on screen.
  QImage shown(size, QImage::Format_ARGB32);
  shown.fill(Qt::transparent);
  QPainter p(&shown);
  if (!look.regions.window.isEmpty()) p.setClipRegion(look.regions.window);
  p.drawImage(0, 0, face);
  return shown;
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-button-gallery OUTPUT.png\n");
    return 2;
  }
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  QFont small = font;
  small.setPixelSize(9);
  const QPixmap cut = cutPicture();

  const int blockW = kLabelW + 6 * kCellW, blockH = kHeaderH + 9 * kCellH + 8;
  QImage out(2 * blockW + 10, 4 * blockH + 4, QImage::Format_RGB32);
  out.fill(QColor(0xF0, 0xF0, 0xF0));
  QPainter p(&out);
  for (int style = 0; style < 8; ++style) {
    const int bx = (style % 2) * (blockW + 10), by = (style / 2) * blockH + 4;
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(bx, by, kLabelW, kHeaderH), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("style %1").arg(style));
    p.setFont(small);
    for (int state = 0; state < 6; ++state)
      p.drawText(QRect(bx + kLabelW + state * kCellW, by, kCellW, kHeaderH), Qt::AlignCenter,
                 QLatin1String(kStates[state]));
    for (int shape = 0; shape < 9; ++shape) {
      const int y = by + kHeaderH + shape * kCellH;
      p.drawText(QRect(bx, y, kLabelW, kCellH), Qt::AlignLeft | Qt::AlignVCenter,
                 QLatin1String(kShapes[shape]));
      for (int state = 0; state < 6; ++state)
        p.drawImage(bx + kLabelW + state * kCellW, y + 2, renderCell(style, shape, state, cut, font));
    }
  }
  p.end();
  if (!out.save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
