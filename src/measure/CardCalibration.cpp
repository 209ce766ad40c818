#include "measure/CardCalibration.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace measure {

namespace {

// A number for a message, with up to three significant digits.
std::string shortNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The factor that makes the present readout read the reference, or why not.
struct Factor {
    double value = 1.0;
    std::string refusal;
};

Factor factorFor(const std::string& quantity, double inForce, double reference, double present) {
    const double factor = inForce * reference / present;
    if (!calibrationFactorValid(factor))
        return {inForce, quantity + ": opravný koeficient " + shortNumber(factor) +
                             " leží mimo 0,2 až 5; zkontrolujte zapojení a zadanou hodnotu."};
    return {factor, {}};
}

// The channel's present readout averaged over its blocks, or why it cannot
// be compared with a meter.
Factor channelFactor(const std::string& quantity, double inForce, double reference,
                     const std::vector<BlockReading>& blocks) {
    if (blocks.size() < calibrationBlocks)
        return {inForce, quantity + ": změřeno jen " + std::to_string(blocks.size()) +
                             " bloků z 3; počkejte chvíli a uložte znovu."};
    double sum = 0;
    double lowest = blocks.front().reading;
    double highest = lowest;
    int smallestPeak = blocks.front().peak;
    int largestPeak = smallestPeak;
    for (const BlockReading& block : blocks) {
        sum += block.reading;
        lowest = std::min(lowest, block.reading);
        highest = std::max(highest, block.reading);
        smallestPeak = std::min(smallestPeak, block.peak);
        largestPeak = std::max(largestPeak, block.peak);
    }
    const bool reduced = std::any_of(blocks.begin(), blocks.end(),
                                     [](const BlockReading& block) { return block.reducedGain; });
    if (reduced)
        return {inForce, quantity + ": napětí je tak velké, že je vstup ztlumený; snižte jej "
                                    "a počkejte, až se vstup vrátí na plnou citlivost."};
    if (largestPeak >= clippedPeak)
        return {inForce, quantity + ": signál je přebuzený; snižte jej."};
    const double mean = sum / static_cast<double>(blocks.size());
    if (smallestPeak < smallestCalibrationPeak || !(mean > 0))
        return {inForce, quantity + ": signál je příliš malý (špička " +
                             std::to_string(smallestPeak) +
                             " z 32767); zvyšte jej nebo zvolte větší rozsah zdroje."};
    const double spread = (highest - lowest) / mean;
    if (spread > steadySpread)
        return {inForce, quantity + ": signál není ustálený (kolísá o " +
                             shortNumber(spread * 100) + " %); počkejte, až se ustálí."};
    return factorFor(quantity, inForce, reference, mean);
}

void appendRefusal(std::string& refusal, const std::string& reason) {
    if (reason.empty()) return;
    if (!refusal.empty()) refusal += '\n';
    refusal += reason;
}

} // namespace

bool calibrationFactorValid(double factor) {
    return std::isfinite(factor) && factor >= smallestCalibrationFactor &&
           factor <= largestCalibrationFactor;
}

TypedReference typedReference(const std::string& text, const std::string& quantity) {
    std::string number = trimmed(text);
    if (number.empty()) return {};
    std::replace(number.begin(), number.end(), ',', '.');
    double value = 0;
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value) || !(value > 0))
        return {std::nullopt, quantity + ": „" + trimmed(text) + "“ není kladné číslo."};
    return {value, {}};
}

CalibrationOutcome calibrate(const CalibrationFactors& inForce, const ChannelCalibration& voltage,
                             const ChannelCalibration& current, const OutputCalibration& output) {
    CalibrationOutcome outcome{inForce, {}};
    bool anyGiven = false;

    const auto channel = [&](const char* quantity, const ChannelCalibration& given,
                             double& factor) {
        const TypedReference typed = typedReference(given.typed, quantity);
        appendRefusal(outcome.refusal, typed.refusal);
        if (!typed.value) return;
        anyGiven = true;
        const Factor found = channelFactor(quantity, factor, *typed.value, given.blocks);
        appendRefusal(outcome.refusal, found.refusal);
        factor = found.value;
    };
    channel("UR", voltage, outcome.factors.voltage);
    channel("IL", current, outcome.factors.current);

    const std::string outputName = "výstup generátoru";
    const TypedReference typed = typedReference(output.typed, outputName);
    appendRefusal(outcome.refusal, typed.refusal);
    if (typed.value) {
        anyGiven = true;
        if (output.othersPlaying) {
            appendRefusal(outcome.refusal,
                          outputName + ": hraje i generátor 2 nebo rozmítání; vypněte je.");
        } else if (!(output.amplitudeMillivolts >= smallestOutputMillivolts)) {
            appendRefusal(outcome.refusal, outputName + ": generátor 1 hraje příliš slabě (" +
                                               shortNumber(output.amplitudeMillivolts) +
                                               " mV, nejméně 10 mV); zvyšte jeho amplitudu.");
        } else {
            // The amplitude readout is the card's own scale: the output factor
            // in force does not enter it.
            const Factor found =
                factorFor(outputName, 1.0, *typed.value, output.amplitudeMillivolts);
            appendRefusal(outcome.refusal, found.refusal);
            outcome.factors.output = found.value;
        }
    }

    if (!anyGiven && outcome.refusal.empty())
        outcome.refusal = "Zadejte aspoň jednu hodnotu naměřenou multimetrem.";
    if (!outcome.refusal.empty()) outcome.factors = inForce;
    return outcome;
}

} // namespace measure
