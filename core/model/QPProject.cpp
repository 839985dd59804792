#include "model/QPProject.h"

#include "engine/QPEngineState.h"

#include "fileformat/QPElementImages.h"
#include "model/QPUndoItems.h"

QPProject::QPProject()
{
    ProjectReset(true);
}

QPProject::~QPProject() = default;

void QPProject::ProjectReset(bool withDefaultSchedule)
{
    openUndoGroup.reset();
    openUndoGroupEmpty = true;
    undoStack.Clear();
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

bool QPProject::IsProjectDirty() const
{
    return dirty || !undoStack.IsCurrentStateSaved();
}

// ---------------------------------------------------------------------------------------
// Undo and redo

void QPProject::UndoRedoGroupStart()
{
    openUndoGroup = std::make_unique<LUndoRedoGroup>();
    openUndoGroupEmpty = true;
}

void QPProject::UndoRedoAdd(std::unique_ptr<LUndoRedoItem> item)
{
    if (!item)
        return;
    if (!openUndoGroup) {
        undoStack.AddItem(std::move(item));
        return;
    }
    openUndoGroup->AddItem(std::move(item));
    openUndoGroupEmpty = false;
}

void QPProject::UndoRedoGroupEnd()
{
    std::unique_ptr<LUndoRedoGroup> group = std::move(openUndoGroup);
    if (group && !openUndoGroupEmpty)
        undoStack.AddItem(std::move(group));
    openUndoGroupEmpty = true;
}

void QPProject::ElementCreatedUndoRedoAdd(QPTask& task)
{
    UndoRedoAdd(
            std::make_unique<QPElementCreatedUndoRedo<QPTask>>(*this, task.id, task.WriteSDF()));
}

void QPProject::ElementCreatedUndoRedoAdd(QPResource& resource)
{
    UndoRedoAdd(std::make_unique<QPElementCreatedUndoRedo<QPResource>>(*this, resource.id,
                                                                       resource.WriteSDF()));
}

void QPProject::ElementCreatedUndoRedoAdd(QPSchedule& schedule)
{
    UndoRedoAdd(std::make_unique<QPElementCreatedUndoRedo<QPSchedule>>(*this, schedule.id,
                                                                       schedule.WriteSDF()));
}

void QPProject::ElementDeletedUndoRedoAdd(QPTask& task, const QPAssociationRecord& associations)
{
    UndoRedoAdd(std::make_unique<QPElementDeletedUndoRedo<QPTask>>(
            *this, task.id, task.WriteSDF(), QPWriteAssociationImage(associations)));
}

void QPProject::ElementDeletedUndoRedoAdd(QPResource& resource,
                                          const QPAssociationRecord& associations)
{
    UndoRedoAdd(std::make_unique<QPElementDeletedUndoRedo<QPResource>>(
            *this, resource.id, resource.WriteSDF(), QPWriteAssociationImage(associations)));
}

void QPProject::ElementDeletedUndoRedoAdd(QPSchedule& schedule,
                                          const QPAssociationRecord& associations)
{
    UndoRedoAdd(std::make_unique<QPElementDeletedUndoRedo<QPSchedule>>(
            *this, schedule.id, schedule.WriteSDF(), QPWriteAssociationImage(associations)));
}

bool QPProject::UndoRedoGroupOpenIfNone()
{
    if (openUndoGroup)
        return false;
    UndoRedoGroupStart();
    return true;
}

void QPProject::UndoRedoGroupCloseOpened()
{
    UndoRedoGroupEnd();
}

void QPProject::TaskIDChangeUndoRedoAdd(int64_t key, int32_t oldID, int32_t newID)
{
    UndoRedoAdd(std::make_unique<QPElementIDChangeUndoRedo>(*this, key, oldID, newID));
}
