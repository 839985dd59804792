#include "QPProjectJson.h"

#include "model/QPProject.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

// --- to JSON -----------------------------------------------------------------------------

// The file's forms: task date-times as "YYYY-MM-DD HH:MM:SS" (" " when unset), project
// dates as "YYYY-MM-DD" ("" when unset).
std::string DateTimeText(LDateTime value)
{
    return value.GetDateTime();
}

std::string DateText(LDateTime value)
{
    std::string date;
    std::string time;
    value.GetDateTime(date, time);
    return date;
}

// Loading puts sub-records at the head of their lists, so the file's order is the
// reverse of the order in memory.
template <class T, class Convert>
QPJson ListInFileOrder(const std::vector<T>& items, Convert convert)
{
    QPJson list = QPJson::array();
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        list.push_back(convert(*it));
    return list;
}

QPJson ExceptionToJson(const QPScheduleException& exception)
{
    return {{"date", DateTimeText(exception.date)}, {"workSeconds", exception.workSeconds}};
}

QPJson TaskToJson(const QPTask& task)
{
    QPJson json;
    json["name"] = task.name.str();
    json["durationText"] = task.durationText.str();
    json["notes"] = task.notes;
    json["id"] = task.id;
    json["percentComplete"] = task.percentComplete;
    json["constraintType"] = task.constraintType;
    json["taskType"] = task.taskType;
    json["autoSchedule"] = task.autoSchedule;
    json["milestone"] = task.milestone;
    json["hideSubtasks"] = task.hideSubtasks;
    json["isHeader"] = task.isHeader;
    json["start"] = DateTimeText(task.start);
    json["finish"] = DateTimeText(task.finish);
    json["constraintDate"] = DateTimeText(task.constraintDate);
    json["displayStart"] = DateTimeText(task.displayStart);
    json["key"] = task.key;
    json["scheduleKey"] = task.scheduleKey;
    json["freeSlack"] = task.freeSlack;
    json["totalSlack"] = task.totalSlack;
    json["scheduledCost"] = task.scheduledCost;
    json["scheduledCostToDate"] = task.scheduledCostToDate;
    json["dependencies"] = ListInFileOrder(task.dependencies, [](const QPTaskDependency& d) {
        return QPJson{{"predecessorKey", d.predecessorKey}, {"type", d.type}, {"lag", d.lag}};
    });
    json["resourceAssignments"] =
            ListInFileOrder(task.resourceAssignments, [](const QPResourceAssignment& a) {
                return QPJson{{"resourceKey", a.resourceKey}, {"percent", a.percent}};
            });
    json["subtaskKeys"] = task.subtaskKeys;
    return json;
}

QPJson ResourceToJson(const QPResource& resource)
{
    QPJson json;
    json["name"] = resource.name.str();
    json["email"] = resource.email.str();
    json["notes"] = resource.notes;
    json["id"] = resource.id;
    json["scheduleKey"] = resource.scheduleKey;
    json["reserved"] = resource.reserved;
    json["key"] = resource.key;
    json["regularCost"] = resource.regularCost;
    json["overtimeCost"] = resource.overtimeCost;
    json["hourlyRate"] = resource.hourlyRate;
    json["overtimeRate"] = resource.overtimeRate;
    json["sendProjectUpdates"] = resource.sendProjectUpdates;
    json["sendTaskUpdates"] = resource.sendTaskUpdates;
    json["exceptions"] = ListInFileOrder(resource.exceptions, ExceptionToJson);
    return json;
}

QPJson ScheduleToJson(const QPSchedule& schedule)
{
    QPJson json;
    json["name"] = schedule.name.str();
    json["id"] = schedule.id;
    json["regularWorkWeek"] = schedule.regularWorkWeek;
    json["workWeekStart"] = schedule.workWeekStart;
    json["key"] = schedule.key;
    json["shiftDuration"] = schedule.shiftDuration;
    QPJson starts = QPJson::array();
    for (const LDayTime start : schedule.shiftStart)
        starts.push_back(start.Get());
    json["shiftStart"] = starts;
    json["exceptions"] = ListInFileOrder(schedule.exceptions, ExceptionToJson);
    return json;
}

