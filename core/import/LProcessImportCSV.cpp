#include "import/LProcessImportCSV.h"

#include "fileformat/LSettings.h"
#include "framework/LFixedText.h"
#include "framework/LScan.h"
#include "import/LCSVReader.h"

#include <cstdio>
#include <limits>
#include <sys/stat.h>

namespace {

bool IsExistingFile(const std::string& path)
{
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

LProcessImportCSV::LProcessImportCSV(std::string settingsKey, std::vector<LCSVField> fields)
    : settingsKey_(std::move(settingsKey)), fields_(std::move(fields))
{}

LProcessImportCSV::~LProcessImportCSV() = default;

// ---------------------------------------------------------------------------------------
// Choosing the file

std::string LProcessImportCSV::StoredFilePath(const LSettingsStore& store) const
{
    return store.Read(LSettingsFullName("Settings", settingsKey_)).value_or(std::string());
}

QPFormOutcome LProcessImportCSV::SetFilePath(std::string_view path)
{
    const std::string candidate(path);
    if (!IsExistingFile(candidate))
        return QPFormRefusal{0, "Invalid File",
                             "The file could not be found. Please select a different file."};
    filePath_ = candidate;
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------
// Matching fields to columns

std::vector<std::string> LProcessImportCSV::ReadHeaderCells() const
{
    LCSVFileReader reader;
    std::string line;
    if (!reader.Open(filePath_) || !reader.ReadLine(line))
        return {};
    std::vector<std::string> cells = LCSVSplitLine(line);
    for (std::string& cell : cells)
        cell = LCutUtf8(cell, kImportCSVTextMax);
    return cells;
}

void LProcessImportCSV::LoadStoredMapping(LSettingsStore& store, std::size_t columnCount)
{
    const LSharedSettingsRecord record(store, settingsKey_);
    const int count = record.GetInt("Count", 0);
    fieldToColumn_.clear();
    for (int field = 0; field < count && field < int(fields_.size()); ++field) {
        const int column = record.GetInt(std::to_string(field), -1);
        if (column >= 0 && std::size_t(column) < columnCount)
            fieldToColumn_[field] = column;
    }
    RebuildColumnMap();
}

void LProcessImportCSV::AssignField(int fieldIndex, std::string_view headerText,
                                    const std::vector<std::string>& headers)
{
    fieldToColumn_.erase(fieldIndex);
    if (!headerText.empty() && headerText != kImportCSVUnassigned) {
        for (std::size_t column = 0; column < headers.size(); ++column) {
            if (headers[column] == headerText) {
                fieldToColumn_[fieldIndex] = int(column);
                break;
            }
        }
    }
    RebuildColumnMap();
}

void LProcessImportCSV::RebuildColumnMap()
{
    // While two fields share a column (the wizard refuses to import like that) the column
    // feeds the earlier one.
    columnToField_.clear();
    for (const auto& [field, column] : fieldToColumn_)
        columnToField_.emplace(column, field);
}

int LProcessImportCSV::ColumnOfField(int fieldIndex) const
{
    const auto found = fieldToColumn_.find(fieldIndex);
    return found == fieldToColumn_.end() ? -1 : found->second;
}

int LProcessImportCSV::FieldOfColumn(int column) const
{
    const auto found = columnToField_.find(column);
    return found == columnToField_.end() ? -1 : found->second;
}

QPFormOutcome LProcessImportCSV::CheckAssignments() const
{
    const int count = int(fields_.size());
    for (int field = 0; field < count; ++field)
        if (fields_[field].required && ColumnOfField(field) < 0)
            return QPFormRefusal{field, "Required Field Unassigned",
                                 "Field \"" + fields_[field].name +
                                         "\" must be assigned a header."};
    for (int first = 0; first < count; ++first) {
        const int column = ColumnOfField(first);
        if (column < 0)
            continue;
        for (int second = first + 1; second < count; ++second)
            if (ColumnOfField(second) == column)
                return QPFormRefusal{second, "Duplicate Assignment.",
                                     "Fields \"" + fields_[first].name + "\" and \"" +
                                             fields_[second].name +
                                             "\" have been assigned the same input. Please "
                                             "change one of these selections."};
    }
    if (fieldToColumn_.empty())
        return QPFormRefusal{0, "No CSV Field Entries",
                             "No selection has been made. Please assign at least one file "
                             "header to an input field."};
    return std::nullopt;
}

void LProcessImportCSV::StoreMapping(LSettingsStore& store) const
{
    LSharedSettingsRecord record(store, settingsKey_);
    record.DeleteRecord();
    record.SetInt("Count", int(fields_.size()));
    for (int field = 0; field < int(fields_.size()); ++field)
        record.SetInt(std::to_string(field), ColumnOfField(field));
}

QPFormOutcome LProcessImportCSV::SetStartRowText(std::string_view text)
{
    int row = 0;
    if (LScanInts(text, "%d", {&row}) != 1 || row <= 0)
        return QPFormRefusal{0, "Invalid Start Row",
                             "Please enter a positive number for the starting row."};
    startRow_ = row;
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------
// Results

std::vector<std::string> LProcessImportCSV::ResultLines() const
{
    std::vector<std::string> lines;
    lines.reserve(errorLog_.size() + 2);
    lines.push_back(std::to_string(successfulImports_) + " successful imports");
    lines.push_back(std::to_string(failedImports_) + " failed imports");
    lines.insert(lines.end(), errorLog_.begin(), errorLog_.end());
    return lines;
}

void LProcessImportCSV::SetErrorText(std::string_view text)
{
    errorText_ = LCutUtf8(text, kImportCSVTextMax);
}

void LProcessImportCSV::Log(int row, std::string_view text)
{
    if (!logEnabled)
        return;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "Row #%04d: ", row);
    errorLog_.push_back(LCutUtf8(std::string(prefix).append(text), kImportCSVTextMax));
}

// ---------------------------------------------------------------------------------------
// The row loop

int LProcessImportCSV::CheckForErrorAndCancel(LProcessInterface& process, int row, int result)
{
    constexpr std::string_view kCancelled = "User cancelled import process";
    if (result == eImportCSVCancel) {
        Log(row, kCancelled);
        OnCSVRowCancel(process);
        return eImportCSVCancel;
    }
    if (result == eImportCSVRowFailed) {
        ++failedImports_;
        Log(row, errorText_);
        const int code = OnCSVRowCancel(process);
        if (code == eImportCSVCancel)
            Log(row, kCancelled);
        else if (code == eImportCSVRowFailed)
            Log(row, errorText_);
        return code;
    }
    return eImportCSVContinue;
}

namespace {

int CountLines(const std::string& path)
{
    LCSVFileReader reader;
    if (!reader.Open(path))
        return 0;
    int count = 0;
    std::string line;
    while (reader.ReadLine(line) && count < std::numeric_limits<int>::max())
        ++count;
    return count;
}

} // namespace

int Process(LProcessInterface& process, LProcessImportCSV& import)
{
    process.SetStatus("Importing data from CSV...", 0);
    const int total = CountLines(import.filePath_);
    const int64_t rows = int64_t(total) - import.startRow_ + 1;
    if (rows < 1)
        return eImportCSVContinue;

    LCSVFileReader reader;
    if (!reader.Open(import.filePath_))
        return eImportCSVContinue;

    int row = 1;
    int64_t done = 0;
    std::string line;
    std::string cell;
    for (; reader.ReadLine(line); ++row) {
        if (row < import.startRow_)
            continue;
        if (process.IsToStop())
            return eImportCSVCancel;
        process.SetProgress(double(++done) / double(rows));
        process.SetStatusF(0, "Reading row %d of %d.", row, int(rows));

        int result = import.OnCSVRowStart(process);
        int code = import.CheckForErrorAndCancel(process, row, result);
        if (code != eImportCSVContinue)
            return code;
        if (result == eImportCSVRowFailed)
            continue;

        bool failed = false;
        LCommaSeparatedListIterator cells(line);
        for (int column = 0; cells.Next(cell); ++column) {
            const int field = import.FieldOfColumn(column);
            if (field < 0 || (!import.fields_[field].required && cell.empty()))
                continue;
            result = import.CellDataImport(process, field, LCutUtf8(cell, kImportCSVTextMax));
            code = import.CheckForErrorAndCancel(process, row, result);
            if (code != eImportCSVContinue)
                return code;
            if (result == eImportCSVRowFailed) {
                failed = true;
                break;
            }
        }
        if (failed)
            continue;

        result = import.OnCSVRowFinish(process);
        code = import.CheckForErrorAndCancel(process, row, result);
        if (code != eImportCSVContinue)
            return code;
        if (result != eImportCSVRowFailed)
            import.CountSuccess();
    }
    process.SetStatus("Import Complete", 0);
    return eImportCSVContinue;
}
