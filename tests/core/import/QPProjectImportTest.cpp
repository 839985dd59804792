// The XML reader, then whole plans imported from Project XML and from CSV files.

#include "import/LXmlReader.h"
#include "import/QPProcessImportCSV.h"
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

using Texts = std::vector<std::string>;

// Reads the whole document; the tokens as "<name", ">name", "'text", then "." at the end or
// "!" and the error.
std::vector<std::string> Tokens(std::string_view document, std::string* error = nullptr,
                                int* line = nullptr)
{
    LXmlReader reader(document);
    Texts tokens;
    auto kind = reader.Next();
    for (; kind != eXmlEndOfDocument && kind != eXmlError; kind = reader.Next())
        tokens.push_back(kind == eXmlText ? "'" + reader.Text()
                                          : (kind == eXmlStartElement ? "<" : ">") + reader.Name());
    if (error)
        *error = reader.Error();
    if (line)
        *line = reader.Line();
    tokens.push_back(kind == eXmlError ? "!" : ".");
    return tokens;
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

// Each task with its hours, kind, progress, type, schedule, group, links, constraint,
// bookings and days; each resource with its rates, task updates, schedule and days away; each
// schedule's week in seconds, its shifts from Sunday as start+length in seconds and its days
// off; then the result page.
std::string Transcript(const QPProject& project, const Texts& results = {})
{
    const auto name = [](const auto& list, int64_t key) {
        for (const auto& element : list)
            if (element.key == key)
                return element.name.str();
        return std::string("-");
    };
    std::ostringstream out;
    for (const QPTask& task : project.tasks) {
        out << "task " << task.name.str() << ": " << task.durationText.str() << " h"
            << (task.milestone ? ", milestone" : "") << (task.autoSchedule ? "" : ", manual")
            << ", " << task.percentComplete << "%, type " << task.taskType << ", on "
            << name(project.schedules, task.scheduleKey);
        for (int64_t key : task.subtaskKeys)
            out << ", over " << name(project.tasks, key);
        for (const QPTaskDependency& link : task.dependencies)
            out << ", " << QPTaskDependencyTypeName(link.type) << " from "
                << name(project.tasks, link.predecessorKey) << " lag " << link.lag;
        out << ", constraint " << task.constraintType << " [" << task.constraintDate.GetDateTime()
            << "]";
        for (const QPResourceAssignment& booking : task.resourceAssignments)
            out << ", books " << name(project.resources, booking.resourceKey) << " "
                << booking.percent << "%";
        out << ", [" << task.start.GetDateTime() << "] to [" << task.finish.GetDateTime() << "]\n";
    }
    for (const QPResource& resource : project.resources)
        out << "resource " << resource.name.str() << ": " << resource.hourlyRate << " "
            << resource.overtimeRate << " an hour, task updates " << resource.sendTaskUpdates
            << ", on " << name(project.schedules, resource.scheduleKey) << ", away "
            << Hours(resource.exceptions) << "\n";
    for (const QPSchedule& schedule : project.schedules) {
        out << "schedule " << schedule.name.str()
            << (schedule.key == project.defaultScheduleKey ? " (default)" : "") << " ("
            << schedule.regularWorkWeek << "):";
        for (int day = 0; day < 7; ++day)
            out << " " << schedule.shiftStart[day].Get() << "+" << schedule.shiftDuration[day];
        out << ", off " << Hours(schedule.exceptions) << "\n";
    }
    for (const std::string& line : results)
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

// Imports tests/data/import/`name`.csv in one undo group, each field fed from the column
// headed by its name; the results page against `name`.out.
void ExpectResults(QPProject& project, eImportCSVKind kind, const std::string& name)
{
    std::unique_ptr<LProcessImportCSV> import = QPMakeImportCSV(kind, project);
    ASSERT_FALSE(import->SetFilePath(KESTRANO_TEST_DATA_DIR "/import/" + name + ".csv"));
    const Texts headers = import->ReadHeaderCells();
    for (int field = 0; field < int(import->Fields().size()); ++field)
        import->AssignField(field, import->Fields()[field].name, headers);
    EXPECT_FALSE(import->CheckAssignments());
    LProcessInterface silent;
    project.UndoRedoGroupStart();
    EXPECT_EQ(Process(silent, *import), 0);
    project.UndoRedoGroupEnd();
    std::string lines;
    for (const std::string& line : import->ResultLines())
        lines += line + "\n";
    EXPECT_EQ(lines, DataFile("import/" + name + ".out"));
}

} // namespace

TEST(LXmlReader, ReadsElementsTextReferencesAndRecords)
{
    const std::string document = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                 "<!-- before --><?app data?>\n"
                                 "<a x='1 &amp;\n2'><b/>A&lt;<![CDATA[<raw>&amp;]]><!--c-->"
                                 "&#x20AC;&#233;&#x1F600;\r\nz</a>\n";
    EXPECT_EQ(Tokens(document),
              (std::vector<std::string>{"<a", "<b", ">b", "'A<<raw>&amp;\u20AC\u00E9\U0001F600\nz",
                                        ">a", "."}));
    LXmlReader reader(document);
    ASSERT_EQ(reader.Next(), eXmlStartElement);
    EXPECT_EQ(reader.Attribute("x"), "1 & 2");
    EXPECT_EQ(std::pair(reader.Line(), reader.Depth()), std::pair(3, 1));
    // Prefixes resolved; a record read whole.
    LXmlReader records("<p:Project xmlns:p='urn:x'><p:Task><UID> 7 </UID><UID>8</UID>"
                       "</p:Task></p:Project>");
    ASSERT_EQ(records.Next(), eXmlStartElement);
    EXPECT_EQ(std::string(records.LocalName()) + " " + records.NamespaceUri(), "Project urn:x");
    ASSERT_EQ(records.Next(), eXmlStartElement);
    LXmlNode task;
    ASSERT_TRUE(LXmlReadElement(records, task));
    // The text of the first child of a name, trimmed; of none, empty.
    EXPECT_EQ(task.name + " " + std::string(task.ChildText("UID")) + " " +
                      std::string(task.ChildText("Name")) + "|",
              "Task 7 |");
    EXPECT_EQ(task.children.size(), 2u);
    EXPECT_EQ(records.Next(), eXmlEndElement);
    EXPECT_EQ(records.Next(), eXmlEndOfDocument);
}

// Each refusal names the line it stands on; nothing is expanded or read beyond the bounds.
TEST(LXmlReader, RefusesWhatIsNotWellFormedWithItsLine)
{
    std::string nested;
    for (int i = 0; i <= kXmlMaxDepth; ++i)
        nested += "<a>";
    const std::string huge = "<a>" + std::string(kXmlMaxTextBytes + 1, 'x') + "</a>";
    const struct {
        std::string document;
        const char* error;
        int line;
    } cases[] = {
            {"<!DOCTYPE a [<!ENTITY x \"boom\">]><a>&x;</a>", "DOCTYPE) is not accepted", 1},
            {"<a>\n&x;</a>", "the entity &x; is not defined", 2},
            {"<a>\n<b></a>", "</a> does not match <b> of line 2", 2},
            {"<a>\n<b>text", "the file ends inside <b> of line 2", 2},
            {"<a>\n<!-- open", "a comment that is never closed", 2},
            {"<a><![CDATA[\nopen</a>", "a CDATA section that is never closed", 1},
            {"<a x='1>\n</a>", "'<' inside an attribute value", 2},
            {"<a\n x='1' x='2'/>", "the attribute x is given twice", 2},
            {"<1a/>", "a name was expected", 1},
            {"<a>&#0;</a>", "&#0; is not a character", 1},
            {"<a>&#xD800;</a>", "&#xD800; is not a character", 1},
            {"<a>&#x110000;</a>", "is not a character", 1},
            {"<a>&#xFFFE;</a>", "is not a character", 1},
            {"<a>&#12a;</a>", "is not a character", 1},
            {"<a>x & y</a>", "starts no entity", 1},
            {"<a>\n\n\xC3(</a>", "not UTF-8", 3},
            // Overlong, a surrogate, beyond U+10FFFF, cut short, a lead for a continuation.
            {"<a>\xC0\xAF</a>", "not UTF-8", 1},
            {"<a>\xED\xA0\x80</a>", "not UTF-8", 1},
            {"<a>\xF4\x90\x80\x80</a>", "not UTF-8", 1},
            {"<a>\xE2\x82", "not UTF-8", 1},
            {"<a>\n\xC3\xC3</a>", "not UTF-8", 2},
            {"<a>\x01</a>", "control character", 1},
            {"<a>]]></a>", "']]>' in text", 1},
            {"<a><!-- a -- b --></a>", "'--' inside a comment", 1},
            {"<a/>\n<b/>", "a second root element", 2},
            {"text<a/>", "text outside the root element", 1},
            {"<a/>\n&amp;", "text outside the root element", 2},
            {"", "the file holds no element", 1},
            {"<?xml version='1.0' encoding='ISO-8859-1'?><a/>", "encoding ISO-8859-1", 1},
            {"<a/><?xml version='1.0'?>", "very start of the file", 1},
            {"<p:a/>", "prefix p is not declared", 1},
            {"<!ELEMENT a ANY><a/>", "not an element, comment or CDATA", 1},
            {nested, "nested deeper than 128 levels", 1},
            {huge, "a text longer than 8 MiB", 1},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.document.substr(0, 60));
        std::string error;
        int line = 0;
        const std::vector<std::string> tokens = Tokens(test.document, &error, &line);
        ASSERT_EQ(tokens.back(), "!");
        EXPECT_NE(error.find(test.error), std::string::npos) << error;
        EXPECT_EQ(line, test.line);
        EXPECT_TRUE(error.starts_with("line " + std::to_string(test.line) + ": ")) << error;
        // No entity text ever reaches the output.
        for (const std::string& token : tokens)
            EXPECT_EQ(token.find("boom"), std::string::npos);
    }
}

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
    // Stopped while reading: nothing changes either.
    struct Stopping : LProcessInterface {
        bool IsToStop() override { return true; }
    } stopping;
    QPProject project;
    QPProjectXmlImport import(project);
    import.SetBytes(
            "<Project xmlns=\"http://schemas.microsoft.com/project\"><Tasks><Task><UID>1</UID>"
            "<Name>A</Name></Task></Tasks></Project>");
    EXPECT_EQ(Process(stopping, import), eProcessCancelled);
    EXPECT_TRUE(project.tasks.empty());
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
        EXPECT_EQ(Transcript(*imported.project, imported.result.lines),
                  DataFile("import/" + name + ".txt"));
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
    EXPECT_EQ(std::pair(int(project.tasks.size()), int(project.resources.size())),
              std::pair(counts.tasks + counts.headers, counts.resources));
    EXPECT_EQ(project.GetDefaultSchedule()->name, "Standard");
    EXPECT_EQ(EditorRefusals(project), std::vector<std::string>{});
    // Into a project of its own: its fields and default schedule stay.
    const Imported merged = Import(xml, {.takeProjectFields = false});
    EXPECT_EQ(merged.project->name.str() + " " + merged.project->GetDefaultSchedule()->name.str(),
              "New Project Default Schedule");
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

