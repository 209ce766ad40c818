#include "app/Snapshot.h"

#include <QPixmap>
#include <QWidget>

QImage windowImage(QWidget& window) {
    return window.grab().toImage();
}

QString saveWindowImage(QWidget& window, const QString& file) {
    const QImage image = windowImage(window);
    if (image.isNull()) return QStringLiteral("the window could not be captured");
    if (!image.save(file, "PNG")) return QStringLiteral("cannot write '%1'").arg(file);
    return QString();
}
