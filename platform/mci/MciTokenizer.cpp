#include "platform/mci/MciTokenizer.h"

namespace tonalix::platform {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool mciEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

MCIERROR MciTokenizer::tokenize(std::string_view command, std::vector<MciToken>& tokens) {
  tokens.clear();
  std::size_t i = 0;
  while (i < command.size()) {
    if (isBlank(command[i])) {
      ++i;
      continue;
    }
    MciToken token;
    token.begin = i;
    if (command[i] == '"') {
      const std::size_t close = command.find('"', i + 1);
      if (close == std::string_view::npos) return MCIERR_NO_CLOSING_QUOTE;
      token.text = std::string(command.substr(i + 1, close - i - 1));
      token.quoted = true;
      i = close + 1;
    } else {
      const std::size_t start = i;
      while (i < command.size() && !isBlank(command[i])) ++i;
      token.text = std::string(command.substr(start, i - start));
    }
    tokens.push_back(std::move(token));
  }
  return MCIERR_NOERROR;
}

}  // namespace tonalix::platform