QPJson ProjectRecordToJson(const QPProjectBase& project)
{
    QPJson json;
    json["name"] = project.name.str();
    json["lastKey"] = project.lastKey;
    json["defaultScheduleKey"] = project.defaultScheduleKey;
    json["projectStart"] = DateText(project.projectStart);
    json["projectFinish"] = DateText(project.projectFinish);
    json["projectDeadline"] = DateText(project.projectDeadline);
    QPJson tasks = QPJson::array();
    for (const QPTask& task : project.tasks)
        tasks.push_back(TaskToJson(task));
    json["tasks"] = tasks;
    QPJson resources = QPJson::array();
    for (const QPResource& resource : project.resources)
        resources.push_back(ResourceToJson(resource));
    json["resources"] = resources;
    QPJson schedules = QPJson::array();
    for (const QPSchedule& schedule : project.schedules)
        schedules.push_back(ScheduleToJson(schedule));
    json["schedules"] = schedules;
    return json;
}

QPJson OptionsToJson(const QPProjectOptions& options)
{
    return {{"currencyCode", options.currencyCode.str()},
            {"currencySymbol", options.currencySymbol.str()},
            {"currencyName", options.currencyName.str()},
            {"decimalSymbol", options.decimalSymbol.str()},
            {"thousandsSymbol", options.thousandsSymbol.str()},
            {"dateSeparator", std::string(1, options.dateSeparator)},
            {"currencyPosition", options.currencyPosition},
            {"currencyDigits", options.currencyDigits},
            {"dateFormat", options.dateFormat},
            {"dateOrder", options.dateOrder}};
}

QPJson BaselineToJson(const QPBaseline& baseline)
{
    return {{"id", baseline.id}, {"project", ProjectRecordToJson(baseline)}};
}

// --- from JSON ---------------------------------------------------------------------------

// Reads `key` of `json` into `value` when it is there; a value of the wrong kind throws
// with the field's place in its message.
template <class T>
void Take(const QPJson& json, const char* key, T& value, const std::string& where)
{
    const auto it = json.find(key);
    if (it == json.end())
        return;
    try {
        value = it->template get<T>();
    } catch (const nlohmann::json::exception&) {
        throw std::invalid_argument(where + "." + key + ": expected " +
                                    (std::is_same_v<T, std::string> ? "a text"
                                     : std::is_same_v<T, bool>      ? "true or false"
                                                                    : "a number") +
                                    ", found " + it->dump());
    }
}

void TakeText(const QPJson& json, const char* key, LFixedText& value, const std::string& where)
{
    std::string text = value.str();
    Take(json, key, text, where);
    value = text;
}

void TakeDateTime(const QPJson& json, const char* key, LDateTime& value, const std::string& where)
{
    const auto it = json.find(key);
    if (it == json.end())
        return;
    if (it->is_number_integer()) {
        value = LDateTime(it->get<int64_t>());
        return;
    }
    std::string text;
    Take(json, key, text, where);
    LDateTime read;
    if (!read.SetDateYYYYHMMHDDTimeHHCMMCSS(text))
        throw std::invalid_argument(where + "." + key + ": not a date-time: \"" + text + "\"");
    value = read;
}

void TakeDate(const QPJson& json, const char* key, LDateTime& value, const std::string& where)
{
    std::string text;
    if (json.find(key) == json.end())
        return;
    Take(json, key, text, where);
    LDateTime read;
    if (!read.SetDateTime(text, ""))
        throw std::invalid_argument(where + "." + key + ": not a date: \"" + text + "\"");
    value = read;
}

const QPJson& ListOf(const QPJson& json, const char* key, const std::string& where)
{
    static const QPJson empty = QPJson::array();
    const auto it = json.find(key);
    if (it == json.end())
        return empty;
    if (!it->is_array())
        throw std::invalid_argument(where + "." + key + ": expected a list");
    return *it;
}

std::string Item(const std::string& where, const char* key, std::size_t index)
{
    return where + "." + key + "[" + std::to_string(index) + "]";
}

void RequireObject(const QPJson& json, const std::string& where)
{
    if (!json.is_object())
        throw std::invalid_argument(where + ": expected an object");
}

void ExceptionsFromJson(const QPJson& json, std::vector<QPScheduleException>& exceptions,
                        const std::string& where)
{
    const QPJson& list = ListOf(json, "exceptions", where);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string place = Item(where, "exceptions", i);
        RequireObject(list[i], place);
        QPScheduleException exception;
        TakeDateTime(list[i], "date", exception.date, place);
        Take(list[i], "workSeconds", exception.workSeconds, place);
        exceptions.push_back(exception);
    }
}

