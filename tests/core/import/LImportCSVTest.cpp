#include "import/LCSVReader.h"
#include "import/LProcessImportCSV.h"

#include "framework/LSettingsStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

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

Texts SplitLines(const std::vector<std::string_view>& pieces)
{
    Texts lines;
    LCSVLineSplitter splitter([&](std::string_view line) { lines.emplace_back(line); });
    for (std::string_view piece : pieces)
        splitter.Feed(piece);
    splitter.Finish();
    return lines;
}

Texts ReadFile(const std::string& path)
{
    LCSVFileReader reader;
    EXPECT_TRUE(reader.Open(path));
    Texts lines;
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

// Field 0 is required, 1 and 2 are not. Records every call; a cell text "fail" fails the
// row, "cancel" cancels the import; `finishFails` fails every row at its end.
class RecordingImport final : public LProcessImportCSV {
public:
    explicit RecordingImport(std::vector<LCSVField> fields = {{"(required) Name", true},
                                                              {"Hours", false},
                                                              {"Notes", false}})
        : LProcessImportCSV("TestImportCSV", std::move(fields))
    {}

    int CellDataImport(LProcessInterface&, int field, std::string_view text) override
    {
        calls.push_back(std::to_string(field) + "=" + std::string(text));
        return text == "fail"     ? Fail("bad cell")
               : text == "cancel" ? eImportCSVCancel
                                  : eImportCSVContinue;
    }
    int OnCSVRowStart(LProcessInterface&) override { return Call("start"); }
    int OnCSVRowFinish(LProcessInterface&) override
    {
        Call("finish");
        return finishFails ? Fail("bad row") : eImportCSVContinue;
    }
    int OnCSVRowCancel(LProcessInterface&) override { return Call("cancel"); }
    int Call(const char* name)
    {
        calls.push_back(name);
        return eImportCSVContinue;
    }
    int Fail(const char* text)
    {
        SetErrorText(text);
        return eImportCSVRowFailed;
    }

    Texts calls;
    bool finishFails = false;
};

class RecordingProcess final : public LProcessInterface {
public:
    bool IsToStop() override { return stopAfter >= 0 && int(statuses.size()) > stopAfter; }
    void SetStatus(std::string_view text, int) override { statuses.emplace_back(text); }
    void SetProgress(double fraction) override { progress.push_back(fraction); }

    Texts statuses;
    std::vector<double> progress;
    int stopAfter = -1;
};

// Points the import at the file `path` and maps each field to the column headed by its name.
void Prepare(RecordingImport& import, const std::string& path)
{
    ASSERT_FALSE(import.SetFilePath(path));
    const Texts headers = import.ReadHeaderCells();
    for (int field = 0; field < 3; ++field)
        import.AssignField(field, import.Fields()[field].name, headers);
}

// The columns of fields 0 to 2, then the fields of columns 0 to 4.
std::string Mapping(const RecordingImport& import)
{
    std::string text;
    for (int i = 0; i < 8; ++i)
        text += (i == 3 ? " | "
                 : i    ? " "
                        : "") +
                std::to_string(i < 3 ? import.ColumnOfField(i) : import.FieldOfColumn(i - 3));
    return text;
}

// A refusal as "title: message", or "" for none.
template <class Refusal>
std::string Text(const Refusal& refusal)
{
    return refusal ? refusal->title + ": " + refusal->message : "";
}

class ImportLoop : public ::testing::Test {
protected:
    void Prepare(const std::string& csv) { ::Prepare(import, dir.Write("data.csv", csv)); }

    TempDir dir;
    RecordingImport import;
    RecordingProcess process;
};

} // namespace

