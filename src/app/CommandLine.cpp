#include "app/CommandLine.h"

#include "app/WindowScale.h"
#include "core/PrintableText.h"
#include "measure/Response.h"

#include <QCommandLineParser>
#include <cmath>
#include <limits>

namespace {

// The close timer counts whole milliseconds in an int: about 24.8 days.
constexpr double longestQuitAfterSeconds = std::numeric_limits<int>::max() / 1000.0;

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Two-channel oscilloscope and tone generator on the PC sound card, for the ZO7 "
        "measuring unit."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption audio(
        QStringLiteral("audio"),
        QStringLiteral("Sound card to use: auto (ALSA when the system has a sound card, else the "
                       "simulated bench), alsa or bench."),
        QStringLiteral("auto|alsa|bench"), QStringLiteral("auto"));
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("ALSA PCM to record from and play to, e.g. hw:1 or plughw:CARD=Device "
                       "(default: default, which also reaches PulseAudio and PipeWire)."),
        QStringLiteral("NAME"));
    const QCommandLineOption mixer(
        QStringLiteral("mixer"),
        QStringLiteral("ALSA control device whose mixer the program sets up, e.g. hw:1 "
                       "(default: the one behind the recording PCM)."),
        QStringLiteral("NAME"));
    const QCommandLineOption listDevices(
        QStringLiteral("list-devices"),
        QStringLiteral("List the sound cards and ALSA PCMs the program can use, and exit."));
    const QCommandLineOption circuit(QStringLiteral("circuit"),
                                     QStringLiteral("Circuit on the simulated bench."),
                                     QStringLiteral("SPEC"));
    const QCommandLineOption quitAfter(
        QStringLiteral("quit-after"),
        QStringLiteral("Close the window normally after SECONDS (decimals allowed)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption snapshot(
        QStringLiteral("snapshot"),
        QStringLiteral("When the window closes, save a PNG image of it (menu bar included)."),
        QStringLiteral("FILE.png"));
    const QCommandLineOption report(
        QStringLiteral("report"),
        QStringLiteral("When the window closes, print the controls, menu and measurement state "
                       "as one JSON object on standard output."));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("While the window runs, append one CSV line per recorded block: time, "
                       "fL, fR, IL, UR, |Z|, phase."),
        QStringLiteral("FILE.csv"));
    const QCommandLineOption response(
        QStringLiteral("response"),
        QStringLiteral("Measure a frequency response without a click: generator 1 steps through "
                       "POINTS frequencies from START to END Hz (logarithmic); the CSV goes to "
                       "standard output and the program quits. On the simulated bench it runs "
                       "as fast as the processor allows."),
        QStringLiteral("START:END:POINTS"));
    const QCommandLineOption responseOut(
        QStringLiteral("response-out"),
        QStringLiteral("Write the frequency response's CSV to FILE instead."),
        QStringLiteral("FILE.csv"));
    const QCommandLineOption scale(
        QStringLiteral("scale"),
        QStringLiteral("Show the whole window F times larger, for a projector: F from 1 to 3, "
                       "e.g. 1.5 or 2 (default: the size chosen in the screen's context menu)."),
        QStringLiteral("F"));
    const QCommandLineOption harmonics(
        QStringLiteral("harmonics"),
        QStringLiteral("Print the harmonic table of both channels (fundamental and harmonics 2 "
                       "to 10 in mA / mV and %, THD) of the first settled block as CSV and "
                       "quit."));
    const QCommandLineOption harmonicsOut(
        QStringLiteral("harmonics-out"),
        QStringLiteral("Write the harmonic table's CSV to FILE instead (implies --harmonics)."),
        QStringLiteral("FILE.csv"));
    const QCommandLineOption responseSettle(
        QStringLiteral("response-settle"),
        QStringLiteral("Let each new frequency of --response play MS milliseconds before its "
                       "point is measured (0 to 10000, default 500)."),
        QStringLiteral("MS"));
    const QCommandLineOption benchNoise(
        QStringLiteral("bench-noise"),
        QStringLiteral("On the simulated bench, add Gaussian noise of LSB RMS (16-bit units, 0 to "
                       "1000) to both recorded channels."),
        QStringLiteral("LSB"));
    const QCommandLineOption benchCrosstalk(
        QStringLiteral("bench-crosstalk"),
        QStringLiteral("On the simulated bench, let the voltage UR leak into the current IL at DB "
                       "(-120 to 0)."),
        QStringLiteral("DB"));
    const QCommandLineOption benchSeed(
        QStringLiteral("bench-seed"),
        QStringLiteral("On the simulated bench, draw the noise of --bench-noise from seed N (0 "
                       "to 4294967295, default 0); each seed gives its own noise, the same every "
                       "run."),
        QStringLiteral("N"));
    const QCommandLineOption benchSensitivity(
        QStringLiteral("bench-sensitivity"),
        QStringLiteral("On the simulated bench, record UR and IL as a card whose line input is UR "
                       "and IL times as sensitive (each 0.1 to 10, e.g. 0.8:1.25)."),
        QStringLiteral("UR:IL"));
    const QCommandLineOption benchOutput(
        QStringLiteral("bench-output"),
        QStringLiteral("On the simulated bench, play the output G times as large (0.1 to 10)."),
        QStringLiteral("G"));
    const QCommandLineOption calibration(
        QStringLiteral("calibration"),
        QStringLiteral("Print the calibration factors in force and the card they belong to, and "
                       "exit; --calibration=reset removes those of the card in use."),
        QStringLiteral("reset"));
    parser.addOptions({help,         version,        audio,       device,         mixer,
                       listDevices,  circuit,        quitAfter,   snapshot,       report,
                       log,          response,       responseOut, scale,          harmonics,
                       harmonicsOut, responseSettle, benchNoise,  benchCrosstalk, benchSeed,
                       benchSensitivity, benchOutput, calibration});

    CommandLine result;
    const QString name = QStringLiteral("zo7scope");
    // The message quotes what was given, on one line whatever it holds.
    auto fail = [&](const QString& message) {
        result.action = CommandLine::Action::error;
        result.text = name + QStringLiteral(": ") +
                      QString::fromStdString(printable(message.toStdString())) +
                      QStringLiteral(" (see --help)");
        return result;
    };

    // --calibration alone prints the factors: the parser wants a value.
    QStringList given = arguments;
    for (qsizetype i = 1; i < given.size(); ++i) {
        if (given[i] == QLatin1String("--")) break;
        if (given[i] == QLatin1String("--calibration") || given[i] == QLatin1String("-calibration"))
            given[i] = QStringLiteral("--calibration=");
    }
    if (!parser.parse(given)) return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::help;
        // Without a running application the parser names the program
        // "<executable_name>"; the usage line names it as it is installed.
        result.text = parser.helpText();
        result.text.replace(0, result.text.indexOf(QLatin1Char('\n')),
                            QStringLiteral("Usage: ") + name + QStringLiteral(" [options]"));
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::version;
        result.text = name + QStringLiteral(" ") + QStringLiteral(ZO7SCOPE_VERSION);
        return result;
    }
    if (parser.isSet(listDevices)) {
        result.action = CommandLine::Action::listDevices;
        return result;
    }
    for (const QCommandLineOption* once :
         {&audio, &device, &mixer, &circuit, &quitAfter, &snapshot, &log, &response, &responseOut,
          &scale, &harmonicsOut, &responseSettle, &benchNoise, &benchCrosstalk, &benchSeed,
          &benchSensitivity, &benchOutput, &calibration}) {
        if (parser.values(*once).size() > 1)
            return fail(QStringLiteral("--%1 given more than once").arg(once->names().first()));
    }

    CommandLineOptions& options = result.options;
    options.audio = parser.value(audio);
    if (options.audio != QLatin1String("auto") && options.audio != QLatin1String("alsa") &&
        options.audio != QLatin1String("bench"))
        return fail(
            QStringLiteral("--audio must be auto, alsa or bench, not '%1'").arg(options.audio));
    if (parser.isSet(device)) {
        options.device = parser.value(device).trimmed();
        if (options.device.isEmpty())
            return fail(QStringLiteral("--device needs an ALSA device name"));
    }
    if (parser.isSet(mixer)) {
        options.mixer = parser.value(mixer).trimmed();
        if (options.mixer.isEmpty())
            return fail(QStringLiteral("--mixer needs an ALSA control device name"));
    }
    if (parser.isSet(circuit)) {
        options.circuit = parser.value(circuit);
        if (options.circuit.trimmed().isEmpty())
            return fail(QStringLiteral("--circuit needs a circuit description"));
    }
    if (parser.isSet(quitAfter)) {
        bool ok = false;
        const QString typed = parser.value(quitAfter);
        const double seconds = typed.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > longestQuitAfterSeconds)
            return fail(
                QStringLiteral("--quit-after needs a number of seconds, not '%1'").arg(typed));
        options.quitAfterSeconds = seconds;
    }
    if (parser.isSet(snapshot)) {
        options.snapshotFile = parser.value(snapshot);
        if (!options.snapshotFile.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ||
            options.snapshotFile.size() <= 4)
            return fail(QStringLiteral("--snapshot needs a file name ending in .png, not '%1'")
                            .arg(options.snapshotFile));
    }
    options.report = parser.isSet(report);
    if (parser.isSet(scale)) {
        options.scale = windowScaleFromText(parser.value(scale));
        if (!options.scale)
            return fail(QStringLiteral("--scale needs a factor from 1 to 3, not '%1'")
                            .arg(parser.value(scale)));
    }
    if (parser.isSet(log)) {
        options.logFile = parser.value(log);
        if (options.logFile.trimmed().isEmpty())
            return fail(QStringLiteral("--log needs a file name"));
    }
    if (parser.isSet(response)) {
        const QString typed = parser.value(response);
        const QStringList parts = typed.split(QLatin1Char(':'));
        bool ok = parts.size() == 3;
        CommandLineOptions::Response run;
        int* fields[] = {&run.startHz, &run.endHz, &run.points};
        for (int i = 0; ok && i < 3; ++i)
            *fields[i] = parts[i].trimmed().toInt(&ok);
        using namespace measure;
        auto within = [](int value, int low, int high) { return value >= low && value <= high; };
        ok = ok && within(run.startHz, lowestResponseHz, highestResponseHz) &&
             within(run.endHz, lowestResponseHz, highestResponseHz) &&
             within(run.points, fewestResponsePoints, mostResponsePoints);
        if (!ok)
            return fail(QStringLiteral("--response needs START:END:POINTS (hertz from %1 to %2, "
                                       "%3 to %4 points), not '%5'")
                            .arg(lowestResponseHz)
                            .arg(highestResponseHz)
                            .arg(fewestResponsePoints)
                            .arg(mostResponsePoints)
                            .arg(typed));
        options.response = run;
    }
    if (parser.isSet(responseOut)) {
        if (!options.response) return fail(QStringLiteral("--response-out needs --response"));
        options.responseFile = parser.value(responseOut);
        if (options.responseFile.trimmed().isEmpty())
            return fail(QStringLiteral("--response-out needs a file name"));
    }
    options.harmonics = parser.isSet(harmonics) || parser.isSet(harmonicsOut);
    if (parser.isSet(harmonicsOut)) {
        options.harmonicsFile = parser.value(harmonicsOut);
        if (options.harmonicsFile.trimmed().isEmpty())
            return fail(QStringLiteral("--harmonics-out needs a file name"));
    }
    if (options.harmonics && options.response)
        return fail(QStringLiteral("--harmonics and --response cannot run together"));
    if (parser.isSet(responseSettle)) {
        if (!options.response) return fail(QStringLiteral("--response-settle needs --response"));
        const QString typed = parser.value(responseSettle);
        bool ok = false;
        options.responseSettleMs = typed.trimmed().toInt(&ok);
        if (!ok || options.responseSettleMs < 0 ||
            options.responseSettleMs > measure::longestSettleMs)
            return fail(QStringLiteral("--response-settle needs milliseconds from 0 to %1, not "
                                       "'%2'")
                            .arg(measure::longestSettleMs)
                            .arg(typed));
    }
    if (parser.isSet(benchNoise)) {
        const QString typed = parser.value(benchNoise);
        bool ok = false;
        options.benchNoiseLsb = typed.trimmed().toDouble(&ok);
        if (!ok || !(options.benchNoiseLsb >= 0 && options.benchNoiseLsb <= 1000))
            return fail(QStringLiteral("--bench-noise needs an RMS from 0 to 1000 LSB, not '%1'")
                            .arg(typed));
    }
    if (parser.isSet(benchCrosstalk)) {
        const QString typed = parser.value(benchCrosstalk);
        bool ok = false;
        const double db = typed.trimmed().toDouble(&ok);
        if (!ok || !(db >= -120 && db <= 0))
            return fail(
                QStringLiteral("--bench-crosstalk needs dB from -120 to 0, not '%1'").arg(typed));
        options.benchCrosstalkDb = db;
    }
    if (parser.isSet(benchSeed)) {
        const QString typed = parser.value(benchSeed);
        bool ok = false;
        options.benchSeed = typed.trimmed().toUInt(&ok);
        if (!ok)
            return fail(QStringLiteral("--bench-seed needs a whole number from 0 to 4294967295, "
                                       "not '%1'")
                            .arg(typed));
    }
    // A sensitivity as another card could have one.
    const auto sensitivity = [](const QString& typed) -> std::optional<double> {
        bool ok = false;
        const double value = typed.trimmed().toDouble(&ok);
        if (!ok || !(value >= 0.1 && value <= 10)) return std::nullopt;
        return value;
    };
    if (parser.isSet(benchSensitivity)) {
        const QString typed = parser.value(benchSensitivity);
        const QStringList parts = typed.split(QLatin1Char(':'));
        const auto ur = parts.size() == 2 ? sensitivity(parts[0]) : std::nullopt;
        const auto il = parts.size() == 2 ? sensitivity(parts[1]) : std::nullopt;
        if (!ur || !il)
            return fail(QStringLiteral("--bench-sensitivity needs UR:IL, each from 0.1 to 10, not "
                                       "'%1'")
                            .arg(typed));
        options.benchVoltageSensitivity = *ur;
        options.benchCurrentSensitivity = *il;
    }
    if (parser.isSet(benchOutput)) {
        const QString typed = parser.value(benchOutput);
        const auto g = sensitivity(typed);
        if (!g) return fail(QStringLiteral("--bench-output needs 0.1 to 10, not '%1'").arg(typed));
        options.benchOutputSensitivity = *g;
    }
    if (parser.isSet(calibration)) {
        const QString typed = parser.value(calibration);
        if (typed.isEmpty())
            options.calibration = CommandLineOptions::Calibration::show;
        else if (typed == QLatin1String("reset"))
            options.calibration = CommandLineOptions::Calibration::reset;
        else
            return fail(
                QStringLiteral("--calibration takes no value or 'reset', not '%1'").arg(typed));
    }
    return result;
}

QString missingDisplayMessage(const QString& platform, const QString& display,
                              const QString& waylandDisplay) {
    const QString name = platform.section(QLatin1Char(':'), 0, 0).trimmed();
    bool reachable = true;
    if (name.isEmpty())
        reachable = !display.isEmpty() || !waylandDisplay.isEmpty();
    else if (name.startsWith(QLatin1String("xcb")))
        reachable = !display.isEmpty();
    else if (name.startsWith(QLatin1String("wayland")))
        reachable = !waylandDisplay.isEmpty();
    if (reachable) return QString();
    return QStringLiteral(
        "zo7scope: no display to open the window on; to run without one, use "
        "QT_QPA_PLATFORM=offscreen with --quit-after=SECONDS and --snapshot=FILE.png or --report");
}
