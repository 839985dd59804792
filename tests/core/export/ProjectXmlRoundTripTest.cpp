#include "engine/QPWorkTime.h"
#include "export/QPProjectXmlExport.h"
#include "import/QPProjectXmlImport.h"
#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/RandomPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

namespace {

// What a plan says, by list position and name rather than by key (a plan read back has
// new keys), as sorted texts; `computed` adds the dates, slack and costs.
std::vector<std::string> FactsOf(const QPProject& project, bool computed)
{
    std::vector<std::string> facts, sorted;
    auto text = [](auto... parts) {
        std::ostringstream out;
        out << std::fixed << std::setprecision(2);
        ((out << parts << ' '), ...);
        return out.str();
    };
    auto name = [&](auto& list, int64_t key) {
        const auto* element = list.GetElementByKey(key);
        return element ? element->name.str() : std::string("?");
    };
    const QPSchedule* standard = project.GetDefaultSchedule();
    facts.push_back(text(project.projectStart.Get(), project.projectDeadline.Get(),
                         standard ? standard->name.str() : "",
                         computed ? project.projectFinish.Get() : 0));
    for (const QPTask& task : project.tasks) {
        // None and As Soon As Possible are one kind in the format.
        const int32_t constraint = task.constraintType == eConstraintAsSoonAsPossible
                                           ? eConstraintNone
                                           : task.constraintType;
        facts.push_back(
                text(task.name.str(), task.isHeader, task.milestone,
                     task.milestone ? 0.0 : task.GetDurationSeconds(project.options) / 3600.0,
                     task.taskType, constraint,
                     QPTaskConstraintIsDated(constraint) ? task.constraintDate.Get() : 0,
                     task.autoSchedule));
        if (computed)
            facts.back() += text(task.percentComplete, task.start.Get(), task.finish.Get(),
                                 task.totalSlack, task.scheduledCost);
        for (const QPTaskDependency& link : task.dependencies)
            sorted.push_back(text(name(project.tasks, link.predecessorKey), "->", task.name.str(),
                                  link.type, link.lag));
        for (const QPResourceAssignment& assignment : task.resourceAssignments)
            sorted.push_back(text(task.name.str(), name(project.resources, assignment.resourceKey),
                                  assignment.percent));
    }
    for (const QPResource& resource : project.resources)
        if (computed)
            facts.push_back(text(resource.name.str(), resource.email.str(), resource.hourlyRate,
                                 resource.overtimeRate, resource.regularCost,
                                 resource.overtimeCost));
    // Each calendar's week (where a day has no shift its start means nothing) and its
    // working time, exceptions taken out, from a week before the start to a month after
    // the finish: exceptions need not come back as the same records.
    const int64_t from = project.projectStart.Get() - 7 * 86400;
    const int64_t to =
            std::max(project.projectFinish.Get(), project.projectStart.Get()) + 31 * 86400;
    auto calendar = [&](const std::string& name, const QPSchedule& schedule,
                        const std::vector<QPScheduleException>* own) {
        std::string week = name;
        for (int day = 0; day < 7 && !own; ++day)
            week += schedule.shiftDuration[day] > 0
                            ? text("", schedule.shiftStart[day].Get(), schedule.shiftDuration[day])
                            : " off";
        QPWorkCalendar work(schedule);
        work.TakeOut(schedule.exceptions, schedule);
        if (own)
            work.TakeOut(*own, schedule);
        std::vector<QPTimeSpan> pieces;
        work.AppendWorkIn({from, to}, pieces);
        for (const QPTimeSpan& piece : pieces)
            week += text("", piece.from, piece.to);
        sorted.push_back(week);
    };
    for (const QPSchedule& schedule : project.schedules)
        calendar(schedule.name.str(), schedule, nullptr);
    for (const QPResource& resource : project.resources) {
        const QPSchedule* schedule = project.schedules.GetElementByKey(resource.scheduleKey);
        if (schedule || (schedule = standard))
            calendar(resource.name.str(), *schedule, &resource.exceptions);
    }
    std::sort(sorted.begin(), sorted.end());
    facts.insert(facts.end(), sorted.begin(), sorted.end());
    return facts;
}

// A plan written as Project XML and read back is the same plan: the same tasks with their
// headers, kinds, constraints and links, the same resources, assignments and weekly
// shifts, the same working time on every schedule and resource (the exceptions need not
// come back as the same records, but take out the same time), and after recalculation the
// same dates, slack and costs. The format has no weekly limit past which a schedule's hours
// are overtime. A day without work has no start time in the format (the plan reads it as
// 08:00), so for the computed facts it is set alike first: an exception on such a day
// begins there.
TEST(ProjectXmlRoundTrip, RandomPlansComeBackTheSame)
{
    for (uint32_t seed = 1; seed <= 200 && !HasFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        QPProject original;
        RandomPlan(seed).Build(original);
        for (bool computed : {false, true}) {
            for (QPSchedule& schedule : original.schedules)
                for (int day = 0; day < 7 && computed; ++day)
                    if (schedule.shiftDuration[day] == 0)
                        schedule.shiftStart[day] = LDayTime(8 * kHour);
            QPProject back;
            for (QPProject* project : {&original, &back}) {
                if (project == &back) {
                    const QPProjectXmlImportResult result =
                            QPImportProjectXml(back, QPProjectXmlExport(original));
                    ASSERT_EQ(result.result, eProcessSucceeded) << result.error;
                }
                for (QPSchedule& schedule : project->schedules)
                    schedule.regularWorkWeek = 0;
                project->AutoScheduleTasks();
                project->CalculateEndDateByTasks();
            }
            EXPECT_EQ(FactsOf(back, computed), FactsOf(original, computed));
        }
    }
}

} // namespace
