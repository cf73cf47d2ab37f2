// Behaviour of the owner-drawn push button: option groups, hover, access keys, clicks,
// modes, refused settings and saved settings.
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "widgets/ButtonOptionGroups.h"
#include "widgets/zqButtons_H.h"

using tonalix::widgets::ButtonOptionGroups;
using tonalix::widgets::ButtonPicture;
using tonalix::widgets::PropertyBag;
using tonalix::widgets::zqButtons_H;

namespace {
// Records the key presses a container receives.
class KeyRecorder : public QObject {
 public:
  QList<int> keys;
  QList<quint32> scanCodes;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(e);
      keys.append(k->key());
      scanCodes.append(k->nativeScanCode());
    }
    return false;
  }
};

QPixmap solidPixmap(int w, int h, QColor colour) {
  QPixmap p(w, h);
  p.fill(colour);
  return p;
}

QColor faceColourAt(const zqButtons_H& b, QPoint p) { return b.hdc().pixelColor(p); }
}  // namespace

class TestZqButtons : public QObject {
  Q_OBJECT

 private slots:
  void optionGroupSelectsOneAndRenumbersWithoutGaps();
  void optionGroupFollowsReparentingAndFocus();
  void hoverEndsSoonAfterThePointerLeaves();
  void accessKeyComesFromTheCaption_data();
  void accessKeyComesFromTheCaption();
  void accessKeyClicksTheButton();
  void clickAndDoubleClickRules();
  void checkModeAndSpaceBar();
  void arrowKeysGoToTheContainer();
  void commandModeRefusesValue();
  void outOfRangeSettingsAreIgnored();
  void hoverColourLocks();
  void savedSettingsRoundTripWithoutDefaults();
  void unusableSavedValuesLoadAsDefaults();
  void delayDrawingHoldsTheFace();
  void customClickShiftsTheWindowWhilePushed();
};

void TestZqButtons::optionGroupSelectsOneAndRenumbersWithoutGaps() {
  QWidget container;
  auto* a = new zqButtons_H(&container);
  auto* b = new zqButtons_H(&container);
  auto* c = new zqButtons_H(&container);
  auto* d = new zqButtons_H(&container);
  for (auto* x : {a, b, c, d}) x->setMode(zqButtons_H::ModeOption);
  QCOMPARE(ButtonOptionGroups::count(&container), 4);
  QCOMPARE(container.property("zq_OptCount").toInt(), 4);

  b->setValue(true);
  c->setValue(true);
  QVERIFY(!b->Value());
  QVERIFY(c->Value());

  // Leaving option mode from the middle of the group moves the later members down.
  b->setMode(zqButtons_H::ModeCommand);
  QCOMPARE(ButtonOptionGroups::members(&container), (QList<zqButtons_H*>{a, c, d}));
  QVERIFY(!container.property("zq_Obj4").isValid());

  // A destroyed member leaves too, and nothing refers to it afterwards.
  delete c;
  QCOMPARE(ButtonOptionGroups::members(&container), (QList<zqButtons_H*>{a, d}));
  QCOMPARE(ButtonOptionGroups::member(&container, 2), d);
  QCOMPARE(ButtonOptionGroups::member(&container, 3), nullptr);

  // A button joining with Value true clears the one already selected.
  d->setValue(true);
  b->setMode(zqButtons_H::ModeCheck);
  b->setValue(true);
  b->setMode(zqButtons_H::ModeOption);
  QVERIFY(b->Value());
  QVERIFY(!d->Value());

  delete a;
  delete b;
  delete d;
  QVERIFY(!container.property("zq_OptCount").isValid());
}

