#include "keyboard/KeyBindings.h"

#include "keyboard/KeyGeometry.h"

namespace tonalix::keyboard {

namespace {
// Black keys carry no blanks: their names are placed by the strip labels.
constexpr std::array<KeyBinding, 65> kBindings{{
    {0, 81, 29, "Q"},     {1, 49, 0, "1"},      {2, 87, 29, "W"},     {3, 50, 0, "2"},
    {4, 69, 29, "E"},     {5, 82, 29, "R"},     {6, 51, 0, "3"},      {7, 84, 29, "T"},
    {8, 52, 0, "4"},      {9, 89, 29, "Y"},     {10, 53, 0, "5"},     {11, 85, 28, "U"},
    {12, 73, 31, "I"},    {13, 54, 0, "6"},     {14, 79, 28, "O"},    {15, 55, 0, "7"},
    {16, 80, 31, "P"},    {17, 219, 31, "{"},   {18, 56, 0, "8"},     {19, 221, 31, "}"},
    {20, 57, 0, "9"},     {21, 65, 28, "A"},    {22, 48, 0, "0"},     {23, 83, 31, "S"},
    {24, 68, 28, "D"},    {25, 189, 0, "-"},    {26, 70, 31, "F"},    {27, 187, 0, "="},
    {28, 71, 28, "G"},    {29, 72, 31, "H"},    {30, 220, 0, "\\"},   {31, 74, 31, "J"},
    {32, 112, 0, "F1"},   {33, 75, 31, "K"},    {34, 113, 0, "F2"},   {35, 76, 31, "L"},
    {36, 186, 31, ":"},   {37, 114, 0, "F3"},   {38, 222, 30, "''"},  {39, 115, 0, "F4"},
    {40, 90, 31, "Z"},    {41, 88, 28, "X"},    {42, 116, 0, "F5"},   {43, 67, 28, "C"},
    {44, 117, 0, "F6"},   {45, 86, 28, "V"},    {46, 118, 0, "F7"},   {47, 66, 28, "B"},
    {48, 78, 28, "N"},    {49, 119, 0, "F8"},   {50, 77, 28, "M"},    {51, 120, 0, "F9"},
    {52, 188, 30, "<"},   {53, 190, 30, ">"},   {54, 121, 0, "F10"},  {55, 191, 30, "?"},
    {56, 122, 0, "F11"},  {57, 111, 30, "/"},   {58, 123, 0, "F12"},  {59, 106, 30, "*"},
    {60, 109, 30, "-"},   {61, 45, 0, "Ins"},   {62, 107, 30, "+"},   {63, 46, 0, "Del"},
    {64, 13, 29, "<-"},
}};

// Platform key codes run from 1 to 254; a flat table answers each lookup at once.
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
  if (index < 0 || index >= kKeyCount || isBlackKey(index)) return {};
  const KeyBinding& b = kBindings[static_cast<std::size_t>(index)];
  return QString(b.leadingBlanks, QLatin1Char(' ')) + QLatin1String(b.name);
}

}  // namespace tonalix::keyboard
