// Program entry: read the command line, start the application object, create
// the window (which runs its start-up sequence) and run the event loop until
// the window closes.

#include "app/Application.h"
#include "app/BlockLog.h"
#include "app/CalibrationOption.h"
#include "app/CloseOnSignal.h"
#include "app/CommandLine.h"
#include "app/CompactStyle.h"
#include "app/Form1.h"
#include "app/QtTranslations.h"
#include "app/Report.h"
#include "app/ResponseRun.h"
#include "app/ResponseWindow.h"
#include "app/ScaleMenu.h"
#include "app/SimulatedTime.h"
#include "app/Snapshot.h"
#include "app/WindowScale.h"
#include "core/FixedText.h"
#include "core/PrintableText.h"
#include "core/WholeFile.h"
#include "measure/CircuitFitText.h"
#include "platform/SoundCardFactory.h"
#include "platform/bench/BenchSoundCard.h"

#include <QApplication>
#include <QJsonDocument>
#include <QProcess>
#include <QTimer>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// How long --harmonics waits for a settled block, in real time.
constexpr int harmonicsPatienceMs = 30000;

void printLine(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stream, "%s\n", bytes.constData());
    std::fflush(stream);
}

// A response run that ended before its last point: said once; a named file
// keeps its previous content.
void printResponseStopped(const QString& file) {
    QString text = QStringLiteral("zo7scope: --response: the run ended before its last point");
    if (!file.isEmpty())
        text += QStringLiteral("; %1 is unchanged")
                    .arg(QString::fromStdString(printable(file.toStdString())));
    printLine(stderr, text);
}

// One line on stderr about a file named on the command line.
void printFileProblem(const char* option, const QString& file, const QString& reason) {
    printLine(stderr, QStringLiteral("zo7scope: %1=%2: %3")
                          .arg(QLatin1String(option),
                               QString::fromStdString(printable(file.toStdString())), reason));
}

// The series model fitted to a response, in English, on stderr.
void printFit(const measure::CircuitFit& fit) {
    printLine(stderr, QStringLiteral("zo7scope: ") +
                          QString::fromStdString(
                              measure::circuitFitSummary(fit, measure::Language::english)));
}

// Writes a CSV result to standard output or, whole, to the named file; false
// (the reason printed) when the file could not be written.
bool writeResult(const QString& file, const char* option, const std::string& csv) {
    if (file.isEmpty()) {
        std::fwrite(csv.data(), 1, csv.size(), stdout);
        std::fflush(stdout);
        return true;
    }
    if (const QString failure = writeWholeFile(file, csv); !failure.isEmpty()) {
        printFileProblem(option, file, failure);
        return false;
    }
    return true;
}

// --response: the run starts as soon as the event loop does; its CSV goes to
// standard output or, once the run is complete, to the named file, and the
// window then closes. A run that ends early leaves the named file as it was.
// False (the reason printed) when the file could not be written.
bool startResponse(TForm1& form, const CommandLineOptions& options, int& status, bool& ended) {
    const CommandLineOptions::Response run = *options.response;
    const QString file = options.responseFile;
    if (!file.isEmpty())
        if (const QString refused = wholeFileRefusal(file); !refused.isEmpty()) {
            printFileProblem("--response-out", file, refused);
            return false;
        }
    ResponseWindow& window = form.responseWindow();
    QObject::connect(
        &window.run(), &ResponseRun::finished, &form,
        [&form, &window, &status, &ended, file](bool completed) {
            ended = true;
            const std::string csv = window.csv();
            if (!completed) {
                printResponseStopped(file);
                status = 1;
            }
            if ((file.isEmpty() || completed) && !writeResult(file, "--response-out", csv))
                status = 1;
            if (const auto found = window.resonance())
                printLine(stderr,
                          QStringLiteral("zo7scope: resonance %1 Hz")
                              .arg(QString::fromStdString(fixedText(found->frequency, 0, 1))));
            else
                printLine(stderr, QStringLiteral("zo7scope: no resonance in the range"));
            printFit(window.circuitFit());
            form.close();
        });
    const int settle = options.responseSettleMs;
    QTimer::singleShot(0, &form, [&window, run, settle] {
        window.startRun(run.startHz, run.endHz, run.points, settle);
    });
    return true;
}

