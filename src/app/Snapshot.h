#pragma once
// An image of the whole window, menu bar and controls included, as the user sees it.

#include <QImage>
#include <QString>

class QWidget;

QImage windowImage(QWidget& window);
// Saves the image as PNG. Returns an empty text on success, else why it failed.
QString saveWindowImage(QWidget& window, const QString& file);
