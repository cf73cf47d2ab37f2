// The program's general push button: a self-drawn widget that behaves as a command button,
// a check box or one of a group of option buttons, with hover tracking, access keys taken
// from its caption and settings that save and load through a property bag.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "widgets/ButtonPicture.h"
#include "widgets/ButtonShape.h"
#include "widgets/ColorValue.h"
#include "widgets/PropertyBag.h"
#include "widgets/VirtualKeyCode.h"

class QMimeData;

namespace tonalix::widgets {

class zqButtons_H : public QWidget, public Designable {
  Q_OBJECT

 public:
  enum ButtonMode { ModeCommand = 0, ModeCheck = 1, ModeOption = 2 };
  enum CaptionAlignment { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };
  enum CaptionLook { CaptionFlat = 0, CaptionEmbossed = 1, CaptionEngraved = 2 };
  enum PictureAlignment {
    PicLeftEdge = 0, PicLeftOfCaption = 1, PicRightEdge = 2, PicRightOfCaption = 3,
    PicTopCenter = 4, PicBottomCenter = 5,
  };
  enum Gradient {
    GradientNone = 0, GradientLeftToRight = 1, GradientRightToLeft = 2, GradientTopToBottom = 3,
    GradientBottomToTop = 4,
  };
  enum HoverLock {
    HoverLockBoth = 0, HoverLockForeOnly = 1, HoverLockBackOnly = 2, HoverLockNone = 3,
  };
  // Mouse buttons as the events report them: the codes of the key-code table.
  enum MouseButtonCode { LeftButton = MouseLeft, RightButton = MouseRight, MiddleButton = MouseMiddle };

  explicit zqButtons_H(QWidget* parent = nullptr);
  ~zqButtons_H() override;

  int ButtonStyle() const { return buttonStyle_; }
  void setButtonStyle(int style);
  int Mode() const { return mode_; }
  void setMode(int mode);
  QString Caption() const { return caption_; }
  void setCaption(const QString& caption);
  // The character of the access key in force ("" when none); Alt+key clicks the button.
  QString accessKey() const { return accessKey_; }
  int CaptionAlign() const { return captionAlign_; }
  void setCaptionAlign(int align);
  int CaptionStyle() const { return captionStyle_; }
  void setCaptionStyle(int style);
  int CustomClick() const { return customClick_; }
  void setCustomClick(int direction);
  int ButtonShape() const { return buttonShape_; }
  void setButtonShape(int shape);
  ButtonPicture Picture() const { return picture_; }
  void setPicture(const ButtonPicture& picture);
  int PictureAlign() const { return pictureAlign_; }
  void setPictureAlign(int align);
  bool Enabled() const { return isEnabled(); }  // set with QWidget::setEnabled
  bool ShowFocusRect() const { return showFocusRect_; }
  void setShowFocusRect(bool show);
  bool Value() const { return value_; }
  void setValue(bool value);
  int PictureSize() const { return pictureSizePx_ / 8 - 2; }
  void setPictureSize(int size);
  int MousePointer() const { return mousePointer_; }
  void setMousePointer(int pointer);
  ButtonPicture MouseIcon() const { return mouseIcon_; }
  void setMouseIcon(const ButtonPicture& icon);
  QFont Font() const { return font(); }  // set with QWidget::setFont
  int FontStyle() const;
  void setFontStyle(int bits);
  ColorValue ForeColor() const { return foreColor_; }
  void setForeColor(ColorValue colour);
  ColorValue BackColor() const { return backColor_; }
  void setBackColor(ColorValue colour);
  ColorValue GradientColor() const { return gradientColor_; }
  void setGradientColor(ColorValue colour);
  int GradientMode() const { return gradientMode_; }
  void setGradientMode(int mode);
  // A design-time action; reading gives false and setting it while running does nothing.
  bool ResetDefaultColors() const { return false; }
  void setResetDefaultColors(bool) {}
  int HoverColorLocks() const { return hoverLocks_; }
  void setHoverColorLocks(int locks);
  ColorValue HoverForeColor() const { return hoverForeColor_; }
  void setHoverForeColor(ColorValue colour);
  ColorValue HoverBackColor() const { return hoverBackColor_; }
  void setHoverBackColor(ColorValue colour);

  QWidget* hwnd() { return this; }
  // The finished face, at the screen's device pixel ratio, drawn now if a change is pending
  // (unless drawing is delayed); it reaches the screen in one copy.
  const QImage& hdc() const;
  // How many times the face has been copied to the screen (one per paint).
  int surfaceCopies() const { return surfaceCopies_; }

  void Refresh();
  // true suspends drawing while several properties change; false resumes and redraws.
  void DelayDrawing(bool delay);
  bool isDrawingDelayed() const { return drawingDelayed_; }

