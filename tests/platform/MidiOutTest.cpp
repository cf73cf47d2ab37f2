#include "platform/midiout/MidiOut.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "tests/platform/AudioTestSupport.h"

namespace tonalix::platform {
namespace {

constexpr int kRate = 48000;

class MidiOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine.start(test::offlineConfig()));
    setBuiltInSynth(&engine);
  }
  void TearDown() override { setBuiltInSynth(nullptr); }

  std::vector<float> render(int frames) {
    std::vector<float> stereo(2 * static_cast<std::size_t>(frames));
    engine.renderOffline(stereo.data(), frames);
    return test::leftChannel(stereo);
  }

  AudioEngine engine;
};

TEST_F(MidiOutTest, NotesSentToDeviceZeroSoundAtTheirPitch) {
  HMIDIOUT h = 0;
  ASSERT_EQ(midiOutOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
  ASSERT_NE(h, 0u);
  for (auto [note, hz] : {std::pair{69u, 440.0}, std::pair{57u, 220.0}}) {
    EXPECT_EQ(midiOutShortMsg(h, 0x7F0090u | (note << 8)), MMSYSERR_NOERROR);
    auto out = render(kRate / 2);
    EXPECT_NEAR(test::pitchOf({out.begin() + kRate / 10, out.end()}, kRate), hz, 3.0);
    midiOutShortMsg(h, 0x80u | (note << 8));
    render(kRate * 2);
  }
  EXPECT_EQ(midiOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(MidiOutTest, DeviceZeroIsTheSynthesizerAndBadIdsAreRefused) {
  EXPECT_GE(midiOutGetNumDevs(), 1u);
  MIDIOUTCAPSA caps;
  std::memset(static_cast<void*>(&caps), 'x', sizeof caps);
  ASSERT_EQ(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Tonalix Synthesizer");
  EXPECT_EQ(caps.szPname[MAXPNAMELEN - 1], '\0');

  MIDIOUTCAPSA untouched;
  std::strcpy(untouched.szPname, "before");
  EXPECT_EQ(midiOutGetDevCapsA(midiOutGetNumDevs(), &untouched, sizeof untouched), MMSYSERR_BADDEVICEID);
  EXPECT_STREQ(untouched.szPname, "before");
  EXPECT_EQ(midiOutGetDevCapsA(0, nullptr, sizeof caps), MMSYSERR_INVALPARAM);

  // Every listed device has a terminated name.
  for (std::uint32_t id = 0; id < midiOutGetNumDevs(); ++id) {
    MIDIOUTCAPSA c;
    std::memset(static_cast<void*>(&c), 'x', sizeof c);
    ASSERT_EQ(midiOutGetDevCapsA(id, &c, sizeof c), MMSYSERR_NOERROR);
    EXPECT_NE(std::memchr(c.szPname, 0, MAXPNAMELEN), nullptr);
  }
}

TEST_F(MidiOutTest, MapperOpensTheSynthesizer) {
  HMIDIOUT h = 0;
  ASSERT_EQ(midiOutOpen(&h, MIDI_MAPPER, 0, 0, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutSynthEngine(h), &engine);
  EXPECT_EQ(midiOutShortMsg(h, 0x7F4590), MMSYSERR_NOERROR);
  EXPECT_GT(test::peakOf(render(kRate / 4)), 0.05f);
  EXPECT_EQ(midiOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(MidiOutTest, ClosedStaleAndForgedHandlesAreRefused) {
  EXPECT_EQ(midiOutClose(0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutShortMsg(0, 0x7F3C90), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutShortMsg(0xDEADBEEF, 0x7F3C90), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutSynthEngine(0xDEADBEEF), nullptr);

  HMIDIOUT first = 0;
  ASSERT_EQ(midiOutOpen(&first, 0, 0, 0, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(midiOutClose(first), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(first), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutShortMsg(first, 0x7F3C90), MMSYSERR_INVALHANDLE);

  // The next open may reuse the slot; the old handle must still not reach it.
  HMIDIOUT second = 0;
  ASSERT_EQ(midiOutOpen(&second, 0, 0, 0, 0), MMSYSERR_NOERROR);
  EXPECT_NE(second, first);
  EXPECT_EQ(midiOutShortMsg(first, 0x7F3C90), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutClose(first), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutShortMsg(second, 0x7F3C90), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(second), MMSYSERR_NOERROR);
  render(256);
}

TEST_F(MidiOutTest, OpenRefusesBadArgumentsAndAMissingSynthesizer) {
  HMIDIOUT h = 123;
  EXPECT_EQ(midiOutOpen(nullptr, 0, 0, 0, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(midiOutOpen(&h, 4000, 0, 0, 0), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(midiOutOpen(&h, 0, 0x1234, 0, 0x00030000u /* function callback */), MMSYSERR_INVALPARAM);
  setBuiltInSynth(nullptr);
  EXPECT_EQ(midiOutOpen(&h, 0, 0, 0, 0), MMSYSERR_NODRIVER);
  EXPECT_EQ(h, 0u);
}

TEST_F(MidiOutTest, ClosingAHandleStopsOnlyTheNotesItStarted) {
  HMIDIOUT a = 0, b = 0;
  ASSERT_EQ(midiOutOpen(&a, 0, 0, 0, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(midiOutOpen(&b, 0, 0, 0, 0), MMSYSERR_NOERROR);
  midiOutShortMsg(a, 0x7F40B0);  // sustain on a's channel: the close must release it too
  midiOutShortMsg(a, 0x7F3C90);
  render(kRate / 4);
  ASSERT_EQ(midiOutClose(a), MMSYSERR_NOERROR);
  render(kRate * 6);
  EXPECT_EQ(test::peakOf(render(kRate / 4)), 0.0f);  // a's note ended, tail gone

  midiOutShortMsg(b, 0x7F3C91);  // b's note on channel 1 keeps sounding after a closes
  HMIDIOUT c = 0;
  ASSERT_EQ(midiOutOpen(&c, 0, 0, 0, 0), MMSYSERR_NOERROR);
  render(kRate / 4);
  midiOutClose(c);
  auto out = render(kRate / 2);
  EXPECT_GT(test::peakOf({out.begin() + kRate / 4, out.end()}), 0.01f);
  midiOutClose(b);
}

TEST_F(MidiOutTest, ReplacingTheEngineInvalidatesItsHandles) {
  HMIDIOUT h = 0;
  ASSERT_EQ(midiOutOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
  AudioEngine other;
  setBuiltInSynth(&other);
  EXPECT_EQ(midiOutShortMsg(h, 0x7F3C90), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutSynthEngine(h), nullptr);
}

// The UI thread and the song sequencer's thread use the table at the same time.
TEST_F(MidiOutTest, TwoThreadsOpenSendAndCloseSafely) {
  std::atomic<int> failures{0};
  auto worker = [&failures] {
    for (int i = 0; i < 2000; ++i) {
      HMIDIOUT h = 0;
      if (midiOutOpen(&h, 0, 0, 0, 0) != MMSYSERR_NOERROR) {
        ++failures;
        continue;
      }
      midiOutShortMsg(h, 0x403C90);
      midiOutShortMsg(h, 0x003C80);
      if (midiOutClose(h) != MMSYSERR_NOERROR) ++failures;
      if (midiOutShortMsg(h, 0x403C90) != MMSYSERR_INVALHANDLE) ++failures;
    }
  };
  std::atomic<bool> done{false};
  std::thread audio([&] {
    while (!done) render(64);
  });
  std::thread a(worker), b(worker);
  a.join();
  b.join();
  done = true;
  audio.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace tonalix::platform
