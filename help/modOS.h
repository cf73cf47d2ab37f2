// The operating system's description for the system information window.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class QLabel;

namespace tonalix::platform {
struct LinuxSystemVersion;
}

namespace tonalix::help {

// The version record the name table is decided on.
struct OsVersionRecord {
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;
  QString servicePack;
};

// The name table: the system's name for a version record, empty or "Failed" as the table says.
QString OsNameFor(const OsVersionRecord& record);
// The five lines for a version record: name, platform id, version, build, service pack.
QStringList OsDescriptionLines(const OsVersionRecord& record);
// The five lines for the running Linux system: the distribution's name, the kernel's name,
// the kernel's major and minor version, its patch level and its full release.
QStringList LinuxDescriptionLines(const platform::LinuxSystemVersion& system);

// Writes the running system's description into target (the system information window's label,
// which its load passes in) and returns the name line.
QString GetOSName(QLabel* target);

}  // namespace tonalix::help
