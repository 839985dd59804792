#include "dialogs/QPTaskDialogRules.h"
#include "model/QPUndoItems.h"

#include "FormCheck.h"
#include "support/Plan.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace QPTaskDialogRules;

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

QPCalendarDay Day(const std::string& text)
{
    QPCalendarDay day;
    std::sscanf(text.c_str(), "%d-%d-%d", &day.year, &day.month, &day.day);
    return day;
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
        QPResource& painter = plan.Resource("Painter");
        frame.isHeader = finish.isHeader = true;
        frame.subtaskKeys = {walls.key, roof.key};
        roof.AddDependency(walls.key, eFinishToStart, 0.f);
        paint.AddDependency(survey.key, eFinishToStart, 0.f);
        paint.AddResourceAssignment(painter.key, 50);
        plan.Recalculate();
    }

    QPProject& project() { return plan.project; }

    // The editor opened on `task` with the fields changed as "field=value;...": deps rows
    // as "ID/FS/lag,..." (FS, SS, FF, SF), res as "resourceID:percent,...", subs as task IDs,
    // days as YYYY-MM-DD and the header ("in") as a task ID.
    Form Edited(const QPTask& task, const std::string& edits = "")
    {
        Form form = InitialForm(project(), task);
        const std::map<std::string, std::string> kinds = {{"FS", kDependencyTypeNames[0]},
                                                          {"SS", kDependencyTypeNames[1]},
                                                          {"FF", kDependencyTypeNames[2]},
                                                          {"SF", kDependencyTypeNames[3]}};
        const std::map<std::string, std::string Form::*> texts = {
                {"name", &Form::name},
                {"duration", &Form::durationText},
                {"percent", &Form::percentCompleteText}};
        const std::map<std::string, int32_t Form::*> numbers = {
                {"type", &Form::taskType}, {"constraint", &Form::constraintType}};
        const std::map<std::string, bool Form::*> flags = {{"header", &Form::isHeader},
                                                           {"auto", &Form::autoSchedule},
                                                           {"milestone", &Form::milestone}};
        const std::map<std::string, QPCalendarDay Form::*> days = {{"date", &Form::constraintDate},
                                                                   {"start", &Form::start},
                                                                   {"finish", &Form::finish}};
        for (const std::string& edit : Split(edits, ';')) {
            const std::string field = edit.substr(0, edit.find('='));
            const std::string value = edit.substr(field.size() + 1);
            const int number = std::atoi(value.c_str());
            if (texts.count(field))
                form.*texts.at(field) = value;
            else if (numbers.count(field))
                form.*numbers.at(field) = number;
            else if (flags.count(field))
                form.*flags.at(field) = number != 0;
            else if (days.count(field))
                form.*days.at(field) = Day(value);
            else if (field == "in")
                form.headerKey = number > 0 ? project().tasks.GetElement(number)->key : -1;
            else if (field == "deps") {
                form.dependencies.clear();
                for (const std::string& row : Split(value, ',')) {
                    const std::vector<std::string> cells = Split(row + "/", '/');
                    form.dependencies.push_back(
                            {cells[0], kinds.count(cells[1]) ? kinds.at(cells[1]) : cells[1],
                             cells[2]});
                }
            } else if (field == "res") {
                form.resources.clear();
                for (const std::string& row : Split(value, ','))
                    form.resources.push_back(
                            {std::atoi(row.c_str()), row.substr(row.find(':') + 1)});
            } else if (field == "subs") {
                form.subtasks.clear();
                for (const std::string& id : Split(value, ','))
                    form.subtasks.push_back({std::atoi(id.c_str())});
            } else
                ADD_FAILURE() << "no field " << field;
        }
        return form;
    }
    std::string Check(const QPTask& task, const std::string& edits, bool withMessage = false)
    {
        return Outcome(Confirm(project(), task, Edited(task, edits)), withMessage);
    }

    // What the editor writes of a task: "Name 8h 40% [flags] c<constraint>[@date] <ID:type:lag
    // ... +resourceID:percent ...".
    std::string Text(const QPTask& task) const
    {
        std::string text =
                task.name.str() + " " + task.durationText.str() + "h " +
                std::to_string(task.percentComplete) + "%" + (task.milestone ? " milestone" : "") +
                (task.isHeader ? " header" : "") + (task.hideSubtasks ? " hidden" : "") +
                (task.autoSchedule ? "" : " manual") + " c" + std::to_string(task.constraintType);
        if (task.constraintType != eConstraintNone)
            text += "@" + task.constraintDate.GetDateTime();
        char lag[16];
        for (const QPTaskDependency& link : task.dependencies) {
            std::snprintf(lag, sizeof lag, "%g", link.lag);
            text += " <" +
                    std::to_string(plan.project.tasks.GetElementByKey(link.predecessorKey)->id) +
                    ":" + std::to_string(link.type) + ":" + lag;
        }
        for (const QPResourceAssignment& assignment : task.resourceAssignments)
            text += " +" +
                    std::to_string(
                            plan.project.resources.GetElementByKey(assignment.resourceKey)->id) +
                    ":" + std::to_string(assignment.percent);
        return text;
    }
    // Every task's stored image in list order: the whole state an edit may touch.
    std::vector<LByteArray> State() const
    {
        std::vector<LByteArray> images;
        for (const QPTask& task : plan.project.tasks)
            images.push_back(task.WriteSDF());
        return images;
    }
    std::string Order() const
    {
        std::string names;
        for (const QPTask& task : plan.project.tasks)
            names += (names.empty() ? "" : " ") + task.name.str();
        return names;
    }

    // Checks and applies as one undo step, as the main window's OK does; with an order
    // of the tasks to expect, also that one undo and one redo give back either state.
    void Apply(QPTask& task, const std::string& edits, const char* order = nullptr)
    {
        const std::vector<LByteArray> before = State();
        ASSERT_EQ(Check(task, edits), "accepted");
        project().UndoRedoGroupStart();
        QPTaskDialogRules::Apply(project(), task, Edited(task, edits));
        project().UndoRedoGroupEnd();
        if (!order)
            return;
        EXPECT_EQ(Order(), order);
        const std::vector<LByteArray> after = State();
        project().undoStack.Undo();
        EXPECT_EQ(State(), before);
        project().undoStack.Redo();
        EXPECT_EQ(State(), after);
    }

    Plan plan;
    QPTask &survey, &frame, &walls, &roof, &paint, &finish;
};

