#pragma once
// The amplitude spectra of both channels of a recorded block.
//
// Each channel's frames are weighted by a flat-top window over the whole
// block and transformed by KissFFT's real-input FFT, planned once per block
// length. The flat top keeps a sine's amplitude right to well within 0.5 %
// wherever its frequency falls between two bins, at the price of a main lobe
// five bins wide on either side.

#include "core/SharedState.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace measure {

struct BlockSpectra {
    int frames = 0;             // frames of each channel transformed; 0: no spectrum
    double binWidth = 0;        // Hz between neighbouring bins
    std::vector<float> current; // bin k (0 .. frames / 2): peak amplitude in raw units
    std::vector<float> voltage;
};

// Half the width of the window's main lobe, in bins: a line of the spectrum
// spreads this far on either side of its frequency.
constexpr int flatTopHalfLobe = 5;

class SpectrumAnalyser {
public:
    SpectrumAnalyser();
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    // The spectra of the block's frames (rawSamples holds sampleCount
    // interleaved values, voltage first). A block of fewer than 64 frames
    // gives no spectrum (frames 0); an odd frame count leaves its last frame out.
    void analyse(const SharedState::SampleArray& raw, std::int32_t sampleCount, BlockSpectra& out);

private:
    struct Plan;
    std::unique_ptr<Plan> plan_;
};

} // namespace measure
