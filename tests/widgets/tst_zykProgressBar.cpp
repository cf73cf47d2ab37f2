// Level bar: rows and columns drawn for a value, captions, mouse input, events and saved settings.
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include "TestPictures.h"
#include "widgets/zykProgressBar.h"

using namespace tonalix::widgets;

class TestZykProgressBar : public QObject {
  Q_OBJECT

  TestPictures pics_;
  QString back_, bar_;

  // A vertical bar, 10 x 190, blue when empty and red when full.
  void setUpVertical(zykProgressBar& b, int max) {
    b.show();
    QCOMPARE(b.SetBarPictureBack(back_), PropertyError::None);
    QCOMPARE(b.SetBarPicture(bar_), PropertyError::None);
    b.SetOrientation(zykProgressBar::kVertical);
    QCOMPARE(b.SetMax(max), PropertyError::None);
  }

  // The first row (from the top) where the bar picture shows, or the height when none does.
  static int firstBarRow(const zykProgressBar& b) {
    const QImage img = b.surface().toImage();
    for (int y = 0; y < img.height(); ++y)
      if (img.pixelColor(5, y) == QColor(Qt::red)) return y;
    return img.height();
  }

 private slots:
  void initTestCase() {
    back_ = pics_.solid("back", 10, 190, Qt::blue);
    bar_ = pics_.solid("bar", 10, 190, Qt::red);
  }

  void backgroundFixesSize() {
    zykProgressBar b;
    setUpVertical(b, 127);
    QCOMPARE(b.size(), QSize(10, 190));
  }

  void verticalBarShowsRowsForValue() {
    zykProgressBar b;
    setUpVertical(b, 127);
    QCOMPARE(b.SetValue(127), PropertyError::None);
    QCOMPARE(firstBarRow(b), 0);
    QCOMPARE(b.surface().toImage().pixelColor(5, 189), QColor(Qt::red));
    QCOMPARE(b.SetValue(0), PropertyError::None);
    QCOMPARE(firstBarRow(b), 190);  // only the background

    zykProgressBar pitch;
    setUpVertical(pitch, 63);
    QCOMPARE(pitch.SetValue(50), PropertyError::None);
    QCOMPARE(firstBarRow(pitch), 39);  // 190 - 50/63 * 190 = 39.2
    const QImage img = pitch.surface().toImage();
    QCOMPARE(img.pixelColor(5, 38), QColor(Qt::blue));
    QCOMPARE(img.pixelColor(9, 189), QColor(Qt::red));
  }

  void horizontalBarGrowsFromLeft() {
    zykProgressBar b;
    b.show();
    QCOMPARE(b.SetBarPictureBack(pics_.solid("hback", 100, 8, Qt::blue)), PropertyError::None);
    QCOMPARE(b.SetBarPicture(pics_.solid("hbar", 100, 8, Qt::red)), PropertyError::None);
    QCOMPARE(b.SetValue(25), PropertyError::None);
    const QImage img = b.surface().toImage();
    QCOMPARE(img.pixelColor(24, 4), QColor(Qt::red));
    QCOMPARE(img.pixelColor(25, 4), QColor(Qt::blue));
  }

  void captionFormats() {
    zykProgressBar b;
    QCOMPARE(b.SetMax(200), PropertyError::None);
    QCOMPARE(b.SetValue(50), PropertyError::None);
    b.SetCaptionFormat(3);
    QCOMPARE(b.captionText(), QLocale().toString(25.0, 'f', 1) + "%");
    b.SetCaptionFormat(1);
    QCOMPARE(b.captionText(), QStringLiteral("50"));

    zykProgressBar c;
    QCOMPARE(c.SetMax(150), PropertyError::None);
    QCOMPARE(c.SetMin(50), PropertyError::None);
    QCOMPARE(c.SetValue(100), PropertyError::None);
    c.SetCaptionFormat(2);  // the value itself over the range
    QCOMPARE(c.captionText(), QStringLiteral("100%"));
    c.SetCaptionFormat(5);  // the distance from Min over the range
    QCOMPARE(c.captionText(), QStringLiteral("50%"));
    c.SetCaptionCustom(QStringLiteral("Level"));
    c.SetCaptionFormat(99);
    QCOMPARE(c.captionText(), QStringLiteral("Level"));
    c.SetCaptionFormat(42);
    QVERIFY(c.captionText().isEmpty());
  }

