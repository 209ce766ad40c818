#pragma once
// The values of the simple elements of one mixer, as the layer's mixer reads
// and writes them: levels (0..65535, see VolumeScale.h), switches and the
// item of an enumeration. AlsaElementStore keeps them on a real mixer; tests
// keep them in memory. Elements are numbered as in the list of descriptions
// the layout was made from.

#include "platform/SoundCard.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform::alsa {

enum class Side { playback, capture };

// Stands for every channel of an element in the setters.
constexpr std::uint32_t allChannels = 0xFFFFFFFFu;

class ElementStore {
public:
    virtual ~ElementStore() = default;

    // Channel c is the element's c-th channel on that side.
    virtual MMResult level(std::size_t element, Side side, std::uint32_t channel,
                           std::uint32_t& level) = 0;
    virtual MMResult setLevel(std::size_t element, Side side, std::uint32_t channel,
                              std::uint32_t level) = 0;
    virtual MMResult switchOn(std::size_t element, Side side, std::uint32_t channel, bool& on) = 0;
    virtual MMResult setSwitch(std::size_t element, Side side, std::uint32_t channel, bool on) = 0;
    // The raw volume step of a channel, where the store has one
    // (notSupported otherwise).
    virtual MMResult step(std::size_t, Side, std::uint32_t, long&) { return error::notSupported; }
    virtual MMResult setStep(std::size_t, Side, std::uint32_t, long) { return error::notSupported; }
    virtual MMResult enumItem(std::size_t element, std::uint32_t& item) = 0;
    virtual MMResult setEnumItem(std::size_t element, std::uint32_t item) = 0;

    // Called on the GUI thread, from the event loop, whenever an element's
    // values have changed (by this program or by anyone else).
    virtual void watch(std::function<void(std::size_t element)> changed) = 0;

    // Runs `then` once every change asked for so far has reached the mixer:
    // at once where changes are made as they are asked for.
    virtual void afterChanges(std::function<void()> then) { then(); }
};

} // namespace platform::alsa
