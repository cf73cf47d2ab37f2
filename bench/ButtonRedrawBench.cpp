// Cost of one full redraw of the push button (face, caption, picture into the off-screen
// surface), the work done on every hover change, press and release.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>

#include "widgets/zqButtons_H.h"

using tonalix::widgets::ButtonPicture;
using tonalix::widgets::zqButtons_H;

static void BM_RedrawCaption(benchmark::State& state) {
  zqButtons_H button;
  button.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  button.setCaption("&Sample 12");
  for (auto _ : state) {
    button.Refresh();
    benchmark::DoNotOptimize(button.hdc().cacheKey());
  }
}
BENCHMARK(BM_RedrawCaption)->Args({90, 30})->Args({300, 120})
    ->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

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
    benchmark::DoNotOptimize(button.hdc().cacheKey());
  }
}
BENCHMARK(BM_RedrawPictureAndTwoLines)
    ->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
