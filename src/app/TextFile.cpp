#include "app/TextFile.h"

#include "core/WholeFile.h"

QString writeTextFile(const QString& file, const std::string& text) {
    if (const QString reason = writeWholeFile(file, text); !reason.isEmpty())
        return QString::fromUtf8("Soubor %1 nelze zapsat: %2").arg(file, reason);
    return {};
}
