// The texts of an e-mail; the cases with short texts are rows of tests/data/mail/texts.tsv.

#include "mail/LEmail.h"

#include "MailData.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using std::string;

TEST(LEmailText, EveryRowOfTheTableGetsItsAnswer)
{
    const auto yes = [](bool answer) { return string(answer ? "1" : "0"); };
    const std::map<string, std::function<string(const string&)>> answers = {
            {"atext",
             [](const string& text) {
                 std::size_t in = 0;
                 for (char c : text)
                     in += LEmail::IsAtextCharacter(c);
                 return string(in == text.size() ? "all" : in == 0 ? "none" : "some");
             }},
            {"valid", [&](const string& text) { return yes(LEmail::ValidateAddress(text)); }},
            {"utf8", [&](const string& text) { return yes(LEmail::IsValidAddress(text)); }},
            {"sendable", [&](const string& text) { return yes(LEmail::IsSendableAddress(text)); }},
            {"header", LEmailHeaderText},
            {"shown", LEmailShownText},
            {"hello", LEmailHelloName},
            {"rfc2047", LRFC2047Encode},
            {"boundary", LEmailBoundary},
            {"base64", LEmailBase64Line},
            {"type", LEmailAttachmentType},
            {"body", [](const string& text) { return Join(LEmailBodyLines(text), "|"); }}};
    const auto rows = MailRows("texts.tsv");
    ASSERT_EQ(rows.size(), 96u);
    for (const Lines& row : rows) {
        ASSERT_EQ(row.size(), 3u) << row[0];
        EXPECT_EQ(answers.at(row[0])(row[1]), row[2]) << row[0] << " " << row[1];
    }
}

TEST(LEmailText, LongSubjectsAndBodyLinesBoundariesAfterManyTakenAndWholeBase64Lines)
{
    EXPECT_EQ(LRFC2047Encode(string(300, 'a')), string(259, 'a'));
    // 41 characters of six bytes fit between the opening and "?=" in 259 bytes.
    string accents, encoded = "=?utf-8?q?";
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    for (int i = 0; i < 41; ++i)
        encoded += "=C3=A9";
    EXPECT_EQ(LRFC2047Encode(accents), encoded + "?=");
    const string stem = "gc0p4Jq0M2Yt08jU534c";
    string all;
    for (int n = 0; n < 99; ++n)
        all += stem + std::to_string(n) + "\n";
    EXPECT_EQ(LEmailBoundary(all), stem + "99");
    EXPECT_EQ(LEmailBase64Line(string(57, '\0')), string(76, 'A'));
    // Long body lines break at the last space or after 700 bytes.
    const string x700(700, 'x');
    EXPECT_EQ(LEmailBodyLines(string(1000, 'x') + "\r\n"),
              (Lines{x700 + "\r\n", string(300, 'x') + "\r\n"}));
    EXPECT_EQ(LEmailBodyLines(x700 + "\r\n"), Lines{x700 + "\r\n"});
    EXPECT_EQ(LEmailBodyLines(string(1500, 'x')),
              (Lines{x700 + "\r\n", x700 + "\r\n", string(100, 'x')}));
    const string words = string(690, 'a') + " " + string(20, 'b') + " tail";
    EXPECT_EQ(LEmailBodyLines(words + "\r\n"),
              (Lines{string(690, 'a') + " \r\n", string(20, 'b') + " tail\r\n"}));
    // The part after a break begins a line too.
    EXPECT_EQ(LEmailBodyLines(x700 + ".y"), (Lines{x700 + "\r\n", "..y"}));
    // A two-byte character across the 700th byte goes whole to the next line.
    EXPECT_EQ(LEmailBodyLines(string(699, 'a') + "\xC3\xA9" + "bb"),
              (Lines{string(699, 'a') + "\r\n", "\xC3\xA9" + string("bb")}));
}

TEST(LEmailText, TheDateHeaderInTheLocalZone)
{
    const LDateTime winter = UtcTime(2026, 12, 6, 15, 41, 21);
    for (const auto& [zone, when, text] :
         {std::tuple{"UTC", winter, "Sun, 06 Dec 2026 15:41:21 +0000"},
          {"America/New_York", winter, "Sun, 06 Dec 2026 10:41:21 -0500"},
          {"America/New_York", UtcTime(2026, 7, 4, 12, 0, 5), "Sat, 04 Jul 2026 08:00:05 -0400"},
          {"America/New_York", UtcTime(2000, 1, 1, 4, 59, 59), "Fri, 31 Dec 1999 23:59:59 -0500"},
          {"Asia/Kolkata", winter, "Sun, 06 Dec 2026 21:11:21 +0530"}}) {
        ScopedTimeZone scoped(zone);
        EXPECT_EQ(LEmailDateText(when), text);
    }
}

} // namespace
