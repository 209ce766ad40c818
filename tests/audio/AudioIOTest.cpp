// Format, size rounding and buffer ring of the streaming components.
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"

#include <gtest/gtest.h>

namespace {

struct SizeCase {
    const char* name;
    bool stereo;
    std::uint16_t bits;
    std::int32_t request;
    std::int32_t expected;
};

// Shown by its name in test listings.
void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class BufferSizeRounding : public ::testing::TestWithParam<SizeCase> {};

TEST_P(BufferSizeRounding, RoundsTheRequestDownToWholeFrames) {
    const SizeCase c = GetParam();
    TAudioIn component;
    component.setQuantization(c.bits);
    component.setStereo(c.stereo);
    component.setBufferSize(c.request);
    EXPECT_EQ(component.BufferSize(), c.expected);
    EXPECT_EQ(component.SizeRequest, std::max(c.request, 512));
    for (int i = 0; i < component.NumBuffers(); ++i) {
        EXPECT_EQ(component.BufferCapacity(i), c.expected) << "buffer " << i;
        EXPECT_EQ(component.Headers[static_cast<std::size_t>(i)]->data,
                  component.Buffers[static_cast<std::size_t>(i)]);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, BufferSizeRounding,
                         ::testing::Values(SizeCase{"TooSmallIsRaised", false, 16, 100, 512},
                                           SizeCase{"Stereo16Bit", true, 16, 32002, 32000},
                                           SizeCase{"Mono16Bit", false, 16, 32002, 32002},
                                           SizeCase{"Mono16BitOddRequest", false, 16, 44101, 44100},
                                           SizeCase{"Stereo16BitJustAboveTheLeast", true, 16, 513,
                                                    512},
                                           SizeCase{"Stereo8Bit", true, 8, 32001, 32000},
                                           SizeCase{"Mono8BitKeepsOddSizes", false, 8, 1001, 1001},
                                           SizeCase{"NegativeIsRaised", false, 16, -7, 512}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AudioIO, StereoAfterTheSizeOnlyRoundsDown) {
    // The order the window uses: size first, then the format.
    TAudioIn in;
    in.setBufferSize(32002);
    in.setNumBuffers(2);
    in.setFrameRate(44100);
    in.setStereo(true);
    EXPECT_EQ(in.BufferSize(), 32000);
    EXPECT_EQ(in.BufferCapacity(0), 32002); // allocated before the format changed
    EXPECT_EQ(in.WaveFormat().blockAlign, 4);
    EXPECT_EQ(in.WaveFormat().bytesPerSecond, 176400u);
}

TEST(AudioIO, NumBuffersAndQuantizationAreClamped) {
    const struct {
        std::int32_t written, read;
    } counts[] = {{1, 2}, {9, 4}, {3, 3}, {-5, 2}, {2, 2}, {4, 4}};
    for (const auto& c : counts) {
        TAudioOut out;
        out.setNumBuffers(c.written);
        EXPECT_EQ(out.NumBuffers(), c.read) << "NumBuffers := " << c.written;
    }
    const struct {
        std::uint16_t written, read;
    } bits[] = {{12, 16}, {0, 8}, {8, 8}, {9, 16}, {16, 16}, {24, 16}};
    for (const auto& b : bits) {
        TAudioOut out;
        out.setQuantization(b.written);
        EXPECT_EQ(out.Quantization(), b.read) << "Quantization := " << b.written;
        EXPECT_EQ(out.WaveFormat().blockAlign, b.read / 8);
    }
}

TEST(AudioIO, StereoDoublesBlockAndByteRate) {
    TAudioOut out;
    out.setFrameRate(44100);
    EXPECT_EQ(out.WaveFormat().blockAlign, 2);
    EXPECT_EQ(out.WaveFormat().bytesPerSecond, 88200u);
    out.setStereo(true);
    EXPECT_TRUE(out.Stereo());
    EXPECT_EQ(out.WaveFormat().channels, 2);
    EXPECT_EQ(out.WaveFormat().blockAlign, 4);
    EXPECT_EQ(out.WaveFormat().bytesPerSecond, 176400u);
    out.setStereo(false);
    EXPECT_FALSE(out.Stereo());
    EXPECT_EQ(out.WaveFormat().bytesPerSecond, 88200u);
}

TEST(AudioIO, FreshComponentDefaults) {
    TAudioIn in;
    TAudioOut out;
    for (TAudioIO* component : {static_cast<TAudioIO*>(&in), static_cast<TAudioIO*>(&out)}) {
        EXPECT_EQ(component->BufferSize(), 8192);
        EXPECT_EQ(component->NumBuffers(), 4);
        EXPECT_EQ(component->FrameRate(), 22050);
        EXPECT_FALSE(component->Stereo());
        EXPECT_EQ(component->Quantization(), 16);
        EXPECT_EQ(component->DeviceId, -1);
        EXPECT_EQ(component->LastError, "");
        EXPECT_FALSE(component->Streaming);
        EXPECT_FALSE(component->KeepRunning);
        EXPECT_EQ(component->WaveFormat().formatTag, 1);
        EXPECT_EQ(component->WaveFormat().extraSize, 0);
        for (std::size_t i = 0; i < 4; ++i) {
            ASSERT_NE(component->Headers[i], nullptr);
            ASSERT_NE(component->Buffers[i], nullptr);
            EXPECT_EQ(component->BufferCapacity(static_cast<int>(i)), 8192);
            EXPECT_EQ(component->Headers[i]->data, component->Buffers[i]);
        }
    }
    EXPECT_FALSE(in.DeviceOpen);
    EXPECT_FALSE(out.DeviceOpen);
    EXPECT_FALSE(out.Paused());
    EXPECT_EQ(in.NotifyWindow, nullptr);
}

TEST(AudioIO, ResetHeadersPointsEveryUsedHeaderAtItsBuffer) {
    TAudioOut out;
    out.setBufferSize(1000);
    out.setNumBuffers(3);
    for (auto* header : out.Headers) {
        header->bytesRecorded = 7;
        header->flags = 99;
        header->user = 5;
    }
    EXPECT_TRUE(out.ResetHeaders());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(out.Headers[i]->data, out.Buffers[i]);
        EXPECT_EQ(out.Headers[i]->length, 1000u);
        EXPECT_EQ(out.Headers[i]->bytesRecorded, 0u);
        EXPECT_EQ(out.Headers[i]->flags, 0u);
        EXPECT_EQ(out.Headers[i]->user, 0u);
    }
    EXPECT_EQ(out.Headers[3]->flags, 99u); // not in use
}

TEST(AudioIO, NewBufferSizeReplacesTheBuffersOfTheCountInForce) {
    TAudioOut out;
    out.setNumBuffers(2);
    out.setBufferSize(2048);
    EXPECT_EQ(out.BufferCapacity(0), 2048);
    EXPECT_EQ(out.BufferCapacity(1), 2048);
    EXPECT_EQ(out.BufferCapacity(2), 0);
    EXPECT_EQ(out.Buffers[2], nullptr);
    EXPECT_TRUE(out.ReleaseBuffers());
    EXPECT_FALSE(out.ReleaseBuffers());
}

} // namespace
