#include "engine/QPResourceHistogram.h"

#include "engine/LLocalDays.h"
#include "model/QPTask.h"

#include <algorithm>

using namespace LLocalDays;

void QPResourceHistogram::Change(LDateTime day, int64_t resourceKey, int32_t amount)
{
    const int64_t key = Anchor(day).Get();
    std::vector<Entry>& entries = days_[key];
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const Entry& entry) { return entry.resourceKey == resourceKey; });
    if (it == entries.end()) {
        entries.push_back({resourceKey, 0});
        it = entries.end() - 1;
    }
    it->level += amount;
    // An entry at 0 or below is gone, and so is a day without entries.
    if (it->level <= 0) {
        entries.erase(it);
        if (entries.empty())
            days_.erase(key);
    }
}

void QPResourceHistogram::AddAssignment(LDateTime day, const QPResourceAssignment& assignment,
                                        int32_t share)
{
    if (share == 0)
        return;
    Change(day, assignment.resourceKey, share * assignment.percent / 100);
}

void QPResourceHistogram::RemoveAssignment(LDateTime day, const QPResourceAssignment& assignment,
                                           int32_t share)
{
    if (share == 0)
        return;
    Change(day, assignment.resourceKey, -(share * assignment.percent / 100));
}

void QPResourceHistogram::Walk(const QPTask& task, int32_t sign)
{
    // A task that does not end after it starts occupies no day; booking and unbooking
    // agree on that, so unbooking can never take away what was not booked.
    if (!(task.finish > task.start))
        return;
    auto change = [&](LDateTime day, const QPResourceAssignment& assignment, int32_t share) {
        if (sign > 0)
            AddAssignment(day, assignment, share);
        else
            RemoveAssignment(day, assignment, share);
    };
    const LDateTime first = Anchor(task.start);
    const LDateTime last = Anchor(task.finish);
    for (const QPResourceAssignment& assignment : task.resourceAssignments)
        change(first, assignment, assignment.firstDayPercent);
    if (first == last)
        return;
    for (LDateTime day = Anchor(AddDays(first, 1)); day < last; day = Anchor(AddDays(day, 1)))
        for (const QPResourceAssignment& assignment : task.resourceAssignments)
            change(day, assignment, 100);
    for (const QPResourceAssignment& assignment : task.resourceAssignments)
        change(last, assignment, assignment.lastDayPercent);
}

void QPResourceHistogram::AddAssignments(const QPTask& task)
{
    Walk(task, +1);
}

void QPResourceHistogram::RemoveAssignments(const QPTask& task)
{
    Walk(task, -1);
}

int32_t QPResourceHistogram::GetCommitmentLevel(LDateTime day, int64_t resourceKey) const
{
    const auto it = days_.find(Anchor(day).Get());
    if (it == days_.end())
        return 0;
    for (const Entry& entry : it->second)
        if (entry.resourceKey == resourceKey)
            return entry.level;
    return 0;
}

bool QPResourceHistogram::IsTaskConflicted(const QPTask& task) const
{
    for (LDateTime day = Anchor(task.start); day < task.finish; day = Anchor(AddDays(day, 1)))
        for (const QPResourceAssignment& assignment : task.resourceAssignments)
            if (GetCommitmentLevel(day, assignment.resourceKey) > 100)
                return true;
    return false;
}
