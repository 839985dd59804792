#include "model/LUndoRedo.h"

void LUndoRedoGroup::Undo()
{
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        (*it)->Undo();
}

void LUndoRedoGroup::Redo()
{
    for (auto& item : items_)
        item->Redo();
}

void LUndoRedoGroup::AddItem(std::unique_ptr<LUndoRedoItem> item)
{
    if (!item)
        return;
    BeforeAddItem();
    items_.push_back(std::move(item));
}

void LUndoRedoStack::Undo()
{
    if (!CanUndo())
        return;
    ItemAt(undoneCount_).Undo();
    ++undoneCount_;
}

void LUndoRedoStack::Redo()
{
    if (!CanRedo())
        return;
    --undoneCount_;
    ItemAt(undoneCount_).Redo();
}

void LUndoRedoStack::BeforeAddItem()
{
    // A new change makes the undone steps unreachable.
    items_.resize(items_.size() - undoneCount_);
    undoneCount_ = 0;
}

void LUndoRedoStack::Clear()
{
    items_.clear();
    undoneCount_ = 0;
}

void LUndoRedoStack::MarkCurrentStateAsSaved()
{
    if (items_.empty()) {
        savedWhenEmpty_ = true;
        return;
    }
    for (auto& item : items_)
        item->savedHere = false;
    if (undoneCount_ == items_.size()) {
        savedWhenEmpty_ = true;
        return;
    }
    ItemAt(undoneCount_).savedHere = true;
    savedWhenEmpty_ = false;
}

bool LUndoRedoStack::IsCurrentStateSaved() const
{
    if (items_.empty())
        return true;
    if (undoneCount_ == items_.size())
        return savedWhenEmpty_;
    return ItemAt(undoneCount_).savedHere;
}
