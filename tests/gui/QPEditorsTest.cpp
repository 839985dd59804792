// The editors: fields filled from the element, OK writing back or handing a new element over,
// a refusal keeping the editor open on its tab and field (the rules: tests/core/dialogs).

#include "dialogs/QPAssignmentLists.h"
#include "dialogs/QPExceptionDlg.h"
#include "dialogs/QPExceptionRules.h"
#include "dialogs/QPGeneralPage.h"
#include "dialogs/QPProjectDialog.h"
#include "dialogs/QPResourceDialog.h"
#include "dialogs/QPScheduleDialog.h"
#include "dialogs/QPScheduleEditor.h"
#include "dialogs/QPTaskDialog.h"

#include "gui/GuiTest.h"

namespace {

// Presses OK and says what the user then sees: the editor closed, or open on its tab with
// the focus in `field` (or an inner editor of it) or elsewhere; then the alerts' titles.
template <class Editor>
std::string OK(Editor& editor, QWidget& field, ScriptedPrompts& prompts)
{
    bool closed = false;
    if constexpr (requires { editor.CmOk(); }) {
        closed = editor.CmOk();
    } else {
        Press(editor, QDialogButtonBox::Ok);
        closed = editor.result() == QDialog::Accepted;
    }
    std::string shown = closed ? "closed" : "open";
    if constexpr (requires { editor.Tabs(); })
        if (!closed)
            shown += " on " + editor.Tabs().tabText(editor.Tabs().currentIndex()).toStdString();
    QWidget* focus = editor.focusWidget();
    if (!closed)
        shown += focus && (focus == &field || field.isAncestorOf(focus)) ? " in the field"
                                                                         : " elsewhere";
    for (const auto& prompt : prompts.Take())
        shown += ": " + prompt.title;
    return shown;
}

QComboBox* CellChoice(QTableWidget& table, int row, int column)
{
    return qobject_cast<QComboBox*>(table.cellWidget(row, column));
}

// Picks the entry with this text in a row's choice of names.
void Choose(QTableWidget& table, int row, const char* name)
{
    CellChoice(table, row, 1)->setCurrentIndex(CellChoice(table, row, 1)->findText(name));
}

// The main window as the editors see it: each message, its element and any new one.
struct RecordingHost : QPEditPanelHost {
    void EvInterWinMessage(int n, QPTask& e, std::unique_ptr<QPTask> c) override
    {
        Record(n, &e, std::move(c));
    }
    void EvInterWinMessage(int n, QPResource& e, std::unique_ptr<QPResource> c) override
    {
        Record(n, &e, std::move(c));
    }
    void EvInterWinMessage(int n, QPSchedule& e, std::unique_ptr<QPSchedule> c) override
    {
        Record(n, &e, std::move(c));
    }
    template <class T>
    void Record(int message, const void* element, std::unique_ptr<T> created)
    {
        messages.emplace_back(message, element, created.get());
        kept.push_back(std::shared_ptr<T>(std::move(created)));
    }
    using Message = std::tuple<int, const void*, const void*>; // number, element, new one
    std::vector<Message> messages;
    std::vector<std::shared_ptr<void>> kept;
};
using Messages = std::vector<RecordingHost::Message>;

class ElementEditors : public WidgetTest {
protected:
    ElementEditors() { bea->sendTaskUpdates = false; }
    QPSchedule* night = &plan.Schedule("Night Shift", 22 * kHour, {0, 6, 0, 0, 0, 0, 0});
    QPResource* bea = &plan.Resource("Bea", nullptr, 4250);
    RecordingHost host;
};

// 1 Survey, 2 Frame (header of 3 Walls and 4 Roof), 5 Paint (after Survey, Painter at 50%).
class TaskDialog : public WidgetTest {
protected:
    TaskDialog()
        : survey(plan.Task("Survey", "8")), frame(plan.Task("Frame", "")),
          walls(plan.Task("Walls", "16")), roof(plan.Task("Roof", "8")),
          paint(plan.Task("Paint", "4")), mason(plan.Resource("Mason")),
          painter(plan.Resource("Painter"))
    {
        frame.isHeader = true;
        frame.subtaskKeys = {walls.key, roof.key};
        paint.AddDependency(survey.key, eFinishToStart, 0.f);
        paint.AddResourceAssignment(painter.key, 50);
        plan.Recalculate();
    }
    std::unique_ptr<QPTaskDialog> Open(QPTask& task)
    {
        auto dialog = std::make_unique<QPTaskDialog>(plan.project, host, prompts,
                                                     QPEditTarget<QPTask>::Existing(task));
        dialog->resize(600, 450);
        dialog->show();
        return dialog;
    }
    QPTask &survey, &frame, &walls, &roof, &paint;
    QPResource &mason, &painter;
    RecordingHost host;
};

} // namespace

