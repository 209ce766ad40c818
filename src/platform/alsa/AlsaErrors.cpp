#include "platform/alsa/AlsaErrors.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <cstdarg>
#include <mutex>

namespace platform::alsa {

MMResult resultOfAlsaError(int error) {
    switch (-error) {
    case 0:
        return error::ok;
    case EBUSY:
    case EAGAIN:
        return error::allocated;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return error::badDeviceId;
    case ECONNREFUSED:
    case ECONNRESET:
    case ENOTCONN:
    case EHOSTDOWN:
        return error::serverDown;
    case ENOMEM:
        return error::noMemory;
    case EINVAL:
        return error::badFormat;
    case ENOSYS:
    case EOPNOTSUPP:
        return error::notSupported;
    case EBADFD:
        return error::invalidHandle;
    default:
        return error::unspecified;
    }
}

namespace {
void quiet(const char*, int, const char*, int, const char*, ...) {}
} // namespace

// The handler is a process-wide global that alsa-lib reads on every error,
// also from the worker threads of streams already running; it is therefore
// installed once, before the first use of alsa-lib, and never rewritten.
void silenceAlsaDiagnostics() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&quiet); });
}

} // namespace platform::alsa
