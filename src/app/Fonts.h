#pragma once
// The window's fonts. The instrument's layout was made for a narrow bitmap
// sans font at small pixel sizes; the closest font on the system stands in
// for it at the same pixel size, so that every caption fits its control.

#include <QFont>

// The sans font at a pixel size (the form font is bold, 11 pixels).
QFont uiFont(int pixelSize, bool bold);
// The form font, inherited by the controls that do not set their own.
inline QFont formFont() {
    return uiFont(11, true);
}
