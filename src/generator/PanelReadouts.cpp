#include "generator/PanelReadouts.h"

#include "core/Round.h"
#include "core/SharedState.h"

namespace generator {

namespace {

// A readout's number after its leading blank. (Built by appending: g++ 12
// warns falsely about the overlap of a " " + std::string concatenation.)
std::string blankThen(const std::string& number) {
    std::string text(1, ' ');
    text += number;
    return text;
}

} // namespace

double exactAmplitudeMillivolts(std::int64_t position) {
    return static_cast<double>(position) / 32.767 * 1.1;
}

std::int64_t amplitudeMillivolts(std::int64_t position, double output) {
    return Round(exactAmplitudeMillivolts(position) * output);
}

std::int64_t amplitudeForTypedValue(std::int32_t value, double output) {
    return Round(static_cast<double>(value) * 32.767 / 1.1 / output);
}

FrequencySlider frequencySlider(std::int32_t position) {
    FrequencySlider slider;
    if (position < 1000) {
        slider.frequency = position;
        slider.readout = blankThen(std::to_string(position));
        slider.largeChange = 10;
        slider.smallChange = 1;
    } else {
        slider.frequency = static_cast<std::int32_t>(Round(position / 100.0) * 100);
        // Hundredths of a kHz, then written with one decimal; both roundings
        // take a half to the even neighbour, as the frequency itself does.
        const std::int64_t hundredths = Round(position / 10.0);
        const std::int64_t tenths = Round(static_cast<double>(hundredths) / 10.0);
        slider.readout = blankThen(std::to_string(tenths / 10) + "." + std::to_string(tenths % 10));
        slider.largeChange = 100;
        slider.smallChange = 10;
    }
    slider.unit = slider.frequency < 1000 ? " Hz" : "kHz";
    slider.beyondDisplayLimit = slider.frequency > displayLimitHz;
    return slider;
}

} // namespace generator
