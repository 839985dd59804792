#include "dialogs/QPTaskDialogRules.h"
#include "model/QPUndoItems.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace QPTaskDialogRules;

// A plan starting Monday 1 March 2027:
//   1 Survey, 2 Frame (header of 3 Walls and 4 Roof), 5 Paint (after Survey), 6 Finish
//   (a header without subtasks), and two resources.
class TaskEditorRules : public ::testing::Test {
protected:
    TaskEditorRules()
        : survey(plan.Task("Survey", "8")), frame(plan.Task("Frame", "")),
          walls(plan.Task("Walls", "16")), roof(plan.Task("Roof", "8")),
          paint(plan.Task("Paint", "4")), finish(plan.Task("Finish", "")),
          mason(plan.Resource("Mason")), painter(plan.Resource("Painter"))
    {
        frame.isHeader = finish.isHeader = true;
        frame.subtaskKeys = {walls.key, roof.key};
        roof.AddDependency(walls.key, eFinishToStart, 0.f);
        paint.AddDependency(survey.key, eFinishToStart, 0.f);
        paint.AddResourceAssignment(painter.key, 50);
        plan.Recalculate();
    }

    QPProject& project() { return plan.project; }
    Form FormOf(const QPTask& task) { return InitialForm(project(), task); }

    // Every task's stored image in list order: the whole state an edit may touch.
    std::vector<LByteArray> State() const
    {
        std::vector<LByteArray> images;
        for (const QPTask& task : plan.project.tasks)
            images.push_back(task.WriteSDF());
        return images;
    }

    std::vector<std::string> NamesInOrder() const
    {
        std::vector<std::string> names;
        for (const QPTask& task : plan.project.tasks)
            names.push_back(task.name.str());
        return names;
    }

    // Applies inside one undo group, as the main window's OK does.
    void ApplyAsOneStep(QPTask& task, const Form& form)
    {
        ASSERT_FALSE(Confirm(project(), task, form).has_value());
        project().UndoRedoGroupStart();
        Apply(project(), task, form);
        project().UndoRedoGroupEnd();
    }

    Plan plan;
    QPTask& survey;
    QPTask& frame;
    QPTask& walls;
    QPTask& roof;
    QPTask& paint;
    QPTask& finish;
    QPResource& mason;
    QPResource& painter;
};

void ExpectRefusal(const QPFormOutcome& outcome, eField field, const std::string& title,
                   const std::string& message)
{
    ASSERT_TRUE(outcome.has_value()) << "accepted, expected \"" << title << "\"";
    EXPECT_EQ(outcome->field, field) << outcome->message;
    EXPECT_EQ(outcome->title, title);
    EXPECT_EQ(outcome->message, message);
}

} // namespace