// --harmonics: the table of the first settled block goes to standard output
// or the named file, and the window then closes. The block is the one a
// frequency response would take for one point at generator 1's frequency.
// Without a table the CSV keeps its empty fields and standard error says why.
bool startHarmonics(TForm1& form, const CommandLineOptions& options, int& status) {
    const QString file = options.harmonicsFile;
    if (!file.isEmpty())
        if (const QString refused = wholeFileRefusal(file); !refused.isEmpty()) {
            printFileProblem("--harmonics-out", file, refused);
            return false;
        }
    auto* run = new ResponseRun(form, &form);
    auto* patience = new QTimer(&form);
    patience->setSingleShot(true);
    const auto finish = [&form, &status, file, run, patience](bool settled) {
        patience->stop();
        run->disconnect();
        const measure::HarmonicTable& table = form.harmonicTable();
        if (!writeResult(file, "--harmonics-out", measure::harmonicCsv(table))) status = 1;
        const auto say = [](const std::string& why) {
            printLine(stderr,
                      QStringLiteral("zo7scope: harmonics: ") + QString::fromStdString(why));
        };
        if (!settled) {
            say("no settled block was recorded in time");
            status = 1;
        } else if (!table.valid) {
            say(measure::missingMessage(table));
            status = 1;
        } else {
            if (!table.rows[0].currentPercent)
                say("the current is too small for percentages and THD");
            if (!table.rows[0].voltagePercent)
                say("the voltage is too small for percentages and THD");
        }
        form.close();
    };
    QObject::connect(run, &ResponseRun::finished, &form, finish);
    QObject::connect(patience, &QTimer::timeout, &form, [finish] { finish(false); });
    QTimer::singleShot(0, &form, [&form, run, patience] {
        patience->start(harmonicsPatienceMs);
        run->start({form.state.generator1Frequency}, ResponseWindow::defaultSettleMs);
    });
    return true;
}

// What the bench adds to its signal, and the sensitivities of the card it acts.
platform::BenchImperfections benchImperfections(const CommandLineOptions& options) {
    platform::BenchImperfections bench;
    bench.noiseLsb = options.benchNoiseLsb;
    bench.crosstalkDb = options.benchCrosstalkDb;
    bench.noiseSeed = options.benchSeed;
    bench.voltageSensitivity = options.benchVoltageSensitivity;
    bench.currentSensitivity = options.benchCurrentSensitivity;
    bench.outputSensitivity = options.benchOutputSensitivity;
    return bench;
}

