#include "dialogs/QPProjectDialogRules.h"
#include "dialogs/QPResourceDialogRules.h"
#include "dialogs/QPScheduleDialogRules.h"
#include "dialogs/QPTaskDialogRules.h"
#include "model/QPProject.h"

#include "FormCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

namespace {

// Every task's links by key, in an order that loading and saving do not change.
std::map<int64_t, std::vector<std::tuple<int64_t, int32_t, float>>>
LinksOf(const QPProject& project)
{
    std::map<int64_t, std::vector<std::tuple<int64_t, int32_t, float>>> links;
    for (const QPTask& task : project.tasks) {
        for (const QPTaskDependency& link : task.dependencies)
            links[task.key].emplace_back(link.predecessorKey, link.type, link.lag);
        std::sort(links[task.key].begin(), links[task.key].end());
    }
    return links;
}

// The sample plans shipped to users: OK in any editor without a change must be let
// through and keep every link, since a sample its own editors refuse teaches the wrong plan.
TEST(ExamplePlans, EveryEditorTakesEveryElementAsItStands)
{
    int plans = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KESTRANO_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".qpp")
            continue;
        ++plans;
        SCOPED_TRACE(entry.path().string());
        QPProject project;
        ASSERT_EQ(project.ProjectLoad(entry.path().string()), 0);
        const auto links = LinksOf(project);
        ASSERT_FALSE(links.empty());
        EXPECT_EQ(Outcome(QPProjectDialogRules::Confirm(
                          project, QPProjectDialogRules::EditProjectForm(project))),
                  "accepted");
        for (QPTask& task : project.tasks) {
            const QPTaskDialogRules::Form form = QPTaskDialogRules::InitialForm(project, task);
            ASSERT_EQ(Outcome(QPTaskDialogRules::Confirm(project, task, form)), "accepted")
                    << task.name.str();
            project.UndoRedoGroupStart();
            QPTaskDialogRules::Apply(project, task, form);
            project.UndoRedoGroupEnd();
        }
        EXPECT_EQ(LinksOf(project), links);
        for (QPResource& resource : project.resources)
            EXPECT_EQ(Outcome(QPResourceDialogRules::Confirm(
                              project, resource,
                              QPResourceDialogRules::ResourceForm(project, resource))),
                      "accepted")
                    << resource.name.str();
        for (QPSchedule& schedule : project.schedules)
            EXPECT_EQ(Outcome(QPScheduleDialogRules::Confirm(
                              project, schedule,
                              QPScheduleDialogRules::ScheduleForm(project.options, schedule))),
                      "accepted")
                    << schedule.name.str();
    }
    EXPECT_GT(plans, 0);
}

} // namespace
