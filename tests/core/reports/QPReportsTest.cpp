#include "reports/QPReports.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

Texts CellTexts(const QPReportTableRow& row)
{
    Texts texts;
    for (const QPReportTableCell& cell : row.cells)
        texts.push_back(cell.text);
    return texts;
}

std::vector<int32_t> CellFlags(const QPReportTableRow& row)
{
    std::vector<int32_t> flags;
    for (const QPReportTableCell& cell : row.cells)
        flags.push_back(cell.flags);
    return flags;
}

const std::vector<int32_t> kNoRules(8, 0);
constexpr int32_t R = kReportCellRuleAbove;

// Three resources on the default schedule (Monday to Friday, 8 hours from 08:00) with a
// 36-hour regular week, each on one task starting Monday 1 March 2027, and one resource
// without work. Rates are minor units per hour; today is Monday 1 March, 09:00.
//
//   Design  16 h, Ana at $10.00/h: Mon + Tue, 16 h regular          = 16,000
//   Build   40 h, Bo at $20.00/h, overtime $30.00/h: Mon to Fri; the week reaches
//           36 h halfway through Friday: 36 h × 2000 = 72,000 regular,
//           4 h × 3000 = 12,000 overtime                            = 84,000
//   Review  7.5 h, Cy at $10.00/h: Mon 08:00 to 15:30, 7.5 h × 1000 =  7,500
//
// Costs to date (work up to and including today): Design and Build one Monday each,
// 8 h × 1000 = 8,000 and 8 h × 2000 = 16,000; Review ends today, all of its 7,500.
class CostedPlan : public ::testing::Test {
protected:
    void SetUp() override
    {
        plan.DefaultSchedule().regularWorkWeek = 36 * kHour;
        QPResource& ana = plan.Resource("Ana", nullptr, 1000, 1500);
        QPResource& bo = plan.Resource("Bo", nullptr, 2000, 3000);
        QPResource& cy = plan.Resource("Cy", nullptr, 1000, 1500);
        plan.Resource("Dee", nullptr, 5000, 7500);
        Assign(plan.Task("Design", "16"), ana).percentComplete = 37;
        Assign(plan.Task("Build", "40"), bo).percentComplete = 33;
        Assign(plan.Task("Review", "7.5"), cy).percentComplete = 50;
        plan.Recalculate();
    }

    static QPTask& Assign(QPTask& task, const QPResource& resource)
    {
        task.AddResourceAssignment(resource.key, 100);
        return task;
    }

    ScopedEnvironment today{"KESTRANO_NOW", "2027-03-01 09:00:00"};
    Plan plan;
};

TEST_F(CostedPlan, TaskSummaryListsEveryTaskWithItsDates)
{
    QPReportTaskSummary report(plan.project);
    report.GenerateReport();
    EXPECT_EQ(std::string(report.title), "Task Summary Report");
    ASSERT_EQ(report.table.Rows().size(), 3u);
    EXPECT_EQ(report.rowCount, 3u);
    EXPECT_EQ(CellTexts(report.table.Rows()[0]),
              (Texts{"Design", "1 March 2027", "2 March 2027", "37%"}));
    EXPECT_EQ(CellTexts(report.table.Rows()[1]),
              (Texts{"Build", "1 March 2027", "5 March 2027", "33%"}));
    EXPECT_EQ(CellTexts(report.table.Rows()[2]),
              (Texts{"Review", "1 March 2027", "1 March 2027", "50%"}));
}