// The sound card the options name, its notices on stderr; null (with the
// reason on stderr) when it cannot be had.
std::unique_ptr<platform::SoundCard> createCard(const CommandLineOptions& options,
                                                platform::BenchTime time) {
    auto setup = platform::createSoundCard(
        options.audio.toStdString(), options.circuit.toStdString(), options.device.toStdString(),
        time, benchImperfections(options), options.mixer.toStdString());
    for (const auto& notice : setup.notices)
        printLine(stderr, QString::fromStdString(notice));
    if (!setup.card) printLine(stderr, QString::fromStdString(setup.error));
    return std::move(setup.card);
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    const CommandLine command = parseCommandLine(arguments);
    switch (command.action) {
    case CommandLine::Action::help:
        printLine(stdout, command.text);
        return 0;
    case CommandLine::Action::version:
        printLine(stdout, command.text);
        return 0;
    case CommandLine::Action::listDevices:
        std::fputs(platform::deviceListing().c_str(), stdout);
        return 0;
    case CommandLine::Action::error:
        printLine(stderr, command.text);
        return commandLineErrorStatus;
    case CommandLine::Action::run:
        break;
    }
    const CommandLineOptions& options = command.options;
    const std::string audio = options.audio.toStdString();
    const std::string circuit = options.circuit.toStdString();
    const std::string device = options.device.toStdString();
    const std::string mixer = options.mixer.toStdString();
    if (const std::string bad = platform::soundCardOptionError(audio, circuit, device, mixer);
        !bad.empty()) {
        printLine(stderr, QString::fromStdString(bad));
        return commandLineErrorStatus;
    }

    // A size limit on files (ulimit -f) makes the write that passes it fail,
    // which the writers report, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // A picture named for the close is checked now, not after the whole run.
    if (!options.snapshotFile.isEmpty())
        if (const QString refused = wholeFileRefusal(options.snapshotFile); !refused.isEmpty()) {
            printFileProblem("--snapshot", options.snapshotFile, refused);
            return commandLineErrorStatus;
        }

    // The factors of the card the options name: the card, but no window.
    if (options.calibration != CommandLineOptions::Calibration::none) {
        const auto card = createCard(options, platform::BenchTime::simulated);
        if (!card) return commandLineErrorStatus;
        return runCalibrationOption(options.calibration,
                                    QString::fromStdString(card->cardIdentity()));
    }

    const QString noDisplay = missingDisplayMessage(qEnvironmentVariable("QT_QPA_PLATFORM"),
                                                    qEnvironmentVariable("DISPLAY"),
                                                    qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (!noDisplay.isEmpty()) {
        printLine(stderr, noDisplay);
        return 1;
    }

    // The window's size is fixed when the application object is created.
    if (options.scale) {
        useWindowScale(*options.scale);
    } else {
        const SavedWindowScale saved = savedWindowScale();
        if (!saved.problem.isEmpty()) printLine(stderr, saved.problem);
        useWindowScale(saved.scale);
    }
    TApplication application(argc, argv);
    // From here on a SIGINT, SIGTERM or SIGHUP closes the window normally,
    // also one that comes while the card and the window are being set up.
    catchCloseSignals();
    restoreScaleEnvironment();
    // One look on every desktop, so that the pixel layout holds everywhere.
    application.setStyle(new CompactStyle);
    // Qt's dialogs speak the desktop's language.
    const std::unique_ptr<QTranslator> translations = qtTranslations(QLocale::system());
    if (translations) QCoreApplication::installTranslator(translations.get());

    // The sound card is installed here, before the window opens.
    {
        // A frequency response or harmonic table from the command line runs
        // the bench as fast as it can.
        const bool scripted = options.response || options.harmonics;
        auto card = createCard(options, scripted ? platform::BenchTime::simulated
                                                 : platform::BenchTime::realTime);
        if (!card) return commandLineErrorStatus;
        platform::installSoundCard(std::move(card));
    }

    // --quit-after counts from here: a message box that start-up shows (no
    // mixer, for one) is closed when the time is up, and the window after it.
    std::unique_ptr<TForm1> form;
    bool quitDue = false;
    if (options.quitAfterSeconds) {
        const auto ms = static_cast<int>(std::lround(*options.quitAfterSeconds * 1000.0));
        QTimer::singleShot(ms, &application, [&] {
            quitDue = true;
            while (QWidget* box = QApplication::activeModalWidget())
                if (!box->close()) break;
            if (form) form->close();
        });
    }
    form = std::make_unique<TForm1>();
    int status = 0;
    QObject::connect(form.get(), &TForm1::closing, [&] {
        if (!options.snapshotFile.isEmpty()) {
            const QString failure = saveWindowImage(*form, options.snapshotFile);
            if (!failure.isEmpty()) {
                printFileProblem("--snapshot", options.snapshotFile, failure);
                status = 1;
            }
        }
        if (options.report)
            printLine(stdout,
                      QString::fromUtf8(
                          QJsonDocument(windowReport(*form)).toJson(QJsonDocument::Compact)));
    });
    // A new size from the screen's menu: the window closes and the program
    // opens it anew, with the saved size instead of a --scale it was given.
    form->enableCalibration();
    bool reopen = false;
    addScaleMenu(*form->screenMenu, [&](double) {
        reopen = true;
        QTimer::singleShot(0, form.get(), &QWidget::close);
    });
    BlockLog log(*form);
    if (!options.logFile.isEmpty()) {
        QString error;
        if (!log.open(options.logFile, error)) {
            printFileProblem("--log", options.logFile, error);
            form.reset();
            platform::installSoundCard(nullptr);
            return commandLineErrorStatus;
        }
    }
    std::unique_ptr<SimulatedTime> simulatedTime;
    bool responseEnded = false;
    if (options.response || options.harmonics) {
        if (!(options.response ? startResponse(*form, options, status, responseEnded)
                               : startHarmonics(*form, options, status))) {
            form.reset();
            platform::installSoundCard(nullptr);
            return commandLineErrorStatus;
        }
        if (auto* bench = dynamic_cast<platform::bench::BenchSoundCard*>(&platform::soundCard())) {
            simulatedTime = std::make_unique<SimulatedTime>(*bench, form->idleCycle());
            simulatedTime->start();
        }
    }
    closeOnSignals(*form);
    form->show();
    if (quitDue) QTimer::singleShot(0, form.get(), &QWidget::close);
    const int loopStatus = application.exec();
    // The window closed before the run could begin (--quit-after=0).
    if (options.response && !responseEnded) {
        printResponseStopped(options.responseFile);
        status = 1;
    }
    // The log went on without some lines; it said so when it began to fail.
    if (log.linesLost() > 0) status = 1;
    form.reset();                        // the components close their devices first
    platform::installSoundCard(nullptr); // then the sound card stops, while Qt is still up
    if (reopen) {
        if (!QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                     argumentsWithoutScale(arguments.mid(1)))) {
            printLine(stderr, QStringLiteral("zo7scope: the window could not be opened anew"));
            return 1;
        }
    }
    return status != 0 ? status : loopStatus;
}
