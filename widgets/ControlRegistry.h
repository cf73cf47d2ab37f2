// The kinds of control a window design can place, by type name: how to create one on a parent
// and, for properties whose stored value alone does not say, what kind of value each key holds.
#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <optional>

#include "widgets/DesignValue.h"

class QWidget;

namespace tonalix::widgets {

struct ControlType {
  QString name;
  std::function<QWidget*(QWidget* parent)> create;
  // Keys whose values are pictures (stored as names) or colours; others follow the value's type.
  QHash<QString, ValueKind> kinds;
};

class ControlRegistry {
 public:
  // Adds or replaces the type of that name.
  void add(ControlType type);
  const ControlType* find(const QString& name) const;
  QStringList names() const { return types_.keys(); }

  // zykSlider, zykProgressBar, zqButtons_H and Label.
  static const ControlRegistry& standard();

 private:
  QHash<QString, ControlType> types_;
};

}  // namespace tonalix::widgets
