#include "platform/alsa/AlsaErrors.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <cstdarg>

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

void silenceAlsaDiagnostics() {
    snd_lib_error_set_handler(&quiet);
}

} // namespace platform::alsa
