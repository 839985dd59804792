// The texts of an e-mail: address checks, the encoded subject, the boundary, base64 lines,
// the Date header, attachment types and the body lines of the SMTP dialogue.

#include "mail/LEmail.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TEST(LEmailAddress, AtextIsLettersDigitsAndTheListedMarksOnly)
{
    for (char c : std::string("azAZ09!#$%&'*+-/=?^_`{|}~"))
        EXPECT_TRUE(LEmail::IsAtextCharacter(c)) << c;
    for (char c : std::string("@. (),;:\"<>[]\\\t"))
        EXPECT_FALSE(LEmail::IsAtextCharacter(c)) << c;
    EXPECT_FALSE(LEmail::IsAtextCharacter('\0'));
    EXPECT_FALSE(LEmail::IsAtextCharacter(static_cast<char>(0xC3)));
}

TEST(LEmailAddress, AcceptsAddressesAndListsOfThem)
{
    for (const char* good :
         {"a@b.co", "first.last@mail.example.org", "o'brien+tag@b.co", "~x{y}|z@b-c.de",
          "a@b.co,c@d.ee", "a@b.co; c@d.ee", "a@b.co, c@d.ee;e@f.gh"})
        EXPECT_TRUE(LEmail::ValidateAddress(good)) << good;
}

TEST(LEmailAddress, RefusesWhatIsNotAnAddress)
{
    for (const char* bad : {"",
                            "ab.co",
                            "a@@b.co",
                            "a@b@c.co",
                            "@b.co",
                            ".a@b.co",
                            "a.@b.co",
                            "a..b@c.co",
                            "a@.b.co",
                            "a@b.c",
                            "a@bco",
                            "a.b@co",
                            "a@b.co.",
                            " a@b.co",
                            "a b@c.co",
                            "a@b.co,  c@d.ee",
                            "a@b.co,",
                            "a@b.co,,c@d.ee",
                            "j\xC3\xB6rg@b.co",
                            "a@b.co\n"})
        EXPECT_FALSE(LEmail::ValidateAddress(bad)) << bad;
}

// What a shared project file once put into a resource's address: the line breaks end the
// RCPT command and the rest is a second message written by the file's author.
const std::string kInjection = "x@example.com>\r\nDATA\r\nSubject: Invoice\r\n\r\npay\r\n.\r\nRSET";

TEST(LEmailAddress, TheSenderTakesValidAddressesAndServersWithPortsOnly)
{
    for (const char* good : {"ann@example.com", "o'brien+tag@b.co",
                             "zo\xC3\xAB@b\xC3\xBC"
                             "cher.de",
                             "cy@localhost:2525", "ann@127.0.0.1:65535", "a-b@mail.do-main.io"})
        EXPECT_TRUE(LEmail::IsSendableAddress(good)) << good;
    // Typed-in addresses and those the resource editor takes are all sendable.
    EXPECT_TRUE(LEmail::IsValidAddress("zo\xC3\xAB@b\xC3\xBC"
                                       "cher.de"));
    EXPECT_FALSE(LEmail::ValidateAddress("a@b_c.co")); // no domain label holds "_"
    for (const std::string& bad : {kInjection,
                                   std::string("x@example.com>"),
                                   std::string("<x@example.com"),
                                   std::string("<x@example.com>"),
                                   std::string("x@example.com\r\n"),
                                   std::string("x@exam\nple.com"),
                                   std::string("x\x1B[2J@example.com"),
                                   std::string("x@example.com\x7F"),
                                   std::string("x@exa\0mple.com", 14),
                                   std::string("x y@example.com"),
                                   std::string("x@example.com, y@example.com"),
                                   std::string("x@example.com NOTIFY=NEVER"),
                                   std::string("x@localhost"),
                                   std::string("x@host:0"),
                                   std::string("x@host:65536"),
                                   std::string("x@host:"),
                                   std::string("x@host:25x"),
                                   std::string("x@a:b:25"),
                                   std::string("x@[::1]:25"),
                                   std::string("-f@"),
                                   std::string("")})
        EXPECT_FALSE(LEmail::IsSendableAddress(bad)) << bad;
}

