#include "model/QPProjectBase.h"

#include <algorithm>

namespace {

template <class T>
void CopyList(const QPElementList<T>& from, std::vector<std::unique_ptr<T>>& to)
{
    to.reserve(from.size());
    for (const T& element : from)
        to.push_back(std::make_unique<T>(element));
}

} // namespace

QPProjectBase::QPProjectBase()
{
    ResetContents(false);
}

QPProjectBase::QPProjectBase(const QPProjectBase& other)
    : name(other.name), defaultScheduleKey(other.defaultScheduleKey),
      projectStart(other.projectStart), projectFinish(other.projectFinish),
      projectDeadline(other.projectDeadline), dirty(false), lastKey(other.lastKey),
      lastTaskID(other.lastTaskID), lastResourceID(other.lastResourceID),
      lastScheduleID(other.lastScheduleID)
{
    // The source lists are already in ID order, so appending keeps them so.
    std::vector<std::unique_ptr<QPTask>> taskCopies;
    CopyList(other.tasks, taskCopies);
    for (auto& task : taskCopies)
        tasks.Insert(std::move(task));
    std::vector<std::unique_ptr<QPResource>> resourceCopies;
    CopyList(other.resources, resourceCopies);
    for (auto& resource : resourceCopies)
        resources.Insert(std::move(resource));
    std::vector<std::unique_ptr<QPSchedule>> scheduleCopies;
    CopyList(other.schedules, scheduleCopies);
    for (auto& schedule : scheduleCopies)
        schedules.Insert(std::move(schedule));
}

QPProjectBase::~QPProjectBase() = default;

void QPProjectBase::ProjectReset(bool withDefaultSchedule)
{
    ResetContents(withDefaultSchedule);
}

void QPProjectBase::ResetContents(bool withDefaultSchedule)
{
    name = "New Project";
    defaultScheduleKey = -1;
    projectStart = LDateIterator(LDateTime::Now()).Get();
    projectFinish = projectStart + 86400;
    projectDeadline = projectStart + 86400;
    tasks.Clear();
    resources.Clear();
    schedules.Clear();
    lastKey = -1;
    lastTaskID = 0;
    lastResourceID = 0;
    lastScheduleID = 0;
    if (withDefaultSchedule) {
        auto schedule = std::make_unique<QPSchedule>();
        schedule->name = "Default Schedule";
        for (int day = eMonday; day <= eFriday; ++day)
            schedule->shiftDuration[day] = 8 * 3600;
        schedule->regularWorkWeek = QPSchedule::kDefaultWorkWeek;
        schedule->workWeekStart = eSunday;
        defaultScheduleKey = AddElement(std::move(schedule), false).key;
    }
    dirty = false;
}

// ---------------------------------------------------------------------------------------
// Adding

template <class T>
int32_t QPProjectBase::GetNextUniqueID()
{
    int32_t& counter = CounterOf<T>();
    const QPElementList<T>& list = ListOf<T>();
    do {
        ++counter;
    } while (list.GetElement(counter) != nullptr);
    return counter;
}

template <class T>
T& QPProjectBase::AddElement(std::unique_ptr<T> element, bool recordUndo)
{
    element->key = ++lastKey;
    if (element->id == -1)
        element->id = GetNextUniqueID<T>();
    T& added = ListOf<T>().Insert(std::move(element));
    if (recordUndo)
        ElementCreatedUndoRedoAdd(added);
    return added;
}

QPTask& QPProjectBase::ElementAdd(std::unique_ptr<QPTask> task, bool recordUndo)
{
    return AddElement(std::move(task), recordUndo);
}

QPResource& QPProjectBase::ElementAdd(std::unique_ptr<QPResource> resource, bool recordUndo)
{
    return AddElement(std::move(resource), recordUndo);
}

QPSchedule& QPProjectBase::ElementAdd(std::unique_ptr<QPSchedule> schedule, bool recordUndo)
{
    return AddElement(std::move(schedule), recordUndo);
}

QPTask& QPProjectBase::TaskInsert(std::unique_ptr<QPTask> task, int32_t position, bool recordUndo)
{
    if (position >= 1 && static_cast<std::size_t>(position) <= tasks.size()) {
        // Walking from the end keeps the list sorted at every step.
        for (std::size_t i = tasks.size(); i-- > 0;) {
            QPTask& other = tasks.At(i);
            if (other.id >= position)
                ++other.id;
        }
        task->id = position;
    }
    return AddElement(std::move(task), recordUndo);
}

// ---------------------------------------------------------------------------------------
// Removing

