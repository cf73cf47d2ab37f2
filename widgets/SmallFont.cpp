#include "widgets/SmallFont.h"

#include <QFontDatabase>

namespace tonalix::widgets {

QFont smallFont(int pointSize) {
  if (QFontDatabase::hasFamily(QString::fromLatin1(kSmallFontsFamily)))
    return QFont(QString::fromLatin1(kSmallFontsFamily), pointSize);
  // Sized in pixels for 96 dpi, as the design was drawn, so the names keep their place over
  // the keys whatever the screen's font scaling.
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(qMax(6, (pointSize * 96 + 36) / 72));
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

}  // namespace tonalix::widgets
