// The key labels, the strip names and each key's accessible description name the keys as the
// user's own layout prints them, on a real X server (Xvfb) whose layout is switched with
// setxkbmap as a user switches it. Skipped where Xvfb or setxkbmap is missing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAccessible>
#include <QtTest>
#include <cstdlib>
#include <string>

#include "keyboard/KeyBindings.h"
#include "keyboard/KeyGeometry.h"
#include "keyboard/KeyLabels.h"
#include "keyboard/PianoKeyboard.h"
#include "tests/support/LoadedWindow.h"
#include "widgets/zqButtons_H.h"

using namespace tonalix;
using namespace tonalix::keyboard;

namespace {
pid_t xserver = -1;
std::string display;

// Starts Xvfb on a display it picks itself; the number comes back through a pipe.
bool startXServer() {
  if (std::system("command -v Xvfb >/dev/null && command -v setxkbmap >/dev/null") != 0) return false;
  int fds[2];
  if (pipe(fds) != 0) return false;
  xserver = fork();
  if (xserver == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char buf[16] = {};
  const ssize_t n = read(fds[0], buf, sizeof buf - 1);  // blocks until the server is ready
  close(fds[0]);
  if (n <= 0) return false;
  display = ":" + std::string(buf, static_cast<std::size_t>(n));
  while (!display.empty() && display.back() == '\n') display.pop_back();
  return true;
}

bool setLayout(const char* layout) {
  return std::system(("setxkbmap -display " + display + " " + layout).c_str()) == 0;
}
}  // namespace

class KeyLayoutLabelsTest : public QObject {
  Q_OBJECT

  static QString description(QWidget* key) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(key);
    return a ? a->text(QAccessible::Description) : QString();
  }

 private slots:
  void labelsFollowTheLayoutTheUserSwitchesTo() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("no X server with setxkbmap here");
    QVERIFY(setLayout("us"));
    testing::LoadedWindow rig(true);
    KeyLabels& labels = rig.window.keyLabels();
    PianoKeyboard& piano = rig.window.piano();
    const auto key = [&](int i) { return piano.chkPiano(i); };
    QTest::mouseClick(labels.cmdKeyVisible(), Qt::LeftButton);

    // French (AZERTY): the key that plays key 0 prints A; digits are typed shifted, so the
    // strips show the plain characters; dead keys show their accent.
    QVERIFY(setLayout("fr"));
    QTRY_COMPARE(description(key(0)), QString("Piano key, computer key A"));
    QCOMPARE(key(0)->caption(), QString(29, ' ') + "A");
    QCOMPARE(description(key(21)), QString("Piano key, computer key Q"));
    QCOMPARE(description(key(36)), QString("Piano key, computer key M"));
    QCOMPARE(description(key(40)), QString("Piano key, computer key W"));
    QCOMPARE(description(key(17)), QString("Piano key, computer key \u00A8"));
    QCOMPARE(description(key(32)), QString("Piano key, computer key F1"));
    QCOMPARE(labels.lblKey1()->names().mid(0, 3), (QStringList{"&", "\u00E9", "\""}));
    QCOMPARE(labels.lblKey1()->caption().size(), 199);

    // German (QWERTZ): Y and Z change places, the umlauts stand right of P and L.
    QVERIFY(setLayout("de"));
    QTRY_COMPARE(description(key(9)), QString("Piano key, computer key Z"));
    QCOMPARE(key(40)->caption(), QString(31, ' ') + "Y");
    QCOMPARE(key(17)->caption(), QString(31, ' ') + "\u00DC");
    QCOMPARE(key(36)->caption(), QString(31, ' ') + "\u00D6");
    QCOMPARE(key(38)->caption(), QString(30, ' ') + "\u00C4");

    // Back on US every label is the binding table's again, character for character.
    QVERIFY(setLayout("us"));
    QTRY_COMPARE(description(key(9)), QString("Piano key, computer key Y"));
    for (int i = 0; i < kKeyCount; ++i) {
      QCOMPARE(labels.keyNames()[i], QString::fromLatin1(keyBindings()[static_cast<std::size_t>(i)].name));
      QCOMPARE(key(i)->caption(), keyLabelCaption(i));
    }
    QCOMPARE(labels.lblKey1()->caption(), QString::fromLatin1(kStripLabel1));
    QCOMPARE(labels.lblKey2()->caption(), QString::fromLatin1(kStripLabel2));
  }
};

// The server is used only once it answers; a server that did not come up (beside other tests
// starting theirs) is ended and another one started.
void stopXServer() {
  if (xserver > 0) {
    kill(xserver, SIGTERM);
    waitpid(xserver, nullptr, 0);
  }
  xserver = -1;
}
bool startAnsweringXServer() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (startXServer() &&
        std::system(("setxkbmap -display " + display + " -query >/dev/null 2>&1").c_str()) == 0)
      return true;
    stopXServer();
  }
  return false;
}

int main(int argc, char** argv) {
  if (startAnsweringXServer()) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  int status;
  {
    QApplication app(argc, argv);
    KeyLayoutLabelsTest test;
    status = QTest::qExec(&test, argc, argv);
  }
  stopXServer();
  return status;
}

#include "KeyLayoutLabelsTest.moc"
