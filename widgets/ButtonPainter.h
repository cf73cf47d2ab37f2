// Paints the face of a push button from a snapshot of its state: the style's background
// (solid, shaded or gradient), its 3-D edges, caption and picture with their layout, the
// disabled look, the focus indication and the ring around oval and picture-cut shapes.
#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>

#include "widgets/ButtonShape.h"
#include "widgets/ColorValue.h"

namespace tonalix::widgets {

struct ButtonLook {
  QSize size;            // logical pixels
  QSize screen{1920, 1080};
  int style = 0;         // 0..7
  int shape = 0;         // 0..8
  int mode = 0;          // 0 command, 1 check, 2 option
  bool value = false;
  // Direct colours 0x00BBGGRR.
  ColorValue back = 0xC0C0C0;
  ColorValue hoverBack = 0xC0C0C0;
  ColorValue gradient = 0xC0C0C0;
  int gradientMode = 0;  // 0 none, 1..4 see paintGradient
  ColorValue fore = 0;
  ColorValue hoverFore = 0;
  ColorValue container = 0xC0C0C0;
  QString caption;       // "&" marks the access key, "&&" shows one ampersand, "||" breaks a line
  int captionAlign = 2;  // 0 left, 1 right, 2 centre
  int captionStyle = 0;  // 0 flat, 1 embossed, 2 engraved
  QFont font;
  QPixmap picture;
  bool pictureIsIcon = false;
  int pictureAlign = 0;  // 0 left edge, 1 left of caption, 2 right edge, 3 right of caption,
                         // 4 top centre, 5 bottom centre
  int pictureSize = 16;  // 16, 24, 32; 40 fills the face, 48 fits it
  bool enabled = true;
  bool pressed = false;      // left button or space bar down on the button
  bool pointerOver = false;  // pointer over it (or space bar down)
  bool hovering = false;     // the hover timer runs
  bool held = false;         // a press in progress
  bool defaultLook = false;  // the container wants the default look; focus may show
  bool showFocusRect = true;
  ButtonRegions regions;     // from buildRegions for this size, shape and style
  QImage cutPicture;         // shapes 7 and 8: the picture fitted to the size
  QImage pictureCopy;        // bitmaps: the transparent copy at the picture rectangle's size,
                             // kept by the button between redraws (made here when missing)
  QImage cutCopy;            // shapes 7 and 8: the transparent copy at the drawn size (full
                             // client area, or 1 pixel smaller each side while pushed)

  bool pushed() const { return pressed && pointerOver; }
};

struct ButtonLayout {
  QRect caption;
  QRect picture;
};

class ButtonPainter {
 public:
  // Caption and picture rectangles for the look's size, shape, font, texts and alignments.
  static ButtonLayout layout(const ButtonLook& look);
  // Paints the whole face into the target, whose logical size must be look.size.
  static void paint(QImage& target, const ButtonLook& look, const ButtonLayout& rects);
  // The caption as drawn: "||" becomes a line break.
  static QString displayText(const QString& caption);
  // The picture at the logical `size`, its top-left pixel's colour made transparent. With a
  // device pixel ratio above 1 the copy has that many more pixels, so it stays sharp.
  static QImage transparentCopy(const QPixmap& picture, QSize size, qreal dpr = 1.0);
  // Where a shape 7 or 8 button draws its picture: the client area, smaller while pushed.
  static QRect cutPictureRect(QSize size, bool pushed);
};

}  // namespace tonalix::widgets