TEST(LEmailText, HeadersGetOneLineAndShownTextsNoControlCharacters)
{
    EXPECT_EQ(LEmailHeaderText("Plan\r\nBcc: all@example.com\tx\x7F"),
              "Plan  Bcc: all@example.com x ");
    const std::string r = "\xEF\xBF\xBD"; // U+FFFD
    const std::vector<std::pair<std::string, std::string>> shown = {
            {"Gr\xC3\xB6\xC3\x9F"
             "e \xE2\x82\xAC \xF0\x9F\x93\x85",
             "Gr\xC3\xB6\xC3\x9F"
             "e \xE2\x82\xAC \xF0\x9F\x93\x85"},
            {"550 \x1B]0;owned\x07 no", "550 " + r + "]0;owned" + r + " no"},
            {"a\r\nb\tc\x7F", "a" + r + r + "b" + r + "c" + r},
            // C1 controls written as UTF-8 (CSI is U+009B) and bytes that are no UTF-8.
            {"\xC2\x9B"
             "31m",
             r + "31m"},
            {"\xFF\xC3", r + r},
            {"\xC0\xAF\xED\xA0\x80", r + r + r + r + r},
    };
    for (const auto& [text, expected] : shown)
        EXPECT_EQ(LEmailShownText(text), expected) << text;
}

TEST(LEmailText, TheGreetingNameIsAPlainHostNameOrLocalhost)
{
    EXPECT_EQ(LEmailHelloName("desk-7.office.example"), "desk-7.office.example");
    for (const char* odd : {"", "desk\r\nRSET", "desk 7", "-desk", "desk..example", "desk_7"})
        EXPECT_EQ(LEmailHelloName(odd), "localhost") << odd;
}

TEST(LEmailSubject, PlainTextStaysAndOtherTextIsQuotedPrintableWords)
{
    EXPECT_EQ(LRFC2047Encode("Status update: 3 tasks"), "Status update: 3 tasks");
    EXPECT_EQ(LRFC2047Encode("Gr\xC3\xB6\xC3\x9F"
                             "e"),
              "=?utf-8?q?Gr=C3=B6=C3=9Fe?=");
    // Space, "?", "_" and "=" would end or change the encoded word.
    EXPECT_EQ(LRFC2047Encode("\xC3\xA9t\xC3\xA9 a?_=b"), "=?utf-8?q?=C3=A9t=C3=A9=20a=3F=5F=3Db?=");
    EXPECT_EQ(LRFC2047Encode(""), "");
}

TEST(LEmailSubject, IsCutToTheFieldLengthWithoutBreakingTheWord)
{
    EXPECT_EQ(LRFC2047Encode(std::string(300, 'a')), std::string(259, 'a'));
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    const std::string encoded = LRFC2047Encode(accents);
    // 41 characters of six bytes fit between the opening and "?=" in 259 bytes.
    std::string expected = "=?utf-8?q?";
    for (int i = 0; i < 41; ++i)
        expected += "=C3=A9";
    EXPECT_EQ(encoded, expected + "?=");
}

TEST(LEmailBoundary, TakesTheFirstNumberTheBodyDoesNotContain)
{
    const std::string stem = "gc0p4Jq0M2Yt08jU534c";
    EXPECT_EQ(LEmailBoundary("Hello"), stem + "0");
    EXPECT_EQ(LEmailBoundary("x " + stem + "0 y " + stem + "1"), stem + "2");
    // The 1 occurs inside the 10.
    EXPECT_EQ(LEmailBoundary(stem + "0 " + stem + "10"), stem + "2");
    std::string all;
    for (int n = 0; n < 99; ++n)
        all += stem + std::to_string(n) + "\n";
    EXPECT_EQ(LEmailBoundary(all), stem + "99");
}

TEST(LEmailBase64, MatchesThePublishedVectors)
{
    EXPECT_EQ(LEmailBase64Line(""), "");
    EXPECT_EQ(LEmailBase64Line("f"), "Zg==");
    EXPECT_EQ(LEmailBase64Line("fo"), "Zm8=");
    EXPECT_EQ(LEmailBase64Line("foo"), "Zm9v");
    EXPECT_EQ(LEmailBase64Line("foob"), "Zm9vYg==");
    EXPECT_EQ(LEmailBase64Line("fooba"), "Zm9vYmE=");
    EXPECT_EQ(LEmailBase64Line("foobar"), "Zm9vYmFy");
    EXPECT_EQ(LEmailBase64Line("\xFF\xFE\xFD\xFB\xEF"), "//79++8=");
    EXPECT_EQ(LEmailBase64Line(std::string(57, '\0')), std::string(76, 'A'));
}

