#pragma once

#include "reports/QPReportTable.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Shown instead of a report window when a report has no counted rows, titled
// kReportEmptyTitle.
inline constexpr const char* kReportEmptyMessage =
        "There is no information available for this report.";
inline constexpr const char* kReportEmptyTitle = "Reports";

// One row per task: name, start, finish and percent complete.
class QPReportTaskSummary : public QPReportBase {
public:
    explicit QPReportTaskSummary(const QPProject& project);
    void GenerateReport() override;
};

// One main row per task with its constraint and type, followed by its assigned resources
// and its predecessors as indented sub-rows.
class QPReportTaskDetail : public QPReportBase {
public:
    explicit QPReportTaskDetail(const QPProject& project);
    void GenerateReport() override;
};

// One row per task with its completed, to-date and total scheduled cost, and a total row.
class QPReportTaskExpense : public QPReportBase {
public:
    explicit QPReportTaskExpense(const QPProject& project);
    void GenerateReport() override;
};

// One row per resource with its rates, its regular and overtime hours and costs, and a
// total row.
class QPReportResourceExpense : public QPReportBase {
public:
    explicit QPReportResourceExpense(const QPProject& project);
    void GenerateReport() override;
};

// The four reports of the Reports menu, in menu order.
enum class eReportKind {
    taskSummary,
    taskDetail,
    taskExpense,
    resourceExpense,
};

// The report of one kind on `project`, not yet generated.
std::unique_ptr<QPReportBase> QPMakeReport(eReportKind kind, const QPProject& project);

// The command-line names: "task-summary", "task-detail", "task-expense",
// "resource-expense".
const char* QPReportKindName(eReportKind kind);
std::optional<eReportKind> QPReportKindFromName(std::string_view name);
// The Reports menu's item for the kind ("Resource Expense Report" opens the report
// titled "Scheduled Resource Expense Report").
const char* QPReportMenuText(eReportKind kind);

// The report window's list: one line per row that has cells, each line the texts of its
// columns, the first one behind the row's indentation and the last one followed by its
// trailing space.
std::vector<std::vector<std::string>> QPReportListLines(const QPReportTable& table);
