#pragma once
// Sample synthesis of the output signal: the sum of generators 1 and 2, or
// the swept burst. Plain functions over the shared state; the window's fill
// handler (TForm1::AudioOut1FillBuffer) reads the sweep boxes and calls them.
//
// Every sample is sin(n / R x 3.14159 x 2 x f) x A, evaluated in extended
// precision in exactly this order and rounded to the nearest integer, ties to
// even. Generators 1 and 2 count n on across the buffers of a playback stream
// (reduced modulo R), so a sine continues without a jump at a buffer
// boundary; the sweep starts every burst at n = 0. Values beyond the 16-bit
// range are clipped to -32768..32767.

#include "core/SharedState.h"
#include "generator/GeneratorBufferCache.h"
#include "generator/SweepParameters.h"

#include <cstdint>
#include <optional>
#include <string>

namespace synthesis {

// Bytes of one buffer of generators 1 + 2 (22050 samples) and of one sweep
// burst (5000 samples).
constexpr std::int32_t generatorBytes = 44100;
constexpr std::int32_t sweepBytes = 10000;

// The rounded sine value of sample n: sin(n / R x 3.14159 x 2 x f) x A.
std::int64_t sineValue(std::int64_t n, std::int32_t frameRate, std::int32_t frequency,
                       std::int32_t amplitude);

// The frequency, in Hz, at which sineValue's samples of `frequency` run:
// the phase advances by 2 x 3.14159 x f per second, a little under a turn
// per hertz.
double playedFrequency(std::int32_t frequency);

// Clips to the 16-bit sample range.
std::int16_t saturate(std::int64_t value);

// Writes one buffer of generators 1 + 2 into Buffer (16-bit samples, at most
// Capacity bytes) and returns the byte count written: 44100, or less when the
// buffer is smaller. Sample n runs on from state.generatorSampleIndex, which
// is left at the index of the next buffer's first sample. With a cache, a
// buffer of the same generator values and first sample as one kept there is
// copied instead of computed (the samples are the same to the bit), and a
// computed one is kept.
std::int32_t fillGenerators(SharedState& state, char* Buffer, std::int32_t Capacity,
                            std::int32_t frameRate, GeneratorBufferCache* cache = nullptr);

// Writes one sweep burst (10000 bytes, or less when the buffer is smaller)
// of amplitude state.generator1Amplitude: the frequency value starts at
// startFrequency and rises by 1 every stepSamples samples. Sets
// sweepFrequency, sweepStepSamples and sweepStepCounter as it goes and
// returns the byte count written.
std::int32_t fillSweep(SharedState& state, char* Buffer, std::int32_t Capacity,
                       std::int32_t frameRate, std::int32_t startFrequency,
                       std::int32_t stepSamples);

// Writes a silent sweep-sized buffer (no valid sweep values yet).
std::int32_t fillSilence(char* Buffer, std::int32_t Capacity, std::int32_t bytes);

// One buffer of the output signal, as the playback handler supplies it:
// generators 1 + 2, or the sweep burst when state.sweepActive is 1. Size is
// the buffer's capacity on entry and the byte count to play on return;
// firstOfStream starts generators 1 and 2 at n = 0. The sweep's parameters
// come from the texts of its two boxes; an empty text becomes "1" (written
// back). A text that is not an integer does not stop the output: the burst is
// made from the last valid parameters (silence when there were none), and
// the conversion error is put into errorToReport the first time it occurs
// (not again until the texts have been valid in between or the error
// changes). Generator buffers go through the cache when one is given.
// Returns whether data was supplied.
bool fillOutputBuffer(SharedState& state, char* Buffer, std::int32_t& Size, std::int32_t frameRate,
                      bool firstOfStream, std::string& fromText, std::string& toText,
                      std::string& errorToReport, GeneratorBufferCache* cache = nullptr);

} // namespace synthesis