TEST_F(TaskEditorRules, ChecksRunInOrderAndTheFirstFailureWins)
{
    // Start with every check failing; fixing one at a time must reveal the next, in order.
    Form form = FormOf(paint);
    form.name = "  ";
    form.durationText = "0.009";
    form.percentCompleteText = "101";
    form.constraintType = eConstraintFinishBefore;
    form.constraintDate = QPCalendarDay{2027, 3, 1};
    form.headerKey = frame.key;
    form.dependencies = {{"5", "Finish-to-Start", "0"}};
    form.resources = {{mason.id, "101"}, {painter.id, "50"}};
    form.subtasks = {{walls.id}, {walls.id}};

    struct Step {
        std::function<void(Form&)> fix;
        eField field;
        std::string title;
        std::string message;
    };
    const std::vector<Step> steps = {
            {[](Form&) {}, eFieldName, "Invalid Entry", "Please enter a name for this task."},
            {[](Form& f) { f.name = " Survey "; }, eFieldName, "Duplicate Name",
             "A task with this name exists in the project. Please use a name that is unique."},
            {[](Form& f) { f.name = "Varnish"; }, eFieldDuration, "Invalid Entry",
             "Task duration must be between .01 and 40,000 hours."},
            {[](Form& f) { f.durationText = "6"; }, eFieldPercentComplete, "Invalid Entry",
             "Please enter the percentage of work currently completed on this task."},
            {[](Form& f) {
                 f.percentCompleteText = "100";
                 f.autoSchedule = false;
                 f.taskType = eTaskTypeFixedDuration;
                 f.start = {2027, 3, 10};
                 f.finish = {2027, 3, 9};
             },
             eFieldFinish, "Date Conflict", "Please enter an end date later than the start date."},
            {[](Form& f) { f.autoSchedule = true; }, eFieldConstraintDate, "Date Conflict",
             "The constraint date selected conflicts with the project start date. Please select "
             "a later date."},
            {[](Form& f) {
                 f.constraintDate = {2027, 3, 2};
             },
             eFieldDependencies, "Self-Dependency", "A task may not be dependent upon itself."},
            {[&](Form& f) { f.dependencies[0].idText = std::to_string(frame.id); },
             eFieldDependencies, "Header Task as Dependency",
             "A task may not be dependent upon its own header task."},
            {[&](Form& f) {
                 f.dependencies = {{"3", "Finish-to-Start", "0"}, {" 3", "Start-to-Start", "1"}};
             },
             eFieldDependencies, "Duplicate Dependency",
             "Task #3 is listed as a dependency more than once for Varnish."},
            {[](Form& f) {
                 f.dependencies = {{"1", "Finish-to-Start", "0"}};
             },
             eFieldDependencies, "Invalid Dependency",
             "Task ID #1 is not a sub-task of Frame. Sub-tasks can only be dependent upon other "
             "sub-tasks from the same header task."},
            {[](Form& f) {
                 f.dependencies = {{"4", "Finish-to-Start", "-0.5"}};
             },
             eFieldDependencies, "Invalid Entry",
             "Please enter zero or a positive value for lag between task #4 and Varnish."},
            {[](Form& f) { f.dependencies[0].lagText = "0.5"; }, eFieldResources,
             "Invalid Resource Assignment",
             "Please enter 0 or a positive value no greater than 100 for percent of time "
             "committed by Resource #1."},
            {[](Form& f) { f.resources[0].percentText = "100"; }, eFieldSubtasks,
             "Duplicate Subtask", "Task #3 is listed as a subtask more than once."},
    };
    const std::vector<LByteArray> untouched = State();
    for (const Step& step : steps) {
        step.fix(form);
        SCOPED_TRACE(step.title);
        ExpectRefusal(Confirm(project(), paint, form), step.field, step.title, step.message);
        EXPECT_EQ(TabOf(step.field), step.field == eFieldDependencies ? eTabDependencies
                                     : step.field == eFieldResources  ? eTabResources
                                     : step.field == eFieldSubtasks   ? eTabSubtasks
                                                                      : eTabGeneral);
    }
    form.subtasks.pop_back();
    EXPECT_FALSE(Confirm(project(), paint, form).has_value());
    EXPECT_EQ(State(), untouched) << "checking changes nothing";
}

TEST_F(TaskEditorRules, DependencyChecksNameTheirRowAndTheHeaderRules)
{
    // Without a header, a subtask is refused as a predecessor; a header refuses finish-bound
    // kinds.
    Form form = FormOf(survey);
    form.dependencies = {{"", "", ""}, {"4", "Finish-to-Start", "0"}};
    int32_t row = -1;
    ExpectRefusal(Confirm(project(), survey, form, &row), eFieldDependencies, "Invalid Dependency",
                  "Task ID #4 is a sub-task. Sub-tasks can only be assigned as dependencies to "
                  "other sub-tasks from the same header task.");
    EXPECT_EQ(row, 1) << "the empty row is skipped, the second is named";

    Form header = FormOf(finish);
    header.dependencies = {{"1", "Start-to-Start", "0"}, {"5", "Finish-to-Finish", "0"}};
    ExpectRefusal(Confirm(project(), finish, header, &row), eFieldDependencies,
                  "Invalid Dependency",
                  "Header tasks may not have dependencies that restrict their finish dates. "
                  "Select a condition of Finish-to-Start or Start-to-Start.");
    EXPECT_EQ(row, 1);
    header.dependencies[1].typeText = "Start-to-Start";
    EXPECT_FALSE(Confirm(project(), finish, header).has_value());

    // A lag that is not a number of days at all is refused like a negative one.
    Form lagged = FormOf(paint);
    for (const char* lag : {"nan", "inf", "1e300"}) {
        lagged.dependencies = {{"1", "Finish-to-Start", lag}};
        ExpectRefusal(Confirm(project(), paint, lagged), eFieldDependencies, "Invalid Entry",
                      "Please enter zero or a positive value for lag between task #1 and Paint.");
    }
}

