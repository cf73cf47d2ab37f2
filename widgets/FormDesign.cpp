#include "widgets/FormDesign.h"

#include <QFile>
#include <QRegularExpression>
#include <QWidget>

#include "widgets/PictureLoader.h"
#include "widgets/Rounding.h"

namespace tonalix::widgets {

namespace {
// The twips rectangle a control was built at, kept on the widget.
constexpr const char* kDesignTwipsProperty = "tonalixDesignTwips";
}  // namespace

namespace {

const QString kHeaderComment = QStringLiteral("# Tonalix window design");

bool isIdentifier(const QString& s) {
  static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
  return re.match(s).hasMatch();
}

struct Parser {
  FormDesign::ParseResult result;
  ControlDesign current;
  bool inControl = false;
  QHash<QString, int> seen;  // control key -> line

  void error(int line, const QString& message) { result.errors.append({line, message}); }

  void finishControl() {
    if (!inControl) return;
    inControl = false;
    const QString key = current.key();
    if (seen.contains(key)) {
      error(current.line, QStringLiteral("control '%1' is defined twice (first on line %2)").arg(key).arg(seen[key]));
      return;
    }
    seen.insert(key, current.line);
    result.design.controls.append(current);
  }

  void header(int line, const QString& text) {
    // Compiled once: a window's design has a header for each of its many controls.
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    const QStringList w = text.split(spaces, Qt::SkipEmptyParts);
    if (w.size() != 7) {
      error(line, QStringLiteral("expected 'control <type> <name> <left> <top> <width> <height>' (%1 words found)")
                      .arg(w.size()));
      return;
    }
    ControlDesign c;
    c.line = line;
    c.type = w[1];
    if (!isIdentifier(c.type)) {
      error(line, QStringLiteral("'%1' is not a control type name").arg(c.type));
      return;
    }
    static const QRegularExpression nameRe(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)(?:\\((\\d{1,5})\\))?$"));
    const auto m = nameRe.match(w[2]);
    if (!m.hasMatch()) {
      error(line, QStringLiteral("'%1' is not a control name (a name, optionally followed by an index such as "
                                 "cmdOctave(3))").arg(w[2]));
      return;
    }
    c.name = m.captured(1);
    if (m.hasCaptured(2)) c.index = m.captured(2).toInt();
    int* fields[] = {&c.left, &c.top, &c.width, &c.height};
    static const char* const names[] = {"left", "top", "width", "height"};
    for (int i = 0; i < 4; ++i) {
      bool ok = false;
      *fields[i] = w[3 + i].toInt(&ok);
      if (!ok || (i >= 2 && *fields[i] < 0)) {
        error(line, QStringLiteral("the %1 of '%2' must be a whole number of twips%3, not '%4'")
                        .arg(QLatin1String(names[i]), c.key(), i >= 2 ? QStringLiteral(" (0 or more)") : QString(),
                             w[3 + i]));
        return;
      }
    }
    current = c;
    inControl = true;
  }

  void property(int line, const QString& text) {
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq < 0) {
      error(line, QStringLiteral("expected '<key> = <kind> <value>' or 'end'"));
      return;
    }
    const QString key = text.left(eq).trimmed();
    if (!isIdentifier(key)) {
      error(line, QStringLiteral("'%1' is not a property key").arg(key));
      return;
    }
    const QString rest = text.mid(eq + 1).trimmed();
    const qsizetype space = rest.indexOf(QLatin1Char(' '));
    const QString tag = space < 0 ? rest : rest.left(space);
    const auto kind = kindFromTag(tag);
    if (!kind) {
      error(line, QStringLiteral("'%1' is not a value kind (use int, bool, str, color, pic or font)").arg(tag));
      return;
    }
    if (space < 0) {
      error(line, QStringLiteral("%1 '%2' has no value").arg(tag, key));
      return;
    }
    QString why;
    const QVariant value = parseValue(*kind, rest.mid(space + 1), &why);
    if (!value.isValid()) {
      error(line, QStringLiteral("%1: %2").arg(key, why));
      return;
    }
    // Keys are matched without regard to case, so "bevelheight" after "BevelHeight" is a repeat.
    if (current.properties.contains(key)) {
      int first = 0;
      for (auto it = current.propertyLines.cbegin(); it != current.propertyLines.cend(); ++it)
        if (it.key().compare(key, Qt::CaseInsensitive) == 0) first = it.value();
      error(line, QStringLiteral("%1 is set twice for '%2' (first on line %3)").arg(key, current.key()).arg(first));
      return;
    }
    current.properties.WriteProperty(key, value);
    current.kinds.insert(key, *kind);
    current.propertyLines.insert(key, line);
  }
};

}  // namespace

