// A widget's saved settings: named values kept with the window design. Only values that
// differ from their defaults are written, and a missing name reads back as its default.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <climits>
#include <optional>

#include "widgets/ColorValue.h"

namespace tonalix::widgets {

class PropertyBag {
 public:
  QVariant ReadProperty(const QString& name, const QVariant& defaultValue = {}) const {
    auto it = values_.constFind(name);
    return it == values_.constEnd() ? defaultValue : it.value();
  }
  // Typed reads for loading a design, which may have been edited by hand. An invalid setting
  // is ignored: each gives nothing when the name is missing, its value is not of the type or
  // lies outside lo..hi, and the widget keeps its default or current value.
  std::optional<int> readInt(const QString& name, int lo = INT_MIN, int hi = INT_MAX) const {
    bool ok = false;
    const int n = ReadProperty(name).toInt(&ok);
    if (!ok || n < lo || n > hi) return std::nullopt;
    return n;
  }
  std::optional<bool> readBool(const QString& name) const {
    const QVariant v = ReadProperty(name);
    if (!v.canConvert<bool>()) return std::nullopt;
    return v.toBool();
  }
  std::optional<ColorValue> readColor(const QString& name) const {
    bool ok = false;
    const qlonglong n = ReadProperty(name).toLongLong(&ok);
    if (!ok || !isColorValue(n)) return std::nullopt;
    return static_cast<ColorValue>(n);
  }

  // Stores the value only when it differs from the default; a default value removes the name.
  // Names keep the order they were first written in, so a design lists each widget's settings
  // in the widget's own order.
  void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue = {}) {
    if (defaultValue.isValid() && value == defaultValue) {
      if (values_.remove(name) > 0) order_.removeOne(name);
      return;
    }
    if (!values_.contains(name)) order_.append(name);
    values_.insert(name, value);
  }
  bool contains(const QString& name) const { return values_.contains(name); }
  QStringList names() const { return order_; }
  bool isEmpty() const { return values_.isEmpty(); }
  // Equal values under equal names, in whatever order they were written.
  bool operator==(const PropertyBag& other) const { return values_ == other.values_; }

 private:
  QMap<QString, QVariant> values_;
  QStringList order_;
};

// A widget that saves and loads its settings through a property bag.
class Designable {
 public:
  virtual ~Designable() = default;
  virtual void ReadProperties(const PropertyBag& bag) = 0;
  virtual void WriteProperties(PropertyBag& bag) const = 0;
};

}  // namespace tonalix::widgets
