// Header tasks: a header groups the run of tasks listed directly beneath it that are in
// its subtask list. It does no work of its own; its dates span its subtasks and it takes
// the slack of the one that finishes last. Dependencies stay inside a group.

#include "model/QPProject.h"
#include "model/QPUndoItems.h"

#include <algorithm>

namespace {

void CopySlack(QPTask& header, const QPTask& member)
{
    header.freeSlack = member.freeSlack;
    header.totalSlack = member.totalSlack;
    header.freeSlackSuccessorID = member.freeSlackSuccessorID;
    header.totalSlackSuccessorID = member.totalSlackSuccessorID;
}

} // namespace

void QPProject::RefreshSubtaskHeaderKeys()
{
    QPTask* header = nullptr;
    for (QPTask& task : tasks) {
        task.headerKey = -1;
        if (task.isHeader) {
            header = &task;
        } else if (header && header->HasSubtaskKey(task.key)) {
            task.headerKey = header->key;
        } else {
            // A task outside the group ends the run: tasks listed further down are not
            // members.
            header = nullptr;
        }
    }
}

bool QPProject::IsHeaderTaskScheduled(QPTask& header)
{
    if (header.scheduled)
        return true;
    const std::ptrdiff_t at = tasks.IndexOf(&header);
    if (at < 0)
        return false;
    for (std::size_t i = static_cast<std::size_t>(at) + 1; i < tasks.size(); ++i) {
        const QPTask& member = tasks.At(i);
        if (member.headerKey != header.key)
            break;
        if (!member.scheduled)
            return false;
    }
    SetHeaderTaskDate(header);
    header.scheduled = true;
    return true;
}

void QPProject::SetHeaderTaskDate(QPTask& header)
{
    if (!header.isHeader)
        return;
    header.start = projectStart;
    header.finish = projectStart;
    const std::ptrdiff_t at = tasks.IndexOf(&header);
    if (at < 0)
        return;
    bool first = true;
    for (std::size_t i = static_cast<std::size_t>(at) + 1; i < tasks.size(); ++i) {
        const QPTask& member = tasks.At(i);
        if (member.headerKey != header.key)
            break;
        // A member without dates has nothing to span; 0 would read as 1970.
        if (!member.start.IsSet())
            continue;
        if (first) {
            header.start = member.start;
            header.finish = member.finish;
            first = false;
            continue;
        }
        if (member.start < header.start)
            header.start = member.start;
        if (member.finish > header.finish) {
            header.finish = member.finish;
            CopySlack(header, member);
        }
    }
}

void QPProject::SetAllHeaderTaskDates()
{
    QPTask* header = nullptr;
    auto close = [&] {
        if (header && header->finish < header->start) {
            // No members.
            header->start = projectStart;
            header->finish = projectStart;
        }
        header = nullptr;
    };
    for (QPTask& task : tasks) {
        if (task.isHeader) {
            close();
            // Seeds that any member replaces: the span becomes exact.
            task.start = projectFinish;
            task.finish = projectStart;
            header = &task;
        } else if (header && task.headerKey == header->key) {
            if (!task.start.IsSet())
                continue;
            if (task.start < header->start)
                header->start = task.start;
            if (task.finish > header->finish) {
                header->finish = task.finish;
                CopySlack(*header, task);
            }
        } else {
            close();
        }
    }
    close();
}

void QPProject::EnforceValidSubtaskChains(QPTask& header)
{
    RefreshSubtaskHeaderKeys();
    MapTaskSuccessors();
    const std::vector<int64_t> keys = header.subtaskKeys;
    for (int64_t key : keys) {
        if (QPTask* task = tasks.GetElementByKey(key)) {
            RemoveNonfraternalPredecessors(*task);
            RemoveNonfraternalSuccessors(*task);
        }
    }
}

void QPProject::RemoveNonfraternalPredecessors(QPTask& task)
{
    std::vector<int64_t> predecessors;
    for (const QPTaskDependency& dependency : task.dependencies)
        predecessors.push_back(dependency.predecessorKey);
    LByteArray before;
    for (int64_t key : predecessors) {
        const QPTask* predecessor = tasks.GetElementByKey(key);
        if (!predecessor || predecessor->headerKey == task.headerKey)
            continue;
        if (before.empty())
            before = task.WriteSDF();
        task.RemoveDependency(key);
    }
    if (!before.empty())
        UndoRedoAdd(std::make_unique<QPElementEditedUndoRedo<QPTask>>(*this, task.id, before,
                                                                      task.WriteSDF()));
}

void QPProject::RemoveNonfraternalSuccessors(QPTask& task)
{
    const std::vector<int32_t> successors = task.successorIDs;
    for (int32_t id : successors) {
        QPTask* successor = tasks.GetElement(id);
        if (!successor || successor->headerKey == task.headerKey)
            continue;
        LByteArray before = successor->WriteSDF();
        successor->RemoveDependency(task.key);
        UndoRedoAdd(std::make_unique<QPElementEditedUndoRedo<QPTask>>(
                *this, successor->id, std::move(before), successor->WriteSDF()));
    }
}

int32_t QPProject::GetNextIndependentTaskID(int32_t id) const
{
    if (id == -1)
        return -1;
    const QPTask* task = tasks.GetElement(id);
    if (!task)
        return -1;
    if (task->headerKey == -1)
        return task->id;
    const std::ptrdiff_t at = tasks.IndexOf(task);
    for (std::size_t i = static_cast<std::size_t>(at) + 1; i < tasks.size(); ++i) {
        const QPTask& next = tasks.At(i);
        if (next.headerKey == task->headerKey)
            continue;
        return next.headerKey == -1 ? next.id : -1;
    }
    return -1;
}
