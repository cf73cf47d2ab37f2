// On Wayland the key labels and each key's accessible description follow the keymap the
// compositor sends: a private headless Sway whose keyboard (a virtual one of the test's) is
// given French, German and US keymaps, and a two-layout map whose group is switched. Skipped
// where the compositor cannot start.
#include <linux/input-event-codes.h>

#include <QAccessible>
#include <QtTest>
#include <cstdlib>
#include <memory>
#include <string>

#include "keyboard/KeyBindings.h"
#include "keyboard/KeyGeometry.h"
#include "keyboard/KeyLabels.h"
#include "keyboard/PianoKeyboard.h"
#include "tests/support/HeadlessSway.h"
#include "tests/support/LoadedWindow.h"
#include "tests/support/WaylandVirtualInput.h"
#include "widgets/zqButtons_H.h"

using namespace tonalix;
using namespace tonalix::keyboard;

namespace {
std::unique_ptr<testing::HeadlessSway> sway;
std::string whyNoCompositor;

QString description(QWidget* key) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(key);
  return a ? a->text(QAccessible::Description) : QString();
}
}  // namespace

class WaylandKeyLabelsTest : public QObject {
  Q_OBJECT

 private slots:
  void labelsFollowTheCompositorsKeymapAndGroup() {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
      QSKIP(("no Wayland compositor here: " + whyNoCompositor).c_str());
    testing::LoadedWindow rig(true);
    KeyLabels& labels = rig.window.keyLabels();
    PianoKeyboard& piano = rig.window.piano();
    const auto key = [&](int i) { return piano.chkPiano(i); };
    QTest::mouseClick(labels.cmdKeyVisible(), Qt::LeftButton);
    testing::WaylandVirtualInput input(sway->displayPath());
    QCOMPARE(QString::fromStdString(input.error()), QString());

    // The keymap reaches clients with the keyboard's next key; Shift plays nothing.
    const auto useLayout = [&](const char* layout) {
      QVERIFY(input.setLayout(layout));
      input.key(KEY_LEFTSHIFT, true);
      input.key(KEY_LEFTSHIFT, false);
    };
    useLayout("fr");
    QTRY_COMPARE_WITH_TIMEOUT(description(key(0)), QString("Piano key, computer key A"), 30000);
    QCOMPARE(key(0)->caption(), QString(29, ' ') + "A");
    QCOMPARE(description(key(17)), QString("Piano key, computer key \u00A8"));
    QCOMPARE(labels.lblKey1()->names().mid(0, 3), (QStringList{"&", "\u00E9", "\""}));

    useLayout("de");
    QTRY_COMPARE_WITH_TIMEOUT(description(key(9)), QString("Piano key, computer key Z"), 30000);
    QCOMPARE(key(40)->caption(), QString(31, ' ') + "Y");

    useLayout("us");
    QTRY_COMPARE_WITH_TIMEOUT(description(key(9)), QString("Piano key, computer key Y"), 30000);
    for (int i = 0; i < kKeyCount; ++i) QCOMPARE(key(i)->caption(), keyLabelCaption(i));

    // Two layouts in one map, switched to the second by its group: the labels follow once a
    // key is typed in it (the window holds the keyboard focus).
    useLayout("us,fr");
    QTRY_VERIFY_WITH_TIMEOUT(rig.window.isActiveWindow(), 30000);
    input.lockGroup(1);
    input.key(KEY_Q, true);
    input.key(KEY_Q, false);
    QTRY_COMPARE_WITH_TIMEOUT(description(key(0)), QString("Piano key, computer key A"), 30000);
  }
};

int main(int argc, char** argv) {
  sway = std::make_unique<testing::HeadlessSway>();
  if (sway->start()) {
    setenv("QT_QPA_PLATFORM", "wayland", 1);
    setenv("WAYLAND_DISPLAY", sway->displayPath().c_str(), 1);
    unsetenv("DISPLAY");
  } else {
    whyNoCompositor = sway->why();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  int status;
  {
    QApplication app(argc, argv);
    WaylandKeyLabelsTest test;
    status = QTest::qExec(&test, argc, argv);
  }
  sway.reset();
  return status;
}

#include "WaylandKeyLabelsTest.moc"
