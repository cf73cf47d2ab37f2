// The bevelled button and its colour and shape helpers: the integer colour model, offset
// texts, the bevel painter's limits, option groups and the mouse rules.
#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <numbers>

#include "widgets/bvlBUTTON.h"
#include "widgets/mdlSHPCLR.h"

using namespace tonalix::widgets;
namespace shp = tonalix::widgets::mdlSHPCLR;

class BevelButtonTest : public QObject {
  Q_OBJECT

 private slots:
  void colourModel() {
    const shp::HLSColour white = shp::RGBToHLS(0xFFFFFF), black = shp::RGBToHLS(0);
    QCOMPARE((std::array{white.hue, white.saturation, white.luminance}), (std::array<std::int16_t, 3>{160, 0, 240}));
    QCOMPARE((std::array{black.hue, black.saturation, black.luminance}), (std::array<std::int16_t, 3>{160, 0, 0}));
    QCOMPARE(shp::HLSToRGB({160, 0, 120}), rgbValue(128, 128, 128));  // 127.5 rounds to even
    // Green 100 of 240 is 106.25 of 255; the half added before the division makes it 107.
    QCOMPARE(shp::HLSToRGB({80, 240, 50}), rgbValue(0, 107, 0));
    QCOMPARE(shp::HLSToRGB({80, 240, 1}), rgbValue(0, 3, 0));
    // A coloured value comes back within two steps per channel: 240 levels cannot hold 256.
    for (ColorValue c : {0x9FBFCCu, 0x98805Au, 0x0000FFu, 0x123456u}) {
      const ColorValue back = shp::HLSToRGB(shp::RGBToHLS(c));
      for (int shift : {0, 8, 16})
        QVERIFY2(std::abs(int((c >> shift) & 0xFF) - int((back >> shift) & 0xFF)) <= 2,
                 qPrintable(QString::number(c, 16) + " -> " + QString::number(back, 16)));
    }
    QCOMPARE(shp::TranslateColour(0x00123456u), 0x00123456u);
    QCOMPARE(shp::TranslateColour(0x800000FFu), 0u);  // no such system colour: black
    QCOMPARE(shp::TranslateColour(0x80FFFFFFu), 0u);
  }

  void offsetTexts() {
    QStringList messages;
    const auto report = [&](const QString& m) { messages << m.section(QStringLiteral("\r\n"), 0, 0); };
    const std::pair<const char*, const char*> good[] = {
        {"5,7", "(5,7)"}, {"(3)", "(3,0)"}, {",4)", "(0,4)"}, {"", "(0,0)"}, {" ( 1 , 2 ) ", "(1,2)"}, {"(1,2", "(1,2)"},
        {"(2.5,-3.5)", "(2,-4)"}};
    for (const auto& [in, out] : good) {
      QString text = in;
      std::int16_t x = 9, y = 9;
      QVERIFY2(shp::ParseCartesian(text, x, y, report), in);
      QCOMPARE(text, QString(out));
    }
    QVERIFY(messages.isEmpty());
    for (const char* bad : {"(a,1)", "(40000,1)", "()", "(1,2,3)"}) {
      QString text = bad;
      std::int16_t x = 9, y = 9;
      QVERIFY(!shp::ParseCartesian(text, x, y, report));
      QCOMPARE(text, QString(bad));
      QCOMPARE(x, std::int16_t(9));
    }
    QCOMPARE(messages, (QStringList{"NON-NUMERIC CARTESIAN CO-ORDINATES.", "INVALID CARTESIAN CO-ORDINATES VALUES.",
                                    "INVALID CARTESIAN CO-ORDINATES FORMAT.", "NON-NUMERIC CARTESIAN CO-ORDINATES."}));
  }

  void shadingAndBevelLimits() {
    for (double angle : {0.0, 1.0, 3.0, 5.0}) {
      double t = 0;
      std::int32_t mode = 2;
      QCOMPARE(shp::ShadeLuminance(100, angle, t, mode, false, false), std::int16_t(100));
    }
    double t = 1;
    std::int32_t mode = 2;
    QCOMPARE(shp::ShadeLuminance(100, 3 * std::numbers::pi / 4, t, mode, false, false), std::int16_t(240));

    QImage picture(40, 20, QImage::Format_RGB32);
    std::int16_t height = 0;
    shp::PaintBevel(picture, height, 0x9FBFCC, shp::ShapeRounded, 2, false, false);
    QCOMPARE(height, std::int16_t(6));
    // Raised: lit from the upper left, shaded at the lower right.
    QVERIFY(qGray(picture.pixel(20, 0)) > qGray(picture.pixel(20, 19)));

    // A one-pixel bevel and one wider than the radius are drawn, never divided by zero.
    for (std::int16_t asked : {std::int16_t(1), std::int16_t(50)}) {
      for (int shape = 0; shape <= 3; ++shape) {
        QImage small(21, 9, QImage::Format_RGB32);
        std::int16_t h = asked;
        const QRegion ring = shp::PaintBevel(small, h, 0x9FBFCC, shape, 1, true, true);
        QCOMPARE(h, asked == 1 ? std::int16_t(1) : std::int16_t(shape == 1 ? 10 : 4));
        QVERIFY(!ring.isEmpty());
      }
    }
  }

