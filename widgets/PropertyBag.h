// A widget's saved settings: named values kept with the window design. Only values that
// differ from their defaults are written, and a missing name reads back as its default. Names
// are matched without regard to case, so a design edited by hand as "bevelheight" still sets
// BevelHeight.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <climits>
#include <map>
#include <optional>

#include "widgets/ColorValue.h"

namespace tonalix::widgets {

class PropertyBag {
 public:
  QVariant ReadProperty(const QString& name, const QVariant& defaultValue = {}) const {
    auto it = values_.find(name);
    return it == values_.end() ? defaultValue : it->second;
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
  // Names keep the order and the spelling they were first written in, so a design lists each
  // widget's settings in the widget's own order.
  void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue = {}) {
    const auto it = values_.find(name);
    if (defaultValue.isValid() && value == defaultValue) {
      if (it == values_.end()) return;
      order_.removeAt(order_.indexOf(it->first));
      values_.erase(it);
      return;
    }
    if (it != values_.end()) {
      it->second = value;
      return;
    }
    order_.append(name);
    values_.emplace(name, value);
  }
  bool contains(const QString& name) const { return values_.count(name) > 0; }
  QStringList names() const { return order_; }
  bool isEmpty() const { return values_.empty(); }
  // Equal values under equal names, in whatever order they were written.
  bool operator==(const PropertyBag& other) const {
    if (values_.size() != other.values_.size()) return false;
    for (const auto& [name, value] : values_) {
      const auto it = other.values_.find(name);
      if (it == other.values_.end() || it->second != value) return false;
    }
    return true;
  }

 private:
  struct CaselessLess {
    bool operator()(const QString& a, const QString& b) const { return a.compare(b, Qt::CaseInsensitive) < 0; }
  };
  std::map<QString, QVariant, CaselessLess> values_;
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
