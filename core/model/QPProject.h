#pragma once

#include "model/QPBaseline.h"
#include "model/QPProjectBase.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The open project: the container plus what a document needs while it is open, the
// baselines and the state of the last status update.
class QPProject : public QPProjectBase {
public:
    static constexpr std::size_t kMaxBaselines = 10;

    // A new project with its "Default Schedule".
    QPProject();
    // One open document: copies are baselines, made through BaselineAdd.
    QPProject(const QPProject&) = delete;
    QPProject& operator=(const QPProject&) = delete;

    // Also resets the options and drops the baselines and the last-update state.
    void ProjectReset(bool withDefaultSchedule) override;

    // Freezes a copy of the project under `baselineName` at the end of the list. With ten
    // baselines already, nothing is made and the result is none. Baselines are saved with
    // the project but not undoable, so both changes make the project dirty.
    QPBaseline* BaselineAdd(std::string_view baselineName);
    // Removes the baseline with this ID; the ones after it move down by one.
    bool BaselineDelete(int32_t baselineID);
    QPBaseline* GetBaseline(int32_t baselineID) const;
    // True when a baseline other than `exceptID` has exactly this name.
    bool IsBaselineNameUsed(std::string_view name, int32_t exceptID) const;

    // Replaces the last-update state by a copy of the project as it is now, named
    // "Last Task Update", and marks the project dirty so that the next save keeps it.
    void SetAsLastTaskUpdateState();

    // Ordered by baseline ID, at most kMaxBaselines.
    std::vector<std::unique_ptr<QPBaseline>> baselines;
    // The project as it was when task updates were last sent, or none.
    std::unique_ptr<QPBaseline> lastTaskUpdateState;
};
