#include "dialogs/QPScheduleDialogRules.h"
#include "dialogs/QPExceptionRules.h"
#include "model/QPProject.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace QPScheduleDialogRules;

constexpr const char* kNoShift =
        "Please enter a shift duration for one or more days in this schedule.";
constexpr const char* kBadException = "Please enter a positive numeric value representing the "
                                      "number of work hours excepted from the schedule.";

// A project with the "Default Schedule" and a night shift with one holiday.
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

    void ExpectRefusal(const QPFormOutcome& outcome, int32_t field, const char* title,
                       const char* message)
    {
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->field, field);
        EXPECT_EQ(outcome->title, title);
        EXPECT_EQ(outcome->message, message);
    }

    QPProject project;
    QPSchedule* night = nullptr;
};

} // namespace

TEST_F(ScheduleEditorRules, FormShowsShiftsAsHoursAndMinutesAndExceptionsAsDaysAndHours)
{
    const Form form = ScheduleForm(project.options, *night);
    EXPECT_EQ(form.name, "Night Shift");
    EXPECT_EQ(form.hours[eMonday], 8);
    EXPECT_EQ(form.minutes[eMonday], 30);
    EXPECT_EQ(form.hours[eSunday], 0);
    EXPECT_EQ(form.starts[eFriday], LDayTime(22 * 3600));
    EXPECT_EQ(form.regularWorkWeekHours, 38);
    EXPECT_EQ(form.workWeekStart, eMonday);
    ASSERT_EQ(form.exceptions.size(), 1u);
    EXPECT_EQ(form.exceptions[0].DateText(), "2024-12-25");
    EXPECT_EQ(form.exceptions[0].hoursText, "4.50");

    project.options.SetDecimalSymbol(",");
    EXPECT_EQ(ScheduleForm(project.options, *night).exceptions[0].hoursText, "4,50");
}

TEST_F(ScheduleEditorRules, ChecksRunInOrderAndARefusalWritesNothing)
{
    const LByteArray image = night->WriteSDF();
    Form form = ScheduleForm(project.options, *night);
    form.name = "  ";
    form.hours.fill(0);
    form.minutes.fill(0);
    ExpectRefusal(Confirm(project, *night, form), eFieldName, "Invalid Entry",
                  "Please enter a name for this schedule.");

    form.name = " Default Schedule ";
    ExpectRefusal(Confirm(project, *night, form), eFieldName, "Duplicate Name",
                  "A schedule with this name exists in the project. Please use a name that is "
                  "unique.");

    // Its own name is no duplicate; the missing shift is reported on Monday's hours.
    form.name = "Night Shift";
    ExpectRefusal(Confirm(project, *night, form), HoursField(eMonday), "Invalid Entry", kNoShift);
    EXPECT_EQ(night->WriteSDF(), image);
    EXPECT_FALSE(project.undoStack.CanUndo());

    // Half an hour on a single day is a shift.
    form.minutes[eSaturday] = 30;
    EXPECT_FALSE(Confirm(project, *night, form).has_value());
    EXPECT_EQ(night->shiftDuration[eSaturday], 1800);
    EXPECT_EQ(night->shiftDuration[eMonday], 0);
}

TEST_F(ScheduleEditorRules, ANewScheduleIsCheckedAgainstEveryScheduleAndRecordsNoStep)
{
    QPSchedule fresh;
    Form form = ScheduleForm(project.options, fresh);
    form.name = "Night Shift";
    form.hours[eTuesday] = 4;
    ExpectRefusal(Confirm(project, fresh, form), eFieldName, "Duplicate Name",
                  "A schedule with this name exists in the project. Please use a name that is "
                  "unique.");

    form.name = "Weekend";
    EXPECT_FALSE(Confirm(project, fresh, form).has_value());
    EXPECT_EQ(fresh.name, "Weekend");
    EXPECT_EQ(fresh.shiftDuration[eTuesday], 4 * 3600);
    // The main window adds it and records its creation.
    EXPECT_FALSE(project.undoStack.CanUndo());
}

TEST_F(ScheduleEditorRules, TwentyFourHoursMakeAWholeDayWhateverTheMinutesSay)
{
    Form form = ScheduleForm(project.options, *night);
    form.hours[eSunday] = 24;
    form.minutes[eSunday] = 45;
    form.hours[eMonday] = 7;
    form.minutes[eMonday] = 15;
    EXPECT_FALSE(Confirm(project, *night, form).has_value());
    EXPECT_EQ(night->shiftDuration[eSunday], 86400);
    EXPECT_EQ(night->shiftDuration[eMonday], 7 * 3600 + 15 * 60);
}

