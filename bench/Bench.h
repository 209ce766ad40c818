#pragma once
// What the benchmarks share: their settings, and a main() that runs them
// with an application object on the offscreen platform.

#include "app/ErrorReport.h"
#include "platform/SoundCard.h"

#include <QByteArray>
#include <QString>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace bench {

// In microseconds, ten repetitions reported as aggregates.
inline void repeated(benchmark::internal::Benchmark* settings) {
    settings->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
}

// Runs the benchmarks with an application object of this class (text needs
// fonts, and fonts need a GUI application; no display is needed). An error
// box would wait for a click that never comes: errors are printed instead.
// The sound card the last window leaves installed goes before the
// application.
template <class Application> int runWithApplication(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Application application(argc, argv);
    app::setErrorBox([](const QString&, const QString& text) {
        std::fprintf(stderr, "error box: %s\n", text.toLocal8Bit().constData());
    });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    platform::installSoundCard(nullptr);
    return 0;
}

} // namespace bench
