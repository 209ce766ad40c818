#pragma once
// A call that may wait for a sound server, made on a thread of its own and
// waited for at most a given time. Opening a PCM or a control device behind
// PulseAudio or PipeWire is a round trip to the server; a server that hangs
// keeps it from returning for half a minute or for good. The caller goes on
// without the answer; the call ends by itself whenever the server answers,
// and its result is then dropped.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace platform::alsa {

// The call's result, or nullopt when it had not returned after `wait`.
// `call` is moved to the thread: it must own everything it uses.
template <class Call>
auto withinTime(std::chrono::milliseconds wait, Call call)
    -> std::optional<std::invoke_result_t<Call&>> {
    using Result = std::invoke_result_t<Call&>;
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<Result> result;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, call = std::move(call)]() mutable {
        Result result = call();
        const std::lock_guard lock(shared->mutex);
        shared->result = std::move(result);
        shared->done.notify_all();
    }).detach();
    std::unique_lock lock(shared->mutex);
    shared->done.wait_for(lock, wait, [&] { return shared->result.has_value(); });
    return shared->result;
}

} // namespace platform::alsa
