#include "platform/midi/SmfReader.h"

#include <algorithm>
#include <fstream>
#include <limits>

#include "platform/midi/ShortMessage.h"

namespace tonalix::smf {

const char* smfErrorText(SmfError error) {
  switch (error) {
    case SmfError::None: return "No error.";
    case SmfError::NotMidiFile: return "The data is not a Standard MIDI File (no MThd header).";
    case SmfError::TruncatedHeader: return "The MIDI file header is cut short.";
    case SmfError::BadFormat: return "The MIDI file format is not 0, 1 or 2.";
    case SmfError::BadTrackCount: return "The MIDI file announces an impossible number of tracks.";
    case SmfError::BadDivision: return "The MIDI file has an invalid time division.";
    case SmfError::ChunkPastEnd: return "A chunk of the MIDI file runs past the end of the file.";
    case SmfError::MissingTrack: return "The MIDI file has fewer tracks than its header announces.";
    case SmfError::BadVariableLength: return "The MIDI file holds a malformed variable-length number.";
    case SmfError::TruncatedEvent: return "An event runs past the end of its MIDI track.";
    case SmfError::RunningStatusWithoutStatus:
      return "A MIDI track uses running status before any status byte.";
    case SmfError::BadStatus: return "A MIDI track holds a status byte that is not allowed in a file.";
    case SmfError::BadDataByte: return "A MIDI message holds an invalid data byte.";
    case SmfError::TooManyEvents: return "The MIDI file holds too many events.";
    case SmfError::TooManyTempoChanges: return "The MIDI file holds too many tempo changes.";
    case SmfError::FileTooLarge: return "The MIDI file is too large.";
    case SmfError::CannotOpenFile: return "The MIDI file cannot be opened or read.";
  }
  return "Unknown MIDI file error.";
}

namespace {

struct Failure {
  SmfError error;
  std::size_t offset;
};

std::uint32_t be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}
std::uint16_t be16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// A raw event of one track before times are known.
struct TrackData {
  std::vector<SmfEvent> events;
  std::uint64_t endTick = 0;
};

class TrackParser {
 public:
  TrackParser(std::span<const std::uint8_t> all, std::size_t begin, std::size_t end,
              std::uint16_t track, std::size_t& eventBudget)
      : data_(all), pos_(begin), end_(end), track_(track), budget_(eventBudget) {}

  // Returns false with failure_ set on malformed data.
  bool parse(TrackData& out) {
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (pos_ < end_) {
      std::uint32_t delta = 0;
      if (!readVarLen(delta)) return false;
      tick += delta;
      if (pos_ >= end_) return fail(SmfError::TruncatedEvent);
      std::uint8_t status = data_[pos_];
      if (status & 0x80) {
        ++pos_;
      } else {
        if (running == 0) return fail(SmfError::RunningStatusWithoutStatus);
        status = running;  // the byte just seen is the first data byte
      }
      if (budget_ == 0) return fail(SmfError::TooManyEvents);
      --budget_;

      SmfEvent ev;
      ev.tick = tick;
      ev.track = track_;
      if (status < 0xF0) {
        running = status;
        const int count = platform::ShortMessage{status}.dataLength();
        if (end_ - pos_ < static_cast<std::size_t>(count)) return fail(SmfError::TruncatedEvent);
        std::uint8_t data[2] = {};
        for (int i = 0; i < count; ++i) {
          if (data_[pos_] & 0x80) return fail(SmfError::BadDataByte);
          data[i] = data_[pos_++];
        }
        ev.kind = SmfEventKind::Channel;
        ev.message = platform::ShortMessage{status, data[0], data[1]}.pack();
        out.events.push_back(std::move(ev));
      } else if (status == 0xFF) {
        if (pos_ >= end_) return fail(SmfError::TruncatedEvent);
        const std::uint8_t type = data_[pos_++];
        std::uint32_t length = 0;
        if (!readVarLen(length)) return false;
        if (end_ - pos_ < length) return fail(SmfError::TruncatedEvent);
        ev.kind = SmfEventKind::Meta;
        ev.metaType = type;
        ev.data.assign(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
                       data_.begin() + static_cast<std::ptrdiff_t>(pos_ + length));
        pos_ += length;
        out.events.push_back(std::move(ev));
        if (type == meta::kEndOfTrack) {
          out.endTick = tick;
          return true;  // anything after the end of track is ignored
        }
      } else if (status == 0xF0 || status == 0xF7) {
        std::uint32_t length = 0;
        if (!readVarLen(length)) return false;
        if (end_ - pos_ < length) return fail(SmfError::TruncatedEvent);
        ev.kind = SmfEventKind::SysEx;
        if (status == 0xF0) ev.data.push_back(0xF0);  // F7 escapes carry raw bytes
        ev.data.insert(ev.data.end(), data_.begin() + static_cast<std::ptrdiff_t>(pos_),
                       data_.begin() + static_cast<std::ptrdiff_t>(pos_ + length));
        pos_ += length;
        out.events.push_back(std::move(ev));
      } else {
        return fail(SmfError::BadStatus);
      }
    }
    out.endTick = tick;  // no end-of-track event: the track ends with its last event
    return true;
  }

