#include "reports/QPReports.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

// The report's rows, each as its cells joined by "|"; a cell with a rule above it starts
// with "^", and a row's indentation shows as that many ">".
Texts Rows(QPReportBase& report)
{
    report.GenerateReport();
    Texts rows;
    for (const QPReportTableRow& row : report.table.Rows()) {
        std::string text(static_cast<std::size_t>(row.indent), '>');
        for (std::size_t c = 0; c < row.cells.size(); ++c)
            text += (c ? "|" : "") +
                    std::string(row.cells[c].flags == kReportCellRuleAbove ? "^" : "") +
                    row.cells[c].text;
        rows.push_back(text);
    }
    return rows;
}
Texts Rows(QPReportBase&& report)
{
    return Rows(report);
}

// Three resources on the default schedule (Monday to Friday, 8 hours from 08:00) with a
// 36-hour regular week, each on one task starting Monday 1 March 2027, and one resource
// without work. Rates are minor units per hour; today is Monday 1 March, 09:00.
//
//   Design  16 h, Ana at $10.00/h: Mon + Tue                        = 16,000
//   Build   40 h, Bo at $20.00/h, overtime $30.00/h: the week reaches 36 h halfway
//           through Friday: 36 h × 2000 + 4 h × 3000                = 84,000
//   Review  7.5 h, Cy at $10.00/h: Mon 08:00 to 15:30               =  7,500
//
// Costs to date (work up to and including today): one Monday each of Design and Build,
// 8,000 and 16,000; Review ends today, all of its 7,500.
class CostedPlan : public ::testing::Test {
protected:
    void SetUp() override
    {
        plan.DefaultSchedule().regularWorkWeek = 36 * kHour;
        const QPResource* people[] = {&plan.Resource("Ana", nullptr, 1000, 1500),
                                      &plan.Resource("Bo", nullptr, 2000, 3000),
                                      &plan.Resource("Cy", nullptr, 1000, 1500)};
        plan.Resource("Dee", nullptr, 5000, 7500);
        const std::tuple<const char*, const char*, int32_t> tasks[] = {
                {"Design", "16", 37}, {"Build", "40", 33}, {"Review", "7.5", 50}};
        for (int i = 0; i < 3; ++i) {
            QPTask& task = plan.Task(std::get<0>(tasks[i]), std::get<1>(tasks[i]));
            task.AddResourceAssignment(people[i]->key, 100);
            task.percentComplete = std::get<2>(tasks[i]);
        }
        plan.Recalculate();
    }

    ScopedEnvironment today{"KESTRANO_NOW", "2027-03-01 09:00:00"};
    Plan plan;
};

TEST_F(CostedPlan, TaskReportsShowDatesAndTheCompletedToDateAndTotalCosts)
{
    QPReportTaskSummary summary(plan.project);
    EXPECT_EQ(Rows(summary),
              (Texts{"Design|1 March 2027|2 March 2027|37%", "Build|1 March 2027|5 March 2027|33%",
                     "Review|1 March 2027|1 March 2027|50%"}));
    EXPECT_EQ(summary.rowCount, 3u);
    // 37% of 16,000 = 5,920; 33% of 84,000 = 27,720; 50% of 7,500 = 3,750; the totals.
    QPReportTaskExpense expense(plan.project);
    EXPECT_EQ(Rows(expense),
              (Texts{"Design|$59.20|$80.00|$160.00", "Build|$277.20|$160.00|$840.00",
                     "Review|$37.50|$75.00|$75.00", "^Total|^$373.90|^$315.00|^$1,075.00"}));
    EXPECT_EQ(expense.rowCount, 3u);
    EXPECT_EQ(expense.table.Rows()[3].type, kReportRowTotal);
}

