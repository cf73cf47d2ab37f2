// Typed values in a window design file: how a property value is written on one line and read
// back. Strings and picture names are quoted with backslash escapes; colours are hexadecimal.
#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace tonalix::widgets {

enum class ValueKind { Int, Bool, String, Color, Picture, Font };

// The kind a bag value is written as when the control type does not say: bool, whole numbers
// (int), unsigned numbers (colours), strings and fonts. Nullopt for anything else.
std::optional<ValueKind> inferKind(const QVariant& value);

QString kindTag(ValueKind kind);  // "int", "bool", "str", "color", "pic", "font"
std::optional<ValueKind> kindFromTag(const QString& tag);

// Writes value as text for kind, e.g. 127, true, "a \"b\"", 0x00E0E0E0, "Arial" 9 bold.
QString formatValue(ValueKind kind, const QVariant& value);

// Reads the text after the kind tag. On failure returns an invalid QVariant and sets error.
QVariant parseValue(ValueKind kind, const QString& text, QString* error);

QString quoteString(const QString& text);
// Reads one quoted string starting at text[pos]; advances pos past the closing quote.
std::optional<QString> unquoteString(const QString& text, int& pos, QString* error);

}  // namespace tonalix::widgets
