// Cost of one full redraw of the push button (face, edges, caption, picture into the off-screen
// surface), the work done on every hover change, press and release: per style on a 64 x 24
// button, and how many copies to the screen one hover change costs (1 means no flicker).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "widgets/ButtonPainter.h"
#include "widgets/ButtonShape.h"
#include "widgets/zqButtons_H.h"

using tonalix::widgets::ButtonPicture;
using tonalix::widgets::zqButtons_H;

static void BM_RedrawStyle(benchmark::State& state) {
  zqButtons_H button;
  button.resize(64, 24);
  button.setButtonStyle(static_cast<int>(state.range(0)));
  button.setCaption("&Play");
  button.setBackColor(0xCCBF9F);
  button.setGradientColor(0xC0C0C0);
  for (auto _ : state) {
    button.Refresh();
    benchmark::DoNotOptimize(button.hdc().constBits());
  }
}
BENCHMARK(BM_RedrawStyle)->DenseRange(0, 7)->Repetitions(9)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The octave buttons' look: style 7 with a left-to-right gradient, 64 x 24.
static void BM_RedrawStyle7Gradient(benchmark::State& state) {
  zqButtons_H button;
  button.resize(64, 24);
  button.setButtonStyle(7);
  button.setCaption("01");
  button.setGradientColor(0xA8A8A8);
  button.setGradientMode(zqButtons_H::GradientLeftToRight);
  for (auto _ : state) {
    button.Refresh();
    benchmark::DoNotOptimize(button.hdc().constBits());
  }
}
BENCHMARK(BM_RedrawStyle7Gradient)->Repetitions(9)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

static void BM_RedrawPictureAndTwoLines(benchmark::State& state) {
  zqButtons_H button;
  button.resize(90, 40);
  QPixmap picture(32, 32);
  picture.fill(Qt::darkGreen);
  button.setPicture(ButtonPicture::fromPixmap(picture));
  button.setPictureSize(2);
  button.setCaptionStyle(zqButtons_H::CaptionEmbossed);
  button.setCaption("Drum||Pad");
  for (auto _ : state) {
    button.Refresh();
    benchmark::DoNotOptimize(button.hdc().constBits());
  }
}
BENCHMARK(BM_RedrawPictureAndTwoLines)
    ->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// A rounded bar on a key colour: the picture a shape 7 button is cut from.
static QImage cutArt() {
  QImage art(128, 48, QImage::Format_RGB32);
  art.fill(qRgb(255, 0, 255));
  {
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(40, 120, 200));
    p.drawRoundedRect(QRect(4, 4, 120, 40), 18, 18);
  }
  return art;
}

// A button cut from its picture (shape 7), 64 x 24: a hover change redraws it once.
static void BM_RedrawCutShapeOnHover(benchmark::State& state) {
  const QImage art = cutArt();
  zqButtons_H button;
  button.resize(64, 24);
  button.setButtonStyle(7);
  button.setPicture(ButtonPicture::fromPixmap(QPixmap::fromImage(art)));
  button.setButtonShape(7);
  button.Refresh();
  for (auto _ : state) {
    button.Refresh();
    benchmark::DoNotOptimize(button.hdc().constBits());
  }
}
BENCHMARK(BM_RedrawCutShapeOnHover)->Repetitions(9)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// What a cut-shape redraw costs on top when the fitted picture is keyed and scaled again
// instead of coming from the button's cache: the figure the cache saves per hover change.
static void BM_CutPictureRescale(benchmark::State& state) {
  const QImage art = cutArt();
  const QPixmap cut = QPixmap::fromImage(tonalix::widgets::fitCutPicture(art, QSize(64, 24)));
  for (auto _ : state) {
    QImage copy = tonalix::widgets::ButtonPainter::transparentCopy(cut, QSize(64, 24));
    benchmark::DoNotOptimize(copy.constBits());
  }
}
BENCHMARK(BM_CutPictureRescale)->Repetitions(9)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The pointer moving onto the button and off again, with the window painting in between;
// the counter is the copies of the surface to the window per hover change.
static void BM_HoverChange(benchmark::State& state) {
  QWidget window;
  window.resize(200, 100);
  auto* button = new zqButtons_H(&window);
  button->setGeometry(20, 20, 64, 24);
  button->setButtonStyle(static_cast<int>(state.range(0)));
  button->setCaption("&Play");
  window.show();
  QApplication::processEvents();
  const QPoint inside = button->mapToGlobal(QPoint(30, 12));
  const QPoint outside = window.mapToGlobal(QPoint(150, 80));
  const int before = button->surfaceCopies();
  std::int64_t changes = 0;
  for (auto _ : state) {
    QCursor::setPos(inside);
    QMouseEvent move(QEvent::MouseMove, QPointF(30, 12), QPointF(inside), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button, &move);
    QApplication::processEvents();
    QCursor::setPos(outside);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    QApplication::processEvents();
    changes += 2;
  }
  state.counters["copies_per_hover_change"] =
      double(button->surfaceCopies() - before) / double(changes > 0 ? changes : 1);
}
BENCHMARK(BM_HoverChange)->Arg(2)->Arg(7)->Repetitions(3)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
