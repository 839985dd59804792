#include "model/QPProject.h"

#include <gtest/gtest.h>

namespace {

QPProject& WithTasks(QPProject& project)
{
    for (const char* name : {"Survey", "Design", "Build"}) {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->notes = "notes";
        project.ElementAdd(std::move(task), false);
    }
    return project;
}

} // namespace

TEST(QPProjectBaselines, FrozenCopiesUpToTenNumberedInOrderAndNamedExactly)
{
    QPProject project;
    WithTasks(project).dirty = false;
    QPBaseline* first = project.BaselineAdd("Plan A");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->id, 0);
    EXPECT_TRUE(project.IsProjectDirty());
    EXPECT_TRUE(first->tasks.At(0).notes.empty());
    project.tasks.At(0).name = "Survey site";
    project.ElementDelete<QPTask>(3, false);
    EXPECT_EQ(first->tasks.At(0).name, "Survey");
    EXPECT_EQ(first->tasks.size(), 3u);
    EXPECT_EQ(project.BaselineAdd("Plan B")->tasks.size(), 2u);
    EXPECT_EQ(project.GetBaseline(1)->name, "Plan B");
    EXPECT_EQ(project.GetBaseline(2), nullptr);
    EXPECT_TRUE(project.IsBaselineNameUsed("Plan A", -1));
    EXPECT_FALSE(project.IsBaselineNameUsed("Plan A", 0));
    EXPECT_TRUE(project.IsBaselineNameUsed("Plan A", 1));
    EXPECT_FALSE(project.IsBaselineNameUsed("plan a", -1));

    for (int i = 2; i < 10; ++i)
        ASSERT_NE(project.BaselineAdd("B" + std::to_string(i)), nullptr);
    EXPECT_EQ(project.BaselineAdd("one too many"), nullptr);
    EXPECT_EQ(project.baselines.size(), 10u);

    // Deleting renumbers the ones after.
    project.dirty = false;
    EXPECT_FALSE(project.BaselineDelete(10));
    EXPECT_FALSE(project.IsProjectDirty());
    EXPECT_TRUE(project.BaselineDelete(1));
    EXPECT_TRUE(project.IsProjectDirty());
    ASSERT_EQ(project.baselines.size(), 9u);
    EXPECT_EQ(project.baselines[1]->name.str() + std::to_string(project.baselines[1]->id), "B21");
}

TEST(QPProject, LastTaskUpdateStateIsAFreshCopyAndResetDropsItWithTheBaselines)
{
    QPProject project;
    WithTasks(project).dirty = false;
    project.SetAsLastTaskUpdateState();
    ASSERT_NE(project.lastTaskUpdateState, nullptr);
    EXPECT_EQ(project.lastTaskUpdateState->name, "Last Task Update");
    EXPECT_EQ(project.lastTaskUpdateState->id, -1);
    EXPECT_TRUE(project.IsProjectDirty());
    project.ElementDelete<QPTask>(1, false);
    project.SetAsLastTaskUpdateState();
    EXPECT_EQ(project.lastTaskUpdateState->tasks.size(), 2u);

    project.BaselineAdd("Plan");
    project.options.SetCurrencySymbol("€");
    project.ProjectReset(true);
    EXPECT_TRUE(project.baselines.empty() && project.tasks.empty());
    EXPECT_EQ(project.lastTaskUpdateState, nullptr);
    EXPECT_EQ(project.options.currencySymbol, "$");
    EXPECT_EQ(project.schedules.size(), 1u);
    EXPECT_FALSE(project.IsProjectDirty());
}
