#include "dialogs/QPTaskDialogRules.h"

#include "support/Plan.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace {

using namespace QPTaskDialogRules;

// The fields in the editor's order, named as the edits below name them.
const char* const kFields[] = {"name",      "type", "schedule", "duration", "percent",    "header",
                               "hide",      "auto", "start",    "finish",   "constraint", "date",
                               "milestone", "in",   "notes",    "deps",     "res",        "subs"};

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

// A plan from Monday 1 March 2027: 1 Survey, 2 Frame (header of 3 Walls and 4 Roof, Roof
// after Walls), 5 Paint (after Survey, Painter at 50%), 6 Finish (a header without
// subtasks), and the resources 1 Mason and 2 Painter.
class TaskEditorRules : public ::testing::Test {
protected:
    TaskEditorRules()
        : survey(plan.Task("Survey", "8")), frame(plan.Task("Frame", "")),
          walls(plan.Task("Walls", "16")), roof(plan.Task("Roof", "8")),
          paint(plan.Task("Paint", "4")), finish(plan.Task("Finish", ""))
    {
        plan.Resource("Mason");
        frame.isHeader = finish.isHeader = true;
        frame.subtaskKeys = {walls.key, roof.key};
        roof.AddDependency(walls.key, eFinishToStart, 0.f);
        paint.AddDependency(survey.key, eFinishToStart, 0.f);
        paint.AddResourceAssignment(plan.Resource("Painter").key, 50);
        plan.Recalculate();
    }

    QPProject& project() { return plan.project; }

    // The editor opened on `task` with the fields changed as "field=value;...": deps rows
    // as "ID/FS/lag,..." (FS, SS, FF, SF), res as "resourceID:percent,...", subs as task IDs,
    // days as YYYY-MM-DD and the header ("in") as a task ID.
    Form Edited(const QPTask& task, const std::string& edits = "")
    {
        using S = const std::string&;
        auto day = [](S v) {
            QPCalendarDay d;
            std::sscanf(v.c_str(), "%d-%d-%d", &d.year, &d.month, &d.day);
            return d;
        };
        const std::map<std::string, std::function<void(Form&, S)>> fields = {
                {"name", [](Form& f, S v) { f.name = v; }},
                {"duration", [](Form& f, S v) { f.durationText = v; }},
                {"percent", [](Form& f, S v) { f.percentCompleteText = v; }},
                {"type", [](Form& f, S v) { f.taskType = std::stoi(v); }},
                {"constraint", [](Form& f, S v) { f.constraintType = std::stoi(v); }},
                {"auto", [](Form& f, S v) { f.autoSchedule = v == "1"; }},
                {"milestone", [](Form& f, S v) { f.milestone = v == "1"; }},
                {"date", [&](Form& f, S v) { f.constraintDate = day(v); }},
                {"start", [&](Form& f, S v) { f.start = day(v); }},
                {"finish", [&](Form& f, S v) { f.finish = day(v); }},
                {"in",
                 [&](Form& f, S v) {
                     f.headerKey = v == "-1" ? -1 : project().tasks.GetElement(std::stoi(v))->key;
                 }},
                {"deps",
                 [](Form& f, S v) {
                     f.dependencies.clear();
                     for (const std::string& row : Split(v, ',')) {
                         const std::vector<std::string> cells = Split(row + "/", '/');
                         const std::size_t kind = std::string("FS SS FF SF").find(cells[1]);
                         f.dependencies.push_back(
                                 {cells[0], cells[1].empty() ? "" : kDependencyTypeNames[kind / 3],
                                  cells[2]});
                     }
                 }},
                {"res",
                 [](Form& f, S v) {
                     f.resources.clear();
                     for (const std::string& row : Split(v, ','))
                         f.resources.push_back({std::stoi(row), row.substr(row.find(':') + 1)});
                 }},
                {"subs",
                 [](Form& f, S v) {
                     f.subtasks.clear();
                     for (const std::string& id : Split(v, ','))
                         f.subtasks.push_back({std::stoi(id)});
                 }},
        };
        Form form = InitialForm(project(), task);
        for (const std::string& edit : Split(edits, ';')) {
            const std::string field = edit.substr(0, edit.find('='));
            fields.at(field)(form, edit.substr(field.size() + 1));
        }
        return form;
    }
    // "accepted", or the refused field as the edits name it and the title (and message).
    std::string Check(const QPTask& task, const std::string& edits, bool withMessage = false,
                      int32_t* row = nullptr)
    {
        const QPFormOutcome outcome = Confirm(project(), task, Edited(task, edits), row);
        if (!outcome)
            return "accepted";
        return kFields[outcome->field] + (" " + outcome->title) +
               (withMessage ? ": " + outcome->message : "");
    }

