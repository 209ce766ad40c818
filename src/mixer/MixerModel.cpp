#include "mixer/MixerModel.h"

ValueEncoding encodingOf(std::uint32_t controlType) {
    using namespace platform::controlType;
    if (controlType == signedMeter || controlType == signedNumber ||
        (controlType >= 0x40000000u && controlType <= 0x4FFFFFFFu))
        return ValueEncoding::Signed;
    if (controlType >= 0x70000000u || controlType == booleanMeter ||
        (controlType >= 0x20000000u && controlType <= 0x2FFFFFFFu))
        return ValueEncoding::Boolean;
    return ValueEncoding::Unsigned;
}

std::uint32_t encodeValue(ValueEncoding encoding, std::int64_t value) {
    switch (encoding) {
    case ValueEncoding::Signed:
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    case ValueEncoding::Boolean:
        return value != 0 ? 1u : 0u;
    case ValueEncoding::Unsigned:
        break;
    }
    return static_cast<std::uint32_t>(value);
}

std::int64_t decodeValue(ValueEncoding encoding, std::uint32_t word) {
    switch (encoding) {
    case ValueEncoding::Signed:
        return static_cast<std::int32_t>(word);
    case ValueEncoding::Boolean:
        return word != 0 ? 1 : 0;
    case ValueEncoding::Unsigned:
        break;
    }
    return word;
}
