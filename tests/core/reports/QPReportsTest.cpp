// The reports' rows, their pages on the recording surface (whose fixed metrics, 6 units a
// character and 13 a line, make every position exact), and their CSV files.

#include "reports/QPReports.h"
#include "framework/LRecordingSurface.h"
#include "reports/QPReportPrinter.h"
#include "reports/QPReportTable.h"

#include "support/Plan.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/resource.h>

namespace {

using Texts = std::vector<std::string>;

// The report's rows, each as its cells joined by "|"; a cell with a rule above it starts
// with "^", a row's indentation shows as that many ">", and a total row starts with "+".
Texts Rows(auto&& report)
{
    report.GenerateReport();
    Texts rows;
    for (const QPReportTableRow& row : report.table.Rows()) {
        std::string text = (row.type == kReportRowTotal ? "+" : "") +
                           std::string(static_cast<std::size_t>(row.indent), '>');
        for (std::size_t c = 0; c < row.cells.size(); ++c)
            text += (c ? "|" : "") +
                    std::string(row.cells[c].flags == kReportCellRuleAbove ? "^" : "") +
                    row.cells[c].text;
        rows.push_back(text);
    }
    return rows;
}

// The lines the data file gives under "== <name>".
Texts Expected(const std::string& name, const char* file = "reports.txt")
{
    std::ifstream data(std::string(KESTRANO_TEST_DATA_DIR) + "/reports/" + file);
    Texts rows;
    bool wanted = false;
    for (std::string line; std::getline(data, line);)
        if (line.starts_with("== "))
            wanted = line == "== " + name;
        else if (wanted && !line.starts_with("#"))
            rows.push_back(line);
    return rows;
}

// Each report by its command-line name, on an empty plan and on one of three resources on
// the default schedule with a 36-hour regular week, each on one task starting Monday 1 March
// 2027, and one resource without work; rates are minor units per hour, and today is Monday
// 1 March, 09:00. The data works out the costs.
TEST(Reports, ShowDatesCompletionCostsHoursAndTotals)
{
    ScopedEnvironment today{"KESTRANO_NOW", "2027-03-01 09:00:00"};
    Plan plan;
    plan.DefaultSchedule().regularWorkWeek = 36 * kHour;
    for (const auto& [name, rate, task, hours, percent] :
         {std::tuple{"Ana", 1000, "Design", "16", 37},
          {"Bo", 2000, "Build", "40", 33},
          {"Cy", 1000, "Review", "7.5", 50}}) {
        QPTask& work = plan.Task(task, hours);
        work.AddResourceAssignment(plan.Resource(name, nullptr, rate, rate * 3 / 2).key, 100);
        work.percentComplete = percent;
    }
    plan.Resource("Dee", nullptr, 5000, 7500);
    plan.Recalculate();
    Plan empty;
    for (const std::string kind :
         {"task-summary", "task-detail", "task-expense", "resource-expense"}) {
        const eReportKind known = QPReportKindFromName(kind).value();
        const auto report = QPMakeReport(known, plan.project);
        EXPECT_EQ(Rows(*report), Expected(kind)) << kind;
        EXPECT_EQ(report->rowCount, kind == "resource-expense" ? 4u : 3u) << kind;
        const auto none = QPMakeReport(known, empty.project);
        none->GenerateReport();
        EXPECT_EQ(none->rowCount, 0u) << kind;
    }
    plan.project.options.decimalSymbol = ",";
    plan.project.options.thousandsSymbol = ".";
    EXPECT_EQ(Rows(QPReportResourceExpense(plan.project)).back(),
              "+^Total| | |^59,50|^4|^$955,00|^$120,00|^$1.075,00");
}

TEST(QPReportAmounts, CompletedCostsTruncateTowardZeroAndShownHoursAddUp)
{
    // 370, 3.3 -> 3, a credit -3.3 -> -3, all of 199; summed before formatting.
    Plan plan;
    for (const auto& [cost, percent] :
         {std::pair<int64_t, int32_t>{1000, 37}, {10, 33}, {-10, 33}, {199, 100}}) {
        QPTask& task = plan.Task("T", "8");
        task.scheduledCost = cost;
        task.percentComplete = percent;
    }
    Texts completed;
    for (const std::string& row : Rows(QPReportTaskExpense(plan.project)))
        completed.push_back(row.substr(0, row.find('|', row.find('|') + 1)));
    EXPECT_EQ(completed, (Texts{"T|$3.70", "T|$0.03", "T|-$0.03", "T|$1.99", "+^Total|^$5.69"}));

    // Costs left from before a rate was cleared, and shown hours that add up.
    QPResource& stale = plan.Resource("Stale", nullptr, 0, 0);
    stale.regularCost = 5000;
    stale.overtimeCost = 300;
    plan.Resource("Third", nullptr, 3000, 3000).overtimeCost = 1000;
    for (int64_t cost : {600, 5700, 3700})
        plan.Resource("Part", nullptr, 10000, 10000).regularCost = cost;
    EXPECT_EQ(Rows(QPReportResourceExpense(plan.project)), Expected("stale and parted costs"));
}

TEST(QPReportTaskDetail, SubRowsRulesAndTexts)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana", &plan.Schedule("Night Shift", 22 * kHour, {0, 8}));
    QPResource& bo = plan.Resource("Bo");
    bo.scheduleKey = -1; // no schedule of its own
    QPTask& a = plan.Task("A", "8");
    a.constraintType = eConstraintStartOn;
    a.constraintDate = LocalTime(2027, 3, 1);
    a.taskType = eTaskTypeFixedDuration;
    a.start = LocalTime(2027, 3, 1, 8);
    a.finish = LocalTime(2027, 3, 1, 16);
    a.percentComplete = 5;
    // Newest first: the list reads Ana, a resource since deleted, Bo.
    a.AddResourceAssignment(bo.key, 100);
    a.AddResourceAssignment(987654, 100);
    a.AddResourceAssignment(ana.key, 50);
    QPTask& b = plan.Task("B", "8");
    b.constraintType = 9;
    b.taskType = 5;
    plan.Task("C", "8").constraintType = eConstraintAsLateAsPossible;
    QPTask& d = plan.Task("D", "8");
    d.constraintType = -1;
    // The list reads A (type 7), a deleted task, B (Start-to-Start).
    d.AddDependency(b.key, eStartToStart, 2.0f);
    d.AddDependency(987655, eFinishToFinish, 0.0f);
    d.AddDependency(a.key, 7, 1.5f);

