#include "app/WindowScale.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cmath>

namespace {

const char* const scaleVariable = "QT_SCALE_FACTOR";
const QString scaleKey = QStringLiteral("window/scale");

double scaleInForce = 1.0;
// QT_SCALE_FACTOR as the program found it, to give back once Qt has read ours.
std::optional<QByteArray> userScaleVariable;
bool scaleVariableChanged = false;

} // namespace

std::optional<double> windowScaleFromText(const QString& text) {
    bool ok = false;
    const double scale = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(scale) || scale < smallestWindowScale || scale > largestWindowScale)
        return std::nullopt;
    return scale;
}

QString settingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zo7scope/zo7scope.conf");
}

SavedWindowScale savedWindowScale() {
    SavedWindowScale saved;
    const QString file = settingsFile();
    if (!QFileInfo::exists(file)) return saved;
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        saved.problem =
            QStringLiteral("zo7scope: %1 cannot be read; the window opens at 100 %").arg(file);
        return saved;
    }
    if (!settings.contains(scaleKey)) return saved;
    const QString stored = settings.value(scaleKey).toString();
    if (const auto scale = windowScaleFromText(stored))
        saved.scale = *scale;
    else
        saved.problem =
            QStringLiteral("zo7scope: %1: window/scale '%2' is no number from 1 to 3; the window "
                           "opens at 100 %")
                .arg(file, stored);
    return saved;
}

QString saveWindowScale(double scale) {
    const QString file = settingsFile();
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return QStringLiteral("%1 cannot be created").arg(file);
    QSettings settings(file, QSettings::IniFormat);
    // An unreadable file would be written anew without what else it holds.
    if (settings.status() != QSettings::NoError)
        return QStringLiteral("%1 cannot be read, so it is not written").arg(file);
    settings.setValue(scaleKey, scale);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return QStringLiteral("%1 cannot be written").arg(file);
    return QString();
}

void useWindowScale(double scale) {
    scaleInForce = scale;
    if (scale == 1.0) return;
    double factor = scale;
    if (qEnvironmentVariableIsSet(scaleVariable)) {
        userScaleVariable = qgetenv(scaleVariable);
        bool ok = false;
        const double user = userScaleVariable->toDouble(&ok);
        if (ok && std::isfinite(user) && user > 0) factor *= user;
    }
    qputenv(scaleVariable, QByteArray::number(factor));
    scaleVariableChanged = true;
}

void restoreScaleEnvironment() {
    if (!scaleVariableChanged) return;
    if (userScaleVariable)
        qputenv(scaleVariable, *userScaleVariable);
    else
        qunsetenv(scaleVariable);
    scaleVariableChanged = false;
}

double windowScale() {
    return scaleInForce;
}

QStringList argumentsWithoutScale(const QStringList& arguments) {
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a.startsWith(QLatin1String("--scale=")) || a.startsWith(QLatin1String("-scale=")))
            continue;
        if (a == QLatin1String("--scale") || a == QLatin1String("-scale")) {
            ++i; // and its value
            continue;
        }
        kept << a;
    }
    return kept;
}
