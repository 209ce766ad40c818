#include "mixer/MixerSetUp.h"

#include "core/SharedState.h"
#include "mixer/AudioMixer.h"
#include "platform/SoundCard.h"

#include <cstdint>
#include <utility>

namespace {

using platform::VolumeDevice;

// The saved-volume variables in the order they are read and written back.
std::pair<VolumeDevice, std::uint32_t SharedState::*> const savedVolumes[] = {
    {VolumeDevice::waveOut0, &SharedState::savedWaveOutVolume},
    {VolumeDevice::aux3, &SharedState::savedAuxVolume3},
    {VolumeDevice::aux2, &SharedState::savedAuxVolume2},
    {VolumeDevice::aux4, &SharedState::savedAuxVolume4},
    {VolumeDevice::aux1, &SharedState::savedAuxVolume1},
    {VolumeDevice::aux5, &SharedState::savedAuxVolume5},
};

} // namespace

void SaveVolumes(SharedState& state) {
    if (!platform::hasSoundCard()) return;
    auto& card = platform::soundCard();
    for (const auto& [device, member] : savedVolumes) {
        std::uint32_t volume = 0;
        if (card.getVolume(device, volume) == platform::error::ok) state.*member = volume;
    }
}

void RestoreVolumes(const SharedState& state) {
    if (!platform::hasSoundCard()) return;
    auto& card = platform::soundCard();
    for (const auto& [device, member] : savedVolumes)
        card.setVolume(device, state.*member);
}

void SetUpMixer(TAudioMixer& mixer) {
    mixer.OpenMixer();
    SetUpOpenMixer(mixer);
}

void SetUpOpenMixer(TAudioMixer& mixer) {
    if (mixer.RecordingDestination && mixer.LineRecordingSource)
        mixer.SelectSource(mixer.RecordingDestination, mixer.LineRecordingSource->SourceIndex);

    auto both = [&mixer](TVolume* volume, std::int64_t value) {
        mixer.SetLeft(volume, value);
        mixer.SetRight(volume, value);
    };
    both(mixer.LevelVolume(mixer.WaveOutSource), 65535);
    both(mixer.LevelVolume(mixer.PlaybackDestination), 65535);
    both(mixer.LevelVolume(mixer.TelephoneRecordingSource), 0);
    both(mixer.LevelVolume(mixer.CDRecordingSource), 0);
    both(mixer.LevelVolume(mixer.AuxRecordingSource), 0);
    both(mixer.LevelVolume(mixer.MicrophoneRecordingSource), 0);
    auto* line = mixer.LineInputLevel();
    mixer.SetRight(line, 65535);
    mixer.SetLeft(line, 65535);

    // A level is no use behind a switch that is off: the recorded input, the
    // capture control, master and PCM are switched on.
    for (TSource* path : {static_cast<TSource*>(mixer.LineRecordingSource),
                          static_cast<TSource*>(mixer.RecordingDestination),
                          static_cast<TSource*>(mixer.PlaybackDestination), mixer.WaveOutSource})
        both(MuteVolume(path), 0);
    // The line input's boost amplifies it beyond what the ZO7's levels are
    // calibrated for: it goes to its lowest step.
    for (TSource* boost : LineInputBoosts(mixer))
        both(mixer.LevelVolume(boost), 0);
}

TVolume* MuteVolume(TSource* line) {
    if (!line || line->MuteIndex < 0 ||
        static_cast<std::size_t>(line->MuteIndex) >= line->Controls.size())
        return nullptr;
    auto& control = *line->Controls[static_cast<std::size_t>(line->MuteIndex)];
    return control.Volumes.empty() ? nullptr : control.Volumes.front().get();
}

std::vector<TSource*> LineInputBoosts(const TAudioMixer& mixer) {
    std::vector<TSource*> boosts;
    if (!mixer.LineRecordingSource) return boosts;
    const std::string input = mixer.LineRecordingSource->Name;
    const std::string boost = input + " Boost";
    for (const auto& destination : mixer.Destinations)
        for (const auto& source : destination->Sources)
            if (source->Name == boost) boosts.push_back(source.get());
    return boosts;
}

bool LaunchMixerApplication() {
    return platform::hasSoundCard() && platform::soundCard().launchMixerApplication();
}
