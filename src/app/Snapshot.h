#pragma once
// An image of the whole window, menu bar and controls included, as the user sees it.

#include <QImage>
#include <QString>

class QWidget;

QImage windowImage(QWidget& window);
// Saves the image as PNG, whole or not at all. Returns an empty text on
// success, else why it failed (the file is then as it was).
QString savePng(const QImage& image, const QString& file);
QString saveWindowImage(QWidget& window, const QString& file);
// The error box's text when a picture could not be saved.
QString pictureNotSaved(const QString& file, const QString& reason);
