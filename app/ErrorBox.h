#pragma once

// How the window reports a failure: a handler throws (a std::exception whose what() is UTF-8),
// the failure ends the handler where it happened, and one modal error box shows the text.
// Nothing throws across threads or through Qt's event loop: every handler is entered through
// runGuarded.

#include <QString>
#include <exception>
#include <utility>

class QWidget;

// The executable's file name up to its first dot, lower case after the first character.
QString applicationTitle();

// The text the error box shows: a full stop is added when the last character sorts after ".".
QString errorBoxText(const QString& text);

// Shows the modal error box (title: the application title, one OK button), in the middle of
// the screen and above the window. Timers keep ticking while it is open.
void showErrorBox(QWidget* parent, const QString& text);

// Shows the simple message dialog: modal, centred on the screen, one OK button, no icon.
void showMessage(QWidget* parent, const QString& text);

template <typename F>
void runGuarded(QWidget* parent, F&& handler) {
  try {
    std::forward<F>(handler)();
  } catch (const std::exception& error) {
    showErrorBox(parent, QString::fromUtf8(error.what()));
  }
}
