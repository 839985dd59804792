#pragma once

#include "model/LDateTime.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A Project XML file (the interchange format also known as MSPDI) read into plain records,
// one for each calendar, task, resource and assignment, with the values as the file gives
// them. Nothing here knows the planner's rules: QPProjectXmlImport decides what each record
// becomes. Values that cannot be read are left at their defaults and listed in `problems`.

// The namespace the format's root element must be in.
inline constexpr std::string_view kProjectXmlNamespace = "http://schemas.microsoft.com/project";

// One span of working time in seconds after the day's midnight; `to` is after `from` and
// may run past 86400 into the next day.
struct QPXmlWorkingTime {
    int32_t from = 0;
    int32_t to = 0;
};

// The working times of a day; a working day without times has the format's default ones.
struct QPXmlDay {
    bool working = false;
    std::vector<QPXmlWorkingTime> times;
};

// Days that differ from the weekly pattern, from the Exceptions list or, in older files, a
// WeekDay of DayType 0.
struct QPXmlException {
    int line = 0;
    std::string name;
    // The first and the last day (any time of those days).
    LDateTime from;
    LDateTime to;
    QPXmlDay day;
    // A recurrence other than every day from the first to the last.
    bool repeats = false;
};

struct QPXmlCalendar {
    int line = 0;
    int64_t uid = -1;
    std::string name;
    bool isBase = false;
    int64_t baseUid = -1;
    // Sunday first; none where the calendar leaves the day to its base.
    std::array<std::optional<QPXmlDay>, 7> weekDays;
    std::vector<QPXmlException> exceptions;
    // Work weeks for date ranges, which have no counterpart.
    bool hasWorkWeeks = false;
};

struct QPXmlLink {
    int line = 0;
    int64_t predecessorUid = -1;
    // 0 finish-finish, 1 finish-start, 2 start-finish, 3 start-start.
    int32_t type = 1;
    // Tenths of a minute.
    double lag = 0.0;
    int32_t lagFormat = 7;
};

struct QPXmlTask {
    int line = 0;
    int64_t uid = -1;
    int32_t id = -1;
    std::string name;
    bool isNull = false;
    // 0 fixed units, 1 fixed duration, 2 fixed work.
    int32_t type = 0;
    // -1 when the file gives none (then the outline number's depth counts).
    int32_t outlineLevel = -1;
    std::string outlineNumber;
    bool summary = false;
    bool milestone = false;
    // A date the task should be done by; the project's summary row carries the project's.
    LDateTime deadline;
    bool manual = false;
    LDateTime start;
    LDateTime finish;
    // In seconds of working time (elapsed time for the elapsed duration formats).
    std::optional<int64_t> duration;
    std::optional<int64_t> work;
    int32_t durationFormat = 7;
    double percentComplete = 0.0;
    int32_t constraintType = 0;
    LDateTime constraintDate;
    std::string notes;
    int64_t calendarUid = -1;
    std::vector<QPXmlLink> links;
};

struct QPXmlResource {
    int line = 0;
    int64_t uid = -1;
    int32_t id = -1;
    std::string name;
    bool isNull = false;
    // 0 material, 1 work, 2 cost.
    int32_t type = 1;
    std::string email;
    double standardRate = 0.0;
    int32_t standardRateFormat = 2;
    double overtimeRate = 0.0;
    int32_t overtimeRateFormat = 2;
    int64_t calendarUid = -1;
    std::string notes;
};

struct QPXmlAssignment {
    int line = 0;
    int64_t taskUid = -1;
    int64_t resourceUid = -1;
    // 1.0 is all of the resource's time.
    double units = 1.0;
    // The assignment's work in seconds: its Work, or else the sum of its timephased work
    // (some writers give work only day by day).
    std::optional<int64_t> work;
};

struct QPXmlProject {
    std::string name;
    std::string title;
    LDateTime start;
    LDateTime finish;
    int64_t calendarUid = -1;
    int32_t minutesPerDay = 480;
    int32_t minutesPerWeek = 2400;
    double daysPerMonth = 20.0;
    std::optional<std::string> currencySymbol;
    std::optional<std::string> currencyCode;
    std::optional<int32_t> currencyDigits;
    std::optional<int32_t> currencySymbolPosition;
    std::optional<int32_t> weekStartDay;
    std::vector<QPXmlCalendar> calendars;
    std::vector<QPXmlTask> tasks;
    std::vector<QPXmlResource> resources;
    std::vector<QPXmlAssignment> assignments;
    // "line N: ..." for each value that could not be read.
    std::vector<std::string> problems;
};

enum class eXmlReadResult { read, refused, cancelled };

// Reads a Project XML document: UTF-8 (with or without a byte order mark) or UTF-16
// little-endian with its mark. Refused, with "line N: ..." in `error`, when the bytes are
// not well-formed XML or the root is not Project in the format's namespace. `progress` is
// told the share read now and then; when it returns false the reading stops (cancelled).
eXmlReadResult QPReadProjectXml(std::string_view bytes, QPXmlProject& project, std::string& error,
                                const std::function<bool(double)>& progress = {});

// The format's value forms, for the import and its tests.
// "PT8H30M0S" (also with days, fractions of seconds or a minus sign) in seconds.
bool QPXmlParseDuration(std::string_view text, int64_t& seconds);
// "2027-04-19T08:00:00" (seconds and a fraction optional) as local time.
bool QPXmlParseDateTime(std::string_view text, LDateTime& moment);
// "08:00:00" (seconds optional) in seconds after midnight.
bool QPXmlParseTime(std::string_view text, int32_t& seconds);