  Failure failure() const { return failure_; }

 private:
  bool readVarLen(std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (pos_ >= end_) return fail(SmfError::TruncatedEvent);
      const std::uint8_t b = data_[pos_++];
      value = (value << 7) | (b & 0x7Fu);
      if (!(b & 0x80)) return true;
    }
    return fail(SmfError::BadVariableLength);
  }

  bool fail(SmfError error) {
    failure_ = {error, pos_};
    return false;
  }

  std::span<const std::uint8_t> data_;
  std::size_t pos_;
  std::size_t end_;
  std::uint16_t track_;
  std::size_t& budget_;
  Failure failure_{SmfError::None, 0};
};

constexpr std::uint64_t kMaxMicros = std::numeric_limits<std::uint64_t>::max();

std::uint64_t clampMicros(unsigned __int128 v) {
  return v > kMaxMicros ? kMaxMicros : static_cast<std::uint64_t>(v);
}

// Converts ticks to microseconds through a tempo map sorted by tick.
class TempoClock {
 public:
  TempoClock(const std::vector<SmfTempoChange>& map, int ticksPerQuarter)
      : map_(map), tpq_(static_cast<unsigned>(ticksPerQuarter)) {}

  std::uint64_t micros(std::uint64_t tick) const {
    // Last change at or before the tick.
    auto it = std::upper_bound(map_.begin(), map_.end(), tick,
                               [](std::uint64_t t, const SmfTempoChange& c) { return t < c.tick; });
    std::uint64_t baseTick = 0;
    std::uint64_t baseMicros = 0;
    std::uint32_t tempo = 500000;
    if (it != map_.begin()) {
      --it;
      baseTick = it->tick;
      baseMicros = it->micros;
      tempo = it->microsPerQuarter;
    }
    const unsigned __int128 span =
        static_cast<unsigned __int128>(tick - baseTick) * tempo / tpq_;
    return clampMicros(span + baseMicros);
  }

 private:
  const std::vector<SmfTempoChange>& map_;
  unsigned tpq_;
};

// Fills in micros of every tempo change, in tick order.
void timeTempoMap(std::vector<SmfTempoChange>& map, int ticksPerQuarter) {
  std::uint64_t tick = 0;
  std::uint64_t micros = 0;
  std::uint32_t tempo = 500000;
  for (auto& change : map) {
    const unsigned __int128 span =
        static_cast<unsigned __int128>(change.tick - tick) * tempo / static_cast<unsigned>(ticksPerQuarter);
    micros = clampMicros(span + micros);
    change.micros = micros;
    tick = change.tick;
    tempo = change.microsPerQuarter;
  }
}

