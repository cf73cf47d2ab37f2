#include "platform/mci/MciSystem.h"

#include <cstring>
#include <vector>

#include "platform/mci/MciDeviceTypes.h"

namespace tonalix::platform {

namespace {

// Verbs the layer knows; the device decides whether it offers them.
constexpr const char* kDeviceVerbs[] = {"play", "stop", "pause", "resume", "status", "set",
                                        "record", "save", "seek", "cue"};

bool isDeviceVerb(std::string_view verb) {
  for (const char* v : kDeviceVerbs) {
    if (mciEquals(verb, v)) return true;
  }
  return false;
}

// The verb and device words of a "save" command, when the text is one.
bool tokenizeSavePrefix(std::string_view text, std::vector<MciToken>& tokens) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t i = 0;
  while (i < text.size() && blank(text[i])) ++i;
  const std::size_t verb = i;
  while (i < text.size() && !blank(text[i])) ++i;
  if (!mciEquals(text.substr(verb, i - verb), "save")) return false;
  while (i < text.size() && blank(text[i])) ++i;
  if (i < text.size() && text[i] == '"') {
    const std::size_t close = text.find('"', i + 1);
    if (close == std::string_view::npos) return false;
    i = close + 1;
  } else {
    while (i < text.size() && !blank(text[i])) ++i;
  }
  return MciTokenizer::tokenize(text.substr(0, i), tokens) == MCIERR_NOERROR && tokens.size() == 2;
}

}  // namespace

MciSystem::~MciSystem() { closeAll(true); }

MciSystem& MciSystem::instance() {
  // Never destroyed: at exit the MIDI output services it would close may already be gone.
  // The program stops its song before it ends, so no playback thread outlives it.
  static MciSystem* system = new MciSystem;
  return *system;
}

std::string MciSystem::key(std::string_view alias) {
  std::string k(alias);
  for (char& c : k) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return k;
}

std::size_t MciSystem::openDeviceCount() const {
  std::lock_guard lock(mutex_);
  return devices_.size();
}

void MciSystem::closeAll(bool everything) {
  std::map<std::string, std::unique_ptr<MciDevice>> devices;
  {
    std::lock_guard lock(mutex_);
    for (auto it = devices_.begin(); it != devices_.end();) {
      if (everything || !it->second->keepOnCloseAll()) {
        devices.insert(devices_.extract(it++));
      } else {
        ++it;
      }
    }
  }
  for (auto& [alias, device] : devices) device->close();
}

MCIERROR MciSystem::send(std::string_view text, std::string& reply) {
  reply.clear();
  mciClearErrorDetails();
  MciCommand command;
  command.text = std::string(text);
  if (const MCIERROR e = MciTokenizer::tokenize(text, command.tokens)) {
    // "save" takes the whole rest of the line as its path, quotes included: only the verb and
    // the device name in front of it have to parse.
    if (!tokenizeSavePrefix(text, command.tokens)) return e;
  }
  if (command.tokens.empty()) return MCIERR_MISSING_COMMAND_STRING;
  const std::string verb = command.verb();
  const bool known = mciEquals(verb, "open") || mciEquals(verb, "close") || isDeviceVerb(verb);
  if (!known) return MCIERR_UNRECOGNIZED_COMMAND;
  if (command.tokens.size() < 2) return MCIERR_MISSING_DEVICE_NAME;
  if (mciEquals(verb, "open")) return open(command);
  if (mciEquals(verb, "close")) return close(command);
  if (mciEquals(command.device(), "all")) return MCIERR_CANNOT_USE_ALL;

  // Commands run under the lock: they come from one thread, and the lock keeps a command
  // from overlapping a close of the same device.
  std::lock_guard lock(mutex_);
  auto it = devices_.find(key(command.device()));
  if (it == devices_.end()) return MCIERR_INVALID_DEVICE_NAME;
  return it->second->execute(command, reply);
}

