#include "midi/MidiState.h"

#include <gtest/gtest.h>

#include "tests/support/RecordingPort.h"

using tonalix::MidiState;
using tonalix::testing::RecordingPort;
using Messages = std::vector<std::uint32_t>;
namespace platform = tonalix::platform;

namespace {
struct LiveOutput : ::testing::Test {
  RecordingPort port;
  // The sequencer stops the state runs.
  std::vector<std::string> steps;
  MidiState midi{[this] { steps.push_back("stop"); }};
  void SetUp() override {
    midi.SelectDevice(static_cast<std::int16_t>(port.deviceId()));
    midi.OpenAtStartup();
    midi.SetKeyVelocity(127);
    midi.SetDrumVelocity(127);
    midi.StartLivePlay();
    ASSERT_NE(midi.hMidiOut(), 0u);
  }
  void TearDown() override { midi.CloseAtUnload(); }
};
}  // namespace

TEST_F(LiveOutput, NoteMessagesCarryChannelNoteAndVelocity) {
  midi.PlayNote(60);
  midi.StopNote(60);
  midi.SetKeyVelocity(0);
  midi.PlayNote(60);  // volume 0 still sends a note-on, with velocity 0
  EXPECT_EQ(port.take(), (Messages{0x007F3C90, 0x00003C80, 0x00003C90}));
}

TEST_F(LiveOutput, InstrumentSelectsBankZeroThenTheProgram) {
  midi.SetInstrument(0);
  midi.SetInstrument(127);
  EXPECT_EQ(port.take(),
            (Messages{0x000000B0, 0x000020B0, 0x000000C0, 0x000000B0, 0x000020B0, 0x00007FC0}));
}

TEST_F(LiveOutput, DrumsPlayOnThePercussionChannelWithTheirOwnVelocity) {
  midi.SetDrumSound(129);
  midi.SetDrumVelocity(100);
  midi.PlayDrum();
  EXPECT_EQ(midi.DrumNote(), 36);
  EXPECT_EQ(port.take(), (Messages{0x00642499}));
}

TEST_F(LiveOutput, ReopenStopsTheSongFirstAndHandsTheOutputBack) {
  // A song takes the output: the handle is closed while it plays.
  midi.HandOutputToSong();

  midi.PlayNote(50);  // what a path that does not check PlayMode sends is lost
  EXPECT_TRUE(port.take().empty());

  midi.ClaimForLivePlay();
  midi.ClaimForLivePlay();  // once handed back, nothing more happens
  EXPECT_EQ(steps, std::vector<std::string>{"stop"});
  EXPECT_EQ(midi.PlayMode(), MidiState::kLiveOwnsOutput);
  midi.PlayNote(50);
  EXPECT_EQ(port.take(), (Messages{0x007F3290}));
}

TEST_F(LiveOutput, UnloadStopsTheSequencerAndClosesTheOutput) {
  const auto handle = midi.hMidiOut();
  midi.CloseAtUnload();
  EXPECT_EQ(steps.size(), 1u);
  EXPECT_EQ(port.closes(), 1);
  EXPECT_EQ(platform::midiOutShortMsg(handle, 0x90), platform::MMSYSERR_INVALHANDLE);
  midi.PlayNote(60);  // sends on a closed output are silently dropped
  EXPECT_TRUE(port.messages().empty());
}

TEST(MidiState, FailedOpenIsRecordedAndLeavesTheOutputSilentButUsable) {
  MidiState midi;
  midi.SelectDevice(999);  // no such device
  midi.OpenAtStartup();
  EXPECT_EQ(midi.MidiResult(), static_cast<std::int32_t>(platform::MMSYSERR_BADDEVICEID));
  EXPECT_EQ(midi.hMidiOut(), 0u);
  midi.PlayNote(60);
  midi.CloseAtUnload();
}
