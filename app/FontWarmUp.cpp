#include "app/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

namespace tonalix {

std::thread WarmUpFontConfiguration() {
  return std::thread([] { (void)FcInit(); });
}

}  // namespace tonalix
