// Cost of painting one bevel with PaintBevel, pixel by pixel: the work done when a bevelled
// button is created, resized or restyled (never on hover or press). 21 x 9 is the size of the
// recorder's format options.
#include <benchmark/benchmark.h>

#include <QImage>

#include "widgets/mdlSHPCLR.h"

namespace shp = tonalix::widgets::mdlSHPCLR;

static void BM_PaintBevel(benchmark::State& state) {
  QImage picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), QImage::Format_RGB32);
  const int shape = static_cast<int>(state.range(2));
  for (auto _ : state) {
    std::int16_t height = 2;
    benchmark::DoNotOptimize(shp::PaintBevel(picture, height, 0x9FBFCC, shape, 2, false, false));
  }
}
BENCHMARK(BM_PaintBevel)->Args({21, 9, 2})->Args({21, 9, 0})->Args({120, 40, 3})
    ->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
