// The yardstick for start-up time: the least a Qt 6 widget program does to show a window.
// scripts/measure-startup times it beside the program in the same run and reports the ratio.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Bare Qt window"));
  window.resize(640, 480);
  window.show();
  return QApplication::exec();
}