TEST_F(TaskEditorRules, ChecksRunInOrderAndTheFirstFailureWins)
{
    // Every check fails at first; fixing one at a time reveals the next, in order.
    const std::pair<const char*, std::string> steps[] = {
            {"name=  ", Refusal(eFieldName, "Invalid Entry")},
            {"name= Survey ", Refusal(eFieldName, "Duplicate Name")},
            {"name=Varnish", Refusal(eFieldDuration, "Invalid Entry")},
            {"duration=6", Refusal(eFieldPercentComplete, "Invalid Entry")},
            {"percent=100;auto=0;type=1;start=2027-03-10;finish=2027-03-09",
             Refusal(eFieldFinish, "Date Conflict")},
            {"auto=1", Refusal(eFieldConstraintDate, "Date Conflict")},
            {"date=2027-03-02", Refusal(eFieldDependencies, "Self-Dependency")},
            {"deps=2/FS/0", Refusal(eFieldDependencies, "Header Task as Dependency")},
            {"deps=3/FS/0, 3/SS/1",
             Refusal(eFieldDependencies, "Duplicate Dependency",
                     "Task #3 is listed as a dependency more than once for Varnish.")},
            {"deps=1/FS/0", Refusal(eFieldDependencies, "Invalid Dependency",
                                    "Task ID #1 is not a sub-task of Frame. Sub-tasks can only "
                                    "be dependent upon other sub-tasks from the same header "
                                    "task.")},
            {"deps=4/FS/-0.5", Refusal(eFieldDependencies, "Invalid Entry")},
            {"deps=4/FS/0.5", Refusal(eFieldResources, "Invalid Resource Assignment")},
            {"res=1:100,2:50", Refusal(eFieldSubtasks, "Duplicate Subtask",
                                       "Task #3 is listed as a subtask more than once.")},
            {"subs=3", "accepted"},
    };
    const std::vector<LByteArray> untouched = State();
    std::string edits = "name=  ;duration=0.009;percent=101;constraint=7;date=2027-03-01;in=2;"
                        "deps=5/FS/0;res=1:101,2:50;subs=3,3";
    for (const auto& [fix, outcome] : steps) {
        edits += std::string(";") + fix;
        EXPECT_EQ(Check(paint, edits, outcome.find(':') != outcome.npos), outcome) << fix;
    }
    EXPECT_EQ(State(), untouched) << "checking changes nothing";
    EXPECT_EQ(TabOf(eFieldSubtasks), eTabSubtasks);
}

