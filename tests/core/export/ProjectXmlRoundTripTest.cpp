#include "engine/QPWorkTime.h"
#include "export/QPProjectXmlExport.h"
#include "import/QPProjectXmlImport.h"
#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/RandomPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

void Recalculate(QPProject& project)
{
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
}

// What a plan says, by list position and name rather than by key: the keys of a plan read
// back are new ones.
struct Facts {
    std::vector<std::string> tasks, links, assignments, resources, weeks;
    // Each schedule's and resource's working time, day by day over the plan.
    std::vector<std::string> workingTime;
    std::string project, finish;
};

std::string Text(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

Facts FactsOf(const QPProject& project)
{
    Facts facts;
    facts.finish = std::to_string(project.projectFinish.Get());
    facts.project = std::to_string(project.projectStart.Get()) + " " +
                    std::to_string(project.projectDeadline.Get()) + " default " +
                    (project.GetDefaultSchedule() ? project.GetDefaultSchedule()->name.str() : "");
    auto name = [&](int64_t key) {
        const QPTask* task = project.tasks.GetElementByKey(key);
        return task ? task->name.str() : std::string("?");
    };
    for (const QPTask& task : project.tasks) {
        // None and As Soon As Possible are one kind in the format.
        const int32_t constraint = task.constraintType == eConstraintAsSoonAsPossible
                                           ? eConstraintNone
                                           : task.constraintType;
        const double hours = task.GetDurationSeconds(project.options) / 3600.0;
        facts.tasks.push_back(
                task.name.str() + (task.isHeader ? " header" : "") +
                (task.milestone ? " milestone" : " " + Text(hours) + "h") + " type " +
                std::to_string(task.taskType) + " constraint " + std::to_string(constraint) +
                (QPTaskConstraintIsDated(constraint)
                         ? " " + std::to_string(task.constraintDate.Get())
                         : "") +
                (task.autoSchedule ? "" : " manual") + " " + std::to_string(task.percentComplete) +
                "% " + std::to_string(task.start.Get()) + " - " +
                std::to_string(task.finish.Get()) + " slack " + std::to_string(task.totalSlack) +
                " cost " + std::to_string(task.scheduledCost));
        for (const QPTaskDependency& link : task.dependencies)
            facts.links.push_back(name(link.predecessorKey) + " -> " + task.name.str() + " " +
                                  std::to_string(link.type) + " " + Text(link.lag));
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            const QPResource* resource = project.resources.GetElementByKey(assignment.resourceKey);
            facts.assignments.push_back(task.name.str() + " " +
                                        (resource ? resource->name.str() : "?") + " " +
                                        std::to_string(assignment.percent));
        }
    }
    for (const QPResource& resource : project.resources)
        facts.resources.push_back(resource.name.str() + " " + resource.email.str() + " " +
                                  std::to_string(resource.hourlyRate) + " " +
                                  std::to_string(resource.overtimeRate) + " cost " +
                                  std::to_string(resource.regularCost) + " + " +
                                  std::to_string(resource.overtimeCost));
    for (const QPSchedule& schedule : project.schedules) {
        std::string week = schedule.name.str();
        // Where a day has no shift its start means nothing.
        for (int day = 0; day < 7; ++day)
            week += schedule.shiftDuration[day] > 0
                            ? " " + std::to_string(schedule.shiftStart[day].Get()) + "+" +
                                      std::to_string(schedule.shiftDuration[day])
                            : std::string(" off");
        facts.weeks.push_back(week);
    }
    // The working intervals that each calendar has, exceptions taken out, from a week
    // before the plan's start to a month after its finish.
    const int64_t from = project.projectStart.Get() - 7 * 86400;
    const int64_t to =
            std::max(project.projectFinish.Get(), project.projectStart.Get()) + 31 * 86400;
    auto workingTime = [&](const std::string& name, const QPSchedule& schedule,
                           const std::vector<QPScheduleException>* own) {
        QPWorkCalendar calendar(schedule);
        calendar.TakeOut(schedule.exceptions, schedule);
        if (own)
            calendar.TakeOut(*own, schedule);
        std::vector<QPTimeSpan> pieces;
        calendar.AppendWorkIn({from, to}, pieces);
        std::string text = name;
        for (const QPTimeSpan& piece : pieces)
            text += " " + std::to_string(piece.from) + "-" + std::to_string(piece.to);
        facts.workingTime.push_back(text);
    };
    for (const QPSchedule& schedule : project.schedules)
        workingTime(schedule.name.str(), schedule, nullptr);
    for (const QPResource& resource : project.resources) {
        const QPSchedule* schedule = project.schedules.GetElementByKey(resource.scheduleKey);
        if (!schedule)
            schedule = project.GetDefaultSchedule();
        if (schedule)
            workingTime(resource.name.str(), *schedule, &resource.exceptions);
    }
    std::sort(facts.workingTime.begin(), facts.workingTime.end());
    std::sort(facts.links.begin(), facts.links.end());
    std::sort(facts.assignments.begin(), facts.assignments.end());
    std::sort(facts.weeks.begin(), facts.weeks.end());
    return facts;
}

