// The sound starts behind the window's first frame: that work must run exactly once, and
// also for a window that is never put on the screen, or the program would stay silent.
#include <QtTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "app/AfterFirstFrame.h"

using namespace tonalix;

class AfterFirstFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void runsOnceAfterTheFirstFrame() {
    QWidget window;
    window.resize(200, 100);
    window.show();
    int runs = 0;
    bool exposed = false;
    new AfterFirstFrame(window, [&] {
      ++runs;
      exposed = window.windowHandle()->isExposed();
    }, 300);
    QTRY_COMPARE_WITH_TIMEOUT(runs, 1, 30000);
    QVERIFY(exposed);
    // Exposed again, and past the deadline: still once.
    window.hide();
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(window.windowHandle()->isExposed(), 30000);
    // A timer due after the deadline's has fired once the deadline's has had its turn.
    bool pastDeadline = false;
    QTimer::singleShot(600, [&] { pastDeadline = true; });
    QTRY_VERIFY_WITH_TIMEOUT(pastDeadline, 30000);
    QCOMPARE(runs, 1);
  }

  void aWindowNeverExposedRunsItByTheDeadline() {
    QWidget window;
    window.winId();  // a native window that is never shown
    int runs = 0;
    new AfterFirstFrame(window, [&] { ++runs; }, 50);
    QTRY_COMPARE_WITH_TIMEOUT(runs, 1, 30000);
  }
};

QTEST_MAIN(AfterFirstFrameTest)
#include "AfterFirstFrameTest.moc"
