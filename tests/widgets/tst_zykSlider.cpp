// Slider: thumb positions, value arithmetic, refusals, mouse dragging, events and saved settings.
#include <QSignalSpy>
#include <QTest>

#include "TestPictures.h"
#include "widgets/zykSlider.h"

using namespace tonalix::widgets;

class TestZykSlider : public QObject {
  Q_OBJECT

  TestPictures pics_;
  QString thumb20_;

  // A vertical 0..127 slider 200 pixels high with a 20 x 20 thumb.
  void setUpVolume(zykSlider& s) {
    s.SetShowValueTip(false);
    s.show();  // resize steps follow container resizes once the slider is shown
    QCOMPARE(s.SetSliderIcon(thumb20_), PropertyError::None);
    s.resize(20, 200);
    QCOMPARE(s.SetMax(127), PropertyError::None);
  }

  // Records the slider's events by name, in the order they are raised.
  static QStringList* record(zykSlider& s) {
    auto* log = new QStringList;
    QObject::connect(&s, &zykSlider::Click, [log] { *log << "Click"; });
    QObject::connect(&s, &zykSlider::ArrivedFirst, [log] { *log << "ArrivedFirst"; });
    QObject::connect(&s, &zykSlider::ArrivedLast, [log] { *log << "ArrivedLast"; });
    QObject::connect(&s, &zykSlider::ValueChanged, [log] { *log << "ValueChanged"; });
    QObject::connect(&s, &zykSlider::DragStart, [log](short) { *log << "DragStart"; });
    QObject::connect(&s, &zykSlider::DragEnd, [log](short) { *log << "DragEnd"; });
    return log;
  }

 private slots:
  void initTestCase() { thumb20_ = pics_.solid("thumb", 20, 20, Qt::red); }

  void thumbSitsAtBothEnds() {
    zykSlider s;
    setUpVolume(s);
    QCOMPARE(s.width(), 20);  // a vertical slider is as wide as its thumb
    QCOMPARE(s.SetValue(127), PropertyError::None);
    QCOMPARE(s.thumbRect().top(), 0);
    QCOMPARE(s.SetValue(0), PropertyError::None);
    QCOMPARE(s.thumbRect().top(), 180);
    QCOMPARE(s.SetValue(64), PropertyError::None);
    QCOMPARE(s.thumbRect().top(), 89);  // 180 - 180 * 64/127 = 89.29

    zykSlider h;
    h.show();
    QCOMPARE(h.SetOrientation(zykSlider::kHorizontal), PropertyError::None);
    QCOMPARE(h.SetSliderIcon(thumb20_), PropertyError::None);
    h.resize(120, 5);
    QCOMPARE(h.height(), 20);  // a horizontal slider is as high as its thumb
    QCOMPARE(h.SetValue(10), PropertyError::None);
    QCOMPARE(h.thumbRect().left(), 100);
    QCOMPARE(h.SetValue(0), PropertyError::None);
    QCOMPARE(h.thumbRect().left(), 0);
  }

  void refusedValuesChangeNothing() {
    zykSlider s;
    setUpVolume(s);
    QCOMPARE(s.SetValue(40), PropertyError::None);
    QSignalSpy changed(&s, &zykSlider::ValueChanged);
    QCOMPARE(s.SetValue(128), PropertyError::InvalidPropertyValue);
    QCOMPARE(s.SetValue(-1), PropertyError::InvalidPropertyValue);
    QCOMPARE(s.SetMax(0), PropertyError::InvalidPropertyValue);   // equal to Min
    QCOMPARE(s.SetMax(-5), PropertyError::InvalidPropertyValue);  // below Min
    QCOMPARE(s.SetMin(127), PropertyError::InvalidPropertyValue);
    QCOMPARE(s.Value(), 40);
    QCOMPARE(s.Min(), 0);
    QCOMPARE(s.Max(), 127);
    QCOMPARE(changed.count(), 0);

    // Lowering Max below Value leaves Value where it is.
    QCOMPARE(s.SetMax(30), PropertyError::None);
    QCOMPARE(s.Value(), 40);
  }

  void minMovesValueAndRaisesEvents() {
    zykSlider s;
    QCOMPARE(s.SetValue(3), PropertyError::None);
    std::unique_ptr<QStringList> log(record(s));
    QCOMPARE(s.SetMin(5), PropertyError::None);
    QCOMPARE(s.Value(), 5);
    QCOMPARE(*log, QStringList({"ValueChanged", "ArrivedFirst"}));

    zykSlider t;
    QCOMPARE(t.SetValue(8), PropertyError::None);
    QCOMPARE(t.SetMin(5), PropertyError::None);
    QCOMPARE(t.Value(), 5);
  }

