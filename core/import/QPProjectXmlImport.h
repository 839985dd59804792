#pragma once

#include "dialogs/QPFormRefusal.h"
#include "framework/LProcessInterface.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QPProject;

// What an import of a Project XML file brought into the project.
struct QPProjectXmlImportCounts {
    // Plain tasks and milestones.
    int32_t tasks = 0;
    int32_t headers = 0;
    int32_t links = 0;
    int32_t resources = 0;
    int32_t assignments = 0;
    // Schedules added, and the default schedule when the project calendar refilled it.
    int32_t schedules = 0;
    // Exceptions of schedules and of resources.
    int32_t exceptions = 0;
};

struct QPProjectXmlImportSettings {
    // Take the file's project fields (name, start, deadline, currency) and fill the default
    // schedule from the project calendar, as for a new project made from the file.
    // Otherwise they stay as they are and the project calendar comes in as a schedule of
    // its own.
    bool takeProjectFields = true;
};

// One import of a Project XML file into a project. Like a CSV import it lives for one run:
// the caller gives the file (or its bytes), runs Process under a progress display and
// reads the counts and the notes. Every element is added with an undo record; the caller
// holds the undo group around Process, so that one Undo takes the whole import back
// (project fields other than the default schedule change as the project editor changes
// them: outside the undo history).
//
// The file is read whole before the project is touched: a file that is refused, and an
// import stopped while reading, leave the project as it was.
class QPProjectXmlImport {
public:
    explicit QPProjectXmlImport(QPProject& project, QPProjectXmlImportSettings settings = {});
    ~QPProjectXmlImport();
    QPProjectXmlImport(const QPProjectXmlImport&) = delete;
    QPProjectXmlImport& operator=(const QPProjectXmlImport&) = delete;

    // Refuses a path that does not name an existing file ("Invalid File").
    QPFormOutcome SetFilePath(std::string_view path);
    const std::string& FilePath() const { return filePath_; }
    // Imports these bytes instead of a file.
    void SetBytes(std::string bytes);

    // Why the file was refused: "line N: ..." when it is not a Project XML file, or why it
    // could not be read. Empty otherwise.
    const std::string& ErrorText() const { return errorText_; }
    const QPProjectXmlImportCounts& Counts() const { return counts_; }
    // What was not imported as the file had it, one line each: left out, changed to fit
    // the planner's rules, or approximated.
    const std::vector<std::string>& Notes() const { return notes_; }
    // "Imported: 12 tasks, 3 headers, ..." followed by the notes.
    std::vector<std::string> ResultLines() const;

private:
    friend int Process(LProcessInterface& process, QPProjectXmlImport& import);

    QPProject& project_;
    QPProjectXmlImportSettings settings_;
    std::string filePath_;
    std::string bytes_;
    bool haveBytes_ = false;
    std::string errorText_;
    QPProjectXmlImportCounts counts_;
    std::vector<std::string> notes_;
};

// Reads the file and adds its elements to the project. eProcessSucceeded when imported,
// eProcessCancelled when the user stopped it (nothing was added), eProcessFailed when the
// file could not be read or is not a Project XML file (ErrorText says why, and the
// process was told through SetError).
int Process(LProcessInterface& process, QPProjectXmlImport& import);

// Bytes in, project and summary out, without a progress display: for tests and batch work.
struct QPProjectXmlImportResult {
    int result = eProcessSucceeded;
    std::string error;
    QPProjectXmlImportCounts counts;
    std::vector<std::string> lines;
};
QPProjectXmlImportResult QPImportProjectXml(QPProject& project, std::string_view bytes,
                                            QPProjectXmlImportSettings settings = {});