TEST_F(CostedPlan, TaskExpenseTruncatesTheCompletedShareAndTotalsTheAmounts)
{
    QPReportTaskExpense report(plan.project);
    report.GenerateReport();
    const auto& rows = report.table.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(report.rowCount, 3u);
    // 37% of 16,000 = 5,920; 33% of 84,000 = 27,720; 50% of 7,500 = 3,750.
    EXPECT_EQ(CellTexts(rows[0]), (Texts{"Design", "$59.20", "$80.00", "$160.00"}));
    EXPECT_EQ(CellTexts(rows[1]), (Texts{"Build", "$277.20", "$160.00", "$840.00"}));
    EXPECT_EQ(CellTexts(rows[2]), (Texts{"Review", "$37.50", "$75.00", "$75.00"}));
    // 5,920 + 27,720 + 3,750 = 37,390; 8,000 + 16,000 + 7,500 = 31,500;
    // 16,000 + 84,000 + 7,500 = 107,500.
    EXPECT_EQ(CellTexts(rows[3]), (Texts{"Total", "$373.90", "$315.00", "$1,075.00"}));
    EXPECT_EQ(rows[3].type, kReportRowTotal);
    EXPECT_EQ(CellFlags(rows[3]), (std::vector<int32_t>{R, R, R, R}));
    EXPECT_EQ(CellFlags(rows[0]), (std::vector<int32_t>{0, 0, 0, 0}));
}

TEST_F(CostedPlan, ResourceExpenseShowsHoursFromCostsAndTotalsTheShownFigures)
{
    QPReportResourceExpense report(plan.project);
    report.GenerateReport();
    EXPECT_EQ(std::string(report.title), "Scheduled Resource Expense Report");
    const auto& rows = report.table.Rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(report.rowCount, 4u);
    EXPECT_EQ(CellTexts(rows[0]),
              (Texts{"Ana", "$10.00", "$15.00", "16", "0", "$160.00", "$0.00", "$160.00"}));
    EXPECT_EQ(CellTexts(rows[1]),
              (Texts{"Bo", "$20.00", "$30.00", "36", "4", "$720.00", "$120.00", "$840.00"}));
    EXPECT_EQ(CellTexts(rows[2]),
              (Texts{"Cy", "$10.00", "$15.00", "7.50", "0", "$75.00", "$0.00", "$75.00"}));
    // No work: no hours, whatever the rate.
    EXPECT_EQ(CellTexts(rows[3]),
              (Texts{"Dee", "$50.00", "$75.00", "0", "0", "$0.00", "$0.00", "$0.00"}));
    // 16 + 36 + 7.50 = 59.50 hours; 16,000 + 72,000 + 7,500 = 95,500 regular.
    EXPECT_EQ(CellTexts(rows[4]),
              (Texts{"Total", " ", " ", "59.50", "4", "$955.00", "$120.00", "$1,075.00"}));
    EXPECT_EQ(rows[4].type, kReportRowTotal);
    EXPECT_EQ(CellFlags(rows[4]), (std::vector<int32_t>{R, 0, 0, R, R, R, R, R}));
    EXPECT_EQ(CellFlags(rows[0]), kNoRules);
}

TEST_F(CostedPlan, HoursUseTheProjectsDecimalSymbolAlsoWhenTotalled)
{
    plan.project.options.decimalSymbol = ",";
    plan.project.options.thousandsSymbol = ".";
    QPReportResourceExpense report(plan.project);
    report.GenerateReport();
    EXPECT_EQ(report.table.Rows()[2].cells[3].text, "7,50");
    EXPECT_EQ(report.table.Rows()[4].cells[3].text, "59,50");
    EXPECT_EQ(report.table.Rows()[4].cells[7].text, "$1.075,00");
}

// ---------------------------------------------------------------------------------------
// Amounts set by hand

TEST(QPReportAmounts, CompletedCostIsTruncatedTowardZero)
{
    Plan plan;
    auto withCost = [&](const char* name, int64_t cost, int32_t percent) {
        QPTask& task = plan.Task(name, "8");
        task.scheduledCost = cost;
        task.percentComplete = percent;
    };
    withCost("A", 1000, 37); // 370
    withCost("B", 10, 33);   // 3.3 -> 3
    withCost("C", -10, 33);  // a credit: -3.3 -> -3
    withCost("D", 199, 100); // all of it
    QPReportTaskExpense report(plan.project);
    report.GenerateReport();
    const auto& rows = report.table.Rows();
    EXPECT_EQ(rows[0].cells[1].text, "$3.70");
    EXPECT_EQ(rows[1].cells[1].text, "$0.03");
    EXPECT_EQ(rows[2].cells[1].text, "-$0.03");
    EXPECT_EQ(rows[3].cells[1].text, "$1.99");
    // 370 + 3 - 3 + 199 = 569, summed before formatting.
    EXPECT_EQ(rows[4].cells[1].text, "$5.69");
}

