// Report pages on the recording surface, whose fixed metrics (6 units a character, 13 a
// line) make every position exact.

#include "reports/QPReportPrinter.h"
#include "framework/LRecordingSurface.h"
#include "model/QPProject.h"

#include <gtest/gtest.h>

namespace {

using Op = LRecordingSurface::Op;
using Item = LRecordingSurface::Item;
using Texts = std::vector<std::string>;

constexpr LVColDynamicGlobal kStretch[] = {{"Name", 40, eReportAlignLeft, true},
                                           {"Start", 20, eReportAlignLeft, false},
                                           {"Cost", 10, eReportAlignRight, true}};
constexpr LVColDynamicGlobal kFixed[] = {{"Name", 40, eReportAlignLeft, false},
                                         {"Start", 20, eReportAlignLeft, false},
                                         {"Cost", 10, eReportAlignRight, false}};
// A name column 40 units wide, so that names wrap early.
constexpr LVColDynamicGlobal kNarrow[] = {{"Name", 10, eReportAlignLeft, false},
                                          {"Start", 20, eReportAlignLeft, false}};

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

class ReportPages : public ::testing::Test {
protected:
    TestReport& Report(std::span<const LVColDynamicGlobal> columns, int rows = 0)
    {
        report.emplace(project, columns);
        for (int i = 0; i < rows; ++i)
            report->table.AddRow(0, 0, 0, false, {"Task " + std::to_string(i), "1 May", "$10.00"});
        return *report;
    }
    // Each column as "left textLeft-textRight right".
    std::string Columns(std::size_t expectedCount = 3)
    {
        QPReportTableColumns columns{};
        EXPECT_EQ(QPReportTablePrinterGetColumns(surface, report->table, 72, 72, columns),
                  expectedCount);
        std::string text;
        for (std::size_t c = 0; c < 3; ++c)
            text += (c ? " | " : "") + std::to_string(columns[c].left) + " " +
                    std::to_string(columns[c].textLeft) + "-" +
                    std::to_string(columns[c].textRight) + " " + std::to_string(columns[c].right);
        return text;
    }
    void PrintAll()
    {
        surface.ClearItems();
        QPReportPrinter printer(project.options, *report);
        ASSERT_TRUE(PrintingFunction(surface, printer));
    }
    // Prints only the table from y on an open page; gives the frame's bottom.
    int32_t PrintTableFrom(int32_t y)
    {
        surface.ClearItems();
        surface.StartPage();
        unsigned long pageNumber = 1;
        PrintingFunction(surface, report->table, y, {project.options, surface}, pageNumber);
        return y;
    }
    // Where a text was drawn, as "page N at Y, H tall", with "bold" and "right" as apt.
    std::string Where(std::string_view text) const
    {
        std::string where;
        int page = 0;
        for (const Item& item : surface.Items()) {
            page += item.op == Op::StartPage;
            if (item.op == Op::DrawText && item.text == text)
                where += (where.empty() ? "" : "; ") + ("page " + std::to_string(page)) + " at " +
                         std::to_string(int(item.y)) + ", " + std::to_string(int(item.height)) +
                         " tall" + (item.font.bold ? " bold" : "") +
                         (item.align == LTextAlign::Right ? " right" : "");
        }
        return where;
    }
    std::size_t Lines(float x1, float y1, float x2, float y2) const
    {
        std::size_t found = 0;
        for (const Item* item : surface.ItemsOf(Op::DrawLine))
            found += item->x == x1 && item->y == y1 && item->width == x2 && item->height == y2;
        return found;
    }
    std::size_t Pages() const { return surface.ItemsOf(Op::StartPage).size(); }