    QPReportTaskDetail report(plan.project);
    EXPECT_EQ(Rows(report), Expected("task details"));
    EXPECT_EQ(report.rowCount, 4u);
    // The window's list puts three spaces per step in front of the first cell and after
    // the last one, and leaves out rows without cells.
    report.table.AddRow(0, 1, 2, false, {});
    report.table.AddRow(0, 0, 1, false, {"a", "b"});
    const auto lines = QPReportListLines(report.table);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[1], (Texts{"      Assigned Resources"}));
    EXPECT_EQ(lines[2], (Texts{"               Ana", "50% Committed", "Night Shift"}));
    EXPECT_EQ(lines[10], (Texts{"a", "b   "}));
}

// Cells quoted and cleaned, records ending in CRLF. The file is written beside the target
// first: a failed save, even one cut off halfway by a full disk, leaves an older file as it
// was and nothing beside it.
TEST(ReportCSV, CellsAreQuotedCleanedAndSavedWholeOrNotAtAll)
{
    QPProject project;
    const LVColDynamicGlobal columns[] = {{"Name", 5, eReportAlignLeft, true},
                                          {"Amount", 4, eReportAlignRight, true},
                                          {"Note", 4, eReportAlignRight, true}};
    QPReportTable table{project.options, columns};
    table.AddRow(kReportRowOrdinary, 0, 0, false, {"Zoë, the \"boss\"", "$1,250.00", "done  \t "});
    // Indentation and trailing steps belong to the printed page, not to the file.
    table.AddRow(kReportRowOrdinary, 5, 2, false, {"line\r\nbreak\x01\x1f\x20\x21\x7f", "  lead"});
    table.AddRow(kReportRowTotal, 0, 0, false, {"Total", " ", ""});
    const std::string csv = "\"Name\",\"Amount\",\"Note\"\r\n"
                            "\"Zoë  the \"\"boss\"\"\",\"$1 250.00\",\"done\"\r\n"
                            "\"line  break   !\x7f\",\"  lead\"\r\n"
                            "\"Total\",\"\",\"\"\r\n";
    EXPECT_EQ(table.CSVText(), csv);
    TempDir folder;
    const std::string path = folder.Write("report.csv", "older report");
    auto read = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    ASSERT_TRUE(table.SaveToCSV(path));
    EXPECT_EQ(read(), csv);
    folder.Write("report.csv", "older report");
    std::filesystem::create_directory(folder.File("taken.csv"));
    for (const char* name : {"missing/report.csv", "taken.csv"})
        EXPECT_FALSE(table.SaveToCSV(folder.File(name))) << name;
    for (int i = 0; i < 2000; ++i)
        table.AddRow(kReportRowOrdinary, 0, 0, false, {"A long enough task name", "$1.00", "x"});
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{4096, previous.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = table.SaveToCSV(path);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(read(), "older report");
    EXPECT_EQ(folder.Entries().size(), 2u);
}

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

class ReportPages : public ::testing::Test {
protected:
    // An A4 document page, as the PDF writer has it.
    ReportPages() { surface.SetPageSize(794, 1123, LPageUnit::Layout); }
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
    Texts Transcript() const
    {
        Texts lines;
        for (const Item& item : surface.Items()) {
            std::ostringstream out;
            if (item.op == Op::StartPage || item.op == Op::EndPage)
                out << (item.op == Op::StartPage ? "page" : "end of page");
            else if (item.op == Op::DrawLine || item.op == Op::DrawText)
                out << (item.op == Op::DrawLine ? "line " : "text ") << item.x << " " << item.y
                    << " " << item.width << " " << item.height;
            if (item.op == Op::DrawText)
                out << " " << item.font.family << " " << item.font.pointSize
                    << (item.font.bold ? " bold" : "")
                    << (item.align == LTextAlign::Right    ? " right"
                        : item.align == LTextAlign::Centre ? " centre"
                                                           : "")
                    << ": " << item.text;
            if (!out.str().empty())
                lines.push_back(out.str());
        }
        return lines;
    }

    QPProject project;
    std::optional<TestReport> report;
    LRecordingSurface surface{LSurface::Kind::Document};
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
    auto check = [&](const std::string& title, std::optional<int32_t> bottom = {}) {
        Texts lines = Transcript();
        if (bottom)
            lines.push_back("bottom " + std::to_string(*bottom));
        EXPECT_EQ(lines, Expected(title, "pages.txt")) << title;
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
    check("one row from 997", PrintTableFrom(997));
    // Three lines exactly as tall as the room left are not cut.
    Report(kNarrow).table.AddRow(0, 0, 0, false, {"alpha beta gamma", "2027-03-01"});
    check("three lines from 981", PrintTableFrom(981));
    // Of four lines at 40 units wide only one fits in the 23 units left: the rest continues
    // below the next page's headings, the row's other cells empty there; with no rule
    // above it there, but above the row after it.
    Report(kNarrow)
            .table.AddRow(0, 0, 0, false, {"alpha beta gamma delta", "2027-03-01"})
            .SetCellFlags(1, kReportCellRuleAbove);
    report->table.AddRow(0, 0, 0, false, {"Next", "2027-03-02"})
            .SetCellFlags(1, kReportCellRuleAbove);
    check("a long name from 997", PrintTableFrom(997));
}

} // namespace