template <class T>
bool QPProjectBase::ElementDelete(int32_t id, bool recordUndo)
{
    QPElementList<T>& list = ListOf<T>();
    T* element = list.GetElement(id);
    if (!element)
        return false;

    QPAssociationRecord record;
    if (!ElementAssociationsDelete(*element, recordUndo ? &record : nullptr))
        return false;
    if (recordUndo)
        ElementDeletedUndoRedoAdd(*element, record);

    const auto index = static_cast<std::size_t>(list.IndexOf(element));
    const int32_t deletedID = element->id;
    list.RemoveAt(index);

    // Close the gap: each following element takes the ID of the one before it.
    int32_t& counter = CounterOf<T>();
    int32_t carry = deletedID;
    for (std::size_t i = index; i < list.size(); ++i) {
        T& following = list.At(i);
        std::swap(following.id, carry);
    }
    if (index < list.size())
        counter = list.back().id;
    else if (index > 0)
        counter = list.At(index - 1).id;
    return true;
}

bool QPProjectBase::ElementAssociationsDelete(const QPTask& task, QPAssociationRecord* record)
{
    for (QPTask& other : tasks)
        other.RemoveDependency(task.key, record);
    return true;
}

bool QPProjectBase::ElementAssociationsDelete(const QPResource& resource,
                                              QPAssociationRecord* record)
{
    for (QPTask& task : tasks)
        task.RemoveResourceAssignment(resource.key, record);
    return true;
}

bool QPProjectBase::ElementAssociationsDelete(const QPSchedule& schedule,
                                              QPAssociationRecord* record)
{
    if (schedule.key == defaultScheduleKey)
        return false;
    for (QPResource& resource : resources) {
        if (resource.scheduleKey == schedule.key) {
            if (record)
                record->AddResourceMoved(resource.key);
            resource.scheduleKey = defaultScheduleKey;
        }
    }
    return true;
}

