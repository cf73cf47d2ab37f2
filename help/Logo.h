// The program's logo, drawn rather than stored: a row of piano keys under a bold "T" on a
// warm wooden tile, at any size.
#pragma once

#include <QPixmap>

namespace tonalix::help {

QPixmap TonalixLogo(int size);

}  // namespace tonalix::help