TEST(LCSVSplitLine, QuotesBlanksAndEmptyCells)
{
    const std::pair<std::string_view, Texts> cases[] = {
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
    EXPECT_EQ(SplitLines({"a\nb\rc\r\nd"}), (Texts{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines({"\n\n\r\r\n\r\na\n\n"}), (Texts{"a"}));
    // A carriage return and line feed split over two reads are still one line end.
    EXPECT_EQ(SplitLines({"a\r", "\nb"}), (Texts{"a", "b"}));
    EXPECT_EQ(SplitLines({"a\r", "b"}), (Texts{"a", "b"}));
    EXPECT_EQ(SplitLines({"ab", "cd\n", "ef"}), (Texts{"abcd", "ef"}));
    EXPECT_EQ(SplitLines({""}), Texts{});
    // Long lines are cut and their rest skipped.
    const std::string exact(kCSVLineMaxBytes, 'x');
    EXPECT_EQ(SplitLines({exact + "\nnext"}), (Texts{exact, "next"}));
    EXPECT_EQ(SplitLines({exact + "y\nnext"}), (Texts{exact, "next"}));
    const std::string huge(3 * 1024 * 1024, 'y');
    EXPECT_EQ(SplitLines({huge, huge, "\nnext"}),
              (Texts{std::string(kCSVLineMaxBytes, 'y'), "next"}));
    // The cut never leaves half a character behind.
    const std::string z(kCSVLineMaxBytes - 1, 'z');
    EXPECT_EQ(SplitLines({z + "\xC3\xA9\xC3\xA9"}), Texts{z});
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
    const Texts expected = {"Name,Hours", "Kitchen \xE2\x82\xAC,8", "\"Smith, John\",4"};
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
    TempDir files, temporary;
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
    EXPECT_EQ(ReadFile(files.Write("mark-only.csv", "\xFF\xFE")), Texts{});
    EXPECT_EQ(ReadFile(files.Write("empty.csv", "")), Texts{});
    EXPECT_EQ(ReadFile(files.Write("short.csv", "a")), Texts{"a"});
}

TEST(LProcessImportCSVMatch, AssignmentsFollowTheFirstHeaderWithTheText)
{
    RecordingImport import;
    const Texts headers = {"Name", "Hours", "Name"};
    import.AssignField(0, "Name", headers);
    EXPECT_EQ(Mapping(import), "0 -1 -1 | 0 -1 -1 -1 -1");
    import.AssignField(0, "Hours", headers);
    EXPECT_EQ(Mapping(import), "1 -1 -1 | -1 0 -1 -1 -1");
    import.AssignField(0, kImportCSVUnassigned, headers);
    import.AssignField(1, "No such header", headers);
    EXPECT_EQ(Mapping(import), "-1 -1 -1 | -1 -1 -1 -1 -1");
    // Two fields on one column, then one let go: the other keeps feeding from it.
    import.AssignField(1, "Hours", headers);
    import.AssignField(2, "Hours", headers);
    import.AssignField(1, "", headers);
    EXPECT_EQ(Mapping(import), "-1 -1 1 | -1 2 -1 -1 -1");
}

TEST(LProcessImportCSVMatch, ChecksComeInTheirOrder)
{
    RecordingImport import;
    const Texts headers = {"Name", "Hours"};
    EXPECT_EQ(Text(import.CheckAssignments()),
              "Required Field Unassigned: Field \"(required) Name\" must be assigned a header.");
    import.AssignField(0, "Name", headers);
    import.AssignField(2, "Hours", headers);
    import.AssignField(1, "Hours", headers);
    EXPECT_EQ(Text(import.CheckAssignments()),
              "Duplicate Assignment.: Fields \"Hours\" and \"Notes\" have been assigned the same "
              "input. Please change one of these selections.");
    import.AssignField(2, kImportCSVUnassigned, headers);
    EXPECT_EQ(Text(import.CheckAssignments()), "");
    // Without a required field the only complaint left is an empty mapping.
    EXPECT_EQ(Text(RecordingImport({{"A", false}}).CheckAssignments()),
              "No CSV Field Entries: No selection has been made. Please assign at least one file "
              "header to an input field.");
}

TEST(LProcessImportCSVMatch, StoredMappingIsReplacedAndFittedToTheFile)
{
    LMemorySettingsStore store;
    store.Write("TestImportCSV/7", "3"); // left over from an older mapping
    store.Write("Settings/TestImportCSV", "/home/me/tasks.csv");
    RecordingImport import;
    const Texts five = {"a", "b", "c", "d", "e"};
    import.AssignField(0, "e", five);
    import.AssignField(2, "b", five);
    import.StoreMapping(store);
    // The file path is a setting of its own and stays.
    std::string stored;
    for (const std::string& name : store.FullNames())
        stored += name + "=" + store.Read(name).value_or("") + " ";
    EXPECT_EQ(stored, "Settings/TestImportCSV=/home/me/tasks.csv TestImportCSV/0=4 "
                      "TestImportCSV/1=-1 TestImportCSV/2=1 TestImportCSV/Count=3 ");
    EXPECT_EQ(import.StoredFilePath(store), "/home/me/tasks.csv");
    RecordingImport next;
    next.LoadStoredMapping(store, 4); // column 4 is not in a four-column file
    EXPECT_EQ(Mapping(next), "-1 -1 1 | -1 2 -1 -1 -1");
    RecordingImport wide;
    wide.LoadStoredMapping(store, 5);
    EXPECT_EQ(Mapping(wide), "4 -1 1 | -1 2 -1 -1 0");
}

TEST(LProcessImportCSVMatch, FileAndStartRowAreChecked)
{
    TempDir dir;
    RecordingImport import;
    EXPECT_EQ(Text(import.SetFilePath(dir.File("missing.csv"))),
              "Invalid File: The file could not be found. Please select a different file.");
    EXPECT_TRUE(import.SetFilePath(dir.path)); // a folder is no file
    EXPECT_FALSE(import.SetFilePath(dir.Write("a.csv", "\n\n  Name , \"Hours, total\",x\n1,2,3")));
    EXPECT_EQ(import.ReadHeaderCells(), (Texts{"Name", "Hours, total", "x"}));
    EXPECT_EQ(import.StartRow(), 2);
    for (const char* bad : {"0", "-3", "", "row"})
        EXPECT_EQ(Text(import.SetStartRowText(bad)),
                  "Invalid Start Row: Please enter a positive number for the starting row.");
    EXPECT_EQ(import.StartRow(), 2);
    EXPECT_FALSE(import.SetStartRowText(" 5"));
    EXPECT_EQ(import.StartRow(), 5);
}

TEST_F(ImportLoop, RowNumbersAreLineNumbersWithoutBlankLines)
{
    Prepare("(required) Name,Hours,Notes\n\nA,1\r\n\r\nB,fail,x\nC,,\n");
    EXPECT_EQ(Process(process, import), 0);
    EXPECT_EQ(process.statuses,
              (Texts{"Importing data from CSV...", "Reading row 2 of 3.", "Reading row 3 of 3.",
                     "Reading row 4 of 3.", "Import Complete"}));
    EXPECT_EQ(process.progress, (std::vector<double>{1.0 / 3, 2.0 / 3, 1.0}));
    EXPECT_EQ(import.calls, (Texts{"start", "0=A", "1=1", "finish",    //
                                   "start", "0=B", "1=fail", "cancel", //
                                   "start", "0=C", "finish"}));
    EXPECT_EQ(import.ResultLines(),
              (Texts{"2 successful imports", "1 failed imports", "Row #0003: bad cell"}));
}

TEST_F(ImportLoop, EmptyCellsReachOnlyRequiredFields)
{
    Prepare("Hours,(required) Name\n,\n  ,  x  \n");
    EXPECT_EQ(Process(process, import), 0);
    EXPECT_EQ(import.calls, (Texts{"start", "finish", "start", "0=x", "finish"}));
    // A first cell of a line that ends in its comma: the required one is passed empty.
    import.calls.clear();
    Prepare("(required) Name,Hours\n,5\n");
    EXPECT_EQ(Process(process, import), 0);
    EXPECT_EQ(import.calls, (Texts{"start", "0=", "1=5", "finish"}));
}

TEST_F(ImportLoop, FailedFinishesCancelsAndShortFiles)
{
    Prepare("(required) Name\nA\nB\n");
    import.finishFails = true;
    EXPECT_EQ(Process(process, import), 0);
    EXPECT_EQ(import.ResultLines(), (Texts{"0 successful imports", "2 failed imports",
                                           "Row #0002: bad row", "Row #0003: bad row"}));
    RecordingImport cancelled;
    ::Prepare(cancelled, dir.Write("c.csv", "(required) Name\nA\ncancel\nC\n"));
    EXPECT_EQ(Process(process, cancelled), 1);
    EXPECT_EQ(cancelled.ResultLines(), (Texts{"1 successful imports", "0 failed imports",
                                              "Row #0003: User cancelled import process"}));
    // The user's stop request is seen before the next row begins.
    RecordingImport stopped;
    ::Prepare(stopped, dir.File("c.csv"));
    RecordingProcess impatient;
    impatient.stopAfter = 1;
    EXPECT_EQ(Process(impatient, stopped), 1);
    EXPECT_EQ(stopped.calls, (Texts{"start", "0=A", "finish"}));
    // Nothing to read (or nothing from the start row on): no row is started or counted.
    for (const auto& [text, startRow] : {std::pair{"", 2},
                                         {"\n\n\r\n", 2},
                                         {"(required) Name\n", 2},
                                         {"(required) Name\nA\nB\n", 9}}) {
        RecordingImport empty;
        ASSERT_FALSE(empty.SetFilePath(dir.Write("e.csv", text)));
        empty.SetStartRow(startRow);
        EXPECT_EQ(Process(process, empty), 0);
        EXPECT_TRUE(empty.calls.empty());
        EXPECT_EQ(empty.ResultLines(), (Texts{"0 successful imports", "0 failed imports"}));
    }
}

TEST_F(ImportLoop, LongTextsAreCut)
{
    const std::string longName(400, 'n');
    Prepare("(required) Name\n" + longName + ",x\n");
    import.SetErrorText(std::string(300, 'e'));
    EXPECT_EQ(import.ErrorText().size(), kImportCSVTextMax);
    EXPECT_EQ(Process(process, import), 0);
    EXPECT_EQ(import.calls, (Texts{"start", "0=" + std::string(kImportCSVTextMax, 'n'), "finish"}));
    // A log line holds at most as much as any short text.
    EXPECT_EQ(import.CheckForErrorAndCancel(process, 12, eImportCSVRowFailed), 0);
    EXPECT_EQ(import.ErrorLog(), Texts{"Row #0012: " + std::string(kImportCSVTextMax - 11, 'e')});
}