TEST(ProjectDialogAndOptionsPage, ShowTheProjectRefuseOnTheFieldAndWriteBackOnOK)
{
    Plan plan;
    QPProject& project = plan.project;
    const int64_t nightKey = plan.Schedule("Night Shift", 22 * kHour, {0, 8, 8, 8, 8, 8, 0}).key;
    project.SetName("Harbour Bridge");
    project.projectStart = LocalTime(2024, 5, 6);
    project.projectDeadline = LocalTime(2024, 6, 28, 23, 59, 59);
    project.dirty = false;
    ScriptedPrompts prompts;
    QPProjectDialog dialog(project, false, prompts);
    dialog.show();
    // The project's own date format, with English month names whatever the desktop says.
    EXPECT_EQ(dialog.StartEdit().text(), QStringLiteral("6 May 2024"));
    EXPECT_TRUE(dialog.ScheduleChoice().isEnabled() && dialog.ScheduleChoice().count() == 2);
    dialog.NameEdit().setText(QStringLiteral("   "));
    dialog.DeadlineEdit().setFocus();
    EXPECT_EQ(OK(dialog, dialog.NameEdit(), prompts), "open in the field: Missing Data");
    EXPECT_EQ(project.name, "Harbour Bridge") << "nothing written by a refused attempt";
    EXPECT_FALSE(project.dirty);
    dialog.NameEdit().setText(QStringLiteral("  Harbour Tunnel "));
    dialog.StartEdit().setDate(QDate(2024, 3, 31));
    dialog.DeadlineEdit().setDate(QDate(2024, 3, 31));
    dialog.ScheduleChoice().setCurrentIndex(1);
    EXPECT_EQ(OK(dialog, dialog.NameEdit(), prompts), "closed");
    // How the days are written is the project's rules (tests/core/dialogs); here each field.
    EXPECT_EQ(project.name.str() + " " + std::to_string(project.defaultScheduleKey == nightKey),
              "Harbour Tunnel 1");
    EXPECT_EQ(project.projectStart, LocalTime(2024, 3, 31));
    EXPECT_TRUE(project.projectDeadline > project.projectStart && project.dirty);
    // A new project has only the default schedule, even after an unreadable file left none.
    QPProjectBase empty;
    empty.ProjectReset(false);
    QPProjectDialog fresh(empty, true, prompts);
    EXPECT_EQ(fresh.ScheduleChoice().currentText(), QStringLiteral("Default Schedule"));
    EXPECT_FALSE(fresh.ScheduleChoice().isEnabled());
    // The options page shows live samples and hands its fields to the page's rules on OK
    // (the question about the digits, trimming, the formats: tests/core/dialogs).
    QPProjectOptions options;
    options.SetDateFormat(eDateFormatNumeric, eDateOrderYearMonthDay, '-');
    prompts.Then("Don't Change");
    QPGeneralPage page(options, prompts);
    page.show();
    EXPECT_EQ(page.DateFormatChoice().currentText(), QStringLiteral("2000-07-26"));
    page.CurrencySymbolEdit().setText(QStringLiteral(" £"));
    page.DecimalSymbolEdit().setText(QStringLiteral(","));
    page.DigitsBox().setValue(1);
    EXPECT_EQ(page.PositionChoice().itemText(0), QStringLiteral("£18,0"));
    page.PositionChoice().setCurrentIndex(1);
    page.DateFormatChoice().setCurrentIndex(13);
    EXPECT_EQ(OK(page, page.DigitsBox(), prompts), "closed: Confirm Digit Change");
    EXPECT_EQ(LLocaleFormatCurrencyToText(options, 123456), "1,234,56£") << "2 digits kept";
    EXPECT_EQ(options.FormatDate(LocalTime(2000, 7, 26, 12)), "26.07.2000");
}