  void refusalsAndEventOrder() {
    zykProgressBar b;
    QStringList log;
    connect(&b, &zykProgressBar::ValueChanged, [&log] { log << "ValueChanged"; });
    connect(&b, &zykProgressBar::ArrivedLast, [&log] { log << "ArrivedLast"; });
    connect(&b, &zykProgressBar::ArrivedFirst, [&log] { log << "ArrivedFirst"; });
    QCOMPARE(b.SetValue(101), PropertyError::InvalidPropertyValue);
    QCOMPARE(b.SetMax(0), PropertyError::InvalidPropertyValue);
    QCOMPARE(b.SetMin(100), PropertyError::InvalidPropertyValue);
    QVERIFY(log.isEmpty());
    QCOMPARE(b.SetValue(100), PropertyError::None);
    QCOMPARE(log, QStringList({"ValueChanged", "ArrivedLast"}));
    log.clear();
    QCOMPARE(b.SetValue(100), PropertyError::None);  // redraws, raises nothing
    QVERIFY(log.isEmpty());
    QCOMPARE(b.SetMin(20), PropertyError::None);      // Value moves to the new Min
    QCOMPARE(b.Value(), 20);
    QCOMPARE(log, QStringList({"ValueChanged", "ArrivedFirst"}));
  }

  void mouseSetsAndStepsValue() {
    zykProgressBar b;
    setUpVertical(b, 127);
    QCOMPARE(b.SetValue(20), PropertyError::None);
    // A right press above the level raises the value by exactly one, below lowers it by one.
    QTest::mousePress(&b, Qt::RightButton, {}, QPoint(5, 10));
    QCOMPARE(b.Value(), 21);
    QTest::mouseRelease(&b, Qt::RightButton, {}, QPoint(5, 10));
    QTest::mousePress(&b, Qt::RightButton, {}, QPoint(5, 189));
    QCOMPARE(b.Value(), 20);
    QTest::mouseRelease(&b, Qt::RightButton, {}, QPoint(5, 189));

    // A left press jumps to the pointer; dragging beyond the bar stops at the ends.
    QSignalSpy click(&b, &zykProgressBar::Click);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 95));
    QCOMPARE(b.Value(), 64);  // (190 - 95) / 190 * 127 = 63.5
    QTest::mouseMove(&b, QPoint(5, -300));
    QCOMPARE(b.Value(), 127);
    QTest::mouseMove(&b, QPoint(5, 900));
    QCOMPARE(b.Value(), 0);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 900));
    QCOMPARE(click.count(), 0);  // released outside
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 150));
    QCOMPARE(click.count(), 1);
    // A double click is one click more, not two.
    QTest::mouseDClick(&b, Qt::LeftButton, {}, QPoint(5, 150));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 150));
    QCOMPARE(click.count(), 1);

    const int before = b.Value();
    b.SetEnabled(false);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 10));
    QCOMPARE(b.Value(), before);
  }

  void pointRoundsHalvesToEven() {
    zykProgressBar b;
    setUpVertical(b, 19);  // 10 pixels per step
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 185));  // 0.5
    QCOMPARE(b.Value(), 0);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 175));  // 1.5
    QCOMPARE(b.Value(), 2);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 165));  // 2.5
    QCOMPARE(b.Value(), 2);
  }

  void savesOnlyNonDefaultsAndLoadsMissingKeysAsDefaults() {
    zykProgressBar fresh;
    PropertyBag empty;
    fresh.WriteProperties(empty);
    QVERIFY2(empty.isEmpty(), qPrintable(empty.names().join(',')));

    zykProgressBar b;
    setUpVertical(b, 63);
    QCOMPARE(b.SetValue(50), PropertyError::None);
    PropertyBag bag;
    b.WriteProperties(bag);
    QCOMPARE(bag.names(), QStringList({"BarPicture", "BarPictureBack", "Max", "Orientation", "Value"}));

    zykProgressBar loaded;
    loaded.show();
    QSignalSpy changed(&loaded, &zykProgressBar::ValueChanged);
    loaded.ReadProperties(bag);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(loaded.Value(), 50);
    QCOMPARE(loaded.size(), QSize(10, 190));
    QCOMPARE(loaded.CaptionFormat(), 0);
    QCOMPARE(firstBarRow(loaded), 39);
    PropertyBag again;
    loaded.WriteProperties(again);
    QVERIFY(again == bag);
    // After loading the last value is Min, so setting the loaded value again is a change.
    QCOMPARE(loaded.SetValue(50), PropertyError::None);
    QCOMPARE(changed.count(), 1);

    QFont font(QStringLiteral("Arial"));
    font.setPointSize(11);
    loaded.SetFont(font);
    loaded.WriteProperties(again);
    QVERIFY(again.contains("Font"));
  }
};

QTEST_MAIN(TestZykProgressBar)
#include "tst_zykProgressBar.moc"
