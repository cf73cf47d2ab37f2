#include "widgets/SmallFont.h"

#include <QFontDatabase>

namespace tonalix::widgets {

QFont smallFont(int pointSize) {
  // Asked once: every key label and drum pad takes this font while the window is built, and
  // each look-up of a family goes through the font configuration's substitution rules.
  static const bool installed = QFontDatabase::hasFamily(QString::fromLatin1(kSmallFontsFamily));
  if (installed)
    return QFont(QString::fromLatin1(kSmallFontsFamily), pointSize);
  // Sized in pixels for 96 dpi, as the design was drawn, so the names keep their place over
  // the keys whatever the screen's font scaling.
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(qMax(6, (pointSize * 96 + 36) / 72));
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

}  // namespace tonalix::widgets