TEST_F(ElementEditors, ResourceRefusalsShowOnTheirTabAndFieldAndTheChosenScheduleIsEdited)
{
    QPResourceDialog panel(plan.project, host, prompts, QPEditTarget<QPResource>::Existing(*bea));
    panel.show();
    QLineEdit& rate = panel.HourlyRateEdit();
    EXPECT_EQ(rate.text(), QStringLiteral("$42.50"));
    // An invalid rate is reported once when the field is left, and once more by OK.
    rate.setText(QStringLiteral("12a"));
    emit rate.editingFinished();
    emit rate.editingFinished();
    EXPECT_EQ(OK(panel, rate, prompts),
              "open on General in the field: Invalid Input: Invalid Input");
    rate.setText(QStringLiteral("$1,234.50"));
    // "Send Task Updates" without an address, refused from the notes: on that box.
    panel.SendTaskUpdatesBox().setChecked(true);
    panel.Tabs().setCurrentIndex(QPResourceDialog::eTabNotes);
    EXPECT_EQ(OK(panel, panel.SendTaskUpdatesBox(), prompts),
              "open on General in the field: No Email Provided");
    // A schedule without shifts, edited through the resource: the "Schedule" tab, Monday.
    panel.SendTaskUpdatesBox().setChecked(false);
    QPScheduleEditor& schedule = panel.ScheduleEditor();
    schedule.EditSourceBox()->setChecked(true);
    for (int day = 0; day < 7; ++day)
        schedule.HoursBox(day).setValue(0);
    EXPECT_EQ(OK(panel, schedule.HoursBox(eMonday), prompts),
              "open on Schedule in the field: Invalid Entry");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(bea->hourlyRate, 4250);
    EXPECT_EQ(plan.DefaultSchedule().shiftDuration[eMonday], 8 * 3600);
    schedule.HoursBox(eMonday).setValue(8);
    EXPECT_EQ(OK(panel, rate, prompts), "closed");
    EXPECT_EQ(bea->hourlyRate, 123450);
    // Choosing a schedule shows it, and editing it changes that schedule.
    QPResourceDialog again(plan.project, host, prompts, QPEditTarget<QPResource>::Existing(*bea));
    QPScheduleEditor& editor = again.ScheduleEditor();
    EXPECT_FALSE(editor.HoursBox(eMonday).isEnabled()) << "the default schedule, not edited";
    editor.ScheduleChoice()->setCurrentIndex(1);
    EXPECT_EQ(editor.EditSourceBox()->text(), QStringLiteral("Edit data for Night Shift"));
    EXPECT_EQ(editor.StartEdit(eMonday).time(), QTime(22, 0)); // its fields: tests/core/dialogs
    editor.EditSourceBox()->setChecked(true);
    editor.HoursBox(eSunday).setValue(3);
    EXPECT_TRUE(again.CmOk());
    EXPECT_EQ(bea->scheduleKey, night->key);
    EXPECT_EQ(night->shiftDuration[eSunday], 3 * 3600);
    EXPECT_EQ(host.messages, Messages(2, {4201, bea, nullptr}));
    // A schedule added under the open editor becomes a choice.
    plan.Schedule("Weekend", 0, {8, 0, 0, 0, 0, 0, 8});
    again.ProjectUpdate();
    EXPECT_EQ(editor.ScheduleChoice()->count(), 3);
    EXPECT_EQ(editor.ScheduleChoice()->currentText(), QStringLiteral("Night Shift"));
}

