// On a screen of twice the density the button's surface has twice the pixels, so its face is
// sharp, while its drawing stays in logical pixels: a 1-pixel line is 2 device pixels wide.
#include <QTest>

#include "widgets/zqButtons_H.h"

using tonalix::widgets::zqButtons_H;

class TestButtonHighDpi : public QObject {
  Q_OBJECT

 private slots:
  void surfaceIsAtTheDevicePixelRatio() {
    QWidget window;
    auto* button = new zqButtons_H(&window);
    button->setGeometry(10, 10, 64, 24);
    button->setButtonStyle(7);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(button->devicePixelRatioF(), 2.0);
    button->Refresh();
    const QImage& face = button->hdc();
    QCOMPARE(face.size(), QSize(128, 48));
    QCOMPARE(face.devicePixelRatio(), 2.0);
    // The black corner pixel at logical (1, 1) fills device pixels 2..3 both ways.
    for (QPoint p : {QPoint(2, 2), QPoint(3, 3), QPoint(2, 3), QPoint(3, 2)})
      QCOMPARE(face.pixel(p), qRgb(0, 0, 0));
    QVERIFY(face.pixel(4, 4) != qRgb(0, 0, 0));
  }
};

int main(int argc, char** argv) {
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  TestButtonHighDpi test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_ButtonHighDpi.moc"
