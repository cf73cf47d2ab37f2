#include "keyboard/LayoutKeyNames.h"

#include <QRegularExpression>

#include "keyboard/KeyBindings.h"
#include "keyboard/KeyEventCode.h"
#include "keyboard/KeyGeometry.h"

namespace tonalix::keyboard {

namespace {
// The typing block of the keyboard (digit row to the slash key): the keys a layout relabels.
bool layoutDependent(std::uint32_t evdev) {
  return (evdev >= 2 && evdev <= 13) || (evdev >= 16 && evdev <= 27) || (evdev >= 30 && evdev <= 41) ||
         (evdev >= 43 && evdev <= 53);
}

// What a US keyboard types at the level the name shows. The quote key's name draws its shifted
// '"' as two apostrophes; every other name is its character.
char32_t usCharacterOf(int index) {
  const KeyBinding& b = keyBindings()[static_cast<std::size_t>(index)];
  return index == 38 ? U'"' : static_cast<char32_t>(static_cast<unsigned char>(b.name[0]));
}

bool printable(char32_t c) {
  if (c == 0 || c > 0x10FFFF) return false;
  const QString s = QString::fromUcs4(&c, 1);
  return !s.isEmpty() && s.at(0).isPrint() && !s.at(0).isSpace();
}
}  // namespace

std::uint32_t evdevCodeOfKey(int index) {
  static const std::array<std::uint32_t, 65> codes = [] {
    std::array<std::uint32_t, 65> byKey{};
    for (std::uint32_t evdev = 1; evdev < 128; ++evdev) {
      const int key = boundKeyForCode(codeFromEvdev(evdev));
      if (key >= 0 && byKey[static_cast<std::size_t>(key)] == 0) byKey[static_cast<std::size_t>(key)] = evdev;
    }
    return byKey;
  }();
  return index >= 0 && index < kKeyCount ? codes[static_cast<std::size_t>(index)] : 0;
}

QString layoutKeyName(int index, KeyCharacters chars) {
  if (index < 0 || index >= kKeyCount) return {};
  const QString tableName = QLatin1String(keyBindings()[static_cast<std::size_t>(index)].name);
  if (!layoutDependent(evdevCodeOfKey(index))) return tableName;
  // A letter key (shift gives the capital) is printed as the capital, as keycaps show it; a
  // lower-case letter on the digit row (é on AZERTY) is printed as it is.
  if (printable(chars.plain) && printable(chars.shifted)) {
    const QString plain = QString::fromUcs4(&chars.plain, 1);
    const QString shifted = QString::fromUcs4(&chars.shifted, 1);
    if (plain.at(0).isLetter() && shifted != plain && shifted == plain.toUpper()) return shifted;
  }
  const char32_t shown = isBlackKey(index) ? chars.plain : chars.shifted;
  if (!printable(shown) || shown == usCharacterOf(index)) return tableName;
  return QString::fromUcs4(&shown, 1);
}

QStringList layoutKeyNames(const std::array<KeyCharacters, 65>& chars) {
  QStringList names;
  for (int i = 0; i < kKeyCount; ++i) names << layoutKeyName(i, chars[static_cast<std::size_t>(i)]);
  return names;
}

QString stripCaptionWithNames(const QString& caption, const QStringList& names, qsizetype first) {
  static const QRegularExpression word(QStringLiteral("\\S+"));
  QList<QRegularExpressionMatch> words;
  for (auto it = word.globalMatch(caption); it.hasNext();) words << it.next();
  QString out = caption;
  // From the last name back, so the columns of the names before stay where they were.
  for (qsizetype w = words.size() - 1; w >= 0; --w) {
    if (first + w >= names.size()) continue;
    out.replace(words[w].capturedStart(), words[w].capturedLength(), names[first + w]);
  }
  return out;
}

}  // namespace tonalix::keyboard