void TestZqButtons::optionGroupFollowsReparentingAndFocus() {
  QWidget window;
  auto* left = new QWidget(&window);
  auto* right = new QWidget(&window);
  auto* a = new zqButtons_H(left);
  auto* b = new zqButtons_H(left);
  a->setMode(zqButtons_H::ModeOption);
  b->setMode(zqButtons_H::ModeOption);
  b->setParent(right);
  QCOMPARE(ButtonOptionGroups::members(left), QList<zqButtons_H*>{a});
  QCOMPARE(ButtonOptionGroups::members(right), QList<zqButtons_H*>{b});

  // A focused option button selects itself when its group has no selection.
  QSignalSpy clicks(a, &zqButtons_H::Click);
  window.show();
  QApplication::setActiveWindow(&window);
  QVERIFY(QTest::qWaitForWindowActive(&window));
  a->setFocus();
  QTRY_VERIFY(a->Value());
  QCOMPARE(clicks.count(), 1);

  // Destroying the container takes its buttons down; each leaves its group on the way, so no
  // entry outlives its button.
  int countWhenGone = -1;
  connect(b, &QObject::destroyed, this, [&] { countWhenGone = ButtonOptionGroups::count(right); });
  delete right;
  QCOMPARE(countWhenGone, 0);
  delete left;
}

void TestZqButtons::hoverEndsSoonAfterThePointerLeaves() {
  QWidget window;
  window.resize(300, 200);
  auto* button = new zqButtons_H(&window);
  button->setGeometry(50, 50, 100, 40);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QSignalSpy onButton(button, &zqButtons_H::MouseOnButton);

  QCursor::setPos(button->mapToGlobal(QPoint(50, 20)));
  QTest::mouseMove(button, QPoint(50, 20));
  QTRY_COMPARE(onButton.count(), 1);
  QCOMPARE(onButton.at(0).at(0).toBool(), true);
  QVERIFY(button->isHovering());
  QTest::mouseMove(button, QPoint(52, 21));  // further moves do not restart hovering
  QCOMPARE(onButton.count(), 1);

  QCursor::setPos(window.mapToGlobal(QPoint(250, 150)));
  QTRY_COMPARE_WITH_TIMEOUT(onButton.count(), 2, 1000);
  QCOMPARE(onButton.at(1).at(0).toBool(), false);
  QVERIFY(!button->isHovering());

  QCursor::setPos(button->mapToGlobal(QPoint(10, 10)));
  QTest::mouseMove(button, QPoint(10, 10));
  QTRY_COMPARE(onButton.count(), 3);
  QCOMPARE(onButton.at(2).at(0).toBool(), true);
}

void TestZqButtons::accessKeyComesFromTheCaption_data() {
  QTest::addColumn<QString>("first");
  QTest::addColumn<QString>("second");
  QTest::addColumn<QString>("key");
  QTest::newRow("letter after single ampersand") << "" << "&Play" << "P";
  QTest::newRow("doubled pair sets none") << "" << "Rock && Roll" << "";
  QTest::newRow("last single ampersand wins") << "" << "R&ock && R&oll" << "o";
  QTest::newRow("ampersand at the end clears") << "&Stop" << "Stop&" << "";
  QTest::newRow("caption without one keeps the old key") << "&Record" << "Pause" << "R";
}

void TestZqButtons::accessKeyComesFromTheCaption() {
  QFETCH(QString, first);
  QFETCH(QString, second);
  QFETCH(QString, key);
  zqButtons_H button;
  button.setCaption(first);
  button.setCaption(second);
  QCOMPARE(button.Caption(), second);
  QCOMPARE(button.accessKey().toUpper(), key.toUpper());
}

void TestZqButtons::accessKeyClicksTheButton() {
  QWidget window;
  auto* button = new zqButtons_H(&window);
  auto* other = new zqButtons_H(&window);
  other->move(0, 40);
  button->setCaption("&Go");
  window.show();
  QApplication::setActiveWindow(&window);
  QVERIFY(QTest::qWaitForWindowActive(&window));
  other->setFocus();
  QSignalSpy clicks(button, &zqButtons_H::Click);
  QTest::keyClick(&window, Qt::Key_G, Qt::AltModifier);
  QCOMPARE(clicks.count(), 1);

  button->setEnabled(false);
  QTest::keyClick(&window, Qt::Key_G, Qt::AltModifier);
  QCOMPARE(clicks.count(), 1);

  // Enter clicks the default button and Escape the cancel button, in command mode only.
  button->setEnabled(true);
  button->setDefault(true);
  auto* cancel = new zqButtons_H(&window);
  cancel->setCancel(true);
  cancel->show();
  QSignalSpy cancels(cancel, &zqButtons_H::Click);
  QTest::keyClick(&window, Qt::Key_Return);
  QTest::keyClick(&window, Qt::Key_Escape);
  QCOMPARE(clicks.count(), 2);
  QCOMPARE(cancels.count(), 1);
  button->setMode(zqButtons_H::ModeCheck);
  QTest::keyClick(&window, Qt::Key_Return);
  QCOMPARE(clicks.count(), 2);
  QVERIFY(!button->Value());
}