  void optionGroupsAndClicks() {
    QWidget form, other(&form);
    bvlBUTTON a(&form), b(&form), c(&form), elsewhere(&other);
    for (bvlBUTTON* o : {&a, &b, &c, &elsewhere}) o->setBehaviour(bvlBUTTON::OptionButton);
    elsewhere.setValue(true);
    QSignalSpy clickA(&a, &bvlBUTTON::Click), clickB(&b, &bvlBUTTON::Click);
    a.setValue(true);
    b.setValue(true);
    QCOMPARE(clickA.count(), 1);
    QCOMPARE(clickB.count(), 1);
    QVERIFY(!a.Value() && b.Value() && !c.Value());
    QVERIFY(elsewhere.Value());  // another container, another group
    b.setValue(false);
    QCOMPARE(clickB.count(), 1);

    // Clicking the one already down clicks once and changes nothing.
    form.resize(200, 100);
    b.setGeometry(10, 10, 40, 20);
    form.show();
    b.setValue(true);
    clickB.clear();
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(clickB.count(), 1);
    QVERIFY(b.Value());
    // A click on another one of the group selects it, with one Click.
    a.setGeometry(60, 10, 40, 20);
    clickA.clear();
    QTest::mouseClick(&a, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(clickA.count(), 1);
    QVERIFY(a.Value() && !b.Value());
  }

  void mouseRules() {
    QWidget form;
    form.resize(200, 100);
    bvlBUTTON push(&form);
    push.setBehaviour(bvlBUTTON::PushButton);
    push.setGeometry(10, 10, 40, 20);
    form.show();
    QSignalSpy down(&push, &bvlBUTTON::MouseDown), up(&push, &bvlBUTTON::MouseUp), click(&push, &bvlBUTTON::Click);
    // A button not in MouseKeys neither presses nor, on release, clicks.
    QTest::mousePress(&push, Qt::RightButton, {}, QPoint(20, 10));
    QTest::mouseRelease(&push, Qt::RightButton, {}, QPoint(20, 10));
    QCOMPARE(down.count() + up.count() + click.count(), 0);
    QCOMPARE(push.state() & bvlBUTTON::kDown, 0);
    // Released outside: no MouseUp, no Click, the push button is up again.
    QTest::mousePress(&push, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(push.state() & bvlBUTTON::kDown, bvlBUTTON::kDown);
    QTest::mouseRelease(&push, Qt::LeftButton, {}, QPoint(100, 80));
    QCOMPARE(down.count(), 1);
    QCOMPARE(up.count() + click.count(), 0);
    QCOMPARE(push.state(), 0);
    // Pressing and hovering only copy the bevels painted before.
    const int painted = push.bevelPaintCount();
    QTest::mouseClick(&push, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(click.count(), 1);
    QCOMPARE(push.bevelPaintCount(), painted);

    // A double click as the window system delivers it (press, release, press and double click,
    // release): one press each time, one Click and one DblClick, and no second Click.
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy dbl(&push, &bvlBUTTON::DblClick);
    click.clear();
    down.clear();
    const QPoint at = push.mapTo(&form, QPoint(20, 10));
    QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(form.windowHandle(), Qt::LeftButton, {}, at);
    QCOMPARE(dbl.count(), 1);
    QCOMPARE(click.count(), 1);
    QCOMPARE(down.count(), 2);
    QCOMPARE(push.state() & bvlBUTTON::kDown, 0);
    // The next plain click clicks again.
    QTest::mouseClick(&push, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(click.count(), 2);

    // A circle is made square.
    bvlBUTTON round(&form);
    round.resize(40, 20);
    round.setAppearance(shp::ShapeEllipse);
    QCOMPARE(round.size(), QSize(40, 40));
  }

  void savedSettingsLoadQuietly() {
    PropertyBag bag;
    bag.WriteProperty("CaptionOffset", QStringLiteral("(x,1)"));
    bag.WriteProperty("PictureOffset", QStringLiteral("3,4"));
    bag.WriteProperty("Behaviour", 2);
    bag.WriteProperty("Value", true);
    bvlBUTTON b;
    b.ReadProperties(bag);  // a bad offset would show a box here and block the test
    QCOMPARE(b.CaptionOffset(), QString("(0,0)"));
    QCOMPARE(b.PictureOffset(), QString("(3,4)"));
    QCOMPARE(b.state() & bvlBUTTON::kDown, bvlBUTTON::kDown);
    PropertyBag saved;
    b.WriteProperties(saved);
    // The automatic bevel is saved at the height painted for 21 by 9 pixels.
    QCOMPARE(saved.names(), (QStringList{"Behaviour", "BevelHeight", "PictureOffset", "Value"}));
    QCOMPARE(saved.ReadProperty("BevelHeight").toInt(), 3);
  }
};

QTEST_MAIN(BevelButtonTest)
#include "tst_bvlBUTTON.moc"
