// A text label placed by a window design: caption, font, text colour, an opaque or transparent
// background and the alignment of the text.
#pragma once

#include <QLabel>

#include "widgets/ColorValue.h"
#include "widgets/PropertyBag.h"

namespace tonalix::widgets {

class DesignLabel : public QLabel, public Designable {
  Q_OBJECT
 public:
  static constexpr int kTransparent = 0;
  static constexpr int kOpaque = 1;
  static constexpr int kAlignLeft = 0;
  static constexpr int kAlignRight = 1;
  static constexpr int kAlignCenter = 2;

  explicit DesignLabel(QWidget* parent = nullptr);

  QString Caption() const { return text(); }
  void SetCaption(const QString& caption) { setText(caption); }
  ColorValue ForeColor() const { return foreColor_; }
  void SetForeColor(ColorValue colour);
  ColorValue BackColor() const { return backColor_; }
  void SetBackColor(ColorValue colour);
  int BackStyle() const { return backStyle_; }
  void SetBackStyle(int style);  // 0 transparent, 1 opaque; others are ignored
  int Alignment() const { return alignment_; }
  void SetAlignment(int alignment);  // 0 left, 1 right, 2 centre; others are ignored

  void ReadProperties(const PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) const override;

 private:
  void applyColours();

  ColorValue foreColor_ = kButtonText;
  ColorValue backColor_ = kButtonFace;
  int backStyle_ = kOpaque;
  int alignment_ = kAlignLeft;
};

}  // namespace tonalix::widgets
