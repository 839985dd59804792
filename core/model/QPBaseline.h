#pragma once

#include "model/QPProjectBase.h"

#include <cstdint>
#include <string_view>

// A frozen copy of a project, for comparing the plan with what it was. Its name is the
// copy's project name. A baseline never records undo history.
class QPBaseline : public QPProjectBase {
public:
    // The "Last Task Update" copy that status updates compare against has this ID.
    static constexpr int32_t kLastTaskUpdateID = -1;

    QPBaseline() = default;
    QPBaseline(const QPProjectBase& project, std::string_view baselineName, int32_t baselineID);

    // Position in the project's list of baselines, from 0; -1 for the last-update copy.
    int32_t id = 0;
};
