#pragma once
// A sound card that has only mixers (bench mixers built from descriptions)
// and volumes, and that logs every volume call, for the mixer tests.

#include "platform/SoundCard.h"
#include "platform/bench/BenchMixer.h"

#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace mixertest {

using namespace platform;
using namespace platform::bench;

class MixerCard : public SoundCard {
public:
    explicit MixerCard(const std::vector<MixerSpec>& specs) {
        for (const auto& spec : specs)
            mixers.push_back(std::make_unique<BenchMixer>(spec));
    }

    struct VolumeCall {
        bool set;
        VolumeDevice device;
        std::uint32_t value;
        bool operator==(const VolumeCall&) const = default;
    };

    std::vector<std::unique_ptr<BenchMixer>> mixers;
    std::array<std::uint32_t, 6> volumes{};
    std::array<bool, 6> volumeFails{};
    std::vector<VolumeCall> volumeCalls;
    int launches = 0;

    std::string name() const override { return "mixer test"; }
    MMResult openInput(int, const PcmFormat&, QObject*, std::unique_ptr<WaveInput>&) override {
        return error::noDriver;
    }
    MMResult openOutput(int, const PcmFormat&, QObject*, std::unique_ptr<WaveOutput>&) override {
        return error::noDriver;
    }
    int mixerCount() override { return static_cast<int>(mixers.size()); }
    MMResult mixerCaps(int id, MixerCaps& caps) override {
        if (id < 0 || id >= mixerCount()) return error::badDeviceId;
        return mixers[static_cast<std::size_t>(id)]->caps(caps);
    }
    MMResult openMixer(int id, QObject* notify, std::unique_ptr<Mixer>& mixer) override {
        if (id < 0 || id >= mixerCount()) return error::badDeviceId;
        return mixers[static_cast<std::size_t>(id)]->open(notify, mixer);
    }
    MMResult getVolume(VolumeDevice device, std::uint32_t& volume) override {
        const auto i = static_cast<std::size_t>(device);
        volumeCalls.push_back({false, device, volumes[i]});
        if (volumeFails[i]) return error::badDeviceId;
        volume = volumes[i];
        return error::ok;
    }
    MMResult setVolume(VolumeDevice device, std::uint32_t volume) override {
        const auto i = static_cast<std::size_t>(device);
        volumeCalls.push_back({true, device, volume});
        if (volumeFails[i]) return error::badDeviceId;
        volumes[i] = volume;
        return error::ok;
    }
    bool launchMixerApplication() override {
        ++launches;
        return true;
    }
};

// Installs a MixerCard as the program's sound card for one test.
class MixerCardTest : public ::testing::Test {
protected:
    MixerCard& install(const std::vector<MixerSpec>& specs) {
        auto card = std::make_unique<MixerCard>(specs);
        card_ = card.get();
        installSoundCard(std::move(card));
        return *card_;
    }
    void TearDown() override { installSoundCard(nullptr); }
    MixerCard* card_ = nullptr;
};

// Building blocks of the card descriptions.
inline ControlSpec fader(std::uint32_t flags = 0, std::vector<std::uint32_t> values = {}) {
    ControlSpec control;
    control.type = controlType::volume;
    control.flags = flags;
    control.values = std::move(values);
    return control;
}

inline ControlSpec control(std::uint32_t type, std::vector<std::uint32_t> values = {}) {
    ControlSpec c;
    c.type = type;
    c.values = std::move(values);
    if (type == controlType::mute) c.maximum = 1;
    return c;
}

inline ControlSpec selector(std::uint32_t items, std::uint32_t flags = controlFlag::uniform,
                            std::uint32_t type = controlType::mux) {
    ControlSpec mux;
    mux.type = type;
    mux.flags = flags | controlFlag::multiple;
    mux.items = items;
    mux.minimum = 0;
    mux.maximum = 1;
    mux.steps = 1;
    return mux;
}

inline LineSpec lineOf(std::uint32_t type, std::vector<ControlSpec> controls = {fader()},
                       std::uint32_t channels = 2) {
    LineSpec line;
    line.componentType = type;
    line.channels = channels;
    line.controls = std::move(controls);
    return line;
}

inline DestinationSpec destinationOf(LineSpec line, std::vector<LineSpec> sources) {
    DestinationSpec destination;
    destination.line = std::move(line);
    destination.sources = std::move(sources);
    return destination;
}

inline MixerSpec cardOf(std::vector<DestinationSpec> destinations,
                        std::string product = "test mixer") {
    MixerSpec spec;
    spec.productName = std::move(product);
    spec.destinations = std::move(destinations);
    return spec;
}

} // namespace mixertest
