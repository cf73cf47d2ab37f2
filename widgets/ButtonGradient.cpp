#include "widgets/ButtonGradient.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "widgets/ButtonShade.h"

namespace tonalix::widgets {

void paintGradient(QPainter& painter, QSize face, int mode, ColorValue from, ColorValue to,
                   QSize screen) {
  if (mode < 1 || mode > 4) return;
  const bool across = mode <= 2;  // strips stand side by side
  const int length = across ? face.width() : face.height();
  const int other = across ? face.height() : face.width();
  if (length <= 0 || other <= 0) return;
  const int screenLength = across ? screen.width() : screen.height();
  const int stripSize = screenLength / length > 3 ? 1 : 2;
  const int strips = length / stripSize;
  if (strips <= 0) return;

  const double start[3] = {double(from & 0xFF), double((from >> 8) & 0xFF) * 256.0 / 255.0,
                           double((from >> 16) & 0xFF) * 256.0 / 255.0};
  // Both ends are read the same way, so the last strip is exactly `to` as the first is `from`
  // (rounding the end instead leaves it a step off in green and blue).
  const double end[3] = {double(to & 0xFF), double((to >> 8) & 0xFF) * 256.0 / 255.0,
                         double((to >> 16) & 0xFF) * 256.0 / 255.0};
  // A single strip has nowhere to step to and is painted in the first colour.
  double step[3] = {0, 0, 0};
  if (strips > 1)
    for (int c = 0; c < 3; ++c) step[c] = (end[c] - start[c]) / (strips - 1);

  const bool reversed = mode == 2 || mode == 4;
  for (int k = 0; k < strips; ++k) {
    int ch[3];
    for (int c = 0; c < 3; ++c)
      ch[c] = std::clamp(int(std::trunc(start[c] + step[c] * k)), 0, 255);
    const int pos = (reversed ? strips - 1 - k : k) * stripSize;
    // The last strip in position order takes the odd pixel left by 2-pixel strips.
    const int size = pos + stripSize * 2 > length ? length - pos : stripSize;
    const QRect r = across ? QRect(pos, 0, size, other) : QRect(0, pos, other, size);
    painter.fillRect(r, toQColor(rgbValue(ch[0], ch[1], ch[2])));
  }
}

}  // namespace tonalix::widgets
