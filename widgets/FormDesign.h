// A window's design: its controls with type, name, optional index, position and size in twips
// and their saved settings, kept in a line-based text file. Parsing reports bad lines by
// number; building creates the controls on a parent window; capturing and saving write back
// only the settings that differ from each control's defaults.
//
//   # comment
//   control zykSlider vscrVolume 7080 360 390 3060
//     BackColor = color 0x00E0E0E0
//     SliderIcon = pic ":/images/slider-thumb.png"
//   end
//   control zqButtons_H cmdOctave(0) 120 4200 480 330
//     Caption = str "01"
//     Font = font "Arial" 9 bold
//   end
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "widgets/ControlRegistry.h"
#include "widgets/PropertyBag.h"
#include "widgets/TwipsToPixels.h"

class QWidget;

namespace tonalix::widgets {

constexpr int kNoIndex = -1;

struct ControlDesign {
  QString type;
  QString name;
  int index = kNoIndex;  // place in a control array, or kNoIndex
  int left = 0, top = 0, width = 0, height = 0;  // twips
  PropertyBag properties;
  QHash<QString, ValueKind> kinds;  // how each property is written
  int line = 0;                     // where the control starts in the file it came from
  QHash<QString, int> propertyLines;

  QString key() const;  // "name" or "name(index)"
};

struct DesignError {
  int line = 0;  // 0 when the problem has no line (e.g. a file that cannot be opened)
  QString message;
  QString toString() const;
};

struct BuiltControl {
  QString type;
  QString name;
  int index = kNoIndex;
  QWidget* widget = nullptr;
};

// The controls made by FormDesign::build, in design order, found by name and index.
class BuiltControls {
 public:
  QWidget* widget(const QString& name, int index = kNoIndex) const;
  template <typename T>
  T* get(const QString& name, int index = kNoIndex) const {
    return qobject_cast<T*>(widget(name, index));
  }
  const QList<BuiltControl>& controls() const { return controls_; }
  // Controls that could not be made or set up; the others are built all the same.
  const QList<DesignError>& errors() const { return errors_; }

 private:
  friend class FormDesign;
  QList<BuiltControl> controls_;
  QHash<QString, qsizetype> byKey_;
  QList<DesignError> errors_;
};

class FormDesign {
 public:
  QList<ControlDesign> controls;

  struct ParseResult;
  // Reads a design; every bad line is reported and skipped. Never throws.
  static ParseResult parse(const QString& text);
  static ParseResult load(const QString& fileName);  // a file or a ":/" resource

  // The design as text; properties are written in key order.
  QString save() const;
  // Errors for values that the text format cannot hold (e.g. a picture made in code).
  QList<DesignError> saveErrors() const;

  // Creates the controls as children of parent at their twips positions (15 twips per logical
  // pixel; Qt scales logical pixels for the screen), and loads each one's settings.
  BuiltControls build(QWidget* parent, const ControlRegistry& registry = ControlRegistry::standard()) const;

  // The design of built controls as they are now: positions from their geometry and settings
  // from WriteProperties, so only values that differ from the defaults are kept.
  static FormDesign capture(const BuiltControls& built, const ControlRegistry& registry = ControlRegistry::standard());
};

struct FormDesign::ParseResult {
  FormDesign design;
  QList<DesignError> errors;
  bool ok() const { return errors.isEmpty(); }
  QString errorText() const;  // one error per line
};

}  // namespace tonalix::widgets
