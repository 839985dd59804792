// Report pages on the recording surface, whose fixed metrics (6 units a character, 13 a
// line) make every position exact: the title, the columns, where pages break, how a tall
// row is split, the frame and the foot.

#include "reports/QPReportPrinter.h"
#include "fileformat/LSettings.h"
#include "framework/LRecordingSurface.h"
#include "model/QPProject.h"
#include "views/LAppSaveToPDF.h"

#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Op = LRecordingSurface::Op;
using Item = LRecordingSurface::Item;

constexpr LVColDynamicGlobal kStretchColumns[] = {
        {"Name", 40, eReportAlignLeft, true},
        {"Start", 20, eReportAlignLeft, false},
        {"Cost", 10, eReportAlignRight, true},
};
constexpr LVColDynamicGlobal kFixedColumns[] = {
        {"Name", 40, eReportAlignLeft, false},
        {"Start", 20, eReportAlignLeft, false},
        {"Cost", 10, eReportAlignRight, false},
};
// A name column six characters wide, so that names wrap early.
constexpr LVColDynamicGlobal kNarrowColumns[] = {
        {"Name", 10, eReportAlignLeft, false},
        {"Start", 20, eReportAlignLeft, false},
};

class TestReport : public QPReportBase {
public:
    TestReport(const QPProject& project, std::span<const LVColDynamicGlobal> columns)
        : QPReportBase(project, columns, "Tasks")
    {}
    void GenerateReport() override {}
};

// An A4 document page, as the PDF writer has it.
class A4Surface : public LRecordingSurface {
public:
    A4Surface() : LRecordingSurface(Kind::Document) { SetPageSize(794, 1123, LPageUnit::Layout); }
};

// The page (counting from 1) an item was drawn on.
int PageOf(const A4Surface& surface, const Item* item)
{
    int page = 0;
    for (const Item& each : surface.Items()) {
        if (each.op == Op::StartPage)
            ++page;
        if (&each == item)
            return page;
    }
    return 0;
}

std::vector<const Item*> Lines(const A4Surface& surface, float x1, float y1, float x2, float y2)
{
    std::vector<const Item*> found;
    for (const Item* item : surface.ItemsOf(Op::DrawLine))
        if (item->x == x1 && item->y == y1 && item->width == x2 && item->height == y2)
            found.push_back(item);
    return found;
}

class ReportPages : public ::testing::Test {
protected:
    TestReport& Report(std::span<const LVColDynamicGlobal> columns)
    {
        report.emplace(project, columns);
        return *report;
    }
    void AddRows(int count)
    {
        for (int i = 0; i < count; ++i)
            report->table.AddRow(kReportRowOrdinary, 0, 0, false,
                                 {"Task " + std::to_string(i), "2027-03-01", "$10.00"});
    }
    void PrintAll()
    {
        QPReportPrinter printer(project.options, *report);
        ASSERT_TRUE(PrintingFunction(surface, printer));
    }
    // Prints only the table, starting at y on an open page.
    int32_t PrintTableFrom(int32_t y)
    {
        const QPReportLayoutData layout(project.options, surface);
        surface.StartPage();
        unsigned long pageNumber = 1;
        PrintingFunction(surface, report->table, y, layout, pageNumber);
        return y;
    }
    const Item* Text(std::string_view text) const
    {
        const auto found = surface.TextItems(text);
        return found.size() == 1 ? found[0] : nullptr;
    }
    std::size_t Pages() const { return surface.ItemsOf(Op::StartPage).size(); }

    QPProject project;
    std::optional<TestReport> report;
    A4Surface surface;
};

TEST_F(ReportPages, LayoutIsTheA4PageLessThreeQuarterInchMargins)
{
    const QPReportLayoutData pdf(project.options, surface);
    EXPECT_EQ(pdf.topMargin, 72);
    EXPECT_EQ(pdf.sideMargin, 72);
    EXPECT_EQ(pdf.contentWidth, 650);
    EXPECT_EQ(pdf.halfContentWidth, 325);
    EXPECT_EQ(pdf.bottomLimit, 1051);
    EXPECT_EQ(pdf.contentHeight, 979);
}

