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
