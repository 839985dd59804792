// The task editor as the user meets it inside the main window: fields filled from the task,
// OK refused on the right tab and field, accepted and cancelled edits reported to the window,
// and the three lists.

#include "dialogs/QPTaskDialog.h"
#include "dialogs/QPAssignmentLists.h"

#include "support/Plan.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// The main window as far as the editor talks to it.
class FakeHost : public QPEditPanelHost {
public:
    struct Message {
        int message;
        QPTask* task;
        std::unique_ptr<QPTask> created;
    };
    void EvInterWinMessage(int message, QPTask& task, std::unique_ptr<QPTask> created) override
    {
        messages.push_back({message, &task, std::move(created)});
    }
    void EvInterWinMessage(int, QPResource&, std::unique_ptr<QPResource>) override
    {
        ADD_FAILURE() << "the task editor reported a resource";
    }
    void EvInterWinMessage(int, QPSchedule&, std::unique_ptr<QPSchedule>) override
    {
        ADD_FAILURE() << "the task editor reported a schedule";
    }
    std::vector<Message> messages;
};

bool FocusIsIn(QWidget& window, QWidget& field)
{
    QWidget* focus = window.focusWidget();
    return focus && (focus == &field || field.isAncestorOf(focus));
}

QComboBox* CellChoice(QTableWidget& table, int row, int column)
{
    return qobject_cast<QComboBox*>(table.cellWidget(row, column));
}

// 1 Survey, 2 Frame (header of 3 Walls and 4 Roof), 5 Paint (after Survey, Painter at 50%).
class TaskDialog : public ::testing::Test {
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

    Plan plan;
    QPTask& survey;
    QPTask& frame;
    QPTask& walls;
    QPTask& roof;
    QPTask& paint;
    QPResource& mason;
    QPResource& painter;
    FakeHost host;
    ScriptedPrompts prompts;
};

} // namespace

TEST_F(TaskDialog, ShowsTheTaskOnFiveTabs)
{
    auto dialog = Open(roof);
    EXPECT_STREQ(dialog->HelpTopic(), "taskdialog");
    QTabWidget& tabs = dialog->Tabs();
    ASSERT_EQ(tabs.count(), 5);
    const QStringList names = {"General", "Notes", "Dependencies", "Resources", "Sub-Tasks"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tabs.tabText(i), names[i]);

    EXPECT_EQ(dialog->NameEdit().text(), QStringLiteral("Roof"));
    EXPECT_EQ(dialog->DurationEdit().text(), QStringLiteral("8"));
    EXPECT_EQ(dialog->HeaderChoice().currentText(), QStringLiteral("Frame"));
    EXPECT_EQ(dialog->HeaderChoice().itemText(0), QStringLiteral("-- No header assigned --"));
    EXPECT_EQ(dialog->DependencyList().objectName(), QStringLiteral("DependencyAssignmentList"));

    // What may be changed follows the kind of task.
    EXPECT_FALSE(dialog->ScheduleChoice().isEnabled()) << "Fixed Work follows the default";
    EXPECT_FALSE(dialog->HideSubtasksBox().isEnabled());
    dialog->TaskTypeChoice().setCurrentIndex(1);
    EXPECT_TRUE(dialog->ScheduleChoice().isEnabled());
    dialog->AutoScheduleBox().setChecked(false);
    EXPECT_FALSE(dialog->DurationEdit().isEnabled()) << "its dates give its length";
    EXPECT_TRUE(dialog->FinishEdit().isEnabled());
    EXPECT_FALSE(dialog->ConstraintChoice().isEnabled());
    dialog->HeaderBox().setChecked(true);
    EXPECT_TRUE(dialog->HideSubtasksBox().isEnabled());
    EXPECT_FALSE(dialog->MilestoneBox().isEnabled());
    EXPECT_FALSE(dialog->HeaderChoice().isEnabled());
    EXPECT_TRUE(dialog->SubtaskList().isEnabled());
    EXPECT_FALSE(dialog->ResourceList().isEnabled());
}

