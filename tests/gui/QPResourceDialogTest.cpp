// The resource and schedule editors as the main window embeds them, and the exception
// editor they open: fields filled from the project, OK reporting the element, a refusal
// keeping the panel open on its tab and field, and the rules the fields follow as the user
// types.

#include "dialogs/QPResourceDialog.h"
#include "dialogs/QPExceptionDlg.h"
#include "dialogs/QPExceptionRules.h"
#include "dialogs/QPScheduleDialog.h"
#include "dialogs/QPScheduleEditor.h"
#include "model/QPProject.h"

#include "support/ScriptedPrompts.h"
#include "support/TestTime.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// The main window as the editors see it: every message with the element and whether it
// came with a new element.
class RecordingHost : public QPEditPanelHost {
public:
    struct Message {
        int number = 0;
        const void* element = nullptr;
        bool created = false;
    };

    void EvInterWinMessage(int message, QPTask& task, std::unique_ptr<QPTask> created) override
    {
        Record(message, &task, created != nullptr);
    }
    void EvInterWinMessage(int message, QPResource& resource,
                           std::unique_ptr<QPResource> created) override
    {
        Record(message, &resource, created != nullptr);
        createdResource = std::move(created);
    }
    void EvInterWinMessage(int message, QPSchedule& schedule,
                           std::unique_ptr<QPSchedule> created) override
    {
        Record(message, &schedule, created != nullptr);
        createdSchedule = std::move(created);
    }

    std::vector<Message> messages;
    std::unique_ptr<QPResource> createdResource;
    std::unique_ptr<QPSchedule> createdSchedule;

private:
    void Record(int number, const void* element, bool created)
    {
        messages.push_back({number, element, created});
    }
};

bool FocusIsIn(QWidget& panel, QWidget& field)
{
    QWidget* focus = panel.focusWidget();
    return focus && (focus == &field || field.isAncestorOf(focus));
}

constexpr const char* kInvalidRate = "Please enter a valid currency value for this rate field.";

class ElementEditors : public ::testing::Test {
protected:
    ElementEditors()
    {
        auto night = std::make_unique<QPSchedule>();
        night->name = "Night Shift";
        night->shiftDuration[eMonday] = 6 * 3600;
        night->shiftStart[eMonday] = LDayTime(22 * 3600);
        this->night = &project.ElementAdd(std::move(night), false);

        auto bea = std::make_unique<QPResource>();
        bea->name = "Bea";
        bea->scheduleKey = project.defaultScheduleKey;
        bea->sendTaskUpdates = false;
        bea->hourlyRate = 4250;
        this->bea = &project.ElementAdd(std::move(bea), false);
    }

    QPProject project;
    QPSchedule* night = nullptr;
    QPResource* bea = nullptr;
    RecordingHost host;
    ScriptedPrompts prompts;
};

} // namespace

TEST_F(ElementEditors, ResourceRefusalsShowTheirAlertOnTheirTabAndField)
{
    QPResourceDialog panel(project, host, prompts, QPEditTarget<QPResource>::Existing(*bea));
    panel.show();
    EXPECT_STREQ(panel.HelpTopic(), "resourcedialog");
    ASSERT_EQ(panel.Tabs().count(), 3);
    EXPECT_EQ(panel.Tabs().tabText(1), QStringLiteral("Schedule"));
    EXPECT_EQ(panel.HourlyRateEdit().text(), QStringLiteral("$42.50"));

    panel.NameEdit().setText(QStringLiteral(" "));
    EXPECT_FALSE(panel.CmOk());
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Invalid Entry");
    EXPECT_EQ(prompts.asked[0].message, "Please enter a name for this resource.");
    EXPECT_TRUE(FocusIsIn(panel, panel.NameEdit()));

    // "Send Task Updates" alone without an address: on that box.
    panel.NameEdit().setText(QStringLiteral("Bea"));
    panel.SendTaskUpdatesBox().setChecked(true);
    panel.Tabs().setCurrentIndex(QPResourceDialog::eTabNotes);
    EXPECT_FALSE(panel.CmOk());
    EXPECT_EQ(prompts.Last()->title, "No Email Provided");
    EXPECT_EQ(panel.Tabs().currentIndex(), QPResourceDialog::eTabGeneral);
    EXPECT_TRUE(FocusIsIn(panel, panel.SendTaskUpdatesBox()));

    // A schedule without shifts, edited through the resource: the "Schedule" tab, Monday.
    panel.SendTaskUpdatesBox().setChecked(false);
    QPScheduleEditor& schedule = panel.ScheduleEditor();
    schedule.EditSourceBox()->setChecked(true);
    for (int day = 0; day < 7; ++day)
        schedule.HoursBox(day).setValue(0);
    EXPECT_FALSE(panel.CmOk());
    EXPECT_EQ(prompts.Last()->message,
              "Please enter a shift duration for one or more days in this schedule.");
    EXPECT_EQ(panel.Tabs().currentIndex(), QPResourceDialog::eTabSchedule);
    EXPECT_TRUE(FocusIsIn(panel, schedule.HoursBox(eMonday)));

    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(project.GetDefaultSchedule()->shiftDuration[eMonday], 8 * 3600);
    EXPECT_FALSE(project.undoStack.CanUndo());
}

