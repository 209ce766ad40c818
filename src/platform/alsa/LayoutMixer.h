#pragma once
// A mixer device of the sound-card layer made of a layout (MixerLayout.h)
// and the element values behind it (ElementStore.h): line and control
// records come from the layout, control values are read from and written to
// the elements, and every change of an element posts mixerControlChange for
// each control that depends on it. GUI thread only.

#include "platform/SoundCard.h"
#include "platform/alsa/ElementStore.h"
#include "platform/alsa/MixerLayout.h"

#include <QPointer>
#include <memory>

namespace platform::alsa {

class LayoutMixer : public Mixer {
public:
    LayoutMixer(MixerLayout layout, std::shared_ptr<ElementStore> store, QObject* notify);
    ~LayoutMixer() override;
    LayoutMixer(const LayoutMixer&) = delete;
    LayoutMixer& operator=(const LayoutMixer&) = delete;

    MMResult lineInfo(std::uint32_t destination, MixerLine& line) override;
    MMResult lineInfo(std::uint32_t destination, std::uint32_t source, MixerLine& line) override;
    MMResult lineControls(std::uint32_t lineId, std::vector<MixerControl>& controls) override;
    MMResult getValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                       std::vector<std::uint32_t>& values) override;
    MMResult setValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                       const std::vector<std::uint32_t>& values) override;
    // Volumes in the element's raw steps; everything else as above.
    MMResult getExactValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                            std::vector<std::uint32_t>& values) override;
    MMResult setExactValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                            const std::vector<std::uint32_t>& values) override;
    void afterChanges(std::function<void()> then) override {
        store_->afterChanges(std::move(then));
    }

private:
    void elementChanged(std::size_t element);

    MixerLayout layout_;
    std::shared_ptr<ElementStore> store_;
    QPointer<QObject> notify_;
};

} // namespace platform::alsa
