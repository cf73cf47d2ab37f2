#include "platform/mci/WaveAudioDevice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "platform/audio/RecordSource.h"
#include "platform/audio/WavePlayback.h"
#include "platform/midiout/MidiOut.h"
#include "platform/system/Diagnostics.h"
#include "platform/system/RecordingsFolder.h"

namespace tonalix::platform {

namespace {

bool parseCount(const std::string& text, long& value) {
  if (text.empty() || text.size() > 9) return false;
  long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  value = v;
  return true;
}

}  // namespace

WaveAudioDevice::WaveAudioDevice() = default;
WaveAudioDevice::~WaveAudioDevice() { close(); }

MCIERROR WaveAudioDevice::open(const MciOpenRequest& request) {
  if (request.newElement) {
    recorder_ = true;
    return MCIERR_NOERROR;
  }
  if (request.element.empty()) return MCIERR_FILENAME_REQUIRED;
  if (::access(request.element.c_str(), R_OK) != 0) return MCIERR_FILE_NOT_FOUND;
  auto playback = std::make_unique<WavePlayback>();
  const std::string error = playback->open(request.element);
  if (!error.empty()) {
    mciSetErrorDetail(MCIERR_INVALID_FILE, "(" + error + ")");
    return MCIERR_INVALID_FILE;
  }
  playback_ = std::move(playback);
  return MCIERR_NOERROR;
}

MCIERROR WaveAudioDevice::execute(const MciCommand& command, std::string& reply) {
  const std::string verb = command.verb();
  if (mciEquals(verb, "set")) return set(command);
  if (mciEquals(verb, "status")) return status(command, reply);
  if (mciEquals(verb, "record")) return record(command);
  if (mciEquals(verb, "save")) return save(command);
  if (mciEquals(verb, "play")) return play(command);
  if (mciEquals(verb, "stop") || mciEquals(verb, "pause")) {
    // A stopped take is complete: its length is final and equals what a save will write.
    const std::string error = finishTake();
    if (!error.empty()) takeError_ = error;
    if (playback_) playback_->stop();
    return MCIERR_NOERROR;
  }
  return MCIERR_UNSUPPORTED_FUNCTION;
}

MCIERROR WaveAudioDevice::set(const MciCommand& command) {
  WaveFormat wanted = format_;
  TimeFormat time = timeFormat_;
  for (std::size_t i = 0; i < command.argCount(); ++i) {
    const std::string& word = command.arg(i).text;
    if (mciEquals(word, "time")) {
      if (!command.argIs(i + 1, "format") || i + 2 >= command.argCount()) return MCIERR_MISSING_PARAMETER;
      const std::string& name = command.arg(i + 2).text;
      if (mciEquals(name, "ms") || mciEquals(name, "milliseconds")) time = TimeFormat::Milliseconds;
      else if (mciEquals(name, "bytes")) time = TimeFormat::Bytes;
      else if (mciEquals(name, "samples")) time = TimeFormat::Samples;
      else return MCIERR_UNRECOGNIZED_KEYWORD;
      i += 2;
      continue;
    }
    const bool bits = mciEquals(word, "bitspersample"), channels = mciEquals(word, "channels"),
               rate = mciEquals(word, "samplespersec"), byteRate = mciEquals(word, "bytespersec"),
               align = mciEquals(word, "alignment");
    if (!(bits || channels || rate || byteRate || align)) return MCIERR_UNRECOGNIZED_KEYWORD;
    if (i + 1 >= command.argCount()) return MCIERR_MISSING_PARAMETER;
    long value = 0;
    if (!parseCount(command.arg(++i).text, value)) return MCIERR_BAD_INTEGER;
    if (bits) {
      if (value != 8 && value != 16) return MCIERR_OUTOFRANGE;
      wanted.bitsPerSample = static_cast<int>(value);
    } else if (channels) {
      if (value != 1 && value != 2) return MCIERR_OUTOFRANGE;
      wanted.channels = static_cast<int>(value);
    } else if (rate) {
      if (value < 8000 || value > 192000) return MCIERR_OUTOFRANGE;
      wanted.sampleRate = static_cast<int>(value);
    }
    // The byte rate and block alignment follow from width, channels and rate; a stated value
    // that disagrees is not allowed to make a wrong header, so it is accepted and not used.
  }
  // The format belongs to a take: it cannot change once recording has begun.
  const bool formatChanged = wanted.bitsPerSample != format_.bitsPerSample || wanted.channels != format_.channels ||
                             wanted.sampleRate != format_.sampleRate;
  if (formatChanged && (writer_ || takeFrames_ > 0)) return MCIERR_DEVICE_NOT_READY;
  format_ = wanted;
  timeFormat_ = time;
  return MCIERR_NOERROR;
}

MCIERROR WaveAudioDevice::record(const MciCommand& command) {
  if (!recorder_) return MCIERR_UNSUPPORTED_FUNCTION;
  if (command.argCount() > 0) return MCIERR_UNRECOGNIZED_KEYWORD;
  if (source_) return MCIERR_NOERROR;
  if (!writer_ && takeFrames_ > 0) return MCIERR_DEVICE_NOT_READY;  // a finished take awaits saving
  std::string error;
  std::unique_ptr<RecordSource> source = makeRecordSource(builtInSynth(), format_.sampleRate, error);
  if (!source) {
    mciSetErrorDetail(MCIERR_WAVE_INPUTUNAVAILABLE, error);
    return MCIERR_WAVE_INPUTUNAVAILABLE;
  }
  if (!writer_) {
    const std::string folder = RecordingsFolder();
    error = EnsureFolder(folder);
    if (error.empty()) {
      workFile_ = CreateWorkFile(folder);
      if (workFile_.empty()) error = "No work file can be made in " + folder + ".";
    }
    auto writer = std::make_unique<TakeWriter>();
    if (error.empty()) error = writer->begin(format_, source->sampleRate(), workFile_);
    if (!error.empty()) {
      if (!workFile_.empty()) ::unlink(workFile_.c_str());
      workFile_.clear();
      mciSetErrorDetail(MCIERR_HARDWARE, "(" + error + ")");
      return MCIERR_HARDWARE;
    }
    writer_ = std::move(writer);
  }
  error = source->start(writer_->ring());
  if (!error.empty()) {
    mciSetErrorDetail(MCIERR_WAVE_INPUTUNAVAILABLE, error);
    return MCIERR_WAVE_INPUTUNAVAILABLE;
  }
  source_ = std::move(source);
  return MCIERR_NOERROR;
}

void WaveAudioDevice::stopCapture() {
  if (source_) source_->stop();
  source_.reset();
}

std::string WaveAudioDevice::finishTake() {
  const std::string lost = source_ ? source_->lost() : std::string();
  const int inputRate = source_ ? source_->sampleRate() : format_.sampleRate;
  stopCapture();
  if (!lost.empty()) takeNotice_ = lost;
  if (!writer_) return {};
  const std::string error = writer_->finish();
  takeFrames_ = writer_->framesWritten();
  if (const std::uint64_t dropped = writer_->framesDropped()) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(dropped) / inputRate);
    takeNotice_ += std::string(takeNotice_.empty() ? "" : " ") + "The disk did not keep up: " + seconds +
                   " seconds of the recording were lost.";
  }
  writer_.reset();
  return error;
}