TEST_F(ReportPages, StretchColumnsShareTheSpareWidthAndTheLastTakesTheRest)
{
    QPReportTableColumns columns{};
    ASSERT_EQ(
            QPReportTablePrinterGetColumns(surface, Report(kStretchColumns).table, 72, 72, columns),
            3u);
    // pad 6, unit 4: natural 160 + 80 + 40 plus 36 of padding leave 334, shared 40 : 10.
    EXPECT_EQ(columns[0].left, 72);
    EXPECT_EQ(columns[0].textLeft, 78);
    EXPECT_EQ(columns[0].textRight, 78 + 160 + 267);
    EXPECT_EQ(columns[1].left, columns[0].right);
    EXPECT_EQ(columns[1].TextWidth(), 80);
    EXPECT_EQ(columns[2].TextWidth(), 40 + 67);
    EXPECT_EQ(columns[2].right, 722); // 650 wide from x = 72

    ASSERT_EQ(QPReportTablePrinterGetColumns(surface, Report(kFixedColumns).table, 72, 72, columns),
              3u);
    EXPECT_EQ(columns[0].right, 72 + 172);
    EXPECT_EQ(columns[2].right, 72 + 172 + 92 + 52);
}

TEST_F(ReportPages, AColumnTooNarrowForAWordTakesRoomFromColumnsWithSomeToSpare)
{
    // Fixed columns 160, 80 and 40 wide; an amount of 13 characters needs 78.
    Report(kFixedColumns)
            .table.AddRow(kReportRowOrdinary, 0, 0, false,
                          {"Task 1", "2027-03-01", "$1,234,567.00"});
    QPReportTableColumns columns{};
    ASSERT_EQ(QPReportTablePrinterGetColumns(surface, report->table, 72, 72, columns), 3u);
    EXPECT_EQ(columns[2].TextWidth(), 78);
    EXPECT_EQ(columns[0].TextWidth() + columns[1].TextWidth(), 240 - 38);
    EXPECT_EQ(columns[2].right, 72 + 172 + 92 + 52);

    // Short of 16 and of 40 with 34 to spare: the smaller need is met in full.
    constexpr LVColDynamicGlobal kTight[] = {
            {"A", 20, eReportAlignLeft, false},
            {"B", 20, eReportAlignLeft, false},
            {"C", 10, eReportAlignLeft, false},
    };
    Report(kTight).table.AddRow(kReportRowOrdinary, 0, 0, false,
                                {std::string(16, 'x'), std::string(20, 'y'), "z"});
    ASSERT_EQ(QPReportTablePrinterGetColumns(surface, report->table, 72, 72, columns), 3u);
    EXPECT_EQ(columns[0].TextWidth(), 96);
    EXPECT_EQ(columns[1].TextWidth(), 80 + 18);
    EXPECT_EQ(columns[2].TextWidth(), 6);
}

TEST_F(ReportPages, AtMostThirtyTwoColumnsArePlaced)
{
    std::vector<LVColDynamicGlobal> many(40, {"C", 1, eReportAlignLeft, true});
    QPReportTableColumns columns{};
    EXPECT_EQ(QPReportTablePrinterGetColumns(surface, Report(many).table, 72, 72, columns),
              kReportMaxColumns);
}

