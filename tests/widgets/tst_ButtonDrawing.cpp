// Pixels of the push button's face: rounded corners, gradient strips, the disabled caption,
// line breaks, slanted widening and the colour shift.
#include <QFontMetrics>
#include <QPainter>
#include <QTest>

#include "widgets/ButtonGradient.h"
#include "widgets/ButtonPainter.h"
#include "widgets/ButtonShade.h"
#include "widgets/zqButtons_H.h"

using namespace tonalix::widgets;

namespace {
constexpr QRgb kContainer = 0xFF3366AA;

// The button as the container shows it: outside its shape the container's colour.
QImage shownOn(QWidget& container, zqButtons_H& button) {
  return container.grab(button.geometry()).toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb rgbOf(ColorValue c) { return toQColor(c).rgb(); }
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
    QImage expected(40, 30, QImage::Format_RGB32);
    {
      QPainter p(&expected);
      paintGradient(p, expected.size(), 4, shade(back, 31), shade(grad, 31), button.screen()->size());
    }
    for (int y = 3; y < 27; ++y) QCOMPARE(button.hdc().pixel(20, y), expected.pixel(20, y));
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

    // On a button too small for its margins nothing comes out with a negative size.
    QPixmap picture(32, 32);
    picture.fill(Qt::red);
    look.picture = picture;
    look.pictureSize = 32;
    for (int align = 0; align <= 5; ++align) {
      look.pictureAlign = align;
      look.size = QSize(6, 5);
      const ButtonLayout tiny = ButtonPainter::layout(look);
      QVERIFY(tiny.caption.width() >= 0 && tiny.caption.height() >= 0);
      QVERIFY(tiny.picture.width() >= 0 && tiny.picture.height() >= 0);
    }
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
