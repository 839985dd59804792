#include "framework/LFixedText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Repeat(char c, std::size_t n)
{
    return std::string(n, c);
}

} // namespace

TEST(LFixedText, KeepsTextsThatFit)
{
    EXPECT_EQ(LFixedText("Design").str(), "Design");
    EXPECT_EQ(LFixedText(Repeat('a', 259)).size(), 259u);
    EXPECT_TRUE(LFixedText().empty());
    EXPECT_EQ(LFixedText(static_cast<const char*>(nullptr)).str(), "");
}

TEST(LFixedText, CutsLongTextsAt259Bytes)
{
    const std::string name = Repeat('x', 300);
    LFixedText field(name);
    EXPECT_EQ(field.str(), name.substr(0, 259));

    LFixedText assigned;
    assigned = name;
    EXPECT_EQ(assigned.size(), 259u);
}

TEST(LFixedText, NeverSplitsAUtf8Character)
{
    // "é" is two bytes, "€" three, "😀" four. Each case puts the character across the
    // 259-byte limit, or just inside it.
    EXPECT_EQ(LFixedText(Repeat('a', 257) + "é").size(), 259u);
    EXPECT_EQ(LFixedText(Repeat('a', 258) + "é").str(), Repeat('a', 258));
    EXPECT_EQ(LFixedText(Repeat('a', 256) + "€").size(), 259u);
    EXPECT_EQ(LFixedText(Repeat('a', 257) + "€").str(), Repeat('a', 257));
    EXPECT_EQ(LFixedText(Repeat('a', 258) + "€").str(), Repeat('a', 258));
    EXPECT_EQ(LFixedText(Repeat('a', 255) + "😀").size(), 259u);
    EXPECT_EQ(LFixedText(Repeat('a', 256) + "😀").str(), Repeat('a', 256));
    EXPECT_EQ(LFixedText(Repeat('a', 258) + "😀").str(), Repeat('a', 258));
}

TEST(LFixedText, CutsNonUtf8BytesWhereTheyStand)
{
    // A run of stray continuation bytes is not a character; it is cut at the limit.
    const std::string junk = Repeat('a', 250) + Repeat('\x80', 20);
    EXPECT_EQ(LFixedText(junk).size(), 259u);
}
