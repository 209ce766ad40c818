#pragma once
// The error box of the program: an exception that nobody handled is shown in
// a message box titled with the application title, and the program goes on.
// The box is replaceable so that tests can record reports instead of waiting
// for a click.

#include <QString>
#include <exception>
#include <functional>

namespace app {

// The application title: the caption of error boxes and the start of the window title.
inline constexpr const char* applicationTitle = "zo7scope";

// Shows one error: the caption (application title) and the message text.
using ErrorBox = std::function<void(const QString& caption, const QString& text)>;

// The text of the box: the message, with a final full stop added when it has none.
QString errorBoxText(const QString& message);

// Installs the box that reports use; an empty function restores the message box.
// Returns the box that was installed before.
ErrorBox setErrorBox(ErrorBox box);

// Reports an exception in the box (the message of a std::exception, or a
// generic text for anything else).
void reportException(const std::exception& error);
void reportUnknownException();

// Number of reports shown since the program started.
int errorReportCount();

} // namespace app
