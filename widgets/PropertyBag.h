// A widget's saved settings: named values kept with the window design. Only values that
// differ from their defaults are written, and a missing name reads back as its default.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace tonalix::widgets {

class PropertyBag {
 public:
  QVariant ReadProperty(const QString& name, const QVariant& defaultValue = {}) const {
    auto it = values_.constFind(name);
    return it == values_.constEnd() ? defaultValue : it.value();
  }
  // Stores the value only when it differs from the default; a default value removes the name.
  void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue = {}) {
    if (defaultValue.isValid() && value == defaultValue)
      values_.remove(name);
    else
      values_.insert(name, value);
  }
  bool contains(const QString& name) const { return values_.contains(name); }
  QStringList names() const { return values_.keys(); }
  bool isEmpty() const { return values_.isEmpty(); }
  bool operator==(const PropertyBag& other) const { return values_ == other.values_; }

 private:
  QMap<QString, QVariant> values_;
};

// A widget that saves and loads its settings through a property bag.
class Designable {
 public:
  virtual ~Designable() = default;
  virtual void ReadProperties(const PropertyBag& bag) = 0;
  virtual void WriteProperties(PropertyBag& bag) const = 0;
};

}  // namespace tonalix::widgets
