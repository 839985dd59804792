#pragma once

#include "model/LDateTime.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

class QPTask;
struct QPResourceAssignment;

// How much of each resource's working day the booked tasks take, day by day, in percent.
// Leveling moves tasks until no resource is above 100% on any day; the cost calculation
// reads the levels to share a resource's regular week among its tasks.
class QPResourceHistogram {
public:
    void Clear() { days_.clear(); }
    bool Empty() const { return days_.empty(); }

    // Adds (or takes away) share × percent / 100 for the assignment's resource on `day`.
    // A share of 0 does nothing.
    void AddAssignment(LDateTime day, const QPResourceAssignment& assignment, int32_t share);
    void RemoveAssignment(LDateTime day, const QPResourceAssignment& assignment, int32_t share);

    // Books (or unbooks) all of a task's assignments over its days: the first-day share on
    // its first day, 100 on the days between, the last-day share on its last day.
    void AddAssignments(const QPTask& task);
    void RemoveAssignments(const QPTask& task);

    // The resource's level on the day (any moment of it); 0 when nothing is booked.
    int32_t GetCommitmentLevel(LDateTime day, int64_t resourceKey) const;

    // True when one of the task's resources is above 100% on a day the task works at noon.
    bool IsTaskConflicted(const QPTask& task) const;

private:
    struct Entry {
        int64_t resourceKey;
        int32_t level;
    };
    void Change(LDateTime day, int64_t resourceKey, int32_t amount);
    void Walk(const QPTask& task, int32_t sign);

    // Keyed by the day's noon anchor.
    std::unordered_map<int64_t, std::vector<Entry>> days_;
};
