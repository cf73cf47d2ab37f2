#include "widgets/AccessibleControls.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <algorithm>

#include "widgets/bvlBUTTON.h"
#include "widgets/zqButtons_H.h"
#include "widgets/zykProgressBar.h"
#include "widgets/zykSlider.h"

namespace tonalix::widgets {

namespace {

// An explicit accessible name wins; else the visible caption without its access-key marker;
// else the tooltip, which is all a picture-only button has to say.
QString nameOf(const QWidget* w, const QString& caption) {
  if (!w->accessibleName().isEmpty()) return w->accessibleName();
  QString text = caption;
  text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  text = text.simplified();
  return text.isEmpty() ? w->toolTip() : text;
}

class ButtonAccessible : public QAccessibleWidget {
 public:
  explicit ButtonAccessible(zqButtons_H* b) : QAccessibleWidget(b, roleFor(b)) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return nameOf(button(), button()->Caption());
    if (t == QAccessible::Description && button()->accessibleDescription().isEmpty()) {
      // The tooltip describes; it is not repeated when it already serves as the name.
      const QString tip = button()->toolTip();
      return tip == text(QAccessible::Name) ? QString() : tip;
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (button()->Mode() != zqButtons_H::ModeCommand) {
      s.checkable = true;
      s.checked = button()->Value();
    }
    s.pressed = button()->isPushed();
    return s;
  }

  QStringList actionNames() const override {
    return button()->isEnabled() ? QStringList{pressAction()} : QStringList{};
  }
  void doAction(const QString& action) override {
    if (action != pressAction() || !button()->isEnabled()) return;
    // The space bar is the button's own keyboard click: the same path as a user's.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(button(), &down);
    QCoreApplication::sendEvent(button(), &up);
  }

 private:
  static QAccessible::Role roleFor(const zqButtons_H* b) {
    switch (b->Mode()) {
      case zqButtons_H::ModeCheck: return QAccessible::CheckBox;
      case zqButtons_H::ModeOption: return QAccessible::RadioButton;
      default: return QAccessible::Button;
    }
  }
  zqButtons_H* button() const { return static_cast<zqButtons_H*>(widget()); }
};

// The bevelled button: push, toggle or option by its Behaviour, named by its caption or tooltip.
class BevelAccessible : public QAccessibleWidget {
 public:
  explicit BevelAccessible(bvlBUTTON* b) : QAccessibleWidget(b, roleFor(b)) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return nameOf(button(), button()->Caption());
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (button()->Behaviour() != bvlBUTTON::PushButton) {
      s.checkable = true;
      s.checked = button()->Value();
    }
    return s;
  }

 private:
  static QAccessible::Role roleFor(const bvlBUTTON* b) {
    switch (b->Behaviour()) {
      case bvlBUTTON::ToggleButton: return QAccessible::CheckBox;
      case bvlBUTTON::OptionButton: return QAccessible::RadioButton;
      default: return QAccessible::Button;
    }
  }
  bvlBUTTON* button() const { return static_cast<bvlBUTTON*>(widget()); }
};

// A slider moved by assistive technology acts like a user's release over it: the value is set
// and its Click tells the window, which acts on Click only.
class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit SliderAccessible(zykSlider* s) : QAccessibleWidget(s, QAccessible::Slider) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return nameOf(slider(), QString());
    if (t == QAccessible::Value) return QString::number(slider()->Value());
    return QAccessibleWidget::text(t);
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QVariant currentValue() const override { return slider()->Value(); }
  void setCurrentValue(const QVariant& value) override {
    if (!slider()->isEnabled()) return;
    // An out-of-range value is refused by the slider itself and changes nothing.
    if (slider()->SetValue(value.toInt()) == PropertyError::None) emit slider()->Click();
  }
  QVariant maximumValue() const override { return std::max(slider()->Min(), slider()->Max()); }
  QVariant minimumValue() const override { return std::min(slider()->Min(), slider()->Max()); }
  QVariant minimumStepSize() const override { return 1; }

 private:
  zykSlider* slider() const { return static_cast<zykSlider*>(widget()); }
};

// A level bar only shows a value; it cannot be set from outside.
class LevelBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit LevelBarAccessible(zykProgressBar* b) : QAccessibleWidget(b, QAccessible::ProgressBar) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return nameOf(bar(), QString());
    if (t == QAccessible::Value) return QString::number(bar()->Value());
    return QAccessibleWidget::text(t);
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QVariant currentValue() const override { return bar()->Value(); }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override { return std::max(bar()->Min(), bar()->Max()); }
  QVariant minimumValue() const override { return std::min(bar()->Min(), bar()->Max()); }
  QVariant minimumStepSize() const override { return 1; }

 private:
  zykProgressBar* bar() const { return static_cast<zykProgressBar*>(widget()); }
};

QAccessibleInterface* describe(const QString&, QObject* object) {
  if (auto* b = qobject_cast<zqButtons_H*>(object)) return new ButtonAccessible(b);
  if (auto* b = qobject_cast<bvlBUTTON*>(object)) return new BevelAccessible(b);
  if (auto* s = qobject_cast<zykSlider*>(object)) return new SliderAccessible(s);
  if (auto* p = qobject_cast<zykProgressBar*>(object)) return new LevelBarAccessible(p);
  return nullptr;
}

}  // namespace

void InstallAccessibleControls() {
  static const bool installed = [] {
    QAccessible::installFactory(describe);
    return true;
  }();
  (void)installed;
}

}  // namespace tonalix::widgets
