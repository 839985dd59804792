#include "dialogs/QPProjectDialogRules.h"
#include "dialogs/QPResourceDialogRules.h"
#include "dialogs/QPScheduleDialogRules.h"
#include "dialogs/QPTaskDialogRules.h"
#include "model/QPProject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The sample plans shipped to users. A user who opens one and presses OK in any editor
// without changing anything must be let through, and nothing may change on the way: a
// sample that its own editors refuse teaches the wrong plan.
std::vector<std::string> ExamplePlans()
{
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(KESTRANO_EXAMPLES_DIR))
        if (entry.path().extension() == ".qpp")
            paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Every task's links by key, in an order that loading and saving do not change.
using Links = std::map<int64_t, std::vector<std::tuple<int64_t, int32_t, float>>>;
Links LinksOf(const QPProject& project)
{
    Links links;
    for (const QPTask& task : project.tasks) {
        auto& list = links[task.key];
        for (const QPTaskDependency& dependency : task.dependencies)
            list.emplace_back(dependency.predecessorKey, dependency.type, dependency.lag);
        std::sort(list.begin(), list.end());
    }
    return links;
}

std::string Describe(const QPFormOutcome& outcome)
{
    return outcome ? outcome->title + ": " + outcome->message : std::string();
}

TEST(ExamplePlans, EveryEditorTakesEveryElementAsItStands)
{
    const std::vector<std::string> plans = ExamplePlans();
    ASSERT_FALSE(plans.empty());
    for (const std::string& path : plans) {
        SCOPED_TRACE(path);
        QPProject project;
        ASSERT_EQ(project.ProjectLoad(path), 0);
        const Links links = LinksOf(project);
        ASSERT_FALSE(links.empty());

        EXPECT_EQ(Describe(QPProjectDialogRules::Confirm(
                          project, QPProjectDialogRules::EditProjectForm(project))),
                  "");

        for (QPTask& task : project.tasks) {
            SCOPED_TRACE(task.name.str());
            const QPTaskDialogRules::Form form = QPTaskDialogRules::InitialForm(project, task);
            const QPFormOutcome outcome = QPTaskDialogRules::Confirm(project, task, form);
            EXPECT_EQ(Describe(outcome), "");
            if (outcome)
                continue;
            // OK on an unchanged header or task keeps every link of the plan.
            project.UndoRedoGroupStart();
            QPTaskDialogRules::Apply(project, task, form);
            project.UndoRedoGroupEnd();
            EXPECT_EQ(LinksOf(project), links);
        }
        for (QPResource& resource : project.resources) {
            SCOPED_TRACE(resource.name.str());
            EXPECT_EQ(Describe(QPResourceDialogRules::Confirm(
                              project, resource,
                              QPResourceDialogRules::ResourceForm(project, resource))),
                      "");
        }
        for (QPSchedule& schedule : project.schedules) {
            SCOPED_TRACE(schedule.name.str());
            EXPECT_EQ(Describe(QPScheduleDialogRules::Confirm(
                              project, schedule,
                              QPScheduleDialogRules::ScheduleForm(project.options, schedule))),
                      "");
        }
    }
}

} // namespace