TEST_F(ReportPages, TitleHeadingsFirstRowAndFootOfAOnePageReport)
{
    Report(kStretchColumns);
    AddRows(1);
    PrintAll();
    EXPECT_EQ(Pages(), 1u);
    EXPECT_EQ(surface.ItemsOf(Op::EndPage).size(), 1u);

    const Item* title = Text("Tasks");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->font, (LFont{"Helvetica", 24, true}));
    EXPECT_EQ(title->align, LTextAlign::Centre);
    EXPECT_EQ(title->x, 72);
    EXPECT_EQ(title->y, 72);
    EXPECT_EQ(title->width, 650);

    // 72 + 13 + 28 + 48 = 161 is the table's top; headings half a line below it.
    const Item* heading = Text("Name");
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->y, 167);
    EXPECT_TRUE(heading->font.bold);
    EXPECT_EQ(Lines(surface, 72, 186, 722, 186).size(), 1u);
    const Item* cost = Text("$10.00");
    ASSERT_NE(cost, nullptr);
    EXPECT_EQ(cost->y, 192);
    EXPECT_EQ(cost->align, LTextAlign::Right);
    EXPECT_EQ(cost->font, (LFont{"Helvetica", 14, false}));

    // The frame reaches to 19 above the bottom limit.
    EXPECT_EQ(Lines(surface, 72, 161, 722, 161).size(), 1u);
    EXPECT_EQ(Lines(surface, 72, 1032, 722, 1032).size(), 1u);
    EXPECT_EQ(Lines(surface, 722, 161, 722, 1032).size(), 1u);

    const Item* foot = Text(" page 1");
    ASSERT_NE(foot, nullptr);
    EXPECT_EQ(foot->align, LTextAlign::Right);
    EXPECT_EQ(foot->x, 72);
    EXPECT_EQ(foot->width, 650);
    EXPECT_GT(foot->y, 1051); // in the bottom margin
    EXPECT_LE(foot->y + 13, 1123);
}

TEST_F(ReportPages, ALastRowThatFitsOnlyWithoutTheReserveStartsANewPage)
{
    // Rows come every 19 units from 192; the 45th is at 1028, 23 above the bottom limit:
    // room for it, not for it and the 19 below.
    Report(kStretchColumns);
    AddRows(44);
    PrintAll();
    EXPECT_EQ(Pages(), 1u);

    surface.ClearItems();
    AddRows(1);
    PrintAll();
    EXPECT_EQ(Pages(), 2u);
    ASSERT_EQ(surface.TextItems("Task 0").size(), 2u);
    const Item* last = surface.TextItems("Task 0")[1];
    EXPECT_EQ(PageOf(surface, last), 2);
    EXPECT_EQ(last->y, 103); // below the headings repeated on the new page
    EXPECT_EQ(surface.TextItems("Name").size(), 2u);
    EXPECT_NE(Text(" page 2"), nullptr);
    // The first page's frame goes down to the bottom limit.
    EXPECT_EQ(Lines(surface, 72, 1051, 722, 1051).size(), 1u);
}

TEST_F(ReportPages, AOneRowTableThatFitsOnlyWithoutTheReserveIsPrintedInPlace)
{
    Report(kStretchColumns);
    AddRows(1);
    // The row lands at 997 + 6 + 13 + 6 + 6 = 1028.
    const int32_t frameBottom = PrintTableFrom(997);
    EXPECT_EQ(Pages(), 1u);
    const Item* row = Text("Task 0");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->y, 1028);
    // No room for the reserve: the frame closes right below the row.
    EXPECT_EQ(frameBottom, 1028 + 13 + 6);
    EXPECT_EQ(Lines(surface, 72, 1047, 722, 1047).size(), 1u);
}

TEST_F(ReportPages, ALongNameAtTheFootIsSplitAndContinuesBelowTheNextPagesHeadings)
{
    Report(kNarrowColumns);
    // Four lines at 40 units wide; only one fits in the 23 units left.
    report->table.AddRow(kReportRowOrdinary, 0, 0, false, {"alpha beta gamma delta", "2027-03-01"});
    report->table.AddRow(kReportRowOrdinary, 0, 0, false, {"Next", "2027-03-02"});
    PrintTableFrom(997);

    EXPECT_EQ(Pages(), 2u);
    const Item* first = Text("alpha ");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->y, 1028);
    EXPECT_EQ(first->height, 13);
    const Item* date = Text("2027-03-01");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(PageOf(surface, date), 1);

    const Item* rest = Text("beta gamma delta");
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(PageOf(surface, rest), 2);
    EXPECT_EQ(rest->y, 103);
    EXPECT_EQ(rest->height, 39);
    // The other cells of the continued row are empty.
    const auto empties = surface.TextItems("");
    ASSERT_FALSE(empties.empty());
    EXPECT_EQ(empties.back()->y, 103);
    EXPECT_EQ(PageOf(surface, empties.back()), 2);

    const Item* next = Text("Next");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->y, 103 + 39 + 6);
}