std::string WaveAudioDevice::captureFailure() const {
  if (writer_ && writer_->failed()) return writer_->error();
  return source_ ? source_->lost() : std::string();
}

std::uint64_t WaveAudioDevice::lengthIn(TimeFormat format) const {
  const std::uint64_t frames = writer_ ? writer_->framesWritten() : takeFrames_;
  switch (format) {
    case TimeFormat::Bytes: return frames * static_cast<std::uint64_t>(format_.blockAlign());
    case TimeFormat::Samples: return frames;
    case TimeFormat::Milliseconds: break;
  }
  return frames * 1000 / static_cast<std::uint64_t>(format_.sampleRate);
}

MCIERROR WaveAudioDevice::status(const MciCommand& command, std::string& reply) {
  if (command.argCount() != 1) return command.argCount() == 0 ? MCIERR_MISSING_PARAMETER : MCIERR_EXTRA_CHARACTERS;
  // A take that cannot go on fails every check, so a caller polling it learns at once.
  if (const std::string failure = captureFailure(); !failure.empty()) {
    mciSetErrorDetail(MCIERR_HARDWARE, "(" + failure + ")");
    return MCIERR_HARDWARE;
  }
  const std::string& item = command.arg(0).text;
  if (mciEquals(item, "length") || mciEquals(item, "position")) {
    if (playback_ && !recorder_) {
      const auto frames = static_cast<std::uint64_t>(playback_->frames());
      const auto rate = static_cast<std::uint64_t>(playback_->sampleRate());
      reply = std::to_string(timeFormat_ == TimeFormat::Samples ? frames
                             : timeFormat_ == TimeFormat::Bytes ? frames * 4
                                                                : frames * 1000 / rate);
    } else {
      reply = std::to_string(lengthIn(timeFormat_));
    }
  } else if (mciEquals(item, "mode")) {
    reply = source_ ? "recording" : (playback_ && !playback_->finished()) ? "playing" : "stopped";
  } else if (mciEquals(item, "bitspersample")) {
    reply = std::to_string(format_.bitsPerSample);
  } else if (mciEquals(item, "channels")) {
    reply = std::to_string(format_.channels);
  } else if (mciEquals(item, "samplespersec")) {
    reply = std::to_string(format_.sampleRate);
  } else if (mciEquals(item, "bytespersec")) {
    reply = std::to_string(format_.bytesPerSecond());
  } else if (mciEquals(item, "alignment")) {
    reply = std::to_string(format_.blockAlign());
  } else if (mciEquals(item, "ready")) {
    reply = "true";
  } else {
    return MCIERR_UNRECOGNIZED_KEYWORD;
  }
  return MCIERR_NOERROR;
}

