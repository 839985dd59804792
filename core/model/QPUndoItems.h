#pragma once

#include "framework/LByteArray.h"
#include "model/LUndoRedo.h"
#include "model/QPProjectBase.h"

#include <cstdint>
#include <utility>

// The steps a project records. None holds a pointer to an element: they keep element
// images, IDs and keys, and act through the container's restoring operations, so they stay
// valid whatever happened to the elements in between.

// An element was created: undo deletes it, redo puts it back with the same key and ID.
template <class T>
class QPElementCreatedUndoRedo : public LUndoRedoItem {
public:
    QPElementCreatedUndoRedo(QPProjectBase& project, int32_t id, LByteArray image)
        : project_(project), id_(id), image_(std::move(image))
    {}
    void Undo() override { project_.ElementDelete<T>(id_, false); }
    void Redo() override { project_.ElementAddFromSDF<T>(image_); }

private:
    QPProjectBase& project_;
    int32_t id_;
    LByteArray image_;
};

// An element was deleted: undo puts it back with its key, its ID and the links other
// elements had to it; redo deletes it again.
template <class T>
class QPElementDeletedUndoRedo : public LUndoRedoItem {
public:
    QPElementDeletedUndoRedo(QPProjectBase& project, int32_t id, LByteArray image,
                             LByteArray associations)
        : project_(project), id_(id), image_(std::move(image)),
          associations_(std::move(associations))
    {}
    void Undo() override { project_.ElementAddFromSDF<T>(image_, associations_); }
    void Redo() override { project_.ElementDelete<T>(id_, false); }

private:
    QPProjectBase& project_;
    int32_t id_;
    LByteArray image_;
    LByteArray associations_;
};

// An element was edited: undo and redo put back its image from before or after the edit.
template <class T>
class QPElementEditedUndoRedo : public LUndoRedoItem {
public:
    QPElementEditedUndoRedo(QPProjectBase& project, int32_t id, LByteArray before, LByteArray after)
        : project_(project), id_(id), before_(std::move(before)), after_(std::move(after))
    {}
    void Undo() override { project_.ElementEditFromSDF<T>(id_, before_); }
    void Redo() override { project_.ElementEditFromSDF<T>(id_, after_); }

private:
    QPProjectBase& project_;
    int32_t id_;
    LByteArray before_;
    LByteArray after_;
};

// A task moved to another ID.
class QPElementIDChangeUndoRedo : public LUndoRedoItem {
public:
    QPElementIDChangeUndoRedo(QPProjectBase& project, int64_t key, int32_t oldID, int32_t newID)
        : project_(project), key_(key), oldID_(oldID), newID_(newID)
    {}
    void Undo() override { project_.ElementChangeID<QPTask>(key_, oldID_); }
    void Redo() override { project_.ElementChangeID<QPTask>(key_, newID_); }

private:
    QPProjectBase& project_;
    int64_t key_;
    int32_t oldID_;
    int32_t newID_;
};
