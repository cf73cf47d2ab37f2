// A strip label above the piano naming the computer keys of the black keys. It keeps its
// caption exactly as given (blanks and names) and draws every name centred over the key it
// belongs to, so the names line up whatever the font's character widths.
#pragma once

#include <QColor>
#include <QList>
#include <QRectF>
#include <QWidget>

namespace tonalix::keyboard {

class KeyStripLabel : public QWidget {
  Q_OBJECT
 public:
  explicit KeyStripLabel(QWidget* parent = nullptr);

  void setCaption(const QString& caption);
  QString caption() const { return caption_; }
  void setForeColor(const QColor& colour);
  QColor foreColor() const { return foreColor_; }

  // Horizontal centres, in this label's pixels, of the keys the names stand over, one per name
  // in caption order. Without them the names stand at their character columns.
  void setNameCentres(const QList<qreal>& centres);

  // The names of the caption in order and where each is drawn.
  QStringList names() const;
  QList<QRectF> nameRects() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Word {
    QString text;
    int column;
  };
  QList<Word> words() const;

  QString caption_;
  QColor foreColor_ = Qt::white;
  QList<qreal> centres_;
};

}  // namespace tonalix::keyboard