    // What the editor writes of a task: "Name 8h 40% [flags] c<constraint>[@date] <ID:type:lag
    // ... +resourceID:percent ...".
    std::string Text(const QPTask& t)
    {
        std::ostringstream out;
        out << t.name.str() << " " << t.durationText.str() << "h " << t.percentComplete << "%"
            << (t.milestone ? " milestone" : "") << (t.isHeader ? " header" : "")
            << (t.hideSubtasks ? " hidden" : "") << (t.autoSchedule ? "" : " manual") << " c"
            << t.constraintType;
        if (t.constraintType != eConstraintNone)
            out << "@" << t.constraintDate.GetDateTime();
        for (const QPTaskDependency& link : t.dependencies)
            out << " <" << project().tasks.GetElementByKey(link.predecessorKey)->id << ":"
                << link.type << ":" << link.lag;
        for (const QPResourceAssignment& assignment : t.resourceAssignments)
            out << " +" << project().resources.GetElementByKey(assignment.resourceKey)->id << ":"
                << assignment.percent;
        return out.str();
    }
    // The tasks in list order, a header with its group, a task with its predecessors:
    // "Frame{Walls,Roof} Walls Roof<Walls".
    std::string Outline()
    {
        std::string text;
        for (const QPTask& task : project().tasks) {
            text += (text.empty() ? "" : " ") + task.name.str();
            std::string group;
            for (int64_t key : task.subtaskKeys)
                group += (group.empty() ? "" : ",") +
                         project().tasks.GetElementByKey(key)->name.str();
            if (task.isHeader)
                text += "{" + group + "}";
            for (const QPTaskDependency& link : task.dependencies)
                text += "<" + project().tasks.GetElementByKey(link.predecessorKey)->name.str();
        }
        return text;
    }
    // Every task's stored image in list order: the whole state an edit may touch.
    std::vector<LByteArray> State()
    {
        std::vector<LByteArray> images;
        for (const QPTask& task : project().tasks)
            images.push_back(task.WriteSDF());
        return images;
    }

    // Checks and applies as one undo step, as the main window's OK does, and checks that
    // one undo and one redo give back either state.
    void Apply(QPTask& task, const std::string& edits)
    {
        const std::vector<LByteArray> before = State();
        ASSERT_EQ(Check(task, edits), "accepted");
        project().UndoRedoGroupStart();
        QPTaskDialogRules::Apply(project(), task, Edited(task, edits));
        project().UndoRedoGroupEnd();
        const std::vector<LByteArray> after = State();
        project().undoStack.Undo();
        EXPECT_EQ(State(), before);
        project().undoStack.Redo();
        EXPECT_EQ(State(), after);
    }

    Plan plan;
    QPTask &survey, &frame, &walls, &roof, &paint, &finish;
};