TEST_F(TaskEditorRules, LoopsAreFoundThroughChainsAndFileCyclesEnd)
{
    // Survey <- Paint <- Varnish: Survey may not depend on Varnish.
    QPTask& varnish = plan.Task("Varnish", "2");
    varnish.AddDependency(paint.key, eFinishToStart, 0.f);
    Form form = FormOf(survey);
    form.dependencies = {{std::to_string(varnish.id), "Finish-to-Start", "0"}};
    ExpectRefusal(Confirm(project(), survey, form), eFieldDependencies, "Looping Dependency",
                  "Task #7 has a dependency chain which includes Survey.");

    // A new task cannot be in a chain yet, so it is not checked.
    auto fresh = std::make_unique<QPTask>();
    Form freshForm = FormOf(*fresh);
    freshForm.name = "Clean up";
    freshForm.durationText = "1";
    freshForm.dependencies = form.dependencies;
    EXPECT_FALSE(Confirm(project(), *fresh, freshForm).has_value());

    // A loop read from a file that does not pass through the edited task: the check ends
    // and accepts.
    QPTask& a = plan.Task("Loop A", "1");
    QPTask& b = plan.Task("Loop B", "1");
    a.AddDependency(b.key, eFinishToStart, 0.f);
    b.AddDependency(a.key, eFinishToStart, 0.f);
    form.dependencies = {{std::to_string(a.id), "Finish-to-Start", "0"}};
    EXPECT_FALSE(Confirm(project(), survey, form).has_value());
    // The same loop with a way out to the edited task is still found.
    b.AddDependency(varnish.key, eFinishToStart, 0.f);
    ExpectRefusal(Confirm(project(), survey, form), eFieldDependencies, "Looping Dependency",
                  "Task #8 has a dependency chain which includes Survey.");
}

TEST_F(TaskEditorRules, DurationAndPercentLimits)
{
    Form form = FormOf(survey);
    for (const char* accepted : {"0.01", "40000", " 7.5 "}) {
        form.durationText = accepted;
        EXPECT_FALSE(Confirm(project(), survey, form).has_value()) << accepted;
    }
    for (const char* refused : {"0.009", "40000.5", "-1", "eight", "", "1.2.3"}) {
        form.durationText = refused;
        ExpectRefusal(Confirm(project(), survey, form), eFieldDuration, "Invalid Entry",
                      "Task duration must be between .01 and 40,000 hours.");
    }
    // The project's decimal symbol decides.
    project().options.decimalSymbol = ",";
    form.durationText = "7,5";
    EXPECT_FALSE(Confirm(project(), survey, form).has_value());
    form.durationText = "0,009";
    EXPECT_TRUE(Confirm(project(), survey, form).has_value());
    project().options.decimalSymbol = ".";

    form.durationText = "8";
    form.percentCompleteText = "100";
    EXPECT_FALSE(Confirm(project(), survey, form).has_value());
    for (const char* refused : {"101", "-5", "ten", "99999999999"}) {
        form.percentCompleteText = refused;
        EXPECT_TRUE(Confirm(project(), survey, form).has_value()) << refused;
    }

    // A milestone or a header has no duration to check, and stores none; a header's
    // progress is its subtasks'.
    form.percentCompleteText = "40";
    form.milestone = true;
    form.durationText = "";
    ApplyAsOneStep(survey, form);
    EXPECT_TRUE(survey.milestone);
    EXPECT_EQ(survey.durationText, "");
    EXPECT_EQ(survey.percentComplete, 40);

    Form header = FormOf(finish);
    header.durationText = "12";
    header.percentCompleteText = "250";
    header.milestone = true;
    header.autoSchedule = false;
    ApplyAsOneStep(finish, header);
    EXPECT_EQ(finish.durationText, "");
    EXPECT_EQ(finish.percentComplete, 0);
    EXPECT_FALSE(finish.milestone);
    EXPECT_TRUE(finish.autoSchedule);

    // A manual Fixed Duration task takes its length from its dates.
    Form manual = FormOf(paint);
    manual.autoSchedule = false;
    manual.taskType = eTaskTypeFixedDuration;
    manual.durationText = "no hours";
    manual.start = manual.finish = {2027, 3, 3};
    ApplyAsOneStep(paint, manual);
    EXPECT_EQ(paint.durationText, "");
    EXPECT_EQ(paint.start, LocalTime(2027, 3, 3, 0, 0, 0));
    EXPECT_EQ(paint.finish, LocalTime(2027, 3, 3, 23, 59, 59));
}

