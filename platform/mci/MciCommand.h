// One parsed command: its verb, the device it names and the words after the device name.
#pragma once

#include <string>
#include <vector>

#include "platform/mci/MciTokenizer.h"

namespace tonalix::platform {

struct MciCommand {
  std::string text;               // the whole command as sent
  std::vector<MciToken> tokens;   // every word; tokens[0] is the verb, tokens[1] the device
  std::string verb() const { return tokens.empty() ? std::string() : tokens[0].text; }
  std::string device() const { return tokens.size() < 2 ? std::string() : tokens[1].text; }
  // Words after the device name.
  std::size_t argCount() const { return tokens.size() < 2 ? 0 : tokens.size() - 2; }
  const MciToken& arg(std::size_t i) const { return tokens[i + 2]; }
  bool argIs(std::size_t i, const char* keyword) const {
    return i < argCount() && mciEquals(arg(i).text, keyword);
  }
};

}  // namespace tonalix::platform
