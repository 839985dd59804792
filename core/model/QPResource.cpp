#include "model/QPResource.h"

QPResource::QPResource(const QPResource& other)
{
    *this = other;
    notes.clear();
}

void QPResource::AddException(LDateTime date, int32_t workSeconds)
{
    QPAddScheduleException(exceptions, date, workSeconds);
}