TEST(LEmailDate, EnglishNamesLocalTimeAndTheZoneOffset)
{
    const LDateTime winter = UtcTime(2026, 12, 6, 15, 41, 21);
    const LDateTime summer = UtcTime(2026, 7, 4, 12, 0, 5);
    {
        ScopedTimeZone zone("UTC");
        EXPECT_EQ(LEmailDateText(winter), "Sun, 06 Dec 2026 15:41:21 +0000");
    }
    {
        ScopedTimeZone zone("America/New_York");
        EXPECT_EQ(LEmailDateText(winter), "Sun, 06 Dec 2026 10:41:21 -0500");
        EXPECT_EQ(LEmailDateText(summer), "Sat, 04 Jul 2026 08:00:05 -0400");
        EXPECT_EQ(LEmailDateText(UtcTime(2000, 1, 1, 4, 59, 59)),
                  "Fri, 31 Dec 1999 23:59:59 -0500");
    }
    {
        ScopedTimeZone zone("Asia/Kolkata");
        EXPECT_EQ(LEmailDateText(winter), "Sun, 06 Dec 2026 21:11:21 +0530");
    }
}

TEST(LEmailAttachment, TypeFollowsTheExtensionWhateverItsCase)
{
    EXPECT_EQ(LEmailAttachmentType("note.wav"), "audio/wav");
    EXPECT_EQ(LEmailAttachmentType("/tmp/NOTE.WAV"), "audio/wav");
    EXPECT_EQ(LEmailAttachmentType("tune.Mp3"), "audio/mpeg");
    EXPECT_EQ(LEmailAttachmentType("chart.pdf"), "application/octet-stream");
    EXPECT_EQ(LEmailAttachmentType("tune.mp3.pdf"), "application/octet-stream");
    EXPECT_EQ(LEmailAttachmentType("wav"), "application/octet-stream");
}

TEST(LEmailBody, LinesKeepOrGainTheirEndsAndALastLineStaysOpen)
{
    EXPECT_EQ(LEmailBodyLines("Hello\r\nWorld"), (Lines{"Hello\r\n", "World"}));
    EXPECT_EQ(LEmailBodyLines("a\r\n\r\nb\r\n"), (Lines{"a\r\n", "\r\n", "b\r\n"}));
    EXPECT_EQ(LEmailBodyLines("a\nb\n"), (Lines{"a\r\n", "b\r\n"}));
    EXPECT_EQ(LEmailBodyLines(""), Lines{});
    // A bare "\r" ends a line too: a server that reads "\r.\r" as the message's end must
    // find no lone full stop (a task name can carry any text).
    EXPECT_EQ(LEmailBodyLines("a\r.\rRSET\r\n"), (Lines{"a\r\n", "..\r\n", "RSET\r\n"}));
}

TEST(LEmailBody, EveryLineStartingWithAFullStopGetsASecondOne)
{
    EXPECT_EQ(LEmailBodyLines("one\r\n.two\r\n"), (Lines{"one\r\n", "..two\r\n"}));
    // A lone "." would end the message on the server; the first line is no exception.
    EXPECT_EQ(LEmailBodyLines(".\r\nrest"), (Lines{"..\r\n", "rest"}));
    EXPECT_EQ(LEmailBodyLines("a\r\n."), (Lines{"a\r\n", ".."}));
    EXPECT_EQ(LEmailBodyLines("a. b\r\n"), (Lines{"a. b\r\n"}));
}

TEST(LEmailBody, LongLinesBreakAtTheLastSpaceOrAfter700Bytes)
{
    EXPECT_EQ(LEmailBodyLines(std::string(1000, 'x') + "\r\n"),
              (Lines{std::string(700, 'x') + "\r\n", std::string(300, 'x') + "\r\n"}));
    EXPECT_EQ(LEmailBodyLines(std::string(700, 'x') + "\r\n"),
              (Lines{std::string(700, 'x') + "\r\n"}));
    EXPECT_EQ(LEmailBodyLines(std::string(1500, 'x')),
              (Lines{std::string(700, 'x') + "\r\n", std::string(700, 'x') + "\r\n",
                     std::string(100, 'x')}));
    const std::string words = std::string(690, 'a') + " " + std::string(20, 'b') + " tail";
    EXPECT_EQ(LEmailBodyLines(words + "\r\n"),
              (Lines{std::string(690, 'a') + " \r\n", std::string(20, 'b') + " tail\r\n"}));
    // The part after a break begins a line too.
    EXPECT_EQ(LEmailBodyLines(std::string(700, 'x') + ".y"),
              (Lines{std::string(700, 'x') + "\r\n", "..y"}));
    // A two-byte character across the 700th byte goes whole to the next line.
    EXPECT_EQ(LEmailBodyLines(std::string(699, 'a') + "\xC3\xA9" + "bb"),
              (Lines{std::string(699, 'a') + "\r\n", "\xC3\xA9" + std::string("bb")}));
}

} // namespace
