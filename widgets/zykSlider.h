// A self-drawn slider: a thumb picture dragged along a bevelled groove or a rail picture. The
// value is a whole number between Min and Max and the thumb's position is proportional to it.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include "widgets/ColorValue.h"
#include "widgets/PropertyBag.h"
#include "widgets/PropertyError.h"

namespace tonalix::widgets {

class ValueTip;

class zykSlider : public QWidget, public Designable {
  Q_OBJECT
 public:
  static constexpr int kHorizontal = 0;
  static constexpr int kVertical = 1;
  static constexpr int kRailPictureStyle = 99;

  explicit zykSlider(QWidget* parent = nullptr);
  ~zykSlider() override;

  // Stored only: while false, mouse presses are ignored; nothing is greyed.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }

  ColorValue BackColor() const { return backColor_; }
  void SetBackColor(ColorValue colour);

  int Max() const { return max_; }
  PropertyError SetMax(int max);
  int Min() const { return min_; }
  PropertyError SetMin(int min);
  int Value() const { return value_; }
  PropertyError SetValue(int value);

  int Orientation() const { return orientation_; }
  PropertyError SetOrientation(int orientation);  // 0 horizontal, 1 vertical
  int RailStyle() const { return railStyle_; }
  void SetRailStyle(int style);  // 0..4 bevelled groove, 99 rail picture, others no rail

  // Pictures are named by a resource or file name; an empty thumb name means the built-in thumb.
  QString SliderIcon() const { return sliderIconName_; }
  PropertyError SetSliderIcon(const QString& name);
  QString RailPicture() const { return railPictureName_; }
  PropertyError SetRailPicture(const QString& name);

  bool ShowValueTip() const { return showValueTip_; }
  void SetShowValueTip(bool show) { showValueTip_ = show; }

  void ReadProperties(const PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) const override;

  // In logical pixels, as mouse positions are; the thumb picture may be drawn for a denser screen.
  QRect thumbRect() const {
    return QRect(QPoint(thumbLeft_, thumbTop_), thumb_.deviceIndependentSize().toSize());
  }
  QRect railRect() const { return railRect_; }  // the groove, right and bottom exclusive
  bool isDragging() const { return dragging_; }
  const QPixmap& surface() const { return surface_; }
  int twipsPerPixelX() const { return twipsPerPixelX_; }
  int twipsPerPixelY() const { return twipsPerPixelY_; }

  // The thumb used when no SliderIcon is set.
  static QPixmap builtInThumb();

 signals:
  void Click();
  void ArrivedFirst();
  void ArrivedLast();
  void ValueChanged();
  void DragStart(short shift);
  void DragEnd(short shift);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool vertical() const { return orientation_ == kVertical; }
  bool usesRailPicture() const { return railStyle_ == kRailPictureStyle && !rail_.isNull(); }
  void resizeStep();
  void placeThumbForValue();
  void snapThumbToValue();
  void redraw();
  void showValueTipNow();
  void raiseChangeEvents();

  bool enabled_ = true;
  ColorValue backColor_ = kButtonFace;
  int max_ = 10;
  int min_ = 0;
  int value_ = 0;
  int orientation_ = kVertical;
  int railStyle_ = 0;
  QString sliderIconName_;
  QString railPictureName_;
  bool showValueTip_ = true;

  QPixmap thumb_;
  QPixmap rail_;
  int thumbLeft_ = 0;
  int thumbTop_ = 0;
  int range_ = 10;
  int lastValue_ = 0;
  bool dragging_ = false;
  double grabX_ = 0;
  double grabY_ = 0;
  QRect railRect_;
  int twipsPerPixelX_ = 15;
  int twipsPerPixelY_ = 15;
  bool inResizeStep_ = false;
  QPixmap surface_;
  ValueTip* tip_ = nullptr;
};

}  // namespace tonalix::widgets