void TestZqButtons::clickAndDoubleClickRules() {
  QWidget window;
  auto* button = new zqButtons_H(&window);
  button->resize(80, 30);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QSignalSpy clicks(button, &zqButtons_H::Click);
  QSignalSpy doubles(button, &zqButtons_H::DoubleClick);
  QSignalSpy downs(button, &zqButtons_H::MouseDown);

  QCursor::setPos(button->mapToGlobal(QPoint(10, 10)));
  QTest::mouseMove(button, QPoint(10, 10));
  QTRY_VERIFY(button->isHovering());
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
  QCOMPARE(clicks.count(), 1);
  QTest::mouseClick(button, Qt::RightButton, {}, QPoint(10, 10));
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(downs.last().at(0).toInt(), int(zqButtons_H::RightButton));
  // A right double click reports the right button, then its second press as a left press.
  QTest::mouseDClick(button, Qt::RightButton, {}, QPoint(10, 10));
  QCOMPARE(doubles.count(), 1);
  QCOMPARE(doubles.last().at(0).toInt(), int(zqButtons_H::RightButton));
  QCOMPARE(downs.last().at(0).toInt(), int(zqButtons_H::LeftButton));
  QVERIFY(!button->isPushed());
  QTest::mouseRelease(button, Qt::RightButton, {}, QPoint(10, 10));
  doubles.clear();

  // Releasing away from the button cancels the click and pops the button up.
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
  QVERIFY(button->isPushed());
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(200, 10));
  QCOMPARE(clicks.count(), 1);
  QVERIFY(!button->isPushed());

  // A double click: one Click for the first press, DoubleClick for the second, no second
  // Click for its release; the second press is reported as a left press.
  clicks.clear();
  downs.clear();
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(10, 10));
  QVERIFY(button->isPushed());
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(10, 10));
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(doubles.count(), 1);
  QCOMPARE(doubles.at(0).at(0).toInt(), int(zqButtons_H::LeftButton));
  QCOMPARE(downs.count(), 2);
  QCOMPARE(downs.at(1).at(0).toInt(), int(zqButtons_H::LeftButton));
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
  QCOMPARE(clicks.count(), 2);

  // An option button that is already selected gives no Click.
  button->setMode(zqButtons_H::ModeOption);
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
  QVERIFY(button->Value());
  QCOMPARE(clicks.count(), 3);
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
  QCOMPARE(clicks.count(), 3);
  QVERIFY(button->Value());
}

void TestZqButtons::checkModeAndSpaceBar() {
  QWidget window;
  auto* button = new zqButtons_H(&window);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QSignalSpy clicks(button, &zqButtons_H::Click);
  QSignalSpy keyUps(button, &zqButtons_H::KeyUp);

  button->setMode(zqButtons_H::ModeCheck);
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
  QVERIFY(button->Value());
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
  QVERIFY(!button->Value());
  QCOMPARE(clicks.count(), 2);

  // The space bar clicks on release; a check button reports the key before its Click.
  QTest::keyPress(button, Qt::Key_Space);
  QVERIFY(!button->Value());
  QTest::keyRelease(button, Qt::Key_Space);
  QVERIFY(button->Value());
  QCOMPARE(clicks.count(), 3);
  QCOMPARE(keyUps.count(), 1);
  QCOMPARE(keyUps.at(0).at(0).toInt(), 32);

  // Leaving for command mode drops the checked state.
  button->setMode(zqButtons_H::ModeCommand);
  QVERIFY(!button->Value());
  QTest::keyClick(button, Qt::Key_Space);
  QCOMPARE(clicks.count(), 4);
  QCOMPARE(keyUps.count(), 2);
}

