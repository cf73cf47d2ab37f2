// Playing the window from a MIDI keyboard: a real JACK source on a private dummy-driver server
// plays into the program's input port; what reaches the window's output and which keys light
// up are checked.
#include <QtTest>

#include <algorithm>
#include <functional>

#include "app/frmPiano.h"
#include "keyboard/MidiKeyboardInput.h"
#include "platform/midiout/MidiOut.h"
#include "tests/support/LoadedWindow.h"
#include "tests/support/PrivateJackServer.h"

using namespace tonalix;
using namespace tonalix::keyboard;
using Messages = std::vector<std::uint32_t>;
using Bytes = std::vector<std::uint8_t>;

namespace {
std::uint32_t msg(int status, int data1, int data2 = 0) {
  return static_cast<std::uint32_t>(status | data1 << 8 | data2 << 16);
}
Messages notesOnly(const Messages& in) {
  Messages out;
  for (std::uint32_t m : in)
    if ((m & 0xE0u) == 0x80u) out.push_back(m);
  return out;
}
}  // namespace

class MidiKeyboardInputTest : public QObject {
  Q_OBJECT

  // The window loaded while the server runs, so its input opens on it, and a source that the
  // program has connected to itself, as it does with a keyboard plugged in.
  struct Rig {
    testing::LoadedWindow loaded;
    testing::JackMidiSource source;
    Rig() {
      QVERIFY(source.ok());
      const std::string input = loaded.window.midiKeyboard().input().jackPortName();
      QVERIFY(!input.empty());
      waitUntilHeard(source, 0);
    }
    // A connection is listed before the server's graph carries it, so what a source sends in
    // its first cycles may go nowhere (a keyboard just plugged in is not played that fast).
    // Probes (the modulation wheel at rest, numbered by value) go out until one is heard;
    // then the last one sent is awaited, since from there on every message arrives in order,
    // and all are taken away.
    void waitUntilHeard(testing::JackMidiSource& from, int channel) {
      const std::string input = loaded.window.midiKeyboard().input().jackPortName();
      QTRY_VERIFY_WITH_TIMEOUT(from.connectedToClientOf(input), 30000);
      QDeadlineTimer deadline(30000);
      for (int probe = 0; probe < 128 && !deadline.hasExpired(); ++probe) {
        from.send({Bytes::value_type(0xB0 | channel), 1, Bytes::value_type(probe)});
        QVERIFY(from.flush());
        QDeadlineTimer heard(std::min<qint64>(2000, deadline.remainingTime()));
        while (loaded.port.messages().empty() && !heard.hasExpired()) QTest::qWait(5);
        if (loaded.port.messages().empty()) continue;
        const std::uint32_t last = msg(0xB0 | channel, 1, probe);
        QTRY_VERIFY_WITH_TIMEOUT(loaded.port.messages().back() == last, 30000);
        loaded.port.take();
        return;
      }
      QFAIL("the source's messages never reached the output");
    }
    MidiKeyboardInput& input() { return loaded.window.midiKeyboard(); }
    // Sends the packets and waits (never a fixed time: the JACK cycle, the forwarding thread
    // and the hand-off to this thread may take long on a busy machine) until what reached the
    // output satisfies `arrived`, then takes it. Returns what did arrive, whole, on a timeout.
    Messages play(std::initializer_list<Bytes> packets,
                  const std::function<bool(const Messages&)>& arrived) {
      for (const Bytes& p : packets) source.send(p);
      [&] { QVERIFY(source.flush()); }();
      QDeadlineTimer deadline(30000);
      while (!arrived(loaded.port.messages()) && !deadline.hasExpired()) QTest::qWait(5);
      QCoreApplication::processEvents();
      return loaded.port.take();
    }
    // Waits until `count` messages have arrived.
    Messages play(std::initializer_list<Bytes> packets, std::size_t count) {
      return play(packets, [count](const Messages& m) { return m.size() >= count; });
    }
    Messages play(std::initializer_list<Bytes> packets, const Messages& expected) {
      return play(packets, expected.size());
    }
  };

  std::unique_ptr<testing::PrivateJackServer> server_;
  const int base_ = 50;  // the note of key 0 after start-up

 private slots:
  void initTestCase() {
#ifdef __SANITIZE_THREAD__
    // The JACK client library starts and ends real-time threads inside itself, uninstrumented;
    // ThreadSanitizer stops the process at their end. The other builds run this path.
    QSKIP("JACK's own threads cannot run under ThreadSanitizer");
#endif
    server_ = std::make_unique<testing::PrivateJackServer>();
    if (!server_->running()) QSKIP(("no JACK server for the test: " + server_->whyNot()).c_str());
  }
  void cleanupTestCase() { server_.reset(); }