std::unique_ptr<QPTask> TaskFromJson(const QPJson& json, const std::string& where)
{
    RequireObject(json, where);
    auto task = std::make_unique<QPTask>();
    TakeText(json, "name", task->name, where);
    TakeText(json, "durationText", task->durationText, where);
    Take(json, "notes", task->notes, where);
    Take(json, "id", task->id, where);
    Take(json, "percentComplete", task->percentComplete, where);
    Take(json, "constraintType", task->constraintType, where);
    Take(json, "taskType", task->taskType, where);
    Take(json, "autoSchedule", task->autoSchedule, where);
    Take(json, "milestone", task->milestone, where);
    Take(json, "hideSubtasks", task->hideSubtasks, where);
    Take(json, "isHeader", task->isHeader, where);
    TakeDateTime(json, "start", task->start, where);
    TakeDateTime(json, "finish", task->finish, where);
    TakeDateTime(json, "constraintDate", task->constraintDate, where);
    TakeDateTime(json, "displayStart", task->displayStart, where);
    Take(json, "key", task->key, where);
    Take(json, "scheduleKey", task->scheduleKey, where);
    Take(json, "freeSlack", task->freeSlack, where);
    Take(json, "totalSlack", task->totalSlack, where);
    Take(json, "scheduledCost", task->scheduledCost, where);
    Take(json, "scheduledCostToDate", task->scheduledCostToDate, where);
    const QPJson& dependencies = ListOf(json, "dependencies", where);
    for (std::size_t i = 0; i < dependencies.size(); ++i) {
        const std::string place = Item(where, "dependencies", i);
        RequireObject(dependencies[i], place);
        QPTaskDependency dependency;
        Take(dependencies[i], "predecessorKey", dependency.predecessorKey, place);
        Take(dependencies[i], "type", dependency.type, place);
        Take(dependencies[i], "lag", dependency.lag, place);
        task->dependencies.push_back(dependency);
    }
    const QPJson& assignments = ListOf(json, "resourceAssignments", where);
    for (std::size_t i = 0; i < assignments.size(); ++i) {
        const std::string place = Item(where, "resourceAssignments", i);
        RequireObject(assignments[i], place);
        QPResourceAssignment assignment;
        Take(assignments[i], "resourceKey", assignment.resourceKey, place);
        Take(assignments[i], "percent", assignment.percent, place);
        task->resourceAssignments.push_back(assignment);
    }
    Take(json, "subtaskKeys", task->subtaskKeys, where);
    return task;
}

std::unique_ptr<QPResource> ResourceFromJson(const QPJson& json, const std::string& where)
{
    RequireObject(json, where);
    auto resource = std::make_unique<QPResource>();
    TakeText(json, "name", resource->name, where);
    TakeText(json, "email", resource->email, where);
    Take(json, "notes", resource->notes, where);
    Take(json, "id", resource->id, where);
    Take(json, "scheduleKey", resource->scheduleKey, where);
    Take(json, "reserved", resource->reserved, where);
    Take(json, "key", resource->key, where);
    Take(json, "regularCost", resource->regularCost, where);
    Take(json, "overtimeCost", resource->overtimeCost, where);
    Take(json, "hourlyRate", resource->hourlyRate, where);
    Take(json, "overtimeRate", resource->overtimeRate, where);
    Take(json, "sendProjectUpdates", resource->sendProjectUpdates, where);
    Take(json, "sendTaskUpdates", resource->sendTaskUpdates, where);
    ExceptionsFromJson(json, resource->exceptions, where);
    return resource;
}

std::unique_ptr<QPSchedule> ScheduleFromJson(const QPJson& json, const std::string& where)
{
    RequireObject(json, where);
    auto schedule = std::make_unique<QPSchedule>();
    TakeText(json, "name", schedule->name, where);
    Take(json, "id", schedule->id, where);
    Take(json, "regularWorkWeek", schedule->regularWorkWeek, where);
    Take(json, "workWeekStart", schedule->workWeekStart, where);
    Take(json, "key", schedule->key, where);
    std::vector<int32_t> durations(schedule->shiftDuration.begin(), schedule->shiftDuration.end());
    std::vector<int32_t> starts;
    for (const LDayTime start : schedule->shiftStart)
        starts.push_back(start.Get());
    Take(json, "shiftDuration", durations, where);
    Take(json, "shiftStart", starts, where);
    if (durations.size() != 7 || starts.size() != 7)
        throw std::invalid_argument(where + ": shiftDuration and shiftStart need 7 entries each");
    std::copy(durations.begin(), durations.end(), schedule->shiftDuration.begin());
    for (int day = 0; day < 7; ++day)
        schedule->shiftStart[day] = LDayTime(starts[day]);
    ExceptionsFromJson(json, schedule->exceptions, where);
    return schedule;
}