TEST_F(TaskDialog, RefusalShowsTheAlertOnItsTabAndField)
{
    auto dialog = Open(paint);
    dialog->Tabs().setCurrentIndex(1);
    dialog->DurationEdit().setText(QStringLiteral("40000.5"));
    EXPECT_FALSE(dialog->CmOk());
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.Last()->kind, "alert");
    EXPECT_EQ(prompts.Last()->title, "Invalid Entry");
    EXPECT_EQ(prompts.Last()->message, "Task duration must be between .01 and 40,000 hours.");
    EXPECT_EQ(dialog->Tabs().currentIndex(), 0);
    EXPECT_TRUE(FocusIsIn(*dialog, dialog->DurationEdit()));

    // A dependency on the task itself, typed into the second row.
    dialog->DurationEdit().setText(QStringLiteral("6"));
    dialog->AddDependencyRow();
    QTableWidget& list = dialog->DependencyList();
    ASSERT_EQ(list.rowCount(), 2);
    list.item(1, 0)->setText(QStringLiteral("5"));
    EXPECT_EQ(CellChoice(list, 1, 1)->currentText(), QStringLiteral("Paint"));
    EXPECT_FALSE(dialog->CmOk());
    EXPECT_EQ(prompts.Last()->title, "Self-Dependency");
    EXPECT_EQ(dialog->Tabs().currentIndex(), 2);
    EXPECT_TRUE(FocusIsIn(*dialog, list));
    EXPECT_EQ(list.currentRow(), 1);

    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(paint.durationText, "4") << "a refusal changes nothing";
}

TEST_F(TaskDialog, AcceptedNewTaskIsHandedToTheWindow)
{
    auto fresh = std::make_unique<QPTask>();
    QPTask* created = fresh.get();
    QPTaskDialog dialog(plan.project, host, prompts, QPEditTarget<QPTask>::New(std::move(fresh)));
    EXPECT_TRUE(dialog.AutoScheduleBox().isChecked());
    EXPECT_EQ(dialog.StartEdit().date(), QDate(2027, 3, 1));
    EXPECT_EQ(dialog.FinishEdit().date(), QDate(2027, 3, 2));
    EXPECT_EQ(dialog.ConstraintDateEdit().date(), QDate(2027, 3, 2));
    EXPECT_EQ(dialog.ScheduleChoice().currentData().toLongLong(), plan.project.defaultScheduleKey);

    dialog.NameEdit().setText(QStringLiteral("Gutters"));
    dialog.DurationEdit().setText(QStringLiteral("3"));
    dialog.HeaderChoice().setCurrentIndex(dialog.HeaderChoice().findText("Frame"));
    ASSERT_TRUE(dialog.CmOk());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].message, 4101);
    EXPECT_EQ(host.messages[0].task, created);
    EXPECT_EQ(host.messages[0].created.get(), created);
    EXPECT_EQ(created->name, "Gutters");
    EXPECT_EQ(created->headerKey, frame.key);
}

TEST_F(TaskDialog, AcceptedEditAndCancelAreReported)
{
    auto dialog = Open(survey);
    dialog->NameEdit().setText(QStringLiteral("Site survey"));
    ASSERT_TRUE(dialog->CmOk());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].message, 4101);
    EXPECT_EQ(host.messages[0].task, &survey);
    EXPECT_EQ(host.messages[0].created, nullptr);
    EXPECT_EQ(survey.name, "Site survey");

    auto fresh = std::make_unique<QPTask>();
    QPTask* created = fresh.get();
    QPTaskDialog cancelled(plan.project, host, prompts,
                           QPEditTarget<QPTask>::New(std::move(fresh)));
    EXPECT_TRUE(cancelled.CmCancel());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].message, 4102);
    EXPECT_EQ(host.messages[1].created.get(), created) << "the window lets it go";
}

TEST_F(TaskDialog, TheSliderMirrorsTheSelectedResource)
{
    auto dialog = Open(paint);
    QTableWidget& table = dialog->ResourceList().Table();
    QSlider& slider = dialog->ResourceList().Slider();
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.item(0, 2)->text(), QStringLiteral("0"));
    table.selectRow(1);
    EXPECT_EQ(slider.value(), 50);

    // Another row's value leaves the slider alone; selecting it shows it, clamped.
    table.item(0, 2)->setText(QStringLiteral("150"));
    EXPECT_EQ(slider.value(), 50);
    table.selectRow(0);
    EXPECT_EQ(slider.value(), 100);
    table.item(0, 2)->setText(QStringLiteral("30"));
    EXPECT_EQ(slider.value(), 30);

    // Text that is not a number is refused and the cell keeps its value.
    table.item(0, 2)->setText(QStringLiteral("-20"));
    ASSERT_NE(prompts.Last(), nullptr);
    EXPECT_EQ(prompts.Last()->title, "Invalid Input");
    EXPECT_EQ(prompts.Last()->message, "Please enter numbers only for resource assignment.");
    EXPECT_EQ(table.item(0, 2)->text(), QStringLiteral("30"));

    // Moving the slider sets the selected row.
    slider.setValue(70);
    EXPECT_EQ(table.item(0, 2)->text(), QStringLiteral("70"));
    EXPECT_EQ(table.item(1, 2)->text(), QStringLiteral("50"));
    ASSERT_TRUE(dialog->CmOk());
    ASSERT_EQ(paint.resourceAssignments.size(), 2u);
}