void TestZqButtons::arrowKeysGoToTheContainer() {
  QWidget container;
  KeyRecorder recorder;
  container.installEventFilter(&recorder);
  auto* button = new zqButtons_H(&container);
  QSignalSpy keyDowns(button, &zqButtons_H::KeyDown);
  QSignalSpy keyUps(button, &zqButtons_H::KeyUp);
  QTest::keyClick(button, Qt::Key_Right);
  QTest::keyClick(button, Qt::Key_Up);
  QCOMPARE(keyDowns.count(), 0);
  QCOMPARE(keyUps.count(), 0);
  QTRY_COMPARE(recorder.keys.size(), 2);
  QCOMPARE(recorder.keys, (QList<int>{Qt::Key_Right, Qt::Key_Up}));
  QCOMPARE(recorder.scanCodes, (QList<quint32>{0x4D, 0x48}));

  QTest::keyClick(button, Qt::Key_A);
  QTest::keyClick(button, Qt::Key_Colon, Qt::ShiftModifier);
  QTest::keyClick(button, Qt::Key_7, Qt::KeypadModifier);
  QList<int> codes;
  for (const auto& args : keyDowns) codes << args.at(0).toInt();
  // Shift comes down before ':' and is swallowed when it comes up; ':' is the ';' key.
  QCOMPARE(codes, (QList<int>{65, 16, 186, 103}));
  QCOMPARE(keyUps.count(), 3);

  // Arrow navigation reaching an unselected option button selects it.
  button->setMode(zqButtons_H::ModeOption);
  QTest::keyRelease(button, Qt::Key_Down);
  QVERIFY(button->Value());
}

void TestZqButtons::commandModeRefusesValue() {
  zqButtons_H button;
  button.setValue(true);
  QVERIFY(!button.Value());
  button.setValue(false);
  QVERIFY(!button.Value());
  button.setMode(zqButtons_H::ModeCheck);
  button.setValue(true);
  QVERIFY(button.Value());
}

void TestZqButtons::outOfRangeSettingsAreIgnored() {
  zqButtons_H button;
  button.setPictureSize(2);
  button.setPictureSize(5);
  button.setPictureSize(-1);
  QCOMPARE(button.PictureSize(), 2);
  for (int bad : {-1, 8}) button.setButtonStyle(bad);
  QCOMPARE(button.ButtonStyle(), 0);
  button.setMode(3);
  button.setGradientMode(5);
  button.setCustomClick(9);
  button.setMousePointer(16);
  QCOMPARE(button.Mode(), 0);
  QCOMPARE(button.GradientMode(), 0);
  QCOMPARE(button.CustomClick(), 0);
  QCOMPARE(button.MousePointer(), 0);
  button.setBackColor(0x12000000u);  // neither a direct nor a system colour
  QCOMPARE(button.BackColor(), tonalix::widgets::kButtonFace);

  // A picture above or below the caption forces a centred caption.
  button.setPicture(ButtonPicture::fromPixmap(solidPixmap(16, 16, Qt::red)));
  button.setPictureAlign(zqButtons_H::PicTopCenter);
  button.setCaptionAlign(zqButtons_H::AlignLeft);
  QCOMPARE(button.CaptionAlign(), int(zqButtons_H::AlignCenter));
  button.setPictureAlign(zqButtons_H::PicLeftEdge);
  button.setCaptionAlign(zqButtons_H::AlignLeft);
  QCOMPARE(button.CaptionAlign(), int(zqButtons_H::AlignLeft));

  // Shapes cut from the picture need a bitmap and fix the picture size to "fit".
  button.setPicture(ButtonPicture::fromPixmap(solidPixmap(16, 16, Qt::red), true));
  button.setButtonShape(7);
  QCOMPARE(button.ButtonShape(), 0);
  button.setPicture(ButtonPicture::fromPixmap(solidPixmap(16, 16, Qt::red)));
  button.setButtonShape(8);
  QCOMPARE(button.ButtonShape(), 8);
  QCOMPARE(button.PictureSize(), 4);
  QCOMPARE(button.CaptionAlign(), int(zqButtons_H::AlignCenter));
  button.setPictureSize(1);
  QCOMPARE(button.PictureSize(), 4);
  button.setPicture({});
  QCOMPARE(button.ButtonShape(), 0);
}