void QPProjectBase::ElementAssociationsAdd(const QPAssociationRecord& record, int64_t scheduleKey)
{
    for (const QPAssociationRecord::Entry& entry : record.entries) {
        switch (entry.kind) {
        case QPAssociationRecord::Kind::Dependency:
            if (QPTask* task = tasks.GetElementByKey(entry.ownerKey);
                task && entry.dependency.predecessorKey != -1)
                task->AddDependency(entry.dependency);
            break;
        case QPAssociationRecord::Kind::Assignment:
            if (QPTask* task = tasks.GetElementByKey(entry.ownerKey);
                task && entry.assignment.resourceKey != -1)
                task->AddResourceAssignment(entry.assignment);
            break;
        case QPAssociationRecord::Kind::ResourceMovedOffSchedule:
            if (QPResource* resource = resources.GetElementByKey(entry.ownerKey))
                resource->scheduleKey = scheduleKey;
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Restoring and renumbering

template <class T>
T& QPProjectBase::ElementAddRestored(std::unique_ptr<T> element)
{
    QPElementList<T>& list = ListOf<T>();
    const int32_t id = element->id;
    if (T* holder = list.GetElement(id)) {
        // From the element holding the ID to the end, in reverse so the order holds.
        const auto first = static_cast<std::size_t>(list.IndexOf(holder));
        for (std::size_t i = list.size(); i-- > first;)
            ++list.At(i).id;
    }
    return list.Insert(std::move(element));
}

template <class T>
void QPProjectBase::ElementChangeID(int64_t key, int32_t newID)
{
    QPElementList<T>& list = ListOf<T>();
    T* element = list.GetElementByKey(key);
    if (!element)
        return;
    const auto index = static_cast<std::size_t>(list.IndexOf(element));
    element->id = newID;
    list.Reposition(index);
}

void QPProjectBase::MoveTasksByID(const std::vector<int32_t>& ids, int32_t target, bool recordUndo)
{
    std::vector<int32_t> selectedIDs = ids;
    std::sort(selectedIDs.begin(), selectedIDs.end());
    selectedIDs.erase(std::unique(selectedIDs.begin(), selectedIDs.end()), selectedIDs.end());
    auto isSelected = [&](int32_t id) {
        return std::binary_search(selectedIDs.begin(), selectedIDs.end(), id);
    };
    // A place outside the list would leave a gap in the numbering.
    target = std::clamp<int32_t>(target, 1, static_cast<int32_t>(tasks.size()) + 1);

    const bool groupOpened = recordUndo && UndoRedoGroupOpenIfNone();

    struct Change {
        QPTask* task;
        int32_t oldID;
    };
    std::vector<Change> changes;
    std::vector<QPTask*> selected;
    std::vector<QPTask*> remaining;
    for (QPTask& task : tasks) {
        if (isSelected(task.id)) {
            selected.push_back(&task);
        } else {
            remaining.push_back(&task);
        }
    }
    const auto count = static_cast<int32_t>(selected.size());
    int32_t below = 0;
    for (const QPTask* task : selected)
        if (task->id < target)
            ++below;

    auto setID = [&](QPTask* task, int32_t newID) {
        if (task->id != newID) {
            changes.push_back({task, task->id});
            task->id = newID;
        }
    };

    // Tasks before the target close the gaps the selection leaves behind.
    std::size_t selectedBefore = 0;
    std::size_t nextSelected = 0;
    for (QPTask* task : remaining) {
        while (nextSelected < selected.size() && selected[nextSelected]->id < task->id) {
            ++nextSelected;
            ++selectedBefore;
        }
        if (task->id < target)
            setID(task, task->id - static_cast<int32_t>(selectedBefore));
    }
    // Tasks from the target on follow the block.
    const int32_t blockStart = target - below;
    int32_t next = blockStart + count;
    for (QPTask* task : remaining)
        if (task->id >= blockStart)
            setID(task, next++);
    for (int32_t i = 0; i < count; ++i)
        setID(selected[static_cast<std::size_t>(i)], blockStart + i);

    tasks.SortByID();

    if (recordUndo)
        for (const Change& change : changes)
            TaskIDChangeUndoRedoAdd(change.task->key, change.oldID, change.task->id);
    if (groupOpened)
        UndoRedoGroupCloseOpened();
}

// ---------------------------------------------------------------------------------------
// After loading a file

void QPProjectBase::ValidateElementKeys()
{
    auto raise = [this](const auto& list) {
        for (const auto& element : list)
            lastKey = std::max(lastKey, element.key);
    };
    raise(tasks);
    raise(resources);
    raise(schedules);
    auto fill = [this](auto& list) {
        for (auto& element : list)
            if (element.key == -1)
                element.key = ++lastKey;
        list.KeysChanged();
    };
    fill(tasks);
    fill(resources);
    fill(schedules);
}

void QPProjectBase::ConvertIDAssociationsToKeys()
{
    // Older files stored IDs in the key fields; the ID is the low 32 bits.
    auto asID = [](int64_t stored) { return static_cast<int32_t>(stored & 0xFFFFFFFF); };
    auto scheduleKeyFor = [&](int64_t stored) {
        const QPSchedule* schedule = schedules.GetElement(asID(stored));
        return schedule ? schedule->key : stored;
    };

    defaultScheduleKey = scheduleKeyFor(defaultScheduleKey);
    for (QPResource& resource : resources)
        resource.scheduleKey = scheduleKeyFor(resource.scheduleKey);
    for (QPTask& task : tasks) {
        for (QPResourceAssignment& assignment : task.resourceAssignments)
            if (const QPResource* resource = resources.GetElement(asID(assignment.resourceKey)))
                assignment.resourceKey = resource->key;
        for (QPTaskDependency& dependency : task.dependencies)
            if (const QPTask* predecessor = tasks.GetElement(asID(dependency.predecessorKey)))
                dependency.predecessorKey = predecessor->key;
    }
}

void QPProjectBase::RepairElementIDs()
{
    auto renumber = [](auto& list, int32_t& counter) {
        int32_t expected = 1;
        bool sound = true;
        for (const auto& element : list)
            sound = sound && element.id == expected++;
        if (sound)
            return;
        int32_t id = 0;
        for (auto& element : list)
            element.id = ++id;
        counter = id;
    };
    renumber(tasks, lastTaskID);
    renumber(resources, lastResourceID);
    renumber(schedules, lastScheduleID);
}

// ---------------------------------------------------------------------------------------
// Names and state

template <class T>
bool QPProjectBase::IsNameUsed(std::string_view candidate, int32_t exceptID) const
{
    for (const T& element : ListOf<T>())
        if (element.id != exceptID && element.name == candidate)
            return true;
    return false;
}

bool QPProjectBase::IsTaskNameUsed(std::string_view candidate, int32_t exceptID) const
{
    return IsNameUsed<QPTask>(candidate, exceptID);
}

bool QPProjectBase::IsResourceNameUsed(std::string_view candidate, int32_t exceptID) const
{
    return IsNameUsed<QPResource>(candidate, exceptID);
}

bool QPProjectBase::IsScheduleNameUsed(std::string_view candidate, int32_t exceptID) const
{
    return IsNameUsed<QPSchedule>(candidate, exceptID);
}

void QPProjectBase::SetName(std::string_view newName)
{
    const LFixedText cut(newName);
    if (cut == name)
        return;
    name = cut;
    dirty = true;
}

// ---------------------------------------------------------------------------------------

template int32_t QPProjectBase::GetNextUniqueID<QPTask>();
template int32_t QPProjectBase::GetNextUniqueID<QPResource>();
template int32_t QPProjectBase::GetNextUniqueID<QPSchedule>();
template bool QPProjectBase::ElementDelete<QPTask>(int32_t, bool);
template bool QPProjectBase::ElementDelete<QPResource>(int32_t, bool);
template bool QPProjectBase::ElementDelete<QPSchedule>(int32_t, bool);
template QPTask& QPProjectBase::ElementAddRestored<QPTask>(std::unique_ptr<QPTask>);
template QPResource& QPProjectBase::ElementAddRestored<QPResource>(std::unique_ptr<QPResource>);
template QPSchedule& QPProjectBase::ElementAddRestored<QPSchedule>(std::unique_ptr<QPSchedule>);
template void QPProjectBase::ElementChangeID<QPTask>(int64_t, int32_t);
template void QPProjectBase::ElementChangeID<QPResource>(int64_t, int32_t);
template void QPProjectBase::ElementChangeID<QPSchedule>(int64_t, int32_t);
