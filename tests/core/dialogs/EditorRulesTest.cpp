#include "dialogs/QPBaselineRules.h"
#include "dialogs/QPGeneralPageRules.h"
#include "dialogs/QPProjectDialogRules.h"
#include "dialogs/QPResourceDialogRules.h"
#include "dialogs/QPTaskDialogRules.h"

#include "support/Plan.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace {

using S = const std::string&;
using TaskForm = QPTaskDialogRules::Form;
using ResourceForm = QPResourceDialogRules::Form;
using ScheduleForm = QPScheduleDialogRules::Form;
using ProjectForm = QPProjectDialogRules::Form;
using ExceptionForm = QPExceptionRules::Form;

std::vector<std::string> Split(S text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

// The task editor's fields in its order, named as the edits name them.
const std::vector<std::string> kTaskFields =
        Split("name type schedule duration percent header hide auto start finish constraint date "
              "milestone in notes deps res subs",
              ' ');

// A form field set from its text: "1" ticks a box, a day is YYYY-MM-DD, a week is the
// seven values from Sunday (the last one stands for the rest), exception rows "DAY:hours ...", the
// task editor's rows "ID/FS/lag,..." (FS, SS, FF, SF), "resourceID:percent,..." and "ID,...".
struct Assign {
    static void To(std::string& field, S text) { field = text; }
    static void To(bool& field, S text) { field = text == "1"; }
    static void To(int& field, S text) { field = std::stoi(text); }
    static void To(int64_t& field, S text) { field = std::stoll(text); }
    static void To(QPCalendarDay& day, S text)
    {
        std::sscanf(text.c_str(), "%d-%d-%d", &day.year, &day.month, &day.day);
    }
    template <class T>
    static void To(std::array<T, 7>& week, S text)
    {
        std::istringstream in(text);
        for (int32_t value = 0; T & day : week)
            day = T((in >> value, value));
    }
    static void To(std::vector<ExceptionForm>& rows, S text)
    {
        rows.clear();
        for (const std::string& row : Split(text, ' ')) {
            rows.push_back({{}, row.substr(11)});
            To(rows.back().day, row);
        }
    }
    static void To(QPTaskDialogRules::DependencyRow& row, S text)
    {
        const std::vector<std::string> cells = Split(text + "/", '/');
        const std::size_t kind = std::string("FS SS FF SF").find(cells[1]);
        row = {cells[0], cells[1].empty() ? "" : QPTaskDialogRules::kDependencyTypeNames[kind / 3],
               cells[2]};
    }
    static void To(QPTaskDialogRules::ResourceRow& row, S text)
    {
        row = {std::stoi(text), text.substr(text.find(':') + 1)};
    }
    static void To(QPTaskDialogRules::SubtaskRow& row, S text) { row = {std::stoi(text)}; }
    template <class T>
    static void To(std::vector<T>& rows, S text)
    {
        rows.clear();
        for (const std::string& row : Split(text, ','))
            To(rows.emplace_back(), row);
    }
};

template <class F>
using Fields = std::map<std::string, std::function<void(F&, S)>>;

// The fields named in `names`, separated by spaces, as the members in their order.
template <class F, class... T>
Fields<F> Named(S names, T F::*... members)
{
    const std::vector<std::string> keys = Split(names, ' ');
    Fields<F> fields;
    std::size_t i = 0;
    ((fields[keys.at(i++)] = [members](F& form, S text) { Assign::To(form.*members, text); }), ...);
    return fields;
}

// The text with \t and \n as a tab and a line break.
std::string Unescaped(std::string text)
{
    for (const auto& [escape, character] : {std::pair{"\\t", "\t"}, {"\\n", "\n"}})
        for (std::size_t at; (at = text.find(escape)) != text.npos;)
            text.replace(at, 2, character);
    return text;
}

// The form with the edits "field=value;..." made in order; "decimal" is the project's
// setting, made before the form opens.
template <class F>
F Edited(F form, const Fields<F>& fields, S edits)
{
    for (const std::string& edit : Split(edits, ';')) {
        const std::string field = edit.substr(0, edit.find('='));
        if (field != "decimal")
            fields.at(field)(form, Unescaped(edit.substr(field.size() + 1)));
    }
    return form;
}

const Fields<ScheduleForm> kScheduleFields =
        Named<ScheduleForm>("name hours minutes starts week weekstart exceptions",
                            &ScheduleForm::name, &ScheduleForm::hours, &ScheduleForm::minutes,
                            &ScheduleForm::starts, &ScheduleForm::regularWorkWeekHours,
                            &ScheduleForm::workWeekStart, &ScheduleForm::exceptions);
const Fields<ProjectForm> kProjectFields =
        Named<ProjectForm>("name start deadline schedule", &ProjectForm::name, &ProjectForm::start,
                           &ProjectForm::deadline, &ProjectForm::defaultScheduleKey);
const Fields<ExceptionForm> kExceptionFields =
        Named<ExceptionForm>("hours", &ExceptionForm::hoursText);

// Everything the project editor may write, as one text.
std::string ProjectText(const QPProjectBase& project)
{
    return project.name.str() + " " + project.projectStart.GetDateTime() + " " +
           project.projectDeadline.GetDateTime() + " " +
           std::to_string(project.defaultScheduleKey) + (project.dirty ? " dirty" : "");
}

// A schedule's or a resource's exceptions as " DAY TIME/seconds ...".
std::string ExceptionsText(const std::vector<QPScheduleException>& exceptions)
{
    std::string text;
    for (const QPScheduleException& exception : exceptions)
        text += " " + exception.date.GetDateTime() + "/" + std::to_string(exception.workSeconds);
    return text;
}

// A schedule as its name, each day's shift length and start from Sunday, the regular week,
// the day it starts and the exceptions.
std::string ScheduleText(const QPSchedule& schedule)
{
    std::ostringstream out;
    out << schedule.name.str();
    for (int day = 0; day < 7; ++day)
        out << " " << schedule.shiftDuration[day] << "@" << schedule.shiftStart[day].Get();
    out << " " << schedule.regularWorkWeek << " " << schedule.workWeekStart;
    return out.str() + ExceptionsText(schedule.exceptions);
}

// The plan every editor opens on, from Monday 1 March 2027 to its deadline on 25 June:
// tasks 1 Survey, 2 Frame (header of 3 Walls and 4 Roof, Roof after Walls), 5 Paint (after
// Survey, Painter at 50%) and 6 Finish (a header without subtasks); resources 1 Mason,
// 2 Painter and 3 Bea (on Crane Hours, updates by mail, a day off); schedules Default
// Schedule, Crane Hours (Saturdays too) and Night Shift (8h30 from 22:00 on weekdays, a
// 38-hour week from Monday, 4.5 hours off at Christmas); baselines 0 Approved Plan and
// 1 After Tender.
class Harbour : public Plan {
public:
    Harbour()
    {
        frame.isHeader = finish.isHeader = true;
        frame.subtaskKeys = {walls.key, roof.key};
        roof.AddDependency(walls.key, eFinishToStart, 0.f);
        paint.AddDependency(survey.key, eFinishToStart, 0.f);
        paint.AddResourceAssignment(painter.key, 50);
        bea.email = "bea@harbour.example";
        bea.sendProjectUpdates = true;
        bea.notes = "Crane licence until 2026.";
        bea.AddException(LocalTime(2024, 8, 12, 9), 8 * kHour);
        night.regularWorkWeek = 38 * kHour;
        night.workWeekStart = eMonday;
        night.AddException(LocalTime(2024, 12, 25, 15), 4 * kHour + 1800);
        project.SetName("Harbour Bridge");
        project.projectDeadline = LocalTime(2027, 6, 25, 23, 59, 59);
        Recalculate();
        project.BaselineAdd("Approved Plan");
        project.BaselineAdd("After Tender");
        project.dirty = false;
    }

    // The task form with the edits; the header ("in") is a task ID.
    TaskForm Task(const QPTask& task, S edits = "")
    {
        using F = TaskForm;
        Fields<F> fields = Named<F>(
                "name duration percent type schedule header hide constraint auto milestone date "
                "start finish notes deps res subs",
                &F::name, &F::durationText, &F::percentCompleteText, &F::taskType, &F::scheduleKey,
                &F::isHeader, &F::hideSubtasks, &F::constraintType, &F::autoSchedule, &F::milestone,
                &F::constraintDate, &F::start, &F::finish, &F::notes, &F::dependencies,
                &F::resources, &F::subtasks);
        fields["in"] = [&](F& f, S v) {
            f.headerKey = v == "-1" ? -1 : project.tasks.GetElement(std::stoi(v))->key;
        };
        return Edited(QPTaskDialogRules::InitialForm(project, task), fields, edits);
    }

    // The resource form with the edits; "use" chooses the schedule with that key.
    ResourceForm Resource(const QPResource& resource, S edits)
    {
        using F = ResourceForm;
        Fields<F> fields = Named<F>("name email rate overtime project task notes", &F::name,
                                    &F::email, &F::hourlyRateText, &F::overtimeRateText,
                                    &F::sendProjectUpdates, &F::sendTaskUpdates, &F::notes);
        // The schedule's fields as "s" and their names: "sname", "shours", "sexceptions".
        for (const auto& [name, set] : kScheduleFields)
            fields["s" + name] = [set](F& f, S v) { set(f.schedule, v); };
        fields["source"] = [](F& f, S v) { Assign::To(f.schedule.editSource, v); };
        fields["use"] = [&](F& f, S v) {
            QPScheduleDialogRules::LoadSchedule(f.schedule,
                                                project.schedules.GetElementByKey(std::stoll(v)));
        };
        return Edited(QPResourceDialogRules::ResourceForm(project, resource), fields, edits);
    }

    // What the task editor writes of a task: "Name 8h 40% t<type> [flags] c<constraint>[@date]
    // [in<header ID>] [s<schedule key>] <ID:type:lag ... +resourceID:percent ... [notes]", with
    // the days of a manual or new task.
    std::string Text(const QPTask& t)
    {
        std::ostringstream out;
        out << t.name.str() << " " << t.durationText.str() << "h " << t.percentComplete << "% t"
            << t.taskType << (t.milestone ? " milestone" : "") << (t.isHeader ? " header" : "")
            << (t.hideSubtasks ? " hidden" : "") << (t.autoSchedule ? "" : " manual") << " c"
            << t.constraintType;
        if (t.constraintType != eConstraintNone)
            out << "@" << t.constraintDate.GetDateTime();
        if (const QPTask* header = project.tasks.GetElementByKey(t.headerKey))
            out << " in" << header->id;
        if (t.scheduleKey >= 0)
            out << " s" << t.scheduleKey;
        for (const QPTaskDependency& link : t.dependencies)
            out << " <" << project.tasks.GetElementByKey(link.predecessorKey)->id << ":"
                << link.type << ":" << link.lag;
        for (const QPResourceAssignment& assignment : t.resourceAssignments)
            out << " +" << project.resources.GetElementByKey(assignment.resourceKey)->id << ":"
                << assignment.percent;
        if (!t.autoSchedule || t.id < 0)
            out << " " << t.start.GetDateTime() << ".." << t.finish.GetDateTime();
        return out.str() + (t.notes.empty() ? "" : " " + t.notes);
    }

    // A resource's fields, its own exceptions and the schedule it follows.
    std::string Text(const QPResource& r)
    {
        std::ostringstream out;
        out << r.name.str() << " " << r.email.str() << " " << r.hourlyRate << " " << r.overtimeRate
            << " " << r.sendProjectUpdates << r.sendTaskUpdates << " " << r.notes
            << ExceptionsText(r.exceptions) << " | "
            << ScheduleText(*project.schedules.GetElementByKey(r.scheduleKey));
        return out.str();
    }

    // The answer of an editor opened on element `id` (a word for one being created) to the
    // edits: "accepted", or the refused field (the task editor's by name, with "#ROW" for a
    // row of its lists), its title and, when asked, its message. The resource and schedule
    // editors on an element and the project editor write what they accept; where the
    // expected answer starts with "wrote" the task editor writes too, as one undo step with
    // the others, and the answer is "wrote" and the element as written (or "outline" and the
    // task list).
    std::string Answer(S editor, S id, S edits, S expected = "")
    {
        if (const std::size_t at = edits.find("decimal="); at != edits.npos)
            project.options.SetDecimalSymbol(edits.substr(at + 8, 1));
        const int32_t n = std::isdigit(id[0]) ? std::stoi(id) : -1;
        QPTask newTask;
        QPResource newResource;
        QPSchedule newSchedule;
        auto element = [&](auto& list, auto& fresh) -> auto&
        {
            return n < 0 ? fresh : *list.GetElement(n);
        };
        const bool wrote = expected.starts_with("wrote") || expected.starts_with("outline");
        int32_t row = -1;
        std::function<std::string()> written = [&] { return ProjectText(project); };
        const LByteArray before = project.ProjectSaveToBytes();
        const std::size_t steps = project.undoStack.GetNumItems();
        const bool dirty = project.dirty;
        project.UndoRedoGroupStart();
        const QPFormOutcome outcome = [&]() -> QPFormOutcome {
            if (editor == "task") {
                QPTask& task = element(project.tasks, newTask);
                written = [this, t = &task] { return Text(*t); };
                const TaskForm form = Task(task, edits);
                QPFormOutcome refused = QPTaskDialogRules::Confirm(project, task, form, &row);
                if (!refused && wrote)
                    QPTaskDialogRules::Apply(project, task, form);
                return refused;
            }
            if (editor == "resource") {
                QPResource& resource = element(project.resources, newResource);
                written = [this, r = &resource] { return Text(*r); };
                return QPResourceDialogRules::Confirm(project, resource, Resource(resource, edits));
            }
            if (editor == "schedule") {
                QPSchedule& schedule = element(project.schedules, newSchedule);
                written = [s = &schedule] { return ScheduleText(*s); };
                return QPScheduleDialogRules::Confirm(
                        project, schedule,
                        Edited(QPScheduleDialogRules::ScheduleForm(project.options, schedule),
                               kScheduleFields, edits));
            }
            if (editor == "project")
                return QPProjectDialogRules::Confirm(
                        project, Edited(n < 0 ? QPProjectDialogRules::NewProjectForm()
                                              : QPProjectDialogRules::EditProjectForm(project),
                                        kProjectFields, edits));
            if (editor == "exception")
                return QPExceptionRules::Confirm(
                        project.options,
                        Edited(ExceptionForm{{2025, 3, 5}, ""}, kExceptionFields, edits));
            EXPECT_EQ(editor, "baseline");
            return edits.starts_with("id=")
                           ? QPBaselineRules::CheckSelection(project, std::stoi(edits.substr(3)))
                           : QPBaselineRules::CheckNewName(project, Unescaped(edits.substr(5)));
        }();
        project.UndoRedoGroupEnd();
        const bool changes =
                !outcome && (editor == "project" ||
                             (n >= 0 && (wrote || editor == "resource" || editor == "schedule")));
        if (!changes) {
            EXPECT_EQ(project.ProjectSaveToBytes(), before) << "the editor wrote";
            EXPECT_EQ(std::pair(project.undoStack.GetNumItems(), project.dirty),
                      std::pair(steps, dirty));
        }
        if (outcome)
            return (editor == "task" ? kTaskFields[outcome->field]
                                     : std::to_string(outcome->field)) +
                   (row >= 0 ? "#" + std::to_string(row) : "") +
                   (outcome->title.empty() ? "" : " " + outcome->title) +
                   (expected.find(':') != expected.npos ? ": " + outcome->message : "");
        if (!wrote)
            return "accepted";
        if (expected.starts_with("outline"))
            return "outline " + Outline();
        const std::string text = "wrote " + written();
        if (changes && editor != "project") {
            // Undone, the edit is gone; redone, it is back, its lists perhaps in another order.
            project.undoStack.Undo();
            EXPECT_EQ(project.ProjectSaveToBytes(), before) << "undone";
            project.undoStack.Redo();
            std::vector<std::string> words = Split("wrote " + written(), ' '),
                                     was = Split(text, ' ');
            std::sort(words.begin(), words.end());
            std::sort(was.begin(), was.end());
            EXPECT_EQ(words, was) << "redone";
        }
        return text;
    }

    // The tasks in list order, a header with its group, a task with its predecessors:
    // "Frame{Walls,Roof} Walls Roof<Walls".
    std::string Outline()
    {
        std::string text;
        for (const QPTask& task : project.tasks) {
            text += (text.empty() ? "" : " ") + task.name.str();
            std::string group;
            for (int64_t key : task.subtaskKeys)
                group +=
                        (group.empty() ? "" : ",") + project.tasks.GetElementByKey(key)->name.str();
            if (task.isHeader)
                text += "{" + group + "}";
            for (const QPTaskDependency& link : task.dependencies)
                text += "<" + project.tasks.GetElementByKey(link.predecessorKey)->name.str();
        }
        return text;
    }

    QPTask &survey = Plan::Task("Survey", "8"), &frame = Plan::Task("Frame", ""),
           &walls = Plan::Task("Walls", "16"), &roof = Plan::Task("Roof", "8"),
           &paint = Plan::Task("Paint", "4"), &finish = Plan::Task("Finish", "");
    QPSchedule& crane = Schedule("Crane Hours", 8 * kHour, {0, 8, 8, 8, 8, 8, 6});
    QPSchedule& night = Schedule("Night Shift", 22 * kHour, {0, 8.5, 8.5, 8.5, 8.5, 8.5, 0});
    QPResource &mason = Plan::Resource("Mason"), &painter = Plan::Resource("Painter"),
               &bea = Plan::Resource("Bea", &crane, 4250, 6000);
};

class EditorRules : public ::testing::Test, public Harbour {};

// tests/data/dialogs/editors.txt: every editor's checks in their order and at their limits.
TEST(EditorChecks, RunInOrderKeepTheirLimitsAndARefusalWritesNothing)
{
    std::ifstream cases(std::string(KESTRANO_TEST_DATA_DIR) + "/dialogs/editors.txt");
    int count = 0;
    std::string edits;
    for (std::string line; std::getline(cases, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t bar = line.find(" | "), last = line.find(" | ", bar + 3);
        const std::string fields = line.substr(bar + 3, last - bar - 3);
        const std::vector<std::string> element = Split(line.substr(0, bar), ' ');
        edits = fields.starts_with('+') ? edits + ";" + fields.substr(1) : fields;
        const std::string outcome = line.substr(last + 3);
        EXPECT_EQ(Harbour().Answer(element.front(), element.back(), edits, outcome), outcome)
                << line;
        ++count;
    }
    EXPECT_EQ(count, 127);
}

TEST_F(EditorRules, LoopsAreFoundThroughChainsAndFileLoopsEnd)
{
    // Survey <- Paint <- Varnish (7); a new task is in no chain yet. A loop from a file
    // (8 and 9) ends the search, unless it leads to the edited task.
    Plan::Task("Varnish", "2").AddDependency(paint.key, eFinishToStart, 0.f);
    EXPECT_EQ(Answer("task", "1", "deps=7/FS/0", ":"),
              "deps#0 Looping Dependency: Task #7 has a dependency chain which includes Survey.");
    EXPECT_EQ(Answer("task", "new", "name=Clean up;duration=1;deps=7/FS/0"), "accepted");
    QPTask &a = Plan::Task("Loop A", "1"), &b = Plan::Task("Loop B", "1");
    a.AddDependency(b.key, eFinishToStart, 0.f);
    b.AddDependency(a.key, eFinishToStart, 0.f);
    EXPECT_EQ(Answer("task", "1", "deps=8/FS/0"), "accepted");
    b.AddDependency(project.tasks.GetElement(7)->key, eFinishToStart, 0.f);
    EXPECT_EQ(Answer("task", "1", "deps=8/FS/0"), "deps#0 Looping Dependency");
}

TEST_F(EditorRules, FormsShowTheElementAndFollowTheCalendarAcrossDaylightSaving)
{
    const ResourceForm resource = QPResourceDialogRules::ResourceForm(project, bea);
    const ScheduleForm& own = resource.schedule;
    // Its other texts and boxes come back as they were ("use=0" in editors.txt).
    EXPECT_TRUE(own.resourceMode && !own.editSource && own.scheduleKey == crane.key);
    EXPECT_EQ(resource.hourlyRateText + " " + resource.overtimeRateText + " " + own.name + " " +
                      std::to_string(own.hours[eSaturday]) + " " + own.exceptions.at(0).DateText() +
                      " " + own.exceptions.at(0).hoursText,
              "$42.50 $60.00 Crane Hours 6 2024-08-12 8");
    // A resource without a schedule is offered the project's default one.
    EXPECT_EQ(QPResourceDialogRules::ResourceForm(project, QPResource()).schedule.scheduleKey,
              project.defaultScheduleKey);
    // Shifts as hours and minutes, exceptions as days and hours in the project's format.
    const ScheduleForm shift = QPScheduleDialogRules::ScheduleForm(project.options, night);
    std::ostringstream text;
    text << shift.name << " " << shift.hours[eMonday] << ":" << shift.minutes[eMonday] << " "
         << shift.hours[eSunday] << " " << shift.starts[eFriday].Get() << " "
         << shift.regularWorkWeekHours << " " << shift.workWeekStart << " "
         << shift.exceptions.at(0).DateText() << " " << shift.exceptions.at(0).hoursText;
    EXPECT_EQ(text.str(), "Night Shift 8:30 0 79200 38 1 2024-12-25 4.50");
    // Sunday 7 November 2027 has 25 hours in New York.
    ScopedTimeZone zone("America/New_York");
    project.projectStart = LocalTime(2027, 11, 7);
    const TaskForm created = Task(QPTask());
    EXPECT_TRUE(created.autoSchedule && created.headerKey == -1 &&
                created.scheduleKey == project.defaultScheduleKey);
    EXPECT_EQ(std::vector({created.start, created.finish, created.constraintDate}),
              std::vector<QPCalendarDay>({{2027, 11, 7}, {2027, 11, 8}, {2027, 11, 8}}));
    EXPECT_EQ(Answer("task", "1", "constraint=7;date=2027-11-07"), "date Date Conflict");
    EXPECT_EQ(Answer("task", "1", "constraint=7;date=2027-11-08"), "accepted");
    // The lists the task editor offers.
    using Tasks = std::vector<const QPTask*>;
    EXPECT_EQ(QPTaskDialogRules::EligibleSubtasks(project, frame),
              (Tasks{&survey, &walls, &roof, &paint}));
    EXPECT_EQ(QPTaskDialogRules::EligibleSubtasks(project, finish), (Tasks{&survey, &paint}));
    EXPECT_EQ(QPTaskDialogRules::HeaderChoices(project, frame), Tasks{&finish});
    project.options.SetDecimalSymbol(",");
    EXPECT_EQ(QPScheduleDialogRules::ScheduleForm(project.options, night).exceptions[0].hoursText,
              "4,50");
}

TEST_F(EditorRules, FormsShownAgainAndConfirmedUnchangedChangeNothing)
{
    Answer("task", "5", "type=1;deps=1/SS/0.5,//,6/SF/;res=1:30,2:0;schedule=8", "wrote");
    Answer("schedule", "3", "decimal=,;hours=24 7;exceptions=2025-01-06:7,5 2025-01-01:1,0001",
           "wrote");
    const LByteArray written = project.ProjectSaveToBytes();
    const std::size_t steps = project.undoStack.GetNumItems();
    QPSchedule& schedule = *project.schedules.GetElement(3);
    ASSERT_FALSE(QPScheduleDialogRules::Confirm(
            project, schedule, QPScheduleDialogRules::ScheduleForm(project.options, schedule)));
    EXPECT_EQ(project.undoStack.GetNumItems(), steps);
    // Its rows read back as they were: links and assignments (subtasks: editors.txt).
    QPTask& task = *project.tasks.GetElement(5);
    QPTaskDialogRules::Apply(project, task, Task(task));
    EXPECT_EQ(project.ProjectSaveToBytes(), written);
}

TEST_F(EditorRules, TaskGroupsStayTogetherAndLinksDoNotCrossTheirEdges)
{
    // Finish takes Paint and Survey: their chain stays; Walls, elsewhere, loses its link
    // (moves within the plan as it is are in editors.txt).
    walls.AddDependency(survey.key, eFinishToStart, 0.f);
    EXPECT_EQ(
            Answer("task", "6", "subs=5,1", "outline"),
            "outline Frame{Walls,Roof} Walls Roof<Walls Finish{Paint,Survey} Survey Paint<Survey");
}

TEST(ProjectAndExceptionEditors, NewFormStartsTodayAndDaysFollowDaylightSaving)
{
    ScopedEnvironment now("KESTRANO_NOW", "2024-12-31 18:30:00");
    ProjectForm form = QPProjectDialogRules::NewProjectForm();
    // A file that could not be read leaves no schedule; the project that follows gets its
    // own, so the form, as it opens, must still go through.
    QPProjectBase project;
    project.ProjectReset(false);
    ASSERT_FALSE(QPProjectDialogRules::Confirm(project, form));
    EXPECT_EQ(ProjectText(project), "New Project 2024-12-31 00:00:00 2025-01-01 23:59:59 -1 dirty");
    // A start at noon is a change, though the form shows it as its day.
    Harbour plan;
    plan.project.projectStart = LocalTime(2027, 3, 1, 12);
    EXPECT_EQ(plan.Answer("project", "0", "name=Harbour Bridge", "wrote"),
              "wrote Harbour Bridge 2027-03-01 00:00:00 2027-06-25 23:59:59 0 dirty");
    // The 23-hour day in Berlin and the 25-hour day in New York: from its start to its end.
    const std::tuple<const char*, QPCalendarDay, const char*> cases[] = {
            {"Europe/Berlin", {2024, 3, 31}, "2024-03-31 00:00:00 2024-03-31 23:59:59"},
            {"America/New_York", {2024, 11, 3}, "2024-11-03 00:00:00 2024-11-03 23:59:59"}};
    for (const auto& [zone, day, days] : cases) {
        ScopedTimeZone scoped(zone);
        form.start = form.deadline = day;
        ASSERT_FALSE(QPProjectDialogRules::Confirm(project, form));
        EXPECT_EQ(ProjectText(project), "New Project " + std::string(days) + " -1 dirty");
    }
    // Exceptions are held at noon: on the 23-hour and the 25-hour day 10:00 and 11:00 UTC.
    ScopedTimeZone zone("Europe/Berlin");
    QPProjectOptions options;
    std::vector<QPScheduleException> exceptions;
    QPExceptionRules::ReplaceExceptions(options, {{{2024, 3, 31}, "8"}, {{2024, 10, 27}, "8"}},
                                        exceptions);
    ASSERT_EQ(exceptions.size(), 2u);
    EXPECT_EQ(std::vector({exceptions[0].date, exceptions[1].date}),
              std::vector({UtcTime(2024, 3, 31, 10), UtcTime(2024, 10, 27, 11)}));
    EXPECT_EQ(QPExceptionRules::ExceptionRows(options, exceptions)[0].DateText(), "2024-03-31");
    // More hours than an exception can hold are cut to the most it can hold.
    EXPECT_EQ(QPExceptionRules::WorkSeconds(options, "99999999999"), INT32_MAX);
}

TEST_F(EditorRules, BaselineNamesArePresetAndComparedAsStored)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
    EXPECT_EQ(QPBaselineRules::PresetName(project), "Harbour Bridge (6 December 2026)");
    // Late in the evening it is still the same local day, in any zone.
    ScopedEnvironment lateNow("KESTRANO_NOW", "2027-01-31 23:59:00");
    project.options.SetDateFormat(eDateFormatNumericShortYear, eDateOrderMonthDayYear, '/');
    EXPECT_EQ(QPBaselineRules::PresetName(project), "Harbour Bridge (01/31/27)");
    // Cut to 259 bytes and compared exactly (trimming is in editors.txt).
    const std::string stored(259, 'x');
    ASSERT_NE(project.BaselineAdd(stored + "first"), nullptr);
    EXPECT_EQ(Answer("baseline", "baseline", "name=" + stored + "second"), "0 Invalid Entry");
    EXPECT_EQ(Answer("baseline", "baseline", "name=" + std::string(258, 'x') + "y"), "accepted");
    // After a deletion the IDs close up and the name is free again.
    ASSERT_TRUE(project.BaselineDelete(0));
    EXPECT_EQ(Answer("baseline", "baseline", "name=Approved Plan"), "accepted");
    EXPECT_EQ(Answer("baseline", "baseline", "id=2"), "1 No Baseline Selected");
}

// The digits with the answer given to the question about them; the other values apply
// whatever the answer, an empty decimal symbol as a point. Unchanged or declined digits
// alone change nothing. Every date format round trips; damaged values show the nearest.
TEST(OptionsPage, TextsAreTrimmedDigitsChangeOnlyWhenTheUserAgreesAndDateFormatsRoundTrip)
{
    auto text = [](const QPProjectOptions& o) {
        return o.currencySymbol.str() + o.currencyName.str() + o.decimalSymbol.str() +
               o.thousandsSymbol.str() + std::to_string(o.currencyPosition) +
               std::to_string(o.currencyDigits) + (o.changed ? " changed" : "");
    };
    const std::tuple<bool, int32_t, const char*, const char*> cases[] = {
            {true, 3, "Change", "€Euros..13 changed"},
            {true, 0, "Change", "€Euros..10 changed"},
            {true, 0, "Don't Change", "€Euros..12 changed"},
            {true, 2, nullptr, "€Euros..12 changed"},
            {false, 1, "Don't Change", nullptr},
            {false, 2, nullptr, nullptr}};
    for (const auto& [others, digits, answer, expected] : cases) {
        QPProjectOptions options;
        ScriptedPrompts prompts;
        if (answer)
            prompts.Then(answer);
        QPGeneralPageRules::Form form = QPGeneralPageRules::FormFromOptions(options);
        if (others)
            form = {" € ", "\tEuros ", 1, 0, "   ", " . ", form.dateFormatPosition};
        form.currencyDigits = digits;
        QPGeneralPageRules::Confirm(options, form, prompts);
        ASSERT_EQ(prompts.asked.size(), answer ? 1u : 0u);
        EXPECT_EQ(text(options), expected ? expected : text(QPProjectOptions())) << digits;
    }
    for (std::size_t i = 0; i < kDateFormatChoices.size(); ++i) {
        QPProjectOptions options;
        ScriptedPrompts prompts;
        QPGeneralPageRules::Form form = QPGeneralPageRules::FormFromOptions(options);
        form.dateFormatPosition = static_cast<int32_t>(i);
        QPGeneralPageRules::Confirm(options, form, prompts);
        EXPECT_EQ(options.changed, i != 0);
        EXPECT_EQ(QPGeneralPageRules::FormFromOptions(options).dateFormatPosition, int32_t(i));
        EXPECT_EQ(options.FormatDate(LocalTime(2000, 7, 26, 12)), kDateFormatChoices[i].sample);
    }
    QPProjectOptions options;
    options.currencyDigits = 7;
    options.currencyPosition = 4;
    options.dateOrder = 20;
    const QPGeneralPageRules::Form form = QPGeneralPageRules::FormFromOptions(options);
    EXPECT_EQ(std::vector({form.currencyDigits, form.currencyPosition, form.dateFormatPosition}),
              std::vector({3, 0, 0}));
}

} // namespace
