#include "reports/QPReportTable.h"

#include "framework/LFiles.h"
#include "model/QPProject.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// A cell as a CSV field: commas would split the field for readers that ignore the
// quotes, so they become spaces, and the padding some cells carry is dropped.
std::string CSVCellText(std::string_view text)
{
    std::string cell(text.substr(0, text.find('\0')));
    std::replace(cell.begin(), cell.end(), ',', ' ');
    while (!cell.empty() && std::isspace(static_cast<unsigned char>(cell.back())))
        cell.pop_back();
    return cell;
}

void AppendCSVField(std::string& out, std::string_view cell)
{
    out += '"';
    for (const char c : CSVCellText(cell)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"')
            out += "\"\"";
        else if (byte >= 1 && byte <= 32)
            out += ' ';
        else
            out += c;
    }
    out += '"';
}

} // namespace

std::string QPReportTable::CSVText() const
{
    std::string out;
    for (std::size_t column = 0; column < columns_.size(); ++column) {
        if (column > 0)
            out += ',';
        AppendCSVField(out, columns_[column].title ? columns_[column].title : "");
    }
    out += "\r\n";
    for (const QPReportTableRow& row : rows_) {
        for (std::size_t cell = 0; cell < row.cells.size(); ++cell) {
            if (cell > 0)
                out += ',';
            AppendCSVField(out, row.cells[cell].text);
        }
        out += "\r\n";
    }
    return out;
}

bool QPReportTable::SaveToCSV(const std::string& path) const
{
    const std::string target = LResolvedPath(path);
    struct stat targetInfo {};
    const bool replacing = stat(target.c_str(), &targetInfo) == 0;
    if (replacing && !S_ISREG(targetInfo.st_mode))
        return false;
    // A full disk or a vanished folder leaves an earlier report as it was.
    return LReplaceFile(target, replacing ? static_cast<int>(targetInfo.st_mode & 07777) : -1,
                        [this](int fd) { return LWriteAll(fd, CSVText()); });
}
