#include "platform/alsa/VolumeScale.h"

#include "core/Round.h"

#include <algorithm>
#include <cmath>

namespace platform::alsa {

namespace {

// The gain that level 65535 stands for.
long referenceDb(const VolumeRange& range) {
    return std::min(0L, range.maximumDb);
}

std::uint32_t clampLevel(double level) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(Round(level), 0, fullLevel));
}

} // namespace

long levelToDb(std::uint32_t level, const VolumeRange& range) {
    if (level == 0) return range.minimumDb;
    const double share = std::min<double>(level, fullLevel) / fullLevel;
    const double db = static_cast<double>(referenceDb(range)) + 2000.0 * std::log10(share);
    return static_cast<long>(std::clamp<std::int64_t>(Round(db), range.minimumDb, range.maximumDb));
}

std::uint32_t dbToLevel(long hundredthsDb, const VolumeRange& range) {
    if (hundredthsDb <= range.minimumDb && range.minimumDb <= silentBottomDb) return 0;
    const double relative = static_cast<double>(hundredthsDb - referenceDb(range)) / 2000.0;
    return clampLevel(fullLevel * std::pow(10.0, relative));
}

long levelToRaw(std::uint32_t level, const VolumeRange& range) {
    double share = std::min<double>(level, fullLevel) / fullLevel;
    if (range.taper == Taper::cubic) share = std::cbrt(share);
    const double raw = static_cast<double>(range.minimum) +
                       share * static_cast<double>(range.maximum - range.minimum);
    return static_cast<long>(std::clamp<std::int64_t>(Round(raw), range.minimum, range.maximum));
}

std::uint32_t rawToLevel(long raw, const VolumeRange& range) {
    if (range.maximum <= range.minimum) return raw >= range.maximum ? fullLevel : 0;
    double share =
        static_cast<double>(std::clamp(raw, range.minimum, range.maximum) - range.minimum) /
        static_cast<double>(range.maximum - range.minimum);
    if (range.taper == Taper::cubic) share = share * share * share;
    return clampLevel(share * fullLevel);
}

} // namespace platform::alsa
