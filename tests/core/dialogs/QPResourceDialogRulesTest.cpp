#include "dialogs/QPResourceDialogRules.h"
#include "model/QPProject.h"

#include "FormCheck.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

using namespace QPResourceDialogRules;

const char* const kNoEmail =
        "An email address must be provided for this resource to be eligible to receive updates.";

// Ada on the default schedule; Bea on a crane schedule of its own, with a day off.
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
        this->ada = &project.ElementAdd(std::move(ada), false);
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

    QPProject project;
    QPSchedule* crane = nullptr;
    QPResource* ada = nullptr;
    QPResource* bea = nullptr;
};

TEST_F(ResourceEditorRules, FormShowsTheResourceItsScheduleAndItsOwnExceptions)
{
    const Form form = ResourceForm(project, *bea);
    EXPECT_EQ(form.name + " " + form.hourlyRateText + " " + form.overtimeRateText,
              "Bea $42.50 $60.00");
    EXPECT_TRUE(form.sendProjectUpdates && form.sendTaskUpdates);
    EXPECT_EQ(form.notes, "Crane licence until 2026.");
    EXPECT_TRUE(form.schedule.resourceMode && !form.schedule.editSource);
    EXPECT_EQ(form.schedule.scheduleKey, crane->key);
    EXPECT_EQ(form.schedule.name, "Crane Hours");
    EXPECT_EQ(form.schedule.hours[eSaturday], 6);
    ASSERT_EQ(form.schedule.exceptions.size(), 1u);
    EXPECT_EQ(form.schedule.exceptions[0].DateText() + " " + form.schedule.exceptions[0].hoursText,
              "2024-08-12 8");
    // A resource without a schedule is offered the project's default one.
    EXPECT_EQ(ResourceForm(project, QPResource()).schedule.scheduleKey, project.defaultScheduleKey);
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
    const std::pair<void (*)(Form&), std::string> steps[] = {
            {[](Form&) {}, Refusal(eFieldName, "Invalid Entry")},
            {[](Form& f) { f.name = " Ada "; }, Refusal(eFieldName, "Duplicate Name")},
            {[](Form& f) { f.name = "Bea"; }, Refusal(eFieldEmail, "Invalid Entry")},
            {[](Form& f) { f.email = "  "; }, Refusal(eFieldHourlyRate, "Negative Cost")},
            {[](Form& f) { f.hourlyRateText = "12a"; },
             Refusal(eFieldHourlyRate, kInvalidRateTitle)},
            {[](Form& f) { f.hourlyRateText = "$1,234.50"; },
             Refusal(eFieldOvertimeRate, "Negative Cost")},
            // A zero rate is no negative cost; both boxes ticked without an address are
            // reported on the first.
            {[](Form& f) { f.overtimeRateText = "0"; },
             Refusal(eFieldSendProjectUpdates, "No Email Provided")},
            {[](Form& f) { f.sendProjectUpdates = false; },
             Refusal(eFieldSendTaskUpdates, "No Email Provided", kNoEmail)},
            {[](Form& f) { f.sendTaskUpdates = false; },
             Refusal(eFieldScheduleFirst + eFieldName, "Invalid Entry")},
            {[](Form& f) {
                 f.schedule.name = "Crane Hours";
                 f.schedule.hours.fill(0);
             },
             Refusal(eFieldScheduleFirst + QPScheduleDialogRules::HoursField(eMonday),
                     "Invalid Entry")},
    };
    for (const auto& [fix, refusal] : steps) {
        fix(form);
        EXPECT_EQ(Outcome(Confirm(project, *bea, form), refusal.find(':') != refusal.npos),
                  refusal);
    }
    EXPECT_EQ(bea->WriteSDF(), image);
    EXPECT_EQ(crane->shiftDuration[eSaturday], 6 * 3600);
    EXPECT_FALSE(project.undoStack.CanUndo());
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

TEST_F(ResourceEditorRules, WritesEveryFieldAndTheSourceScheduleOnlyWhenItsBoxIsTicked)
{
    const LByteArray craneBefore = crane->WriteSDF();
    Form form = ResourceForm(project, *bea);
    form.name = " Beatrice ";
    form.email = " beatrice@harbour.example ";
    form.hourlyRateText = "$1,234.5";
    form.overtimeRateText = "18.999";
    form.sendProjectUpdates = false;
    form.notes = "Crane and forklift.";
    form.schedule.exceptions = {{{2024, 9, 2}, "2.5"}, {{2024, 8, 12}, "8"}};
    // Changed fields without the box: the schedule stays as it was.
    form.schedule.name = "Renamed";
    form.schedule.hours[eSunday] = 5;
    ASSERT_EQ(Outcome(Confirm(project, *bea, form)), "accepted");
    EXPECT_EQ(crane->WriteSDF(), craneBefore);
    EXPECT_EQ(bea->name.str() + " " + bea->email.str(), "Beatrice beatrice@harbour.example");
    EXPECT_EQ(bea->hourlyRate, 123450);
    EXPECT_EQ(bea->overtimeRate, 1899);
    EXPECT_FALSE(bea->sendProjectUpdates);
    EXPECT_TRUE(bea->sendTaskUpdates);
    EXPECT_EQ(bea->notes, "Crane and forklift.");
    ASSERT_EQ(bea->exceptions.size(), 2u);
    EXPECT_EQ(bea->exceptions[0].date, LocalTime(2024, 9, 2, 12));
    EXPECT_EQ(bea->exceptions[0].workSeconds, 9000);
    EXPECT_EQ(bea->exceptions[1].date, LocalTime(2024, 8, 12, 12));
    EXPECT_EQ(project.undoStack.GetNumItems(), 1u);

    // With the box the schedule and the resource change together, undone as one step when
    // the main window groups them; the resource's exceptions never go to the schedule.
    form.schedule.exceptions.resize(1);
    ASSERT_EQ(Outcome(Confirm(project, *bea, form)), "accepted");
    const LByteArray beaBefore = bea->WriteSDF();
    form.schedule.editSource = true;
    form.notes = "Sundays too.";
    project.UndoRedoGroupStart();
    ASSERT_EQ(Outcome(Confirm(project, *bea, form)), "accepted");
    project.UndoRedoGroupEnd();
    EXPECT_EQ(crane->name, "Renamed");
    EXPECT_EQ(crane->shiftDuration[eSunday], 5 * 3600);
    EXPECT_TRUE(crane->exceptions.empty());
    const LByteArray craneAfter = crane->WriteSDF();
    const LByteArray beaAfter = bea->WriteSDF();
    project.undoStack.Undo();
    EXPECT_EQ(project.schedules.GetElementByKey(crane->key)->WriteSDF(), craneBefore);
    EXPECT_EQ(project.resources.GetElement(bea->id)->WriteSDF(), beaBefore);
    project.undoStack.Redo();
    EXPECT_EQ(project.schedules.GetElementByKey(crane->key)->WriteSDF(), craneAfter);
    EXPECT_EQ(project.resources.GetElement(bea->id)->WriteSDF(), beaAfter);

    // Another schedule chosen; a new resource is recorded by the main window when it adds it.
    QPScheduleDialogRules::LoadSchedule(form.schedule, project.GetDefaultSchedule());
    form.schedule.editSource = false;
    ASSERT_EQ(Outcome(Confirm(project, *bea, form)), "accepted");
    EXPECT_EQ(bea->scheduleKey, project.defaultScheduleKey);
    QPResource fresh;
    Form newForm = ResourceForm(project, fresh);
    newForm.name = "Cy";
    newForm.sendTaskUpdates = false;
    const std::size_t steps = project.undoStack.GetNumItems();
    ASSERT_EQ(Outcome(Confirm(project, fresh, newForm)), "accepted");
    EXPECT_EQ(fresh.name, "Cy");
    EXPECT_EQ(project.undoStack.GetNumItems(), steps);
}

} // namespace