TEST_F(ElementEditors, ANewResourceIsHandedOverOnOKAndLetGoOnCancel)
{
    auto created = std::make_unique<QPResource>();
    QPResource* fresh = created.get();
    {
        QPResourceDialog panel(project, host, prompts,
                               QPEditTarget<QPResource>::New(std::move(created)));
        panel.NameEdit().setText(QStringLiteral("Cy"));
        panel.EmailEdit().setText(QStringLiteral("cy@harbour.example"));
        panel.OvertimeRateEdit().setText(QStringLiteral("$61.25"));
        panel.NotesEdit().setPlainText(QStringLiteral("Night work only."));
        panel.ScheduleEditor().ScheduleChoice()->setCurrentIndex(1);
        EXPECT_TRUE(panel.CmOk());
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].number, 4201);
    EXPECT_EQ(host.messages[0].element, fresh);
    EXPECT_TRUE(host.messages[0].created);
    ASSERT_EQ(host.createdResource.get(), fresh);
    EXPECT_EQ(fresh->name, "Cy");
    EXPECT_EQ(fresh->overtimeRate, 6125);
    EXPECT_EQ(fresh->scheduleKey, night->key);
    EXPECT_EQ(fresh->notes, "Night work only.");
    EXPECT_TRUE(prompts.asked.empty());

    // Cancel on an existing resource: the message without an element to take over.
    QPResourceDialog panel(project, host, prompts, QPEditTarget<QPResource>::Existing(*bea));
    panel.NameEdit().setText(QStringLiteral("Changed"));
    EXPECT_TRUE(panel.CmCancel());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].number, 4202);
    EXPECT_EQ(host.messages[1].element, bea);
    EXPECT_FALSE(host.messages[1].created);
    EXPECT_EQ(bea->name, "Bea");
}

TEST_F(ElementEditors, AnInvalidRateIsReportedOncePerEdit)
{
    QPResourceDialog panel(project, host, prompts, QPEditTarget<QPResource>::Existing(*bea));
    QLineEdit& rate = panel.HourlyRateEdit();
    rate.setText(QStringLiteral("12a"));
    emit rate.editingFinished();
    emit rate.editingFinished();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Invalid Input");
    EXPECT_EQ(prompts.asked[0].message, kInvalidRate);

    // OK refuses the text too, and leaving the field afterwards says nothing more.
    EXPECT_FALSE(panel.CmOk());
    EXPECT_EQ(prompts.asked.size(), 2u);
    EXPECT_TRUE(FocusIsIn(panel, rate));
    emit rate.editingFinished();
    EXPECT_EQ(prompts.asked.size(), 2u);

    // A new edit is checked again; valid money passes silently.
    emit rate.textEdited(QStringLiteral("12a"));
    emit rate.editingFinished();
    EXPECT_EQ(prompts.asked.size(), 3u);
    rate.setText(QStringLiteral("$1,234.50"));
    emit rate.editingFinished();
    EXPECT_EQ(prompts.asked.size(), 3u);
    EXPECT_TRUE(panel.CmOk());
    EXPECT_EQ(bea->hourlyRate, 123450);
}

