#pragma once
// The error box of the program: an exception that nobody handled is shown in
// a message box titled with the application title, and the program goes on.
// The box is replaceable so that tests can record reports instead of waiting
// for a click.

#include <QString>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

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

// Runs one of the program's handlers and reports an exception that leaves it;
// then the result is the value-initialised one (false for a buffer handler).
// Handlers are run this way so that an exception never unwinds through the
// toolkit's event delivery, which is not built for it and would leak what it
// had under way. The application object still catches what slips past.
template <class Handler> auto reportExceptions(Handler&& handler) {
    using Result = std::invoke_result_t<Handler&>;
    try {
        return handler();
    } catch (const std::exception& error) {
        reportException(error);
    } catch (...) {
        reportUnknownException();
    }
    if constexpr (!std::is_void_v<Result>) return Result{};
}

// A slot that runs `handler` through reportExceptions (signal arguments are dropped).
template <class Handler> auto guarded(Handler handler) {
    return [handler = std::move(handler)]() mutable { reportExceptions(handler); };
}

} // namespace app