void ProjectRecordFromJson(const QPJson& json, QPProjectBase& project, const std::string& where)
{
    RequireObject(json, where);
    TakeText(json, "name", project.name, where);
    Take(json, "lastKey", project.lastKey, where);
    Take(json, "defaultScheduleKey", project.defaultScheduleKey, where);
    TakeDate(json, "projectStart", project.projectStart, where);
    TakeDate(json, "projectFinish", project.projectFinish, where);
    TakeDate(json, "projectDeadline", project.projectDeadline, where);
    const QPJson& tasks = ListOf(json, "tasks", where);
    for (std::size_t i = 0; i < tasks.size(); ++i)
        project.ElementInsertLoaded(TaskFromJson(tasks[i], Item(where, "tasks", i)));
    const QPJson& resources = ListOf(json, "resources", where);
    for (std::size_t i = 0; i < resources.size(); ++i)
        project.ElementInsertLoaded(ResourceFromJson(resources[i], Item(where, "resources", i)));
    const QPJson& schedules = ListOf(json, "schedules", where);
    for (std::size_t i = 0; i < schedules.size(); ++i)
        project.ElementInsertLoaded(ScheduleFromJson(schedules[i], Item(where, "schedules", i)));
}

void OptionsFromJson(const QPJson& json, QPProjectOptions& options)
{
    const std::string where = "options";
    RequireObject(json, where);
    TakeText(json, "currencyCode", options.currencyCode, where);
    TakeText(json, "currencySymbol", options.currencySymbol, where);
    TakeText(json, "currencyName", options.currencyName, where);
    TakeText(json, "decimalSymbol", options.decimalSymbol, where);
    TakeText(json, "thousandsSymbol", options.thousandsSymbol, where);
    std::string separator(1, options.dateSeparator);
    Take(json, "dateSeparator", separator, where);
    if (separator.size() != 1)
        throw std::invalid_argument("options.dateSeparator: expected one character");
    options.dateSeparator = separator[0];
    Take(json, "currencyPosition", options.currencyPosition, where);
    Take(json, "currencyDigits", options.currencyDigits, where);
    Take(json, "dateFormat", options.dateFormat, where);
    Take(json, "dateOrder", options.dateOrder, where);
}

std::unique_ptr<QPBaseline> BaselineFromJson(const QPJson& json, const std::string& where)
{
    RequireObject(json, where);
    auto baseline = std::make_unique<QPBaseline>();
    Take(json, "id", baseline->id, where);
    if (const auto it = json.find("project"); it != json.end())
        ProjectRecordFromJson(*it, *baseline, where + ".project");
    return baseline;
}

} // namespace

QPJson QPProjectToJson(const QPProject& project)
{
    QPJson json;
    json["project"] = ProjectRecordToJson(project);
    json["options"] = OptionsToJson(project.options);
    QPJson baselines = QPJson::array();
    for (const auto& baseline : project.baselines)
        baselines.push_back(BaselineToJson(*baseline));
    json["baselines"] = baselines;
    json["lastTaskUpdate"] =
            project.lastTaskUpdateState ? BaselineToJson(*project.lastTaskUpdateState) : QPJson();
    return json;
}

void QPProjectFromJson(const QPJson& json, QPProject& project)
{
    RequireObject(json, "the document");
    project.ProjectReset(false);
    if (const auto it = json.find("project"); it != json.end())
        ProjectRecordFromJson(*it, project, "project");
    if (const auto it = json.find("options"); it != json.end())
        OptionsFromJson(*it, project.options);
    const QPJson& baselines = ListOf(json, "baselines", "the document");
    for (std::size_t i = 0; i < baselines.size(); ++i) {
        std::unique_ptr<QPBaseline> baseline =
                BaselineFromJson(baselines[i], "baselines[" + std::to_string(i) + "]");
        const auto at = std::upper_bound(
                project.baselines.begin(), project.baselines.end(), baseline->id,
                [](int32_t id, const std::unique_ptr<QPBaseline>& b) { return id < b->id; });
        project.baselines.insert(at, std::move(baseline));
    }
    if (const auto it = json.find("lastTaskUpdate"); it != json.end() && !it->is_null())
        project.lastTaskUpdateState = BaselineFromJson(*it, "lastTaskUpdate");
}
