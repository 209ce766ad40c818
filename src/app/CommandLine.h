#pragma once
// The program's command line. Without options the program behaves as the
// instrument always has; the options serve scripting, tests and headless runs.

#include "measure/Response.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

struct CommandLineOptions {
    QString audio = QStringLiteral("auto"); // auto, alsa or bench
    QString device;                         // the ALSA PCM; empty: "default"
    QString mixer;                          // its control device; empty: the one behind it
    QString circuit;                        // circuit of the simulated bench, as typed
    std::optional<double> quitAfterSeconds; // close the window after this long (at most ~24.8 days)
    QString snapshotFile;                   // PNG of the window, written when it closes
    bool report = false;                    // JSON report on stdout when the window closes
    QString logFile;                        // one CSV line per recorded block appended here
    std::optional<double> scale;            // window size factor, 1 to 3; else the saved one
    // A frequency response run without a click: its CSV goes to standard
    // output (or responseFile) and the program quits.
    struct Response {
        int startHz = 0, endHz = 0, points = 0;
    };
    std::optional<Response> response;
    QString responseFile;
    // The harmonic table of the first settled block, as CSV on standard
    // output (or in harmonicsFile); then the program quits.
    bool harmonics = false;
    QString harmonicsFile;
    int responseSettleMs = measure::defaultSettleMs; // the settle time of each point
    // What the bench adds to its recorded signal: noise (RMS, 16-bit units)
    // and the voltage leaking into the current (dB).
    double benchNoiseLsb = 0;
    std::optional<double> benchCrosstalkDb;
    std::uint64_t benchSeed = 0; // of the bench's noise
    // Another card's sensitivities on the bench: UR and IL recorded, and the
    // output played, that many times as large (0.1 to 10).
    double benchVoltageSensitivity = 1.0;
    double benchCurrentSensitivity = 1.0;
    double benchOutputSensitivity = 1.0;
    // --calibration: print the factors of the card in use; =reset: remove them.
    enum class Calibration { none, show, reset };
    Calibration calibration = Calibration::none;
};

struct CommandLine {
    enum class Action { run, help, version, listDevices, error };
    Action action = Action::run;
    CommandLineOptions options;
    // The help or version text, or the one-line error message.
    QString text;
};

// Parses the arguments (the first one is the program name). Never exits.
CommandLine parseCommandLine(const QStringList& arguments);

// Exit status for a command line that cannot be used.
constexpr int commandLineErrorStatus = 2;

// When no display can be reached, the line that says how to run headless;
// empty when the toolkit can start. Looks at QT_QPA_PLATFORM, DISPLAY and
// WAYLAND_DISPLAY as given.
QString missingDisplayMessage(const QString& platform, const QString& display,
                              const QString& waylandDisplay);