TEST_F(TaskEditorRules, LimitsOfEachField)
{
    const std::string ok = "accepted", badDate = Refusal(eFieldConstraintDate, "Date Conflict");
    const std::string badDuration = Refusal(eFieldDuration, "Invalid Entry");
    const std::string badPercent = Refusal(eFieldPercentComplete, "Invalid Entry");
    const std::string badLink = Refusal(eFieldDependencies, "Invalid Dependency");
    const std::string badLag = Refusal(eFieldDependencies, "Invalid Entry");
    // Survey, Paint for lags, Finish for a header's links. Constraint days are against the project
    // start, 1 March: After is not checked, and a manual task drops its constraint.
    const struct {
        const char* edits;
        std::string outcome;
        QPTask* task = nullptr;
    } cases[] = {
            {"duration=0.01", ok},
            {"duration= 40000 ", ok},
            {"duration=0.009", badDuration},
            {"duration=40000.5", badDuration},
            {"duration=1.2.3", badDuration},
            {"percent=100", ok},
            {"percent=101", badPercent},
            {"percent=99999999999", badPercent},
            {"constraint=7;date=2027-03-01", badDate},
            {"constraint=7;date=2027-03-02", ok},
            {"constraint=3;date=2027-03-01", ok},
            {"constraint=3;date=2027-02-28", badDate},
            {"constraint=6;date=2027-03-01", ok},
            {"constraint=4;date=2027-02-28", badDate},
            {"constraint=8;date=2027-02-28", ok},
            {"constraint=3;date=2027-02-28;auto=0", ok},
            {"deps=1/FS/nan", badLag, &paint},
            {"deps=1/FS/inf", badLag, &paint},
            {"deps=1/FS/1e300", badLag, &paint},
            {"deps=4/FS/0", badLink}, // a subtask outside its group
            {"deps=1/SS/0,5/FS/0", ok, &finish},
            {"deps=5/FF/0", badLink, &finish},
            {"deps=5/SF/0", badLink, &finish},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Check(c.task ? *c.task : survey, c.edits), c.outcome) << c.edits;
    // The empty row is skipped and the refused one named.
    int32_t row = -1;
    EXPECT_EQ(Outcome(Confirm(project(), survey, Edited(survey, "deps=//,4/FS/0"), &row), false),
              badLink);
    EXPECT_EQ(row, 1);
    // The project's decimal symbol decides.
    project().options.decimalSymbol = ",";
    EXPECT_EQ(Check(survey, "duration=7,5"), ok);
    EXPECT_EQ(Check(survey, "duration=0,009"), badDuration);
}

TEST_F(TaskEditorRules, LoopsAreFoundThroughChainsAndFileCyclesEnd)
{
    // Survey <- Paint <- Varnish (7): Survey may not depend on Varnish; a new task is in no
    // chain yet.
    QPTask& varnish = plan.Task("Varnish", "2");
    varnish.AddDependency(paint.key, eFinishToStart, 0.f);
    EXPECT_EQ(Check(survey, "deps=7/FS/0", true),
              Refusal(eFieldDependencies, "Looping Dependency",
                      "Task #7 has a dependency chain which includes Survey."));
    EXPECT_EQ(Check(QPTask(), "name=Clean up;duration=1;deps=7/FS/0"), "accepted");
    // A loop from a file that does not pass through the edited task ends the search; with a
    // way out to the edited task it is found.
    QPTask& a = plan.Task("Loop A", "1");
    QPTask& b = plan.Task("Loop B", "1");
    a.AddDependency(b.key, eFinishToStart, 0.f);
    b.AddDependency(a.key, eFinishToStart, 0.f);
    EXPECT_EQ(Check(survey, "deps=8/FS/0"), "accepted");
    b.AddDependency(varnish.key, eFinishToStart, 0.f);
    EXPECT_EQ(Check(survey, "deps=8/FS/0"), Refusal(eFieldDependencies, "Looping Dependency"));
}