TEST_F(TaskEditorRules, ConstraintDatesAgainstTheProjectStart)
{
    Form form = FormOf(survey);
    auto refused = [&](int32_t type, QPCalendarDay day) {
        form.constraintType = type;
        form.constraintDate = day;
        return Confirm(project(), survey, form).has_value();
    };
    const QPCalendarDay first{2027, 3, 1};
    const QPCalendarDay second{2027, 3, 2};
    const QPCalendarDay before{2027, 2, 28};
    EXPECT_TRUE(refused(eConstraintFinishBefore, first));
    EXPECT_FALSE(refused(eConstraintFinishBefore, second));
    EXPECT_FALSE(refused(eConstraintStartOn, first));
    EXPECT_TRUE(refused(eConstraintStartOn, before));
    EXPECT_FALSE(refused(eConstraintFinishOn, first));
    EXPECT_FALSE(refused(eConstraintStartBefore, second));
    EXPECT_TRUE(refused(eConstraintStartBefore, before));
    EXPECT_FALSE(refused(eConstraintStartAfter, before)); // not tested
    EXPECT_FALSE(refused(eConstraintFinishAfter, before));
    // A manual task drops its constraint, so its date does not matter.
    form.autoSchedule = false;
    EXPECT_FALSE(refused(eConstraintStartOn, before));

    form.autoSchedule = true;
    EXPECT_FALSE(refused(eConstraintStartAfter, second));
    ApplyAsOneStep(survey, form);
    EXPECT_EQ(survey.constraintType, eConstraintStartAfter);
    EXPECT_EQ(survey.constraintDate, LocalTime(2027, 3, 2, 0, 0, 0));
    form.constraintType = eConstraintFinishOn;
    ApplyAsOneStep(survey, form);
    EXPECT_EQ(survey.constraintDate, LocalTime(2027, 3, 2, 23, 59, 59));
    form.autoSchedule = false;
    ApplyAsOneStep(survey, form);
    EXPECT_EQ(survey.constraintType, eConstraintNone);
}

TEST_F(TaskEditorRules, DaysFollowTheCalendarAcrossDaylightSaving)
{
    // Sunday 7 November 2027 has 25 hours in New York.
    ScopedTimeZone zone("America/New_York");
    project().projectStart = LocalTime(2027, 11, 7);
    auto fresh = std::make_unique<QPTask>();
    const Form form = FormOf(*fresh);
    EXPECT_EQ(form.start, (QPCalendarDay{2027, 11, 7}));
    EXPECT_EQ(form.finish, (QPCalendarDay{2027, 11, 8}));
    EXPECT_EQ(form.constraintDate, (QPCalendarDay{2027, 11, 8}));

    Form survey7 = FormOf(survey);
    survey7.constraintType = eConstraintFinishBefore;
    survey7.constraintDate = {2027, 11, 7};
    EXPECT_TRUE(Confirm(project(), survey, survey7).has_value());
    survey7.constraintDate = {2027, 11, 8};
    EXPECT_FALSE(Confirm(project(), survey, survey7).has_value());
}

TEST_F(TaskEditorRules, InitialFormsOfNewAndExistingTasks)
{
    auto fresh = std::make_unique<QPTask>();
    fresh->scheduleKey = -1;
    const Form created = FormOf(*fresh);
    EXPECT_TRUE(created.autoSchedule);
    EXPECT_EQ(created.taskType, eTaskTypeFixedWork);
    EXPECT_EQ(created.constraintType, eConstraintNone);
    EXPECT_EQ(created.headerKey, -1);
    EXPECT_EQ(created.scheduleKey, project().defaultScheduleKey);
    EXPECT_EQ(created.start, (QPCalendarDay{2027, 3, 1}));
    EXPECT_EQ(created.finish, (QPCalendarDay{2027, 3, 2}));
    ASSERT_EQ(created.resources.size(), 2u);
    EXPECT_EQ(created.resources[0].percentText, "0");

    paint.AddDependency(walls.key, eStartToStart, 1.5f);
    const Form existing = FormOf(paint);
    EXPECT_EQ(existing.name, "Paint");
    EXPECT_EQ(existing.durationText, "4");
    ASSERT_EQ(existing.dependencies.size(), 2u);
    EXPECT_EQ(existing.dependencies[0].idText, "3");
    EXPECT_EQ(existing.dependencies[0].typeText, "Start-to-Start");
    EXPECT_EQ(existing.dependencies[0].lagText, "1.50");
    EXPECT_EQ(existing.dependencies[1].idText, "1");
    ASSERT_EQ(existing.resources.size(), 2u);
    EXPECT_EQ(existing.resources[0].resourceID, mason.id);
    EXPECT_EQ(existing.resources[0].percentText, "0");
    EXPECT_EQ(existing.resources[1].percentText, "50");

    EXPECT_EQ(FormOf(roof).headerKey, frame.key);
    const Form header = FormOf(frame);
    ASSERT_EQ(header.subtasks.size(), 2u);
    EXPECT_EQ(header.subtasks[1].taskID, roof.id);

    // The lists the editor offers.
    std::vector<const QPTask*> eligible = EligibleSubtasks(project(), frame);
    EXPECT_EQ(eligible, (std::vector<const QPTask*>{&survey, &walls, &roof, &paint}));
    eligible = EligibleSubtasks(project(), finish);
    EXPECT_EQ(eligible, (std::vector<const QPTask*>{&survey, &paint}));
    EXPECT_EQ(HeaderChoices(project(), frame), (std::vector<const QPTask*>{&finish}));
}

