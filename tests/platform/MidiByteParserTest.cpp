// The MIDI input parser on its own, fed bytes in the pieces a source may deliver them in.
#include "platform/midiin/MidiByteParser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tonalix::platform {
namespace {

std::uint32_t msg(int status, int data1, int data2 = 0) {
  return ShortMessage{static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                      static_cast<std::uint8_t>(data2)}
      .pack();
}

// Feeds each packet in turn, as separate reads, and collects what comes out.
std::vector<std::uint32_t> parse(MidiByteParser& parser, std::initializer_list<std::vector<std::uint8_t>> packets) {
  std::vector<std::uint32_t> out;
  for (const auto& packet : packets) parser.feed(packet.data(), packet.size(), [&](std::uint32_t m) { out.push_back(m); });
  return out;
}

TEST(MidiByteParser, RunningStatusRealTimeBytesAndSysExAcrossPacketsGiveExactlyTheSentMessages) {
  MidiByteParser parser;
  // Running status carried across packet edges, a note-on of velocity 0 among them, then a
  // one-data-byte kind under running status.
  EXPECT_EQ(parse(parser, {{0x90, 0x3C}, {0x40, 0x3E}, {0x50, 0x3C, 0x00}, {0xC1, 0x05, 0x06}}),
            (std::vector<std::uint32_t>{msg(0x90, 0x3C, 0x40), msg(0x90, 0x3E, 0x50), msg(0x90, 0x3C, 0x00),
                                        msg(0xC1, 0x05), msg(0xC1, 0x06)}));

  // Clock, start, active sensing and reset bytes inside a message neither end it nor show up.
  EXPECT_EQ(parse(parser, {{0xB0, 0xF8, 0x40}, {0xFE, 0x7F, 0xFA}, {0x40, 0xFF, 0x00}}),
            (std::vector<std::uint32_t>{msg(0xB0, 0x40, 0x7F), msg(0xB0, 0x40, 0x00)}));

  // A SysEx split over packets, with a clock byte inside and bodies that look like notes under
  // the running status before it, yields nothing; after it a data byte with no status is a
  // stray, and the next status starts afresh.
  EXPECT_EQ(parse(parser, {{0x90, 0x3C, 0x40, 0xF0, 0x43, 0x3C}, {0x40, 0xF8, 0x3E, 0x7F}, {0x00, 0xF7, 0x3C, 0x40}}),
            (std::vector<std::uint32_t>{msg(0x90, 0x3C, 0x40)}));
  EXPECT_EQ(parse(parser, {{0x80, 0x3C, 0x00}}), (std::vector<std::uint32_t>{msg(0x80, 0x3C, 0x00)}));

  // A status cuts a half-received message; so do system common messages, whose data bytes are
  // not taken for the running message.
  EXPECT_EQ(parse(parser, {{0x90, 0x3C}, {0x80, 0x3C, 0x00}, {0xF2, 0x10, 0x20, 0xF1, 0x30}}),
            (std::vector<std::uint32_t>{msg(0x80, 0x3C, 0x00)}));

  // A source that went away mid-message leaves nothing to complete later bytes with.
  parse(parser, {{0x91, 0x40}});
  parser.reset();
  EXPECT_TRUE(parse(parser, {{0x64, 0x41, 0x64}}).empty());
}

}  // namespace
}  // namespace tonalix::platform
