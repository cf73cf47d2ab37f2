// Program start: refuses a second copy, brings up the sound engine and shows the main window.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tonalix {

struct StartServices {
  // Shows a message with an OK button; tests replace it to answer without a user.
  std::function<void(QWidget* parent, const QString& caption, const QString& text)> messageBox;
};

// The default message box: a modal box with an OK button only.
void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text);

// Runs the program; returns the process exit code.
int Start(int argc, char** argv, const StartServices& services);

}  // namespace tonalix