  void valueFromCodeRaisesChangeEventsInOrder() {
    zykSlider s;
    setUpVolume(s);
    std::unique_ptr<QStringList> log(record(s));
    QCOMPARE(s.SetValue(127), PropertyError::None);
    QCOMPARE(*log, QStringList({"ValueChanged", "ArrivedLast"}));
    log->clear();
    QCOMPARE(s.SetValue(127), PropertyError::None);  // same value: nothing
    QVERIFY(log->isEmpty());
    QCOMPARE(s.SetValue(0), PropertyError::None);
    QCOMPARE(*log, QStringList({"ValueChanged", "ArrivedFirst"}));
  }

  void draggingStopsAtBothEnds() {
    zykSlider s;
    setUpVolume(s);
    QCOMPARE(s.SetValue(64), PropertyError::None);
    const QPoint grab = s.thumbRect().center();
    QTest::mousePress(&s, Qt::LeftButton, {}, grab);
    QVERIFY(s.isDragging());
    QTest::mouseMove(&s, QPoint(grab.x(), -500));
    QCOMPARE(s.Value(), 127);
    QCOMPARE(s.thumbRect().top(), 0);
    QTest::mouseMove(&s, QPoint(grab.x(), 900));
    QCOMPARE(s.Value(), 0);
    QCOMPARE(s.thumbRect().top(), 180);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(grab.x(), 900));
    QVERIFY(!s.isDragging());
  }

  void pressOnRailCentresThumbOnPointer() {
    zykSlider s;
    setUpVolume(s);
    std::unique_ptr<QStringList> log(record(s));
    // Thumb at the bottom (Value 0); press near the top: its centre jumps to y = 30.
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(10, 30));
    QCOMPARE(s.thumbRect().top(), 20);
    QCOMPARE(s.Value(), 113);                         // round((180 - 20) / 180 * 127) = round(112.9)
    QCOMPARE(*log, QStringList({"ValueChanged", "DragStart"}));
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(10, 30));
    QCOMPARE(log->mid(2), QStringList({"Click", "DragEnd"}));
    // The second press of a double click starts no second drag; its release still clicks.
    log->clear();
    QTest::mouseDClick(&s, Qt::LeftButton, {}, QPoint(10, 30));
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(10, 30));
    QCOMPARE(*log, QStringList({"Click"}));
  }

  void thumbHitTestIsInLogicalPixels() {
    // A thumb drawn for a screen of twice the density: 40 x 40 pixels, 20 x 20 logical.
    zykSlider s;
    setUpVolume(s);
    QCOMPARE(s.SetSliderIcon(pics_.solid("thumb@2x", 40, 40, Qt::blue)), PropertyError::None);
    QCOMPARE(s.thumbRect().size(), QSize(20, 20));
    QCOMPARE(s.SetValue(64), PropertyError::None);
    const int top = s.thumbRect().top();
    // 25 pixels below the thumb's top is off it (though within its picture's 40 pixels): the
    // thumb centres on the press.
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(10, top + 25));
    QVERIFY(qAbs(s.thumbRect().top() - (top + 15)) <= 1);  // snapped to the nearest value
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(10, top + 25));
  }

  void releaseOutsideEndsDragWithoutClick() {
    zykSlider s;
    setUpVolume(s);
    std::unique_ptr<QStringList> log(record(s));
    const QPoint grab = s.thumbRect().center();
    QTest::mousePress(&s, Qt::LeftButton, {}, grab);
    QTest::mouseMove(&s, QPoint(grab.x(), 100));
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(60, 100));  // beside the slider
    QVERIFY(log->contains("DragEnd"));
    QVERIFY(!log->contains("Click"));
    // Exactly at the right edge is outside too (0 <= x < width).
    log->clear();
    QTest::mousePress(&s, Qt::LeftButton, {}, s.thumbRect().center());
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(s.width(), 50));
    QCOMPARE(*log, QStringList({"DragStart", "DragEnd"}));
  }

  void disabledOrOtherButtonsDoNotDrag() {
    zykSlider s;
    setUpVolume(s);
    QSignalSpy start(&s, &zykSlider::DragStart);
    s.SetEnabled(false);
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(10, 20));
    QVERIFY(!s.isDragging());
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(10, 20));
    s.SetEnabled(true);
    QTest::mousePress(&s, Qt::RightButton, {}, QPoint(10, 20));
    QVERIFY(!s.isDragging());
    QCOMPARE(start.count(), 0);
    QCOMPARE(s.Value(), 0);
  }

  void positionRoundsHalvesToEven() {
    // Travel of 4 pixels for a range of 2: thumb left 1 gives 0.5 and thumb left 3 gives 1.5.
    zykSlider s;
    s.SetShowValueTip(false);
    s.show();
    QCOMPARE(s.SetOrientation(zykSlider::kHorizontal), PropertyError::None);
    QCOMPARE(s.SetSliderIcon(thumb20_), PropertyError::None);
    s.resize(24, 20);
    QCOMPARE(s.SetMax(2), PropertyError::None);
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(5, 10));  // on the thumb, grabbed at x 5
    QTest::mouseMove(&s, QPoint(6, 10));                        // thumb left 1
    QCOMPARE(s.Value(), 0);
    QCOMPARE(s.thumbRect().left(), 0);  // snapped back to the value's position
    QTest::mouseMove(&s, QPoint(8, 10));  // thumb left 3
    QCOMPARE(s.Value(), 2);
    QCOMPARE(s.thumbRect().left(), 4);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(8, 10));
  }

  void thumbNoSmallerThanWidgetDoesNotDivideByZero() {
    zykSlider s;
    s.SetShowValueTip(false);
    s.show();
    QCOMPARE(s.SetSliderIcon(thumb20_), PropertyError::None);
    s.resize(20, 20);  // no travel at all
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&s, QPoint(10, 400));
    QCOMPARE(s.Value(), 0);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(10, 10));
  }

  void railPictureFixesSizeAndCentresThumb() {
    zykSlider s;
    const QString rail = pics_.solid("rail", 10, 196, Qt::darkGray);
    QCOMPARE(s.SetSliderIcon(pics_.solid("cap", 26, 14, Qt::white)), PropertyError::None);
    s.SetRailStyle(zykSlider::kRailPictureStyle);
    QCOMPARE(s.SetRailPicture(rail), PropertyError::None);
    QCOMPARE(s.size(), QSize(26, 200));
    QCOMPARE(s.thumbRect().left(), 0);  // rail narrower than the thumb
    QCOMPARE(s.SetRailPicture(QStringLiteral("/no/such/picture.png")), PropertyError::InvalidPicture);
    QCOMPARE(s.RailPicture(), rail);
  }

  void drawsThumbOverBackColour() {
    zykSlider s;
    setUpVolume(s);
    s.SetBackColor(0x00E0E0E0);
    QCOMPARE(s.SetValue(127), PropertyError::None);
    const QImage img = s.surface().toImage();
    QCOMPARE(img.pixelColor(10, 10), QColor(Qt::red));             // thumb at the top
    QCOMPARE(img.pixelColor(1, 190), QColor(0xE0, 0xE0, 0xE0));     // back colour beside the rail
    // The groove (sunken edge) runs down the middle between the thumb's centre positions.
    QCOMPARE(s.railRect(), QRect(QPoint(8, 8), QPoint(11, 191)));
  }

  void savesOnlyNonDefaultsAndLoadsMissingKeysAsDefaults() {
    zykSlider fresh;
    PropertyBag empty;
    fresh.WriteProperties(empty);
    QVERIFY2(empty.isEmpty(), qPrintable(empty.names().join(',')));

    zykSlider s;
    setUpVolume(s);
    QCOMPARE(s.SetValue(90), PropertyError::None);
    s.SetBackColor(0x00E0E0E0);
    s.SetShowValueTip(false);
    PropertyBag bag;
    s.WriteProperties(bag);
    QCOMPARE(bag.names(), QStringList({"BackColor", "SliderIcon", "ShowValueTip", "Max", "Value"}));

    zykSlider loaded;
    loaded.resize(20, 200);
    QSignalSpy changed(&loaded, &zykSlider::ValueChanged);
    loaded.ReadProperties(bag);
    QCOMPARE(changed.count(), 0);  // loading raises nothing
    QCOMPARE(loaded.Value(), 90);
    QCOMPARE(loaded.Max(), 127);
    QCOMPARE(loaded.Orientation(), zykSlider::kVertical);  // missing key: default
    QCOMPARE(loaded.thumbRect().top(), s.thumbRect().top());
    PropertyBag again;
    loaded.WriteProperties(again);
    QVERIFY(again == bag);
    QCOMPARE(loaded.SetValue(90), PropertyError::None);
    QCOMPARE(changed.count(), 0);  // last value is the loaded value

    // An inverted range from a hand-edited design is ignored instead of dividing by zero.
    PropertyBag bad;
    bad.WriteProperty("Min", 10);
    bad.WriteProperty("Max", 10);
    bad.WriteProperty("Value", 50);
    zykSlider b;
    b.ReadProperties(bad);
    QCOMPARE(b.Min(), 0);
    QCOMPARE(b.Max(), 10);
    QCOMPARE(b.Value(), 10);
  }
};

QTEST_MAIN(TestZykSlider)
#include "tst_zykSlider.moc"
