// Colour and shape helpers of the bevelled button: an integer hue/luminance/saturation model
// on a 0..240 scale, system colours, "(x,y)" offset texts, the pointer-over test and the
// painter that shades a bevel of one of four shapes into a picture pixel by pixel.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <cstdint>
#include <functional>

#include "widgets/ColorValue.h"

class QWidget;

namespace tonalix::widgets::mdlSHPCLR {

struct HLSColour {
  std::int16_t hue = 160;  // 160: no hue (grey)
  std::int16_t saturation = 0;
  std::int16_t luminance = 0;
};

enum Shape { ShapeRectangle = 0, ShapeEllipse = 1, ShapeRounded = 2, ShapeRoundEnds = 3 };

std::int16_t IntMax(std::int16_t a, std::int16_t b);
std::int16_t IntMin(std::int16_t a, std::int16_t b);
double Hypotenuse(std::int16_t a, std::int16_t b);

HLSColour RGBToHLS(ColorValue rgb);
ColorValue HLSToRGB(const HLSColour& hls);
// One channel on the 0..240 scale; the hue is wrapped into 0..240 in place.
std::int16_t HueToRGB(std::int16_t m1, std::int16_t m2, std::int32_t& hue);

// A direct colour as it is; a system colour by its current value. An index the desktop's
// table does not have gives black.
ColorValue TranslateColour(ColorValue colour);

// The messages of ParseCartesian.
enum class CartesianError { Format, Numeric, Range };
QString CartesianMessage(CartesianError error);
inline const char* kCartesianCaption = "Cartesian Co-ordinates Validation";
// Shows a validation message; the default is a warning box with an OK button.
using CartesianReporter = std::function<void(const QString& message)>;
void ShowCartesianMessage(const QString& message);

// Normalises text to "(x,y)" in place and stores x and y; on a bad text reports the message
// (unless the reporter is empty), leaves text, x and y unchanged and returns false.
bool ParseCartesian(QString& text, std::int16_t& x, std::int16_t& y,
                    const CartesianReporter& report = ShowCartesianMessage);

// Whether a point in the widget's own coordinates lies on it: inside its window shape when it
// has one (its mask), else inside its rectangle, and the widget is visible.
bool IsMouseOver(const QWidget* widget, const QPoint& local);

// The new luminance for a bevel pixel; t is clamped to 0..1 in place and mode may turn to 1.
std::int16_t ShadeLuminance(std::int16_t luminance, double angle, double& t, std::int32_t& mode, bool invert,
                            bool groove);

// Fills the picture with the back colour and shades the bevel ring. bevelHeight 0 chooses the
// height from the size and returns it; any height is kept within 1..(shorter side / 2), so the
// arithmetic never divides by zero. Returns the ring.
QRegion PaintBevel(QImage& picture, std::int16_t& bevelHeight, ColorValue backColour, int shape, std::int32_t mode,
                   bool invert, bool groove);

// The outline of a shape in a w by h box, as PaintBevel uses it: the rounded shapes have
// fully round ends there.
QRegion ShapeRegion(int w, int h, int shape);
// A rectangle whose corners are rounded with the given radius.
QRegion RoundedRegion(int w, int h, int radius);

}  // namespace tonalix::widgets::mdlSHPCLR