TEST_F(ElementEditors, ScheduleRefusalsTheWholeDayAndExceptionRowsAddedEditedAndRemoved)
{
    ScopedEnvironment now("KESTRANO_NOW", "2025-02-03 09:00:00");
    QPScheduleDialog panel(plan.project, host, prompts, QPEditTarget<QPSchedule>::Existing(*night));
    panel.show();
    panel.Editor().NameEdit().setText(QStringLiteral("Default Schedule"));
    panel.Editor().HoursBox(eMonday).setFocus();
    EXPECT_EQ(OK(panel, panel.Editor().NameEdit(), prompts), "open in the field: Duplicate Name");
    EXPECT_EQ(night->name, "Night Shift");
    EXPECT_TRUE(panel.CmCancel());
    auto created = std::make_unique<QPSchedule>();
    QPSchedule* fresh = created.get();
    QPScheduleDialog added(plan.project, host, prompts,
                           QPEditTarget<QPSchedule>::New(std::move(created)));
    QPScheduleEditor& editor = added.Editor();
    editor.NameEdit().setText(QStringLiteral("Round the Clock"));
    editor.MinutesBox(eWednesday).setValue(40);
    editor.HoursBox(eWednesday).setValue(24);
    EXPECT_FALSE(editor.MinutesBox(eWednesday).isEnabled());
    EXPECT_TRUE(added.CmOk());
    EXPECT_EQ(host.messages, (Messages{{4302, night, nullptr}, {4301, fresh, fresh}}));
    plan.project.undoStack.Clear();
    QPScheduleDialog shifts(plan.project, host, prompts,
                            QPEditTarget<QPSchedule>::Existing(*night));
    QPScheduleEditor& rows = shifts.Editor();
    // The rows as the editor of one exception is asked for them: its date, whether an edit.
    std::string asked;
    std::vector<QPExceptionRules::Form> answers = {
            {{2025, 1, 6}, "7.5"}, {{2025, 1, 1}, "8"}, {{2025, 1, 2}, "4"}};
    rows.SetExceptionEditor([&](const QPExceptionRules::Form& initial, bool editing) {
        asked += initial.DateText() + (editing ? " edited; " : " new; ");
        QPExceptionRules::Form answer = answers.front();
        answers.erase(answers.begin());
        return std::optional<QPExceptionRules::Form>(answer);
    });
    rows.AddExceptionButton().click();
    rows.AddExceptionButton().click();
    QTreeWidget& list = rows.ExceptionList();
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(0)->text(0) + " " + list.topLevelItem(0)->text(1),
              QStringLiteral("2025-01-06 7.5"));
    list.selectAll(); // "Edit Exception" needs exactly one row.
    EXPECT_FALSE(rows.EditExceptionButton().isEnabled());
    list.clearSelection();
    list.topLevelItem(1)->setSelected(true);
    rows.EditExceptionButton().click();
    EXPECT_EQ(asked, "2025-02-03 new; 2025-02-03 new; 2025-01-01 edited; ");
    EXPECT_EQ(list.topLevelItem(1)->text(0), QStringLiteral("2025-01-02"));
    list.clearSelection();
    list.topLevelItem(0)->setSelected(true);
    list.setFocus();
    for (QAction* action : list.actions())
        action->trigger();
    ASSERT_EQ(list.topLevelItemCount(), 1);
    EXPECT_TRUE(shifts.CmOk());
    ASSERT_EQ(night->exceptions.size(), 1u);
    EXPECT_EQ(night->exceptions[0].workSeconds, 4 * 3600);
    EXPECT_TRUE(plan.project.undoStack.CanUndo());
    // The exception editor itself refuses hours that are no work.
    QPExceptionDlg dialog(plan.project.options, prompts, {{2025, 3, 5}, "0"}, true);
    dialog.show();
    EXPECT_EQ(dialog.DateEdit().date(), QDate(2025, 3, 5));
    EXPECT_EQ(OK(dialog, dialog.HoursEdit(), prompts), "open in the field: Invalid Entry");
    dialog.HoursEdit().setText(QStringLiteral("2.5"));
    EXPECT_EQ(OK(dialog, dialog.HoursEdit(), prompts), "closed");
    EXPECT_EQ(dialog.Result().hoursText, "2.5");
}

TEST_F(TaskDialog, WhatMayBeChangedFollowsTheKindOfTaskAndTheListsFollowTheProject)
{
    auto dialog = Open(roof);
    EXPECT_EQ(dialog->HeaderChoice().currentText(), QStringLiteral("Frame"));
    EXPECT_FALSE(dialog->ScheduleChoice().isEnabled()) << "Fixed Work follows the default";
    EXPECT_FALSE(dialog->HideSubtasksBox().isEnabled());
    dialog->TaskTypeChoice().setCurrentIndex(1);
    EXPECT_TRUE(dialog->ScheduleChoice().isEnabled());
    dialog->AutoScheduleBox().setChecked(false);
    EXPECT_FALSE(dialog->DurationEdit().isEnabled()) << "its dates give its length";
    EXPECT_TRUE(dialog->FinishEdit().isEnabled());
    EXPECT_FALSE(dialog->ConstraintChoice().isEnabled());
    dialog->HeaderBox().setChecked(true);
    EXPECT_TRUE(dialog->HideSubtasksBox().isEnabled() && dialog->SubtaskList().isEnabled());
    EXPECT_FALSE(dialog->MilestoneBox().isEnabled() || dialog->HeaderChoice().isEnabled() ||
                 dialog->ResourceList().isEnabled());
    // A refusal shows its row; the lists follow tasks and resources deleted under the editor.
    dialog = Open(paint);
    dialog->Tabs().setCurrentIndex(1);
    dialog->DurationEdit().setText(QStringLiteral("6"));
    dialog->AddDependencyRow(); // A dependency on the task itself, typed into the second row.
    QTableWidget& list = dialog->DependencyList();
    list.item(1, 0)->setText(QStringLiteral("5"));
    EXPECT_EQ(CellChoice(list, 1, 1)->currentText(), QStringLiteral("Paint"));
    EXPECT_EQ(OK(*dialog, list, prompts), "open on Dependencies in the field: Self-Dependency");
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(paint.durationText, "4");
    Choose(list, 1, "Roof");
    plan.project.ElementDelete<QPTask>(survey.id, false);
    plan.project.ElementDelete<QPResource>(mason.id, false);
    dialog->ProjectUpdate();
    ASSERT_EQ(list.rowCount(), 1) << "the row on Survey is gone";
    EXPECT_EQ(list.item(0, 0)->text(), QStringLiteral("3")) << "Roof was renumbered";
    EXPECT_EQ(dialog->ResourceList().Table().rowCount(), 1);
    EXPECT_EQ(dialog->ResourceList().Table().item(0, 2)->text(), QStringLiteral("50"));
}

