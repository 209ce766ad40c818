#include "app/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

// The narrowest available sans family: the condensed face keeps the captions
// inside the small boxes of the generator panels and the menu bar.
QString sansFamily() {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* candidate : {"DejaVu Sans Condensed", "Liberation Sans Narrow",
                                      "Liberation Sans", "Arial", "DejaVu Sans", "FreeSans"}) {
            if (families.contains(QString::fromLatin1(candidate)))
                return QString::fromLatin1(candidate);
        }
        return QString();
    }();
    return family;
}

} // namespace

QFont uiFont(int pixelSize, bool bold) {
    QFont font;
    const QString family = sansFamily();
    if (!family.isEmpty()) font.setFamily(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
