#include "engine/QPResourceHistogram.h"

#include "engine/LLocalDays.h"
#include "model/QPTask.h"

#include <algorithm>

void QPResourceHistogram::Clear()
{
    lines_.clear();
    booked_.clear();
}

bool QPResourceHistogram::Empty() const
{
    for (const auto& [key, line] : lines_)
        if (std::any_of(line.levels.begin(), line.levels.end(), [](int32_t l) { return l != 0; }))
            return false;
    return true;
}

void QPResourceHistogram::Change(int64_t resourceKey, int64_t day, int32_t amount)
{
    Line& line = lines_[resourceKey];
    if (line.levels.empty()) {
        line.first = day;
    } else if (day < line.first) {
        line.levels.insert(line.levels.begin(), std::size_t(line.first - day), 0);
        line.first = day;
    }
    const std::size_t at = std::size_t(day - line.first);
    if (at >= line.levels.size())
        line.levels.resize(at + 1, 0);
    line.levels[at] += amount;
}

int32_t QPResourceHistogram::Level(int64_t resourceKey, int64_t day) const
{
    const auto it = lines_.find(resourceKey);
    if (it == lines_.end() || day < it->second.first)
        return 0;
    const std::size_t at = std::size_t(day - it->second.first);
    return at < it->second.levels.size() ? it->second.levels[at] : 0;
}

void QPResourceHistogram::AddAssignment(LDateTime day, const QPResourceAssignment& assignment,
                                        int32_t share)
{
    if (share != 0)
        Change(assignment.resourceKey, LLocalDays::DayNumber(day),
               share * assignment.percent / 100);
}

void QPResourceHistogram::RemoveAssignment(LDateTime day, const QPResourceAssignment& assignment,
                                           int32_t share)
{
    if (share != 0)
        Change(assignment.resourceKey, LLocalDays::DayNumber(day),
               -(share * assignment.percent / 100));
}

void QPResourceHistogram::Book(const QPTask& task, std::vector<Booking> bookings)
{
    RemoveAssignments(task);
    for (const Booking& booking : bookings)
        Change(booking.resourceKey, booking.day, booking.level);
    booked_[&task] = std::move(bookings);
}

void QPResourceHistogram::RemoveAssignments(const QPTask& task)
{
    const auto it = booked_.find(&task);
    if (it == booked_.end())
        return;
    for (const Booking& booking : it->second)
        Change(booking.resourceKey, booking.day, -booking.level);
    booked_.erase(it);
}

bool QPResourceHistogram::IsBooked(const QPTask& task) const
{
    return booked_.count(&task) != 0;
}

int32_t QPResourceHistogram::GetCommitmentLevel(LDateTime day, int64_t resourceKey) const
{
    return Level(resourceKey, LLocalDays::DayNumber(day));
}

bool QPResourceHistogram::IsTaskConflicted(const QPTask& task) const
{
    const auto it = booked_.find(&task);
    if (it == booked_.end())
        return false;
    return std::any_of(it->second.begin(), it->second.end(), [&](const Booking& booking) {
        return Level(booking.resourceKey, booking.day) > 100;
    });
}
