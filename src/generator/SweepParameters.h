#pragma once
// The two numbers of the swept generator's panel and what the sweep makes of
// them: every burst starts at the frequency value "od frekvence" / 5 and
// raises it by 1 every "do frekvence" / 25 samples (both rounded, at least 1).

#include <cstdint>
#include <string>

namespace synthesis {

// The start frequency value for the "od frekvence" number: from / 5
// rounded, at least 1.
std::int32_t sweepStartFrequency(std::int32_t from);
// Samples between two frequency increments for the "do frekvence" number:
// to / 25 rounded, at least 1.
std::int32_t sweepStepFor(std::int32_t to);

struct SweepParameters {
    std::int32_t startFrequency = 0;
    std::int32_t stepSamples = 0;
};

// The parameters for the texts of the two boxes. An empty text is made "1"
// (written back); a text that is no integer raises EConvertError.
SweepParameters readSweepParameters(std::string& fromText, std::string& toText);

} // namespace synthesis