// Each file's plan against its .txt. Schedules: starts lose their seconds, days not given
// keep the defaults. Refused rows leave no trace beside a task there before.
TEST(QPProcessImportCSV, EachKindAsItsTranscript)
{
    for (const auto& [kind, name] : {std::pair{eImportCSVKind::task, "tasks"},
                                     {eImportCSVKind::task, "refused-tasks"},
                                     {eImportCSVKind::resource, "resources"},
                                     {eImportCSVKind::schedule, "schedules"}}) {
        SCOPED_TRACE(name);
        QPProject project;
        if (name == std::string("refused-tasks"))
            project.ElementAdd(std::make_unique<QPTask>(), false).name = "Survey";
        ExpectResults(project, kind, name);
        EXPECT_EQ(Transcript(project), DataFile("import/" + std::string(name) + ".txt"));
    }
}

// A short row without the name column is refused; the rest comes in as one undo step.
TEST(QPProcessImportCSVTask, OneUndoTakesBackTheWholeImport)
{
    QPProject project;
    project.ElementAdd(std::make_unique<QPTask>(), true).name = "Existing";
    const auto tasks = [&project] {
        std::string text;
        for (const QPTask& task : project.tasks)
            text += task.name.str() + " " + std::to_string(task.id) + " #" +
                    std::to_string(task.key) + "; ";
        return text;
    };
    ExpectResults(project, eImportCSVKind::task, "short-row");
    // Every new task got the next ID and a key of its own.
    const std::string imported = tasks();
    EXPECT_EQ(imported, "Existing 1 #1; A 2 #2; B 3 #3; C 4 #4; ");
    project.undoStack.Undo();
    EXPECT_EQ(tasks(), "Existing 1 #1; ");
    project.undoStack.Redo();
    EXPECT_EQ(tasks(), imported);
    project.undoStack.Undo();
    project.undoStack.Undo();
    EXPECT_EQ(tasks(), "");
}

