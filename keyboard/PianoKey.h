// One on-screen piano key: a two-state push control that shows a key picture centred on its
// face and an optional caption, and reports every mouse button's press and release.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QPixmap>

namespace tonalix::keyboard {

class PianoKey : public QAbstractButton {
  Q_OBJECT
 public:
  PianoKey(int index, QWidget* parent = nullptr);

  int index() const { return index_; }

  void setPicture(const QPixmap& picture);  // a null pixmap shows no picture
  const QPixmap& picture() const { return picture_; }
  void setCaption(const QString& caption);
  QString caption() const { return text(); }
  void setBackColor(const QColor& colour);
  QColor backColor() const { return backColor_; }
  void setForeColor(const QColor& colour);
  QColor foreColor() const { return foreColor_; }

 signals:
  // Every mouse button plays, so both carry the button that was used.
  void MouseDown(int index, Qt::MouseButton button);
  void MouseUp(int index, Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  int index_;
  QPixmap picture_;
  QColor backColor_ = Qt::white;
  QColor foreColor_ = Qt::white;
};

}  // namespace tonalix::keyboard
