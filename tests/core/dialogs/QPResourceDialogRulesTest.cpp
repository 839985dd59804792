#include "dialogs/QPResourceDialogRules.h"
#include "model/QPProject.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace QPResourceDialogRules;

constexpr const char* kNoEmail =
        "An email address must be provided for this resource to be eligible to receive updates.";

// A project with two resources, the second on a schedule of its own with a day off.
class ResourceEditorRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto crane = std::make_unique<QPSchedule>();
        crane->name = "Crane Hours";
        crane->shiftDuration[eSaturday] = 6 * 3600;
        this->crane = &project.ElementAdd(std::move(crane), false);

        auto ada = std::make_unique<QPResource>();
        ada->name = "Ada";
        ada->scheduleKey = project.defaultScheduleKey;
        project.ElementAdd(std::move(ada), false);

        auto bea = std::make_unique<QPResource>();
        bea->name = "Bea";
        bea->email = "bea@harbour.example";
        bea->scheduleKey = this->crane->key;
        bea->hourlyRate = 4250;
        bea->overtimeRate = 6000;
        bea->sendProjectUpdates = true;
        bea->notes = "Crane licence until 2026.";
        bea->AddException(LocalTime(2024, 8, 12, 9), 8 * 3600);
        this->bea = &project.ElementAdd(std::move(bea), false);
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
    QPSchedule* crane = nullptr;
    QPResource* bea = nullptr;
};

} // namespace

TEST_F(ResourceEditorRules, FormShowsTheResourceItsScheduleAndItsOwnExceptions)
{
    const Form form = ResourceForm(project, *bea);
    EXPECT_EQ(form.name, "Bea");
    EXPECT_EQ(form.hourlyRateText, "$42.50");
    EXPECT_EQ(form.overtimeRateText, "$60.00");
    EXPECT_TRUE(form.sendProjectUpdates);
    EXPECT_TRUE(form.sendTaskUpdates);
    EXPECT_EQ(form.notes, "Crane licence until 2026.");
    EXPECT_TRUE(form.schedule.resourceMode);
    EXPECT_FALSE(form.schedule.editSource);
    EXPECT_EQ(form.schedule.scheduleKey, crane->key);
    EXPECT_EQ(form.schedule.name, "Crane Hours");
    EXPECT_EQ(form.schedule.hours[eSaturday], 6);
    ASSERT_EQ(form.schedule.exceptions.size(), 1u);
    EXPECT_EQ(form.schedule.exceptions[0].DateText(), "2024-08-12");
    EXPECT_EQ(form.schedule.exceptions[0].hoursText, "8");

    // A resource without a schedule is offered the project's default one.
    QPResource fresh;
    EXPECT_EQ(ResourceForm(project, fresh).schedule.scheduleKey, project.defaultScheduleKey);
}

