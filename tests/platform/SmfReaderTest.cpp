#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/midi/SmfReader.h"

using namespace tonalix::smf;

namespace {

SmfFile load(const std::string& name) {
  const auto r = SmfReader::readFile(std::string(TONALIX_TEST_DATA) + "/" + name);
  EXPECT_TRUE(r.ok()) << r.message;
  return r.file;
}

std::vector<const SmfEvent*> channelEvents(const SmfFile& f) {
  std::vector<const SmfEvent*> out;
  for (const auto& ev : f.events) {
    if (ev.kind == SmfEventKind::Channel) out.push_back(&ev);
  }
  return out;
}

std::vector<std::uint8_t> bytes(std::initializer_list<int> list) {
  std::vector<std::uint8_t> out;
  for (int b : list) out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

}  // namespace

TEST(SmfReader, Format0WithRunningStatus) {
  const SmfFile f = load("format0.mid");
  EXPECT_EQ(f.format, 0);
  EXPECT_EQ(f.division.ticksPerQuarter, 96);
  const auto ch = channelEvents(f);
  ASSERT_EQ(ch.size(), 5u);
  // Short messages: status low byte, data bytes above.
  EXPECT_EQ(ch[0]->message, 0x00643C90u);
  EXPECT_EQ(ch[1]->message, 0x00003C90u);  // running status note-on, velocity 0
  EXPECT_EQ(ch[2]->message, 0x00644090u);
  EXPECT_EQ(ch[3]->message, 0x00004080u);
  EXPECT_EQ(ch[4]->message, 0x000005C1u);  // program change has one data byte
  EXPECT_EQ(ch[1]->micros, 500000u);
  EXPECT_EQ(ch[3]->micros, 1000000u);
  EXPECT_EQ(f.durationMicros, 1000000u);
}

TEST(SmfReader, TempoChangesGiveEventTimes) {
  const SmfFile f = load("format1_tempo.mid");
  EXPECT_EQ(f.format, 1);
  EXPECT_EQ(f.trackCount, 2);
  ASSERT_EQ(f.tempoMap.size(), 2u);
  EXPECT_EQ(f.tempoMap[1].micros, 1000000u);
  const auto ch = channelEvents(f);
  ASSERT_EQ(ch.size(), 4u);
  const std::uint64_t expected[] = {0, 500000, 1000000, 1250000};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ch[i]->micros, expected[i]) << i;
    EXPECT_EQ(ch[i]->track, 1);
  }
  // Merged list is time-ordered across tracks.
  for (std::size_t i = 1; i < f.events.size(); ++i) {
    EXPECT_LE(f.events[i - 1].micros, f.events[i].micros);
  }
}

TEST(SmfReader, Format2TracksPlayInSequence) {
  const SmfFile f = load("format2.mid");
  EXPECT_EQ(f.format, 2);
  const auto ch = channelEvents(f);
  ASSERT_EQ(ch.size(), 4u);
  // Track 1: one second per quarter, 100 ticks. Track 2 starts when track 1 ends,
  // at half a second per quarter, its note lasting 200 ticks.
  EXPECT_EQ(ch[0]->micros, 0u);
  EXPECT_EQ(ch[1]->micros, 1000000u);
  EXPECT_EQ(ch[2]->micros, 1000000u);
  EXPECT_EQ(ch[2]->track, 1);
  EXPECT_EQ(ch[3]->micros, 2000000u);
  EXPECT_EQ(f.durationMicros, 2000000u);
}

TEST(SmfReader, SmpteDivisionCountsFrames) {
  const SmfFile f = load("smpte.mid");
  EXPECT_TRUE(f.division.smpte);
  EXPECT_EQ(f.division.framesPerSecond, 25);
  EXPECT_EQ(f.division.ticksPerFrame, 40);
  const auto ch = channelEvents(f);
  ASSERT_EQ(ch.size(), 3u);
  EXPECT_EQ(ch[1]->micros, 250000u);
  EXPECT_EQ(ch[2]->micros, 1000000u);

  // 29 means 29.97 frames per second: 30 frames of one tick take 1.001 s.
  auto drop = bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0xE3, 1,
                     'M', 'T', 'r', 'k', 0, 0, 0, 4, 30, 0x90, 60, 100});
  const auto r = SmfReader::read(drop);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(r.file.events[0].micros, 1001000u);
}

TEST(SmfReader, SkipsUnknownChunksAndTrailingBytes) {
  const SmfFile f = load("padded.mid");
  const auto ch = channelEvents(f);
  ASSERT_EQ(ch.size(), 2u);
  EXPECT_EQ(ch[1]->micros, 250000u);
}

