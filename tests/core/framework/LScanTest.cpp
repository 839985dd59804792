#include "framework/LScan.h"

#include <gtest/gtest.h>

#include <climits>

TEST(LScanInts, ReadsLikeSscanf)
{
    int y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0;
    EXPECT_EQ(LScanInts("2000-07-26 14:05:09", "%d-%d-%d %d:%d:%d", {&y, &m, &d, &h, &mi, &s}), 6);
    EXPECT_EQ(y, 2000);
    EXPECT_EQ(m, 7);
    EXPECT_EQ(d, 26);
    EXPECT_EQ(h, 14);
    EXPECT_EQ(mi, 5);
    EXPECT_EQ(s, 9);

    // Numbers skip leading white space and take a sign; a space in the format matches
    // any amount of white space, including none.
    EXPECT_EQ(LScanInts("  -5-+3-07", "%d-%d-%d", {&y, &m, &d}), 3);
    EXPECT_EQ(y, -5);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(LScanInts("2000-07-2614:05:00", "%d-%d-%d %d:%d:%d", {&y, &m, &d, &h, &mi, &s}), 3);
}

TEST(LScanInts, SaturatesOnOverflow)
{
    int a = 0;
    EXPECT_EQ(LScanInts("99999999999999999999", "%d", {&a}), 1);
    EXPECT_EQ(a, INT_MAX);
    EXPECT_EQ(LScanInts("-99999999999999999999", "%d", {&a}), 1);
    EXPECT_EQ(a, INT_MIN);
}