// The fuzzer's seeds import their rows; inputs that once broke the import need only end.
TEST(QPProcessImportCSV, EveryKeptFileImports)
{
    const std::map<std::string, int> seeds = {
            {"tasks.csv", 2}, {"tasks-bom.csv", 2}, {"tasks-utf16-tabs.csv", 1}};
    std::size_t seen = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(KESTRANO_TEST_DATA_DIR) + "/fuzz-csv")) {
        const std::string name = entry.path().filename().string();
        if (name == "README.md")
            continue;
        QPProject project;
        QPProcessImportCSVTask import(project);
        ASSERT_FALSE(import.SetFilePath(entry.path().string())) << name;
        const Texts headers = import.ReadHeaderCells();
        for (std::size_t field = 0; field < std::min(headers.size(), import.Fields().size());
             ++field)
            import.AssignField(int(field), headers[field], headers);
        LProcessInterface silent;
        EXPECT_EQ(Process(silent, import), 0) << name;
        if (const auto seed = seeds.find(name); seed != seeds.end()) {
            ++seen;
            EXPECT_EQ(import.ResultLines(),
                      (Texts{std::to_string(seed->second) + " successful imports",
                             "0 failed imports"}))
                    << name;
        }
    }
    EXPECT_EQ(seen, seeds.size());
}