// Writes the plan as Project XML, reads it into a new project and recalculates both.
void RoundTrip(QPProject& original, QPProject& back)
{
    // The format has no weekly limit past which a schedule's hours are overtime.
    for (QPSchedule& schedule : original.schedules)
        schedule.regularWorkWeek = 0;
    Recalculate(original);
    const QPProjectXmlImportResult result = QPImportProjectXml(back, QPProjectXmlExport(original));
    ASSERT_EQ(result.result, eProcessSucceeded) << result.error;
    for (QPSchedule& schedule : back.schedules)
        schedule.regularWorkWeek = 0;
    Recalculate(back);
}

void ExpectSame(const Facts& after, const Facts& before, bool computed)
{
    EXPECT_EQ(after.project, before.project);
    ASSERT_EQ(after.tasks.size(), before.tasks.size());
    // Without the computed values a task is what comes before its dates.
    auto defined = [computed](const std::string& task) {
        return computed ? task : task.substr(0, task.find("% "));
    };
    for (std::size_t i = 0; i < before.tasks.size(); ++i)
        EXPECT_EQ(defined(after.tasks[i]), defined(before.tasks[i]));
    EXPECT_EQ(after.links, before.links);
    EXPECT_EQ(after.assignments, before.assignments);
    if (computed) {
        EXPECT_EQ(after.finish, before.finish);
        EXPECT_EQ(after.resources, before.resources);
    }
    EXPECT_EQ(after.weeks, before.weeks);
    EXPECT_EQ(after.workingTime, before.workingTime);
}

// A plan written as Project XML and read back is the same plan: the same tasks with their
// headers, kinds, constraints and links, the same resources, assignments and weekly
// shifts, the same working time on every schedule and resource (the exceptions need not
// come back as the same records, but take out the same time), and after recalculation the
// same dates, slack and costs. A day without work has no start time in the format (the
// plan reads it as 08:00), so it is set alike first: an exception on such a day begins
// there.
TEST(ProjectXmlRoundTrip, RandomPlansComeBackTheSame)
{
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        QPProject original;
        RandomPlan(seed).Build(original);
        for (QPSchedule& schedule : original.schedules) {
            for (int day = 0; day < 7; ++day)
                if (schedule.shiftDuration[day] == 0)
                    schedule.shiftStart[day] = LDayTime(8 * kHour);
        }
        QPProject back;
        RoundTrip(original, back);
        ExpectSame(FactsOf(back), FactsOf(original), true);
        if (HasFailure())
            return;
    }
}

// With the schedules' and resources' exceptions the plan's own elements come back alike.
TEST(ProjectXmlRoundTrip, PlansWithExceptionsKeepTheirElements)
{
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        QPProject original;
        RandomPlan(seed).Build(original);
        QPProject back;
        RoundTrip(original, back);
        ExpectSame(FactsOf(back), FactsOf(original), false);
        if (HasFailure())
            return;
    }
}

} // namespace
