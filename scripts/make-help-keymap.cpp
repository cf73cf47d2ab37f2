// Draws the key-map picture of the help guide: the 65 piano keys with the computer key that
// plays each one written on it. Run by make-help-keymap.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>

namespace {

// The computer key of each piano key, lowest first, as printed on a keyboard.
const char* const kKeys[65] = {
    "Q", "1", "W", "2", "E", "R", "3", "T", "4", "Y", "5", "U", "I", "6", "O", "7", "P",
    "[", "8", "]", "9", "A", "0", "S", "D", "-", "F", "=", "G", "H", "\\", "J", "F1", "K",
    "F2", "L", ";", "F3", "'", "F4", "Z", "X", "F5", "C", "F6", "V", "F7", "B", "N", "F8",
    "M", "F9", ",", ".", "F10", "/", "F11", "n/", "F12", "n*", "n-", "Ins", "n+", "Del", "Ent"};

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
  const int whiteW = 22, whiteH = 96, blackW = 16, blackH = 58, margin = 6;
  int whites = 0;
  for (int k = 0; k < 65; ++k) whites += isBlack(k) ? 0 : 1;
  QImage img(whites * whiteW + 2 * margin, whiteH + 2 * margin + 16, QImage::Format_RGB32);
  img.fill(QColor(0xF4, 0xEE, 0xE6));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  // White keys first, black keys drawn over them.
  int x = margin;
  int whiteLeft[65] = {};
  for (int k = 0; k < 65; ++k) {
    if (isBlack(k)) continue;
    whiteLeft[k] = x;
    const QRect r(x, margin, whiteW - 1, whiteH);
    p.setPen(QColor(0x60, 0x50, 0x40));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 2, 2);
    p.setPen(QColor(0x30, 0x30, 0x30));
    p.drawText(QRect(x, margin + whiteH - 18, whiteW - 1, 14), Qt::AlignCenter, QString::fromLatin1(kKeys[k]));
    x += whiteW;
  }
  for (int k = 1; k < 65; ++k) {
    if (!isBlack(k)) continue;
    const int left = whiteLeft[k - 1] + whiteW - blackW / 2;
    const QRect r(left, margin, blackW, blackH);
    p.setPen(QColor(0x20, 0x20, 0x20));
    p.setBrush(QColor(0x28, 0x24, 0x22));
    p.drawRoundedRect(r, 2, 2);
    p.setPen(QColor(0xF0, 0xE0, 0xA0));
    QFont small = font;
    small.setPixelSize(7);
    p.setFont(small);
    p.drawText(QRect(left, margin + blackH - 14, blackW, 12), Qt::AlignCenter, QString::fromLatin1(kKeys[k]));
    p.setFont(font);
  }
  p.setPen(QColor(0x5A, 0x40, 0x30));
  p.drawText(QRect(margin, margin + whiteH + 2, img.width() - 2 * margin, 14), Qt::AlignLeft,
             QStringLiteral("n = numeric keypad,  Ent = Enter"));
  p.end();
  return img.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
