// Report pages on the recording surface, whose fixed metrics (6 units a character, 13 a
// line) make every position exact.

#include "reports/QPReportPrinter.h"
#include "framework/LRecordingSurface.h"
#include "model/QPProject.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace {

using Op = LRecordingSurface::Op;
using Item = LRecordingSurface::Item;

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
    // The rows' costs, with `costFlags` on their cells.
    TestReport& Report(std::span<const LVColDynamicGlobal> columns, int rows = 0,
                       int32_t costFlags = 0)
    {
        report.emplace(project, columns);
        for (int i = 0; i < rows; ++i)
            report->table.AddRow(0, 0, 0, false, {"Task " + std::to_string(i), "1 May", "$10.00"})
                    .SetCellFlags(2, costFlags);
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
        QPReportPrinter printer(project.options, *report);
        ASSERT_TRUE(PrintingFunction(surface, printer));
    }
    // Prints only the table from y on an open page; gives the frame's bottom.
    int32_t PrintTableFrom(int32_t y)
    {
        surface.StartPage();
        unsigned long pageNumber = 1;
        PrintingFunction(surface, report->table, y, {project.options, surface}, pageNumber);
        return y;
    }
    // Every page, text and line drawn, one a line: a text by its box, its font and its
    // alignment, a line by its ends.
    std::string Transcript() const
    {
        std::ostringstream out;
        for (const Item& item : surface.Items()) {
            if (item.op == Op::StartPage || item.op == Op::EndPage)
                out << (item.op == Op::StartPage ? "page\n" : "end of page\n");
            else if (item.op == Op::DrawLine)
                out << "line " << item.x << " " << item.y << " " << item.width << " " << item.height
                    << "\n";
            else if (item.op == Op::DrawText)
                out << "text " << item.x << " " << item.y << " " << item.width << " " << item.height
                    << " " << item.font.family << " " << item.font.pointSize
                    << (item.font.bold ? " bold" : "")
                    << (item.align == LTextAlign::Right    ? " right"
                        : item.align == LTextAlign::Centre ? " centre"
                                                           : "")
                    << ": " << item.text << "\n";
        }
        return out.str();
    }

    QPProject project;
    std::optional<TestReport> report;
    A4Surface surface;
};

TEST_F(ReportPages, ColumnsShareTheSpareWidthAndWideWordsTakeRoomFromOthers)
{
    // A4 less three-quarter-inch margins leave 650 across. pad 6, unit 4: natural 160 + 80 + 40
    // plus 36 of padding leave 334, shared 40 : 10.
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

// What each case draws is the section of the data under its name. Every A4 page has
// three-quarter-inch margins: a table's frame reaches to 19 above the bottom limit of 1051,
// the page's foot lies below it.
TEST_F(ReportPages, PagesAsInTheData)
{
    std::ifstream data(std::string(KESTRANO_TEST_DATA_DIR) + "/reports/pages.txt");
    std::map<std::string, std::string> expected;
    std::string name;
    for (std::string line; std::getline(data, line);)
        if (line.starts_with("== "))
            name = line.substr(3);
        else if (!line.starts_with("#"))
            expected[name] += line + "\n";
    auto check = [&](const std::string& title, const std::string& more = "") {
        EXPECT_EQ(Transcript() + more, expected[title]) << title;
        surface.ClearItems();
    };
    // 72 + 13 + 28 + 48 = 161 is the table's top; headings half a line below it; rows in
    // the body font, indented, total rows bold with their trailing steps.
    Report(kStretch, 1).table.AddRow(kReportRowOrdinary, 5, 0, false, {"Mason"});
    report->table.AddRow(kReportRowTotal, 0, 1, false, {"Total", "", "$20.00"});
    PrintAll();
    check("a one-page report");
    // Rows come every 19 units from 192; the 45th is at 1028, 23 above the bottom limit:
    // room for it, not for it and the 19 below. It goes on below the next page's headings.
    // Each cost has a rule above it, but not the first on a page.
    Report(kStretch, 44);
    PrintAll();
    EXPECT_EQ(surface.ItemsOf(Op::StartPage).size(), 1u);
    surface.ClearItems();
    Report(kStretch, 45, kReportCellRuleAbove);
    PrintAll();
    check("45 rows with rules above the costs");
    // A last row is printed in place, with the frame right below it.
    Report(kStretch, 1);
    check("one row from 997", "bottom " + std::to_string(PrintTableFrom(997)) + "\n");
    // Three lines exactly as tall as the room left are not cut.
    Report(kNarrow).table.AddRow(0, 0, 0, false, {"alpha beta gamma", "2027-03-01"});
    check("three lines from 981", "bottom " + std::to_string(PrintTableFrom(981)) + "\n");
    // Of four lines at 40 units wide only one fits in the 23 units left: the rest continues
    // below the next page's headings, the row's other cells empty there; with no rule
    // above it there, but above the row after it.
    Report(kNarrow)
            .table.AddRow(0, 0, 0, false, {"alpha beta gamma delta", "2027-03-01"})
            .SetCellFlags(1, kReportCellRuleAbove);
    report->table.AddRow(0, 0, 0, false, {"Next", "2027-03-02"})
            .SetCellFlags(1, kReportCellRuleAbove);
    check("a long name from 997", "bottom " + std::to_string(PrintTableFrom(997)) + "\n");
}

} // namespace
