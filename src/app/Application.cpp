#include "app/Application.h"

#include "app/ErrorReport.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromUtf8(app::applicationTitle));
    setApplicationVersion(QStringLiteral(ZO7SCOPE_VERSION));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        app::reportException(error);
    } catch (...) {
        app::reportUnknownException();
    }
    return false;
}
