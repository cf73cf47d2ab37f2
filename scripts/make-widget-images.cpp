// Draws the slider and level bar pictures of the sound controls (a brushed-metal thumb, a
// recessed rail and lit/unlit LED level segments on a dark panel) and the recorder buttons'
// pictures. Run by make-widget-images.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>
#include <cstdint>

namespace {

// Small fixed-seed generator so the pictures come out the same on every run.
std::uint32_t noiseState = 0x2468ACE1u;
int noise(int spread) {
  noiseState = noiseState * 1664525u + 1013904223u;
  return static_cast<int>((noiseState >> 16) % (2 * spread + 1)) - spread;
}

QImage blank(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

// Thumb for a vertical slider: a horizontal metal cap with brushed grain and a grip groove.
QImage thumb() {
  const int w = 26, h = 14;
  QImage img = blank(w, h);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 3, 3);
  QLinearGradient metal(0, 0, 0, h);
  metal.setColorAt(0.0, QColor(238, 241, 244));
  metal.setColorAt(0.40, QColor(196, 201, 207));
  metal.setColorAt(0.60, QColor(168, 174, 181));
  metal.setColorAt(1.0, QColor(120, 126, 134));
  p.fillPath(shape, metal);
  // Brushed grain: faint horizontal streaks of varying brightness.
  p.setClipPath(shape);
  for (int y = 1; y < h - 1; ++y)
    for (int x = 1; x < w - 1; x += 3) {
      const int a = 18 + noise(14);
      p.setPen(QPen(noise(1) > 0 ? QColor(255, 255, 255, a) : QColor(40, 44, 50, a / 2), 1));
      p.drawLine(QPointF(x, y + 0.5), QPointF(x + 2 + noise(1), y + 0.5));
    }
  p.setClipping(false);
  // Grip groove across the middle, with a highlight under it.
  p.setPen(QPen(QColor(60, 64, 70), 1));
  p.drawLine(QPointF(4, h / 2.0 - 0.5), QPointF(w - 4, h / 2.0 - 0.5));
  p.setPen(QPen(QColor(250, 252, 255, 200), 1));
  p.drawLine(QPointF(4, h / 2.0 + 0.5), QPointF(w - 4, h / 2.0 + 0.5));
  p.setPen(QPen(QColor(36, 38, 42), 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(shape);
  return img;
}

// Rail for a vertical slider: a narrow slot sunk into a dark panel.
QImage rail(int h = 196) {
  const int w = 10;
  QImage img = blank(w, h);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath slot;
  slot.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 4, 4);
  QLinearGradient depth(0, 0, w, 0);
  depth.setColorAt(0.0, QColor(10, 11, 13));
  depth.setColorAt(0.5, QColor(30, 33, 37));
  depth.setColorAt(1.0, QColor(54, 58, 64));
  p.fillPath(slot, depth);
  p.setPen(QPen(QColor(0, 0, 0), 1));
  p.drawPath(slot);
  // Light catching the lower-right lip of the recess.
  p.setPen(QPen(QColor(150, 156, 164, 160), 1));
  p.drawLine(QPointF(w - 1.5, 4), QPointF(w - 1.5, h - 4));
  p.drawLine(QPointF(4, h - 1.5), QPointF(w - 4, h - 1.5));
  // Scale ticks inside the slot every tenth of the travel.
  p.setPen(QPen(QColor(90, 96, 104), 1));
  for (int i = 0; i <= 10; ++i) {
    const double y = 7 + (h - 14) * i / 10.0;
    p.drawLine(QPointF(3, y), QPointF(w - 3, y));
  }
  return img;
}

constexpr int kBarWidth = 14;
constexpr int kBarHeight = 200;
constexpr int kSegment = 4;  // 3 pixels lit, 1 pixel gap

QColor segmentColour(int y, int barHeight, bool lit) {
  const double level = 1.0 - double(y) / barHeight;  // 0 at the bottom, 1 at the top
  const QColor green(70, 230, 90), amber(255, 176, 32);
  const QColor c = level > 0.75 ? amber : green;
  return lit ? c : QColor(c.red() / 6 + 14, c.green() / 6 + 14, c.blue() / 6 + 14);
}

// The level bar: LED segments on a dark panel, lit (full bar) or unlit (empty bar).
QImage levelBar(bool lit, int barHeight = kBarHeight) {
  QImage img(kBarWidth, barHeight, QImage::Format_ARGB32_Premultiplied);
  img.fill(QColor(18, 20, 23));
  QPainter p(&img);
  p.setPen(QPen(QColor(0, 0, 0), 1));
  p.drawRect(0, 0, kBarWidth - 1, barHeight - 1);
  for (int y = 2; y + kSegment - 1 <= barHeight - 2; y += kSegment) {
    const QColor c = segmentColour(y, barHeight, lit);
    const QRect seg(2, y, kBarWidth - 4, kSegment - 1);
    p.fillRect(seg, c);
    if (lit) {
      // A brighter core makes the segment read as a glowing LED.
      p.fillRect(QRect(seg.left() + 2, seg.top() + 1, seg.width() - 4, 1), c.lighter(135));
    }
  }
  return img;
}

constexpr int kSoundRailHeight = 100;

// Recorder button pictures, 16 x 16 on magenta: the button treats the colour of the top-left
// pixel as transparent, so the shapes are drawn without smoothing to keep their edges clean.
enum class RecorderPicture { Record, Stop, Play, Folder };

// scale 2 draws the same picture with twice the pixels each way, for screens of that density.
QImage recorderPicture(RecorderPicture which, int scale = 1) {
  const int n = 16;
  QImage img(n * scale, n * scale, QImage::Format_RGB32);
  img.fill(QColor(255, 0, 255));
  QPainter p(&img);
  p.scale(scale, scale);
  switch (which) {
    case RecorderPicture::Record:
      p.setPen(QColor(120, 10, 10));
      p.setBrush(QColor(220, 30, 30));
      p.drawEllipse(QRect(2, 2, 11, 11));
      p.fillRect(QRect(5, 5, 2, 2), QColor(250, 140, 140));  // a small highlight
      break;
    case RecorderPicture::Stop:
      p.setPen(QColor(20, 20, 24));
      p.setBrush(QColor(70, 72, 80));
      p.drawRect(QRect(3, 3, 9, 9));
      break;
    case RecorderPicture::Play: {
      const QPoint tri[3] = {QPoint(4, 2), QPoint(13, 8), QPoint(4, 14)};
      p.setPen(QColor(10, 90, 30));
      p.setBrush(QColor(40, 170, 70));
      p.drawPolygon(tri, 3);
      break;
    }
    case RecorderPicture::Folder:
      p.setPen(QColor(120, 90, 20));
      p.setBrush(QColor(230, 190, 80));
      p.drawRect(QRect(1, 4, 13, 9));
      p.fillRect(QRect(2, 3, 5, 1), QColor(230, 190, 80));
      p.setPen(QColor(250, 225, 140));
      p.drawLine(2, 6, 13, 6);
      break;
  }
  return img;
}

bool save(const QImage& img, const QString& dir, const char* name) {
  const QString path = dir + QLatin1Char('/') + QLatin1String(name);
  if (!img.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("wrote %s (%dx%d)\n", qPrintable(path), img.width(), img.height());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  bool ok = save(thumb(), dir, "slider-thumb.png");
  ok = save(rail(), dir, "slider-rail.png") && ok;
  ok = save(levelBar(true), dir, "level-bar.png") && ok;
  ok = save(levelBar(false), dir, "level-back.png") && ok;
  // The main window's sound controls: a shorter rail and bars that fit beside the instrument
  // list. The slider is the rail plus 4 pixels high, so the bars match it.
  ok = save(rail(kSoundRailHeight), dir, "sound-rail.png") && ok;
  ok = save(levelBar(true, kSoundRailHeight + 4), dir, "sound-level-bar.png") && ok;
  ok = save(levelBar(false, kSoundRailHeight + 4), dir, "sound-level-back.png") && ok;
  // The recorder's buttons: record, stop, play and the file-path button.
  ok = save(recorderPicture(RecorderPicture::Record), dir, "rec-record.png") && ok;
  ok = save(recorderPicture(RecorderPicture::Stop), dir, "rec-stop.png") && ok;
  ok = save(recorderPicture(RecorderPicture::Play), dir, "rec-play.png") && ok;
  ok = save(recorderPicture(RecorderPicture::Folder), dir, "rec-path.png") && ok;
  ok = save(recorderPicture(RecorderPicture::Record, 2), dir, "rec-record@2x.png") && ok;
  ok = save(recorderPicture(RecorderPicture::Stop, 2), dir, "rec-stop@2x.png") && ok;
  ok = save(recorderPicture(RecorderPicture::Play, 2), dir, "rec-play@2x.png") && ok;
  ok = save(recorderPicture(RecorderPicture::Folder, 2), dir, "rec-path@2x.png") && ok;
  return ok ? 0 : 1;
}
