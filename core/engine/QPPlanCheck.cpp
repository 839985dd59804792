// What a recalculated plan cannot satisfy: everything the recalculation had to give up on
// without saying so (it never reports to the user), for `kestrano-cli check`.

#include "engine/LLocalDays.h"
#include "engine/QPEngineState.h"
#include "model/QPFormat.h"
#include "model/QPProject.h"

#include <algorithm>
#include <functional>
#include <map>

using namespace LLocalDays;

namespace {

std::string TaskName(const QPTask& task)
{
    return "#" + std::to_string(task.id) + " \"" + task.name.str() + "\"";
}

std::string Signed(int64_t seconds)
{
    return (seconds < 0 ? "-" : "") + QPFormatDurationToText(seconds, true);
}

std::string DayText(int64_t day)
{
    std::string date;
    std::string time;
    AnchorOfDay(day).GetDateTime(date, time);
    return date;
}

const char* ConstraintReason(const QPTask& task)
{
    if (!task.autoSchedule)
        return "it is scheduled by hand";
    switch (task.constraintType) {
    case eConstraintStartOn:
        return "its Start On constraint wins";
    case eConstraintFinishOn:
        return "its Finish On constraint wins";
    case eConstraintStartBefore:
        return "its Start Before constraint wins";
    case eConstraintFinishBefore:
        return "its Finish Before constraint wins";
    default:
        return "it keeps its dates";
    }
}

} // namespace

std::vector<std::string> QPProject::CheckPlan()
{
    QPEngineScope scope(*this);
    QPEngineState& state = scope.State();
    const QPEngineGraph& graph = state.graph;
    std::vector<std::string> lines;

    // Dependency loops: tasks that never become ready. Those that wait on themselves
    // through others are on the loop; the rest wait on it.
    const std::size_t n = graph.Size();
    std::vector<char> unplaced(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        unplaced[i] = graph.position[i] < 0;
    std::vector<char> reaches(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (!unplaced[i])
            continue;
        // Does i wait on itself? A walk over what it waits for, among the unplaced.
        std::vector<char> seen(n, 0);
        std::vector<int32_t> stack(graph.waitsFor[i].begin(), graph.waitsFor[i].end());
        while (!stack.empty() && !reaches[i]) {
            const int32_t at = stack.back();
            stack.pop_back();
            if (!unplaced[std::size_t(at)] || seen[std::size_t(at)])
                continue;
            seen[std::size_t(at)] = 1;
            if (at == int32_t(i))
                reaches[i] = 1;
            for (int32_t next : graph.waitsFor[std::size_t(at)])
                stack.push_back(next);
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!unplaced[i])
            continue;
        const QPTask& task = graph.Task(int32_t(i));
        if (reaches[i]) {
            lines.push_back("loop: " + TaskName(task) +
                            " is on a dependency loop; it keeps its dates");
        } else {
            std::string through;
            for (int32_t p : graph.waitsFor[i])
                if (unplaced[std::size_t(p)]) {
                    through = TaskName(graph.Task(p));
                    break;
                }
            lines.push_back("loop: " + TaskName(task) + " waits on a dependency loop (through " +
                            through + "); it keeps its dates");
        }
    }

    // Work without working time to do it in.
    for (QPTask& task : tasks) {
        if (task.isHeader || task.milestone)
            continue;
        const int64_t work = task.GetDurationSeconds(options);
        if (work <= 0 || state.calendars.CrewOf(task).HasWork())
            continue;
        lines.push_back("no working time: " + TaskName(task) + " has " +
                        QPFormatDurationToText(work, true) +
                        " of work, but its calendars have no working time");
    }

    // Over-commitment leveling could not remove: each resource of a task still marked,
    // with the days it is over and how far.
    std::vector<QPDayWork> days;
    for (QPTask& task : tasks) {
        if (!task.resourceConflict)
            continue;
        const bool booked = histogram.IsBooked(task);
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            const QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
            const QPWorkCalendar* calendar =
                    resource ? state.calendars.AssignmentCalendar(task, *resource) : nullptr;
            if (!calendar)
                continue;
            days.clear();
            QPAppendDayWork(*calendar, task.start, task.finish, days);
            // Runs of days at the same level: "150% on 2027-03-01 to 2027-03-03".
            std::vector<std::string> runs;
            int64_t first = 0;
            int64_t last = 0;
            int32_t runLevel = 0;
            auto close = [&] {
                if (runLevel > 0)
                    runs.push_back(std::to_string(runLevel) + "% on " + DayText(first) +
                                   (last != first ? " to " + DayText(last) : ""));
                runLevel = 0;
            };
            for (const QPDayWork& day : days) {
                int32_t level = histogram.Level(assignment.resourceKey, day.day);
                if (!booked)
                    level += day.Share() * assignment.percent / 100;
                if (level <= 100) {
                    close();
                    continue;
                }
                if (level == runLevel && day.day == last + 1) {
                    last = day.day;
                    continue;
                }
                close();
                first = last = day.day;
                runLevel = level;
            }
            close();
            if (runs.empty())
                continue;
            std::string text;
            for (const std::string& run : runs)
                text += (text.empty() ? "" : ", ") + run;
            lines.push_back("over-committed: " + TaskName(task) + " puts " + resource->name.str() +
                            " at " + text);
        }
    }

    // Links that a date of the later task's own breaks.
    for (std::size_t i = 0; i < n; ++i) {
        const QPTask& task = graph.Task(int32_t(i));
        if (task.isHeader || unplaced[i])
            continue;
        for (const QPEngineLink& link : graph.predecessors[i]) {
            const QPTask& predecessor = graph.Task(link.task);
            const bool fromStart = link.type == eStartToStart || link.type == eStartToFinish;
            const bool toFinish = link.type == eFinishToFinish || link.type == eStartToFinish;
            const LDateTime needed =
                    (fromStart ? predecessor.start : predecessor.finish) + link.lag;
            const LDateTime own = toFinish ? task.finish : task.start;
            if (!(own < needed))
                continue;
            lines.push_back("broken link: " + TaskName(task) +
                            (toFinish ? " finishes " : " starts ") + own.GetDateTime() + ", " +
                            QPFormatDurationToText(needed - own, true) + " before its " +
                            QPTaskDependencyTypeName(link.type) + " link on " +
                            TaskName(predecessor) + " allows; " + ConstraintReason(task) +
                            " (total slack " + Signed(task.totalSlack) + ")");
        }
    }

    if (projectDeadline.IsSet() && projectFinish > projectDeadline)
        lines.push_back("deadline: the plan finishes " + projectFinish.GetDateTime() +
                        ", after its deadline " + projectDeadline.GetDateTime());
    return lines;
}