TEST_F(ResourceEditorRules, ChecksRunInOrderAndARefusalWritesNothing)
{
    const LByteArray image = bea->WriteSDF();
    Form form = ResourceForm(project, *bea);
    form.name = "\t";
    form.email = "bea at harbour";
    form.hourlyRateText = "-$1.00";
    form.overtimeRateText = "-2";
    form.schedule.editSource = true;
    form.schedule.name = "";
    ExpectRefusal(Confirm(project, *bea, form), eFieldName, "Invalid Entry",
                  "Please enter a name for this resource.");
    form.name = " Ada ";
    ExpectRefusal(Confirm(project, *bea, form), eFieldName, "Duplicate Name",
                  "A resource with this name exists in the project. Please use a name that is "
                  "unique.");
    form.name = "Bea";
    ExpectRefusal(Confirm(project, *bea, form), eFieldEmail, "Invalid Entry",
                  "Please enter a valid email for this resource.");
    form.email = "  ";
    ExpectRefusal(Confirm(project, *bea, form), eFieldHourlyRate, "Negative Cost",
                  "Please enter a positive number or zero for this resource's hourly cost.");
    form.hourlyRateText = "12a";
    ExpectRefusal(Confirm(project, *bea, form), eFieldHourlyRate, "Invalid Input",
                  "Please enter a valid currency value for this rate field.");
    form.hourlyRateText = "$1,234.50";
    ExpectRefusal(Confirm(project, *bea, form), eFieldOvertimeRate, "Negative Cost",
                  "Please enter a positive number or zero for this resource's overtime cost.");
    form.overtimeRateText = "0";
    // Both boxes ticked without an address: reported on "Send Project Updates".
    ExpectRefusal(Confirm(project, *bea, form), eFieldSendProjectUpdates, "No Email Provided",
                  kNoEmail);
    form.sendProjectUpdates = false;
    form.sendTaskUpdates = false;
    ExpectRefusal(Confirm(project, *bea, form), eFieldScheduleFirst + eFieldName, "Invalid Entry",
                  "Please enter a name for this schedule.");
    form.schedule.name = "Crane Hours";
    form.schedule.hours.fill(0);
    const QPFormOutcome noShift = Confirm(project, *bea, form);
    ASSERT_TRUE(noShift.has_value());
    EXPECT_TRUE(IsScheduleField(noShift->field));
    EXPECT_EQ(ScheduleField(noShift->field), QPScheduleDialogRules::HoursField(eMonday));

    EXPECT_EQ(bea->WriteSDF(), image);
    EXPECT_EQ(crane->shiftDuration[eSaturday], 6 * 3600);
    EXPECT_FALSE(project.undoStack.CanUndo());
}

TEST_F(ResourceEditorRules, UpdateBoxesNeedAnAddressOnlyWhenTicked)
{
    QPResource& ada = *project.resources.GetElement("Ada");
    Form form = ResourceForm(project, ada);
    form.sendTaskUpdates = true;
    form.sendProjectUpdates = false;
    ExpectRefusal(Confirm(project, ada, form), eFieldSendTaskUpdates, "No Email Provided",
                  kNoEmail);
    form.sendTaskUpdates = false;
    EXPECT_FALSE(Confirm(project, ada, form).has_value());
    EXPECT_FALSE(ada.sendTaskUpdates);
    EXPECT_EQ(ada.email, "");
}

TEST(ResourceEmail, AcceptsPlainAddressesAndRefusesTypingSlips)
{
    for (const char* good :
         {"ada@example.com", "a.b+tag@mail.harbour.example", "x_1@do-main.io", "zoë@bücher.de"})
        EXPECT_TRUE(IsValidEmail(good)) << good;
    for (const char* bad :
         {"", "ada", "@example.com", "ada@", "ada@example", "ada@@example.com", "a@b@example.com",
          "ada @example.com", "ada@exa mple.com", "ada@.example.com", "ada@example..com",
          "ada@example.com.", "ada@-example.com", "ada@example.c", ".ada@example.com",
          "ad..a@example.com", "<ada@example.com>", "ada@exa_mple.com", "ada,bea@example.com"})
        EXPECT_FALSE(IsValidEmail(bad)) << bad;
}

TEST_F(ResourceEditorRules, WritesEveryFieldAndTheExceptionsOfTheRows)
{
    Form form = ResourceForm(project, *bea);
    form.name = " Beatrice ";
    form.email = " beatrice@harbour.example ";
    form.hourlyRateText = "$1,234.5";
    form.overtimeRateText = "18.999";
    form.sendProjectUpdates = false;
    form.sendTaskUpdates = true;
    form.notes = "Crane and forklift.";
    QPScheduleDialogRules::LoadSchedule(form.schedule, project.GetDefaultSchedule());
    form.schedule.exceptions = {{{2024, 9, 2}, "2.5"}, {{2024, 8, 12}, "8"}};
    EXPECT_FALSE(Confirm(project, *bea, form).has_value());

    EXPECT_EQ(bea->name, "Beatrice");
    EXPECT_EQ(bea->email, "beatrice@harbour.example");
    EXPECT_EQ(bea->hourlyRate, 123450);
    EXPECT_EQ(bea->overtimeRate, 1899);
    EXPECT_FALSE(bea->sendProjectUpdates);
    EXPECT_TRUE(bea->sendTaskUpdates);
    EXPECT_EQ(bea->notes, "Crane and forklift.");
    EXPECT_EQ(bea->scheduleKey, project.defaultScheduleKey);
    ASSERT_EQ(bea->exceptions.size(), 2u);
    EXPECT_EQ(bea->exceptions[0].date, LocalTime(2024, 9, 2, 12));
    EXPECT_EQ(bea->exceptions[0].workSeconds, 9000);
    EXPECT_EQ(bea->exceptions[1].date, LocalTime(2024, 8, 12, 12));
}

