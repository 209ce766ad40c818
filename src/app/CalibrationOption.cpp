#include "app/CalibrationOption.h"

#include "app/CalibrationStore.h"
#include "app/WindowScale.h"

#include <QDate>
#include <cstdio>

namespace {

void printLine(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

} // namespace

int runCalibrationOption(CommandLineOptions::Calibration action, const QString& card) {
    const SavedCalibration saved = savedCalibration(card);
    if (!saved.problem.isEmpty()) printLine(stderr, saved.problem);
    if (action == CommandLineOptions::Calibration::reset) {
        // An entry that held nonsense goes too; an unreadable file stays.
        if (const QString refused = saveCalibration(card, {}, QDate::currentDate());
            !refused.isEmpty()) {
            printLine(stderr, QStringLiteral("zo7scope: --calibration=reset: %1 cannot be read "
                                             "or written; it is left as it is")
                                  .arg(settingsFile()));
            return 1;
        }
        printLine(
            stdout,
            QStringLiteral("card: %1\nfactors: UR 1, IL 1, output 1 (not calibrated)").arg(card));
        return 0;
    }
    const measure::CalibrationFactors& f = saved.factors;
    const QString when = saved.found
                             ? QStringLiteral("calibrated %1").arg(saved.date.toString(Qt::ISODate))
                             : QStringLiteral("not calibrated");
    printLine(stdout,
              QStringLiteral("card: %1\nfactors: UR %2, IL %3, output %4 (%5)")
                  .arg(card, QString::number(f.voltage, 'g', 6), QString::number(f.current, 'g', 6),
                       QString::number(f.output, 'g', 6), when));
    return saved.problem.isEmpty() ? 0 : 1;
}
