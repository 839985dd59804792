#include "framework/LScan.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

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
