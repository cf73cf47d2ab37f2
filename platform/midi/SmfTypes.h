// Data produced by the Standard MIDI File reader: the header values, the tempo map and one
// merged, time-ordered list of events with each event's time from the start of the song.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tonalix::smf {

// Why a file could not be read. Every value but None comes with a readable message.
enum class SmfError {
  None = 0,
  NotMidiFile,             // no "MThd" at the start
  TruncatedHeader,         // header chunk shorter than its fixed fields
  BadFormat,               // format other than 0, 1 or 2
  BadTrackCount,           // no tracks, or more than the file could hold
  BadDivision,             // zero ticks per quarter, or an unknown SMPTE frame rate
  ChunkPastEnd,            // a chunk's length runs past the end of the data
  MissingTrack,            // fewer track chunks than the header announces
  BadVariableLength,       // a variable-length number longer than four bytes
  TruncatedEvent,          // an event runs past the end of its track chunk
  RunningStatusWithoutStatus,  // data byte where a status byte must come first
  BadStatus,               // a status byte that cannot appear in a file (F1-F6, F8-FE)
  BadDataByte,             // a channel message data byte with the top bit set
  TooManyEvents,           // more events than the limits allow
  TooManyTempoChanges,     // more tempo changes than the limits allow
  FileTooLarge,            // input larger than the limits allow
  CannotOpenFile,          // the file could not be opened or read
};

// A readable English text for the error, e.g. for a message box.
const char* smfErrorText(SmfError error);

enum class SmfEventKind : std::uint8_t {
  Channel,  // a channel voice message, carried as a short message
  SysEx,    // F0 or F7 event; data holds the bytes as they go to the wire (F0 included)
  Meta,     // FF event; metaType and data hold its type and payload
};

// Well-known meta event types.
namespace meta {
constexpr std::uint8_t kText = 0x01;
constexpr std::uint8_t kTrackName = 0x03;
constexpr std::uint8_t kLyric = 0x05;
constexpr std::uint8_t kEndOfTrack = 0x2F;
constexpr std::uint8_t kTempo = 0x51;
}  // namespace meta

struct SmfEvent {
  std::uint64_t tick = 0;       // absolute tick within its track
  std::uint64_t micros = 0;     // time from the start of the song, in microseconds
  std::uint16_t track = 0;      // index of the track chunk it came from
  SmfEventKind kind = SmfEventKind::Channel;
  std::uint8_t metaType = 0;    // Meta only
  std::uint32_t message = 0;    // Channel only: status in bits 0-7, data bytes above
  std::vector<std::uint8_t> data;  // SysEx and Meta payload (text and lyrics kept as bytes)
};

struct SmfTempoChange {
  std::uint64_t tick = 0;
  std::uint64_t micros = 0;
  std::uint32_t microsPerQuarter = 500000;
};

struct SmfDivision {
  bool smpte = false;
  int ticksPerQuarter = 0;   // when !smpte
  int framesPerSecond = 0;   // when smpte: 24, 25, 29 (29.97 drop-frame) or 30
  int ticksPerFrame = 0;     // when smpte
};

struct SmfFile {
  int format = 0;
  int trackCount = 0;
  SmfDivision division;
  // Ordered by time; events at the same time keep their track order, then their file order.
  std::vector<SmfEvent> events;
  // Tempo changes in force (formats 0 and 1); empty for SMPTE division and format 2.
  std::vector<SmfTempoChange> tempoMap;
  std::uint64_t durationMicros = 0;  // the latest end of track
};

// Bounds that keep a hostile file from costing unbounded memory or time. An event takes at
// least two bytes of input and about 64 bytes in memory, so memory stays within a small
// multiple of the input and of these caps (far above any real song, which is a few kB).
struct SmfLimits {
  std::size_t maxFileBytes = 8u * 1024u * 1024u;
  std::size_t maxEvents = 2u * 1024u * 1024u;
  std::size_t maxTempoChanges = 512u * 1024u;
};

struct SmfReadResult {
  SmfError error = SmfError::None;
  std::string message;       // empty on success
  std::size_t offset = 0;    // byte offset in the input where reading failed
  SmfFile file;              // valid only when ok()
  bool ok() const { return error == SmfError::None; }
};

}  // namespace tonalix::smf
