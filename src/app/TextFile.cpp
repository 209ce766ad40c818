#include "app/TextFile.h"

#include <QFile>

QString writeTextFile(const QString& file, const std::string& text) {
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()))
        return QStringLiteral("Soubor %1 nelze zapsat: %2").arg(file, out.errorString());
    return {};
}