TEST(QPReportAmounts, HoursWithoutARateAreZeroAndShownFiguresAddUp)
{
    Plan plan;
    // A cost left from before the rate was cleared: no hours can be worked back.
    QPResource& stale = plan.Resource("Stale", nullptr, 0, 0);
    stale.regularCost = 5000;
    stale.overtimeCost = 300;
    // 1,000 / 3,000 = 0.333... shows 0.33. Hours added as binary fractions drift:
    // 0.06 + 0.57 + 0.37 is not exactly 1 in doubles, yet the shown figures add up to 1.
    QPResource& third = plan.Resource("Third", nullptr, 3000, 3000);
    third.overtimeCost = 1000;
    for (int64_t cost : {600, 5700, 3700}) {
        QPResource& part = plan.Resource("Part", nullptr, 10000, 10000);
        part.regularCost = cost;
    }
    QPReportResourceExpense report(plan.project);
    report.GenerateReport();
    const auto& rows = report.table.Rows();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(CellTexts(rows[0]),
              (Texts{"Stale", "$0.00", "$0.00", "0", "0", "$50.00", "$3.00", "$53.00"}));
    EXPECT_EQ(rows[1].cells[4].text, "0.33");
    EXPECT_EQ(rows[2].cells[3].text, "0.06");
    EXPECT_EQ(rows[5].cells[3].text, "1");
    EXPECT_EQ(rows[5].cells[4].text, "0.33");
}

// ---------------------------------------------------------------------------------------
// Task detail

TEST(QPReportTaskDetail, SubRowsRulesAndTexts)
{
    Plan plan;
    QPSchedule& night = plan.Schedule("Night Shift", 22 * kHour, {0, 8, 8, 8, 8, 8, 0});
    QPResource& ana = plan.Resource("Ana", &night);
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
    QPTask& c = plan.Task("C", "8");
    c.constraintType = eConstraintAsLateAsPossible;
    QPTask& d = plan.Task("D", "8");
    d.constraintType = -1;
    // The list reads A (type 7), a deleted task, B (Start-to-Start).
    d.AddDependency(b.key, eStartToStart, 2.0f);
    d.AddDependency(987655, eFinishToFinish, 0.0f);
    d.AddDependency(a.key, 7, 1.5f);

    QPReportTaskDetail report(plan.project);
    report.GenerateReport();
    EXPECT_EQ(report.rowCount, 4u);
    const auto& rows = report.table.Rows();
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(CellTexts(rows[0]), (Texts{"A", "1 March 2027", "1 March 2027", "5%",
                                         "Start on 1 March 2027", "Fixed Duration"}));
    EXPECT_EQ(CellTexts(rows[1]), (Texts{"Assigned Resources"}));
    EXPECT_EQ(rows[1].indent, 2);
    EXPECT_EQ(CellTexts(rows[2]), (Texts{"Ana", "50% Committed", "Night Shift"}));
    EXPECT_EQ(CellTexts(rows[3]), (Texts{"Bo", "100% Committed", "Default Schedule"}));
    EXPECT_EQ(rows[3].indent, 5);
    EXPECT_EQ(CellTexts(rows[4]).at(4), "None");       // constraint 9
    EXPECT_EQ(CellTexts(rows[4]).at(5), "Fixed Work"); // type 5
    EXPECT_EQ(CellTexts(rows[5]).at(4), "ALAP");
    EXPECT_EQ(CellTexts(rows[6]).at(4), "None"); // constraint -1
    EXPECT_EQ(CellTexts(rows[7]), (Texts{"Dependencies"}));
    EXPECT_EQ(CellTexts(rows[8]), (Texts{"A", "Finish-to-Start", "1.50 Days Lag"}));
    EXPECT_EQ(CellTexts(rows[9]), (Texts{"B", "Start-to-Start", "2 Days Lag"}));
    EXPECT_EQ(rows[9].indent, 5);

    const std::vector<int32_t> ruled(6, R);
    EXPECT_EQ(CellFlags(rows[0]), ruled);                   // has sub-rows
    EXPECT_EQ(CellFlags(rows[4]), ruled);                   // follows a task with sub-rows
    EXPECT_EQ(CellFlags(rows[5]), std::vector<int32_t>(6)); // neither
    EXPECT_EQ(CellFlags(rows[6]), ruled);                   // has sub-rows
    for (std::size_t sub : {1, 2, 3, 7, 8, 9})
        EXPECT_EQ(rows[sub].cells[0].flags, 0) << "row " << sub;

    // The window's list puts three spaces per step in front of the first cell.
    const auto lines = QPReportListLines(report.table);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[1], (Texts{"      Assigned Resources"}));
    EXPECT_EQ(lines[2], (Texts{"               Ana", "50% Committed", "Night Shift"}));
    EXPECT_EQ(lines[0].front(), "A");
}

