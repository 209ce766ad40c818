#pragma once
// The calibration of each sound card, kept in the settings file
// ($XDG_CONFIG_HOME/zo7scope/zo7scope.conf) under the card's identity
// (platform::SoundCard::cardIdentity): group calibration/<key> with the
// identity itself, the three factors and the day of the calibration.
//
// A file that cannot be read, or an entry that holds anything but three
// factors from 0.2 to 5, is not used: the card reads with factor 1, the
// reason goes to stderr, and an unreadable file is never written.

#include "measure/CardCalibration.h"

#include <QDate>
#include <QString>

struct SavedCalibration {
    measure::CalibrationFactors factors; // 1 when none or not usable
    QDate date;                          // invalid when none
    bool found = false;                  // the card has usable factors
    // Why the stored entry or the file was not used (one line), or empty.
    QString problem;
};

// The factors kept for a card.
SavedCalibration savedCalibration(const QString& card);

// Keeps the factors of a card with the date; factors of 1 remove its entry.
// Empty on success, else why not (Czech, for the dialog).
QString saveCalibration(const QString& card, const measure::CalibrationFactors& factors,
                        const QDate& date);
