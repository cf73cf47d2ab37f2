// The drum pads on the main window: repeat timing, the messages of each hit, the spinner and
// the hand-over of the output, heard through a recording port.
#include <QElapsedTimer>
#include <QtTest>

#include "app/frmPiano.h"
#include "drums/DrumPads.h"
#include "tests/support/LoadedWindow.h"
#include "tests/support/RecordingPort.h"
#include "widgets/zqButtons_H.h"

using namespace tonalix;
using tonalix::drums::DrumPads;
using tonalix::testing::RecordingPort;
using Messages = std::vector<std::uint32_t>;

namespace {
std::uint32_t drumHit(int note, int velocity) {
  return 0x99u | (static_cast<std::uint32_t>(note) << 8) | (static_cast<std::uint32_t>(velocity) << 16);
}
}  // namespace

class DrumPadsTest : public QObject {
  Q_OBJECT

  struct Rig : testing::LoadedWindow {
    Rig() : LoadedWindow(true) {}
    DrumPads& pads() { return window.drumPads(); }
    void click(int n) { QTest::mouseClick(pads().cmdDrum(n), Qt::LeftButton); }
  };

 private slots:
  void padsStartIdleWithTheirCaptionsAndRates() {
    Rig rig;
    const QStringList captions{"BASS DRUM", "SNARE", "HIGH TOM", "CYMBAL", "BONGO",
                               "TIMBALE", "AGOGO", "TAMBORINE", "CONGA", "CLAVES"};
    for (int n = 1; n <= 10; ++n) {
      QCOMPARE(rig.pads().cmdDrum(n)->Caption(), captions[n - 1]);
      QCOMPARE(rig.pads().cmdDrum(n)->BackColor(), DrumPads::kIdleColor);
      QVERIFY(!rig.pads().tmrDrum(n)->isActive());
      QCOMPARE(rig.pads().tmrDrum(n)->interval(), 1000);
      QCOMPARE(rig.pads().tmrDrum(n)->timerType(), Qt::PreciseTimer);
      QCOMPARE(rig.pads().playDrum(n), false);
      QCOMPARE(rig.pads().lblDrum(n)->text(), QString("7"));
      QCOMPARE(rig.pads().scrDrum(n)->value(), 1);
    }
    // Mirrored columns: the left pads' spinners stand right of them, the right pads' left.
    QVERIFY(rig.pads().scrDrum(1)->x() > rig.pads().cmdDrum(1)->geometry().right());
    QVERIFY(rig.pads().scrDrum(6)->geometry().right() < rig.pads().cmdDrum(6)->x());
  }

  void eachPadPlaysItsOwnPercussionNote() {
    Rig rig;
    for (int n = 1; n <= 10; ++n) rig.pads().tmrDrum_Timer(n);
    QCOMPARE(rig.port.take(),
             (Messages{drumHit(36, 127), drumHit(38, 127), drumHit(50, 127), drumHit(55, 127),
                       drumHit(61, 127), drumHit(66, 127), drumHit(68, 127), drumHit(54, 127),
                       drumHit(63, 127), drumHit(75, 127)}));
  }

  void aRunningPadHitsEverySecondAtTheDrumVelocityInForce() {
    Rig rig;
    rig.click(1);
    QVERIFY(rig.port.messages().empty());  // the click itself is silent
    QCOMPARE(rig.pads().cmdDrum(1)->BackColor(), DrumPads::kRepeatingColor);
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.messages().size(), std::size_t{1}, 5000);
    const qint64 first = clock.elapsed();
    // Never early; a busy machine may hold the timer back, so no upper bound to speak of.
    QVERIFY2(first >= 900, qPrintable(QString::number(first)));
    // The drum volume slider changes the velocity of the next hit.
    rig.window.midi().SetDrumVelocity(64);
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.messages().size(), std::size_t{3}, 5000);
    // Three hits take two more seconds at the least: no hit came between.
    QVERIFY2(clock.elapsed() >= 2900, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig.port.take(), (Messages{drumHit(36, 127), drumHit(36, 64), drumHit(36, 64)}));
  }

  void aSecondClickBeforeTheFirstHitLeavesSilence() {
    Rig rig;
    rig.click(4);
    QTest::qWait(400);
    rig.click(4);
    QCOMPARE(rig.pads().playDrum(4), false);
    QCOMPARE(rig.pads().cmdDrum(4)->BackColor(), DrumPads::kIdleColor);
    QTest::qWait(1300);
    QVERIFY(rig.port.messages().empty());
  }

  void theSpinnerSetsRateAndLabelEvenWhileRunning() {
    Rig rig;
    drums::RateSpinner* spinner = rig.pads().scrDrum(3);
    const QPoint lower(spinner->width() / 2, spinner->height() - 3);
    const QPoint upper(spinner->width() / 2, 2);
    QTest::mouseClick(spinner, Qt::LeftButton, {}, lower);
    QCOMPARE(spinner->value(), 2);
    QCOMPARE(rig.pads().lblDrum(3)->text(), QString("7"));
    QTest::mouseClick(spinner, Qt::LeftButton, {}, lower);
    QCOMPARE(rig.pads().tmrDrum(3)->interval(), 1500);
    QCOMPARE(rig.pads().lblDrum(3)->text(), QString("6"));
    QTest::mouseClick(spinner, Qt::LeftButton, {}, upper);
    QTest::mouseClick(spinner, Qt::LeftButton, {}, upper);
    QTest::mouseClick(spinner, Qt::LeftButton, {}, upper);  // stops at Min
    QCOMPARE(spinner->value(), 1);
    QCOMPARE(rig.pads().tmrDrum(3)->interval(), 500);
    QCOMPARE(rig.pads().lblDrum(3)->text(), QString("8"));

    // Slowing a running pad to 4000 ms takes effect at once: no hit at the old 500 ms pace.
    rig.click(3);
    QTest::qWait(200);
    spinner->setValue(8);
    QCOMPARE(rig.pads().lblDrum(3)->text(), QString("1"));
    QVERIFY(rig.pads().tmrDrum(3)->isActive());
    QTest::qWait(1200);
    QVERIFY(rig.port.messages().empty());
  }

  void aClickTakesTheOutputBackFromASongOnce() {
    Rig rig;
    MidiState& midi = rig.window.midi();
    rig.letASongTakeTheOutput();
    const int opens = rig.port.opens();
    rig.click(5);
    rig.click(6);
    QCOMPARE(rig.songStops, 1);
    QCOMPARE(rig.port.opens(), opens + 1);
    QCOMPARE(midi.PlayMode(), MidiState::kLiveOwnsOutput);
    // The clicks themselves play nothing (a reopen may restore the instrument, nothing more).
    for (std::uint32_t m : rig.port.messages()) QVERIFY((m & 0xF0u) != 0x90u);
    rig.pads().StopAllDrums();
    QVERIFY(!rig.pads().tmrDrum(5)->isActive() && !rig.pads().tmrDrum(6)->isActive());
    QCOMPARE(rig.pads().playDrum(5), false);
  }
};

QTEST_MAIN(DrumPadsTest)
#include "DrumPadsTest.moc"
