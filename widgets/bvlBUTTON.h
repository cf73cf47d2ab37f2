// A button with a shaded three-dimensional bevel in one of four shapes, an optional picture
// and hover picture and a caption; it acts as a push button, a toggle or one of a group of
// option buttons. The raised and sunken bevels are painted once per size and colour, so a
// press or hover costs one copy plus the picture and the caption.
#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "widgets/ButtonPicture.h"
#include "widgets/ColorValue.h"
#include "widgets/PropertyBag.h"
#include "widgets/mdlSHPCLR.h"

namespace tonalix::widgets {

class bvlBUTTON : public QWidget, public Designable {
  Q_OBJECT

 public:
  enum Behaviours { PushButton = 0, ToggleButton = 1, OptionButton = 2 };
  // Bits of the face state.
  static constexpr int kDown = 1, kHover = 2, kDisabled = 4, kFlash = 8;
  static constexpr int kTimerMs = 125;

  explicit bvlBUTTON(QWidget* parent = nullptr);
  ~bvlBUTTON() override;

  QString AccessKeys() const { return accessKeys_; }
  void setAccessKeys(const QString& keys);
  int Appearance() const { return appearance_; }
  void setAppearance(int shape);
  ColorValue BackColour() const { return backColour_; }
  void setBackColour(ColorValue colour);
  int Behaviour() const { return behaviour_; }
  void setBehaviour(int behaviour);
  bool BevelAutoAdjust() const { return bevelAutoAdjust_; }
  void setBevelAutoAdjust(bool on);
  int BevelHeight() const { return bevelHeight_; }
  void setBevelHeight(int height);
  QString Caption() const { return caption_; }
  void setCaption(const QString& caption);
  int CaptionJustify() const { return captionJustify_; }
  void setCaptionJustify(int justify);
  ColorValue CaptionColour() const { return captionColour_; }
  void setCaptionColour(ColorValue colour);
  ColorValue CaptionHoverColour() const { return captionHoverColour_; }
  void setCaptionHoverColour(ColorValue colour);
  QString CaptionOffset() const { return captionOffset_; }
  void setCaptionOffset(const QString& offset);
  bool Enabled() const { return isEnabled(); }
  void setEnabledState(bool enabled);
  QFont Font() const { return font(); }
  void setCaptionFont(const QFont& font);
  int MouseKeys() const { return mouseKeys_; }
  void setMouseKeys(int mask);
  ButtonPicture Picture() const { return picture_; }
  void setPicture(const ButtonPicture& picture);
  int PictureJustify() const { return pictureJustify_; }
  void setPictureJustify(int justify);
  ButtonPicture PictureHover() const { return pictureHover_; }
  void setPictureHover(const ButtonPicture& picture);
  QString PictureOffset() const { return pictureOffset_; }
  void setPictureOffset(const QString& offset);
  ColorValue Transparency() const { return transparency_; }
  void setTransparency(ColorValue colour);
  bool UseTransparency() const { return useTransparency_; }
  void setUseTransparency(bool on);
  bool Value() const { return value_; }
  void setValue(bool value);
  ButtonPicture MouseIcon() const { return mouseIcon_; }
  void setMouseIcon(const ButtonPicture& icon);
  int MousePointer() const { return mousePointer_; }
  void setMousePointer(int pointer);
  QWidget* hwnd() { return this; }

  void Refresh();
  void Flash();

  int state() const { return state_; }
  // The bevels as painted by the last bevel step.
  const QImage& raisedPicture() const { return raised_; }
  const QImage& sunkenPicture() const { return sunken_; }
  // How often the bevels have been painted (they must not be on hover or press).
  int bevelPaintCount() const { return bevelPaints_; }

  void ReadProperties(const PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) const override;
  QSize sizeHint() const override { return {21, 9}; }

 signals:
  void Click();
  void DblClick();
  void KeyDown(int keyCode, int shift);
  void KeyPress(int keyAscii);
  void KeyUp(int keyCode, int shift);
  void MouseDown(int button, int shift, float x, float y);
  void MouseExit();
  void MouseMove(int button, int shift, float x, float y);
  void MouseUp(int button, int shift, float x, float y);
  // A property was changed, under its key.
  void PropertyChanged(const QString& key);

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void shapeStep();
  void bevelStep();
  void layout();
  void preparePictures();
  void repaintFace(bool force);
  void clearGroup();
  void tick();
  void changed(const char* key);

  QString accessKeys_;
  int appearance_ = 2;
  ColorValue backColour_ = kButtonFace;
  int behaviour_ = PushButton;
  bool bevelAutoAdjust_ = true;
  int bevelHeight_ = 0;
  QString caption_;
  int captionJustify_ = 4;
  ColorValue captionColour_ = 0x80000008u;
  ColorValue captionHoverColour_ = 0x8000000Eu;
  QString captionOffset_ = QStringLiteral("(0,0)");
  int mouseKeys_ = 1;
  ButtonPicture picture_;
  int pictureJustify_ = 4;
  ButtonPicture pictureHover_;
  QString pictureOffset_ = QStringLiteral("(0,0)");
  ColorValue transparency_ = 0xC0C0C0u;
  bool useTransparency_ = true;
  bool value_ = false;
  ButtonPicture mouseIcon_;
  int mousePointer_ = 0;

  int state_ = 0;
  int drawnState_ = -1;  // impossible: the next repaint always draws
  bool pressed_ = false;
  bool doubleClicked_ = false;  // the press under way is the second of a double click
  bool reading_ = false;
  bool resizing_ = false;
  bool terminated_ = false;
  std::int16_t captionX_ = 0, captionY_ = 0, pictureX_ = 0, pictureY_ = 0;
  QRect captionBox_, pictureBox_;
  QPoint picturePos_, hoverPicturePos_;
  QPoint lastPointer_{-1, -1};
  QList<int> shortcutIds_;
  int bevelPaints_ = 0;

  QImage raised_, sunken_;
  // Prepared pictures: normal and disabled looks, transparency already applied.
  QPixmap pictureCells_[2][2];  // [normal, hover][enabled, disabled]
  QPixmap face_;
  QTimer tmrRCB_;
};

}  // namespace tonalix::widgets