TEST_F(ElementEditors, ChoosingAScheduleShowsItAndRelabelsTheSourceBox)
{
    QPResourceDialog panel(project, host, prompts, QPEditTarget<QPResource>::Existing(*bea));
    QPScheduleEditor& editor = panel.ScheduleEditor();
    EXPECT_EQ(editor.ExceptionList().objectName(), QStringLiteral("ResourceExceptionList"));
    EXPECT_EQ(editor.EditSourceBox()->text(), QStringLiteral("Edit data for Default Schedule"));
    EXPECT_EQ(editor.HoursBox(eMonday).value(), 8);
    EXPECT_FALSE(editor.NameEdit().isEnabled());
    EXPECT_FALSE(editor.HoursBox(eMonday).isEnabled());

    editor.ScheduleChoice()->setCurrentIndex(1);
    EXPECT_EQ(editor.EditSourceBox()->text(), QStringLiteral("Edit data for Night Shift"));
    EXPECT_EQ(editor.NameEdit().text(), QStringLiteral("Night Shift"));
    EXPECT_EQ(editor.HoursBox(eMonday).value(), 6);
    EXPECT_EQ(editor.HoursBox(eTuesday).value(), 0);
    EXPECT_EQ(editor.StartEdit(eMonday).time(), QTime(22, 0));

    editor.EditSourceBox()->setChecked(true);
    EXPECT_TRUE(editor.HoursBox(eMonday).isEnabled());
    editor.HoursBox(eSunday).setValue(3);
    EXPECT_TRUE(panel.CmOk());
    EXPECT_EQ(bea->scheduleKey, night->key);
    EXPECT_EQ(night->shiftDuration[eSunday], 3 * 3600);
    EXPECT_EQ(host.messages.back().number, 4201);

    // A schedule added under the open editor becomes a choice.
    auto extra = std::make_unique<QPSchedule>();
    extra->name = "Weekend";
    project.ElementAdd(std::move(extra), false);
    panel.ProjectUpdate();
    EXPECT_EQ(editor.ScheduleChoice()->count(), 3);
    EXPECT_EQ(editor.ScheduleChoice()->currentText(), QStringLiteral("Night Shift"));
}

TEST_F(ElementEditors, TwentyFourHoursDisableTheMinutesAndFillTheDay)
{
    auto created = std::make_unique<QPSchedule>();
    QPSchedule* fresh = created.get();
    QPScheduleDialog panel(project, host, prompts,
                           QPEditTarget<QPSchedule>::New(std::move(created)));
    EXPECT_STREQ(panel.HelpTopic(), "scheduledialog");
    QPScheduleEditor& editor = panel.Editor();
    EXPECT_EQ(editor.ScheduleChoice(), nullptr);
    EXPECT_EQ(editor.ExceptionList().objectName(), QStringLiteral("ScheduleExceptionList"));

    editor.NameEdit().setText(QStringLiteral("Round the Clock"));
    editor.MinutesBox(eWednesday).setValue(40);
    editor.HoursBox(eWednesday).setValue(24);
    EXPECT_EQ(editor.MinutesBox(eWednesday).value(), 0);
    EXPECT_FALSE(editor.MinutesBox(eWednesday).isEnabled());
    editor.HoursBox(eThursday).setValue(23);
    editor.MinutesBox(eThursday).setValue(59);
    EXPECT_TRUE(editor.MinutesBox(eThursday).isEnabled());

    EXPECT_TRUE(panel.CmOk());
    EXPECT_EQ(fresh->shiftDuration[eWednesday], 86400);
    EXPECT_EQ(fresh->shiftDuration[eThursday], 23 * 3600 + 59 * 60);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].number, 4301);
    EXPECT_EQ(host.createdSchedule.get(), fresh);
}

