#include "widgets/PictureLoader.h"

#include <QPixmapCache>

namespace tonalix::widgets {

QPixmap loadPicture(const QString& name) {
  if (name.isEmpty()) return {};
  QPixmap pixmap;
  // Several controls share the same few pictures; the cache avoids decoding them again.
  if (QPixmapCache::find(name, &pixmap)) return pixmap;
  if (!pixmap.load(name)) return {};
  QPixmapCache::insert(name, pixmap);
  return pixmap;
}

bool isLoadablePicture(const QString& name) { return !name.isEmpty() && !loadPicture(name).isNull(); }

PropertyError assignPicture(const QString& name, QString& nameField, QPixmap& picture) {
  QPixmap pm = loadPicture(name);
  if (!name.isEmpty() && pm.isNull()) return PropertyError::InvalidPicture;
  nameField = name;
  picture = pm;
  return PropertyError::None;
}

}  // namespace tonalix::widgets
