#include "model/QPScheduleException.h"

void QPAddScheduleException(std::vector<QPScheduleException>& exceptions, LDateTime date,
                            int32_t workSeconds)
{
    QPScheduleException exception;
    exception.date = LDateIterator(date).Get();
    exception.workSeconds = workSeconds;
    exceptions.insert(exceptions.begin(), exception);
}
