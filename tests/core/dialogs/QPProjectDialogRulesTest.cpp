#include "dialogs/QPProjectDialogRules.h"
#include "model/QPProjectBase.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace QPProjectDialogRules;

// A clean project with a second schedule to choose as the default.
class ProjectEditorRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        project.ProjectReset(true);
        auto night = std::make_unique<QPSchedule>();
        night->name = "Night Shift";
        nightKey = project.ElementAdd(std::move(night), false).key;
        project.SetName("Harbour Bridge");
        project.projectStart = LocalTime(2024, 5, 6);
        project.projectDeadline = LocalTime(2024, 6, 28, 23, 59, 59);
        project.dirty = false;
    }

    Form EditForm() const { return EditProjectForm(project); }

    // Everything the editor may write, to check that a refusal wrote nothing.
    void ExpectUntouched() const
    {
        EXPECT_EQ(project.name, "Harbour Bridge");
        EXPECT_EQ(project.projectStart, LocalTime(2024, 5, 6));
        EXPECT_EQ(project.projectDeadline, LocalTime(2024, 6, 28, 23, 59, 59));
        EXPECT_EQ(project.defaultScheduleKey, 0);
        EXPECT_FALSE(project.dirty);
    }

    QPProjectBase project;
    int64_t nightKey = -1;
};

void ExpectRefusal(const QPFormOutcome& outcome, eField field, const char* title,
                   const char* message)
{
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->field, field);
    EXPECT_EQ(outcome->title, title);
    EXPECT_EQ(outcome->message, message);
}

} // namespace

TEST_F(ProjectEditorRules, ChecksRunInOrderAndStopAtTheFirstFailure)
{
    // Everything wrong at once: the name is reported first.
    Form form = EditForm();
    form.name = " \t ";
    form.deadline = {2024, 5, 1};
    form.defaultScheduleKey = 999;
    ExpectRefusal(Confirm(project, form), eFieldName, "Missing Data",
                  "Please enter a name for the project.");
    ExpectUntouched();

    form.name = "Harbour Bridge 2";
    ExpectRefusal(Confirm(project, form), eFieldDeadline, "Deadline Conflict",
                  "The project deadline must follow the project start. Please enter a later "
                  "date.");
    ExpectUntouched();

    // A default schedule that does not exist keeps the editor open without a message.
    form.deadline = {2024, 7, 1};
    const QPFormOutcome missing = Confirm(project, form);
    ASSERT_TRUE(missing.has_value());
    EXPECT_TRUE(missing->IsSilent());
    EXPECT_EQ(missing->field, eFieldDefaultSchedule);
    ExpectUntouched();
}

TEST_F(ProjectEditorRules, DeadlineOnTheStartDayIsAcceptedTheDayBeforeIsNot)
{
    Form form = EditForm();
    form.start = {2024, 9, 2};
    form.deadline = {2024, 9, 2};
    EXPECT_FALSE(Confirm(project, form).has_value());
    EXPECT_EQ(project.projectStart, LocalTime(2024, 9, 2, 0, 0, 0));
    EXPECT_EQ(project.projectDeadline, LocalTime(2024, 9, 2, 23, 59, 59));

    form.deadline = {2024, 9, 1};
    ASSERT_TRUE(Confirm(project, form).has_value());
    EXPECT_EQ(project.projectDeadline, LocalTime(2024, 9, 2, 23, 59, 59));
}

TEST_F(ProjectEditorRules, DaysBecomeMidnightAndEndOfDayAcrossDaylightSaving)
{
    struct Case {
        const char* zone;
        QPCalendarDay day;
        LDateTime start;    // 00:00:00 local, named in UTC
        LDateTime deadline; // 23:59:59 local, named in UTC
    };
    const Case cases[] = {
            // 23-hour and 25-hour days in Berlin.
            {"Europe/Berlin",
             {2024, 3, 31},
             UtcTime(2024, 3, 30, 23),
             UtcTime(2024, 3, 31, 21, 59, 59)},
            {"Europe/Berlin",
             {2024, 10, 27},
             UtcTime(2024, 10, 26, 22),
             UtcTime(2024, 10, 27, 22, 59, 59)},
            {"America/New_York",
             {2024, 3, 10},
             UtcTime(2024, 3, 10, 5),
             UtcTime(2024, 3, 11, 3, 59, 59)},
            {"America/New_York",
             {2024, 11, 3},
             UtcTime(2024, 11, 3, 4),
             UtcTime(2024, 11, 4, 4, 59, 59)},
            {"UTC", {2024, 3, 31}, UtcTime(2024, 3, 31), UtcTime(2024, 3, 31, 23, 59, 59)},
    };
    for (const Case& c : cases) {
        ScopedTimeZone zone(c.zone);
        SCOPED_TRACE(c.zone);
        Form form = EditForm();
        form.start = c.day;
        form.deadline = c.day;
        ASSERT_FALSE(Confirm(project, form).has_value());
        EXPECT_EQ(project.projectStart, c.start);
        EXPECT_EQ(project.projectDeadline, c.deadline);
    }
}