    QPProject project;
    std::optional<TestReport> report;
    A4Surface surface;
};

TEST_F(ReportPages, ColumnsShareTheSpareWidthAndWideWordsTakeRoomFromOthers)
{
    const QPReportLayoutData pdf(project.options, surface);
    // A4 less three-quarter-inch margins.
    EXPECT_EQ((std::vector<int32_t>{pdf.topMargin, pdf.sideMargin, pdf.contentWidth,
                                    pdf.halfContentWidth, pdf.bottomLimit, pdf.contentHeight}),
              (std::vector<int32_t>{72, 72, 650, 325, 1051, 979}));
    // pad 6, unit 4: natural 160 + 80 + 40 plus 36 of padding leave 334, shared 40 : 10.
    Report(kStretch);
    EXPECT_EQ(Columns(), "72 78-505 511 | 511 517-597 603 | 603 609-716 722");
    // Fixed, 160, 80 and 40 wide; an amount of 13 characters needs 78.
    Report(kFixed).table.AddRow(0, 0, 0, false, {"Task 1", "2027-03-01", "$1,234,567.00"});
    EXPECT_EQ(Columns(), "72 78-205 211 | 211 217-292 298 | 298 304-382 388");
    // Short of 16 and of 40 with 34 to spare: the smaller need is met in full.
    constexpr LVColDynamicGlobal kTight[] = {
            {"A", 20, 1, false}, {"B", 20, 1, false}, {"C", 10, 1, false}};
    Report(kTight).table.AddRow(0, 0, 0, false, {std::string(16, 'x'), std::string(20, 'y'), "z"});
    EXPECT_EQ(Columns(), "72 78-174 180 | 180 186-284 290 | 290 296-302 308");
    std::vector<LVColDynamicGlobal> many(40, {"C", 1, eReportAlignLeft, true});
    Report(many);
    Columns(kReportMaxColumns);
}

TEST_F(ReportPages, TitleHeadingsRowsFrameAndFootOfAOnePageReport)
{
    Report(kStretch, 1).table.AddRow(kReportRowOrdinary, 5, 0, false, {"Mason"});
    report->table.AddRow(kReportRowTotal, 0, 1, false, {"Total", "", "$20.00"});
    PrintAll();
    EXPECT_EQ(Pages(), 1u);
    EXPECT_EQ(surface.ItemsOf(Op::EndPage).size(), 1u);
    const Item* title = surface.TextItems("Tasks").at(0);
    EXPECT_EQ(title->font, (LFont{"Helvetica", 24, true}));
    EXPECT_EQ(title->align, LTextAlign::Centre);
    EXPECT_EQ((std::vector<float>{title->x, title->y, title->width}),
              (std::vector<float>{72, 72, 650}));
    // 72 + 13 + 28 + 48 = 161 is the table's top; headings half a line below it; rows in
    // the body font, indented, total rows bold with their trailing steps.
    EXPECT_EQ(Where("Name"), "page 1 at 167, 13 tall bold");
    EXPECT_EQ(Lines(72, 186, 722, 186), 1u);
    EXPECT_EQ(Where("$10.00"), "page 1 at 192, 13 tall right");
    EXPECT_EQ(surface.TextItems("$10.00").at(0)->font, (LFont{"Helvetica", 14, false}));
    EXPECT_EQ(Where("               Mason"), "page 1 at 211, 13 tall");
    EXPECT_EQ(Where("Total"), "page 1 at 230, 13 tall bold");
    EXPECT_EQ(Where("$20.00   "), "page 1 at 230, 13 tall bold right");
    // The frame reaches to 19 above the bottom limit; the foot is in the bottom margin.
    EXPECT_EQ(Lines(72, 161, 722, 161) + Lines(72, 1032, 722, 1032) + Lines(722, 161, 722, 1032),
              3u);
    const Item* foot = surface.TextItems(" page 1").at(0);
    EXPECT_EQ((std::vector<float>{foot->x, foot->width}), (std::vector<float>{72, 650}));
    EXPECT_EQ(foot->align, LTextAlign::Right);
    EXPECT_GT(foot->y, 1051);
    EXPECT_LE(foot->y + 13, 1123);
}

TEST_F(ReportPages, ALastRowThatFitsOnlyWithoutTheReserveStartsANewPage)
{
    // Rows come every 19 units from 192; the 45th is at 1028, 23 above the bottom limit:
    // room for it, not for it and the 19 below.
    Report(kStretch, 44);
    PrintAll();
    EXPECT_EQ(Pages(), 1u);
    Report(kStretch, 45);
    PrintAll();
    EXPECT_EQ(Where("Task 44"), "page 2 at 103, 13 tall"); // below the repeated headings
    EXPECT_EQ(Where("Name"), "page 1 at 167, 13 tall bold; page 2 at 78, 13 tall bold");
    EXPECT_EQ(Where(" page 2"), "page 2 at 1064, 59 tall right");
    EXPECT_EQ(Lines(72, 1051, 722, 1051), 1u); // the first page's frame to the bottom limit

    // Only one row: printed in place, with the frame right below it.
    Report(kStretch, 1);
    EXPECT_EQ(PrintTableFrom(997), 1028 + 13 + 6);
    EXPECT_EQ(Where("Task 0"), "page 1 at 1028, 13 tall");
    EXPECT_EQ(Lines(72, 1047, 722, 1047), 1u);
    // Three lines exactly as tall as the room left are not cut either.
    Report(kNarrow).table.AddRow(0, 0, 0, false, {"alpha beta gamma", "2027-03-01"});
    PrintTableFrom(1051 - 39 - 31);
    EXPECT_EQ(Where("alpha beta gamma"), "page 1 at 1012, 39 tall");
}

TEST_F(ReportPages, ALongNameAtTheFootIsSplitAndContinuesBelowTheNextPagesHeadings)
{
    // Four lines at 40 units wide; only one fits in the 23 units left.
    Report(kNarrow).table.AddRow(0, 0, 0, false, {"alpha beta gamma delta", "2027-03-01"});
    report->table.AddRow(kReportRowOrdinary, 0, 0, false, {"Next", "2027-03-02"});
    PrintTableFrom(997);
    EXPECT_EQ(Pages(), 2u);
    EXPECT_EQ(Where("alpha "), "page 1 at 1028, 13 tall");
    EXPECT_EQ(Where("2027-03-01"), "page 1 at 1028, 13 tall");
    // The other cells of the continued row are empty.
    EXPECT_EQ(Where("beta gamma delta"), "page 2 at 103, 39 tall");
    EXPECT_EQ(Where(""), "page 2 at 103, 39 tall");
    EXPECT_EQ(Where("Next"), "page 2 at 148, 13 tall");
}

TEST_F(ReportPages, RuleAboveLinesAreNotDrawnOnAPagesFirstRow)
{
    Report(kStretch);
    for (int i = 0; i < 47; ++i)
        report->table.AddRow(0, 0, 0, false, {"Task", "1 May", "$10"}).SetCellFlags(2, 8);
    PrintAll();
    ASSERT_EQ(Pages(), 2u);
    // Above rows 2 to 45 on the first page, and 47 (the second on the next page).
    for (const auto& [y, count] :
         {std::pair<float, std::size_t>{190, 0}, {209, 1}, {101, 0}, {120, 1}})
        EXPECT_EQ(Lines(609, y, 716, y), count) << y;
    std::size_t rules = 0;
    for (const Item* line : surface.ItemsOf(Op::DrawLine))
        rules += line->x == 609 && line->width == 716 && line->y == line->height;
    EXPECT_EQ(rules, 45u);
}

} // namespace
