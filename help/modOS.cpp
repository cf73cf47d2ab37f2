#include "help/modOS.h"

#include <QLabel>

#include "platform/system/OsVersion.h"

namespace tonalix::help {
namespace {

const QString kLineBreak = QStringLiteral("\r\n");

}  // namespace

QString OsNameFor(const OsVersionRecord& r) {
  if (r.platformId == 1) {
    // The high half of the build field repeats the major and minor version.
    const std::uint32_t build = r.buildNumber & 0xFFFF;
    switch (r.minorVersion) {
      case 0: return QStringLiteral("Microsoft Windows 95");
      case 10:
        return build < 2183 ? QStringLiteral("Microsoft Windows 98")
                            : QStringLiteral("Microsoft Windows 98 Second Edition");
      case 90: return QStringLiteral("Microsoft Windows Mellinnium Edition");
      default: return {};
    }
  }
  if (r.platformId == 2) {
    if (r.majorVersion == 3) return QStringLiteral("Microsoft Windows NT 3.51");
    if (r.majorVersion == 4) return QStringLiteral("Microsoft Windows NT 4.0");
    if (r.majorVersion == 5) {
      if (r.minorVersion == 0) return QStringLiteral("Microsoft Windows 2000");
      if (r.minorVersion == 1) return QStringLiteral("Microsoft Windows XP");
      return QStringLiteral("Microsoft Windows Sever 2003");
    }
    return {};
  }
  return QStringLiteral("Failed");
}

QStringList OsDescriptionLines(const OsVersionRecord& r) {
  return {OsNameFor(r), QStringLiteral("Plat form ID: ") + QString::number(r.platformId),
          QStringLiteral("Version: ") + QString::number(r.majorVersion) + QLatin1Char('.') +
              QString::number(r.minorVersion) + QLatin1Char('.'),
          QStringLiteral("Build: ") + QString::number(r.buildNumber), r.servicePack};
}

QStringList LinuxDescriptionLines(const platform::LinuxSystemVersion& s) {
  const QString name = s.prettyName.empty() ? QString::fromStdString(s.kernelName) : QString::fromStdString(s.prettyName);
  return {name, QStringLiteral("Plat form ID: ") + QString::fromStdString(s.kernelName),
          QStringLiteral("Version: ") + QString::number(s.major) + QLatin1Char('.') + QString::number(s.minor) +
              QLatin1Char('.'),
          QStringLiteral("Build: ") + QString::number(s.patch), QString::fromStdString(s.kernelRelease)};
}

QString GetOSName(QLabel* target) {
  const QStringList lines = LinuxDescriptionLines(platform::QueryLinuxSystemVersion());
  if (target) target->setText(lines.join(kLineBreak));
  return lines.first();
}

}  // namespace tonalix::help
