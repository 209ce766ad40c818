#include "app/CalibrationStore.h"

#include "app/WindowScale.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <charconv>
#include <optional>
#include <string>

namespace {

// The group of a card: its identity with everything but letters and digits
// as '_', so that no character means anything to the settings file.
QString groupOf(const QString& card) {
    QString key;
    for (const QChar c : card)
        key += (c.isLetterOrNumber() && c.unicode() < 128) ? c : QChar(u'_');
    return QStringLiteral("calibration/") + key;
}

// A stored factor: a plain number, exactly as written, in range.
std::optional<double> storedFactor(const QSettings& settings, const QString& key) {
    if (!settings.contains(key)) return std::nullopt;
    const std::string text = settings.value(key).toString().trimmed().toStdString();
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end ||
        !measure::calibrationFactorValid(value))
        return std::nullopt;
    return value;
}

// Files found unreadable in this run. The settings keep a file once parsed,
// so a later reader of the same file sees no error: what could not be read
// once is not written for the rest of the run.
QSet<QString>& unreadableFiles() {
    static QSet<QString> files;
    return files;
}

} // namespace

SavedCalibration savedCalibration(const QString& card) {
    SavedCalibration saved;
    const QString file = settingsFile();
    if (!QFileInfo::exists(file)) return saved;
    QSettings settings(file, QSettings::IniFormat);
    settings.allKeys();
    if (settings.status() != QSettings::NoError) {
        unreadableFiles().insert(file);
        saved.problem =
            QStringLiteral("zo7scope: %1 cannot be read; the readouts are not calibrated")
                .arg(file);
        return saved;
    }
    settings.beginGroup(groupOf(card));
    if (settings.childKeys().isEmpty()) return saved;
    const auto voltage = storedFactor(settings, QStringLiteral("voltage"));
    const auto current = storedFactor(settings, QStringLiteral("current"));
    const auto output = storedFactor(settings, QStringLiteral("output"));
    if (!voltage || !current || !output) {
        saved.problem =
            QStringLiteral("zo7scope: %1: the calibration of %2 is not three factors from 0.2 "
                           "to 5 (voltage, current, output); the readouts are not calibrated")
                .arg(file, card);
        return saved;
    }
    saved.factors = {*voltage, *current, *output};
    saved.date = QDate::fromString(settings.value(QStringLiteral("date")).toString(), Qt::ISODate);
    saved.found = true;
    return saved;
}

QString saveCalibration(const QString& card, const measure::CalibrationFactors& factors,
                        const QDate& date) {
    const QString file = settingsFile();
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return QStringLiteral("Složku %1 nelze vytvořit.").arg(QFileInfo(file).absolutePath());
    QSettings settings(file, QSettings::IniFormat);
    // An unreadable file would be written anew without what else it holds.
    // (The file is parsed on first access, which sets the status.)
    settings.allKeys();
    if (settings.status() != QSettings::NoError || unreadableFiles().contains(file))
        return QStringLiteral("Soubor %1 nelze přečíst, proto se nepřepíše; opravte jej nebo "
                              "smažte.")
            .arg(file);
    const QString group = groupOf(card);
    settings.remove(group);
    if (!factors.isDefault()) {
        settings.beginGroup(group);
        settings.setValue(QStringLiteral("card"), card);
        settings.setValue(QStringLiteral("voltage"), QString::number(factors.voltage, 'g', 17));
        settings.setValue(QStringLiteral("current"), QString::number(factors.current, 'g', 17));
        settings.setValue(QStringLiteral("output"), QString::number(factors.output, 'g', 17));
        settings.setValue(QStringLiteral("date"), date.toString(Qt::ISODate));
        settings.endGroup();
    }
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return QStringLiteral("Soubor %1 nelze zapsat.").arg(file);
    return QString();
}
