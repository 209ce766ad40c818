#include "app/ErrorReport.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

namespace app {
namespace {

void messageBox(const QString& caption, const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), caption, text);
}

ErrorBox& currentBox() {
    static ErrorBox box = messageBox;
    return box;
}

int reportCount = 0;

void show(const QString& message) {
    ++reportCount;
    const QString caption = QString::fromUtf8(applicationTitle);
    // Copied, so that a box that replaces itself while it runs stays valid.
    ErrorBox box = currentBox();
    box(caption, errorBoxText(message));
}

} // namespace

QString errorBoxText(const QString& message) {
    QString text = message;
    if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
    return text;
}

ErrorBox setErrorBox(ErrorBox box) {
    ErrorBox previous = std::exchange(currentBox(), box ? std::move(box) : ErrorBox(messageBox));
    return previous;
}

void reportException(const std::exception& error) {
    show(QString::fromUtf8(error.what()));
}

void reportUnknownException() {
    show(QStringLiteral("An unknown error occurred"));
}

int errorReportCount() {
    return reportCount;
}

} // namespace app