TEST_F(ElementEditors, ScheduleRefusalKeepsThePanelAndCancelReportsIt)
{
    QPScheduleDialog panel(project, host, prompts, QPEditTarget<QPSchedule>::Existing(*night));
    panel.show();
    panel.Editor().HoursBox(eMonday).setValue(0);
    panel.Editor().NameEdit().setFocus();
    EXPECT_FALSE(panel.CmOk());
    EXPECT_EQ(prompts.Last()->title, "Invalid Entry");
    EXPECT_TRUE(FocusIsIn(panel, panel.Editor().HoursBox(eMonday)));
    EXPECT_EQ(night->shiftDuration[eMonday], 6 * 3600);

    panel.Editor().NameEdit().setText(QStringLiteral("Default Schedule"));
    panel.Editor().MinutesBox(eMonday).setValue(30);
    EXPECT_FALSE(panel.CmOk());
    EXPECT_EQ(prompts.Last()->title, "Duplicate Name");
    EXPECT_TRUE(FocusIsIn(panel, panel.Editor().NameEdit()));

    EXPECT_TRUE(panel.CmCancel());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].number, 4302);
    EXPECT_EQ(host.messages[0].element, night);
    EXPECT_FALSE(host.messages[0].created);
}

TEST_F(ElementEditors, ExceptionRowsAreAddedEditedAndRemovedThenWritten)
{
    QPScheduleDialog panel(project, host, prompts, QPEditTarget<QPSchedule>::Existing(*night));
    QPScheduleEditor& editor = panel.Editor();
    std::vector<std::pair<QPExceptionRules::Form, bool>> asked;
    std::vector<QPExceptionRules::Form> answers = {
            {{2025, 1, 6}, "7.5"}, {{2025, 1, 1}, "8"}, {{2025, 1, 2}, "4"}};
    editor.SetExceptionEditor([&](const QPExceptionRules::Form& initial, bool editing) {
        asked.emplace_back(initial, editing);
        QPExceptionRules::Form answer = answers.front();
        answers.erase(answers.begin());
        return std::optional<QPExceptionRules::Form>(answer);
    });

    EXPECT_FALSE(editor.EditExceptionButton().isEnabled());
    editor.AddExceptionButton().click();
    editor.AddExceptionButton().click();
    QTreeWidget& list = editor.ExceptionList();
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(0)->text(0), QStringLiteral("2025-01-06"));
    EXPECT_EQ(list.topLevelItem(0)->text(1), QStringLiteral("7.5"));

    // "Edit Exception" needs exactly one row.
    list.selectAll();
    EXPECT_FALSE(editor.EditExceptionButton().isEnabled());
    list.clearSelection();
    list.topLevelItem(1)->setSelected(true);
    ASSERT_TRUE(editor.EditExceptionButton().isEnabled());
    editor.EditExceptionButton().click();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_FALSE(asked[0].second);
    EXPECT_TRUE(asked[2].second);
    EXPECT_EQ(asked[2].first.DateText(), "2025-01-01");
    EXPECT_EQ(list.topLevelItem(1)->text(0), QStringLiteral("2025-01-02"));

    list.clearSelection();
    list.topLevelItem(0)->setSelected(true);
    list.setFocus();
    for (QAction* action : list.actions())
        action->trigger();
    ASSERT_EQ(list.topLevelItemCount(), 1);

    EXPECT_TRUE(panel.CmOk());
    ASSERT_EQ(night->exceptions.size(), 1u);
    EXPECT_EQ(night->exceptions[0].date, LocalTime(2025, 1, 2, 12));
    EXPECT_EQ(night->exceptions[0].workSeconds, 4 * 3600);
    EXPECT_TRUE(project.undoStack.CanUndo());
}

TEST_F(ElementEditors, ExceptionEditorRefusesHoursThatAreNoWork)
{
    QPExceptionDlg dialog(project.options, prompts, {{2025, 3, 5}, "0"}, true);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Edit Exception"));
    EXPECT_EQ(dialog.DateEdit().date(), QDate(2025, 3, 5));
    dialog.show();
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Invalid Entry");
    EXPECT_EQ(prompts.asked[0].message, "Please enter a positive numeric value representing the "
                                        "number of work hours excepted from the schedule.");
    EXPECT_TRUE(FocusIsIn(dialog, dialog.HoursEdit()));

    dialog.HoursEdit().setText(QStringLiteral("2.5"));
    buttons->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result().hoursText, "2.5");

    QPExceptionDlg adding(project.options, prompts, QPExceptionRules::NewExceptionForm(), false);
    EXPECT_EQ(adding.windowTitle(), QStringLiteral("Add Exception"));
}
