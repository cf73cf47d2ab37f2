// The program's message boxes: modal, with an OK button only. Every box the program shows goes
// through one function of this type, so that a test can take the boxes instead of a user.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tonalix::widgets {

enum class MessageIcon { None, Information, Warning, Critical };

using MessageBoxFunction = std::function<void(QWidget* parent, const QString& caption,
                                              const QString& text, MessageIcon icon)>;

// Shows the box and returns once it is closed.
void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text,
                    MessageIcon icon = MessageIcon::None);

}  // namespace tonalix::widgets