TEST_F(TaskEditorRules, FormsShowTheTaskAndFollowTheCalendarAcrossDaylightSaving)
{
    // Sunday 7 November 2027 has 25 hours in New York.
    ScopedTimeZone zone("America/New_York");
    project().projectStart = LocalTime(2027, 11, 7);
    QPTask fresh;
    const Form created = Edited(fresh);
    EXPECT_TRUE(created.autoSchedule && created.headerKey == -1);
    EXPECT_EQ(created.scheduleKey, project().defaultScheduleKey);
    EXPECT_EQ(created.start, (QPCalendarDay{2027, 11, 7}));
    EXPECT_EQ(created.finish, (QPCalendarDay{2027, 11, 8}));
    EXPECT_EQ(created.constraintDate, (QPCalendarDay{2027, 11, 8}));
    EXPECT_EQ(Check(survey, "constraint=7;date=2027-11-07"),
              Refusal(eFieldConstraintDate, "Date Conflict"));
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
    // Fixed Duration only; hiding subtasks for headers only.
    const int64_t night = plan.Schedule("Night", 0, {0, 8, 8, 8, 8, 8, 0}).key;
    Form form = Edited(paint, "name=  Paint walls ;type=1;deps=1/SS/0.5,//,6/SF/;res=1:30,2:0");
    form.scheduleKey = night;
    form.hideSubtasks = true;
    form.notes = "Two coats.";
    project().UndoRedoGroupStart();
    QPTaskDialogRules::Apply(project(), paint, form);
    project().UndoRedoGroupEnd();
    EXPECT_EQ(Text(paint), "Paint walls 4h 0% c0 <1:1:0.5 <6:3:0 +1:30");
    EXPECT_EQ(paint.scheduleKey, night);
    EXPECT_EQ(paint.notes, "Two coats.");
    const std::vector<LByteArray> state = State();
    Apply(paint, "");
    EXPECT_EQ(State(), state) << "reopened and confirmed unchanged";
    form.taskType = eTaskTypeFixedWork;
    form.isHeader = true;
    form.dependencies.clear();
    QPTaskDialogRules::Apply(project(), paint, form);
    EXPECT_EQ(Text(paint), "Paint walls h 0% header hidden c0");
    EXPECT_EQ(paint.scheduleKey, -1);
    // A start day counts from its start, a finish day to its end; a manual task drops its
    // constraint; a milestone has no duration and stores none.
    Apply(survey, "constraint=4;date=2027-03-02;percent=49");
    EXPECT_EQ(Text(survey), "Survey 8h 49% c4@2027-03-02 00:00:00");
    Apply(survey, "constraint=6;date=2027-03-02");
    EXPECT_EQ(Text(survey), "Survey 8h 49% c6@2027-03-02 23:59:59");
    Apply(survey, "auto=0;milestone=1;duration=");
    EXPECT_EQ(Text(survey), "Survey h 49% milestone manual c0");
    // A header's progress is its subtasks', and it is never a milestone nor manual.
    Apply(finish, "duration=12;percent=250;milestone=1;auto=0");
    EXPECT_EQ(Text(finish), "Finish h 0% header c0");
    // A manual Fixed Duration task takes its length from its days.
    Apply(walls, "auto=0;type=1;duration=no hours;start=2027-03-03;finish=2027-03-03");
    EXPECT_EQ(walls.durationText, "");
    EXPECT_EQ(walls.start.GetDateTime() + " " + walls.finish.GetDateTime(),
              "2027-03-03 00:00:00 2027-03-03 23:59:59");
}

TEST_F(TaskEditorRules, GroupsStayTogetherAndLinksDoNotCrossTheirEdges)
{
    // Walls leaves Frame: it moves after what remains of the group; Roof's link to it goes.
    Apply(walls, "in=-1", "Survey Frame Roof Walls Paint Finish");
    EXPECT_EQ(frame.subtaskKeys, (std::vector<int64_t>{roof.key}));
    EXPECT_TRUE(roof.dependencies.empty());
    project().undoStack.Undo();
    // Survey joins Frame after Roof; Paint, outside, loses its link to it.
    Apply(survey, "in=2", "Frame Walls Roof Survey Paint Finish");
    EXPECT_EQ(frame.subtaskKeys, (std::vector<int64_t>{walls.key, roof.key, survey.key}));
    EXPECT_TRUE(paint.dependencies.empty());
    project().undoStack.Undo();
    // Frame takes Survey itself: the group moves in the order of the IDs it had.
    Apply(frame, "subs=3,4,1", "Frame Survey Walls Roof Paint Finish");
    EXPECT_TRUE(paint.dependencies.empty());
    EXPECT_EQ(roof.dependencies.size(), 1u) << "links inside the group stay";
    project().undoStack.Undo();
    // Finish takes Paint and Survey: their chain stays; Walls, elsewhere, loses its link.
    walls.AddDependency(survey.key, eFinishToStart, 0.f);
    Apply(finish, "subs=5,1", "Frame Walls Roof Finish Survey Paint");
    EXPECT_EQ(finish.subtaskKeys, (std::vector<int64_t>{paint.key, survey.key}));
    EXPECT_EQ(paint.dependencies.size(), 1u);
    EXPECT_TRUE(walls.dependencies.empty());

    // A new task only takes its fields and header: the main window adds it to both.
    const std::size_t steps = project().undoStack.GetNumItems();
    const std::vector<LByteArray> before = State();
    QPTask fresh;
    const Form form = Edited(fresh, "name=Gutters;duration=3;in=1;deps=2/FS/0;res=1:90,2:0");
    ASSERT_EQ(Outcome(Confirm(project(), fresh, form)), "accepted");
    QPTaskDialogRules::Apply(project(), fresh, form);
    EXPECT_EQ(Text(fresh), "Gutters 3h 0% c0 <2:0:0 +1:90");
    EXPECT_EQ(fresh.headerKey, frame.key);
    EXPECT_EQ(fresh.start.GetDateTime() + " " + fresh.finish.GetDateTime(),
              "2027-03-01 00:00:00 2027-03-02 23:59:59");
    EXPECT_EQ(State(), before);
    EXPECT_EQ(project().undoStack.GetNumItems(), steps);
}

} // namespace
