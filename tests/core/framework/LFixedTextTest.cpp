#include "framework/LFixedText.h"

#include <gtest/gtest.h>

#include <string>

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
}

TEST(LFixedText, PrefixCountsCharactersNotBytes)
{
    EXPECT_EQ(LUtf8Prefix("aé€😀b", 0), "");
    EXPECT_EQ(LUtf8Prefix("aé€😀b", 2), "aé");
    EXPECT_EQ(LUtf8Prefix("aé€😀b", 4), "aé€😀");
    EXPECT_EQ(LUtf8Prefix("ab", 9), "ab");
    EXPECT_EQ(LUtf8Length("aé€😀b"), 5u);
}
