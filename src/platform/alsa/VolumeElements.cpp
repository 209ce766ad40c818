#include "platform/alsa/VolumeElements.h"

namespace platform::alsa {

namespace {

std::optional<std::size_t> named(const char* name,
                                 const std::vector<ElementDescription>& elements) {
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (elements[i].name == name && elements[i].playback.volume) return i;
    return std::nullopt;
}

} // namespace

std::optional<std::size_t> volumeElement(VolumeDevice device,
                                         const std::vector<ElementDescription>& elements) {
    const auto pcm = named("PCM", elements);
    auto master = playbackMaster(elements);
    if (master && !elements[*master].playback.volume) master.reset();
    switch (device) {
    case VolumeDevice::waveOut0:
        return pcm ? pcm : master;
    case VolumeDevice::aux1:
        return pcm && master != pcm ? master : std::nullopt;
    case VolumeDevice::aux2:
        return named("Line", elements);
    case VolumeDevice::aux3:
        return named("CD", elements);
    case VolumeDevice::aux4:
        return named("Mic", elements);
    case VolumeDevice::aux5:
        return named("Aux", elements);
    }
    return std::nullopt;
}

std::uint32_t volumeWord(std::uint32_t left, std::uint32_t right) {
    return (left & 0xFFFFu) | ((right & 0xFFFFu) << 16);
}

std::uint32_t leftOf(std::uint32_t word) {
    return word & 0xFFFFu;
}

std::uint32_t rightOf(std::uint32_t word) {
    return word >> 16;
}

} // namespace platform::alsa
