#include "model/QPSchedule.h"

void QPSchedule::Reset()
{
    id = -1;
    name.clear();
    shiftStart.fill(LDayTime(kDefaultShiftStart));
    shiftDuration.fill(0);
    exceptions.clear();
}

void QPSchedule::AddException(LDateTime date, int32_t workSeconds)
{
    QPAddScheduleException(exceptions, date, workSeconds);
}

LDayTime QPSchedule::GetStartTime(LWeekDay weekDay) const
{
    for (int day = eSunday; day <= eSaturday; ++day)
        if (weekDay.Get() == (1u << day))
            return shiftStart[day];
    return LDayTime(0);
}
