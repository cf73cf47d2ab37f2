// Splits a command string into words. Blanks separate words (runs of blanks count as one);
// a double-quoted word may hold blanks. Each word remembers where it starts, so a command can
// take "the rest of the line" as one unquoted value (a path with blanks at the end of "save").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/mci/MciErrors.h"

namespace tonalix::platform {

struct MciToken {
  std::string text;          // without the quotes
  bool quoted = false;
  std::size_t begin = 0;     // offset of the word (of its opening quote) in the command
};

class MciTokenizer {
 public:
  // Returns MCIERR_NO_CLOSING_QUOTE for an unterminated quote, else 0.
  static MCIERROR tokenize(std::string_view command, std::vector<MciToken>& tokens);
};

// ASCII case-insensitive comparison, as keywords are matched.
bool mciEquals(std::string_view a, std::string_view b);

}  // namespace tonalix::platform
