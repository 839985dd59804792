#include "framework/LArgumentBlock.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(ArgumentBlock, LaysOutTheCountAndFixedSlots)
{
    const LByteArray block = LArgumentBlockWrite({"kestrano", "/home/a/plan.qpp"});
    ASSERT_EQ(block.size(), 33284u);
    int32_t count = 0;
    std::memcpy(&count, block.data(), 4);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 4)), "kestrano");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 4 + 260)),
              "/home/a/plan.qpp");
    // Unused slots stay zero.
    EXPECT_EQ(block[4 + 2 * 260], 0);
    EXPECT_EQ(block.back(), 0);

    const auto read = LArgumentBlockRead(block);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (std::vector<std::string>{"kestrano", "/home/a/plan.qpp"}));
}

TEST(ArgumentBlock, CutsLongArgumentsAndExtraArguments)
{
    // 258 bytes and then a two-byte character that does not fit in 259.
    const std::string path = std::string(258, 'a') + "\xC3\xA9";
    std::vector<std::string> arguments(130, "x");
    arguments[1] = path;
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
    const auto read = LArgumentBlockRead(block);
    ASSERT_TRUE(read);
    EXPECT_EQ((*read)[0], std::string(259, 'z'));
}
