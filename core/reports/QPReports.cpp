#include "reports/QPReports.h"

#include "model/LLocaleFormat.h"
#include "model/QPProject.h"
#include "model/QPTask.h"

#include <cmath>

namespace {

constexpr LVColDynamicGlobal kTaskSummaryColumns[] = {
        {"Name", 12, eReportAlignLeft, true},
        {"Start", 10, eReportAlignRight, false},
        {"Finish", 10, eReportAlignRight, false},
        {"% Complete", 12, eReportAlignRight, false},
};

constexpr LVColDynamicGlobal kTaskDetailColumns[] = {
        {"Name", 10, eReportAlignLeft, true},       {"Start", 6, eReportAlignRight, true},
        {"Finish", 6, eReportAlignRight, true},     {"% Complete", 6, eReportAlignRight, true},
        {"Constraint", 6, eReportAlignRight, true}, {"Type", 6, eReportAlignRight, true},
};

constexpr LVColDynamicGlobal kTaskExpenseColumns[] = {
        {"Name", 8, eReportAlignLeft, true},
        {"% Completed Cost", 5, eReportAlignRight, true},
        {"Scheduled Cost To-Date", 5, eReportAlignRight, true},
        {"Total Scheduled Cost", 5, eReportAlignRight, true},
};

constexpr LVColDynamicGlobal kResourceExpenseColumns[] = {
        {"Name", 5, eReportAlignLeft, true},
        {"Hourly Rate", 4, eReportAlignRight, true},
        {"Overtime Rate", 5, eReportAlignRight, true},
        {"Regular Hours", 4, eReportAlignRight, true},
        {"Overtime Hours", 5, eReportAlignRight, true},
        {"Regular Cost", 4, eReportAlignRight, true},
        {"Overtime Cost", 5, eReportAlignRight, true},
        {"Total Scheduled Cost", 6, eReportAlignRight, true},
};

// Sub-rows of the task detail report: their headings one step in, their entries further.
constexpr int32_t kDetailHeadingIndent = 2;
constexpr int32_t kDetailEntryIndent = 5;

std::string PercentText(int32_t percent)
{
    return std::to_string(percent) + "%";
}

// The part of `cost` that `percent` of the work has used, truncated toward zero like the
// whole-number division it stands for, without forming cost × percent (which could leave
// 64 bits for the largest amounts).
int64_t CompletedCost(int64_t cost, int32_t percent)
{
    return (cost / 100) * percent + (cost % 100) * percent / 100;
}

// Hours paid at `rate` for `cost`. Costs are worked out from hours and the same rate, so
// without a rate there is no way back to the hours: such a cost (one left from before the
// rate was cleared) shows 0 hours rather than a division by zero.
double HoursAtRate(int64_t cost, int64_t rate)
{
    if (cost == 0 || rate == 0)
        return 0.0;
    return static_cast<double>(cost) / static_cast<double>(rate);
}

} // namespace

QPReportTaskSummary::QPReportTaskSummary(const QPProject& project)
    : QPReportBase(project, kTaskSummaryColumns, "Task Summary Report")
{}

void QPReportTaskSummary::GenerateReport()
{
    const QPProjectOptions& options = project.options;
    for (const QPTask& task : project.tasks) {
        table.AddRow(kReportRowOrdinary, 0, 0, false,
                     {task.name.str(), options.FormatDate(task.start),
                      options.FormatDate(task.finish), PercentText(task.percentComplete)});
        ++rowCount;
    }
}

QPReportTaskDetail::QPReportTaskDetail(const QPProject& project)
    : QPReportBase(project, kTaskDetailColumns, "Task Detail Report")
{}