QString ControlDesign::key() const { return index == kNoIndex ? name : QStringLiteral("%1(%2)").arg(name).arg(index); }

QString DesignError::toString() const {
  return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(message) : message;
}

QString FormDesign::ParseResult::errorText() const {
  QStringList lines;
  for (const auto& e : errors) lines << e.toString();
  return lines.join(QLatin1Char('\n'));
}

FormDesign::ParseResult FormDesign::parse(const QString& text) {
  Parser p;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const int line = static_cast<int>(i + 1);
    const QString t = lines[i].trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char('#'))) continue;
    const bool isHeader = t.startsWith(QLatin1String("control ")) || t.startsWith(QLatin1String("control\t")) ||
                          t == QLatin1String("control");
    if (t == QLatin1String("end")) {
      if (p.inControl)
        p.finishControl();
      else
        p.error(line, QStringLiteral("'end' without a control to close"));
    } else if (isHeader) {
      if (p.inControl) {
        p.error(p.current.line, QStringLiteral("control '%1' is not closed with 'end' before line %2")
                                    .arg(p.current.key())
                                    .arg(line));
        p.finishControl();
      }
      p.header(line, t);
    } else if (p.inControl) {
      p.property(line, t);
    } else {
      p.error(line, QStringLiteral("expected 'control <type> <name> <left> <top> <width> <height>'"));
    }
  }
  if (p.inControl) {
    p.error(p.current.line, QStringLiteral("control '%1' is not closed with 'end'").arg(p.current.key()));
    p.finishControl();
  }
  return p.result;
}

FormDesign::ParseResult FormDesign::load(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    ParseResult r;
    r.errors.append({0, QStringLiteral("%1: cannot open the design (%2)").arg(fileName, file.errorString())});
    return r;
  }
  ParseResult r = parse(QString::fromUtf8(file.readAll()));
  for (auto& e : r.errors) e.message = QStringLiteral("%1: %2").arg(fileName, e.message);
  return r;
}

namespace {
// The kind a property is written as, or nullopt when the text format cannot hold its value.
std::optional<ValueKind> kindFor(const ControlDesign& c, const QString& key, const QVariant& value) {
  std::optional<ValueKind> kind = c.kinds.contains(key) ? std::optional(c.kinds.value(key)) : inferKind(value);
  if (kind == ValueKind::Picture && value.typeId() != QMetaType::QString) return std::nullopt;
  return kind;
}
}  // namespace

QString FormDesign::save() const {
  QString out = kHeaderComment + QLatin1Char('\n');
  for (const ControlDesign& c : controls) {
    out += QStringLiteral("\ncontrol %1 %2 %3 %4 %5 %6\n")
               .arg(c.type, c.key())
               .arg(c.left)
               .arg(c.top)
               .arg(c.width)
               .arg(c.height);
    for (const QString& key : c.properties.names()) {
      const QVariant value = c.properties.ReadProperty(key);
      const auto kind = kindFor(c, key, value);
      if (!kind) continue;  // reported by saveErrors()
      out += QStringLiteral("  %1 = %2 %3\n").arg(key, kindTag(*kind), formatValue(*kind, value));
    }
    out += QStringLiteral("end\n");
  }
  return out;
}

QList<DesignError> FormDesign::saveErrors() const {
  QList<DesignError> errors;
  for (const ControlDesign& c : controls)
    for (const QString& key : c.properties.names())
      if (const QVariant value = c.properties.ReadProperty(key); !kindFor(c, key, value)) {
        // A design refers to pictures by file or resource name; one drawn in code has none.
        const bool madeInCode = value.typeId() == QMetaType::QVariantMap;
        errors.append({c.propertyLines.value(key, c.line),
                       madeInCode ? QStringLiteral("%1 of '%2' is a picture made in code: a design file "
                                                   "refers to pictures by file or resource name, and this one has none")
                                        .arg(key, c.key())
                                  : QStringLiteral("%1 of '%2' holds a value that a design file cannot store")
                                        .arg(key, c.key())});
      }
  return errors;
}