TEST(SmfReader, KeepsSysExAndTextAsBytes) {
  const SmfFile f = load("sysex_meta.mid");
  ASSERT_GE(f.events.size(), 5u);
  EXPECT_EQ(f.events[0].kind, SmfEventKind::SysEx);
  EXPECT_EQ(f.events[0].data, bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
  EXPECT_EQ(f.events[1].kind, SmfEventKind::Meta);
  EXPECT_EQ(f.events[1].metaType, meta::kLyric);
  EXPECT_EQ(f.events[1].data, bytes({'L', 0xE4, 'a'}));
  EXPECT_EQ(f.events[2].kind, SmfEventKind::SysEx);
  EXPECT_EQ(f.events[2].data, bytes({0xF3, 0x01}));  // F7 escape: raw bytes, no F0
  EXPECT_EQ(f.events[3].metaType, meta::kText);
  EXPECT_EQ(f.events[4].message, 0x006407B0u);
}

// Each malformed input gives its own error code and a message; none may crash.
TEST(SmfReader, MalformedFilesGiveErrors) {
  const auto hdr = [](int fmt, int ntrks, int div) {
    return bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, fmt, (ntrks >> 8) & 0xFF, ntrks & 0xFF,
                  (div >> 8) & 0xFF, div & 0xFF});
  };
  const auto withTrack = [&](std::vector<std::uint8_t> body, int ntrks = 1) {
    auto out = hdr(1, ntrks, 96);
    const auto n = body.size();
    auto t = bytes({'M', 'T', 'r', 'k', 0, 0, static_cast<int>(n >> 8), static_cast<int>(n & 0xFF)});
    out.insert(out.end(), t.begin(), t.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
  };
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
    SmfError error;
  };
  const std::vector<Case> cases = {
      {"empty", {}, SmfError::NotMidiFile},
      {"riff", bytes({'R', 'I', 'F', 'F', 0, 0, 0, 0}), SmfError::NotMidiFile},
      {"header cut short", bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}), SmfError::TruncatedHeader},
      {"header length 2", bytes({'M', 'T', 'h', 'd', 0, 0, 0, 2, 0, 1}), SmfError::TruncatedHeader},
      {"format 3", hdr(3, 1, 96), SmfError::BadFormat},
      {"no tracks", hdr(1, 0, 96), SmfError::BadTrackCount},
      {"65535 tracks", hdr(1, 65535, 96), SmfError::BadTrackCount},
      {"smpte 26 fps", hdr(0, 1, 0xE628), SmfError::BadDivision},
      {"track length past end",
       [&] { auto d = withTrack({0, 0x90, 60, 100}); d[21] = 50; return d; }(), SmfError::ChunkPastEnd},
      {"second track missing", withTrack({0, 0xFF, 0x2F, 0}, 2), SmfError::BadTrackCount},
      {"second track missing after padding",
       [&] { auto d = withTrack({0, 0xFF, 0x2F, 0}, 2); d.resize(d.size() + 8, 0); return d; }(),
       SmfError::MissingTrack},
      {"five-byte delta", withTrack({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100}), SmfError::BadVariableLength},
      {"delta cut short", withTrack({0x81}), SmfError::TruncatedEvent},
      {"note cut short", withTrack({0, 0x90, 60}), SmfError::TruncatedEvent},
      {"meta length past track", withTrack({0, 0xFF, 0x01, 0x7F, 'a'}), SmfError::TruncatedEvent},
      {"sysex length past track", withTrack({0, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F}), SmfError::TruncatedEvent},
      {"running status first", withTrack({0, 60, 100}), SmfError::RunningStatusWithoutStatus},
      {"real-time byte in file", withTrack({0, 0xF8}), SmfError::BadStatus},
      {"data byte with top bit", withTrack({0, 0x90, 60, 0xC0}), SmfError::BadDataByte},
  };
  for (const auto& c : cases) {
    const auto r = SmfReader::read(c.data);
    EXPECT_EQ(r.error, c.error) << c.name << ": " << r.message;
    EXPECT_FALSE(r.message.empty()) << c.name;
  }
  auto zeroDiv = withTrack({0, 0xFF, 0x2F, 0});
  zeroDiv[12] = 0;
  zeroDiv[13] = 0;
  EXPECT_EQ(SmfReader::read(zeroDiv).error, SmfError::BadDivision);

  // Every prefix of a valid file is either read or rejected cleanly.
  const auto good = withTrack({0, 0x90, 60, 100, 0x60, 60, 0, 0, 0xFF, 0x2F, 0});
  for (std::size_t n = 0; n < good.size(); ++n) {
    const auto r = SmfReader::read(std::span(good.data(), n));
    EXPECT_FALSE(r.ok()) << "prefix " << n;
  }
  EXPECT_EQ(SmfReader::readFile("/nonexistent/dir/song.mid").error, SmfError::CannotOpenFile);
}

TEST(SmfReader, LimitsBoundEventsAndTempoChanges) {
  // A track of 1000 tempo changes, then 1000 note events with running status.
  std::vector<std::uint8_t> body;
  for (int i = 0; i < 1000; ++i) {
    for (int b : {1, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20}) body.push_back(static_cast<std::uint8_t>(b));
  }
  body.insert(body.end(), {0, 0x90, 60, 100});
  for (int i = 0; i < 999; ++i) body.insert(body.end(), {1, 60, 0});
  std::vector<std::uint8_t> file = bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                          'M', 'T', 'r', 'k'});
  const auto n = static_cast<std::uint32_t>(body.size());
  for (int s : {24, 16, 8, 0}) file.push_back(static_cast<std::uint8_t>(n >> s));
  file.insert(file.end(), body.begin(), body.end());

  ASSERT_TRUE(SmfReader::read(file).ok());
  SmfLimits limits;
  limits.maxTempoChanges = 999;
  EXPECT_EQ(SmfReader::read(file, limits).error, SmfError::TooManyTempoChanges);
  limits = {};
  limits.maxEvents = 1999;
  EXPECT_EQ(SmfReader::read(file, limits).error, SmfError::TooManyEvents);
  limits = {};
  limits.maxFileBytes = file.size() - 1;
  EXPECT_EQ(SmfReader::read(file, limits).error, SmfError::FileTooLarge);
}
