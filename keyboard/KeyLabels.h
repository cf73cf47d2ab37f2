// Label mode of the piano: white keys show the name of their computer key, two strip labels
// name the keys of the black keys, and two buttons switch the labels on and off.
#pragma once

#include <QColor>
#include <QObject>
#include <QStringList>

#include "keyboard/KeyStripLabel.h"

namespace tonalix::widgets {
class zqButtons_H;
class BuiltControls;
}  // namespace tonalix::widgets

namespace tonalix::keyboard {

class PianoKeyboard;
class ActiveKeyboardLayout;

class KeyLabels : public QObject {
  Q_OBJECT
 public:
  static constexpr QRgb kStripForeColor = 0xFFFFC0;    // 0xC0FFFF as blue-green-red
  static constexpr QRgb kLabelForeColor = 0x5E5E5E;
  static constexpr QRgb kPlainForeColor = 0xFFFFFF;

  // The two buttons come from the window's design; the strip labels are made here as children
  // of surface.
  KeyLabels(PianoKeyboard& piano, const widgets::BuiltControls& design, QWidget* surface);

  KeyStripLabel* lblKey1() const { return lblKey1_; }
  KeyStripLabel* lblKey2() const { return lblKey2_; }
  widgets::zqButtons_H* cmdKeyVisible() const { return cmdKeyVisible_; }
  widgets::zqButtons_H* cmdKeyHide() const { return cmdKeyHide_; }

  // Small font, label colour and no picture on every key; captions on the white keys.
  void ShowKeyLabels();
  void ResetKeyLabelColor();
  // Start-up: plain key colour, strips hidden.
  void PrepareAtLoad();

  // The name of each piano key's computer key on the user's layout, in key order; they label
  // the keys and the strips and end each key's accessible description.
  const QStringList& keyNames() const { return keyNames_; }
  // Reads the user's layout again and relabels (it runs by itself when the layout changes).
  void followLayout();

 public slots:
  void cmdKeyVisible_Click();
  void cmdKeyHide_Click();

 private:
  void buildControls(const widgets::BuiltControls& design, QWidget* surface);
  void placeStripNames();
  void focusFirstKey();

  PianoKeyboard& piano_;
  ActiveKeyboardLayout* layout_ = nullptr;
  QStringList keyNames_;
  KeyStripLabel* lblKey1_ = nullptr;
  KeyStripLabel* lblKey2_ = nullptr;
  widgets::zqButtons_H* cmdKeyVisible_ = nullptr;
  widgets::zqButtons_H* cmdKeyHide_ = nullptr;
};

}  // namespace tonalix::keyboard
