#include "import/QPProjectXmlImport.h"
#include "import/QPProjectXmlRecords.h"

#include "dialogs/QPProjectDialogRules.h"
#include "dialogs/QPResourceDialogRules.h"
#include "dialogs/QPScheduleDialogRules.h"
#include "dialogs/QPTaskDialogRules.h"
#include "model/QPProject.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string Project(const std::string& body)
{
    return "<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">"
           "<StartDate>2027-04-19T08:00:00</StartDate>" +
           body + "</Project>";
}

std::string DataFile(const std::string& name)
{
    std::ifstream stream(std::string(KESTRANO_TEST_DATA_DIR) + "/" + name);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

std::string DateOf(LDateTime date)
{
    return date.GetDateTime().substr(0, 10);
}

// Exceptions as "day hours;" in the order of their days.
std::string Hours(const std::vector<QPScheduleException>& exceptions)
{
    std::multiset<std::string> days;
    for (const QPScheduleException& exception : exceptions)
        days.insert(DateOf(exception.date) + " " + std::to_string(exception.workSeconds / 3600));
    std::string text;
    for (const std::string& day : days)
        text += day + ";";
    return text;
}

struct Imported {
    std::unique_ptr<QPProject> project = std::make_unique<QPProject>();
    QPProjectXmlImportResult result;
};

Imported Import(const std::string& xml, QPProjectXmlImportSettings settings = {})
{
    Imported imported;
    imported.project->undoStack.Clear();
    imported.project->UndoRedoGroupStart();
    imported.result = QPImportProjectXml(*imported.project, xml, settings);
    imported.project->UndoRedoGroupEnd();
    return imported;
}

// Each task, resource and schedule with what it holds (shifts as start+hours), then the result
// page.
std::string Transcript(const Imported& imported)
{
    const QPProject& project = *imported.project;
    const auto name = [](const auto& list, int64_t key) {
        for (const auto& element : list)
            if (element.key == key)
                return element.name.str();
        return std::string("-");
    };
    std::ostringstream out;
    for (const QPTask& task : project.tasks) {
        out << "task " << task.name.str() << ": " << task.durationText.str() << " h"
            << (task.milestone ? ", milestone" : "") << ", on "
            << name(project.schedules, task.scheduleKey);
        for (int64_t key : task.subtaskKeys)
            out << ", over " << name(project.tasks, key);
        for (const QPTaskDependency& link : task.dependencies)
            out << ", " << QPTaskDependencyTypeName(link.type) << " from "
                << name(project.tasks, link.predecessorKey) << " lag " << link.lag;
        out << ", constraint " << task.constraintType << " " << task.constraintDate.GetDateTime();
        for (const QPResourceAssignment& booking : task.resourceAssignments)
            out << ", books " << name(project.resources, booking.resourceKey) << " "
                << booking.percent << "%";
        out << "\n";
    }
    for (const QPResource& resource : project.resources)
        out << "resource " << resource.name.str() << ": " << resource.hourlyRate << " an hour, on "
            << name(project.schedules, resource.scheduleKey) << ", away "
            << Hours(resource.exceptions) << "\n";
    for (const QPSchedule& schedule : project.schedules) {
        out << "schedule " << schedule.name.str()
            << (schedule.key == project.defaultScheduleKey ? " (default):" : ":");
        for (int day = 0; day < 7; ++day)
            out << " " << schedule.shiftStart[day].Get() / 3600.0 << "+"
                << schedule.shiftDuration[day] / 3600.0;
        out << ", off " << Hours(schedule.exceptions) << "\n";
    }
    for (const std::string& line : imported.result.lines)
        out << line << "\n";
    return out.str();
}

// What the editors refuse when each element of the recalculated plan is opened and confirmed.
std::vector<std::string> EditorRefusals(QPProject& project)
{
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    std::vector<std::string> refusals;
    auto check = [&](const std::string& what, const QPFormOutcome& outcome) {
        if (outcome)
            refusals.push_back(what + ": " + outcome->title + ": " + outcome->message);
    };
    check("project",
          QPProjectDialogRules::Confirm(project, QPProjectDialogRules::EditProjectForm(project)));
    for (QPTask& task : project.tasks)
        check(task.name.str(),
              QPTaskDialogRules::Confirm(project, task,
                                         QPTaskDialogRules::InitialForm(project, task)));
    for (QPResource& resource : project.resources)
        check(resource.name.str(),
              QPResourceDialogRules::Confirm(
                      project, resource, QPResourceDialogRules::ResourceForm(project, resource)));
    for (QPSchedule& schedule : project.schedules)
        check(schedule.name.str(),
              QPScheduleDialogRules::Confirm(
                      project, schedule,
                      QPScheduleDialogRules::ScheduleForm(project.options, schedule)));
    return refusals;
}

} // namespace

// Months and years have no fixed length, and a day ends at 24:00 exactly.
TEST(QPProjectXmlImport, DurationsAndTimesOfDay)
{
    // Text, whether a time of day (else a duration), its seconds or -1 when refused.
    const std::tuple<const char*, bool, int64_t> cases[] = {
            {"PT8H0M0S", false, 28800}, {"P1DT1H30M", false, 91800}, {"-PT1M", false, -60},
            {"PT0.5H", false, 1800},    {"P1M", false, -1},          {"P1Y", false, -1},
            {"PT1D", false, -1},        {"PT", false, -1},           {"08:30:15", true, 30615},
            {"24:00:00", true, 86400},  {"23:59:59.5", true, 86399}, {"24:00:30", true, -1},
            {"24:01", true, -1},        {"8:00", true, -1},          {"12:60", true, -1},
    };
    for (const auto& [text, time, expected] : cases) {
        int64_t seconds = -1;
        int32_t ofDay = -1;
        const bool read = time ? QPXmlParseTime(text, ofDay) : QPXmlParseDuration(text, seconds);
        EXPECT_EQ(read, expected != -1) << text;
        EXPECT_EQ(time ? ofDay : seconds, expected) << text;
    }
}

