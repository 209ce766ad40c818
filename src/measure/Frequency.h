#pragma once
// Frequency of a channel from one positive half-wave of its smoothed signal:
// find where a half-wave begins and where it ends, and take 22050 / the
// half-period in samples (44100 frames per second, two half-periods a
// period).
//
// The begin S and the end E are searched on the smoothed signal, which lags
// the signal and so makes E - S one to two samples too long; the half-period
// is therefore taken between the linearly interpolated zero crossings of the
// channel's own samples next to S and E, and E - S stands in only where
// those crossings are not found.

#include "core/SharedState.h"
#include "measure/Channel.h"
#include "measure/ReadoutText.h"

#include <cstdint>
#include <optional>

namespace measure {

// The search positions: begins are sought up to index 19999, ends up to 20000.
constexpr int lastStartPosition = 19999;
constexpr int searchLimit = 20000;

struct SearchPass {
    int step; // distance of the three values compared when looking for the begin
    int skip; // samples skipped after the begin before looking for the end
};
constexpr SearchPass coarsePass{3, 95};
constexpr SearchPass finePass{1, 5};

// Scans entries 1 .. N for the first value > 0 (positive) or < 0 (negative):
// sets the start mark to its index, copies the value into the smoothed array
// and returns the index; returns 0 and keeps the start mark when there is none.
int findFirstPositive(ChannelView channel, std::int32_t N);
int findFirstNegative(ChannelView channel, std::int32_t N);

// Begin and end of the half-wave, and the half-period they give.
struct HalfPeriod {
    int start = 0;      // S
    int end = 0;        // E
    double samples = 0; // interpolated half-period, or E - S
};

// Smooths the positive half-waves from the start mark and searches one
// half-period with the given pass and start threshold (values of the
// smoothed signal at most `threshold` may begin a half-wave).
HalfPeriod searchHalfPeriod(ChannelView channel, std::int32_t N, SearchPass pass, double threshold);

// The start threshold of a channel: 1 / its gain; while the voltage range is
// 20 V or 50 V, that of the 10 V range (100).
double searchThreshold(const SharedState& state, Channel channel);

// One pass: find, smooth, search; the measured frequency goes to the
// channel's frequencyMeasured and is returned.
double measurePeriod(SharedState& state, Channel channel, SearchPass pass);

// What the frequency box of a channel shows after the whole procedure.
struct FrequencyDisplay {
    std::string text;                      // the box's text
    std::optional<std::string> number;     // the number formatted, when one was
    bool hidesDisplayLimitWarning = false; // a frequency within the limit was shown
};

// The text of a frequency shown from the coarse pass (100 Hz or less): the
// rounded hertz in width 5.
FrequencyDisplay coarseFrequencyDisplay(double frequency);
// The text after the fine pass: "f > fmax" above 2500 Hz, else the hertz in
// width 4, rounded to even hertz for a measured frequency and as they are
// for generator 1's; a shown number hides the display-limit warning.
FrequencyDisplay fineFrequencyDisplay(double frequency, bool fromGenerator);

// The whole procedure for one channel: the coarse pass, and above 100 Hz the
// fine pass; the shown frequency (the measured one, or generator 1's while
// the time base follows the generator) goes to the channel's frequency.
FrequencyDisplay showFrequency(SharedState& state, Channel channel);

} // namespace measure
