#pragma once
// The size of the whole window for a projector or a large screen: a factor
// of 1 to 3 by which Qt draws the window, its controls and its menus larger.
// Positions, sizes and texts stay in the window's own (logical) pixels; the
// oscilloscope screen is the same picture enlarged.
//
// The factor comes from --scale or from the settings file
// ($XDG_CONFIG_HOME/zo7scope/zo7scope.conf, key window/scale), where the
// choice in the screen's context menu is kept. It takes effect when the
// application object is created, so a new choice opens the window anew.

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

constexpr double smallestWindowScale = 1.0;
constexpr double largestWindowScale = 3.0;
// The sizes the screen's context menu offers, in per cent.
constexpr std::array<int, 3> windowScalePercents{100, 150, 200};

// The factor a typed text gives, or nothing when it is no number from 1 to 3.
std::optional<double> windowScaleFromText(const QString& text);

// The settings file the choice is kept in.
QString settingsFile();

struct SavedWindowScale {
    double scale = 1.0;
    // Why the stored value was not used (one line), or empty.
    QString problem;
};
// The factor kept in the settings file; 1 when there is none or it cannot be used.
SavedWindowScale savedWindowScale();
// Keeps the factor in the settings file. Empty on success, else why not; a
// file that cannot be read is left as it is.
QString saveWindowScale(double scale);

// Before the application object is created: the window is drawn this much
// larger (on top of a QT_SCALE_FACTOR the user has set), and windowScale()
// reports the factor from then on.
void useWindowScale(double scale);
// After the application object exists: the toolkit has read the factor, and
// programs started from the window do not inherit it.
void restoreScaleEnvironment();
// The factor the window was opened with (1 unless useWindowScale() said otherwise).
double windowScale();

// The program's arguments (without its name) for opening the window anew at
// the saved size: every --scale left out, the rest as given.
QStringList argumentsWithoutScale(const QStringList& arguments);
