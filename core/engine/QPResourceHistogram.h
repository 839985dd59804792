#pragma once

#include "model/LDateTime.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

class QPTask;
struct QPResourceAssignment;

// How much of each resource's working day the booked tasks take, day by day, in percent.
// Leveling moves tasks until no resource is above 100% on any day. Each task's bookings
// are remembered, so that taking a task out takes away exactly what it put in, wherever
// it has moved since.
class QPResourceHistogram {
public:
    // What one task adds for one resource on one day (by the day's number).
    struct Booking {
        int64_t resourceKey;
        int64_t day;
        int32_t level;
    };

    void Clear();
    bool Empty() const;

    // Adds (or takes away) share x percent / 100 for the assignment's resource on `day`.
    // A share of 0 does nothing.
    void AddAssignment(LDateTime day, const QPResourceAssignment& assignment, int32_t share);
    void RemoveAssignment(LDateTime day, const QPResourceAssignment& assignment, int32_t share);

    // Books a task (replacing what it booked before), and takes its bookings away again.
    void Book(const QPTask& task, std::vector<Booking> bookings);
    void RemoveAssignments(const QPTask& task);
    bool IsBooked(const QPTask& task) const;

    // The resource's level on the day (any moment of it); 0 when nothing is booked.
    int32_t GetCommitmentLevel(LDateTime day, int64_t resourceKey) const;
    int32_t Level(int64_t resourceKey, int64_t day) const;

    // True when one of the task's resources is above 100% on a day the task has booked.
    bool IsTaskConflicted(const QPTask& task) const;

private:
    // One resource's levels on consecutive days from `first` on.
    struct Line {
        int64_t first = 0;
        std::vector<int32_t> levels;
    };
    void Change(int64_t resourceKey, int64_t day, int32_t amount);

    std::unordered_map<int64_t, Line> lines_;
    // Keyed by the task's address: tasks stay put in the project while a histogram is used.
    std::unordered_map<const QPTask*, std::vector<Booking>> booked_;
};
