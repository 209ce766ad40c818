#pragma once
// The latest buffers of generators 1 + 2, kept so that an unchanged generator
// is not computed again. The sample index runs on modulo the frame rate, so
// a steady generator repeats a short cycle of buffers (at 44100 frames/s two
// half-second buffers, starting at n = 0 and n = 22050): each is computed
// once with the full formula and from then on copied.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace synthesis {

// Everything the samples of one buffer of generators 1 + 2 depend on.
struct GeneratorBufferKey {
    std::int32_t frameRate = 0;
    std::int32_t firstSample = 0; // n of the buffer's first sample
    std::int32_t sampleCount = 0;
    std::int32_t frequency1 = 0;
    std::int32_t amplitude1 = 0;
    std::int32_t frequency2 = 0;
    std::int32_t amplitude2 = 0;

    bool operator==(const GeneratorBufferKey&) const = default;
};

class GeneratorBufferCache {
public:
    // Buffers kept: one whole cycle of a steady generator at 44100 frames/s.
    static constexpr std::size_t capacity = 2;

    // The samples of a buffer kept under this key (key.sampleCount of them),
    // or nullptr when there is none.
    const std::int16_t* find(const GeneratorBufferKey& key) const;
    // Keeps the key.sampleCount 16-bit samples at `bytes`, computed for the
    // key, in place of the buffer kept longest.
    void keep(const GeneratorBufferKey& key, const char* bytes);

private:
    struct Entry {
        bool used = false;
        GeneratorBufferKey key;
        std::vector<std::int16_t> samples;
    };
    std::array<Entry, capacity> entries_;
    std::size_t oldest_ = 0;
};

} // namespace synthesis