TEST_F(TaskEditorRules, WriteBackRebuildsFieldsDependenciesAndAssignments)
{
    Form form = FormOf(paint);
    form.name = "  Paint walls ";
    form.taskType = eTaskTypeFixedDuration;
    const int64_t night = plan.Schedule("Night", 0, {0, 8, 8, 8, 8, 8, 0}).key;
    form.scheduleKey = night;
    form.hideSubtasks = true; // not a header: ignored
    form.notes = "Two coats.";
    form.dependencies = {
            {"1", "Start-to-Start", "0.5"}, {"", "", ""}, {"6", "Start-to-Finish", ""}};
    form.resources = {{mason.id, "30"}, {painter.id, "0"}};
    ApplyAsOneStep(paint, form);

    EXPECT_EQ(paint.name, "Paint walls");
    EXPECT_EQ(paint.scheduleKey, night);
    EXPECT_FALSE(paint.hideSubtasks);
    EXPECT_EQ(paint.notes, "Two coats.");
    ASSERT_EQ(paint.dependencies.size(), 2u);
    EXPECT_EQ(paint.dependencies[0],
              (QPTaskDependency{survey.key, eStartToStart, 0.5f})); // first row at the head
    EXPECT_EQ(paint.dependencies[1], (QPTaskDependency{finish.key, eStartToFinish, 0.f}));
    ASSERT_EQ(paint.resourceAssignments.size(), 1u) << "a row at 0% assigns nothing";
    EXPECT_EQ(paint.resourceAssignments[0].resourceKey, mason.key);
    EXPECT_EQ(paint.resourceAssignments[0].percent, 30);

    // Reopening and confirming unchanged keeps everything as it is.
    const std::vector<LByteArray> state = State();
    ApplyAsOneStep(paint, FormOf(paint));
    EXPECT_EQ(State(), state);

    // Fixed Work follows the default schedule; a header has no resources.
    form.taskType = eTaskTypeFixedWork;
    form.isHeader = true;
    form.dependencies.clear();
    ApplyAsOneStep(paint, form);
    EXPECT_EQ(paint.scheduleKey, -1);
    EXPECT_TRUE(paint.hideSubtasks);
    EXPECT_TRUE(paint.resourceAssignments.empty());
}

TEST_F(TaskEditorRules, LeavingAHeaderMovesTheTaskAfterWhatRemainsOfTheGroup)
{
    Form form = FormOf(walls);
    form.headerKey = -1;
    form.dependencies.clear();
    ApplyAsOneStep(walls, form);
    EXPECT_EQ(frame.subtaskKeys, (std::vector<int64_t>{roof.key}));
    EXPECT_EQ(NamesInOrder(),
              (std::vector<std::string>{"Survey", "Frame", "Roof", "Walls", "Paint", "Finish"}));
    // Roof depended on Walls, which now stands outside the group.
    EXPECT_TRUE(roof.dependencies.empty());
    project().RefreshSubtaskHeaderKeys();
    EXPECT_EQ(walls.headerKey, -1);
    EXPECT_EQ(roof.headerKey, frame.key);
}