TEST_F(TaskDialog, DependencyRowsAreAddedChosenAndRemoved)
{
    auto dialog = Open(walls);
    QTableWidget& list = dialog->DependencyList();
    EXPECT_EQ(list.rowCount(), 0);
    dialog->AddDependencyRow();
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.item(0, 0)->text(), QStringLiteral("1"));
    EXPECT_EQ(CellChoice(list, 0, 1)->currentText(), QStringLiteral("Survey"));
    QComboBox* types = CellChoice(list, 0, 2);
    EXPECT_EQ(types->currentText(), QStringLiteral("Finish-to-Start"));
    EXPECT_EQ(types->count(), 4);
    EXPECT_EQ(list.item(0, 3)->text(), QStringLiteral("0.0"));

    // Choosing a name puts in its ID.
    CellChoice(list, 0, 1)->setCurrentIndex(CellChoice(list, 0, 1)->findText("Roof"));
    EXPECT_EQ(list.item(0, 0)->text(), QStringLiteral("4"));
    // A header is offered only the kinds that leave its finish free.
    dialog->HeaderBox().setChecked(true);
    EXPECT_EQ(types->count(), 2);
    dialog->HeaderBox().setChecked(false);

    dialog->RemoveDependencyRow(0);
    EXPECT_EQ(list.rowCount(), 0);
    ASSERT_TRUE(dialog->CmOk());
    EXPECT_TRUE(walls.dependencies.empty());
}

TEST_F(TaskDialog, SubtasksComeFromTheEligibleTasks)
{
    auto dialog = Open(frame);
    QTableWidget& rows = dialog->SubtaskList().Table();
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.item(1, 0)->text(), QStringLiteral("4"));
    ASSERT_TRUE(dialog->SubtaskList().AddRow());
    EXPECT_EQ(rows.item(2, 0)->text(), QStringLiteral("1")) << "the first eligible task";
    CellChoice(rows, 2, 1)->setCurrentIndex(CellChoice(rows, 2, 1)->findText("Paint"));
    EXPECT_EQ(rows.item(2, 0)->text(), QStringLiteral("5"));
    ASSERT_TRUE(dialog->CmOk());
    EXPECT_EQ(frame.subtaskKeys, (std::vector<int64_t>{walls.key, roof.key, paint.key}));

    // With every other task a header, nothing can join.
    Plan headers;
    QPTask& only = headers.Task("Only", "");
    only.isHeader = true;
    headers.Task("Other", "").isHeader = true;
    QPTaskDialog lone(headers.project, host, prompts, QPEditTarget<QPTask>::Existing(only));
    EXPECT_FALSE(lone.SubtaskList().AddRow());
    ASSERT_NE(prompts.Last(), nullptr);
    EXPECT_EQ(prompts.Last()->title, "No Sub-Task Available");
}

TEST_F(TaskDialog, ProjectUpdateFollowsDeletedTasks)
{
    auto dialog = Open(paint);
    QTableWidget& list = dialog->DependencyList();
    ASSERT_EQ(list.rowCount(), 1);
    dialog->AddDependencyRow(); // Survey again, to be changed to Roof
    CellChoice(list, 1, 1)->setCurrentIndex(CellChoice(list, 1, 1)->findText("Roof"));
    plan.project.ElementDelete<QPTask>(survey.id, false);
    plan.project.ElementDelete<QPResource>(mason.id, false);
    dialog->ProjectUpdate();

    ASSERT_EQ(list.rowCount(), 1) << "the row on Survey is gone";
    EXPECT_EQ(list.item(0, 0)->text(), QStringLiteral("3")) << "Roof was renumbered";
    EXPECT_EQ(dialog->ResourceList().Table().rowCount(), 1);
    EXPECT_EQ(dialog->ResourceList().Table().item(0, 2)->text(), QStringLiteral("50"));
}