// The slider shows the selected row's share, clamped, and sets it; a bad share is refused.
TEST_F(TaskDialog, TheSliderMirrorsTheSelectedResource)
{
    auto dialog = Open(paint);
    QTableWidget& table = dialog->ResourceList().Table();
    QSlider& slider = dialog->ResourceList().Slider();
    ASSERT_EQ(table.rowCount(), 2);
    table.selectRow(1);
    table.item(0, 2)->setText(QStringLiteral("150"));
    EXPECT_EQ(slider.value(), 50) << "another row's share leaves it alone";
    table.selectRow(0);
    EXPECT_EQ(slider.value(), 100);
    table.item(0, 2)->setText(QStringLiteral("30"));
    table.item(0, 2)->setText(QStringLiteral("-20"));
    EXPECT_EQ(prompts.Take().size(), 1u);
    EXPECT_EQ(table.item(0, 2)->text().toStdString() + " " + std::to_string(slider.value()),
              "30 30");
    slider.setValue(70);
    EXPECT_EQ(table.item(0, 2)->text(), QStringLiteral("70"));
    ASSERT_TRUE(dialog->CmOk());
    EXPECT_EQ(paint.resourceAssignments.size(), 2u);
}

TEST_F(TaskDialog, DependencyAndSubtaskRowsAreAddedChosenAndRemoved)
{
    auto dialog = Open(walls);
    QTableWidget& list = dialog->DependencyList();
    dialog->AddDependencyRow();
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.item(0, 0)->text() + list.item(0, 3)->text(), QStringLiteral("10.0"));
    QComboBox* types = CellChoice(list, 0, 2);
    EXPECT_EQ(types->currentText(), QStringLiteral("Finish-to-Start"));
    // A name puts in its ID; a header is offered only the kinds that leave its finish free.
    Choose(list, 0, "Roof");
    EXPECT_EQ(list.item(0, 0)->text(), QStringLiteral("4"));
    EXPECT_EQ(types->count(), 4);
    dialog->HeaderBox().setChecked(true);
    EXPECT_EQ(types->count(), 2);
    dialog->HeaderBox().setChecked(false);
    dialog->RemoveDependencyRow(0);
    ASSERT_TRUE(dialog->CmOk());
    EXPECT_TRUE(walls.dependencies.empty());
    dialog = Open(frame);
    QTableWidget& rows = dialog->SubtaskList().Table();
    ASSERT_TRUE(dialog->SubtaskList().AddRow());
    EXPECT_EQ(rows.item(2, 0)->text(), QStringLiteral("1")) << "the first eligible task";
    Choose(rows, 2, "Paint");
    ASSERT_TRUE(dialog->CmOk());
    EXPECT_EQ(frame.subtaskKeys, (std::vector<int64_t>{walls.key, roof.key, paint.key}));
    Plan headers; // With every other task a header, nothing can join.
    QPTask& only = headers.Task("Only", "");
    only.isHeader = true;
    headers.Task("Other", "").isHeader = true;
    QPTaskDialog lone(headers.project, host, prompts, QPEditTarget<QPTask>::Existing(only));
    EXPECT_FALSE(lone.SubtaskList().AddRow());
    EXPECT_EQ(prompts.Take().at(0).title, "No Sub-Task Available");
}
