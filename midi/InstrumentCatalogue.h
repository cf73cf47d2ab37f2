// The 128 General MIDI instruments as the instrument list shows them: a name's position is the
// program number a pick sends.
#pragma once

#include <array>
#include <string_view>

namespace tonalix {

inline constexpr int kInstrumentCount = 128;

// Names exactly as the list shows them, program 0 first.
const std::array<std::string_view, kInstrumentCount>& InstrumentNames();

// The name of one program, or an empty view outside 0..127.
std::string_view InstrumentName(int program);

}  // namespace tonalix
