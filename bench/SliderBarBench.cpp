// Slider and level bar: median cost of one full redraw into the off-screen surface; and the
// cost of parsing and building a window-sized design (about a hundred controls).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include "widgets/FormDesign.h"
#include "widgets/zykProgressBar.h"
#include "widgets/zykSlider.h"

using namespace tonalix::widgets;

namespace {

void BM_SliderRedraw(benchmark::State& state) {
  zykSlider s;
  s.SetRailStyle(zykSlider::kRailPictureStyle);
  (void)s.SetSliderIcon(QStringLiteral(":/images/slider-thumb.png"));
  (void)s.SetRailPicture(QStringLiteral(":/images/slider-rail.png"));
  (void)s.SetMax(127);
  ColorValue colour = 0x00E0E0E0;
  for (auto _ : state) {
    colour ^= 0x00010101;  // a back colour change runs one full redraw
    s.SetBackColor(colour);
    benchmark::DoNotOptimize(s.surface());
  }
}
BENCHMARK(BM_SliderRedraw)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_LevelBarRedraw(benchmark::State& state) {
  zykProgressBar b;
  (void)b.SetBarPictureBack(QStringLiteral(":/images/level-back.png"));
  (void)b.SetBarPicture(QStringLiteral(":/images/level-bar.png"));
  b.SetOrientation(zykProgressBar::kVertical);
  (void)b.SetMax(127);
  int v = 0;
  for (auto _ : state) {
    v = (v + 37) % 128;
    (void)b.SetValue(v);  // every value set redraws
    benchmark::DoNotOptimize(b.surface());
  }
}
BENCHMARK(BM_LevelBarRedraw)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

// A design shaped like the main window: 65 key labels, 20 song and 8 octave buttons, 10 drum
// pads, three sliders and two level bars.
QString windowDesign() {
  QString t = QStringLiteral("# Tonalix window design\n");
  for (int i = 0; i < 65; ++i)
    t += QStringLiteral("\ncontrol Label lblKey(%1) %2 6000 180 240\n  Caption = str \"Q\"\n"
                        "  Font = font \"Arial\" 8 bold\n  BackStyle = int 0\nend\n").arg(i).arg(120 + i * 195);
  for (int i = 1; i <= 20; ++i)
    t += QStringLiteral("\ncontrol zqButtons_H cmdMidiSample(%1) %2 300 600 330\n  Caption = str \"Song %1\"\nend\n")
             .arg(i).arg(120 + i * 630);
  for (int i = 0; i < 8; ++i)
    t += QStringLiteral("\ncontrol zqButtons_H cmdOctave(%1) %2 4200 480 330\n  Caption = str \"0%3\"\nend\n")
             .arg(i).arg(120 + i * 540).arg(i + 1);
  for (int i = 1; i <= 10; ++i)
    t += QStringLiteral("\ncontrol zqButtons_H cmdDrum%1 %2 4800 600 600\n  Caption = str \"Drum %1\"\nend\n")
             .arg(i).arg(120 + i * 660);
  for (const char* name : {"vscrVolume", "vscrPitch"})
    t += QStringLiteral("\ncontrol zykSlider %1 7200 360 390 3000\n  BackColor = color 0x00E0E0E0\n  Max = int 127\n"
                        "  RailPicture = pic \":/images/slider-rail.png\"\n  RailStyle = int 99\n"
                        "  ShowValueTip = bool false\n  SliderIcon = pic \":/images/slider-thumb.png\"\nend\n")
             .arg(QLatin1String(name));
  t += QStringLiteral("\ncontrol zykSlider hscrvolumeD 600 5400 1500 240\n  Max = int 127\n  Orientation = int 0\n"
                      "  RailStyle = int 2\nend\n");
  for (const char* name : {"volProgBar", "pitchProgBar"})
    t += QStringLiteral("\ncontrol zykProgressBar %1 7680 360 210 3000\n"
                        "  BarPicture = pic \":/images/level-bar.png\"\n"
                        "  BarPictureBack = pic \":/images/level-back.png\"\n  Max = int 127\n"
                        "  Orientation = int 1\nend\n").arg(QLatin1String(name));
  return t;
}

void BM_BuildWindowDesign(benchmark::State& state) {
  const QString text = windowDesign();
  std::size_t controls = 0;
  for (auto _ : state) {
    QWidget window;
    window.resize(1000, 700);
    const auto parsed = FormDesign::parse(text);
    const BuiltControls built = parsed.design.build(&window);
    controls = static_cast<std::size_t>(built.controls().size());
    benchmark::DoNotOptimize(controls);
  }
  state.counters["controls"] = static_cast<double>(controls);
}
BENCHMARK(BM_BuildWindowDesign)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
