#include "BenchTestSupport.h"

namespace benchtest {

using namespace platform;

void selectRecordingSource(bench::BenchSoundCard& card, std::uint32_t item) {
    auto& mixer = card.mixer(0);
    const auto mux = mixer.findControl(lineType::destinationWaveIn, controlType::mux);
    const auto items = mixer.values(mux).size() / 2;
    std::vector<std::uint32_t> values(items, 0);
    values.at(item) = 1;
    mixer.setValues(mux, values);
}

void setUpMixer(bench::BenchSoundCard& card, std::uint32_t lineLevel) {
    auto& mixer = card.mixer(0);
    selectRecordingSource(card, 0); // the line input is item 0 of the bench mixer
    mixer.setValues(mixer.findControl(lineType::sourceWaveOut, controlType::volume),
                    {65535, 65535});
    mixer.setValues(mixer.findControl(lineType::destinationSpeakers, controlType::volume),
                    {65535, 65535});
    mixer.setValues(
        mixer.findControl(lineType::sourceLine, controlType::volume, lineType::destinationWaveIn),
        {lineLevel, lineLevel});
}

} // namespace benchtest