TEST(QPProjectXmlImport, RefusesWhatIsNotProjectXmlWithTheLineAndStopsAtOnce)
{
    const struct {
        std::string bytes;
        const char* error;
    } cases[] = {
            {"Task,Duration\nSurvey,8\n", "line 1: text outside the root element"},
            {"<Project/>", "line 1: the root element <Project> is not the Project element"},
            {"<?xml version='1.0'?>\n<Plan xmlns='http://schemas.microsoft.com/project'/>",
             "line 2: the root element <Plan>"},
            {Project("<Tasks>\n<Task><Name>A</Name></Tasks>"), "line 3: the end tag </Tasks>"},
            {"\xFE\xFF", "line 1: UTF-16 big-endian"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.bytes);
        const Imported imported = Import(test.bytes);
        EXPECT_EQ(imported.result.result, eProcessFailed);
        EXPECT_TRUE(imported.result.error.starts_with(test.error)) << imported.result.error;
        EXPECT_TRUE(imported.project->tasks.empty());
        EXPECT_EQ(imported.project->name, "New Project");
        EXPECT_FALSE(imported.project->undoStack.CanUndo());
    }
    // Stopped while reading, or no file: nothing changes either.
    struct Stopping : LProcessInterface {
        bool IsToStop() override { return true; }
    } stopping;
    QPProject project;
    QPProjectXmlImport import(project);
    import.SetBytes(Project("<Tasks><Task><UID>1</UID><Name>A</Name></Task></Tasks>"));
    EXPECT_EQ(Process(stopping, import), eProcessCancelled);
    EXPECT_TRUE(project.tasks.empty());
    EXPECT_TRUE(import.SetFilePath("/no/such/file.xml").has_value());
}

// Each plan of tests/data/import against the transcript of what the import made of it
// (each .xml says what it covers); the editors take each plan.
TEST(QPProjectXmlImport, EachPlanAsItsTranscript)
{
    for (const std::string name :
         {"links", "constraints", "lasts", "rates", "rates-whole", "units", "shifts", "exceptions",
          "base-calendars", "leave", "outline", "names"}) {
        SCOPED_TRACE(name);
        Imported imported = Import(DataFile("import/" + name + ".xml"));
        EXPECT_EQ(Transcript(imported), DataFile("import/" + name + ".txt"));
        // The task editor asks more of a task's hours than the file does (T3 of "lasts").
        if (name != "lasts") {
            EXPECT_EQ(EditorRefusals(*imported.project), std::vector<std::string>{});
        }
    }
}

// The hand-written sample is taken by every editor, and is one undo step.
TEST(QPProjectXmlImport, SampleFileIsOneUndoStepTheEditorsTake)
{
    const std::string xml = DataFile("mspdi/small.xml");
    Imported imported = Import(xml);
    QPProject& project = *imported.project;
    const QPProjectXmlImportCounts counts = imported.result.counts;
    EXPECT_EQ(imported.result.result, eProcessSucceeded);
    EXPECT_EQ(project.name.str() + " " + project.options.currencySymbol.str() + " " +
                      DateOf(project.projectDeadline),
              "Harbour Kiosk \u20AC 2027-06-04");
    EXPECT_EQ(counts.tasks + counts.headers, 10);
    project.undoStack.Undo();
    EXPECT_TRUE(project.tasks.empty() && project.resources.empty());
    ASSERT_EQ(project.schedules.size(), 1u);
    EXPECT_EQ(project.schedules.At(0).name, "Default Schedule");
    project.undoStack.Redo();
    EXPECT_EQ(int(project.tasks.size()), counts.tasks + counts.headers);
    EXPECT_EQ(int(project.resources.size()), counts.resources);
    EXPECT_EQ(project.GetDefaultSchedule()->name, "Standard");
    EXPECT_EQ(EditorRefusals(project), std::vector<std::string>{});
    // Into a project of its own: its fields and default schedule stay.
    const Imported merged = Import(xml, {.takeProjectFields = false});
    EXPECT_EQ(merged.project->name, "New Project");
    EXPECT_EQ(merged.project->GetDefaultSchedule()->name, "Default Schedule");
    EXPECT_EQ(merged.project->schedules.size(), project.schedules.size() + 1);
}

// The fuzzer's seeds import into plans the editors take; inputs that once broke it just end.
TEST(QPProjectXmlImport, EveryKeptFileImports)
{
    const std::map<std::string, int> tasks = {
            {"outline-links.xml", 5}, {"calendars.xml", 0}, {"constructs.xml", 1}};
    std::size_t seen = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(KESTRANO_TEST_DATA_DIR) + "/fuzz-xml")) {
        const std::string name = entry.path().filename().string();
        if (name == "README.md")
            continue;
        SCOPED_TRACE(name);
        QPProject project;
        QPProjectXmlImport import(project);
        ASSERT_FALSE(import.SetFilePath(entry.path().string()));
        LProcessInterface silent;
        const int result = Process(silent, import);
        if (const auto count = tasks.find(name); count != tasks.end()) {
            ASSERT_EQ(result, eProcessSucceeded) << import.ErrorText();
            EXPECT_EQ(int(project.tasks.size()), count->second);
            EXPECT_EQ(EditorRefusals(project), std::vector<std::string>{});
            ++seen;
        }
    }
    EXPECT_EQ(seen, tasks.size());
}
