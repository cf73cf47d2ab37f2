#include "keyboard/KeyLabels.h"

#include "keyboard/ActiveKeyboardLayout.h"
#include "keyboard/KeyBindings.h"
#include "keyboard/KeyGeometry.h"
#include "keyboard/PianoKeyboard.h"
#include "widgets/FormDesign.h"
#include "widgets/SmallFont.h"
#include "widgets/TwipsToPixels.h"
#include "widgets/zqButtons_H.h"

namespace tonalix::keyboard {

KeyLabels::KeyLabels(PianoKeyboard& piano, const widgets::BuiltControls& design, QWidget* surface)
    : QObject(surface), piano_(piano) {
  buildControls(design, surface);
  placeStripNames();
  layout_ = new ActiveKeyboardLayout(this);
  connect(layout_, &ActiveKeyboardLayout::changed, this, &KeyLabels::followLayout);
  followLayout();
}

void KeyLabels::followLayout() {
  const auto chars = layout_->characters();
  keyNames_ = layoutKeyNames(chars.value_or(std::array<KeyCharacters, 65>{}));
  QStringList blackNames;
  for (int i = 0; i < kKeyCount; ++i) {
    PianoKey* key = piano_.chkPiano(i);
    key->setAccessibleDescription(QStringLiteral("Piano key, computer key ") + keyNames_[i]);
    if (isBlackKey(i))
      blackNames << keyNames_[i];
    else if (piano_.ShowKey() && !key->isChecked())  // a held key shows no label
      key->setCaption(keyLabelCaption(i, keyNames_[i]));
  }
  lblKey1_->setCaption(stripCaptionWithNames(QString::fromLatin1(kStripLabel1), blackNames, 0));
  lblKey2_->setCaption(
      stripCaptionWithNames(QString::fromLatin1(kStripLabel2), blackNames, lblKey1_->names().size()));
}

void KeyLabels::buildControls(const widgets::BuiltControls& design, QWidget* surface) {
  const auto makeStrip = [&](const char* name, const QRect& geometry, const char* caption) {
    auto* label = new KeyStripLabel(surface);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setCaption(QString::fromLatin1(caption));
    label->setForeColor(QColor::fromRgb(kStripForeColor));
    label->setFont(widgets::smallFont(6));
    label->hide();
    return label;
  };
  lblKey1_ = makeStrip("lblKey1", widgets::placedTwipsToPixels(300, 2925, 6765, 165), kStripLabel1);
  lblKey2_ = makeStrip("lblKey2", widgets::placedTwipsToPixels(7095, 2925, 3975, 165), kStripLabel2);

  cmdKeyVisible_ = design.get<widgets::zqButtons_H>(QStringLiteral("cmdKeyVisible"));
  cmdKeyVisible_->setToolTip(QStringLiteral("Show Piano Key Labels"));
  cmdKeyHide_ = design.get<widgets::zqButtons_H>(QStringLiteral("cmdKeyHide"));
  cmdKeyHide_->setToolTip(QStringLiteral("Hide Piano Key Labels"));
  connect(cmdKeyVisible_, &widgets::zqButtons_H::Click, this, &KeyLabels::cmdKeyVisible_Click);
  connect(cmdKeyHide_, &widgets::zqButtons_H::Click, this, &KeyLabels::cmdKeyHide_Click);
}

void KeyLabels::placeStripNames() {
  // The strips name the black keys in ascending order: the first label up to key 39, the
  // second from key 42. Each name is centred over its key.
  QList<qreal> first, second;
  for (int i = 0; i < kKeyCount; ++i) {
    if (!isBlackKey(i)) continue;
    const qreal centre = keyRectPixels(i).x() + keyRectPixels(i).width() / 2.0;
    if (first.size() < lblKey1_->names().size())
      first << centre - lblKey1_->x();
    else
      second << centre - lblKey2_->x();
  }
  lblKey1_->setNameCentres(first);
  lblKey2_->setNameCentres(second);
}

void KeyLabels::ShowKeyLabels() {
  const QFont font = widgets::smallFont(6);
  const QColor fore = QColor::fromRgb(kLabelForeColor);
  for (int i = 0; i < kKeyCount; ++i) {
    PianoKey* key = piano_.chkPiano(i);
    key->setFont(font);
    key->setForeColor(fore);
    key->setPicture(QPixmap());
  }
  for (int i = 0; i < kKeyCount; ++i)
    if (isWhiteKey(i)) piano_.chkPiano(i)->setCaption(keyLabelCaption(i, keyNames_[i]));
}

void KeyLabels::ResetKeyLabelColor() {
  const QColor plain = QColor::fromRgb(kPlainForeColor);
  for (int i = 0; i < kKeyCount; ++i) piano_.chkPiano(i)->setForeColor(plain);
}

void KeyLabels::PrepareAtLoad() {
  ResetKeyLabelColor();
  lblKey1_->hide();
  lblKey2_->hide();
}

void KeyLabels::cmdKeyVisible_Click() {
  for (int i = 0; i < kKeyCount; ++i) piano_.chkPiano(i)->setPicture(QPixmap());
  ShowKeyLabels();
  lblKey1_->show();
  lblKey2_->show();
  piano_.SetShowKey(true);
  focusFirstKey();
}

void KeyLabels::cmdKeyHide_Click() {
  ResetKeyLabelColor();
  lblKey1_->hide();
  lblKey2_->hide();
  piano_.SetShowKey(false);
  for (int i = 0; i < kKeyCount; ++i) piano_.chkPiano(i)->setCaption(QString());
  piano_.ShowWhiteKeysUp();
  focusFirstKey();
}

void KeyLabels::focusFirstKey() { piano_.chkPiano(0)->setFocus(Qt::OtherFocusReason); }

}  // namespace tonalix::keyboard