// ---------------------------------------------------------------------------------------
// Empty reports, the report kinds and the window's list

TEST(QPReportKinds, TaskReportsAreEmptyWithoutTasks)
{
    Plan plan;
    plan.Resource("Ana", nullptr, 1000, 1500);
    for (eReportKind kind : {eReportKind::taskSummary, eReportKind::taskDetail,
                             eReportKind::taskExpense, eReportKind::resourceExpense}) {
        const auto report = QPMakeReport(kind, plan.project);
        report->GenerateReport();
        EXPECT_EQ(report->rowCount, kind == eReportKind::resourceExpense ? 1u : 0u)
                << QPReportKindName(kind);
    }
    Plan nothing;
    QPReportResourceExpense resources(nothing.project);
    resources.GenerateReport();
    EXPECT_EQ(resources.rowCount, 0u);
}

TEST(QPReportKinds, NamesMenuTextsAndTitles)
{
    Plan plan;
    const std::pair<const char*, const char*> expected[] = {
            {"task-summary", "Task Summary Report"},
            {"task-detail", "Task Detail Report"},
            {"task-expense", "Task Expense Report"},
            {"resource-expense", "Scheduled Resource Expense Report"},
    };
    for (const auto& [name, title] : expected) {
        const std::optional<eReportKind> kind = QPReportKindFromName(name);
        ASSERT_TRUE(kind) << name;
        EXPECT_STREQ(QPReportKindName(*kind), name);
        EXPECT_EQ(std::string(QPMakeReport(*kind, plan.project)->title), title);
    }
    EXPECT_STREQ(QPReportMenuText(eReportKind::resourceExpense), "Resource Expense Report");
    EXPECT_FALSE(QPReportKindFromName("Task-Summary"));
    EXPECT_FALSE(QPReportKindFromName(""));
}

TEST(QPReportKinds, ListLinesSkipRowsWithoutCellsAndPadTheLastCell)
{
    Plan plan;
    const LVColDynamicGlobal columns[] = {{"One", 1, 1, false}, {"Two", 1, 1, false}};
    QPReportTable table(plan.project.options, columns);
    table.AddRow(0, 1, 0, false, {});
    table.AddRow(0, 1, 2, false, {"a", "b"});
    table.AddRow(0, 1, 1, false, {"only"});
    const auto lines = QPReportListLines(table);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (Texts{"   a", "b      "}));
    EXPECT_EQ(lines[1], (Texts{"   only   "}));
}

} // namespace
