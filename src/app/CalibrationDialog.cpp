#include "app/CalibrationDialog.h"

#include "measure/ReadoutText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Blocks the mean of a channel is taken over at the most (about 2 s).
constexpr std::size_t keptBlocks = 10;

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The mean of the kept blocks as the window's readout shows it.
QString meanText(const std::deque<measure::BlockReading>& blocks, const char* unit,
                 const char* largeUnit) {
    if (blocks.empty()) return text("–");
    double sum = 0;
    for (const auto& block : blocks)
        sum += block.reading;
    const double mean = sum / static_cast<double>(blocks.size());
    return QString::fromStdString(measure::readoutText(mean, unit, largeUnit).text).trimmed() +
           text("  (bloků: %1)").arg(blocks.size());
}

void keepRecent(std::deque<measure::BlockReading>& blocks, const measure::BlockReading& block) {
    blocks.push_back(block);
    if (blocks.size() > keptBlocks) blocks.pop_front();
}

} // namespace

CalibrationDialog::CalibrationDialog(QWidget* parent, const measure::CalibrationFactors& inForce,
                                     Keep keep)
    : QDialog(parent), inForce_(inForce), keep_(std::move(keep)) {
    setObjectName(QStringLiteral("calibrationDialog"));
    setWindowTitle(text("kalibrace"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(text("Pro tentýž ustálený sinus zadejte, co ukazuje multimetr (RMS).\n"
                                  "Stačí jedna hodnota; prázdné pole se nemění."),
                             this);
    layout->addWidget(intro);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(text("přístroj ukazuje"), this), 0, 1);
    grid->addWidget(new QLabel(text("multimetr"), this), 0, 2);
    const auto row = [&](int at, const char* name, QLabel*& readout, QLineEdit*& box,
                         const char* boxName, const char* unit) {
        grid->addWidget(new QLabel(text(name), this), at, 0);
        readout = new QLabel(text("–"), this);
        readout->setMinimumWidth(150);
        grid->addWidget(readout, at, 1);
        box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(boxName));
        box->setMaximumWidth(90);
        grid->addWidget(box, at, 2);
        grid->addWidget(new QLabel(text(unit), this), at, 3);
    };
    row(1, "UR", voltageReadout_, voltageBox, "voltageReference", "mV");
    row(2, "IL", currentReadout_, currentBox, "currentReference", "mA");
    row(3, "výstup generátoru", outputReadout_, outputBox, "outputReference", "mV");
    layout->addLayout(grid);

    refusal = new QLabel(this);
    refusal->setObjectName(QStringLiteral("refusal"));
    refusal->setStyleSheet(QStringLiteral("color: #c00000"));
    refusal->setWordWrap(true);
    layout->addWidget(refusal);

    auto* buttons = new QHBoxLayout;
    saveButton = new QPushButton(text("uložit"), this);
    defaultButton = new QPushButton(text("výchozí"), this);
    cancelButton = new QPushButton(text("zrušit"), this);
    saveButton->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(defaultButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);

    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(defaultButton, &QPushButton::clicked, this, [this] { restoreDefault(); });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void CalibrationDialog::addBlock(const measure::BlockReading& voltage,
                                 const measure::BlockReading& current) {
    keepRecent(voltageBlocks_, voltage);
    keepRecent(currentBlocks_, current);
    voltageReadout_->setText(meanText(voltageBlocks_, "mV", "V"));
    currentReadout_->setText(meanText(currentBlocks_, "mA", "A"));
}

void CalibrationDialog::setGenerator(double amplitudeMillivolts, bool othersPlaying) {
    amplitudeMillivolts_ = amplitudeMillivolts;
    othersPlaying_ = othersPlaying;
    const double shown = amplitudeMillivolts * inForce_.output;
    outputReadout_->setText(
        text("generátor 1: %1 mV%2")
            .arg(QString::number(shown, 'f', 0), othersPlaying ? text(" + další") : QString()));
}

void CalibrationDialog::save() {
    const std::vector<measure::BlockReading> voltage(voltageBlocks_.begin(), voltageBlocks_.end());
    const std::vector<measure::BlockReading> current(currentBlocks_.begin(), currentBlocks_.end());
    const measure::CalibrationOutcome outcome =
        measure::calibrate(inForce_, {voltageBox->text().toStdString(), voltage},
                           {currentBox->text().toStdString(), current},
                           {outputBox->text().toStdString(), amplitudeMillivolts_, othersPlaying_});
    if (!outcome.refusal.empty()) {
        refusal->setText(QString::fromStdString(outcome.refusal));
        return;
    }
    keepOrSay(outcome.factors);
}

void CalibrationDialog::restoreDefault() {
    keepOrSay({});
}

void CalibrationDialog::keepOrSay(const measure::CalibrationFactors& factors) {
    const QString problem = keep_(factors);
    if (!problem.isEmpty()) {
        refusal->setText(problem);
        return;
    }
    accept();
}