TEST_F(CostedPlan, ResourceExpenseWorksHoursBackFromCostsAndTotalsTheShownFigures)
{
    QPReportResourceExpense report(plan.project);
    EXPECT_EQ(Rows(report), (Texts{"Ana|$10.00|$15.00|16|0|$160.00|$0.00|$160.00",
                                   "Bo|$20.00|$30.00|36|4|$720.00|$120.00|$840.00",
                                   "Cy|$10.00|$15.00|7.50|0|$75.00|$0.00|$75.00",
                                   "Dee|$50.00|$75.00|0|0|$0.00|$0.00|$0.00",
                                   "^Total| | |^59.50|^4|^$955.00|^$120.00|^$1,075.00"}));
    EXPECT_EQ(report.rowCount, 4u);
    EXPECT_EQ(report.table.Rows()[4].type, kReportRowTotal);
    plan.project.options.decimalSymbol = ",";
    plan.project.options.thousandsSymbol = ".";
    EXPECT_EQ(Rows(report).back(), "^Total| | |^59,50|^4|^$955,00|^$120,00|^$1.075,00");
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
    EXPECT_EQ(completed, (Texts{"T|$3.70", "T|$0.03", "T|-$0.03", "T|$1.99", "^Total|^$5.69"}));

    // A cost left from before the rate was cleared: no hours can be worked back. 1,000 at
    // 3,000 shows 0.33. 0.06 + 0.57 + 0.37 is not exactly 1 in doubles, yet the shown
    // figures add up to 1.
    QPResource& stale = plan.Resource("Stale", nullptr, 0, 0);
    stale.regularCost = 5000;
    stale.overtimeCost = 300;
    plan.Resource("Third", nullptr, 3000, 3000).overtimeCost = 1000;
    for (int64_t cost : {600, 5700, 3700})
        plan.Resource("Part", nullptr, 10000, 10000).regularCost = cost;
    EXPECT_EQ(Rows(QPReportResourceExpense(plan.project)),
              (Texts{"Stale|$0.00|$0.00|0|0|$50.00|$3.00|$53.00",
                     "Third|$30.00|$30.00|0|0.33|$0.00|$10.00|$10.00",
                     "Part|$100.00|$100.00|0.06|0|$6.00|$0.00|$6.00",
                     "Part|$100.00|$100.00|0.57|0|$57.00|$0.00|$57.00",
                     "Part|$100.00|$100.00|0.37|0|$37.00|$0.00|$37.00",
                     "^Total| | |^1|^0.33|^$150.00|^$13.00|^$163.00"}));
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

    // Rules above a task with sub-rows and above the task after one; none on sub-rows.
    QPReportTaskDetail report(plan.project);
    EXPECT_EQ(Rows(report),
              (Texts{"^A|^1 March 2027|^1 March 2027|^5%|^Start on 1 March 2027|^Fixed Duration",
                     ">>Assigned Resources", ">>>>>Ana|50% Committed|Night Shift",
                     ">>>>>Bo|100% Committed|Default Schedule",
                     "^B|^Invalid Date|^Invalid Date|^0%|^None|^Fixed Work",
                     "C|Invalid Date|Invalid Date|0%|ALAP|Fixed Work",
                     "^D|^Invalid Date|^Invalid Date|^0%|^None|^Fixed Work", ">>Dependencies",
                     ">>>>>A|Finish-to-Start|1.50 Days Lag", ">>>>>B|Start-to-Start|2 Days Lag"}));
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

TEST(QPReportKinds, NamesAndEmptyReports)
{
    Plan plan;
    plan.Resource("Ana", nullptr, 1000, 1500);
    for (const char* name : {"task-summary", "task-detail", "task-expense", "resource-expense"}) {
        const std::optional<eReportKind> kind = QPReportKindFromName(name);
        ASSERT_TRUE(kind) << name;
        EXPECT_STREQ(QPReportKindName(*kind), name);
        const auto report = QPMakeReport(*kind, plan.project);
        report->GenerateReport();
        EXPECT_EQ(report->rowCount, *kind == eReportKind::resourceExpense ? 1u : 0u) << name;
    }
    EXPECT_FALSE(QPReportKindFromName("Task-Summary"));
    Plan nothing;
    QPReportResourceExpense none(nothing.project);
    none.GenerateReport();
    EXPECT_EQ(none.rowCount, 0u);
}

} // namespace
