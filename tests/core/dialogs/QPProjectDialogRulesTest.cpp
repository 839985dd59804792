#include "dialogs/QPProjectDialogRules.h"
#include "model/QPProjectBase.h"

#include "FormCheck.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

using namespace QPProjectDialogRules;

namespace {

// A clean project with a second schedule (key 1) to choose as the default.
void Reset(QPProjectBase& project)
{
    project.ProjectReset(true);
    project.ElementAdd(std::make_unique<QPSchedule>(), false);
    project.SetName("Harbour Bridge");
    project.projectStart = LocalTime(2024, 5, 6);
    project.projectDeadline = LocalTime(2024, 6, 28, 23, 59, 59);
    project.dirty = false;
}

// Everything the editor may write, as one text.
std::string State(const QPProjectBase& project)
{
    return project.name.str() + " " + project.projectStart.GetDateTime() + " " +
           project.projectDeadline.GetDateTime() + " " +
           std::to_string(project.defaultScheduleKey) + (project.dirty ? " dirty" : "");
}

} // namespace

TEST(ProjectEditorRules, ChecksRunInOrderAndOnlyRealChangesAreWritten)
{
    QPProjectBase project;
    Reset(project);
    const std::string before = State(project);
    // Each step fixes the previous failure; the deadline runs to the end of its day, so the
    // start day will do. A schedule that does not exist is refused without a message.
    const std::pair<void (*)(Form&), std::string> steps[] = {
            {[](Form&) {}, Refusal(eFieldName, "Missing Data")},
            {[](Form& f) { f.name = " Harbour Tunnel\n"; },
             Refusal(eFieldDeadline, "Deadline Conflict")},
            {[](Form& f) {
                 f.deadline = {2024, 9, 2};
             },
             Refusal(eFieldDefaultSchedule, "")},
            {[](Form& f) { f.defaultScheduleKey = 1; }, "accepted"},
    };
    Form form = EditProjectForm(project);
    form.name = " \t ";
    form.start = {2024, 9, 2};
    form.deadline = {2024, 9, 1};
    form.defaultScheduleKey = 999;
    for (const auto& [fix, outcome] : steps) {
        fix(form);
        EXPECT_EQ(Outcome(Confirm(project, form), false), outcome);
        EXPECT_EQ(State(project), outcome == "accepted" ? "Harbour Tunnel 2024-09-02 00:00:00 "
                                                          "2024-09-02 23:59:59 1 dirty"
                                                        : before);
    }
    // Unchanged, nothing is dirty; each value alone is a change, and so is a start at noon,
    // as a reset leaves it, which the form shows as its day.
    Reset(project);
    ASSERT_EQ(Outcome(Confirm(project, EditProjectForm(project))), "accepted");
    EXPECT_EQ(State(project), before);
    const std::pair<void (*)(Form&), const char*> edits[] = {
            {[](Form& f) {
                 f.start = {2024, 5, 7};
             },
             "2024-05-07 00:00:00 2024-06-28 23:59:59 0"},
            {[](Form& f) {
                 f.deadline = {2024, 6, 27};
             },
             "2024-05-06 00:00:00 2024-06-27 23:59:59 0"},
            {[](Form& f) { f.defaultScheduleKey = 1; },
             "2024-05-06 00:00:00 2024-06-28 23:59:59 1"},
            {nullptr, "2024-05-06 00:00:00 2024-06-28 23:59:59 0"},
    };
    for (const auto& [edit, after] : edits) {
        Reset(project);
        if (!edit)
            project.projectStart = LocalTime(2024, 5, 6, 12);
        Form changed = EditProjectForm(project);
        if (edit)
            edit(changed);
        ASSERT_EQ(Outcome(Confirm(project, changed)), "accepted");
        EXPECT_EQ(State(project), std::string("Harbour Bridge ") + after + " dirty");
    }
}

TEST(ProjectEditorRules, NewFormStartsTodayAndDaysFollowDaylightSaving)
{
    ScopedEnvironment now("KESTRANO_NOW", "2024-12-31 18:30:00");
    Form form = NewProjectForm();
    EXPECT_TRUE(form.newProject);
    EXPECT_EQ(form.name, "New Project");
    EXPECT_EQ(form.start, (QPCalendarDay{2024, 12, 31}));
    EXPECT_EQ(form.deadline, (QPCalendarDay{2025, 1, 1}));
    // A file that could not be read leaves no schedule; the project that follows gets its
    // own, so the form must still go through.
    QPProjectBase project;
    project.ProjectReset(false);
    ASSERT_EQ(Outcome(Confirm(project, form)), "accepted");
    EXPECT_EQ(State(project), "New Project 2024-12-31 00:00:00 2025-01-01 23:59:59 -1 dirty");

    // The 23-hour day in Berlin and the 25-hour day in New York, named in UTC.
    const struct {
        const char* zone;
        QPCalendarDay day;
        LDateTime start, deadline;
    } cases[] = {{"Europe/Berlin",
                  {2024, 3, 31},
                  UtcTime(2024, 3, 30, 23),
                  UtcTime(2024, 3, 31, 21, 59, 59)},
                 {"America/New_York",
                  {2024, 11, 3},
                  UtcTime(2024, 11, 3, 4),
                  UtcTime(2024, 11, 4, 4, 59, 59)}};
    for (const auto& c : cases) {
        ScopedTimeZone zone(c.zone);
        form.start = form.deadline = c.day;
        ASSERT_EQ(Outcome(Confirm(project, form)), "accepted");
        EXPECT_EQ(project.projectStart, c.start) << c.zone;
        EXPECT_EQ(project.projectDeadline, c.deadline) << c.zone;
    }
}