TEST_F(ResourceEditorRules, TheSourceScheduleIsWrittenOnlyWhenItsBoxIsTicked)
{
    const LByteArray craneBefore = crane->WriteSDF();
    Form form = ResourceForm(project, *bea);
    // Changed fields without the box: the schedule stays as it was.
    form.schedule.name = "Renamed";
    form.schedule.hours[eSunday] = 5;
    form.notes = "Moved to weekends.";
    EXPECT_FALSE(Confirm(project, *bea, form).has_value());
    EXPECT_EQ(crane->WriteSDF(), craneBefore);
    EXPECT_EQ(project.undoStack.GetNumItems(), 1u);

    // With the box, the schedule and the resource change together, in one undo step when
    // the main window groups them; the resource's exceptions never go to the schedule.
    const LByteArray beaBefore = bea->WriteSDF();
    form.schedule.editSource = true;
    form.notes = "Sundays too.";
    project.UndoRedoGroupStart();
    EXPECT_FALSE(Confirm(project, *bea, form).has_value());
    project.UndoRedoGroupEnd();
    EXPECT_EQ(crane->name, "Renamed");
    EXPECT_EQ(crane->shiftDuration[eSunday], 5 * 3600);
    EXPECT_TRUE(crane->exceptions.empty());
    const LByteArray craneAfter = crane->WriteSDF();
    const LByteArray beaAfter = bea->WriteSDF();

    project.undoStack.Undo();
    EXPECT_EQ(project.schedules.GetElementByKey(crane->key)->WriteSDF(), craneBefore);
    EXPECT_EQ(project.resources.GetElement(bea->id)->WriteSDF(), beaBefore);
    EXPECT_EQ(project.resources.GetElement(bea->id)->notes, "Moved to weekends.");
    project.undoStack.Redo();
    EXPECT_EQ(project.schedules.GetElementByKey(crane->key)->WriteSDF(), craneAfter);
    EXPECT_EQ(project.resources.GetElement(bea->id)->WriteSDF(), beaAfter);
}

TEST_F(ResourceEditorRules, UndoOfAnEditRestoresTheResourceExactly)
{
    const LByteArray before = bea->WriteSDF();
    Form form = ResourceForm(project, *bea);
    form.hourlyRateText = "$50.00";
    form.schedule.exceptions.clear();
    form.notes.clear();
    project.UndoRedoGroupStart();
    EXPECT_FALSE(Confirm(project, *bea, form).has_value());
    project.UndoRedoGroupEnd();

    project.undoStack.Undo();
    const QPResource& restored = *project.resources.GetElement(bea->id);
    EXPECT_EQ(restored.WriteSDF(), before);
    EXPECT_EQ(restored.notes, "Crane licence until 2026.");
    EXPECT_EQ(restored.exceptions.size(), 1u);
    project.undoStack.Redo();
    EXPECT_EQ(project.resources.GetElement(bea->id)->hourlyRate, 5000);
    EXPECT_TRUE(project.resources.GetElement(bea->id)->exceptions.empty());

    // A new resource is recorded by the main window when it adds it.
    QPResource fresh;
    Form newForm = ResourceForm(project, fresh);
    newForm.name = "Cy";
    newForm.sendTaskUpdates = false;
    const std::size_t steps = project.undoStack.GetNumItems();
    EXPECT_FALSE(Confirm(project, fresh, newForm).has_value());
    EXPECT_EQ(fresh.name, "Cy");
    EXPECT_EQ(project.undoStack.GetNumItems(), steps);
}
