#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace tonalix {

CommandLine ParseCommandLine(const QCoreApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("A virtual piano and small MIDI studio."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption soundFont(
      QStringLiteral("soundfont"),
      QStringLiteral("Play the built-in synthesizer with this SoundFont (.sf2) instead of the "
                     "system's General MIDI one. TONALIX_SOUNDFONT names one too."),
      QStringLiteral("PATH"));
  parser.addOption(soundFont);
  const QCommandLineOption verbose(
      QStringLiteral("verbose"),
      QStringLiteral("Say on standard error what the program decides and why: the SoundFont, the "
                     "sound output and the ones that failed, MIDI ports, the synthesizer's warnings."));
  parser.addOption(verbose);
  parser.process(app);

  CommandLine line;
  line.soundFont = parser.isSet(soundFont) ? parser.value(soundFont)
                                           : qEnvironmentVariable("TONALIX_SOUNDFONT");
  line.verbose = parser.isSet(verbose);
  return line;
}

}  // namespace tonalix
