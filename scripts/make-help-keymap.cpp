// Draws the key-map picture of the help guide: the 65 piano keys with the computer key that
// plays each one written on it. Run by make-help-keymap.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstdio>

namespace {

// The computer key of each piano key, lowest first, named as the on-screen keys name them.
const char* const kKeys[65] = {
    "Q", "1", "W", "2", "E", "R", "3", "T", "4", "Y", "5", "U", "I", "6", "O", "7", "P",
    "{", "8", "}", "9", "A", "0", "S", "D", "-", "F", "=", "G", "H", "\\", "J", "F1", "K",
    "F2", "L", ":", "F3", "''", "F4", "Z", "X", "F5", "C", "F6", "V", "F7", "B", "N", "F8",
    "M", "F9", "<", ">", "F10", "?", "F11", "/", "F12", "*", "-", "Ins", "+", "Del", "<-"};

// Two rows, so that the picture fits the help window's text pane: the second starts at a
// white key with a white key before it, where no black key is cut in two.
constexpr int kRowStarts[] = {0, 36, 65};

bool isBlack(int k) {
  const int n = k % 12;
  return n == 1 || n == 3 || n == 6 || n == 8 || n == 10;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: make-help-keymap OUT.png\n");
    return 2;
  }
  const int whiteW = 26, whiteH = 96, blackW = 18, blackH = 58, margin = 6, caption = 16;
  int widest = 0;
  for (int row = 0; row < 2; ++row) {
    int whites = 0;
    for (int k = kRowStarts[row]; k < kRowStarts[row + 1]; ++k) whites += isBlack(k) ? 0 : 1;
    widest = std::max(widest, whites);
  }
  const int rowH = caption + whiteH + margin;
  QImage img(widest * whiteW + 2 * margin, 2 * rowH + margin + 16, QImage::Format_RGB32);
  img.fill(QColor(0xF4, 0xEE, 0xE6));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(10);
  font.setBold(true);
  QFont small = font;
  small.setPixelSize(8);
  for (int row = 0; row < 2; ++row) {
    const int first = kRowStarts[row], end = kRowStarts[row + 1];
    const int top = margin + row * rowH + caption;
    p.setFont(font);
    p.setPen(QColor(0x5A, 0x40, 0x30));
    p.drawText(QRect(margin, top - caption, img.width() - 2 * margin, caption - 2), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Piano keys %1 to %2").arg(first + 1).arg(end));
    // White keys first, black keys drawn over them.
    int x = margin;
    int whiteLeft[65] = {};
    for (int k = first; k < end; ++k) {
      if (isBlack(k)) continue;
      whiteLeft[k] = x;
      p.setPen(QColor(0x60, 0x50, 0x40));
      p.setBrush(Qt::white);
      p.drawRoundedRect(QRect(x, top, whiteW - 1, whiteH), 2, 2);
      p.setPen(QColor(0x30, 0x30, 0x30));
      p.drawText(QRect(x, top + whiteH - 18, whiteW - 1, 14), Qt::AlignCenter, QString::fromLatin1(kKeys[k]));
      x += whiteW;
    }
    p.setFont(small);
    for (int k = first + 1; k < end; ++k) {
      if (!isBlack(k)) continue;
      const int left = whiteLeft[k - 1] + whiteW - blackW / 2;
      p.setPen(QColor(0x20, 0x20, 0x20));
      p.setBrush(QColor(0x28, 0x24, 0x22));
      p.drawRoundedRect(QRect(left, top, blackW, blackH), 2, 2);
      p.setPen(QColor(0xF0, 0xE0, 0xA0));
      p.drawText(QRect(left - 2, top + blackH - 14, blackW + 4, 12), Qt::AlignCenter, QString::fromLatin1(kKeys[k]));
    }
  }
  p.setFont(font);
  p.setPen(QColor(0x5A, 0x40, 0x30));
  p.drawText(QRect(margin, 2 * rowH + margin - 2, img.width() - 2 * margin, 16), Qt::AlignLeft,
             QStringLiteral("/ * - + after ? are keypad keys;  <- is Enter"));
  p.end();
  return img.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
