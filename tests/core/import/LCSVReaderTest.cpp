#include "import/LCSVReader.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Cells = std::vector<std::string>;
using Lines = std::vector<std::string>;

// Little-endian bytes of UTF-16 text, with the byte order mark in front when `mark`.
std::string UTF16LE(std::u16string_view text, bool mark = false)
{
    std::string bytes = mark ? std::string("\xFF\xFE") : std::string();
    for (char16_t unit : text) {
        bytes.push_back(char(unit & 0xFF));
        bytes.push_back(char(unit >> 8));
    }
    return bytes;
}

Lines SplitLines(const std::vector<std::string_view>& pieces)
{
    Lines lines;
    LCSVLineSplitter splitter([&](std::string_view line) { lines.emplace_back(line); });
    for (std::string_view piece : pieces)
        splitter.Feed(piece);
    splitter.Finish();
    return lines;
}

Lines ReadFile(const std::string& path)
{
    LCSVFileReader reader;
    EXPECT_TRUE(reader.Open(path));
    Lines lines;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(line);
    return lines;
}

// Converts the pieces one after another, as they are read.
std::string Convert(const std::vector<std::string>& pieces, bool tabsToCommas = false)
{
    LUTF16LEToUTF8 converter(tabsToCommas);
    std::string out;
    for (const std::string& piece : pieces)
        converter.Convert(piece, out);
    converter.Finish(out);
    return out;
}

} // namespace

TEST(LCSVSplitLine, QuotesBlanksAndEmptyCells)
{
    const std::pair<std::string_view, Cells> cases[] = {
            {"\"Smith, John\",8", {"Smith, John", "8"}},
            {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
            {"\"a\"junk,b", {"a", "b"}}, // text after the closing quote is dropped
            {"\"  padded  \"", {"  padded  "}},
            {"x,\"open, still", {"x", "open, still"}}, // an unclosed quote runs to the end
            {"5\" pipe,b", {"5\" pipe", "b"}},         // a quote inside a cell is a character
            {"a , b ,", {"a", "b"}},
            {"\t  lead,\x01trail\x1f", {"lead", "trail"}},
            {"a,,b", {"a", "", "b"}},
            {"a, ,b", {"a", "", "b"}},
            {"   ", {}},
            {",", {""}},
            // Bytes of UTF-8 characters are never taken for blanks.
            {"Zo\xC3\xAB\xC2\xA0,\xC3\xA9t\xC3\xA9", {"Zo\xC3\xAB\xC2\xA0", "\xC3\xA9t\xC3\xA9"}},
    };
    for (const auto& [line, cells] : cases)
        EXPECT_EQ(LCSVSplitLine(line), cells) << line;
}

TEST(LCSVLineSplitter, ThreeLineEndsEmptyLinesAndLongLines)
{
    EXPECT_EQ(SplitLines({"a\nb\rc\r\nd"}), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines({"\n\n\r\r\n\r\na\n\n"}), (Lines{"a"}));
    // A carriage return and line feed split over two reads are still one line end.
    EXPECT_EQ(SplitLines({"a\r", "\nb"}), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines({"a\r", "b"}), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines({"ab", "cd\n", "ef"}), (Lines{"abcd", "ef"}));
    EXPECT_EQ(SplitLines({""}), Lines{});
    // Long lines are cut and their rest skipped.
    const std::string exact(kCSVLineMaxBytes, 'x');
    EXPECT_EQ(SplitLines({exact + "\nnext"}), (Lines{exact, "next"}));
    EXPECT_EQ(SplitLines({exact + "y\nnext"}), (Lines{exact, "next"}));
    const std::string huge(3 * 1024 * 1024, 'y');
    EXPECT_EQ(SplitLines({huge, huge, "\nnext"}),
              (Lines{std::string(kCSVLineMaxBytes, 'y'), "next"}));
    // The cut never leaves half a character behind.
    const std::string z(kCSVLineMaxBytes - 1, 'z');
    EXPECT_EQ(SplitLines({z + "\xC3\xA9\xC3\xA9"}), Lines{z});
}

TEST(LUTF16LEToUTF8, ConvertsPairsAcrossPiecesReplacesBrokenTextAndFindsTabs)
{
    EXPECT_EQ(Convert({UTF16LE(u"N\u00e4me,\u20ac")}), "N\xC3\xA4me,\xE2\x82\xAC");
    // A surrogate pair split between two reads.
    const std::string clef = UTF16LE(u"\U0001D11E");
    EXPECT_EQ(Convert({clef.substr(0, 3), clef.substr(3)}), "\xF0\x9D\x84\x9E");
    // Unpaired surrogates become U+FFFD and the text goes on; an odd last byte is dropped.
    const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00), u'c',
                                 u'd', char16_t(0xD83D)};
    EXPECT_EQ(Convert({UTF16LE(lone)}), "a\uFFFDb\uFFFDcd\uFFFD");
    EXPECT_EQ(Convert({UTF16LE(u"ab") + "x"}), "ab");
    EXPECT_EQ(Convert({UTF16LE(u"a\tb")}, true), "a,b");
    // The tab probe looks only at whole units within its bytes.
    EXPECT_TRUE(LCSVHasTabUTF16LE(UTF16LE(u"a\tb")));
    EXPECT_FALSE(LCSVHasTabUTF16LE(UTF16LE(u"a,b")));
    // U+0900 has a tab byte, but not as a unit of its own.
    EXPECT_FALSE(LCSVHasTabUTF16LE(UTF16LE(u"\u0900")));
    std::u16string late(kCSVTabProbeBytes / 2, u'a');
    EXPECT_FALSE(LCSVHasTabUTF16LE(UTF16LE(late + u"\t")));
    late.pop_back();
    EXPECT_TRUE(LCSVHasTabUTF16LE(UTF16LE(late + u"\t")));
}

