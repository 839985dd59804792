#pragma once

#include "dialogs/QPFormRefusal.h"
#include "framework/LProcessInterface.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class LSettingsStore;

// One field that an import can fill. A required field's name begins with "(required) ".
struct LCSVField {
    std::string name;
    bool required = false;
};

// What an element import tells the row loop after each step.
enum eImportCSVResult : int {
    eImportCSVContinue = 0,
    // Stop the whole import.
    eImportCSVCancel = 1,
    // This row failed; the error text says why.
    eImportCSVRowFailed = 2,
};

// The most characters of a log line and of a header cell.
inline constexpr std::size_t kImportCSVTextMax = 259;

// The text shown in the match page's assignment cell of a field without a column.
inline constexpr const char* kImportCSVUnassigned = "Click to assign";

// One CSV import: the file, which column feeds which field, the first data row, and after
// the run the counts and the log. The row loop (Process below) reads the file and hands
// each matched cell to the element import, a subclass that knows what the fields mean.
// The object lives for one import: the wizard fills it in, the loop runs once, the caller
// reads the counts.
class LProcessImportCSV {
public:
    LProcessImportCSV(std::string settingsKey, std::vector<LCSVField> fields);
    virtual ~LProcessImportCSV();
    LProcessImportCSV(const LProcessImportCSV&) = delete;
    LProcessImportCSV& operator=(const LProcessImportCSV&) = delete;

    // --- the element import's part; each returns an eImportCSVResult
    // One matched cell of the current row, already cut to 259 bytes by the caller's rules.
    virtual int CellDataImport(LProcessInterface& process, int fieldIndex,
                               std::string_view text) = 0;
    virtual int OnCSVRowStart(LProcessInterface& process) = 0;
    virtual int OnCSVRowFinish(LProcessInterface& process) = 0;
    virtual int OnCSVRowCancel(LProcessInterface& process) = 0;

    // Logs and counts a failed or cancelled row and lets the element import throw away
    // what it built; returns the code the loop goes on with (0 continue, 1 stop).
    int CheckForErrorAndCancel(LProcessInterface& process, int row, int result);

    // --- choosing the file (the wizard's first page)
    const std::string& SettingsKey() const { return settingsKey_; }
    const std::vector<LCSVField>& Fields() const { return fields_; }
    // The path stored under "Settings/<settings key>", or empty. Only read, never written.
    std::string StoredFilePath(const LSettingsStore& store) const;
    // Refuses a path that does not name an existing file ("Invalid File").
    QPFormOutcome SetFilePath(std::string_view path);
    const std::string& FilePath() const { return filePath_; }

    // --- matching fields to columns (the second page)
    // The cells of the file's first non-empty line, each cut to 259 bytes; empty when the
    // file cannot be read or has no such line.
    std::vector<std::string> ReadHeaderCells() const;
    // Loads the mapping stored under the settings key, leaving out columns that are not
    // below `columnCount`.
    void LoadStoredMapping(LSettingsStore& store, std::size_t columnCount);
    // Assigns the first of `headers` whose text is exactly `headerText` to the field,
    // after taking away the field's old column. "Click to assign", an empty text or a text
    // that is no header leaves the field without a column.
    void AssignField(int fieldIndex, std::string_view headerText,
                     const std::vector<std::string>& headers);
    // The column of a field, -1 for none.
    int ColumnOfField(int fieldIndex) const;
    // The field fed by a column, -1 for none.
    int FieldOfColumn(int column) const;
    // The checks before importing, in order: required fields, duplicate columns, at least
    // one assignment. Nothing when the mapping may be used.
    QPFormOutcome CheckAssignments() const;
    // Replaces the stored mapping with the current one.
    void StoreMapping(LSettingsStore& store) const;
    // Reads the start row text; refuses anything that is not a positive whole number.
    QPFormOutcome SetStartRowText(std::string_view text);
    int32_t StartRow() const { return startRow_; }
    void SetStartRow(int32_t row) { startRow_ = row; }

    // --- the results (the third page)
    int32_t SuccessfulImports() const { return successfulImports_; }
    int32_t FailedImports() const { return failedImports_; }
    const std::vector<std::string>& ErrorLog() const { return errorLog_; }
    // "%d successful imports", "%d failed imports", then the log lines in order.
    std::vector<std::string> ResultLines() const;

    // The element import's reason for refusing a cell or row, cut to 259 bytes.
    void SetErrorText(std::string_view text);
    const std::string& ErrorText() const { return errorText_; }

    bool logEnabled = true;

private:
    friend int Process(LProcessInterface& process, LProcessImportCSV& import);
    void Log(int row, std::string_view text);
    void RebuildColumnMap();
    void CountSuccess() { ++successfulImports_; }

    std::string settingsKey_;
    std::vector<LCSVField> fields_;
    std::string filePath_;
    std::string errorText_;
    std::vector<std::string> errorLog_;
    int32_t startRow_ = 2;
    int32_t successfulImports_ = 0;
    int32_t failedImports_ = 0;
    std::map<int, int> fieldToColumn_;
    std::map<int, int> columnToField_;
};

// The row loop: reads every data row of the import's file (from the start row on, empty
// lines not counted), feeds the matched cells to the element import and counts what
// succeeded and failed. Returns 1 when the user cancelled (rows finished before stay),
// otherwise 0, also when the file holds no data rows or cannot be read.
int Process(LProcessInterface& process, LProcessImportCSV& import);
