// Feeds arbitrary bytes to the Project XML import: the XML reader token by token, then the
// whole import into a fresh project. Whatever the bytes, nothing may crash or hang; a
// refused file must leave the project as it was; an imported one must hold only what the
// task editor accepts: unique names, one level of headers, and links within a group or
// between top-level tasks, none binding a header's finish.

#include "import/LXmlReader.h"
#include "import/QPProjectXmlImport.h"
#include "model/QPProject.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

void CheckPlan(const QPProject& project)
{
    std::set<std::string> names;
    for (const QPTask& task : project.tasks) {
        Check(!task.name.empty() && names.insert(task.name.str()).second);
        Check(task.percentComplete >= 0 && task.percentComplete <= 100);
        std::set<int64_t> predecessors;
        for (const QPTaskDependency& link : task.dependencies) {
            const QPTask* predecessor = project.tasks.GetElementByKey(link.predecessorKey);
            Check(predecessor && predecessor != &task && link.lag >= 0.0f);
            Check(predecessors.insert(link.predecessorKey).second);
            Check(predecessor->headerKey == task.headerKey);
            Check(!task.isHeader || link.type == eFinishToStart || link.type == eStartToStart);
        }
        for (const int64_t key : task.subtaskKeys) {
            const QPTask* subtask = project.tasks.GetElementByKey(key);
            Check(task.isHeader && subtask && !subtask->isHeader && subtask->headerKey == task.key);
        }
        for (const QPResourceAssignment& assignment : task.resourceAssignments)
            Check(!task.isHeader && project.resources.GetElementByKey(assignment.resourceKey) &&
                  assignment.percent >= 0 && assignment.percent <= 100);
    }
    for (const QPSchedule& schedule : project.schedules) {
        int64_t week = 0;
        for (const int32_t shift : schedule.shiftDuration) {
            Check(shift >= 0 && shift <= 86400);
            week += shift;
        }
        Check(week > 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    LXmlReader reader(bytes);
    int depth = 0;
    for (eXmlToken token = reader.Next(); token != eXmlEndOfDocument && token != eXmlError;
         token = reader.Next()) {
        depth += token == eXmlStartElement ? 1 : token == eXmlEndElement ? -1 : 0;
        Check(depth == reader.Depth() && depth >= 0 && depth <= kXmlMaxDepth);
    }
    Check(reader.Token() == eXmlError ? reader.Error().starts_with("line ") : depth == 0);

    QPProject project;
    const QPProjectXmlImportResult result = QPImportProjectXml(project, bytes);
    if (result.result != eProcessSucceeded) {
        Check(result.error.starts_with("line ") && project.tasks.empty() &&
              project.resources.empty() && project.schedules.size() == 1);
        return 0;
    }
    Check(std::size_t(result.counts.tasks + result.counts.headers) == project.tasks.size());
    Check(std::size_t(result.counts.resources) == project.resources.size());
    CheckPlan(project);
    return 0;
}