void TestZqButtons::hoverColourLocks() {
  zqButtons_H button;
  button.setForeColor(0x0000FFu);
  QCOMPARE(button.HoverForeColor(), 0x0000FFu);
  button.setBackColor(0x00FF00u);
  QCOMPARE(button.HoverBackColor(), 0x00FF00u);
  button.setGradientColor(0x123456u);
  button.setGradientMode(zqButtons_H::GradientTopToBottom);
  QCOMPARE(button.HoverBackColor(), 0x123456u);

  // Own hover colours unlock: both -> back only -> none.
  button.setHoverForeColor(0xFF0000u);
  QCOMPARE(button.HoverColorLocks(), int(zqButtons_H::HoverLockBackOnly));
  button.setHoverBackColor(0x00FFFFu);
  QCOMPARE(button.HoverColorLocks(), int(zqButtons_H::HoverLockNone));
  button.setForeColor(0x000001u);
  QCOMPARE(button.HoverForeColor(), 0xFF0000u);
  button.setHoverColorLocks(zqButtons_H::HoverLockBoth);
  QCOMPARE(button.HoverForeColor(), 0x000001u);
  QCOMPARE(button.HoverBackColor(), 0x123456u);
}

void TestZqButtons::savedSettingsRoundTripWithoutDefaults() {
  QWidget container;
  zqButtons_H fresh(&container);
  PropertyBag defaults;
  fresh.WriteProperties(defaults);
  QCOMPARE(defaults.names(), (QStringList{"CapAlign", "Mode", "Value", "cBack"}));
  // A button greyed only by its disabled container keeps its own setting.
  container.setEnabled(false);
  PropertyBag greyed;
  fresh.WriteProperties(greyed);
  QVERIFY(!greyed.contains("Enabled"));
  container.setEnabled(true);

  zqButtons_H source(&container);
  source.setCaption("Sa&mple || two");
  source.setButtonStyle(7);
  source.setMode(zqButtons_H::ModeCheck);
  source.setValue(true);
  source.setCaptionStyle(zqButtons_H::CaptionEngraved);
  source.setPicture(ButtonPicture::fromPixmap(solidPixmap(24, 24, Qt::blue)));
  source.setPictureAlign(zqButtons_H::PicRightEdge);
  source.setCaptionAlign(zqButtons_H::AlignLeft);
  source.setPictureSize(1);
  source.setGradientColor(0x00AA00u);
  source.setGradientMode(zqButtons_H::GradientBottomToTop);
  source.setBackColor(0x336699u);
  source.setHoverForeColor(0x0000FFu);
  source.setShowFocusRect(false);
  source.setCustomClick(4);
  source.setMousePointer(2);
  source.setFontStyle(2 | 4);
  source.setEnabled(false);
  PropertyBag saved;
  source.WriteProperties(saved);
  QCOMPARE(saved.ReadProperty("ImgSize").toInt(), 24);
  QCOMPARE(saved.ReadProperty("CapAlign").toInt(), 0);  // a left caption is kept
  const QStringList order{"Caption", "CapAlign", "BackStyle", "Shape", "Font", "cFore", "cFHover",
                          "cBHover", "Focus", "LockHover", "cGradient", "Gradient", "CapStyle",
                          "Mode", "Value", "CustomClick", "ImgAlign", "Image", "ImgSize",
                          "Enabled", "cBack", "mPointer", "mIcon"};
  QStringList expected;
  for (const QString& key : order)
    if (saved.contains(key)) expected << key;
  QCOMPARE(saved.names(), expected);
  QVERIFY(saved.names().size() >= 18);

  zqButtons_H loaded(&container);
  loaded.ReadProperties(saved);
  PropertyBag again;
  loaded.WriteProperties(again);
  QCOMPARE(again, saved);
  QCOMPARE(loaded.Caption(), source.Caption());
  QCOMPARE(loaded.accessKey(), QString("m"));
  QCOMPARE(loaded.CaptionAlign(), int(zqButtons_H::AlignLeft));
  QVERIFY(loaded.Value());
  QCOMPARE(loaded.FontStyle(), 6);
  QVERIFY(!loaded.Enabled());
  QCOMPARE(loaded.HoverColorLocks(), source.HoverColorLocks());
  QVERIFY(!loaded.Picture().isNull());
}

