#include "import/QPProcessImportCSV.h"

#include "framework/LScan.h"
#include "model/LLocaleFormat.h"
#include "model/QPProject.h"

#include <algorithm>
#include <array>

namespace {

constexpr int32_t kSecondsPerDay = 86400;
constexpr int32_t kMinutesPerDay = 1440;

const std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};

std::string WithText(const char* format, std::string_view text)
{
    // The formats hold one %s; the name goes in where it stands.
    std::string message(format);
    const std::size_t at = message.find("%s");
    if (at != std::string::npos)
        message.replace(at, 2, text);
    return message;
}

// The leading whole number of a text (after blanks), 0 when it has none.
int LeadingInt(std::string_view text)
{
    int value = 0;
    LScanInts(text, "%d", {&value});
    return value;
}

// "YYYY-MM-DD HH:MM:SS", or "YYYY-MM-DD" for the start of that day.
bool ReadImportDate(std::string_view text, LDateTime& date)
{
    if (LDateTime::ValidateDateTimeYYYYHMMHDDHHCMMCSS(text)) {
        LDateTime read;
        if (read.SetDateYYYYHMMHDDTimeHHCMMCSS(text) && read.IsSet()) {
            date = read;
            return true;
        }
        return false;
    }
    if (!text.empty() && LDateTime::ValidateDateYYYYHMMHDD(text)) {
        LDateTime read;
        if (read.SetDateTime(text, "00:00:00") && read.IsSet()) {
            date = read;
            return true;
        }
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Kinds and fields

const QPImportCSVKindInfo& QPImportCSVKind(eImportCSVKind kind)
{
    static const QPImportCSVKindInfo kTask{"TaskImportCSV", "Kestrano Task Fields", "Import Tasks"};
    static const QPImportCSVKindInfo kResource{"ResourceImportCSV", "Kestrano Resource Fields",
                                               "Import Resources"};
    static const QPImportCSVKindInfo kSchedule{"ScheduleImportCSV", "Kestrano Schedule Fields",
                                               "Import Schedules"};
    switch (kind) {
    case eImportCSVKind::resource:
        return kResource;
    case eImportCSVKind::schedule:
        return kSchedule;
    case eImportCSVKind::task:
        break;
    }
    return kTask;
}

const std::vector<LCSVField>& QPImportCSVTaskFields()
{
    static const std::vector<LCSVField> fields = {
            {"(required) Task Name", true}, {"Duration", false},
            {"Start Date", false},          {"End Date", false},
            {"Percent Complete", false},
    };
    return fields;
}

const std::vector<LCSVField>& QPImportCSVResourceFields()
{
    static const std::vector<LCSVField> fields = {
            {"(required) Resource Name", true},
            {"Regular Cost", false},
            {"Overtime Cost", false},
    };
    return fields;
}

const std::vector<LCSVField>& QPImportCSVScheduleFields()
{
    static const std::vector<LCSVField> fields = [] {
        std::vector<LCSVField> list{{"(required) Schedule Name", true}};
        for (const char* day : kDayNames) {
            list.push_back({std::string(day) + " Start", false});
            list.push_back({std::string(day) + " Duration", false});
        }
        return list;
    }();
    return fields;
}

std::unique_ptr<LProcessImportCSV> QPMakeImportCSV(eImportCSVKind kind, QPProject& project)
{
    switch (kind) {
    case eImportCSVKind::resource:
        return std::make_unique<QPProcessImportCSVResource>(project);
    case eImportCSVKind::schedule:
        return std::make_unique<QPProcessImportCSVSchedule>(project);
    case eImportCSVKind::task:
        break;
    }
    return std::make_unique<QPProcessImportCSVTask>(project);
}

// ---------------------------------------------------------------------------------------
// Shared steps

template <class Element>
QPProcessImportCSVElement<Element>::QPProcessImportCSVElement(QPProject& project,
                                                              std::string settingsKey,
                                                              std::vector<LCSVField> fields)
    : LProcessImportCSV(std::move(settingsKey), std::move(fields)), project_(project)
{}

template <class Element>
QPProcessImportCSVElement<Element>::~QPProcessImportCSVElement() = default;

template <class Element>
int QPProcessImportCSVElement<Element>::OnCSVRowStart(LProcessInterface&)
{
    element_ = std::make_unique<Element>();
    return eImportCSVContinue;
}

template <class Element>
int QPProcessImportCSVElement<Element>::OnCSVRowCancel(LProcessInterface&)
{
    element_.reset();
    return eImportCSVContinue;
}

template <class Element>
int QPProcessImportCSVElement<Element>::ImportName(std::string_view text, const char* emptyMessage,
                                                   const char* takenFormat)
{
    if (text.empty()) {
        SetErrorText(emptyMessage);
        return eImportCSVRowFailed;
    }
    if (!namesCollected_) {
        for (const Element& existing : project_.ListOf<Element>())
            takenNames_.emplace(existing.name.str());
        namesCollected_ = true;
    }
    const LFixedText name(text);
    if (takenNames_.contains(name.str())) {
        SetErrorText(WithText(takenFormat, name.str()));
        return eImportCSVRowFailed;
    }
    element_->name = name;
    return eImportCSVContinue;
}

template <class Element>
void QPProcessImportCSVElement<Element>::AddToProject()
{
    const std::string name = element_->name.str();
    project_.ElementAdd(std::move(element_), true);
    takenNames_.insert(name);
}

template class QPProcessImportCSVElement<QPTask>;
template class QPProcessImportCSVElement<QPResource>;
template class QPProcessImportCSVElement<QPSchedule>;

// ---------------------------------------------------------------------------------------
// Tasks

QPProcessImportCSVTask::QPProcessImportCSVTask(QPProject& project)
    : QPProcessImportCSVElement(project, QPImportCSVKind(eImportCSVKind::task).settingsKey,
                                QPImportCSVTaskFields())
{}

int QPProcessImportCSVTask::CellDataImport(LProcessInterface&, int fieldIndex,
                                           std::string_view text)
{
    QPTask& task = *element_;
    switch (fieldIndex) {
    case 0:
        return ImportName(text, "Import Failed -- No task name provided",
                          "Import Failed -- A task with the name \"%s\" already exists");
    case 1:
        // What is no positive number of hours makes a milestone.
        if (LLocaleFormatTextToFloat(project_.options, text) > 0.0) {
            task.durationText = text;
        } else {
            task.milestone = true;
            task.durationText = "";
        }
        return eImportCSVContinue;
    case 2:
        if (!ReadImportDate(text, task.start)) {
            SetErrorText("Import Failed -- Unable to parse Start Date; Format must be "
                         "\"YYYY-MM-DD HH:MM:SS\"");
            return eImportCSVRowFailed;
        }
        return eImportCSVContinue;
    case 3:
        if (!ReadImportDate(text, task.finish)) {
            SetErrorText("Import Failed -- Unable to parse Finish Date; Format must be "
                         "\"YYYY-MM-DD HH:MM:SS\"");
            return eImportCSVRowFailed;
        }
        return eImportCSVContinue;
    case 4:
        task.percentComplete = std::clamp(LeadingInt(text), 0, 100);
        return eImportCSVContinue;
    default:
        return eImportCSVContinue;
    }
}

int QPProcessImportCSVTask::OnCSVRowFinish(LProcessInterface&)
{
    QPTask& task = *element_;
    // A row whose name column is missing altogether never reached the name check.
    if (task.name.empty()) {
        SetErrorText("Import Failed -- No task name provided");
        return eImportCSVRowFailed;
    }
    if (!task.start.IsSet() && task.finish.IsSet()) {
        task.constraintType = eConstraintFinishOn;
        task.constraintDate = task.finish;
    } else if (task.start.IsSet() && task.finish.IsSet()) {
        // Both dates given: the plan keeps them as they are.
        task.autoSchedule = false;
        if (task.start == task.finish) {
            task.milestone = true;
            task.durationText = "";
        } else {
            task.milestone = false;
        }
    }
    AddToProject();
    return eImportCSVContinue;
}

// ---------------------------------------------------------------------------------------
// Resources

QPProcessImportCSVResource::QPProcessImportCSVResource(QPProject& project)
    : QPProcessImportCSVElement(project, QPImportCSVKind(eImportCSVKind::resource).settingsKey,
                                QPImportCSVResourceFields())
{}

int QPProcessImportCSVResource::CellDataImport(LProcessInterface&, int fieldIndex,
                                               std::string_view text)
{
    switch (fieldIndex) {
    case 0:
        return ImportName(text, "Import Failed -- No resource name provided",
                          "Import Failed -- A resource with the name \"%s\" already exists");
    case 1:
        element_->hourlyRate = LLocaleFormatTextToCurrency(project_.options, text);
        return eImportCSVContinue;
    case 2:
        element_->overtimeRate = LLocaleFormatTextToCurrency(project_.options, text);
        return eImportCSVContinue;
    default:
        return eImportCSVContinue;
    }
}

int QPProcessImportCSVResource::OnCSVRowFinish(LProcessInterface&)
{
    if (element_->name.empty()) {
        SetErrorText("Import Failed -- No resource name provided");
        return eImportCSVRowFailed;
    }
    element_->scheduleKey = project_.defaultScheduleKey;
    AddToProject();
    return eImportCSVContinue;
}

// ---------------------------------------------------------------------------------------
// Schedules

QPProcessImportCSVSchedule::QPProcessImportCSVSchedule(QPProject& project)
    : QPProcessImportCSVElement(project, QPImportCSVKind(eImportCSVKind::schedule).settingsKey,
                                QPImportCSVScheduleFields())
{}

int QPProcessImportCSVSchedule::CellDataImport(LProcessInterface&, int fieldIndex,
                                               std::string_view text)
{
    if (fieldIndex == 0)
        return ImportName(text, "Import Failed -- No schedule name provided",
                          "Import Failed -- A schedule with the name \"%s\" already exists");
    if (fieldIndex < 1 || fieldIndex > 14)
        return eImportCSVContinue;
    const int day = (fieldIndex - 1) / 2;
    const char* dayName = kDayNames[std::size_t(day)];
    if (fieldIndex % 2 == 1) {
        if (!LDayTime::ValidateDateHHCMMCSS(text)) {
            SetErrorText(WithText("Import Failed -- Unable to parse %s start time; Format "
                                  "should be \"HH:MM:SS\" using the 24-hour clock",
                                  dayName));
            return eImportCSVRowFailed;
        }
        int hours = 0;
        int minutes = 0;
        int seconds = 0;
        LScanInts(text, "%d:%d:%d", {&hours, &minutes, &seconds});
        // Shifts start on whole minutes.
        element_->shiftStart[std::size_t(day)] = LDayTime(hours * 3600 + minutes * 60);
        return eImportCSVContinue;
    }
    const int minutes = LeadingInt(text);
    if (minutes < 0) {
        SetErrorText(WithText("Import Failed -- Negative value for %s shift duration", dayName));
        return eImportCSVRowFailed;
    }
    if (minutes > kMinutesPerDay) {
        SetErrorText(WithText("Import Failed -- Work time for %s exceeds number of minutes in "
                              "a single day (1440)",
                              dayName));
        return eImportCSVRowFailed;
    }
    element_->shiftDuration[std::size_t(day)] = minutes * 60;
    return eImportCSVContinue;
}

int QPProcessImportCSVSchedule::OnCSVRowFinish(LProcessInterface&)
{
    QPSchedule& schedule = *element_;
    if (schedule.name.empty()) {
        SetErrorText("Import Failed -- No schedule name provided");
        return eImportCSVRowFailed;
    }
    bool anyWork = false;
    for (std::size_t day = 0; day < 7; ++day) {
        const int32_t work = schedule.shiftDuration[day];
        if (work == 0)
            continue;
        anyWork = true;
        const int32_t start = schedule.shiftStart[day].Get();
        const std::size_t next = (day + 1) % 7;
        // A shift that reaches midnight must end by the time the next day's shift starts.
        if (work >= kSecondsPerDay - start && schedule.shiftDuration[next] != 0 &&
            (start + work) % kSecondsPerDay > schedule.shiftStart[next].Get()) {
            SetErrorText("Import Failed -- At least one shift overlaps the next day's shift");
            return eImportCSVRowFailed;
        }
    }
    if (!anyWork) {
        SetErrorText("Import Failed -- No work scheduled");
        return eImportCSVRowFailed;
    }
    AddToProject();
    return eImportCSVContinue;
}