void QPReportTaskDetail::GenerateReport()
{
    const QPProjectOptions& options = project.options;
    bool previousHadSubRows = false;
    for (const QPTask& task : project.tasks) {
        const bool hasSubRows = !task.resourceAssignments.empty() || !task.dependencies.empty();
        QPReportTableRow& main = table.AddRow(
                kReportRowOrdinary, 0, 0, false,
                {task.name.str(), options.FormatDate(task.start), options.FormatDate(task.finish),
                 PercentText(task.percentComplete),
                 QPTaskConstraintReportText(task.constraintType, task.constraintDate, options),
                 QPTaskTypeReportText(task.taskType)});
        // A task with sub-rows is set off by a rule above it and above the task after it.
        if (hasSubRows || previousHadSubRows)
            for (std::size_t column = 0; column < main.cells.size(); ++column)
                main.SetCellFlags(column, kReportCellRuleAbove);
        ++rowCount;

        if (!task.resourceAssignments.empty()) {
            table.AddRow(kReportRowOrdinary, kDetailHeadingIndent, 0, false,
                         {"Assigned Resources"});
            for (const QPResourceAssignment& assignment : task.resourceAssignments) {
                const QPResource* resource =
                        project.resources.GetElementByKey(assignment.resourceKey);
                if (!resource)
                    continue;
                const QPSchedule* schedule =
                        project.schedules.GetElementByKey(resource->scheduleKey);
                table.AddRow(kReportRowOrdinary, kDetailEntryIndent, 0, false,
                             {resource->name.str(), PercentText(assignment.percent) + " Committed",
                              schedule ? schedule->name.str() : std::string("Default Schedule")});
            }
        }
        if (!task.dependencies.empty()) {
            table.AddRow(kReportRowOrdinary, kDetailHeadingIndent, 0, false, {"Dependencies"});
            for (const QPTaskDependency& dependency : task.dependencies) {
                const QPTask* predecessor =
                        project.tasks.GetElementByKey(dependency.predecessorKey);
                if (!predecessor)
                    continue;
                const char* type = QPTaskDependencyTypeName(dependency.type);
                table.AddRow(kReportRowOrdinary, kDetailEntryIndent, 0, false,
                             {predecessor->name.str(),
                              *type ? type : QPTaskDependencyTypeName(eFinishToStart),
                              LLocaleFormatFloatToText(options, dependency.lag) + " Days Lag"});
            }
        }
        previousHadSubRows = hasSubRows;
    }
}

QPReportTaskExpense::QPReportTaskExpense(const QPProject& project)
    : QPReportBase(project, kTaskExpenseColumns, "Task Expense Report")
{}

void QPReportTaskExpense::GenerateReport()
{
    const QPProjectOptions& options = project.options;
    int64_t totalCompleted = 0;
    int64_t totalToDate = 0;
    int64_t totalScheduled = 0;
    for (const QPTask& task : project.tasks) {
        const int64_t completed = CompletedCost(task.scheduledCost, task.percentComplete);
        table.AddRow(kReportRowOrdinary, 0, 0, false,
                     {task.name.str(), LLocaleFormatCurrencyToText(options, completed),
                      LLocaleFormatCurrencyToText(options, task.scheduledCostToDate),
                      LLocaleFormatCurrencyToText(options, task.scheduledCost)});
        totalCompleted += completed;
        totalToDate += task.scheduledCostToDate;
        totalScheduled += task.scheduledCost;
        ++rowCount;
    }
    QPReportTableRow& total =
            table.AddRow(kReportRowTotal, 0, 0, false,
                         {"Total", LLocaleFormatCurrencyToText(options, totalCompleted),
                          LLocaleFormatCurrencyToText(options, totalToDate),
                          LLocaleFormatCurrencyToText(options, totalScheduled)});
    for (std::size_t column = 0; column < total.cells.size(); ++column)
        total.SetCellFlags(column, kReportCellRuleAbove);
}

QPReportResourceExpense::QPReportResourceExpense(const QPProject& project)
    : QPReportBase(project, kResourceExpenseColumns, "Scheduled Resource Expense Report")
{}

