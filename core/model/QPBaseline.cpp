#include "model/QPBaseline.h"

QPBaseline::QPBaseline(const QPProjectBase& project, std::string_view baselineName,
                       int32_t baselineID)
    : QPProjectBase(project), id(baselineID)
{
    name = baselineName;
}
