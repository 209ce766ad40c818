// How a recorded block enters the shared sample array.

#include "app/RecordedBlock.h"

#include "app/Form1.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

constexpr std::int32_t untouched = 0x5A5A5A5A;

// A block of n little-endian 16-bit values: value i is f(i).
template <class F> std::vector<char> block(int values, F f) {
    std::vector<char> bytes(static_cast<std::size_t>(values) * 2);
    for (int i = 0; i < values; ++i) {
        const auto word = static_cast<std::uint16_t>(f(i));
        bytes[2 * i] = static_cast<char>(word & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(word >> 8);
    }
    return bytes;
}

std::int16_t pattern(int i) {
    return static_cast<std::int16_t>((i * 7919) % 65536 - 32768);
}

class RecordedBlockTest : public ::testing::Test {
protected:
    void SetUp() override {
        state->rawSamples.fill(untouched);
        state->sampleCount = 32000;
        state->sampleIndex = 77;
    }
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
};

struct SizeCase {
    std::int32_t bytes;
    std::int32_t expectedValues;
};

// Shown by its name in test listings.
void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.bytes << " bytes";
}

class BlockSizeTest : public RecordedBlockTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(BlockSizeTest, CopiesEveryWholeValueUpToTheArrayAndNothingBeyond) {
    const SizeCase c = GetParam();
    std::vector<char> bytes = block((c.bytes + 1) / 2, pattern);
    bytes.resize(static_cast<std::size_t>(c.bytes));

    EXPECT_EQ(copyRecordedBlock(*state, bytes.data(), c.bytes), c.expectedValues);
    EXPECT_EQ(state->sampleCount, c.expectedValues);
    EXPECT_EQ(state->sampleIndex, c.expectedValues);
    for (int i = 0; i < c.expectedValues; ++i)
        ASSERT_EQ(state->rawSamples[i], pattern(i)) << i;
    for (int i = c.expectedValues; i < sampleCapacity; ++i)
        ASSERT_EQ(state->rawSamples[i], untouched) << i;
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlockSizeTest,
                         ::testing::Values(SizeCase{32000, 16000}, // a recorded block
                                           SizeCase{2, 1}, SizeCase{5, 2},
                                           SizeCase{88200, 44100},   // exactly the array
                                           SizeCase{88202, 44100},   // one value too many
                                           SizeCase{140000, 44100}), // beyond 16 bits of values
                         [](const auto& info) {
                             return "Bytes" + std::to_string(info.param.bytes);
                         });

TEST_F(RecordedBlockTest, ValuesAreSignExtendedLittleEndianWords) {
    const std::vector<std::int16_t> values = {0, 1, -1, 32767, -32768, 256, -256, 0x1234};
    const std::vector<char> bytes =
        block(static_cast<int>(values.size()), [&](int i) { return values[i]; });
    copyRecordedBlock(*state, bytes.data(), static_cast<std::int32_t>(bytes.size()));
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(state->rawSamples[i], values[i]);
}

class EmptyBlockTest : public RecordedBlockTest, public ::testing::WithParamInterface<int> {};

TEST_P(EmptyBlockTest, ABlockWithoutAWholeValueChangesNothing) {
    const std::vector<char> bytes = block(4, pattern);
    const std::int32_t size = GetParam();
    EXPECT_EQ(copyRecordedBlock(*state, size < 0 ? nullptr : bytes.data(), size < 0 ? 8 : size), 0);
    EXPECT_EQ(state->sampleCount, 32000);
    EXPECT_EQ(state->sampleIndex, 77);
    EXPECT_EQ(state->rawSamples[0], untouched);
}

// 0 and 1 byte, and (-1) a missing buffer of 8 bytes.
INSTANTIATE_TEST_SUITE_P(Empty, EmptyBlockTest, ::testing::Values(0, 1, -1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 0   ? "NoBytes"
                                                : info.param == 1 ? "OneByte"
                                                                  : "MissingBuffer");
                         });

TEST_F(RecordedBlockTest, NegativeSizeCopiesNothing) {
    const std::vector<char> bytes = block(4, pattern);
    EXPECT_EQ(copyRecordedBlock(*state, bytes.data(), -32000), 0);
    EXPECT_EQ(state->sampleCount, 32000);
}

TEST(BufferFilledTest, TheWindowCopiesTheBlockAndDeclinesToRequeue) {
    auto form = std::make_unique<TForm1>();
    form->state.rawSamples.fill(untouched);
    std::vector<char> bytes = block(16000, pattern);
    std::int32_t size = 32000;
    EXPECT_FALSE(form->AudioIn1BufferFilled(bytes.data(), size));
    EXPECT_EQ(size, 32000);
    EXPECT_EQ(form->state.sampleCount, 16000);
    EXPECT_EQ(form->state.rawSamples[15999], pattern(15999));
    EXPECT_EQ(form->state.rawSamples[16000], untouched);

    // The second block of a capture overwrites the first.
    bytes = block(16000, [](int i) { return static_cast<std::int16_t>(-i); });
    EXPECT_FALSE(form->AudioIn1BufferFilled(bytes.data(), size));
    EXPECT_EQ(form->state.rawSamples[15999], -15999);
}

} // namespace
