// Pixels of the push button's face: rounded corners, gradient strips, the disabled caption and
// picture, edges and focus, line breaks and clamps, slanted widening and the colour shift.
#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <QPainter>
#include <QTest>

#include "widgets/ButtonGradient.h"
#include "widgets/ButtonPainter.h"
#include "widgets/ButtonShade.h"
#include "widgets/ButtonShape.h"
#include "widgets/zqButtons_H.h"

using namespace tonalix::widgets;

namespace {
constexpr QRgb kContainer = 0xFF3366AA;

// The button as the container shows it: outside its shape the container's colour.
QImage shownOn(QWidget& container, zqButtons_H& button) {
  return container.grab(button.geometry()).toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb rgbOf(ColorValue c) { return toQColor(c).rgb(); }

// A plain rectangular look of the given style, ready to paint.
ButtonLook plainLook(int style, QSize size) {
  ButtonLook look;
  look.size = size;
  look.style = style;
  look.screen = QSize(1920, 1080);
  look.regions = buildRegions(0, style, true, size, {});
  return look;
}

QImage painted(const ButtonLook& look) {
  QImage img(look.size, QImage::Format_RGB32);
  ButtonPainter::paint(img, look, ButtonPainter::layout(look));
  return img;
}
}  // namespace

class TestButtonDrawing : public QObject {
  Q_OBJECT

