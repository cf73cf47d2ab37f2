#include "keyboard/KeyBindings.h"

#include "keyboard/KeyGeometry.h"
#include "widgets/VirtualKeyCode.h"

namespace tonalix::keyboard {

namespace {
using namespace widgets;

// Black keys carry no blanks: their names are placed by the strip labels.
constexpr std::array<KeyBinding, 65> kBindings{{
    {0, 'Q', 29, "Q"}, {1, '1', 0, "1"}, {2, 'W', 29, "W"},
    {3, '2', 0, "2"}, {4, 'E', 29, "E"}, {5, 'R', 29, "R"},
    {6, '3', 0, "3"}, {7, 'T', 29, "T"}, {8, '4', 0, "4"},
    {9, 'Y', 29, "Y"}, {10, '5', 0, "5"}, {11, 'U', 28, "U"},
    {12, 'I', 31, "I"}, {13, '6', 0, "6"}, {14, 'O', 28, "O"},
    {15, '7', 0, "7"}, {16, 'P', 31, "P"}, {17, VkOemOpenBracket, 31, "{"},
    {18, '8', 0, "8"}, {19, VkOemCloseBracket, 31, "}"}, {20, '9', 0, "9"},
    {21, 'A', 28, "A"}, {22, '0', 0, "0"}, {23, 'S', 31, "S"},
    {24, 'D', 28, "D"}, {25, VkOemMinus, 0, "-"}, {26, 'F', 31, "F"},
    {27, VkOemPlus, 0, "="}, {28, 'G', 28, "G"}, {29, 'H', 31, "H"},
    {30, VkOemBackslash, 0, "\\"}, {31, 'J', 31, "J"}, {32, VkF1, 0, "F1"},
    {33, 'K', 31, "K"}, {34, VkF2, 0, "F2"}, {35, 'L', 31, "L"},
    {36, VkOemSemicolon, 31, ":"}, {37, VkF3, 0, "F3"}, {38, VkOemQuote, 30, "''"},
    {39, VkF4, 0, "F4"}, {40, 'Z', 31, "Z"}, {41, 'X', 28, "X"},
    {42, VkF5, 0, "F5"}, {43, 'C', 28, "C"}, {44, VkF6, 0, "F6"},
    {45, 'V', 28, "V"}, {46, VkF7, 0, "F7"}, {47, 'B', 28, "B"},
    {48, 'N', 28, "N"}, {49, VkF8, 0, "F8"}, {50, 'M', 28, "M"},
    {51, VkF9, 0, "F9"}, {52, VkOemComma, 30, "<"}, {53, VkOemPeriod, 30, ">"},
    {54, VkF10, 0, "F10"}, {55, VkOemSlash, 30, "?"}, {56, VkF11, 0, "F11"},
    {57, VkDivide, 30, "/"}, {58, VkF12, 0, "F12"}, {59, VkMultiply, 30, "*"},
    {60, VkSubtract, 30, "-"}, {61, VkInsert, 0, "Ins"}, {62, VkAdd, 30, "+"},
    {63, VkDelete, 0, "Del"}, {64, VkReturn, 29, "<-"},
}};

// Virtual-key codes run from 1 to 254; a flat table answers each lookup at once.
constexpr std::array<signed char, 256> makeCodeTable() {
  std::array<signed char, 256> table{};
  for (auto& entry : table) entry = -1;
  for (const KeyBinding& b : kBindings) table[static_cast<std::size_t>(b.code)] = static_cast<signed char>(b.index);
  return table;
}
constexpr std::array<signed char, 256> kCodeTable = makeCodeTable();
}  // namespace

const char* const kStripLabel1 =
    "        1         2               3        4       5                6        7  "
    "             8         9       0                -        =                \\     "
    "   F1      F2             F3     F4    ";
const char* const kStripLabel2 =
    "        F5     F6      F7             F8     F9            F10     F11    F12   "
    "         Ins    Del";

const std::array<KeyBinding, 65>& keyBindings() { return kBindings; }

int boundKeyForCode(int code) {
  if (code < 0 || code >= static_cast<int>(kCodeTable.size())) return -1;
  return kCodeTable[static_cast<std::size_t>(code)];
}

QString keyLabelCaption(int index) {
  if (index < 0 || index >= kKeyCount) return {};
  return keyLabelCaption(index, QLatin1String(kBindings[static_cast<std::size_t>(index)].name));
}

QString keyLabelCaption(int index, const QString& name) {
  if (index < 0 || index >= kKeyCount || isBlackKey(index)) return {};
  return QString(kBindings[static_cast<std::size_t>(index)].leadingBlanks, QLatin1Char(' ')) + name;
}

}  // namespace tonalix::keyboard
