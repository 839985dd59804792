#include "dialogs/QPScheduleDialogRules.h"
#include "dialogs/QPExceptionRules.h"
#include "model/QPProject.h"

#include "FormCheck.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

using namespace QPScheduleDialogRules;

// The "Default Schedule" and a night shift of 8h30 on weekdays with one holiday.
class ScheduleEditorRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto night = std::make_unique<QPSchedule>();
        night->name = "Night Shift";
        for (int day = eMonday; day <= eFriday; ++day) {
            night->shiftStart[day] = LDayTime(22 * 3600);
            night->shiftDuration[day] = 8 * 3600 + 30 * 60;
        }
        night->regularWorkWeek = 38 * 3600;
        night->workWeekStart = eMonday;
        night->AddException(LocalTime(2024, 12, 25, 15), 4 * 3600 + 1800);
        this->night = &project.ElementAdd(std::move(night), false);
    }

    QPProject project;
    QPSchedule* night = nullptr;
};

TEST_F(ScheduleEditorRules, FormShowsShiftsAsHoursAndMinutesAndExceptionsAsDaysAndHours)
{
    const Form form = ScheduleForm(project.options, *night);
    EXPECT_EQ(form.name, "Night Shift");
    EXPECT_EQ(form.hours[eMonday] * 100 + form.minutes[eMonday], 830);
    EXPECT_EQ(form.hours[eSunday], 0);
    EXPECT_EQ(form.starts[eFriday], LDayTime(22 * 3600));
    EXPECT_EQ(form.regularWorkWeekHours, 38);
    EXPECT_EQ(form.workWeekStart, eMonday);
    ASSERT_EQ(form.exceptions.size(), 1u);
    EXPECT_EQ(form.exceptions[0].DateText() + " " + form.exceptions[0].hoursText,
              "2024-12-25 4.50");
    project.options.SetDecimalSymbol(",");
    EXPECT_EQ(ScheduleForm(project.options, *night).exceptions[0].hoursText, "4,50");
}

TEST_F(ScheduleEditorRules, ChecksRunInOrderAndARefusalWritesNothing)
{
    const LByteArray image = night->WriteSDF();
    const std::string duplicate = Refusal(eFieldName, "Duplicate Name",
                                          "A schedule with this name exists in the project. "
                                          "Please use a name that is unique.");
    Form form = ScheduleForm(project.options, *night);
    form.name = "  ";
    form.hours.fill(0);
    form.minutes.fill(0);
    EXPECT_EQ(Outcome(Confirm(project, *night, form)),
              Refusal(eFieldName, "Invalid Entry", "Please enter a name for this schedule."));
    form.name = " Default Schedule ";
    EXPECT_EQ(Outcome(Confirm(project, *night, form)), duplicate);
    // Its own name is no duplicate; the missing shift is reported on Monday's hours.
    form.name = "Night Shift";
    EXPECT_EQ(Outcome(Confirm(project, *night, form)),
              Refusal(HoursField(eMonday), "Invalid Entry",
                      "Please enter a shift duration for one or more days in this schedule."));
    EXPECT_EQ(night->WriteSDF(), image);
    EXPECT_FALSE(project.undoStack.CanUndo());

    // A new schedule is checked against every one, and the main window records it.
    QPSchedule fresh;
    form.name = "Night Shift";
    form.minutes[eSaturday] = 30;
    EXPECT_EQ(Outcome(Confirm(project, fresh, form)), duplicate);
    form.name = "Weekend";
    ASSERT_EQ(Outcome(Confirm(project, fresh, form)), "accepted");
    EXPECT_EQ(fresh.shiftDuration[eSaturday], 1800);
    EXPECT_FALSE(project.undoStack.CanUndo());
}