TEST_F(ScheduleEditorRules, WritesTheWeekAndReplacesTheExceptionsByTheRows)
{
    project.options.SetDecimalSymbol(",");
    Form form = ScheduleForm(project.options, *night);
    form.name = " Late Shift ";
    form.starts[eWednesday] = LDayTime(6 * 3600 + 45 * 60);
    form.regularWorkWeekHours = 45;
    form.workWeekStart = eSaturday;
    form.exceptions = {{{2025, 1, 6}, "7,5"}, {{2025, 1, 1}, "1,0001"}};
    EXPECT_FALSE(Confirm(project, *night, form).has_value());

    EXPECT_EQ(night->name, "Late Shift");
    EXPECT_EQ(night->shiftStart[eWednesday], LDayTime(6 * 3600 + 45 * 60));
    EXPECT_EQ(night->regularWorkWeek, 45 * 3600);
    EXPECT_EQ(night->workWeekStart, eSaturday);
    // Each day is held as its noon; hours x 3600 truncated; in the order of the rows.
    ASSERT_EQ(night->exceptions.size(), 2u);
    EXPECT_EQ(night->exceptions[0].date, LocalTime(2025, 1, 6, 12));
    EXPECT_EQ(night->exceptions[0].workSeconds, 27000);
    EXPECT_EQ(night->exceptions[1].date, LocalTime(2025, 1, 1, 12));
    EXPECT_EQ(night->exceptions[1].workSeconds, 3600);

    // Shown again and confirmed unchanged, nothing changes and no step is recorded.
    project.undoStack = LUndoRedoStack();
    const LByteArray image = night->WriteSDF();
    EXPECT_FALSE(Confirm(project, *night, ScheduleForm(project.options, *night)).has_value());
    EXPECT_EQ(night->WriteSDF(), image);
    EXPECT_FALSE(project.undoStack.CanUndo());
}

TEST_F(ScheduleEditorRules, UndoAndRedoOfAnEditRestoreEitherStateExactly)
{
    const LByteArray before = night->WriteSDF();
    Form form = ScheduleForm(project.options, *night);
    form.name = "Early Shift";
    form.hours[eSaturday] = 3;
    form.exceptions.clear();
    project.UndoRedoGroupStart();
    EXPECT_FALSE(Confirm(project, *night, form).has_value());
    project.UndoRedoGroupEnd();
    const LByteArray after = night->WriteSDF();
    ASSERT_NE(after, before);

    project.undoStack.Undo();
    QPSchedule* restored = project.schedules.GetElement(night->id);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->WriteSDF(), before);
    EXPECT_EQ(restored->exceptions.size(), 1u);
    project.undoStack.Redo();
    EXPECT_EQ(project.schedules.GetElement(night->id)->WriteSDF(), after);
}

TEST(ExceptionEditorRules, HoursMustBeAPositiveNumberInTheProjectsFormat)
{
    QPProjectOptions options;
    for (const char* refused : {"", "0", "0.0", "-1", "- 2", "abc", "8h", "1.2.3", "0.0001"}) {
        const QPFormOutcome outcome = QPExceptionRules::Confirm(options, {{2025, 3, 5}, refused});
        ASSERT_TRUE(outcome.has_value()) << '"' << refused << '"';
        EXPECT_EQ(outcome->field, QPExceptionRules::eFieldHours);
        EXPECT_EQ(outcome->title, "Invalid Entry");
        EXPECT_EQ(outcome->message, kBadException);
    }
    for (const char* accepted : {"8", "0.5", ".25", "40000"})
        EXPECT_FALSE(QPExceptionRules::Confirm(options, {{2025, 3, 5}, accepted}).has_value())
                << accepted;

    options.SetDecimalSymbol(",");
    EXPECT_FALSE(QPExceptionRules::Confirm(options, {{2025, 3, 5}, "7,5"}).has_value());
    EXPECT_TRUE(QPExceptionRules::Confirm(options, {{2025, 3, 5}, "7.5"}).has_value());
    EXPECT_EQ(QPExceptionRules::WorkSeconds(options, "7,5"), 27000);
    // More hours than an exception can hold are cut to the most it can hold.
    EXPECT_EQ(QPExceptionRules::WorkSeconds(options, "99999999999"), INT32_MAX);
}

TEST(ExceptionEditorRules, DaysAreAnchoredAtNoonAcrossDaylightSaving)
{
    ScopedTimeZone zone("Europe/Berlin");
    QPProjectOptions options;
    std::vector<QPScheduleException> exceptions;
    QPExceptionRules::ReplaceExceptions(options, {{{2024, 3, 31}, "8"}, {{2024, 10, 27}, "8"}},
                                        exceptions);
    ASSERT_EQ(exceptions.size(), 2u);
    EXPECT_EQ(exceptions[0].date, UtcTime(2024, 3, 31, 10));
    EXPECT_EQ(exceptions[1].date, UtcTime(2024, 10, 27, 11));
    EXPECT_EQ(QPExceptionRules::ExceptionRows(options, exceptions)[0].DateText(), "2024-03-31");
}
