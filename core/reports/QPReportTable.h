#pragma once

#include "framework/LFixedText.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class QPProject;
class QPProjectOptions;

// How a report column's texts stand in it.
enum eReportAlignment : int32_t {
    eReportAlignLeft = 1,
    eReportAlignCentre = 2,
    eReportAlignRight = 4,
};

// One column of a report: its heading, its relative width (a weight), its alignment, and
// whether it takes a share of the page width that the natural widths leave over.
struct LVColDynamicGlobal {
    const char* title;
    int32_t width;
    int32_t alignment;
    bool stretch;
};

// A cell flag: a line is drawn just above the cell, unless its row is the first on a page.
inline constexpr int32_t kReportCellRuleAbove = 8;
// Row types: an ordinary row, and a total row, printed in bold.
inline constexpr int32_t kReportRowOrdinary = 0;
inline constexpr int32_t kReportRowTotal = 9;
// What one step of a row's indentation or trailing space puts in front of or after a text.
inline constexpr const char* kReportIndentStep = "   ";

struct QPReportTableCell {
    std::string text;
    int32_t flags = 0;
};

struct QPReportTableRow {
    int32_t type = kReportRowOrdinary;
    // Steps of three spaces in front of the first cell's text and after the last one's.
    int32_t indent = 0;
    int32_t trailing = 0;
    bool ruleBelow = false;
    // In column order; a row may have fewer cells than the table has columns.
    std::vector<QPReportTableCell> cells;

    // Sets the flags of one cell; a column beyond the row's cells is ignored.
    void SetCellFlags(std::size_t column, int32_t flags);
};

// A report as a table of finished texts: fixed columns and rows of formatted cells. The
// same table is listed in the report window, printed, written to PDF and saved as CSV.
class QPReportTable {
public:
    QPReportTable(const QPProjectOptions& options, std::span<const LVColDynamicGlobal> columns);

    // Appends a row with the given cell texts.
    QPReportTableRow& AddRow(int32_t type, int32_t indent, int32_t trailing, bool ruleBelow,
                             std::vector<std::string> texts);

    std::size_t GetColumnCount() const { return columns_.size(); }
    std::span<const LVColDynamicGlobal> Columns() const { return columns_; }
    const std::vector<QPReportTableRow>& Rows() const { return rows_; }
    const QPProjectOptions& Options() const { return options_; }

    // The table as CSV: the column titles, then one line per row with that row's cells.
    std::string CSVText() const;
    // Writes CSVText() to `path` beside the target first, so a failure leaves an earlier
    // file as it was. False when it could not be written.
    bool SaveToCSV(const std::string& path) const;

    // Draw the column headings and the cell frame when printing.
    bool grid = true;
    // Drawn in the top margin, and in front of "page N" at the foot; empty in all reports.
    LFixedText headerText;
    LFixedText footerLabel;

private:
    const QPProjectOptions& options_;
    std::span<const LVColDynamicGlobal> columns_;
    std::vector<QPReportTableRow> rows_;
};

// One report: a table generated once from the project, with its title. The report window
// shows that snapshot; later edits of the project do not reach it.
class QPReportBase {
public:
    QPReportBase(const QPProject& project, std::span<const LVColDynamicGlobal> columns,
                 std::string_view reportTitle);
    virtual ~QPReportBase() = default;

    // Fills the table and counts its rows.
    virtual void GenerateReport() = 0;

    const QPProject& project;
    QPReportTable table;
    // The rows that count; 0 means the report is empty.
    uint32_t rowCount = 0;
    LFixedText title;
    LFixedText subtitle;
};