MCIERROR MciSystem::open(const MciCommand& command) {
  MciOpenRequest request;
  std::string type;
  const MciToken& target = command.tokens[1];
  bool haveType = false, haveAlias = false;
  for (std::size_t i = 0; i < command.argCount(); ++i) {
    const MciToken& word = command.arg(i);
    if (mciEquals(word.text, "type") || mciEquals(word.text, "alias")) {
      const bool isType = mciEquals(word.text, "type");
      if (isType ? haveType : haveAlias) return MCIERR_DUPLICATE_FLAGS;
      if (i + 1 >= command.argCount()) return MCIERR_MISSING_STRING_ARGUMENT;
      (isType ? type : request.alias) = command.arg(++i).text;
      (isType ? haveType : haveAlias) = true;
    } else if (mciEquals(word.text, "shareable") || mciEquals(word.text, "wait")) {
      // Every open is shareable here and none takes long: accepted and ignored.
    } else {
      return MCIERR_UNRECOGNIZED_KEYWORD;
    }
  }

  if (!target.quoted && mciEquals(target.text, "new")) {
    if (!haveType) return MCIERR_DEVICE_TYPE_REQUIRED;
    if (!haveAlias) return MCIERR_NEW_REQUIRES_ALIAS;
    request.newElement = true;
  } else if (!haveType && !target.quoted && MciDeviceTypes::isTypeName(target.text)) {
    type = target.text;  // "open sequencer alias x": the device without an element
  } else {
    request.element = target.text;
    if (!haveType) type = std::string(MciDeviceTypes::typeForFile(request.element));
    if (type.empty()) return MCIERR_DEVICE_TYPE_REQUIRED;
  }
  if (request.alias.empty()) request.alias = request.element.empty() ? type : request.element;

  std::unique_ptr<MciDevice> device = MciDeviceTypes::create(type);
  if (!device) return MCIERR_INVALID_DEVICE_NAME;

  std::lock_guard lock(mutex_);
  const std::string k = key(request.alias);
  if (mciEquals(request.alias, "all")) return MCIERR_CANNOT_USE_ALL;
  if (devices_.count(k)) return MCIERR_DUPLICATE_ALIAS;
  if (const MCIERROR e = device->open(request)) return e;
  devices_.emplace(k, std::move(device));
  return MCIERR_NOERROR;
}

MCIERROR MciSystem::openRecord(std::string_view type, const std::string& element, std::string& alias) {
  mciClearErrorDetails();
  std::unique_ptr<MciDevice> device = MciDeviceTypes::create(type);
  if (!device) return MCIERR_INVALID_DEVICE_NAME;
  MciOpenRequest request;
  request.element = element;
  std::lock_guard lock(mutex_);
  // A blank cannot occur in a command-string alias, so these never collide with one.
  request.alias = alias = "record device " + std::to_string(nextRecordId_++);
  if (const MCIERROR e = device->open(request)) return e;
  devices_.emplace(key(request.alias), std::move(device));
  return MCIERR_NOERROR;
}

MCIERROR MciSystem::close(const MciCommand& command) {
  if (command.argCount() > 0 && !command.argIs(0, "wait")) return MCIERR_UNRECOGNIZED_KEYWORD;
  if (mciEquals(command.device(), "all")) {
    closeAll();
    return MCIERR_NOERROR;
  }
  std::unique_ptr<MciDevice> device;
  {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(key(command.device()));
    if (it == devices_.end()) return MCIERR_INVALID_DEVICE_NAME;
    device = std::move(it->second);
    devices_.erase(it);
  }
  device->close();
  return MCIERR_NOERROR;
}

MCIERROR mciSendStringA(const char* command, char* returnString, std::uint32_t returnLength,
                        std::uintptr_t callback) {
  if (returnString && returnLength > 0) returnString[0] = '\0';
  if (!command) return MCIERR_MISSING_COMMAND_STRING;
  if (callback != 0) return MCIERR_UNSUPPORTED_FUNCTION;
  std::string reply;
  const MCIERROR result = MciSystem::instance().send(command, reply);
  if (result != MCIERR_NOERROR || !returnString || returnLength == 0) return result;
  if (reply.size() + 1 > returnLength) return MCIERR_PARAM_OVERFLOW;
  std::memcpy(returnString, reply.c_str(), reply.size() + 1);
  return MCIERR_NOERROR;
}

}  // namespace tonalix::platform
