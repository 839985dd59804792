#include "framework/LFixedText.h"
#include "framework/LArgumentBlock.h"
#include "framework/LScan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

// Fixed text fields hold at most 259 bytes and are never cut inside a UTF-8 character:
// "é" is two bytes, "€" three, "😀" four, each put across the limit or just inside it; a
// run of stray continuation bytes is not a character and is cut where it stands.
TEST(LFixedText, CutsAt259BytesBetweenCharacters)
{
    // Each text is 255 bytes and then its tail.
    const struct {
        const char* tail;
        std::size_t kept;
    } cases[] = {
            {"abcd", 259}, {"abcde", 259}, {"aaé", 259}, {"aaaé", 258}, {"a€", 259},
            {"aa€", 257},  {"aaa€", 258},  {"😀", 259},   {"a😀", 256},   {"aaa😀", 258},
    };
    for (const auto& c : cases) {
        const std::string text = std::string(255, 'a') + c.tail;
        EXPECT_EQ(LFixedText(text).str(), text.substr(0, c.kept)) << c.tail;
        LFixedText assigned;
        assigned = text;
        EXPECT_EQ(assigned.size(), c.kept) << c.tail;
    }
    EXPECT_EQ(LFixedText(std::string(250, 'a') + std::string(20, '\x80')).size(), 259u);
    EXPECT_EQ(LFixedText("Design").str(), "Design");
    EXPECT_EQ(LFixedText(static_cast<const char*>(nullptr)).str(), "");
    EXPECT_TRUE(LFixedText().empty());
    // Prefixes count characters, not bytes.
    EXPECT_EQ(LUtf8Prefix("aé€😀b", 0), "");
    EXPECT_EQ(LUtf8Prefix("aé€😀b", 2), "aé");
    EXPECT_EQ(LUtf8Prefix("aé€😀b", 4), "aé€😀");
    EXPECT_EQ(LUtf8Prefix("ab", 9), "ab");
    EXPECT_EQ(LUtf8Length("aé€😀b"), 5u);
}

// Reads like sscanf with "%d": numbers skip leading white space and take a sign, a space in
// the format matches any amount of white space (none included), and values saturate.
TEST(LScanInts, ReadsLikeSscanfAndSaturates)
{
    const struct {
        const char* text;
        const char* format;
        int stored;
        std::vector<int> values;
    } cases[] = {
            {"2000-07-26 14:05:09", "%d-%d-%d %d:%d:%d", 6, {2000, 7, 26, 14, 5, 9}},
            {"  -5-+3-07", "%d-%d-%d", 3, {-5, 3, 7}},
            {"2000-07-2614:05:00", "%d-%d-%d %d:%d:%d", 3, {2000, 7, 2614}},
            {"12:x", "%d:%d", 1, {12}},
            {"99999999999999999999", "%d", 1, {INT_MAX}},
            {"2147483648", "%d", 1, {INT_MAX}},
            {"2147483647", "%d", 1, {INT_MAX}},
            {"-2147483648", "%d", 1, {INT_MIN}},
            {"-99999999999999999999", "%d", 1, {INT_MIN}},
    };
    for (const auto& c : cases) {
        int v[6] = {};
        EXPECT_EQ(LScanInts(c.text, c.format, {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]}), c.stored)
                << c.text;
        EXPECT_EQ(std::vector<int>(v, v + c.values.size()), c.values) << c.text;
    }
}

// The block a second start of the program hands to the first: a count and 128 slots of
// 260 bytes, each argument cut between characters to fit its slot with its zero byte.
TEST(ArgumentBlock, LaysOutTheCountAndFixedSlotsCutsWhatDoesNotFitAndRefusesDamage)
{
    LByteArray block = LArgumentBlockWrite({"kestrano", "/home/a/plan.qpp"});
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

    // Damaged blocks: cut short, or a count out of range.
    block = LArgumentBlockWrite({"a"});
    EXPECT_FALSE(LArgumentBlockRead(LByteArray(block.begin(), block.end() - 1)));
    for (int32_t bad : {-1, 129}) {
        std::memcpy(block.data(), &bad, 4);
        EXPECT_FALSE(LArgumentBlockRead(block)) << bad;
    }
    // A slot without its zero byte ends at the slot's end.
    count = 1;
    std::memcpy(block.data(), &count, 4);
    std::memset(block.data() + 4, 'z', 260);
    EXPECT_EQ(LArgumentBlockRead(block), std::vector<std::string>{std::string(259, 'z')});
}
