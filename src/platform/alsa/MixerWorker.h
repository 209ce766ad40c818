#pragma once
// One mixer (AlsaElementStore) on a thread of its own, so that no call of the
// GUI thread waits for a sound server: the control device of PulseAudio or
// PipeWire answers the load and every change only after a round trip to the
// server, and a server that hangs does not answer at all.
//
// The worker opens the mixer, keeps a copy of every element's values and
// carries out the changes in the order they were asked for. The GUI thread
// reads the copy. A change goes into the copy at once as asked for, and the
// caller waits a short time (changeWait) for the worker: normally the copy
// then holds what the control really reached (a stepped level its step). Once
// the worker has been held up (the server hangs), changes are queued without
// waiting until it has caught up, and reach the mixer in order when the
// server answers again. Element changes, by anyone, reach watch()'s callback
// on the GUI thread.
//
// The destructor waits at most settleWait for the queued changes; when they
// cannot reach the mixer it says so on stderr and leaves the worker to finish
// them by itself.
//
// Construct, use and destroy it on the GUI thread.

#include "platform/alsa/ElementStore.h"
#include "platform/alsa/MixerLayout.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platform::alsa {

class MixerWorker : public ElementStore {
public:
    static constexpr std::chrono::milliseconds changeWait{25};
    static constexpr std::chrono::milliseconds settleWait{2000};

    // Starts opening the mixer of a control device ("hw:0", "pulse"); a
    // sound server's (server true) has cubic volumes.
    MixerWorker(const std::string& device, bool server);
    ~MixerWorker() override;
    MixerWorker(const MixerWorker&) = delete;
    MixerWorker& operator=(const MixerWorker&) = delete;

    // Waits at most `wait` for the mixer to open: the open's result, or none
    // while it is still opening.
    std::optional<MMResult> loaded(std::chrono::milliseconds wait);
    // The elements of the open mixer (empty until it has opened).
    const std::vector<ElementDescription>& descriptions() const;
    // Waits at most `wait` until every change asked for so far has reached
    // the mixer; false when some have not.
    bool settled(std::chrono::milliseconds wait);

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
    // Runs on the worker once the changes asked for before it have reached
    // the mixer; never when the mixer did not open.
    void afterChanges(std::function<void()> then) override;

    struct Shared;
    struct ElementValues;

private:
    MMResult change(std::size_t element, std::function<MMResult(ElementStore&)> apply,
                    std::function<void(ElementValues&)> expect);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    std::unique_ptr<QObject> context_; // receives the worker's element changes
    std::function<void(std::size_t)> changed_;
};

} // namespace platform::alsa
