// Draws the face of a push button from a snapshot of its state: back colour, caption with
// its access-key underline, picture, pushed, checked, hover, focus and disabled looks.
// A plain look for now; the styled edges and shapes replace this file's drawing later.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>

namespace tonalix::widgets {

struct ButtonLook {
  QSize size;
  QColor face;         // fill when idle
  QColor hoverFace;    // fill while the pointer is over the button
  QColor foreColor;    // caption when idle
  QColor hoverForeColor;
  QColor containerColor;
  QString caption;     // "&" marks the access key, "&&" shows one ampersand, "||" breaks a line
  int captionAlign = 2;   // 0 left, 1 right, 2 centre
  int captionStyle = 0;   // 0 flat, 1 embossed, 2 engraved
  QFont font;
  QPixmap picture;
  bool pictureIsIcon = false;
  int pictureAlign = 0;   // 0 left edge, 1 left of caption, 2 right edge, 3 right of caption,
                          // 4 top centre, 5 bottom centre
  int pictureSize = 16;   // 16, 24, 32; 40 fills the face, 48 fits it
  bool enabled = true;
  bool pushed = false;    // pressed with the pointer over it
  bool hovering = false;
  bool checked = false;   // Value true in check or option mode
  bool held = false;      // a press in progress on a check or option button
  bool focusLook = false; // draw the focus rectangle
};

struct ButtonLayout {
  QRect caption;
  QRect picture;
};

class ButtonPainter {
 public:
  // Caption and picture rectangles for the look's size, font, texts and alignments.
  static ButtonLayout layout(const ButtonLook& look);
  // Paints the whole face into the target, which must be look.size large.
  static void paint(QPixmap& target, const ButtonLook& look);
  // The caption as drawn: "||" becomes a line break.
  static QString displayText(const QString& caption);
};

}  // namespace tonalix::widgets