TEST_F(ProjectEditorRules, OnlyRealChangesMakeTheProjectDirty)
{
    ASSERT_FALSE(Confirm(project, EditForm()).has_value());
    ExpectUntouched();

    struct Edit {
        const char* what;
        void (*change)(Form&, int64_t nightKey);
    };
    const Edit edits[] = {
            {"name", [](Form& f, int64_t) { f.name = "Harbour Tunnel"; }},
            {"start",
             [](Form& f, int64_t) {
                 f.start = {2024, 5, 7};
             }},
            {"deadline",
             [](Form& f, int64_t) {
                 f.deadline = {2024, 6, 27};
             }},
            {"default schedule", [](Form& f, int64_t key) { f.defaultScheduleKey = key; }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        SetUp();
        Form form = EditForm();
        edit.change(form, nightKey);
        ASSERT_FALSE(Confirm(project, form).has_value());
        EXPECT_TRUE(project.dirty);
        EXPECT_EQ(project.name, std::string_view(form.name));
        EXPECT_EQ(project.projectStart, form.start.At(0, 0, 0));
        EXPECT_EQ(project.projectDeadline, form.deadline.At(23, 59, 59));
        EXPECT_EQ(project.defaultScheduleKey, form.defaultScheduleKey);
    }
}

TEST_F(ProjectEditorRules, StartAtNoonAsAResetLeavesItMovesToMidnight)
{
    // The form holds days, not clock times: the start of a fresh project (noon) becomes
    // the start of its day, which is a change like any other.
    project.projectStart = LocalTime(2024, 5, 6, 12);
    ASSERT_FALSE(Confirm(project, EditForm()).has_value());
    EXPECT_EQ(project.projectStart, LocalTime(2024, 5, 6));
    EXPECT_TRUE(project.dirty);
}

TEST_F(ProjectEditorRules, NameIsTrimmed)
{
    Form form = EditForm();
    form.name = "  Harbour Tunnel\n";
    ASSERT_FALSE(Confirm(project, form).has_value());
    EXPECT_EQ(project.name, "Harbour Tunnel");
}

TEST(ProjectEditorNewForm, StartsTodayWithTheDeadlineTomorrow)
{
    ScopedEnvironment now("KESTRANO_NOW", "2024-12-31 18:30:00");
    const Form form = NewProjectForm();
    EXPECT_TRUE(form.newProject);
    EXPECT_EQ(form.name, "New Project");
    EXPECT_EQ(form.start, (QPCalendarDay{2024, 12, 31}));
    EXPECT_EQ(form.deadline, (QPCalendarDay{2025, 1, 1}));
}

TEST(ProjectEditorNewForm, ProjectWithoutSchedulesCanStillBeReplaced)
{
    // A file that could not be read leaves the project without any schedule; the new form
    // must still go through, since the project that follows gets its own.
    QPProjectBase project;
    project.ProjectReset(false);
    Form form = NewProjectForm();
    form.name = "Office Move";
    form.start = {2024, 2, 5};
    form.deadline = {2024, 2, 9};
    ASSERT_FALSE(Confirm(project, form).has_value());
    EXPECT_EQ(project.name, "Office Move");
    EXPECT_EQ(project.projectStart, LocalTime(2024, 2, 5));
    EXPECT_EQ(project.projectDeadline, LocalTime(2024, 2, 9, 23, 59, 59));
    EXPECT_EQ(project.defaultScheduleKey, -1);
    EXPECT_TRUE(project.dirty);
}
