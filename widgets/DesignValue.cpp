#include "widgets/DesignValue.h"

#include <QFont>
#include <QStringList>

namespace tonalix::widgets {

std::optional<ValueKind> inferKind(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::Bool: return ValueKind::Bool;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::SChar: return ValueKind::Int;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort: return ValueKind::Color;
    case QMetaType::QString: return ValueKind::String;
    case QMetaType::QFont: return ValueKind::Font;
    default: return std::nullopt;
  }
}

QString kindTag(ValueKind kind) {
  switch (kind) {
    case ValueKind::Int: return QStringLiteral("int");
    case ValueKind::Bool: return QStringLiteral("bool");
    case ValueKind::String: return QStringLiteral("str");
    case ValueKind::Color: return QStringLiteral("color");
    case ValueKind::Picture: return QStringLiteral("pic");
    case ValueKind::Font: return QStringLiteral("font");
  }
  return {};
}

std::optional<ValueKind> kindFromTag(const QString& tag) {
  for (ValueKind k : {ValueKind::Int, ValueKind::Bool, ValueKind::String, ValueKind::Color, ValueKind::Picture,
                      ValueKind::Font})
    if (kindTag(k) == tag) return k;
  return std::nullopt;
}

QString quoteString(const QString& text) {
  QString out;
  out.reserve(text.size() + 2);
  out += QLatin1Char('"');
  for (QChar c : text) {
    switch (c.unicode()) {
      case '"': out += QLatin1String("\\\""); break;
      case '\\': out += QLatin1String("\\\\"); break;
      case '\n': out += QLatin1String("\\n"); break;
      case '\r': out += QLatin1String("\\r"); break;
      case '\t': out += QLatin1String("\\t"); break;
      default:
        if (c.unicode() < 0x20)
          out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
          out += c;
    }
  }
  out += QLatin1Char('"');
  return out;
}

std::optional<QString> unquoteString(const QString& text, int& pos, QString* error) {
  if (pos >= text.size() || text[pos] != QLatin1Char('"')) {
    *error = QStringLiteral("expected a string in double quotes");
    return std::nullopt;
  }
  QString out;
  for (int i = pos + 1; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('"')) {
      pos = i + 1;
      return out;
    }
    if (c != QLatin1Char('\\')) {
      out += c;
      continue;
    }
    if (++i >= text.size()) break;
    switch (text[i].unicode()) {
      case '"': out += QLatin1Char('"'); break;
      case '\\': out += QLatin1Char('\\'); break;
      case 'n': out += QLatin1Char('\n'); break;
      case 'r': out += QLatin1Char('\r'); break;
      case 't': out += QLatin1Char('\t'); break;
      case 'u': {
        bool ok = false;
        const uint code = text.mid(i + 1, 4).toUInt(&ok, 16);
        if (!ok || i + 4 >= text.size()) {
          *error = QStringLiteral("\\u must be followed by four hexadecimal digits");
          return std::nullopt;
        }
        out += QChar(static_cast<char16_t>(code));
        i += 4;
        break;
      }
      default:
        *error = QStringLiteral("unknown escape \\%1 in string").arg(text[i]);
        return std::nullopt;
    }
  }
  *error = QStringLiteral("string is not closed with a double quote");
  return std::nullopt;
}

QString formatValue(ValueKind kind, const QVariant& value) {
  switch (kind) {
    case ValueKind::Int: return QString::number(value.toLongLong());
    case ValueKind::Bool: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case ValueKind::String:
    case ValueKind::Picture: return quoteString(value.toString());
    case ValueKind::Color:
      return QStringLiteral("0x") + QStringLiteral("%1").arg(value.toUInt(), 8, 16, QLatin1Char('0')).toUpper();
    case ValueKind::Font: {
      const QFont f = value.value<QFont>();
      double size = f.pointSizeF();
      if (size <= 0 && f.pixelSize() > 0) size = f.pixelSize() * 72.0 / 96.0;
      QString out = quoteString(f.family()) + QLatin1Char(' ') + QString::number(size);
      if (f.bold()) out += QLatin1String(" bold");
      if (f.italic()) out += QLatin1String(" italic");
      if (f.underline()) out += QLatin1String(" underline");
      if (f.strikeOut()) out += QLatin1String(" strikeout");
      return out;
    }
  }
  return {};
}

QVariant parseValue(ValueKind kind, const QString& rawText, QString* error) {
  const QString text = rawText.trimmed();
  switch (kind) {
    case ValueKind::Int: {
      bool ok = false;
      const int v = text.toInt(&ok, 10);
      if (!ok) {
        *error = QStringLiteral("'%1' is not a whole number between -2147483648 and 2147483647").arg(text);
        return {};
      }
      return v;
    }
    case ValueKind::Bool:
      if (text == QLatin1String("true")) return true;
      if (text == QLatin1String("false")) return false;
      *error = QStringLiteral("'%1' is not true or false").arg(text);
      return {};
    case ValueKind::String:
    case ValueKind::Picture: {
      int pos = 0;
      const auto s = unquoteString(text, pos, error);
      if (!s) return {};
      if (pos != text.size()) {
        *error = QStringLiteral("unexpected text after the closing quote: '%1'").arg(text.mid(pos));
        return {};
      }
      return *s;
    }
    case ValueKind::Color: {
      bool ok = false;
      const uint v = text.startsWith(QLatin1String("0x")) && text.size() > 2 && text.size() <= 10
                         ? text.mid(2).toUInt(&ok, 16)
                         : 0;
      if (!ok) {
        *error = QStringLiteral("'%1' is not a colour (write 0x followed by up to 8 hexadecimal digits)").arg(text);
        return {};
      }
      return QVariant::fromValue<uint>(v);
    }
    case ValueKind::Font: {
      int pos = 0;
      const auto family = unquoteString(text, pos, error);
      if (!family) return {};
      const QStringList words = text.mid(pos).split(QLatin1Char(' '), Qt::SkipEmptyParts);
      bool ok = false;
      const double size = words.isEmpty() ? 0 : words[0].toDouble(&ok);
      if (!ok || size <= 0 || size > 1000) {
        *error = QStringLiteral("a font needs a quoted family name and a point size above 0, e.g. \"Arial\" 9 bold");
        return {};
      }
      QFont font(*family);
      font.setPointSizeF(size);
      for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& w = words[i];
        if (w == QLatin1String("bold"))
          font.setBold(true);
        else if (w == QLatin1String("italic"))
          font.setItalic(true);
        else if (w == QLatin1String("underline"))
          font.setUnderline(true);
        else if (w == QLatin1String("strikeout"))
          font.setStrikeOut(true);
        else {
          *error = QStringLiteral("unknown font style '%1' (use bold, italic, underline, strikeout)").arg(w);
          return {};
        }
      }
      return font;
    }
  }
  *error = QStringLiteral("unknown value kind");
  return {};
}

}  // namespace tonalix::widgets
