#include "generator/SweepParameters.h"

#include "core/Convert.h"
#include "core/Round.h"

#include <algorithm>

namespace synthesis {

std::int32_t sweepStartFrequency(std::int32_t from) {
    return static_cast<std::int32_t>(std::max<std::int64_t>(Round(from / 5.0), 1));
}

std::int32_t sweepStepFor(std::int32_t to) {
    return static_cast<std::int32_t>(std::max<std::int64_t>(Round(to / 25.0), 1));
}

SweepParameters readSweepParameters(std::string& fromText, std::string& toText) {
    if (fromText.empty()) fromText = "1";
    if (toText.empty()) toText = "1";
    SweepParameters parameters;
    parameters.startFrequency = sweepStartFrequency(StrToInt(fromText));
    parameters.stepSamples = sweepStepFor(StrToInt(toText));
    return parameters;
}

} // namespace synthesis