QWidget* BuiltControls::widget(const QString& name, int index) const {
  const QString key = index == kNoIndex ? name : QStringLiteral("%1(%2)").arg(name).arg(index);
  auto it = byKey_.constFind(key);
  return it == byKey_.constEnd() ? nullptr : controls_[*it].widget;
}

BuiltControls FormDesign::build(QWidget* parent, const ControlRegistry& registry) const {
  BuiltControls built;
  if (!parent) {
    built.errors_.append({0, QStringLiteral("no window to place the controls on")});
    return built;
  }
  // Designs are laid out in logical pixels at 96 dpi (15 twips per pixel); Qt's device pixel
  // ratio scales the whole window for high-DPI screens, so controls placed in code and controls
  // from the design always line up.
  const int dpiX = kDesignDpi;
  const int dpiY = kDesignDpi;
  for (const ControlDesign& c : controls) {
    const ControlType* type = registry.find(c.type);
    if (!type || !type->create) {
      built.errors_.append({c.line, QStringLiteral("unknown control type '%1' for '%2' (known types: %3)")
                                        .arg(c.type, c.key(), registry.names().join(QStringLiteral(", ")))});
      continue;
    }
    if (built.byKey_.contains(c.key())) {
      built.errors_.append({c.line, QStringLiteral("control '%1' is defined twice").arg(c.key())});
      continue;
    }
    // A picture that cannot be loaded is reported here; the control then keeps its default.
    for (const QString& key : c.properties.names()) {
      const ValueKind kind = c.kinds.value(key, type->kinds.value(key, ValueKind::String));
      const QString name = c.properties.ReadProperty(key).toString();
      if ((kind == ValueKind::Picture || type->kinds.value(key) == ValueKind::Picture) && !name.isEmpty() &&
          !isLoadablePicture(name))
        built.errors_.append({c.propertyLines.value(key, c.line),
                              QStringLiteral("%1 of '%2': picture '%3' cannot be loaded").arg(key, c.key(), name)});
    }
    QWidget* w = type->create(parent);
    w->setObjectName(c.key());
    w->setGeometry(designTwipsToPixels(c.left, dpiX), designTwipsToPixels(c.top, dpiY), designTwipsToPixels(c.width, dpiX),
                   designTwipsToPixels(c.height, dpiY));
    // Twips are finer than pixels: remember them so that a control left where it was placed
    // saves its design position exactly.
    w->setProperty(kDesignTwipsProperty, QRect(c.left, c.top, c.width, c.height));
    if (auto* d = dynamic_cast<Designable*>(w)) d->ReadProperties(c.properties);
    w->show();
    built.byKey_.insert(c.key(), built.controls_.size());
    built.controls_.append({c.type, c.name, c.index, w});
  }
  return built;
}

FormDesign FormDesign::capture(const BuiltControls& built, const ControlRegistry& registry) {
  FormDesign design;
  for (const BuiltControl& b : built.controls()) {
    if (!b.widget) continue;
    ControlDesign c;
    c.type = b.type;
    c.name = b.name;
    c.index = b.index;
    const int dpiX = kDesignDpi, dpiY = kDesignDpi;
    const QRect g = b.widget->geometry();
    const QRect placed = b.widget->property(kDesignTwipsProperty).toRect();
    const QRect placedPixels(designTwipsToPixels(placed.left(), dpiX), designTwipsToPixels(placed.top(), dpiY),
                             designTwipsToPixels(placed.width(), dpiX), designTwipsToPixels(placed.height(), dpiY));
    if (placed.isValid() && placedPixels == g) {
      c.left = placed.left();
      c.top = placed.top();
      c.width = placed.width();
      c.height = placed.height();
    } else {
      c.left = designPixelsToTwips(g.x(), dpiX);
      c.top = designPixelsToTwips(g.y(), dpiY);
      c.width = designPixelsToTwips(g.width(), dpiX);
      c.height = designPixelsToTwips(g.height(), dpiY);
    }
    if (const auto* d = dynamic_cast<const Designable*>(b.widget)) d->WriteProperties(c.properties);
    if (const ControlType* type = registry.find(b.type))
      for (const QString& key : c.properties.names())
        if (type->kinds.contains(key)) c.kinds.insert(key, type->kinds.value(key));
    design.controls.append(c);
  }
  return design;
}

}  // namespace tonalix::widgets