TEST_F(ReportPages, DetailRowsAreIndentedAndTotalRowsBold)
{
    Report(kStretchColumns);
    report->table.AddRow(kReportRowOrdinary, 2, 0, false, {"Assigned Resources"});
    report->table.AddRow(kReportRowOrdinary, 5, 0, false, {"Mason"});
    report->table.AddRow(kReportRowTotal, 0, 1, false, {"Total", "", "$20.00"});
    PrintAll();

    ASSERT_NE(Text("      Assigned Resources"), nullptr);
    ASSERT_NE(Text("               Mason"), nullptr);
    const Item* total = Text("Total");
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->font, (LFont{"Helvetica", 14, true}));
    const Item* amount = Text("$20.00   ");
    ASSERT_NE(amount, nullptr);
    EXPECT_TRUE(amount->font.bold);
    EXPECT_FALSE(Text("               Mason")->font.bold);
}

TEST_F(ReportPages, RuleAboveLinesAreNotDrawnOnAPagesFirstRow)
{
    Report(kStretchColumns);
    for (int i = 0; i < 47; ++i)
        report->table.AddRow(kReportRowOrdinary, 0, 0, false, {"Task", "2027-03-01", "$10.00"})
                .SetCellFlags(2, kReportCellRuleAbove);
    PrintAll();
    ASSERT_EQ(Pages(), 2u);

    QPReportTableColumns columns{};
    QPReportTablePrinterGetColumns(surface, report->table, 72, 72, columns);
    const auto left = static_cast<float>(columns[2].textLeft);
    const auto right = static_cast<float>(columns[2].textRight);
    // Rows 1 to 44 on the first page, and 46 (the second on the next page).
    EXPECT_EQ(Lines(surface, left, 192 - 2, right, 192 - 2).size(), 0u);
    EXPECT_EQ(Lines(surface, left, 211 - 2, right, 211 - 2).size(), 1u);
    EXPECT_EQ(Lines(surface, left, 103 - 2, right, 103 - 2).size(), 0u);
    EXPECT_EQ(Lines(surface, left, 122 - 2, right, 122 - 2).size(), 1u);
    std::size_t rules = 0;
    for (const Item* line : surface.ItemsOf(Op::DrawLine))
        rules += line->x == left && line->width == right && line->y == line->height;
    EXPECT_EQ(rules, 45u);
}

// A document that hands what was drawn on it to the test when the export drops it.
class KeptSurface : public A4Surface {
public:
    explicit KeptSurface(std::vector<Item>& kept) : kept_(kept) {}
    ~KeptSurface() override { kept_ = Items(); }

private:
    std::vector<Item>& kept_;
};

TEST(ReportExport, OffersTheNameReportAndDrawsTheWholeReportOnA4)
{
    QPProject project;
    TestReport report(project, kStretchColumns);
    report.table.AddRow(kReportRowOrdinary, 0, 0, false, {"Dig"});
    QPReportPrinter printer(project.options, report);
    ScriptedPrompts prompts;
    prompts.Then(std::string("/nonexistent-folder/report.pdf"));
    LMemorySettingsStore store;
    std::vector<Item> drawn;
    int paper = -1;
    LPDFWriterFactory factory = [&](const std::string&, int paperSize) {
        paper = paperSize;
        return std::make_unique<KeptSurface>(drawn);
    };

    EXPECT_EQ(LAppSaveToPDF(prompts, store, "/home/someone/Documents", factory, printer,
                            printer.GetPaperSize()),
              LSaveToPDFResult::Written);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].defaultName, "Report");
    EXPECT_EQ(paper, LPrint::ePaperA4);
    const auto has = [&](std::string_view text) {
        return std::any_of(drawn.begin(), drawn.end(),
                           [&](const Item& item) { return item.text == text; });
    };
    EXPECT_TRUE(has("Tasks"));
    EXPECT_TRUE(has("Dig"));
    EXPECT_TRUE(has(" page 1"));
}

} // namespace
