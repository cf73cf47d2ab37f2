// The program's command line: a chosen SoundFont (--soundfont PATH, or the environment variable
// TONALIX_SOUNDFONT), --verbose, --help and --version.
#pragma once

#include <QString>

class QCoreApplication;

namespace tonalix {

struct CommandLine {
  QString soundFont;  // empty: the system's General MIDI SoundFont
  bool verbose = false;  // say on standard error what the engine decided and why
};

// Reads the application's arguments. --help, --version and a wrong option print their text
// and end the process, as command-line programs do.
CommandLine ParseCommandLine(const QCoreApplication& app);

}  // namespace tonalix