  void playedMessagesReachTheOutputAndLightTheKeys() {
    Rig rig;
    const int key = 5, note = base_ + key;
    // Every kind a keyboard plays goes out unchanged on its own channel; a note outside the
    // keys still sounds.
    const Messages every{msg(0x90, note, 100), msg(0xB3, 64, 127), msg(0xE3, 0, 64),
                         msg(0xC3, 12),         msg(0xD3, 40),     msg(0x93, 20, 90)};
    QCOMPARE(rig.play({{0x90, Bytes::value_type(note), 100}, {0xB3, 64, 127}, {0xE3, 0, 64},
                       {0xC3, 12}, {0xD3, 40}, {0x93, 20, 90}},
                      every),
             every);
    QTRY_VERIFY_WITH_TIMEOUT(rig.input().IsKeyLit(key), 30000);
    QVERIFY(!rig.input().IsKeyLit(key + 1));
    // A note on with velocity 0 is a note off: it goes out as sent and the key comes up.
    QCOMPARE(rig.play({{0x90, Bytes::value_type(note), 0}}, 1), (Messages{msg(0x90, note, 0)}));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.input().IsKeyLit(key), 30000);

    // Running status split across packets, a real-time byte inside a message, stray data
    // bytes and a SysEx split across packets: only the whole notes come out.
    Bytes longSysEx(5000, 0x41);
    // Neither the SysEx body nor the bytes after its end may be taken for notes of channel 1:
    // the note-offs that follow, in order, show that nothing else came out between.
    QCOMPARE(rig.play({{0x91, 60}, {100, 62}, {0xF8, 100}, {0x40}, {0xF0, 0x7E}, longSysEx,
                       {0x45, 0x45}, {0xF7}, {0x46, 0x46}, {0x81, 60, 0}, {0x81, 62, 0}, {0x83, 20, 0}},
                      5),
             (Messages{msg(0x91, 60, 100), msg(0x91, 62, 100), msg(0x81, 60), msg(0x81, 62),
                       msg(0x83, 20)}));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.input().IsKeyLit(60 - base_), 30000);

    // Keys held at once stay down while one of them is released.
    rig.play({{0x90, Bytes::value_type(base_), 90}, {0x90, Bytes::value_type(base_ + 4), 90}}, 2);
    rig.play({{0x80, Bytes::value_type(base_), 0}}, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.input().IsKeyLit(0), 30000);
    QVERIFY(rig.input().IsKeyLit(4));
  }

  void aVanishedSourceReleasesItsPedalsThenItsNotes() {
    Rig rig;
    // A second keyboard holds a key on channel 3 throughout: the first one going must not
    // release it.
    testing::JackMidiSource other("second keyboard");
    QVERIFY(other.ok());
    rig.waitUntilHeard(other, 3);
    other.send({0x93, Bytes::value_type(base_ + 6), 80});
    QVERIFY(other.flush());
    QTRY_COMPARE_WITH_TIMEOUT(rig.loaded.port.messages(), (Messages{msg(0x93, base_ + 6, 80)}), 30000);
    rig.loaded.port.take();
    // Channel 0 holds its note by the sustain pedal alone (the key is up); channel 2 by the key.
    rig.play({{0x90, Bytes::value_type(base_ + 1), 90}, {0xB0, 64, 127}, {0x80, Bytes::value_type(base_ + 1), 0},
              {0x92, Bytes::value_type(base_ + 2), 90}},
             4);
    QTRY_VERIFY_WITH_TIMEOUT(rig.input().IsKeyLit(2), 30000);
    rig.source.close();
    QTRY_COMPARE_WITH_TIMEOUT(rig.loaded.port.messages(),
                              (Messages{msg(0xB0, 64), msg(0xB0, 66), msg(0xB0, 67), msg(0xB2, 64),
                                        msg(0xB2, 66), msg(0xB2, 67), msg(0x82, base_ + 2)}),
                              30000);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.input().IsKeyLit(2), 30000);
    QVERIFY(rig.input().IsKeyLit(6));
    // Its own release still goes out when it is unplugged in turn.
    rig.loaded.port.take();
    other.close();
    QTRY_COMPARE_WITH_TIMEOUT(rig.loaded.port.messages(),
                              (Messages{msg(0xB3, 64), msg(0xB3, 66), msg(0xB3, 67), msg(0x83, base_ + 6)}),
                              30000);
  }

  void aLostSourceReleasesOnlyWhatItHeld() {
    // Two keyboards on ALSA: one is unplugged while both hold a note.
    testing::LoadedWindow loaded;
    MidiKeyboardInput& input = loaded.window.midiKeyboard();
    const auto first = platform::alsaSource(24, 0), second = platform::alsaSource(28, 0);
    input.Receive(msg(0x90, base_, 90), first);
    input.Receive(msg(0x91, base_ + 2, 90), second);
    loaded.port.take();
    input.ReleaseSource(first);
    QCOMPARE(loaded.port.take(), (Messages{msg(0xB0, 64), msg(0xB0, 66), msg(0xB0, 67), msg(0x80, base_)}));
    QTRY_VERIFY(!input.IsKeyLit(0) && input.IsKeyLit(2));
  }

  void aFullBacklogStillPassesEveryRelease() {
    // While a song holds the output the input's messages wait for this thread; it is busy here
    // for as long as a flood takes, as a stalled window would be.
    testing::LoadedWindow loaded;
    loaded.letASongTakeTheOutput();
    MidiKeyboardInput& input = loaded.window.midiKeyboard();
    input.Receive(msg(0x90, base_, 90));
    for (int i = 0; i < 6000; ++i) input.Receive(msg(0xB0, 1, i % 128));
    input.Receive(msg(0x80, base_));
    input.Receive(msg(0xB0, 64, 0));
    input.Receive(msg(0xB0, 1, 5));
    QVERIFY(input.DroppedMessages() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.port.messages().empty() && loaded.port.messages().back() == msg(0xB0, 64, 0), 30000);
    const Messages out = loaded.port.take();
    // The note took the output back (the window sends the instrument again first).
    QVERIFY(std::find(out.begin(), out.end(), msg(0x90, base_, 90)) != out.end());
    QCOMPARE(out[out.size() - 2], msg(0x80, base_));
  }

  void aNoteTakesTheOutputBackFromASong() {
    Rig rig;
    rig.loaded.letASongTakeTheOutput();
    // What is played while the song holds the output has nowhere to go; a note ends the song.
    // The input keeps its order, so the controller would have come out before the note.
    const Messages taken = rig.play({{0xB0, 1, 30}, {0x90, Bytes::value_type(base_ + 3), 80}},
                                    [](const Messages& m) { return !notesOnly(m).empty(); });
    QCOMPARE(notesOnly(taken), (Messages{msg(0x90, base_ + 3, 80)}));
    QVERIFY(std::find(taken.begin(), taken.end(), msg(0xB0, 1, 30)) == taken.end());
    QCOMPARE(rig.loaded.songStops, 1);
    QCOMPARE(rig.loaded.window.midi().PlayMode(), MidiState::kLiveOwnsOutput);
    // From now on the input sends again from its own thread.
    QCOMPARE(rig.play({{0x80, Bytes::value_type(base_ + 3), 0}}, 1), (Messages{msg(0x80, base_ + 3)}));
  }

  void ourOwnInputIsNeverAnOutputDevice() {
    Rig rig;
    // Sending there would feed every note straight back in.
    platform::midiOutRescanDevices();
    const auto count = platform::midiOutGetNumDevs();
    for (std::uint32_t id = 0; id < count; ++id) {
      platform::MIDIOUTCAPSA caps;
      QCOMPARE(platform::midiOutGetDevCapsA(id, &caps, sizeof caps), platform::MMSYSERR_NOERROR);
      QVERIFY2(!platform::isOwnMidiInputPort(caps.szPname), caps.szPname);
    }
    QVERIFY(platform::isOwnMidiInputPort("Tonalix STUDIO:Input"));
    QVERIFY(platform::isOwnMidiInputPort("Tonalix STUDIO-01:Input"));
    QVERIFY(platform::isOwnMidiInputPort("Tonalix STUDIO:Input 128:0"));
    QVERIFY(platform::isOwnMidiInputPort("Tonalix STUDIO:Input-12"));
    QVERIFY(!platform::isOwnMidiInputPort("Tonalix STUDIO:Input-"));
    QVERIFY(!platform::isOwnMidiInputPort("Tonalix STUDIO output"));
    QVERIFY(!platform::isOwnMidiInputPort("test keyboard:midi_out"));
  }
};

QTEST_MAIN(MidiKeyboardInputTest)
#include "MidiKeyboardInputTest.moc"
