#include "model/QPTaskDependency.h"

#include <cmath>
#include <limits>

const char* QPTaskDependencyTypeName(int32_t type)
{
    switch (type) {
    case eFinishToStart:
        return "Finish-to-Start";
    case eStartToStart:
        return "Start-to-Start";
    case eFinishToFinish:
        return "Finish-to-Finish";
    case eStartToFinish:
        return "Start-to-Finish";
    default:
        return "";
    }
}

int64_t QPTaskDependency::GetLagSeconds() const
{
    // The product is taken in single precision, as lags always have been: 0.1 days is
    // 8640 seconds.
    const double seconds = std::trunc(double(lag * 86400.0f));
    // A lag read from a damaged file may be anything; keep the result a usable number.
    if (std::isnan(seconds))
        return 0;
    constexpr double limit = double(std::numeric_limits<int64_t>::max() / 4);
    if (seconds > limit)
        return static_cast<int64_t>(limit);
    if (seconds < -limit)
        return -static_cast<int64_t>(limit);
    return static_cast<int64_t>(seconds);
}
