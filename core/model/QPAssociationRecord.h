#pragma once

#include "model/QPResourceAssignment.h"
#include "model/QPTaskDependency.h"

#include <cstdint>
#include <vector>

// What deleting an element took away from the other elements, in the order it was taken:
// dependencies on a deleted task, assignments of a deleted resource, and resources moved
// off a deleted schedule. Undoing the deletion puts each back.
struct QPAssociationRecord {
    enum class Kind { Dependency, Assignment, ResourceMovedOffSchedule };

    struct Entry {
        Kind kind = Kind::Dependency;
        // The task that owned the dependency or assignment, or the resource that moved.
        int64_t ownerKey = -1;
        QPTaskDependency dependency;
        QPResourceAssignment assignment;

        friend bool operator==(const Entry&, const Entry&) = default;
    };

    std::vector<Entry> entries;

    void AddDependency(int64_t taskKey, const QPTaskDependency& dependency)
    {
        entries.push_back({Kind::Dependency, taskKey, dependency, {}});
    }
    void AddAssignment(int64_t taskKey, const QPResourceAssignment& assignment)
    {
        entries.push_back({Kind::Assignment, taskKey, {}, assignment});
    }
    void AddResourceMoved(int64_t resourceKey)
    {
        entries.push_back({Kind::ResourceMovedOffSchedule, resourceKey, {}, {}});
    }
    bool empty() const { return entries.empty(); }
};
