#include "widgets/DesignLabel.h"

#include <QApplication>

namespace tonalix::widgets {

DesignLabel::DesignLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);  // captions are shown as written, never as markup
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  applyColours();
}

void DesignLabel::SetForeColor(ColorValue colour) {
  foreColor_ = colour;
  applyColours();
}

void DesignLabel::SetBackColor(ColorValue colour) {
  backColor_ = colour;
  applyColours();
}

void DesignLabel::SetBackStyle(int style) {
  if (style != kTransparent && style != kOpaque) return;
  backStyle_ = style;
  applyColours();
}

void DesignLabel::SetAlignment(int alignment) {
  static const Qt::Alignment flags[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
  if (alignment < 0 || alignment > 2) return;
  alignment_ = alignment;
  setAlignment(flags[alignment] | Qt::AlignTop);
}

void DesignLabel::applyColours() {
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, resolveColor(foreColor_));
  pal.setColor(QPalette::Window, resolveColor(backColor_));
  setPalette(pal);
  setAutoFillBackground(backStyle_ == kOpaque);
}

void DesignLabel::ReadProperties(const PropertyBag& bag) {
  setText(bag.ReadProperty(QStringLiteral("Caption"), QString()).toString());
  const QVariant f = bag.ReadProperty(QStringLiteral("Font"));
  setFont(f.typeId() == QMetaType::QFont ? f.value<QFont>() : QFont());
  bool ok = false;
  const uint fore = bag.ReadProperty(QStringLiteral("ForeColor"), kButtonText).toUInt(&ok);
  foreColor_ = ok ? fore : kButtonText;
  const uint back = bag.ReadProperty(QStringLiteral("BackColor"), kButtonFace).toUInt(&ok);
  backColor_ = ok ? back : kButtonFace;
  backStyle_ = kOpaque;
  SetBackStyle(bag.ReadProperty(QStringLiteral("BackStyle"), kOpaque).toInt());
  alignment_ = kAlignLeft;
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetAlignment(bag.ReadProperty(QStringLiteral("Alignment"), kAlignLeft).toInt());
  applyColours();
}

void DesignLabel::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty(QStringLiteral("Caption"), text(), QString());
  const QFont inherited = parentWidget() ? parentWidget()->font() : QApplication::font();
  if (font() != inherited) bag.WriteProperty(QStringLiteral("Font"), font());
  bag.WriteProperty(QStringLiteral("ForeColor"), QVariant::fromValue<uint>(foreColor_),
                    QVariant::fromValue<uint>(kButtonText));
  bag.WriteProperty(QStringLiteral("BackColor"), QVariant::fromValue<uint>(backColor_),
                    QVariant::fromValue<uint>(kButtonFace));
  bag.WriteProperty(QStringLiteral("BackStyle"), backStyle_, kOpaque);
  bag.WriteProperty(QStringLiteral("Alignment"), alignment_, kAlignLeft);
}

}  // namespace tonalix::widgets