void TestZqButtons::unusableSavedValuesLoadAsDefaults() {
  QWidget container;
  auto* selected = new zqButtons_H(&container);
  selected->setMode(zqButtons_H::ModeOption);
  selected->setValue(true);

  PropertyBag bag;
  bag.WriteProperty("BackStyle", 42);
  bag.WriteProperty("ImgSize", 20);
  bag.WriteProperty("Shape", 7);  // no picture to cut from
  bag.WriteProperty("cFore", QString("red"));
  bag.WriteProperty("Image", QString("/nonexistent/picture.png"));
  bag.WriteProperty("Font", QString("\x01garbage"));
  bag.WriteProperty("Mode", 2);
  bag.WriteProperty("Value", true);
  auto* button = new zqButtons_H(&container);
  button->ReadProperties(bag);
  QCOMPARE(button->ButtonStyle(), 0);
  QCOMPARE(button->PictureSize(), 0);
  QCOMPARE(button->ButtonShape(), 0);
  QCOMPARE(button->ForeColor(), tonalix::widgets::kButtonText);
  QVERIFY(button->Picture().isNull());
  QCOMPARE(button->CaptionAlign(), int(zqButtons_H::AlignCenter));
  // The loaded selection joins the group and clears the earlier one.
  QVERIFY(button->Value());
  QVERIFY(!selected->Value());
  QCOMPARE(ButtonOptionGroups::count(&container), 2);

  // Read into a button that already has settings, missing keys load as defaults too.
  QFont large = container.font();
  large.setPointSize(large.pointSize() + 9);
  auto* reused = new zqButtons_H(&container);
  reused->setFont(large);
  reused->setMousePointer(2);
  reused->ReadProperties(PropertyBag{});
  QCOMPARE(reused->font(), container.font());
  QCOMPARE(reused->MousePointer(), 0);
}

void TestZqButtons::delayDrawingHoldsTheFace() {
  zqButtons_H button;
  button.resize(40, 20);
  button.setBackColor(0x0000FFu);  // red
  const QPoint inside(20, 3);
  QCOMPARE(faceColourAt(button, inside), QColor(Qt::red));
  button.DelayDrawing(true);
  button.setBackColor(0xFF0000u);  // blue
  QCOMPARE(faceColourAt(button, inside), QColor(Qt::red));
  QVERIFY(button.isDrawingDelayed());
  button.DelayDrawing(false);
  QCOMPARE(faceColourAt(button, inside), QColor(Qt::blue));
}

void TestZqButtons::customClickShiftsTheWindowWhilePushed() {
  QWidget window;
  window.resize(200, 100);
  auto* button = new zqButtons_H(&window);
  button->setGeometry(20, 20, 60, 30);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  button->setCustomClick(4);  // down and right
  QCursor::setPos(button->mapToGlobal(QPoint(30, 15)));
  QTest::mouseMove(button, QPoint(30, 15));
  QTRY_VERIFY(button->isHovering());
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(30, 15));
  QCOMPARE(button->pos(), QPoint(21, 21));
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(29, 14));
  QCOMPARE(button->pos(), QPoint(20, 20));
}

QTEST_MAIN(TestZqButtons)
#include "tst_zqButtons_H.moc"
