#include "framework/LArgumentBlock.h"

#include <gtest/gtest.h>

#include <cstring>

// The block a second start of the program hands to the first: a count and 128 slots of
// 260 bytes, each argument cut between characters to fit its slot with its zero byte.
TEST(ArgumentBlock, LaysOutTheCountAndFixedSlotsAndCutsWhatDoesNotFit)
{
    const LByteArray block = LArgumentBlockWrite({"kestrano", "/home/a/plan.qpp"});
    ASSERT_EQ(block.size(), 33284u);
    int32_t count = 0;
    std::memcpy(&count, block.data(), 4);
    EXPECT_EQ(count, 2);
    EXPECT_STREQ(reinterpret_cast<const char*>(block.data() + 4 + 260), "/home/a/plan.qpp");
    EXPECT_EQ(block[4 + 2 * 260], 0); // unused slots stay zero
    EXPECT_EQ(LArgumentBlockRead(block),
              (std::vector<std::string>{"kestrano", "/home/a/plan.qpp"}));

    // 258 bytes and then a two-byte character that does not fit in 259; 130 arguments.
    std::vector<std::string> arguments(130, "x");
    arguments[1] = std::string(258, 'a') + "\xC3\xA9";
    const auto read = LArgumentBlockRead(LArgumentBlockWrite(arguments));
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 128u);
    EXPECT_EQ((*read)[1], std::string(258, 'a'));
}

TEST(ArgumentBlock, RefusesDamagedBlocks)
{
    LByteArray block = LArgumentBlockWrite({"a"});
    EXPECT_FALSE(LArgumentBlockRead(LByteArray(block.begin(), block.end() - 1)));
    for (int32_t count : {-1, 129}) {
        std::memcpy(block.data(), &count, 4);
        EXPECT_FALSE(LArgumentBlockRead(block)) << count;
    }
    // A slot without its zero byte ends at the slot's end.
    int32_t one = 1;
    std::memcpy(block.data(), &one, 4);
    std::memset(block.data() + 4, 'z', 260);
    EXPECT_EQ(LArgumentBlockRead(block), std::vector<std::string>{std::string(259, 'z')});
}