MCIERROR WaveAudioDevice::save(const MciCommand& command) {
  if (!recorder_) return MCIERR_UNSUPPORTED_FUNCTION;
  // The path is the whole rest of the line after "save <alias> ", taken verbatim: blanks at
  // either end belong to it, no word in it is read as part of the command, and quotes are
  // legal in file names here, so a path wholly in quotes keeps them too.
  const MciToken& device = command.tokens[1];
  std::size_t from = device.begin + device.text.size() + (device.quoted ? 2 : 0) + 1;
  const std::string path = from < command.text.size() ? command.text.substr(from) : std::string();
  if (path.find_first_of("\r\n") != std::string::npos) return MCIERR_BAD_FILE_NAME;

  std::string error = finishTake();
  if (error.empty()) error = takeError_;
  takeError_.clear();
  if (workFile_.empty()) {
    if (path.empty()) return MCIERR_FILENAME_REQUIRED;
    return MCIERR_FILE_NOT_SAVED;  // nothing was recorded, or it was saved already
  }
  std::string notice;
  notice.swap(takeNotice_);
  if (error.empty()) {
    error = path.empty() ? "No file name was given." : MoveFile(workFile_, path);
    if (error.empty()) {
      workFile_.clear();
      if (notice.empty()) return MCIERR_NOERROR;
      // Saved, but not all that was played is in it: that is not told as a success.
      mciSetErrorDetail(MCIERR_HARDWARE, "(" + notice + ") What was recorded was saved as " + path + ".");
      return MCIERR_HARDWARE;
    }
  }
  const std::string kept = keepTake();
  mciSetErrorDetail(MCIERR_FILE_NOT_SAVED, "(" + error + ")" + (notice.empty() ? "" : " " + notice) + " " +
                                               (kept.empty() ? "The recording is still in " + workFile_ + "."
                                                             : "The recording was kept as " + kept + "."));
  return MCIERR_FILE_NOT_SAVED;
}

std::string WaveAudioDevice::keepTake() {
  const std::string folder = RecordingsFolder();
  const std::time_t now = std::time(nullptr);
  // A rename needs no room on the disk, so it is tried first; a copy only when the work file
  // lies on another file system than the folder.
  std::string kept = RenameToDatedName(workFile_, folder, now);
  if (kept.empty() && errno == EXDEV) {
    kept = CreateDatedFile(folder, now);
    if (!kept.empty() && !MoveFile(workFile_, kept).empty()) {
      ::unlink(kept.c_str());
      kept.clear();
    }
  }
  if (kept.empty()) {
    // Every dated name is taken: the work file's own name, made visible, still says where it is.
    const std::size_t slash = workFile_.rfind('/');
    const std::string visible = workFile_.substr(0, slash + 1) + workFile_.substr(slash + 2);
    if (::renameat2(AT_FDCWD, workFile_.c_str(), AT_FDCWD, visible.c_str(), RENAME_NOREPLACE) == 0) kept = visible;
  }
  if (kept.empty()) {
    diagnose("recorder", "the take could not be moved from " + workFile_);
    return {};
  }
  workFile_.clear();
  return kept;
}

MCIERROR WaveAudioDevice::play(const MciCommand& command) {
  if (!playback_) return MCIERR_UNSUPPORTED_FUNCTION;
  bool wait = false;
  for (std::size_t i = 0; i < command.argCount(); ++i) {
    if (command.argIs(i, "wait")) wait = true;
    else return MCIERR_UNRECOGNIZED_KEYWORD;
  }
  AudioEngine* engine = builtInSynth();
  if (!engine) return MCIERR_DEVICE_NOT_READY;
  const std::string error = playback_->play(*engine);
  if (!error.empty()) {
    mciSetErrorDetail(MCIERR_DEVICE_NOT_READY, "(" + error + ")");
    return MCIERR_DEVICE_NOT_READY;
  }
  while (wait && !playback_->finished()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return MCIERR_NOERROR;
}

void WaveAudioDevice::close() {
  finishTake();
  // A take never saved is not thrown away: it goes to the recordings folder under a dated name,
  // and when even that fails it stays where it is, for the next start to find.
  if (!workFile_.empty()) {
    if (takeFrames_ == 0) ::unlink(workFile_.c_str());
    else keepTake();
    workFile_.clear();
  }
  takeNotice_.clear();
  takeError_.clear();
  if (playback_) playback_->stop();
}

}  // namespace tonalix::platform
