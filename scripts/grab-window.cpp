// Saves one X window's picture as PNG: grab-window WINDOW-ID OUT.png. Run by make-screenshot on
// the X display the program runs on.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: grab-window WINDOW-ID OUT.png\n");
    return 2;
  }
  bool ok = false;
  const WId window = QString::fromLocal8Bit(argv[1]).toULongLong(&ok, 0);
  if (!ok) {
    std::fprintf(stderr, "grab-window: '%s' is not a window id\n", argv[1]);
    return 2;
  }
  const QPixmap shot = app.primaryScreen()->grabWindow(window);
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "grab-window: cannot grab window %s into %s\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}