TEST_F(TaskEditorRules, ChecksRunInOrderAndKeepTheirLimits)
{
    std::ifstream cases(std::string(KESTRANO_TEST_DATA_DIR) + "/dialogs/task-editor.txt");
    const std::vector<LByteArray> untouched = State();
    int count = 0;
    std::string edits;
    for (std::string line; std::getline(cases, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t bar = line.find(" | "), last = line.find(" | ", bar + 3);
        const std::string fields = line.substr(bar + 3, last - bar - 3);
        edits = fields[0] == '+' ? edits + ";" + fields.substr(1) : fields;
        const std::string outcome = line.substr(last + 3);
        EXPECT_EQ(Check(*project().tasks.GetElement(std::stoi(line)), edits,
                        outcome.find(':') != outcome.npos),
                  outcome)
                << line;
        ++count;
    }
    EXPECT_EQ(count, 35);
    EXPECT_EQ(State(), untouched) << "checking changes nothing";
    // The empty row is skipped and the refused one named; the project's decimal symbol
    // decides.
    int32_t row = -1;
    EXPECT_EQ(Check(survey, "deps=//,4/FS/0", false, &row), "deps Invalid Dependency");
    EXPECT_EQ(row, 1);
    project().options.decimalSymbol = ",";
    EXPECT_EQ(Check(survey, "duration=7,5") + ", " + Check(survey, "duration=0,009"),
              "accepted, duration Invalid Entry");
}

TEST_F(TaskEditorRules, LoopsAreFoundThroughChainsAndFileCyclesEnd)
{
    // Survey <- Paint <- Varnish (7); a new task is in no chain yet. A loop from a file
    // (8 and 9) ends the search, unless it leads to the edited task.
    plan.Task("Varnish", "2").AddDependency(paint.key, eFinishToStart, 0.f);
    EXPECT_EQ(Check(survey, "deps=7/FS/0", true),
              "deps Looping Dependency: Task #7 has a dependency chain which includes Survey.");
    EXPECT_EQ(Check(QPTask(), "name=Clean up;duration=1;deps=7/FS/0"), "accepted");
    QPTask& a = plan.Task("Loop A", "1");
    QPTask& b = plan.Task("Loop B", "1");
    a.AddDependency(b.key, eFinishToStart, 0.f);
    b.AddDependency(a.key, eFinishToStart, 0.f);
    EXPECT_EQ(Check(survey, "deps=8/FS/0"), "accepted");
    b.AddDependency(project().tasks.GetElement(7)->key, eFinishToStart, 0.f);
    EXPECT_EQ(Check(survey, "deps=8/FS/0"), "deps Looping Dependency");
}

TEST_F(TaskEditorRules, FormsShowTheTaskAndFollowTheCalendarAcrossDaylightSaving)
{
    // Sunday 7 November 2027 has 25 hours in New York.
    ScopedTimeZone zone("America/New_York");
    project().projectStart = LocalTime(2027, 11, 7);
    const Form created = Edited(QPTask());
    EXPECT_TRUE(created.autoSchedule && created.headerKey == -1);
    EXPECT_EQ(created.scheduleKey, project().defaultScheduleKey);
    EXPECT_EQ(created.start, (QPCalendarDay{2027, 11, 7}));
    EXPECT_EQ(created.finish, (QPCalendarDay{2027, 11, 8}));
    EXPECT_EQ(created.constraintDate, (QPCalendarDay{2027, 11, 8}));
    EXPECT_EQ(Check(survey, "constraint=7;date=2027-11-07"), "date Date Conflict");
    EXPECT_EQ(Check(survey, "constraint=7;date=2027-11-08"), "accepted");

    paint.AddDependency(walls.key, eStartToStart, 1.5f);
    std::string shown;
    for (const DependencyRow& row : Edited(paint).dependencies)
        shown += row.idText + " " + row.typeText + " " + row.lagText + "; ";
    for (const ResourceRow& row : Edited(paint).resources)
        shown += std::to_string(row.resourceID) + " " + row.percentText + "; ";
    for (const SubtaskRow& row : Edited(frame).subtasks)
        shown += std::to_string(row.taskID) + "; ";
    EXPECT_EQ(shown, "3 Start-to-Start 1.50; 1 Finish-to-Start 0; 1 0; 2 50; 3; 4; ");
    EXPECT_EQ(Edited(roof).headerKey, frame.key);
    // The lists the editor offers.
    EXPECT_EQ(EligibleSubtasks(project(), frame),
              (std::vector<const QPTask*>{&survey, &walls, &roof, &paint}));
    EXPECT_EQ(EligibleSubtasks(project(), finish), (std::vector<const QPTask*>{&survey, &paint}));
    EXPECT_EQ(HeaderChoices(project(), frame), (std::vector<const QPTask*>{&finish}));
}

TEST_F(TaskEditorRules, WriteBackStoresWhatTheChecksDecided)
{
    // Rows rebuilt with the first at the head; a row at 0% assigns nothing; a schedule for
    // Fixed Duration only; hiding subtasks for headers only. Reopened and confirmed
    // unchanged, nothing changes.
    const int64_t night = plan.Schedule("Night", 0, {0, 8, 8, 8, 8, 8, 0}).key;
    Form form = Edited(paint, "name=  Paint walls ;type=1;deps=1/SS/0.5,//,6/SF/;res=1:30,2:0");
    form.scheduleKey = night;
    form.hideSubtasks = true;
    form.notes = "Two coats.";
    QPTaskDialogRules::Apply(project(), paint, form);
    EXPECT_EQ(Text(paint) + " " + paint.notes, "Paint walls 4h 0% c0 <1:1:0.5 <6:3:0 +1:30 Two "
                                               "coats.");
    EXPECT_EQ(paint.scheduleKey, night);
    const std::vector<LByteArray> state = State();
    QPTaskDialogRules::Apply(project(), paint, Edited(paint));
    EXPECT_EQ(State(), state);
    form.taskType = eTaskTypeFixedWork;
    form.isHeader = true;
    form.dependencies.clear();
    QPTaskDialogRules::Apply(project(), paint, form);
    EXPECT_EQ(Text(paint), "Paint walls h 0% header hidden c0");
    EXPECT_EQ(paint.scheduleKey, -1);
    // A start day counts from its start, a finish day to its end; a manual task drops its
    // constraint; a milestone has no duration. A header's progress is its subtasks', and it
    // is never a milestone nor manual.
    const struct {
        QPTask* task;
        const char *edits, *text;
    } edits[] = {
            {&survey, "constraint=4;date=2027-03-02;percent=49",
             "Survey 8h 49% c4@2027-03-02 00:00:00"},
            {&survey, "constraint=6;date=2027-03-02", "Survey 8h 49% c6@2027-03-02 23:59:59"},
            {&survey, "auto=0;milestone=1;duration=", "Survey h 49% milestone manual c0"},
            {&finish, "duration=12;percent=250;milestone=1;auto=0", "Finish h 0% header c0"},
    };
    for (const auto& e : edits) {
        Apply(*e.task, e.edits);
        EXPECT_EQ(Text(*e.task), e.text);
    }
    // A manual Fixed Duration task takes its length from its days.
    Apply(walls, "auto=0;type=1;duration=no hours;start=2027-03-03;finish=2027-03-03");
    EXPECT_EQ(walls.durationText.str() + walls.start.GetDateTime() + " " +
                      walls.finish.GetDateTime(),
              "2027-03-03 00:00:00 2027-03-03 23:59:59");
}

TEST_F(TaskEditorRules, GroupsStayTogetherAndLinksDoNotCrossTheirEdges)
{
    // Walls leaves Frame for after what remains of it, Roof's link to it goes; Survey joins
    // Frame after Roof, Paint outside loses its link; Frame takes Survey itself and the group
    // moves in the order of the IDs it had, keeping the links inside.
    const std::pair<QPTask*, const char*> moves[] = {
            {&walls, "in=-1"}, {&survey, "in=2"}, {&frame, "subs=3,4,1"}};
    const char* const outlines[] = {
            "Survey Frame{Roof} Roof Walls Paint<Survey Finish{}",
            "Frame{Walls,Roof,Survey} Walls Roof<Walls Survey Paint Finish{}",
            "Frame{Walls,Roof,Survey} Survey Walls Roof<Walls Paint Finish{}"};
    for (std::size_t i = 0; i < std::size(moves); ++i) {
        Apply(*moves[i].first, moves[i].second);
        EXPECT_EQ(Outline(), outlines[i]);
        project().undoStack.Undo();
    }
    // Finish takes Paint and Survey: their chain stays; Walls, elsewhere, loses its link.
    walls.AddDependency(survey.key, eFinishToStart, 0.f);
    Apply(finish, "subs=5,1");
    EXPECT_EQ(Outline(),
              "Frame{Walls,Roof} Walls Roof<Walls Finish{Paint,Survey} Survey Paint<Survey");

    // A new task only takes its fields and header: the main window adds it to both.
    const std::size_t steps = project().undoStack.GetNumItems();
    const std::vector<LByteArray> before = State();
    QPTask fresh;
    const Form form = Edited(fresh, "name=Gutters;duration=3;in=1;deps=2/FS/0;res=1:90,2:0");
    ASSERT_FALSE(Confirm(project(), fresh, form));
    QPTaskDialogRules::Apply(project(), fresh, form);
    EXPECT_EQ(Text(fresh), "Gutters 3h 0% c0 <2:0:0 +1:90");
    EXPECT_EQ(fresh.headerKey, frame.key);
    EXPECT_EQ(fresh.start.GetDateTime() + " " + fresh.finish.GetDateTime(),
              "2027-03-01 00:00:00 2027-03-02 23:59:59");
    EXPECT_EQ(State(), before);
    EXPECT_EQ(project().undoStack.GetNumItems(), steps);
}

} // namespace
