#include "reports/QPReports.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using Texts = std::vector<std::string>;

// The report's rows, each as its cells joined by "|"; a cell with a rule above it starts
// with "^", a row's indentation shows as that many ">", and a total row starts with "+".
Texts Rows(QPReportBase& report)
{
    report.GenerateReport();
    Texts rows;
    for (const QPReportTableRow& row : report.table.Rows()) {
        std::string text(static_cast<std::size_t>(row.indent), '>');
        if (row.type == kReportRowTotal)
            text = "+" + text;
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

// The rows the data gives under "== <name>".
Texts Expected(const std::string& name)
{
    std::ifstream data(std::string(KESTRANO_TEST_DATA_DIR) + "/reports/reports.txt");
    Texts rows;
    bool wanted = false;
    for (std::string line; std::getline(data, line);)
        if (line.starts_with("== "))
            wanted = line == "== " + name;
        else if (wanted && !line.starts_with("#"))
            rows.push_back(line);
    return rows;
}

// Three resources on the default schedule with a 36-hour regular week, each on one task
// starting Monday 1 March 2027, and one resource without work; rates are minor units per
// hour, and today is Monday 1 March, 09:00. The data works out the costs.
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

// Each report by its command-line name, on the plan and on an empty one.
TEST_F(CostedPlan, ReportsShowDatesCompletionCostsHoursAndTotals)
{
    Plan empty;
    for (const std::string kind :
         {"task-summary", "task-detail", "task-expense", "resource-expense"}) {
        const std::optional<eReportKind> known = QPReportKindFromName(kind);
        ASSERT_TRUE(known) << kind;
        EXPECT_EQ(QPReportKindName(*known), kind);
        const auto report = QPMakeReport(*known, plan.project);
        EXPECT_EQ(Rows(*report), Expected(kind)) << kind;
        EXPECT_EQ(report->rowCount, kind == "resource-expense" ? 4u : 3u) << kind;
        const auto none = QPMakeReport(*known, empty.project);
        none->GenerateReport();
        EXPECT_EQ(none->rowCount, 0u) << kind;
    }
    EXPECT_FALSE(QPReportKindFromName("Task-Summary"));
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

} // namespace
