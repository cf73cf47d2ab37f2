#include "widgets/ButtonPicture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QVariantMap>

namespace tonalix::widgets {

bool ButtonPicture::operator==(const ButtonPicture& other) const {
  if (isNull() || other.isNull()) return isNull() == other.isNull();
  if (icon != other.icon || name != other.name) return false;
  return !name.isEmpty() || pixmap.toImage() == other.pixmap.toImage();
}

namespace {
// On a screen with two device pixels to the point, "name@2x.ext" beside the picture, when there
// is one, is loaded instead: the same size on screen with twice the detail, not a blurred 1x.
bool loadAtScreenRatio(QPixmap& pixmap, const QString& name) {
  const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
  if (ratio > 1.0) {
    const QFileInfo info(name);
    const QString sharp = info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("@2x.") + info.suffix();
    if (!info.suffix().isEmpty() && QFileInfo::exists(sharp) && pixmap.load(sharp)) {
      pixmap.setDevicePixelRatio(2.0);
      return true;
    }
  }
  return pixmap.load(name);
}
}  // namespace

ButtonPicture ButtonPicture::fromFile(const QString& name) {
  ButtonPicture picture;
  if (name.isEmpty() || !loadAtScreenRatio(picture.pixmap, name)) return {};
  const QString suffix = QFileInfo(name).suffix().toLower();
  picture.icon = suffix == QLatin1String("ico") || suffix == QLatin1String("cur");
  picture.name = name;
  return picture;
}

ButtonPicture ButtonPicture::fromPixmap(const QPixmap& pixmap, bool icon) {
  ButtonPicture picture;
  picture.pixmap = pixmap;
  picture.icon = icon && !pixmap.isNull();
  return picture;
}

QVariant ButtonPicture::toVariant() const {
  if (isNull()) return {};
  if (!name.isEmpty()) return name;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  pixmap.save(&buffer, "PNG");
  QVariantMap saved;
  saved.insert(QStringLiteral("png"), bytes);
  saved.insert(QStringLiteral("icon"), icon);
  return saved;
}

ButtonPicture ButtonPicture::fromVariant(const QVariant& saved) {
  if (saved.typeId() == QMetaType::QString) return fromFile(saved.toString());
  if (saved.typeId() != QMetaType::QVariantMap) return {};
  const QVariantMap map = saved.toMap();
  QPixmap pixmap;
  if (!pixmap.loadFromData(map.value(QStringLiteral("png")).toByteArray(), "PNG")) return {};
  return fromPixmap(pixmap, map.value(QStringLiteral("icon")).toBool());
}

}  // namespace tonalix::widgets
