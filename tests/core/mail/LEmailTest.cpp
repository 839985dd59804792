// The texts of an e-mail: address checks, header texts, the encoded subject, the boundary,
// base64 lines, the Date header, attachment types and the body lines of the SMTP dialogue.

#include "mail/LEmail.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using std::string;
using namespace std::literals;

TEST(LEmailAddress, TypedInAddressesListsOfThemAndWhatTheSenderTakes)
{
    for (char c : string("azAZ09!#$%&'*+-/=?^_`{|}~"))
        EXPECT_TRUE(LEmail::IsAtextCharacter(c)) << c;
    for (char c : string("@. (),;:\"<>[]\\\t\0\xC3", 18))
        EXPECT_FALSE(LEmail::IsAtextCharacter(c)) << c;
    for (const char* good : {"a@b.co", "first.last@mail.example.org", "o'brien+tag@b.co",
                             "~x{y}|z@b-c.de", "a@b.co,c@d.ee", "a@b.co, c@d.ee;e@f.gh"})
        EXPECT_TRUE(LEmail::ValidateAddress(good)) << good;
    for (const char* bad :
         {"ab.co",   "a@@b.co",        "a@b@c.co",         "@b.co",    ".a@b.co",
          "a.@b.co", "a..b@c.co",      "a@.b.co",          "a@b.c",    "a@bco",
          "a.b@co",  "a@b.co.",        " a@b.co",          "a b@c.co", "a@b.co,  c@d.ee",
          "a@b.co,", "a@b.co,,c@d.ee", "j\xC3\xB6rg@b.co", "a@b.co\n", "a@b_c.co",
          ""})
        EXPECT_FALSE(LEmail::ValidateAddress(bad)) << bad;

    // The sender takes valid addresses, and servers with ports, only. What a shared project
    // file once put into a resource's address: the line breaks end the RCPT command and the
    // rest is a second message.
    EXPECT_TRUE(LEmail::IsValidAddress("zo\xC3\xAB@b\xC3\xBC"
                                       "cher.de"));
    for (const std::string_view good : {"zo\xC3\xAB@b\xC3\xBC"
                                        "cher.de"sv,
                                        "o'brien+tag@b.co"sv, "cy@localhost:2525"sv,
                                        "ann@127.0.0.1:65535"sv, "a-b@mail.do-main.io"sv})
        EXPECT_TRUE(LEmail::IsSendableAddress(good)) << good;
    for (const std::string_view bad :
         {"x@example.com>\r\nDATA\r\nSubject: Invoice\r\n\r\npay\r\n.\r\nRSET"sv,
          "x@example.com>"sv, "<x@example.com>"sv, "x@example.com\r\n"sv, "x@exam\nple.com"sv,
          "x\x1B[2J@example.com"sv, "x@example.com\x7F"sv, "x@exa\0mple.com"sv,
          "x@example.com, y@example.com"sv, "x@example.com NOTIFY=NEVER"sv, "x@localhost"sv,
          "x@host:0"sv, "x@host:65536"sv, "x@host:"sv, "x@host:25x"sv, "x@a:b:25"sv, "x@[::1]:25"sv,
          "-f@"sv, ""sv})
        EXPECT_FALSE(LEmail::IsSendableAddress(bad)) << bad;
}

TEST(LEmailText, HeadersGetOneLineShownTextsNoControlsAndTheGreetingAPlainName)
{
    EXPECT_EQ(LEmailHeaderText("Plan\r\nBcc: all@example.com\tx\x1F\x7F"),
              "Plan  Bcc: all@example.com x  ");
    const string r = "\xEF\xBF\xBD"; // U+FFFD
    const std::pair<string, string> shown[] = {
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
            {"\xC0\xAF\xED\xA0\x80", r + r + r + r + r}};
    for (const auto& [text, expected] : shown)
        EXPECT_EQ(LEmailShownText(text), expected) << text;

    EXPECT_EQ(LEmailHelloName("desk-7.office.example"), "desk-7.office.example");
    for (const char* odd : {"", "desk\r\nRSET", "desk 7", "-desk", "desk..example", "desk_7"})
        EXPECT_EQ(LEmailHelloName(odd), "localhost") << odd;
}

TEST(LEmailText, SubjectBoundaryBase64DateAndAttachmentType)
{
    EXPECT_EQ(LRFC2047Encode("Status update: 3 tasks"), "Status update: 3 tasks");
    // Space, "?", "_" and "=" would end or change the encoded word.
    EXPECT_EQ(LRFC2047Encode("\xC3\xA9t\xC3\xA9 a?_=b"), "=?utf-8?q?=C3=A9t=C3=A9=20a=3F=5F=3Db?=");
    EXPECT_EQ(LRFC2047Encode(string(300, 'a')), string(259, 'a'));
    // 41 characters of six bytes fit between the opening and "?=" in 259 bytes.
    string accents, encoded = "=?utf-8?q?";
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    for (int i = 0; i < 41; ++i)
        encoded += "=C3=A9";
    EXPECT_EQ(LRFC2047Encode(accents), encoded + "?=");

    const string stem = "gc0p4Jq0M2Yt08jU534c";
    EXPECT_EQ(LEmailBoundary("Hello"), stem + "0");
    EXPECT_EQ(LEmailBoundary(stem + "0 " + stem + "10"), stem + "2"); // 1 is inside the 10
    string all;
    for (int n = 0; n < 99; ++n)
        all += stem + std::to_string(n) + "\n";
    EXPECT_EQ(LEmailBoundary(all), stem + "99");

    const Lines plain = {"", "f", "fo", "foo", "foob", "fooba", "foobar", "\xFF\xFE\xFD\xFB\xEF"};
    const Lines coded = {"",         "Zg==",     "Zm8=",     "Zm9v",
                         "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy", "//79++8="};
    for (std::size_t i = 0; i < plain.size(); ++i)
        EXPECT_EQ(LEmailBase64Line(plain[i]), coded[i]);
    EXPECT_EQ(LEmailBase64Line(string(57, '\0')), string(76, 'A'));

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

    for (const auto& [name, type] : {std::pair{"/tmp/NOTE.WAV", "audio/wav"},
                                     {"tune.Mp3", "audio/mpeg"},
                                     {"tune.mp3.pdf", "application/octet-stream"},
                                     {"wav", "application/octet-stream"}})
        EXPECT_EQ(LEmailAttachmentType(name), type) << name;
}

TEST(LEmailBody, LinesGetTheirEndsAndEveryLineStartingWithAFullStopASecondOne)
{
    const std::pair<string, Lines> cases[] = {
            {"Hello\r\nWorld", {"Hello\r\n", "World"}},
            {"a\r\n\r\nb\r\n", {"a\r\n", "\r\n", "b\r\n"}},
            {"a\nb\n", {"a\r\n", "b\r\n"}},
            {"", {}},
            // A bare "\r" ends a line too: a server that reads "\r.\r" as the message's end
            // must find no lone full stop.
            {"a\r.\rRSET\r\n", {"a\r\n", "..\r\n", "RSET\r\n"}},
            {"one\r\n.two\r\n", {"one\r\n", "..two\r\n"}},
            {".\r\nrest", {"..\r\n", "rest"}},
            {"a\r\n.", {"a\r\n", ".."}},
            {"a. b\r\n", {"a. b\r\n"}},
    };
    for (const auto& [body, lines] : cases)
        EXPECT_EQ(LEmailBodyLines(body), lines) << body;
}

TEST(LEmailBody, LongLinesBreakAtTheLastSpaceOrAfter700Bytes)
{
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

} // namespace
