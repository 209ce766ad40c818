#pragma once
// The element values of one open ALSA mixer (snd_mixer, simple elements):
// what the mixer devices of the backend and its volumes read and write. It
// describes its elements for the layout (MixerLayout.h), converts levels
// through each element's scale (VolumeScale.h), and reports the element
// changes that handleEvents() finds. Behind a sound server every change and
// every handleEvents() may wait for the server: the program uses it on a
// thread of its own (MixerWorker.h). One thread at a time.

#include "platform/SoundCard.h"
#include "platform/alsa/ElementStore.h"
#include "platform/alsa/MixerLayout.h"
#include "platform/alsa/VolumeScale.h"

#include <memory>
#include <string>
#include <vector>
typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;
struct pollfd;

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
    // The callback runs from handleEvents().
    void watch(std::function<void(std::size_t element)> changed) override;

    // The descriptors that become readable when the mixer has events.
    std::vector<pollfd> descriptors() const;
    // Reads the mixer's events and reports the changed elements; false when
    // the card has gone.
    bool handleEvents();

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
    static int elementCallback(snd_mixer_elem_t* elem, unsigned int mask);

    snd_mixer_t* mixer_;
    std::vector<Element> elements_;
    std::vector<ElementDescription> descriptions_;
    std::function<void(std::size_t)> changed_;
};

} // namespace platform::alsa
