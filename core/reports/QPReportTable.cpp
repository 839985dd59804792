#include "reports/QPReportTable.h"

#include "model/QPProject.h"

void QPReportTableRow::SetCellFlags(std::size_t column, int32_t flags)
{
    if (column < cells.size())
        cells[column].flags = flags;
}

QPReportTable::QPReportTable(const QPProjectOptions& options,
                             std::span<const LVColDynamicGlobal> columns)
    : options_(options), columns_(columns)
{}

QPReportTableRow& QPReportTable::AddRow(int32_t type, int32_t indent, int32_t trailing,
                                        bool ruleBelow, std::vector<std::string> texts)
{
    QPReportTableRow& row = rows_.emplace_back();
    row.type = type;
    row.indent = indent;
    row.trailing = trailing;
    row.ruleBelow = ruleBelow;
    row.cells.reserve(texts.size());
    for (std::string& text : texts)
        row.cells.push_back({std::move(text), 0});
    return row;
}

QPReportBase::QPReportBase(const QPProject& reported, std::span<const LVColDynamicGlobal> columns,
                           std::string_view reportTitle)
    : project(reported), table(reported.options, columns), title(reportTitle)
{}
