// A picture shown on a button or used as its mouse pointer: a bitmap (any decoded image) or
// an icon, remembered by the name it was loaded from so that saved settings stay small.
#pragma once

#include <QPixmap>
#include <QString>
#include <QVariant>

namespace tonalix::widgets {

struct ButtonPicture {
  QPixmap pixmap;
  bool icon = false;  // icons scale freely and cannot give a button its outline
  QString name;       // file or resource name; empty for a picture made in code

  bool isNull() const { return pixmap.isNull(); }
  int width() const { return pixmap.width(); }
  int height() const { return pixmap.height(); }
  bool operator==(const ButtonPicture& other) const;

  // Loads a file or resource; ".ico" and ".cur" files count as icons. Null when unreadable.
  static ButtonPicture fromFile(const QString& name);
  static ButtonPicture fromPixmap(const QPixmap& pixmap, bool icon = false);

  // The saved form: the name when there is one, else the image bytes (PNG) with the kind.
  QVariant toVariant() const;
  // Reads the saved form back; anything unreadable gives a null picture.
  static ButtonPicture fromVariant(const QVariant& saved);
};

}  // namespace tonalix::widgets
