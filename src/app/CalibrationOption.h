#pragma once
// --calibration and --calibration=reset: the factors kept for a card, from
// the command line.

#include "app/CommandLine.h"

#include <QString>

// Prints the factors in force for `card` (or removes them) and gives the
// exit status: 0, or 1 when the settings file cannot be read or written.
int runCalibrationOption(CommandLineOptions::Calibration action, const QString& card);
