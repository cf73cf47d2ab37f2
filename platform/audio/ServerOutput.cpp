#include "platform/audio/ServerOutput.h"

#include <fluidsynth.h>

#include <cstring>

#include "platform/system/SoundEnvironment.h"
#include "platform/system/SoundLibraryMessages.h"

namespace tonalix::platform {
namespace {

class ServerOutput final : public AudioOutput {
 public:
  ServerOutput(std::string driver, RenderSource& source) : driver_(std::move(driver)), source_(source) {}
  ~ServerOutput() override {
    if (audio_) delete_fluid_audio_driver(audio_);
    if (settings_) delete_fluid_settings(settings_);
  }

  bool open(int sampleRate, int periodFrames) {
    settings_ = new_fluid_settings();
    if (!settings_) return false;
    fluid_settings_setstr(settings_, "audio.driver", driver_.c_str());
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    fluid_settings_setint(settings_, "audio.period-size", periodFrames);
    fluid_settings_setint(settings_, "audio.periods", 2);
    fluid_settings_setstr(settings_, "audio.sample-format", "float");
    if (driver_ == "jack") {
      // Asked first: the driver itself may try to launch a server and stall for seconds.
      if (!JackServerRuns()) return false;
      fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);
      fluid_settings_setstr(settings_, "audio.jack.id", "Tonalix");
    }
    audio_ = new_fluid_audio_driver2(settings_, &ServerOutput::callback, this);
    return audio_ != nullptr;
  }

  std::string name() const override { return driver_; }

 private:
  // The driver hands us separate left/right buffers. Drivers other than JACK pass no effect
  // buffers, so the engine mixes reverb and chorus into the dry buffers itself.
  static int callback(void* data, int len, int /*nfx*/, float* /*fx*/[], int nout, float* out[]) {
    auto* self = static_cast<ServerOutput*>(data);
    if (nout < 2 || !out[0] || !out[1]) {
      for (int i = 0; i < nout; ++i)
        if (out[i]) std::memset(out[i], 0, sizeof(float) * static_cast<std::size_t>(len));
      return FLUID_OK;
    }
    self->source_.render(out[0], out[1], len);
    for (int i = 2; i < nout; ++i)
      if (out[i]) std::memset(out[i], 0, sizeof(float) * static_cast<std::size_t>(len));
    return FLUID_OK;
  }

  std::string driver_;
  RenderSource& source_;
  fluid_settings_t* settings_ = nullptr;
  fluid_audio_driver_t* audio_ = nullptr;
};

}  // namespace

std::unique_ptr<AudioOutput> openServerOutput(const std::string& driver, int sampleRate,
                                              int periodFrames, RenderSource& source) {
  silenceSoundLibraryMessages();
  auto output = std::make_unique<ServerOutput>(driver, source);
  if (!output->open(sampleRate, periodFrames)) return nullptr;
  return output;
}

}  // namespace tonalix::platform