void QPReportResourceExpense::GenerateReport()
{
    const QPProjectOptions& options = project.options;
    // The hour totals add the figures as shown, so that the total row is the sum of the
    // column a reader sees; rounding to the shown decimals keeps a sum such as
    // 0.33 + 0.67 whole, as the figures it adds are.
    const double shownUnit = std::pow(10.0, options.numberDigits);
    auto addShown = [&](double& total, const std::string& shown) {
        total = std::round((total + LLocaleFormatTextToFloat(options, shown)) * shownUnit) /
                shownUnit;
    };
    double totalRegularHours = 0.0;
    double totalOvertimeHours = 0.0;
    int64_t totalRegularCost = 0;
    int64_t totalOvertimeCost = 0;
    int64_t totalCost = 0;
    for (const QPResource& resource : project.resources) {
        const std::string regularHours = LLocaleFormatFloatToText(
                options, HoursAtRate(resource.regularCost, resource.hourlyRate));
        const std::string overtimeHours = LLocaleFormatFloatToText(
                options, HoursAtRate(resource.overtimeCost, resource.overtimeRate));
        const int64_t cost = resource.regularCost + resource.overtimeCost;
        table.AddRow(kReportRowOrdinary, 0, 0, false,
                     {resource.name.str(),
                      LLocaleFormatCurrencyToText(options, resource.hourlyRate),
                      LLocaleFormatCurrencyToText(options, resource.overtimeRate), regularHours,
                      overtimeHours, LLocaleFormatCurrencyToText(options, resource.regularCost),
                      LLocaleFormatCurrencyToText(options, resource.overtimeCost),
                      LLocaleFormatCurrencyToText(options, cost)});
        addShown(totalRegularHours, regularHours);
        addShown(totalOvertimeHours, overtimeHours);
        totalRegularCost += resource.regularCost;
        totalOvertimeCost += resource.overtimeCost;
        totalCost += cost;
        ++rowCount;
    }
    QPReportTableRow& total =
            table.AddRow(kReportRowTotal, 0, 0, false,
                         {"Total", " ", " ", LLocaleFormatFloatToText(options, totalRegularHours),
                          LLocaleFormatFloatToText(options, totalOvertimeHours),
                          LLocaleFormatCurrencyToText(options, totalRegularCost),
                          LLocaleFormatCurrencyToText(options, totalOvertimeCost),
                          LLocaleFormatCurrencyToText(options, totalCost)});
    // The rates have no total, so their cells carry no rule.
    for (std::size_t column : {0, 3, 4, 5, 6, 7})
        total.SetCellFlags(column, kReportCellRuleAbove);
}

std::unique_ptr<QPReportBase> QPMakeReport(eReportKind kind, const QPProject& project)
{
    switch (kind) {
    case eReportKind::taskSummary:
        return std::make_unique<QPReportTaskSummary>(project);
    case eReportKind::taskDetail:
        return std::make_unique<QPReportTaskDetail>(project);
    case eReportKind::taskExpense:
        return std::make_unique<QPReportTaskExpense>(project);
    case eReportKind::resourceExpense:
        return std::make_unique<QPReportResourceExpense>(project);
    }
    return nullptr;
}

namespace {

struct ReportKindTexts {
    eReportKind kind;
    const char* name;
    const char* menuText;
};

constexpr ReportKindTexts kReportKinds[] = {
        {eReportKind::taskSummary, "task-summary", "Task Summary Report"},
        {eReportKind::taskDetail, "task-detail", "Task Detail Report"},
        {eReportKind::taskExpense, "task-expense", "Task Expense Report"},
        {eReportKind::resourceExpense, "resource-expense", "Resource Expense Report"},
};

} // namespace

const char* QPReportKindName(eReportKind kind)
{
    for (const ReportKindTexts& texts : kReportKinds)
        if (texts.kind == kind)
            return texts.name;
    return "";
}

std::optional<eReportKind> QPReportKindFromName(std::string_view name)
{
    for (const ReportKindTexts& texts : kReportKinds)
        if (name == texts.name)
            return texts.kind;
    return std::nullopt;
}

const char* QPReportMenuText(eReportKind kind)
{
    for (const ReportKindTexts& texts : kReportKinds)
        if (texts.kind == kind)
            return texts.menuText;
    return "";
}

std::vector<std::vector<std::string>> QPReportListLines(const QPReportTable& table)
{
    auto steps = [](int32_t count) {
        std::string text;
        for (int32_t step = 0; step < count; ++step)
            text += kReportIndentStep;
        return text;
    };
    std::vector<std::vector<std::string>> lines;
    for (const QPReportTableRow& row : table.Rows()) {
        if (row.cells.empty())
            continue;
        std::vector<std::string>& line = lines.emplace_back();
        for (const QPReportTableCell& cell : row.cells)
            line.push_back(cell.text);
        line.front() = steps(row.indent) + line.front();
        line.back() += steps(row.trailing);
    }
    return lines;
}
