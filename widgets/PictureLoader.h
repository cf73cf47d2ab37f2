// Pictures named by a string in the saved settings (usually a resource name such as
// ":/images/slider-thumb.png") and loaded when the widget needs them.
#pragma once

#include <QPixmap>
#include <QString>

#include "widgets/PropertyError.h"

namespace tonalix::widgets {

// An empty name means "no picture" and gives a null pixmap; so does a name that cannot be
// loaded. Use isLoadablePicture() to tell the two apart.
QPixmap loadPicture(const QString& name);
bool isLoadablePicture(const QString& name);

// A picture property's setter: loads the named picture into name and picture. A name that
// cannot be loaded is refused and leaves both as they were; an empty name clears the picture.
PropertyError assignPicture(const QString& name, QString& nameField, QPixmap& picture);

}  // namespace tonalix::widgets
