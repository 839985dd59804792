#include "model/QPProject.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

void AddThreeTasks(QPProject& project)
{
    for (const char* name : {"Survey", "Design", "Build"}) {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->notes = "notes";
        project.ElementAdd(std::move(task), false);
    }
}

} // namespace

TEST(QPProjectBaselines, AddFreezesACopyAtTheEnd)
{
    QPProject project;
    AddThreeTasks(project);
    QPBaseline* first = project.BaselineAdd("Plan A");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->id, 0);
    EXPECT_EQ(first->name, "Plan A");
    EXPECT_TRUE(project.IsProjectDirty());
    EXPECT_EQ(first->tasks.size(), 3u);
    EXPECT_TRUE(first->tasks.At(0).notes.empty());

    project.tasks.At(0).name = "Survey site";
    project.ElementDelete<QPTask>(3, false);
    EXPECT_EQ(first->tasks.At(0).name, "Survey");
    EXPECT_EQ(first->tasks.size(), 3u);

    QPBaseline* second = project.BaselineAdd("Plan B");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->id, 1);
    EXPECT_EQ(second->tasks.size(), 2u);
    EXPECT_EQ(project.GetBaseline(1), second);
    EXPECT_EQ(project.GetBaseline(2), nullptr);
}

TEST(QPProjectBaselines, TheEleventhIsNotCreated)
{
    QPProject project;
    AddThreeTasks(project);
    for (int i = 0; i < 10; ++i)
        ASSERT_NE(project.BaselineAdd("B" + std::to_string(i)), nullptr);
    EXPECT_EQ(project.BaselineAdd("one too many"), nullptr);
    EXPECT_EQ(project.baselines.size(), 10u);
    EXPECT_EQ(project.baselines.back()->name, "B9");
}

TEST(QPProjectBaselines, DeleteRenumbersTheOnesAfter)
{
    QPProject project;
    AddThreeTasks(project);
    project.BaselineAdd("zero");
    project.BaselineAdd("one");
    project.BaselineAdd("two");
    project.dirty = false;
    EXPECT_TRUE(project.BaselineDelete(1));
    EXPECT_TRUE(project.IsProjectDirty());
    ASSERT_EQ(project.baselines.size(), 2u);
    EXPECT_EQ(project.baselines[0]->name, "zero");
    EXPECT_EQ(project.baselines[0]->id, 0);
    EXPECT_EQ(project.baselines[1]->name, "two");
    EXPECT_EQ(project.baselines[1]->id, 1);
    project.dirty = false;
    EXPECT_FALSE(project.BaselineDelete(5));
    EXPECT_FALSE(project.IsProjectDirty());
}

TEST(QPProjectBaselines, NamesAreCheckedExactly)
{
    QPProject project;
    AddThreeTasks(project);
    project.BaselineAdd("Approved");
    project.BaselineAdd("Revised");
    EXPECT_TRUE(project.IsBaselineNameUsed("Approved", -1));
    EXPECT_FALSE(project.IsBaselineNameUsed("Approved", 0));
    EXPECT_TRUE(project.IsBaselineNameUsed("Approved", 1));
    EXPECT_FALSE(project.IsBaselineNameUsed("approved", -1));
}

TEST(QPProject, LastTaskUpdateStateIsAFreshCopy)
{
    QPProject project;
    AddThreeTasks(project);
    project.SetAsLastTaskUpdateState();
    ASSERT_NE(project.lastTaskUpdateState, nullptr);
    EXPECT_EQ(project.lastTaskUpdateState->name, "Last Task Update");
    EXPECT_EQ(project.lastTaskUpdateState->id, -1);
    EXPECT_EQ(project.lastTaskUpdateState->tasks.size(), 3u);
    EXPECT_TRUE(project.IsProjectDirty());

    project.ElementDelete<QPTask>(1, false);
    project.SetAsLastTaskUpdateState();
    EXPECT_EQ(project.lastTaskUpdateState->tasks.size(), 2u);
}

TEST(QPProject, ResetDropsBaselinesUpdateStateAndOptions)
{
    QPProject project;
    AddThreeTasks(project);
    project.BaselineAdd("Plan");
    project.SetAsLastTaskUpdateState();
    project.options.SetCurrencySymbol("€");
    project.ProjectReset(true);
    EXPECT_TRUE(project.baselines.empty());
    EXPECT_EQ(project.lastTaskUpdateState, nullptr);
    EXPECT_EQ(project.options.currencySymbol, "$");
    EXPECT_TRUE(project.tasks.empty());
    EXPECT_EQ(project.schedules.size(), 1u);
    EXPECT_FALSE(project.IsProjectDirty());
}
