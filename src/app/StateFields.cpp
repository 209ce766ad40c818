#include "app/StateFields.h"

#include <QJsonArray>

// Each scalar is listed once; the macro spells its name from the member.
QJsonObject sharedStateScalars(const SharedState& s) {
    QJsonObject o;
#define ZO_FIELD(name) o.insert(QStringLiteral(#name), static_cast<double>(s.name))
    ZO_FIELD(sampleCount);
    ZO_FIELD(sampleIndex);
    ZO_FIELD(periodicMode);
    ZO_FIELD(gridVisible);
    ZO_FIELD(gridBrightness);
    ZO_FIELD(tracePenWidth);
    ZO_FIELD(showCurrentTrace);
    ZO_FIELD(showVoltageTrace);
    ZO_FIELD(sampleStep);
    ZO_FIELD(pixelsPerPoint);
    ZO_FIELD(gridUnitX);
    ZO_FIELD(autoTimeBase);
    ZO_FIELD(generatorTimeBase);
    ZO_FIELD(currentSmoothingDivisor);
    ZO_FIELD(voltageSmoothingDivisor);
    ZO_FIELD(currentAutoRange);
    ZO_FIELD(voltageAutoRange);
    ZO_FIELD(activeCurrentRange);
    ZO_FIELD(activeVoltageRange);
    ZO_FIELD(currentDivisionValue);
    ZO_FIELD(voltageDivisionValue);
    ZO_FIELD(currentGain);
    ZO_FIELD(voltageGain);
    ZO_FIELD(currentTraceShift);
    ZO_FIELD(voltageTraceShift);
    ZO_FIELD(drawnCurrentShift);
    ZO_FIELD(drawnVoltageShift);
    ZO_FIELD(reducedGain);
    ZO_FIELD(currentReadoutFactor);
    ZO_FIELD(voltageReadoutFactor);
    ZO_FIELD(currentTraceFactor);
    ZO_FIELD(voltageTraceFactor);
    ZO_FIELD(currentPeak);
    ZO_FIELD(voltagePeak);
    ZO_FIELD(currentReading);
    ZO_FIELD(voltageReading);
    ZO_FIELD(currentFrequency);
    ZO_FIELD(voltageFrequency);
    ZO_FIELD(currentFrequencyMeasured);
    ZO_FIELD(voltageFrequencyMeasured);
    ZO_FIELD(currentStartMark);
    ZO_FIELD(voltageStartMark);
    ZO_FIELD(currentTriggerIndex);
    ZO_FIELD(voltageTriggerIndex);
    ZO_FIELD(generator1Amplitude);
    ZO_FIELD(generator1Frequency);
    ZO_FIELD(generator2Amplitude);
    ZO_FIELD(generator2Frequency);
    ZO_FIELD(sweepActive);
    ZO_FIELD(sweepFrequency);
    ZO_FIELD(sweepStepSamples);
    ZO_FIELD(sweepStepCounter);
    ZO_FIELD(generatorSampleIndex);
    ZO_FIELD(lastSweepStartFrequency);
    ZO_FIELD(lastSweepStepSamples);
    ZO_FIELD(steppingActive);
    ZO_FIELD(stepStartFrequency);
    ZO_FIELD(stepEndFrequency);
    ZO_FIELD(stepSize);
    ZO_FIELD(stepIntervalMs);
    ZO_FIELD(stepCount);
    ZO_FIELD(stepIndex);
    ZO_FIELD(savedWaveOutVolume);
    ZO_FIELD(savedAuxVolume1);
    ZO_FIELD(savedAuxVolume2);
    ZO_FIELD(savedAuxVolume3);
    ZO_FIELD(savedAuxVolume4);
    ZO_FIELD(savedAuxVolume5);
#undef ZO_FIELD
    o.insert(QStringLiteral("numberText"), QString::fromStdString(s.numberText));
    QJsonArray shown;
    for (int i = 1; i <= 7; ++i)
        shown.append(s.timeBaseShown[i]);
    o.insert(QStringLiteral("timeBaseShown"), shown);
    return o;
}