TEST(LCSVFileReader, ReadsEachEncodingToTheSameLines)
{
    TempDir dir;
    const Lines expected = {"Name,Hours", "Kitchen \xE2\x82\xAC,8", "\"Smith, John\",4"};
    const std::string utf8 = "Name,Hours\r\nKitchen \xE2\x82\xAC,8\r\n\"Smith, John\",4";
    EXPECT_EQ(ReadFile(dir.Write("plain.csv", utf8)), expected);
    EXPECT_EQ(ReadFile(dir.Write("mark.csv", "\xEF\xBB\xBF" + utf8 + "\r\n")), expected);
    EXPECT_EQ(ReadFile(dir.Write(
                      "utf16.csv",
                      UTF16LE(u"Name,Hours\r\nKitchen \u20ac,8\r\n\"Smith, John\",4\r\n", true))),
              expected);
    // As a spreadsheet program saves "Unicode text": UTF-16 with tabs between the cells.
    const std::u16string tabbed = u"Name\tHours\r\nKitchen \u20ac\t8\r\n\"Smith, John\"\t4\r\n";
    LCSVFileReader reader;
    ASSERT_TRUE(reader.Open(dir.Write("tabs.csv", UTF16LE(tabbed, true))));
    EXPECT_TRUE(reader.WasUTF16() && reader.WasTabSeparated());
    EXPECT_EQ(ReadFile(dir.File("tabs.csv")), expected);
}

TEST(LCSVFileReader, LeavesNoTemporaryCopyAndSurvivesBrokenFiles)
{
    TempDir files;
    TempDir temporary;
    setenv("TMPDIR", temporary.path.c_str(), 1);
    {
        LCSVFileReader reader;
        ASSERT_TRUE(reader.Open(
                files.Write("odd.csv", UTF16LE(u"a,b\nc", true) + std::string(1, '\0'))));
        // The copy has no name while it is read.
        EXPECT_TRUE(temporary.Entries().empty());
        std::string line, second;
        ASSERT_TRUE(reader.ReadLine(line) && reader.ReadLine(second));
        EXPECT_EQ(line + "|" + second, "a,b|c");
        EXPECT_FALSE(reader.ReadLine(line));
    }
    EXPECT_TRUE(temporary.Entries().empty());
    unsetenv("TMPDIR");
    LCSVFileReader missing;
    std::string line;
    EXPECT_FALSE(missing.Open(files.File("nowhere.csv")) || missing.ReadLine(line));
    EXPECT_EQ(ReadFile(files.Write("mark-only.csv", "\xFF\xFE")), Lines{});
    EXPECT_EQ(ReadFile(files.Write("empty.csv", "")), Lines{});
    EXPECT_EQ(ReadFile(files.Write("short.csv", "a")), Lines{"a"});
}
