#pragma once

#include "import/LProcessImportCSV.h"

#include <memory>
#include <string>
#include <unordered_set>

class QPProject;
class QPResource;
class QPSchedule;
class QPTask;

// The three kinds of element a CSV file can bring into a project.
enum class eImportCSVKind { task, resource, schedule };

// What tells the kinds apart around the wizard.
struct QPImportCSVKindInfo {
    const char* settingsKey;    // the stored mapping and file path: "TaskImportCSV", ...
    const char* fieldListTitle; // heads the match page's field column
    const char* wizardTitle;    // "Import Tasks", ...
};
const QPImportCSVKindInfo& QPImportCSVKind(eImportCSVKind kind);

// The field lists, in field index order.
const std::vector<LCSVField>& QPImportCSVTaskFields();
const std::vector<LCSVField>& QPImportCSVResourceFields();
const std::vector<LCSVField>& QPImportCSVScheduleFields();

// Shared by the three imports: the project, and the names already taken in it (those of
// the project when the import started and those it added since), so that a repeated name
// is refused without searching the whole list for every row.
template <class Element>
class QPProcessImportCSVElement : public LProcessImportCSV {
public:
    int OnCSVRowStart(LProcessInterface& process) override;
    int OnCSVRowCancel(LProcessInterface& process) override;

protected:
    QPProcessImportCSVElement(QPProject& project, std::string settingsKey,
                              std::vector<LCSVField> fields);
    ~QPProcessImportCSVElement() override;

    // The name cell: refuses an empty name (`emptyMessage`) and a name in use
    // (`takenFormat`, with %s for the name).
    int ImportName(std::string_view text, const char* emptyMessage, const char* takenFormat);
    // Adds the finished element to the project with an undo record.
    void AddToProject();

    QPProject& project_;
    std::unique_ptr<Element> element_;

private:
    std::unordered_set<std::string> takenNames_;
    bool namesCollected_ = false;
};

// Tasks: name, duration (hours; 0, less or not a number makes a milestone), start and end
// date ("YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD"), percent complete.
class QPProcessImportCSVTask final : public QPProcessImportCSVElement<QPTask> {
public:
    explicit QPProcessImportCSVTask(QPProject& project);
    int CellDataImport(LProcessInterface& process, int fieldIndex, std::string_view text) override;
    int OnCSVRowFinish(LProcessInterface& process) override;
};

// Resources: name, regular and overtime rate in the project's currency format.
class QPProcessImportCSVResource final : public QPProcessImportCSVElement<QPResource> {
public:
    explicit QPProcessImportCSVResource(QPProject& project);
    int CellDataImport(LProcessInterface& process, int fieldIndex, std::string_view text) override;
    int OnCSVRowFinish(LProcessInterface& process) override;
};

// Schedules: name, then a shift start ("HH:MM:SS") and a shift length in minutes for each
// day from Sunday to Saturday.
class QPProcessImportCSVSchedule final : public QPProcessImportCSVElement<QPSchedule> {
public:
    explicit QPProcessImportCSVSchedule(QPProject& project);
    int CellDataImport(LProcessInterface& process, int fieldIndex, std::string_view text) override;
    int OnCSVRowFinish(LProcessInterface& process) override;
};

// The import of `kind` into `project`.
std::unique_ptr<LProcessImportCSV> QPMakeImportCSV(eImportCSVKind kind, QPProject& project);
