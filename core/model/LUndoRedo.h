#pragma once

#include "framework/LFixedText.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One step that can be undone and redone.
class LUndoRedoItem {
public:
    virtual ~LUndoRedoItem() = default;
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    virtual std::string GetName() const { return {}; }

    // The project was saved in the state right after this step.
    bool savedHere = false;
};

// Several steps that undo and redo as one: undone newest first, redone oldest first.
class LUndoRedoGroup : public LUndoRedoItem {
public:
    void Undo() override;
    void Redo() override;
    std::string GetName() const override { return name.str(); }

    void AddItem(std::unique_ptr<LUndoRedoItem> item);
    std::size_t GetNumItems() const { return items_.size(); }

    LFixedText name;

protected:
    // Runs before a new item goes to the head of the list.
    virtual void BeforeAddItem() {}
    // Position 0 is the newest item.
    LUndoRedoItem& ItemAt(std::size_t position) const
    {
        return *items_[items_.size() - 1 - position];
    }

    // Oldest first, so the newest is at the back.
    std::vector<std::unique_ptr<LUndoRedoItem>> items_;
};

// The undo history of a project. The newest `undoneCount` items are the undone ones that
// can be redone; adding a new item drops them. The history also remembers in which state
// the project was last saved.
class LUndoRedoStack : public LUndoRedoGroup {
public:
    bool CanUndo() const { return GetNumItems() > undoneCount_; }
    bool CanRedo() const { return undoneCount_ > 0; }
    // Undoes the newest step not yet undone.
    void Undo() override;
    // Redoes the oldest of the undone steps.
    void Redo() override;
    // Forgets every step; where the empty history was saved is kept.
    void Clear();
    void MarkCurrentStateAsSaved();
    bool IsCurrentStateSaved() const;
    uint32_t GetUndoneCount() const { return undoneCount_; }

protected:
    void BeforeAddItem() override;

private:
    uint32_t undoneCount_ = 0;
    // The project was saved in the state before the oldest step.
    bool savedWhenEmpty_ = false;
};
