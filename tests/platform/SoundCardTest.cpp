#include "platform/SoundCard.h"

#include "core/Exception.h"
#include "support/CardWithoutMixer.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using testcard::TextOnlyCard;

TEST(SoundCardErrorText, EveryCodeHasItsOwnText) {
    using namespace platform::error;
    const platform::MMResult codes[] = {
        ok,           unspecified, badDeviceId,   allocated,    invalidHandle,
        noDriver,     noMemory,    notSupported,  invalidParam, badFormat,
        stillPlaying, unprepared,  deviceRemoved, serverDown,   badControlId,
        badLineId};
    TextOnlyCard card;
    std::set<std::string> texts;
    for (auto code : codes) {
        const auto text = card.errorText(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find("Unknown"), std::string::npos) << code;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), std::size(codes));
    EXPECT_NE(card.errorText(4711).find("4711"), std::string::npos);
}

TEST(SoundCardRegistry, InstallReplacesAndEmptyThrows) {
    platform::installSoundCard(nullptr);
    EXPECT_FALSE(platform::hasSoundCard());
    EXPECT_THROW(platform::soundCard(), Exception);
    platform::installSoundCard(std::make_unique<TextOnlyCard>());
    ASSERT_TRUE(platform::hasSoundCard());
    EXPECT_EQ(platform::soundCard().name(), "text");
    platform::installSoundCard(nullptr);
}

TEST(DeviceEventType, IsRegisteredOnceAndCarriesItsFields) {
    platform::WaveHeader header;
    int device = 0;
    platform::DeviceEvent event(platform::message::inputData, &device, &header, 7);
    EXPECT_EQ(event.type(), platform::DeviceEvent::eventType());
    EXPECT_GE(event.type(), QEvent::User);
    EXPECT_EQ(event.message(), 0x3C0);
    EXPECT_EQ(event.device(), &device);
    EXPECT_EQ(event.header(), &header);
    EXPECT_EQ(event.param(), 7u);
}

} // namespace
