#pragma once
// The element values of one open ALSA mixer (snd_mixer, simple elements):
// what the mixer devices of the backend and its volumes read and write. It
// describes its elements for the layout (MixerLayout.h), converts levels
// through each element's scale (VolumeScale.h), and reports element changes
// from the GUI thread's event loop. GUI thread only.

#include "platform/SoundCard.h"
#include "platform/alsa/ElementStore.h"
#include "platform/alsa/MixerLayout.h"
#include "platform/alsa/VolumeScale.h"

#include <QSocketNotifier>
#include <memory>
#include <string>
#include <vector>
typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;

namespace platform::alsa {

class AlsaElementStore : public ElementStore {
public:
    // Opens the mixer of a control device ("hw:0", "default"). A sound
    // server's mixer (server true) has cubic volumes. The layer's error code.
    static MMResult open(const std::string& device, bool server,
                         std::unique_ptr<AlsaElementStore>& store);
    ~AlsaElementStore() override;
    AlsaElementStore(const AlsaElementStore&) = delete;
    AlsaElementStore& operator=(const AlsaElementStore&) = delete;

    const std::vector<ElementDescription>& descriptions() const { return descriptions_; }

    MMResult level(std::size_t element, Side side, std::uint32_t channel,
                   std::uint32_t& level) override;
    MMResult setLevel(std::size_t element, Side side, std::uint32_t channel,
                      std::uint32_t level) override;
    MMResult switchOn(std::size_t element, Side side, std::uint32_t channel, bool& on) override;
    MMResult setSwitch(std::size_t element, Side side, std::uint32_t channel, bool on) override;
    MMResult step(std::size_t element, Side side, std::uint32_t channel, long& raw) override;
    MMResult setStep(std::size_t element, Side side, std::uint32_t channel, long raw) override;
    MMResult enumItem(std::size_t element, std::uint32_t& item) override;
    MMResult setEnumItem(std::size_t element, std::uint32_t item) override;
    void watch(std::function<void(std::size_t element)> changed) override;

private:
    struct Element {
        snd_mixer_elem_t* elem = nullptr; // null once the element has gone
        std::vector<int> channels[2];     // the channel ids of each side
        VolumeRange range[2];
    };

    explicit AlsaElementStore(snd_mixer_t* mixer) : mixer_(mixer) {}
    void describe(bool server);
    Element* find(std::size_t element);
    int channelId(const Element& e, Side side, std::uint32_t channel) const;
    void handleEvents();
    static int elementCallback(snd_mixer_elem_t* elem, unsigned int mask);

    snd_mixer_t* mixer_;
    std::vector<Element> elements_;
    std::vector<ElementDescription> descriptions_;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers_;
    std::function<void(std::size_t)> changed_;
};

} // namespace platform::alsa