TEST_F(TaskEditorRules, JoiningAHeaderAppendsTheTaskAndUndoRestoresEverything)
{
    const std::vector<LByteArray> before = State();
    const std::size_t steps = project().undoStack.GetNumItems();

    // Survey joins Frame: it moves after Roof, and Paint, outside the group, loses its
    // dependency on it.
    Form form = FormOf(survey);
    form.headerKey = frame.key;
    form.durationText = "10";
    ApplyAsOneStep(survey, form);
    EXPECT_EQ(frame.subtaskKeys, (std::vector<int64_t>{walls.key, roof.key, survey.key}));
    EXPECT_EQ(NamesInOrder(),
              (std::vector<std::string>{"Frame", "Walls", "Roof", "Survey", "Paint", "Finish"}));
    EXPECT_TRUE(paint.dependencies.empty());
    EXPECT_EQ(survey.durationText, "10");
    EXPECT_EQ(project().undoStack.GetNumItems(), steps + 1) << "one step for the whole edit";
    const std::vector<LByteArray> after = State();

    project().undoStack.Undo();
    EXPECT_EQ(State(), before);
    project().undoStack.Redo();
    EXPECT_EQ(State(), after);
}

TEST_F(TaskEditorRules, AHeadersSubtasksAreRebuiltAndMovedAfterIt)
{
    // Walls depends on nothing yet; Paint depends on Survey, which joins with it.
    walls.AddDependency(survey.key, eFinishToStart, 0.f);
    plan.Recalculate();
    const std::vector<LByteArray> before = State();

    Form form = FormOf(finish);
    form.subtasks = {{paint.id}, {survey.id}};
    ApplyAsOneStep(finish, form);
    EXPECT_EQ(finish.subtaskKeys, (std::vector<int64_t>{paint.key, survey.key}));
    EXPECT_EQ(NamesInOrder(),
              (std::vector<std::string>{"Frame", "Walls", "Roof", "Finish", "Survey", "Paint"}));
    // Inside the new group the chain stays; Walls, in another group, loses its link.
    ASSERT_EQ(paint.dependencies.size(), 1u);
    EXPECT_EQ(paint.dependencies[0].predecessorKey, survey.key);
    EXPECT_TRUE(walls.dependencies.empty());
    EXPECT_EQ(survey.headerKey, finish.key);

    const std::vector<LByteArray> after = State();
    project().undoStack.Undo();
    EXPECT_EQ(State(), before);
    project().undoStack.Redo();
    EXPECT_EQ(State(), after);
}

TEST_F(TaskEditorRules, ANewTaskOnlyTakesItsFieldsAndHeader)
{
    const std::size_t steps = project().undoStack.GetNumItems();
    const std::vector<LByteArray> before = State();
    auto fresh = std::make_unique<QPTask>();
    Form form = FormOf(*fresh);
    form.name = "Gutters";
    form.durationText = "3";
    form.headerKey = frame.key;
    form.dependencies = {{std::to_string(walls.id), "Finish-to-Start", "0"}};
    form.resources[0].percentText = "100";
    ASSERT_FALSE(Confirm(project(), *fresh, form).has_value());
    Apply(project(), *fresh, form);

    EXPECT_EQ(fresh->name, "Gutters");
    EXPECT_EQ(fresh->headerKey, frame.key);
    ASSERT_EQ(fresh->dependencies.size(), 1u);
    EXPECT_EQ(fresh->dependencies[0].predecessorKey, walls.key);
    ASSERT_EQ(fresh->resourceAssignments.size(), 1u);
    EXPECT_EQ(fresh->start, LocalTime(2027, 3, 1, 0, 0, 0));
    EXPECT_EQ(fresh->finish, LocalTime(2027, 3, 2, 23, 59, 59));
    // The main window adds it to the project and to its header.
    EXPECT_EQ(State(), before);
    EXPECT_EQ(project().undoStack.GetNumItems(), steps);
}

TEST_F(TaskEditorRules, ATaskTakenIntoAGroupLosesItsLinksOutsideIt)
{
    // Paint depends on Survey; once Survey stands in Frame's group and Paint does not, the
    // link would cross the group's edge. Survey stands before Frame until it is moved, so
    // the links can only be judged after the move.
    Form form = FormOf(frame);
    form.subtasks.push_back({survey.id});
    ApplyAsOneStep(frame, form);
    EXPECT_EQ(frame.subtaskKeys, (std::vector<int64_t>{walls.key, roof.key, survey.key}));
    // The group is moved in the order of the IDs it had.
    EXPECT_EQ(NamesInOrder(),
              (std::vector<std::string>{"Frame", "Survey", "Walls", "Roof", "Paint", "Finish"}));
    EXPECT_TRUE(paint.dependencies.empty());
    ASSERT_EQ(roof.dependencies.size(), 1u) << "links inside the group stay";
    project().undoStack.Undo();
    ASSERT_EQ(paint.dependencies.size(), 1u);
    EXPECT_EQ(paint.dependencies[0].predecessorKey, survey.key);
}
