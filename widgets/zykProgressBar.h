// A picture-based level bar: a background picture shows the empty bar and fixes the size, and
// the matching part of a full-bar picture is painted over it for the value, from the left or
// from the bottom. Pressing or dragging on it sets the value; a right press steps it by one.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QWidget>

#include "widgets/ColorValue.h"
#include "widgets/PropertyBag.h"
#include "widgets/PropertyError.h"

namespace tonalix::widgets {

class zykProgressBar : public QWidget, public Designable {
  Q_OBJECT
 public:
  static constexpr int kHorizontal = 0;
  static constexpr int kVertical = 1;
  static constexpr int kCustomCaption = 99;

  explicit zykProgressBar(QWidget* parent = nullptr);

  QString CaptionCustom() const { return captionCustom_; }
  void SetCaptionCustom(const QString& text);
  int CaptionFormat() const { return captionFormat_; }
  void SetCaptionFormat(int format);  // 0 none, 1 value, 2..7 percentages, 99 CaptionCustom

  // Pictures are named by a resource or file name; empty means none.
  QString BarPicture() const { return barPictureName_; }
  PropertyError SetBarPicture(const QString& name);
  QString BarPictureBack() const { return barPictureBackName_; }
  PropertyError SetBarPictureBack(const QString& name);

  // While disabled the bar receives no mouse input.
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }

  QFont Font() const { return font(); }
  void SetFont(const QFont& font);
  ColorValue FontColor() const { return fontColor_; }
  void SetFontColor(ColorValue colour);

  int Max() const { return max_; }
  PropertyError SetMax(int max);
  int Min() const { return min_; }
  PropertyError SetMin(int min);
  int Value() const { return value_; }
  PropertyError SetValue(int value);

  int Orientation() const { return orientation_; }
  void SetOrientation(int orientation) { orientation_ = orientation; }  // takes effect at the next redraw

  int MousePointer() const { return mousePointer_; }
  PropertyError SetMousePointer(int pointer);
  QString MouseIcon() const { return mouseIconName_; }
  PropertyError SetMouseIcon(const QString& name);

  void Refresh() { redraw(); }

  void ReadProperties(const PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) const override;

  // The caption text for the current value and CaptionFormat.
  QString captionText() const;
  const QPixmap& surface() const { return surface_; }

 signals:
  void Click();
  void ArrivedFirst();
  void ArrivedLast();
  void ValueChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void resizeStep();
  void redraw();
  int pointToValue(QPointF point) const;
  void press(Qt::MouseButton button, QPointF point);
  QFont inheritedFont() const;

  QString captionCustom_;
  int captionFormat_ = 0;
  QString barPictureName_;
  QString barPictureBackName_;
  ColorValue fontColor_ = kButtonText;
  int max_ = 100;
  int min_ = 0;
  int orientation_ = kHorizontal;
  int value_ = 0;
  int mousePointer_ = 0;
  QString mouseIconName_;

  QPixmap bar_;
  QPixmap background_;
  QPixmap mouseIcon_;
  int range_ = 100;
  int lastValue_ = 0;
  bool dragging_ = false;
  bool pressedInside_ = false;
  bool endsDoubleClick_ = false;  // the next release ends a double click: no second Click
  Qt::MouseButton pressButton_ = Qt::NoButton;
  QPointF pressPoint_;
  bool inResizeStep_ = false;
  QPixmap surface_;
};

}  // namespace tonalix::widgets