  // The container asks for the default-button look (frame and focus rectangle) even
  // without the focus.
  void setDisplayAsDefault(bool asDefault);
  // Enter clicks the window's default button and Escape its cancel button, as the access key
  // does; check and option buttons ignore both keys.
  void setDefault(bool isDefault);
  bool isDefault() const { return enterKeyIds_[0] != 0; }
  void setCancel(bool isCancel);
  bool isCancel() const { return escapeKeyId_ != 0; }
  bool isHovering() const { return hovering_; }
  bool isPushed() const { return (state_ & (kPressed | kPointerOver)) == (kPressed | kPointerOver); }

  void ReadProperties(const PropertyBag& bag) override;
  void WriteProperties(PropertyBag& bag) const override;

  QSize sizeHint() const override { return {90, 30}; }

 signals:
  void MouseDown(int button, int shift, float x, float y);
  void MouseUp(int button, int shift, float x, float y);
  void MouseMove(int button, int shift, float x, float y);
  void KeyDown(int keyCode, int shift);
  void KeyPress(int keyAscii);
  void KeyUp(int keyCode, int shift);
  void MouseOnButton(bool onButton);
  void Click();
  void DoubleClick(int button);
  // Drops from other programs or widgets, delivered while acceptDrops() is on. A handler may
  // change effect (1 copy, 2 move, 4 link, 0 refuse).
  void OLEDragOver(const QMimeData* data, int& effect, int button, int shift, float x, float y,
                   int state);
  void OLEDragDrop(const QMimeData* data, int& effect, int button, int shift, float x, float y);

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  // Bits of state_.
  static constexpr int kDefaultLook = 1;
  static constexpr int kPressed = 2;
  static constexpr int kPointerOver = 4;
  static constexpr int kMoved = 1024;
  enum GroupRequest { GroupLeave = -1, GroupClearOthers = 0, GroupJoin = 1, GroupQuery = 2 };

  void redraw();
  void render();
  bool surfaceOutOfDate() const;
  void rebuildRegion();
  void pressLeft(const QPointF& pos, int shift);
  void runClick();
  void startHover(bool leftDown);
  void checkHover();
  bool pointerIsOverMe() const;
  bool optionGroup(GroupRequest request);
  void attachToContainer();
  void updateDefaultLook();
  void applyMousePointer();
  void applyAccessKey(const QString& key);
  bool customClickMove();
  ColorValue containerColor() const;
  void applyHoverBackLock();

  int buttonStyle_ = 0;
  int mode_ = ModeCommand;
  QString caption_;
  QString accessKey_;
  int accessKeyId_ = 0;
  int enterKeyIds_[2] = {0, 0};  // Return and the keypad's Enter
  int escapeKeyId_ = 0;
  int captionAlign_ = AlignCenter;
  int captionStyle_ = CaptionFlat;
  int customClick_ = 0;
  int buttonShape_ = 0;
  ButtonPicture picture_;
  int pictureAlign_ = PicLeftEdge;
  bool showFocusRect_ = true;
  bool value_ = false;
  int pictureSizePx_ = 16;
  int mousePointer_ = 0;
  ButtonPicture mouseIcon_;
  ColorValue foreColor_ = kButtonText;
  ColorValue backColor_ = kButtonFace;
  ColorValue gradientColor_ = kButtonFace;
  int gradientMode_ = GradientNone;
  int hoverLocks_ = HoverLockBoth;
  ColorValue hoverForeColor_ = kButtonText;
  ColorValue hoverBackColor_ = kButtonFace;

  QPointer<QWidget> container_;
  bool displayAsDefault_ = false;
  int state_ = 0;
  bool hovering_ = false;
  bool held_ = false;
  int lastButton_ = 0;
  bool drawingDelayed_ = false;
  bool surfaceStale_ = true;
  bool clickAfterRelease_ = true;  // false for the release that ends a double click
  QPoint movedBy_;                 // window offset of a CustomClick press
  QImage surface_;
  int surfaceCopies_ = 0;
  ButtonRegions regions_;
  QImage cutPicture_;      // shapes 7 and 8: the picture fitted to the button
  struct PictureCopy {
    QImage image;
    qint64 key = 0;  // the source pixmap's cache key
  };
  PictureCopy pictureCopy_;     // the transparent copy of a bitmap at its drawn size
  QPixmap cutSource_;           // cutPicture_ as a pixmap, made once per cut
  qint64 cutSourceOf_ = 0;
  PictureCopy cutCopy_;         // shapes 7 and 8: the copy over the client area
  PictureCopy cutCopyPushed_;   // and 1 pixel smaller each side, while pushed
  bool regionStale_ = true;
  bool reshaping_ = false;
  QTimer hoverTimer_;
};

}  // namespace tonalix::widgets
