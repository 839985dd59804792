// Schedule exceptions: work time taken out of a calendar from one day's shift start on,
// running on over the following working days when it is longer than that day's shift.
// The calendars the engine counts work on take that time out as a span (QPWorkCalendar);
// here each exception learns where its span ends, for everyone who shows it.

#include "engine/QPEngineState.h"
#include "model/QPProject.h"

void QPProject::CalculateExceptionDurations()
{
    for (QPSchedule& schedule : schedules)
        for (QPScheduleException& exception : schedule.exceptions)
            exception.finish = schedule.CalculateExceptionFinish(exception);
    // A resource without a schedule of its own works on the default one, and so do its
    // exceptions.
    const QPEngineCalendars calendars(*this);
    for (QPResource& resource : resources) {
        const QPSchedule* schedule = calendars.ResourceSchedule(resource);
        if (!schedule)
            continue;
        for (QPScheduleException& exception : resource.exceptions)
            exception.finish = schedule->CalculateExceptionFinish(exception);
    }
}
