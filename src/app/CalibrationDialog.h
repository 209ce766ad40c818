#pragma once
// "kalibrace": what a reference multimeter shows for a steady sine, against
// the present readouts. It shows the live RMS readouts of UR and IL (the mean
// of the last blocks) and generator 1's amplitude readout, takes the meter's
// values in "mV" / "mA" (either or both) and optionally the generator's
// output measured at the line output, and on "uložit" hands the new factors
// to be kept. "výchozí" returns every factor to 1, "zrušit" changes nothing.
// A calibration that cannot be trusted is refused with the reason in the
// dialog, and nothing is kept.

#include "measure/CardCalibration.h"

#include <QDialog>
#include <QString>
#include <deque>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class CalibrationDialog : public QDialog {
public:
    // Keeps new factors; empty when they are kept, else why not.
    using Keep = std::function<QString(const measure::CalibrationFactors&)>;

    CalibrationDialog(QWidget* parent, const measure::CalibrationFactors& inForce, Keep keep);

    // A block recorded while the dialog is open, read with the factors in force.
    void addBlock(const measure::BlockReading& voltage, const measure::BlockReading& current);
    // Generator 1's amplitude readout on the card's own scale (mV), and
    // whether anything else plays on the output.
    void setGenerator(double amplitudeMillivolts, bool othersPlaying);

    QLineEdit* voltageBox = nullptr; // "mV"
    QLineEdit* currentBox = nullptr; // "mA"
    QLineEdit* outputBox = nullptr;  // "výstup generátoru", mV
    QPushButton* saveButton = nullptr;
    QPushButton* defaultButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QLabel* refusal = nullptr; // why the last "uložit" kept nothing

private:
    void save();
    void restoreDefault();
    void keepOrSay(const measure::CalibrationFactors& factors);

    measure::CalibrationFactors inForce_;
    Keep keep_;
    // The most recent blocks: the mean follows a signal that was changed
    // while the dialog was open.
    std::deque<measure::BlockReading> voltageBlocks_, currentBlocks_;
    double amplitudeMillivolts_ = 0;
    bool othersPlaying_ = false;
    QLabel* voltageReadout_ = nullptr;
    QLabel* currentReadout_ = nullptr;
    QLabel* outputReadout_ = nullptr;
};
