#include "generator/GeneratorBufferCache.h"

#include <cstring>

namespace synthesis {

const std::int16_t* GeneratorBufferCache::find(const GeneratorBufferKey& key) const {
    for (const Entry& entry : entries_)
        if (entry.used && entry.key == key) return entry.samples.data();
    return nullptr;
}

void GeneratorBufferCache::keep(const GeneratorBufferKey& key, const char* bytes) {
    if (key.sampleCount <= 0) return;
    Entry& entry = entries_[oldest_];
    oldest_ = (oldest_ + 1) % capacity;
    entry.used = true;
    entry.key = key;
    entry.samples.resize(static_cast<std::size_t>(key.sampleCount));
    std::memcpy(entry.samples.data(), bytes, entry.samples.size() * sizeof(std::int16_t));
}

} // namespace synthesis
