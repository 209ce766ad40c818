#pragma once
// A base for test sound cards that model only wave devices: no mixer, no
// volumes, no mixer application.

#include "platform/SoundCard.h"

namespace testcard {

class CardWithoutMixer : public platform::SoundCard {
public:
    int mixerCount() override { return 0; }
    platform::MMResult mixerCaps(int, platform::MixerCaps&) override {
        return platform::error::badDeviceId;
    }
    platform::MMResult openMixer(int, QObject*, std::unique_ptr<platform::Mixer>&) override {
        return platform::error::badDeviceId;
    }
    platform::MMResult getVolume(platform::VolumeDevice, std::uint32_t&) override {
        return platform::error::notSupported;
    }
    platform::MMResult setVolume(platform::VolumeDevice, std::uint32_t) override {
        return platform::error::notSupported;
    }
    bool launchMixerApplication() override { return false; }
};

// A card with no devices at all, whose error texts are all there is to it.
class TextOnlyCard : public CardWithoutMixer {
public:
    std::string name() const override { return "text"; }
    platform::MMResult openInput(int, const platform::PcmFormat&, QObject*,
                                 std::unique_ptr<platform::WaveInput>&) override {
        return platform::error::noDriver;
    }
    platform::MMResult openOutput(int, const platform::PcmFormat&, QObject*,
                                  std::unique_ptr<platform::WaveOutput>&) override {
        return platform::error::noDriver;
    }
};

} // namespace testcard