bool collectTempoMap(const std::vector<const SmfEvent*>& metaInOrder, const SmfLimits& limits,
                     std::vector<SmfTempoChange>& map) {
  for (const SmfEvent* ev : metaInOrder) {
    if (ev->metaType != meta::kTempo || ev->data.size() < 3) continue;
    const std::uint32_t tempo =
        (std::uint32_t{ev->data[0]} << 16) | (std::uint32_t{ev->data[1]} << 8) | ev->data[2];
    if (tempo == 0) continue;  // a zero tempo would stop time; keep the previous one
    if (map.size() >= limits.maxTempoChanges) return false;
    map.push_back({ev->tick, 0, tempo});
  }
  return true;
}

SmfReadResult failed(SmfError error, std::size_t offset, int track = -1) {
  SmfReadResult r;
  r.error = error;
  r.offset = offset;
  r.message = smfErrorText(error);
  r.message += " (at byte " + std::to_string(offset);
  if (track >= 0) r.message += ", track " + std::to_string(track + 1);
  r.message += ")";
  return r;
}

}  // namespace

SmfReadResult SmfReader::read(std::span<const std::uint8_t> bytes, const SmfLimits& limits) {
  if (bytes.size() > limits.maxFileBytes) return failed(SmfError::FileTooLarge, 0);
  if (bytes.size() < 8 || be32(bytes.data()) != 0x4D546864u) {  // "MThd"
    return failed(bytes.size() < 8 && bytes.size() >= 4 && be32(bytes.data()) == 0x4D546864u
                      ? SmfError::TruncatedHeader
                      : SmfError::NotMidiFile,
                  0);
  }
  const std::uint32_t headerLength = be32(bytes.data() + 4);
  if (headerLength < 6) return failed(SmfError::TruncatedHeader, 4);
  if (bytes.size() - 8 < headerLength) return failed(SmfError::TruncatedHeader, 8);

  SmfFile file;
  const std::uint8_t* h = bytes.data() + 8;
  file.format = be16(h);
  const std::uint16_t trackCount = be16(h + 2);
  const std::uint16_t division = be16(h + 4);
  if (file.format > 2) return failed(SmfError::BadFormat, 8);

  if (division & 0x8000) {
    const int fps = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
    const int tpf = division & 0xFF;
    if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || tpf == 0) {
      return failed(SmfError::BadDivision, 12);
    }
    file.division = {true, 0, fps, tpf};
  } else {
    if (division == 0) return failed(SmfError::BadDivision, 12);
    file.division = {false, division, 0, 0};
  }

  std::size_t pos = 8 + std::size_t{headerLength};
  // Every track needs at least its 8-byte chunk header.
  if (trackCount == 0 || std::size_t{trackCount} * 8 > bytes.size() - pos) {
    return failed(SmfError::BadTrackCount, 10);
  }
  file.trackCount = trackCount;

  std::vector<TrackData> tracks;
  tracks.reserve(trackCount);
  std::size_t budget = limits.maxEvents;
  while (tracks.size() < trackCount) {
    if (pos >= bytes.size()) return failed(SmfError::MissingTrack, pos);
    if (bytes.size() - pos < 8) return failed(SmfError::ChunkPastEnd, pos);
    const std::uint32_t type = be32(bytes.data() + pos);
    const std::uint32_t length = be32(bytes.data() + pos + 4);
    const std::size_t body = pos + 8;
    if (bytes.size() - body < length) return failed(SmfError::ChunkPastEnd, pos);
    if (type == 0x4D54726Bu) {  // "MTrk"
      const auto index = static_cast<std::uint16_t>(tracks.size());
      TrackParser parser(bytes, body, body + length, index, budget);
      TrackData track;
      if (!parser.parse(track)) {
        const Failure f = parser.failure();
        return failed(f.error, f.offset, index);
      }
      tracks.push_back(std::move(track));
    }
    // Chunks of other types are skipped; whatever follows the last track is ignored.
    pos = body + length;
  }

  // Times: formats 0 and 1 share one tempo map; format 2 tracks play one after another,
  // each with its own tempo map.
  auto microsFor = [&](const std::vector<SmfTempoChange>& map) {
    return [&map, &file](std::uint64_t tick) -> std::uint64_t {
      if (file.division.smpte) {
        // 29 stands for 29.97 (30000/1001) frames per second.
        const bool dropFrame = file.division.framesPerSecond == 29;
        const unsigned __int128 num =
            static_cast<unsigned __int128>(tick) * 1000000u * (dropFrame ? 1001u : 1u);
        const unsigned __int128 den =
            static_cast<unsigned __int128>(dropFrame ? 30000u : static_cast<unsigned>(file.division.framesPerSecond)) *
            static_cast<unsigned>(file.division.ticksPerFrame);
        return clampMicros(num / den);
      }
      return TempoClock(map, file.division.ticksPerQuarter).micros(tick);
    };
  };

  std::size_t total = 0;
  for (const auto& t : tracks) total += t.events.size();
  file.events.reserve(total);

  if (file.format != 2) {
    for (auto& t : tracks) {
      for (auto& ev : t.events) file.events.push_back(std::move(ev));
    }
    // Stable: equal ticks keep track order, then file order.
    std::stable_sort(file.events.begin(), file.events.end(),
                     [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
    if (!file.division.smpte) {
      std::vector<const SmfEvent*> metas;
      for (const auto& ev : file.events) {
        if (ev.kind == SmfEventKind::Meta) metas.push_back(&ev);
      }
      if (!collectTempoMap(metas, limits, file.tempoMap)) {
        return failed(SmfError::TooManyTempoChanges, 0);
      }
      timeTempoMap(file.tempoMap, file.division.ticksPerQuarter);
    }
    const auto toMicros = microsFor(file.tempoMap);
    for (auto& ev : file.events) ev.micros = toMicros(ev.tick);
    for (const auto& t : tracks) file.durationMicros = std::max(file.durationMicros, toMicros(t.endTick));
  } else {
    std::uint64_t trackStart = 0;
    std::size_t tempoCount = 0;
    for (auto& t : tracks) {
      std::vector<SmfTempoChange> map;
      if (!file.division.smpte) {
        std::vector<const SmfEvent*> metas;
        for (const auto& ev : t.events) {
          if (ev.kind == SmfEventKind::Meta) metas.push_back(&ev);
        }
        if (!collectTempoMap(metas, limits, map) || (tempoCount += map.size()) > limits.maxTempoChanges) {
          return failed(SmfError::TooManyTempoChanges, 0);
        }
        timeTempoMap(map, file.division.ticksPerQuarter);
      }
      const auto toMicros = microsFor(map);
      for (auto& ev : t.events) {
        ev.micros = clampMicros(static_cast<unsigned __int128>(toMicros(ev.tick)) + trackStart);
        file.events.push_back(std::move(ev));
      }
      trackStart = clampMicros(static_cast<unsigned __int128>(toMicros(t.endTick)) + trackStart);
    }
    file.durationMicros = trackStart;
  }

  SmfReadResult result;
  result.file = std::move(file);
  return result;
}

SmfReadResult SmfReader::readFile(const std::string& path, const SmfLimits& limits) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return failed(SmfError::CannotOpenFile, 0);
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return failed(SmfError::CannotOpenFile, 0);
  if (static_cast<std::uint64_t>(size) > limits.maxFileBytes) return failed(SmfError::FileTooLarge, 0);
  in.seekg(0, std::ios::beg);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    return failed(SmfError::CannotOpenFile, 0);
  }
  SmfReadResult r = read(bytes, limits);
  if (!r.ok()) r.message = path + ": " + r.message;
  return r;
}

}  // namespace tonalix::smf