TEST_F(ScheduleEditorRules, WritesTheWeekAndTheRowsAndUndoRestoresEitherState)
{
    project.options.SetDecimalSymbol(",");
    const LByteArray before = night->WriteSDF();
    Form form = ScheduleForm(project.options, *night);
    form.name = " Late Shift ";
    // Twenty-four hours make a whole day whatever the minutes say.
    form.hours[eSunday] = 24;
    form.minutes[eSunday] = 45;
    form.hours[eMonday] = 7;
    form.minutes[eMonday] = 15;
    form.starts[eWednesday] = LDayTime(6 * 3600 + 45 * 60);
    form.regularWorkWeekHours = 45;
    form.workWeekStart = eSaturday;
    form.exceptions = {{{2025, 1, 6}, "7,5"}, {{2025, 1, 1}, "1,0001"}};
    project.UndoRedoGroupStart();
    ASSERT_EQ(Outcome(Confirm(project, *night, form)), "accepted");
    project.UndoRedoGroupEnd();
    EXPECT_EQ(night->name, "Late Shift");
    EXPECT_EQ(night->shiftDuration[eSunday], 86400);
    EXPECT_EQ(night->shiftDuration[eMonday], 7 * 3600 + 15 * 60);
    EXPECT_EQ(night->shiftStart[eWednesday], LDayTime(6 * 3600 + 45 * 60));
    EXPECT_EQ(night->regularWorkWeek, 45 * 3600);
    EXPECT_EQ(night->workWeekStart, eSaturday);
    // Each day held as its noon, hours x 3600 truncated, in the order of the rows.
    ASSERT_EQ(night->exceptions.size(), 2u);
    EXPECT_EQ(night->exceptions[0].date, LocalTime(2025, 1, 6, 12));
    EXPECT_EQ(night->exceptions[0].workSeconds, 27000);
    EXPECT_EQ(night->exceptions[1].date, LocalTime(2025, 1, 1, 12));
    EXPECT_EQ(night->exceptions[1].workSeconds, 3600);
    const LByteArray after = night->WriteSDF();

    // Shown again and confirmed unchanged: nothing changes and no step is recorded.
    ASSERT_EQ(Outcome(Confirm(project, *night, ScheduleForm(project.options, *night))), "accepted");
    EXPECT_EQ(night->WriteSDF(), after);
    EXPECT_EQ(project.undoStack.GetNumItems(), 1u);
    project.undoStack.Undo();
    EXPECT_EQ(project.schedules.GetElement(night->id)->WriteSDF(), before);
    // Redone, the week comes back; the order of the exceptions is not checked here.
    project.undoStack.Redo();
    night = project.schedules.GetElement(night->id);
    EXPECT_EQ(night->name, "Late Shift");
    EXPECT_EQ(night->shiftDuration[eSunday], 86400);
    EXPECT_EQ(night->exceptions.size(), 2u);
}

TEST(ExceptionEditorRules, HoursArePositiveNumbersInTheProjectsFormatAndDaysAnchorAtNoon)
{
    QPProjectOptions options;
    const std::string refused = Refusal(QPExceptionRules::eFieldHours, "Invalid Entry",
                                        "Please enter a positive numeric value representing the "
                                        "number of work hours excepted from the schedule.");
    for (const char* hours : {"", "0", "0.0", "-1", "- 2", "abc", "8h", "1.2.3", "0.0001"})
        EXPECT_EQ(Outcome(QPExceptionRules::Confirm(options, {{2025, 3, 5}, hours})), refused)
                << hours;
    for (const char* hours : {"8", "0.5", ".25", "40000"})
        EXPECT_EQ(Outcome(QPExceptionRules::Confirm(options, {{2025, 3, 5}, hours})), "accepted")
                << hours;
    options.SetDecimalSymbol(",");
    EXPECT_EQ(Outcome(QPExceptionRules::Confirm(options, {{2025, 3, 5}, "7,5"})), "accepted");
    EXPECT_EQ(Outcome(QPExceptionRules::Confirm(options, {{2025, 3, 5}, "7.5"})), refused);
    EXPECT_EQ(QPExceptionRules::WorkSeconds(options, "7,5"), 27000);
    // More hours than an exception can hold are cut to the most it can hold.
    EXPECT_EQ(QPExceptionRules::WorkSeconds(options, "99999999999"), INT32_MAX);

    // On the 23-hour and the 25-hour day noon is 10:00 and 11:00 UTC.
    ScopedTimeZone zone("Europe/Berlin");
    std::vector<QPScheduleException> exceptions;
    QPExceptionRules::ReplaceExceptions(options, {{{2024, 3, 31}, "8"}, {{2024, 10, 27}, "8"}},
                                        exceptions);
    ASSERT_EQ(exceptions.size(), 2u);
    EXPECT_EQ(exceptions[0].date, UtcTime(2024, 3, 31, 10));
    EXPECT_EQ(exceptions[1].date, UtcTime(2024, 10, 27, 11));
    EXPECT_EQ(QPExceptionRules::ExceptionRows(options, exceptions)[0].DateText(), "2024-03-31");
}

} // namespace
