#include "model/QPProject.h"

QPProject::QPProject()
{
    ProjectReset(true);
}

void QPProject::ProjectReset(bool withDefaultSchedule)
{
    options.Reset();
    baselines.clear();
    lastTaskUpdateState.reset();
    QPProjectBase::ProjectReset(withDefaultSchedule);
}

QPBaseline* QPProject::BaselineAdd(std::string_view baselineName)
{
    if (baselines.size() >= kMaxBaselines)
        return nullptr;
    const auto baselineID = static_cast<int32_t>(baselines.size());
    baselines.push_back(std::make_unique<QPBaseline>(*this, baselineName, baselineID));
    // Baselines live in the project file but not in the undo history.
    dirty = true;
    return baselines.back().get();
}

bool QPProject::BaselineDelete(int32_t baselineID)
{
    for (auto it = baselines.begin(); it != baselines.end(); ++it) {
        if ((*it)->id != baselineID)
            continue;
        for (auto after = baselines.erase(it); after != baselines.end(); ++after)
            --(*after)->id;
        dirty = true;
        return true;
    }
    return false;
}

QPBaseline* QPProject::GetBaseline(int32_t baselineID) const
{
    for (const auto& baseline : baselines)
        if (baseline->id == baselineID)
            return baseline.get();
    return nullptr;
}

bool QPProject::IsBaselineNameUsed(std::string_view candidate, int32_t exceptID) const
{
    for (const auto& baseline : baselines)
        if (baseline->id != exceptID && baseline->name == candidate)
            return true;
    return false;
}

void QPProject::SetAsLastTaskUpdateState()
{
    lastTaskUpdateState =
            std::make_unique<QPBaseline>(*this, "Last Task Update", QPBaseline::kLastTaskUpdateID);
    dirty = true;
}