 private slots:
  void roundedStylesCutTheirCornersAndSquareOnesDoNot() {
    QWidget container;
    container.setAutoFillBackground(true);
    QPalette pal = container.palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(kContainer));
    container.setPalette(pal);
    auto* button = new zqButtons_H(&container);
    button->setGeometry(10, 10, 60, 24);
    container.resize(100, 50);
    container.show();
    QVERIFY(QTest::qWaitForWindowExposed(&container));
    const int w = 60, h = 24;
    for (int style : {2, 7}) {
      button->setButtonStyle(style);
      const QImage img = shownOn(container, *button);
      // Three-pixel notches at each corner; the corner pixel one step in is the outline.
      for (QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(0, h - 1), QPoint(1, h - 1),
                       QPoint(0, h - 2), QPoint(w - 1, 0), QPoint(w - 2, 0), QPoint(w - 1, h - 1),
                       QPoint(w - 1, h - 2)})
        QVERIFY2(img.pixel(p) == kContainer, qPrintable(QStringLiteral("style %1 at %2,%3")
                                                           .arg(style).arg(p.x()).arg(p.y())));
      const QRgb outline = style == 7 ? 0xFF000000 : rgbOf(0x733C00);
      QCOMPARE(img.pixel(1, 1), outline);
      QCOMPARE(img.pixel(w - 2, h - 2), outline);
    }
    // Back to the plain style: the corners belong to the button again.
    button->setButtonStyle(0);
    const QImage square = shownOn(container, *button);
    QVERIFY(button->mask().isEmpty());
    QVERIFY(square.pixel(0, 0) != kContainer);
    QVERIFY(square.pixel(w - 1, h - 1) != kContainer);
  }

  void gradientStripsRunBetweenTheirEndColours() {
    const ColorValue back = 0x204080, grad = 0xF0C010;
    QImage img(8, 30, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    {
      QPainter p(&img);
      paintGradient(p, img.size(), 4, back, grad, QSize(800, 600));
    }
    // Mode 4 starts at the bottom: 30 one-pixel strips, the first colour exactly at the bottom.
    QCOMPARE(img.pixel(3, 29), rgbOf(back));
    QCOMPARE(img.pixel(3, 0), rgbOf(grad));
    for (int y = 0; y < 29; ++y) {
      QVERIFY(img.pixel(0, y) == img.pixel(7, y));
      QVERIFY(qRed(img.pixel(0, y)) <= qRed(img.pixel(0, y + 1)));
      QVERIFY(img.pixel(0, y) != img.pixel(0, y + 1));
    }
    // On a screen less than four faces long the strips are 2 pixels.
    img.fill(Qt::magenta);
    {
      QPainter p(&img);
      paintGradient(p, img.size(), 3, back, grad, QSize(800, 100));
    }
    QCOMPARE(img.pixel(0, 0), rgbOf(back));
    QCOMPARE(img.pixel(0, 1), rgbOf(back));
    QCOMPARE(img.pixel(0, 29), rgbOf(grad));
    // Nothing to divide: no strips for a length of 0, one strip in the first colour.
    QImage one(3, 2, QImage::Format_RGB32);
    one.fill(Qt::magenta);
    {
      QPainter p(&one);
      paintGradient(p, QSize(3, 0), 3, back, grad, QSize(800, 600));
      paintGradient(p, QSize(3, 2), 3, back, grad, QSize(800, 5));
    }
    QCOMPARE(one.pixel(1, 1), rgbOf(back));

    // A style 7 button runs from its shifted gradient colour at the top to its face.
    zqButtons_H button;
    button.resize(40, 30);
    button.setButtonStyle(7);
    button.setBackColor(back);
    button.setGradientColor(grad);
    button.setGradientMode(4);
    button.Refresh();
    // 30 strips from the face (bottom) to the shifted gradient colour (top); green and blue run
    // on a 256/255 scale at both ends, and each strip takes the integer part of its channels.
    const QColor a = toQColor(shade(back, 31)), z = toQColor(shade(grad, 31));
    const double k256 = 256.0 / 255.0;
    const double start[3] = {double(a.red()), a.green() * k256, a.blue() * k256};
    const double end[3] = {double(z.red()), z.green() * k256, z.blue() * k256};
    auto channel = [&](int c, int k) { return int(std::clamp(start[c] + (end[c] - start[c]) / 29 * k, 0.0, 255.0)); };
    for (int y = 3; y < 27; ++y) {
      const int k = 29 - y;
      QCOMPARE(button.hdc().pixel(20, y), qRgb(channel(0, k), channel(1, k), channel(2, k)));
    }
  }

  void disabledPictureShowsItsDarkPartsGreyOnTheFace() {
    // Four quadrants: the corner's key colour (transparent), black, dark red and pale yellow.
    QImage pic(16, 16, QImage::Format_RGB32);
    pic.fill(qRgb(255, 0, 255));
    QPainter(&pic).fillRect(8, 0, 8, 8, Qt::black);
    QPainter(&pic).fillRect(0, 8, 8, 8, QColor(0x90, 0, 0));
    QPainter(&pic).fillRect(8, 8, 8, 8, QColor(255, 255, 128));
    ButtonLook look = plainLook(0, QSize(64, 26));
    look.back = 0x336699;
    look.picture = QPixmap::fromImage(pic);
    look.enabled = false;
    const QRect at = ButtonPainter::layout(look).picture;
    QCOMPARE(at.size(), QSize(16, 16));
    const QImage img = painted(look);
    const QRgb face = rgbOf(look.back), grey = qRgb(0x80, 0x80, 0x80);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const bool ink = (x >= 8) != (y >= 8);  // the black and the dark red quadrants
        QVERIFY2(img.pixel(at.x() + x, at.y() + y) == (ink ? grey : face),
                 qPrintable(QStringLiteral("picture pixel %1,%2").arg(x).arg(y)));
      }
  }

  void edgesAndFocusShowOnTheFace() {
    const QSize size(64, 24);
    const QRgb white = qRgb(255, 255, 255), grey = qRgb(0x80, 0x80, 0x80);
    // A pushed flat command button stands raised; a set check button sinks.
    ButtonLook pushed = plainLook(5, size);
    pushed.pressed = pushed.pointerOver = pushed.hovering = true;
    QImage img = painted(pushed);
    QCOMPARE(img.pixel(0, 12), white);
    QCOMPARE(img.pixel(30, 0), white);
    QCOMPARE(img.pixel(63, 12), grey);
    QCOMPARE(img.pixel(30, 23), grey);
    ButtonLook checked = plainLook(5, size);
    checked.mode = 1;
    checked.value = true;
    img = painted(checked);
    QCOMPARE(img.pixel(0, 12), grey);
    QCOMPARE(img.pixel(63, 12), white);

    // The dotted focus rectangle shows on a black face as on a white one.
    for (ColorValue back : {ColorValue(0x000000), ColorValue(0xFFFFFF)}) {
      ButtonLook focused = plainLook(0, size);
      focused.back = back;
      focused.defaultLook = true;
      img = painted(focused);
      int seen = 0;
      for (int x = 4; x < 60; ++x) seen += img.pixel(x, 4) != rgbOf(back);
      QVERIFY2(seen > 20, qPrintable(QStringLiteral("face %1: %2 focus dots").arg(back, 6, 16).arg(seen)));
    }
  }

  void disabledCaptionHasAWhiteCopyDownAndRight() {
    zqButtons_H button;
    button.resize(90, 40);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(24);
    f.setBold(true);
    f.setStyleStrategy(QFont::NoAntialias);
    button.setFont(f);
    button.setCaption(QStringLiteral("H"));
    button.setEnabled(false);
    button.Refresh();
    const QImage img = button.hdc();
    int grey = 0, white = 0;
    for (int y = 4; y < 35; ++y)
      for (int x = 4; x < 85; ++x) {
        if (img.pixel(x, y) == qRgb(0x80, 0x80, 0x80)) {
          ++grey;
          const QRgb below = img.pixel(x + 1, y + 1);
          QVERIFY(below == qRgb(0x80, 0x80, 0x80) || below == qRgb(255, 255, 255));
        } else if (img.pixel(x, y) == qRgb(255, 255, 255)) {
          ++white;
        }
      }
    QVERIFY(grey > 20);
    QVERIFY(white > 5);
  }

  void doublePipeBreaksTheCaptionIntoTwoLines() {
    ButtonLook look;
    look.size = QSize(200, 60);
    look.font.setPixelSize(12);
    look.caption = QStringLiteral("Drum||Pad");
    const int twoLines = ButtonPainter::layout(look).caption.height();
    look.caption = QStringLiteral("Drum Pad");
    const int oneLine = ButtonPainter::layout(look).caption.height();
    QVERIFY2(twoLines >= 2 * QFontMetrics(look.font).height() - 1,
             qPrintable(QStringLiteral("%1 vs %2").arg(twoLines).arg(oneLine)));
    QVERIFY(oneLine < twoLines);
    QCOMPARE(ButtonPainter::displayText(QStringLiteral("a||b||c")), QStringLiteral("a\nb\nc"));

    // A picture larger than the face stays 4 pixels inside it (5 at the bottom), as does the
    // caption, wherever the picture is aligned.
    QPixmap picture(32, 32);
    picture.fill(Qt::red);
    look.picture = picture;
    look.pictureSize = 32;
    look.size = QSize(40, 30);
    for (int align = 0; align <= 5; ++align) {
      look.pictureAlign = align;
      const ButtonLayout r = ButtonPainter::layout(look);
      for (QRect inside : {r.picture, r.caption}) {
        const QString where = QStringLiteral("align %1").arg(align);
        QVERIFY2(inside.left() >= 4 && inside.top() >= 4, qPrintable(where));
        QVERIFY2(inside.left() + inside.width() <= 36 && inside.top() + inside.height() <= 25, qPrintable(where));
      }
    }
    look.pictureAlign = 0;
    QCOMPARE(ButtonPainter::layout(look).picture, QRect(4, 4, 32, 21));
  }

  void slantedButtonsWidenInStepsOfFive() {
    QWidget container;
    auto* button = new zqButtons_H(&container);
    button->resize(20, 24);
    button->setButtonShape(1);
    button->Refresh();
    // H + 1 = 25; the face needs more than 4 pixels beyond it: 20 -> 25 -> 30.
    QCOMPARE(button->width(), 30);
    // A width the container will not give ends the widening instead of looping.
    auto* held = new zqButtons_H(&container);
    held->setMaximumWidth(22);
    held->resize(20, 24);
    held->setButtonShape(3);
    held->Refresh();
    QCOMPARE(held->width(), 22);
  }

  void colourShift() {
    QCOMPARE(shade(0xFFFFFF, 31, ShadeAvoidBlackWhite), shade(0xFFFFFF, -31));
    QCOMPARE(shade(0xFFFFFF, -31), ColorValue(0xE1E1E0));
    // Avoiding black from black turns once, even where the other way is white too.
    QCOMPARE(shade(0x000000, -300, ShadeAvoidBlackWhite), ColorValue(0xFFFFFF));
    QCOMPARE(shade(0x000000, 0, ShadeAvoidBlackWhite), ColorValue(0x404040));
    // Blue scaled by its own value: a darker shift leaves little blue less changed.
    QCOMPARE(shadeB(0x300000, -64), ColorValue(0x200000));
    QCOMPARE(shade(0x102030, 16, ShadeInvert), ColorValue(0xDFCFBF));
  }
};

QTEST_MAIN(TestButtonDrawing)
#include "tst_ButtonDrawing.moc"
