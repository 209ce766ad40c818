// What alsa-lib's errors become in the sound-card layer, and so in the
// streaming components' LastError.

#include "platform/alsa/AlsaErrors.h"

#include "support/CardWithoutMixer.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(AlsaErrors, OpeningFailuresGiveTheirOwnTexts) {
    struct Case {
        int error;
        const char* text;
    };
    const Case cases[] = {
        {-EBUSY, "The sound device is already in use by another program."},
        {-ENOENT, "The sound device does not exist."}, // no such card or PCM
        {-ENODEV, "The sound device does not exist."},
        {-ECONNREFUSED, "The sound server (PulseAudio or PipeWire) is not running."},
        {-EINVAL, "The sound device does not support this wave format."},
        {-ENOMEM, "Not enough memory for the sound device."},
        {0, "The operation completed successfully."},
    };
    testcard::TextOnlyCard card;
    for (const auto& c : cases)
        EXPECT_EQ(card.errorText(alsa::resultOfAlsaError(c.error)), c.text) << c.error;
}

} // namespace
