// Result of a widget property setter. A refused value leaves the widget unchanged and the
// caller decides what to do; nothing is thrown.
#pragma once

namespace tonalix::widgets {

enum class PropertyError {
  None = 0,
  InvalidPropertyValue = 380,  // value outside the property's allowed range
  InvalidPicture = 481,        // the named picture could not be loaded
};

}  // namespace tonalix::widgets
