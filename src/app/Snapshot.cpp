#include "app/Snapshot.h"

#include "core/WholeFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QPixmap>
#include <QWidget>

QImage windowImage(QWidget& window) {
    return window.grab().toImage();
}

QString savePng(const QImage& image, const QString& file) {
    // Encoded in memory first: the file receives the whole picture or nothing.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        return QStringLiteral("the picture could not be encoded as PNG");
    return writeWholeFile(file,
                          std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
}

QString saveWindowImage(QWidget& window, const QString& file) {
    const QImage image = windowImage(window);
    if (image.isNull()) return QStringLiteral("the window could not be captured");
    return savePng(image, file);
}

QString pictureNotSaved(const QString& file, const QString& reason) {
    return QString::fromUtf8("Obrázek %1 nelze zapsat: %2").arg(file, reason);
}
