// Program entry: read the command line, start the application object, create
// the window (which runs its start-up sequence) and run the event loop until
// the window closes.

#include "app/Application.h"
#include "app/BlockLog.h"
#include "app/CloseOnSignal.h"
#include "app/CommandLine.h"
#include "app/CompactStyle.h"
#include "app/Form1.h"
#include "app/Report.h"
#include "app/ResponseWindow.h"
#include "app/SimulatedTime.h"
#include "app/Snapshot.h"
#include "core/FixedText.h"
#include "core/PrintableText.h"
#include "platform/SoundCardFactory.h"
#include "platform/bench/BenchSoundCard.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

void printLine(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stream, "%s\n", bytes.constData());
    std::fflush(stream);
}

// --response: the run starts as soon as the event loop does; its CSV goes to
// standard output or the named file, and the window then closes. False (the
// reason printed) when the file cannot be written.
bool startResponse(TForm1& form, const CommandLineOptions& options, int& status) {
    const CommandLineOptions::Response run = *options.response;
    auto out = std::make_shared<QFile>();
    if (!options.responseFile.isEmpty()) {
        out->setFileName(options.responseFile);
        if (!out->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            printLine(stderr, QStringLiteral("zo7scope: --response-out=%1: %2")
                                  .arg(QString::fromStdString(
                                           printable(options.responseFile.toStdString())),
                                       out->errorString()));
            return false;
        }
    }
    ResponseWindow& window = form.responseWindow();
    QObject::connect(&window.run(), &ResponseRun::finished, &form,
                     [&form, &window, &status, out](bool completed) {
                         const std::string csv = window.csv();
                         if (out->isOpen()) {
                             if (out->write(csv.data(), static_cast<qint64>(csv.size())) !=
                                 static_cast<qint64>(csv.size()))
                                 status = 1;
                             out->close();
                         } else {
                             std::fwrite(csv.data(), 1, csv.size(), stdout);
                             std::fflush(stdout);
                         }
                         if (!completed) status = 1;
                         if (const auto found = window.resonance())
                             printLine(stderr, QStringLiteral("zo7scope: resonance %1 Hz")
                                                   .arg(QString::fromStdString(
                                                       fixedText(found->frequency, 0, 1))));
                         form.close();
                     });
    QTimer::singleShot(0, &form, [&window, run] {
        window.startRun(run.startHz, run.endHz, run.points, ResponseWindow::defaultSettleMs);
    });
    return true;
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

    const QString noDisplay = missingDisplayMessage(qEnvironmentVariable("QT_QPA_PLATFORM"),
                                                    qEnvironmentVariable("DISPLAY"),
                                                    qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (!noDisplay.isEmpty()) {
        printLine(stderr, noDisplay);
        return 1;
    }

    TApplication application(argc, argv);
    // One look on every desktop, so that the pixel layout holds everywhere.
    application.setStyle(new CompactStyle);

    // The sound card is installed here, before the window opens.
    {
        // A frequency response from the command line runs the bench as fast as it can.
        auto setup = platform::createSoundCard(audio, circuit, device,
                                               options.response ? platform::BenchTime::simulated
                                                                : platform::BenchTime::realTime,
                                               mixer);
        for (const auto& notice : setup.notices)
            printLine(stderr, QString::fromStdString(notice));
        if (!setup.card) {
            printLine(stderr, QString::fromStdString(setup.error));
            return commandLineErrorStatus;
        }
        platform::installSoundCard(std::move(setup.card));
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
                printLine(stderr, QStringLiteral("zo7scope: snapshot: ") +
                                      QString::fromStdString(printable(failure.toStdString())));
                status = 1;
            }
        }
        if (options.report)
            printLine(stdout,
                      QString::fromUtf8(
                          QJsonDocument(windowReport(*form)).toJson(QJsonDocument::Compact)));
    });
    BlockLog log(*form);
    if (!options.logFile.isEmpty()) {
        QString error;
        if (!log.open(options.logFile, error)) {
            printLine(
                stderr,
                QStringLiteral("zo7scope: --log=%1: %2")
                    .arg(QString::fromStdString(printable(options.logFile.toStdString())), error));
            form.reset();
            platform::installSoundCard(nullptr);
            return commandLineErrorStatus;
        }
    }
    std::unique_ptr<SimulatedTime> simulatedTime;
    if (options.response) {
        if (!startResponse(*form, options, status)) {
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
    form.reset();                        // the components close their devices first
    platform::installSoundCard(nullptr); // then the sound card stops, while Qt is still up
    return status != 0 ? status : loopStatus;
}
