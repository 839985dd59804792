#include "import/QPProjectXmlRecords.h"

#include "import/LCSVReader.h"
#include "import/LXmlReader.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <set>

namespace {

bool ReadInt(std::string_view text, int64_t& value)
{
    if (text.starts_with('+'))
        text.remove_prefix(1);
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    return problem == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ReadNumber(std::string_view text, double& value)
{
    if (text.starts_with('+'))
        text.remove_prefix(1);
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    return problem == std::errc() && end == text.data() + text.size() && !text.empty() &&
           std::isfinite(value);
}

// Reads the fields of one record, listing what cannot be read as a problem of the file.
class Fields {
public:
    Fields(const LXmlNode& node, std::vector<std::string>& problems)
        : node_(node), problems_(problems)
    {}

    std::string Text(std::string_view name) const { return std::string(node_.ChildText(name)); }
    bool Has(std::string_view name) const { return !node_.ChildText(name).empty(); }

    template <class Int>
    void Integer(std::string_view name, Int& value) const
    {
        const std::string_view text = node_.ChildText(name);
        int64_t read = 0;
        if (text.empty())
            return;
        if (ReadInt(text, read) && read >= int64_t(std::numeric_limits<Int>::min()) &&
            read <= int64_t(std::numeric_limits<Int>::max()))
            value = Int(read);
        else
            Problem(name, text, "is not a whole number");
    }
    void Number(std::string_view name, double& value) const
    {
        const std::string_view text = node_.ChildText(name);
        if (!text.empty() && !ReadNumber(text, value))
            Problem(name, text, "is not a number");
    }
    void Flag(std::string_view name, bool& value) const
    {
        const std::string_view text = node_.ChildText(name);
        if (text == "1" || text == "true")
            value = true;
        else if (text == "0" || text == "false")
            value = false;
        else if (!text.empty())
            Problem(name, text, "is not 0 or 1");
    }
    void Date(std::string_view name, LDateTime& value) const
    {
        const std::string_view text = node_.ChildText(name);
        if (!text.empty() && !QPXmlParseDateTime(text, value))
            Problem(name, text, "is not a date and time");
    }
    void Duration(std::string_view name, std::optional<int64_t>& value) const
    {
        const std::string_view text = node_.ChildText(name);
        int64_t seconds = 0;
        if (text.empty())
            return;
        if (QPXmlParseDuration(text, seconds))
            value = seconds;
        else
            Problem(name, text, "is not a duration");
    }

private:
    void Problem(std::string_view name, std::string_view text, const char* what) const
    {
        const LXmlNode* child = node_.Child(name);
        problems_.push_back("line " + std::to_string(child ? child->line : node_.line) + ": " +
                            std::string(name) + " \"" + std::string(text.substr(0, 40)) + "\" " +
                            what + "; it is left out");
    }

    const LXmlNode& node_;
    std::vector<std::string>& problems_;
};

// Working times of a day; ToTime 00:00 is the midnight that ends the day and a ToTime
// before the FromTime is on the next day.
QPXmlDay ReadDay(const LXmlNode& node, std::vector<std::string>& problems)
{
    QPXmlDay day;
    Fields(node, problems).Flag("DayWorking", day.working);
    const LXmlNode* times = node.Child("WorkingTimes");
    if (!times)
        return day;
    for (const LXmlNode& time : times->children) {
        if (time.name != "WorkingTime")
            continue;
        QPXmlWorkingTime span;
        const std::string_view from = time.ChildText("FromTime");
        const std::string_view to = time.ChildText("ToTime");
        if (from.empty() && to.empty())
            continue;
        if (!QPXmlParseTime(from, span.from) || !QPXmlParseTime(to, span.to)) {
            problems.push_back("line " + std::to_string(time.line) +
                               ": a working time that is not two times of day; it is left out");
            continue;
        }
        if (span.to <= span.from)
            span.to += 86400;
        day.times.push_back(span);
    }
    return day;
}

void ReadTimePeriod(const LXmlNode& node, QPXmlException& exception,
                    std::vector<std::string>& problems)
{
    if (const LXmlNode* period = node.Child("TimePeriod")) {
        const Fields fields(*period, problems);
        fields.Date("FromDate", exception.from);
        fields.Date("ToDate", exception.to);
    }
    if (!exception.to.IsSet())
        exception.to = exception.from;
}

QPXmlCalendar ReadCalendar(const LXmlNode& node, std::vector<std::string>& problems)
{
    QPXmlCalendar calendar;
    calendar.line = node.line;
    const Fields fields(node, problems);
    fields.Integer("UID", calendar.uid);
    calendar.name = fields.Text("Name");
    fields.Flag("IsBaseCalendar", calendar.isBase);
    fields.Integer("BaseCalendarUID", calendar.baseUid);
    if (const LXmlNode* weekDays = node.Child("WeekDays")) {
        for (const LXmlNode& weekDay : weekDays->children) {
            if (weekDay.name != "WeekDay")
                continue;
            int32_t dayType = -1;
            Fields(weekDay, problems).Integer("DayType", dayType);
            if (dayType >= 1 && dayType <= 7) {
                calendar.weekDays[std::size_t(dayType - 1)] = ReadDay(weekDay, problems);
            } else if (dayType == 0) {
                QPXmlException exception;
                exception.line = weekDay.line;
                exception.day = ReadDay(weekDay, problems);
                ReadTimePeriod(weekDay, exception, problems);
                if (exception.from.IsSet())
                    calendar.exceptions.push_back(std::move(exception));
            }
        }
    }
    if (const LXmlNode* exceptions = node.Child("Exceptions")) {
        for (const LXmlNode& item : exceptions->children) {
            if (item.name != "Exception")
                continue;
            QPXmlException exception;
            exception.line = item.line;
            const Fields exceptionFields(item, problems);
            exception.name = exceptionFields.Text("Name");
            exception.day = ReadDay(item, problems);
            ReadTimePeriod(item, exception, problems);
            // Type 1 is "every day"; any other kind picks days out of the period.
            int32_t type = 1;
            int32_t period = 1;
            exceptionFields.Integer("Type", type);
            exceptionFields.Integer("Period", period);
            exception.repeats = type != 1 || period > 1;
            if (exception.from.IsSet())
                calendar.exceptions.push_back(std::move(exception));
        }
    }
    calendar.hasWorkWeeks = node.Child("WorkWeeks") && !node.Child("WorkWeeks")->children.empty();
    return calendar;
}

QPXmlTask ReadTask(const LXmlNode& node, std::vector<std::string>& problems)
{
    QPXmlTask task;
    task.line = node.line;
    const Fields fields(node, problems);
    fields.Integer("UID", task.uid);
    fields.Integer("ID", task.id);
    task.name = fields.Text("Name");
    fields.Flag("IsNull", task.isNull);
    fields.Integer("Type", task.type);
    fields.Integer("OutlineLevel", task.outlineLevel);
    task.outlineNumber = fields.Text("OutlineNumber");
    fields.Flag("Summary", task.summary);
    fields.Flag("Milestone", task.milestone);
    fields.Flag("Manual", task.manual);
    fields.Date("Start", task.start);
    fields.Date("Finish", task.finish);
    fields.Duration("Duration", task.duration);
    fields.Duration("Work", task.work);
    fields.Integer("DurationFormat", task.durationFormat);
    fields.Number("PercentComplete", task.percentComplete);
    fields.Integer("ConstraintType", task.constraintType);
    fields.Date("ConstraintDate", task.constraintDate);
    fields.Date("Deadline", task.deadline);
    task.notes = fields.Text("Notes");
    fields.Integer("CalendarUID", task.calendarUid);
    for (const LXmlNode& child : node.children) {
        if (child.name != "PredecessorLink")
            continue;
        QPXmlLink link;
        link.line = child.line;
        const Fields linkFields(child, problems);
        linkFields.Integer("PredecessorUID", link.predecessorUid);
        linkFields.Integer("Type", link.type);
        linkFields.Number("LinkLag", link.lag);
        linkFields.Integer("LagFormat", link.lagFormat);
        task.links.push_back(link);
    }
    return task;
}

QPXmlResource ReadResource(const LXmlNode& node, std::vector<std::string>& problems)
{
    QPXmlResource resource;
    resource.line = node.line;
    const Fields fields(node, problems);
    fields.Integer("UID", resource.uid);
    fields.Integer("ID", resource.id);
    resource.name = fields.Text("Name");
    fields.Flag("IsNull", resource.isNull);
    fields.Integer("Type", resource.type);
    resource.email = fields.Text("EmailAddress");
    fields.Number("StandardRate", resource.standardRate);
    fields.Integer("StandardRateFormat", resource.standardRateFormat);
    fields.Number("OvertimeRate", resource.overtimeRate);
    fields.Integer("OvertimeRateFormat", resource.overtimeRateFormat);
    fields.Integer("CalendarUID", resource.calendarUid);
    resource.notes = fields.Text("Notes");
    return resource;
}

QPXmlAssignment ReadAssignment(const LXmlNode& node, std::vector<std::string>& problems)
{
    QPXmlAssignment assignment;
    assignment.line = node.line;
    const Fields fields(node, problems);
    fields.Integer("TaskUID", assignment.taskUid);
    fields.Integer("ResourceUID", assignment.resourceUid);
    fields.Number("Units", assignment.units);
    fields.Duration("Work", assignment.work);
    if (!assignment.work) {
        // Timephased work (Type 1) as PT durations, day by day.
        int64_t sum = 0;
        bool any = false;
        for (const LXmlNode& part : node.children) {
            int64_t seconds = 0;
            if (part.name == "TimephasedData" && part.ChildText("Type") == "1" &&
                QPXmlParseDuration(part.ChildText("Value"), seconds) && seconds > 0 &&
                sum < std::numeric_limits<int64_t>::max() / 2) {
                sum += seconds;
                any = true;
            }
        }
        if (any)
            assignment.work = sum;
    }
    return assignment;
}

void ReadProjectField(LXmlNode&& node, QPXmlProject& project)
{
    static const std::set<std::string_view> kKnown = {
            "Name",           "Title",         "StartDate",      "FinishDate",
            "CalendarUID",    "MinutesPerDay", "MinutesPerWeek", "DaysPerMonth",
            "CurrencySymbol", "CurrencyCode",  "CurrencyDigits", "CurrencySymbolPosition",
            "WeekStartDay"};
    if (!kKnown.contains(node.name))
        return;
    // The fields of the project are single elements under the root; Fields reads children,
    // so the one element stands in a parent of its own.
    LXmlNode parent;
    parent.line = node.line;
    parent.children.push_back(std::move(node));
    const LXmlNode& field = parent.children.back();
    const Fields fields(parent, project.problems);
    const std::string_view name = field.name;
    if (name == "Name")
        project.name = field.text;
    else if (name == "Title")
        project.title = field.text;
    else if (name == "StartDate")
        fields.Date(name, project.start);
    else if (name == "FinishDate")
        fields.Date(name, project.finish);
    else if (name == "CalendarUID")
        fields.Integer(name, project.calendarUid);
    else if (name == "MinutesPerDay")
        fields.Integer(name, project.minutesPerDay);
    else if (name == "MinutesPerWeek")
        fields.Integer(name, project.minutesPerWeek);
    else if (name == "DaysPerMonth")
        fields.Number(name, project.daysPerMonth);
    else if (name == "CurrencySymbol")
        project.currencySymbol = field.text;
    else if (name == "CurrencyCode")
        project.currencyCode = field.text;
    else if (name == "CurrencyDigits" || name == "CurrencySymbolPosition" ||
             name == "WeekStartDay") {
        int32_t value = 0;
        const std::size_t before = project.problems.size();
        fields.Integer(name, value);
        if (project.problems.size() == before && !field.text.empty())
            (name == "CurrencyDigits"           ? project.currencyDigits
             : name == "CurrencySymbolPosition" ? project.currencySymbolPosition
                                                : project.weekStartDay) = value;
    }
}

// The records of one list (Tasks, Resources, ...): each child element read whole.
template <class Read>
bool ReadList(LXmlReader& reader, Read read, const std::function<bool(double)>& progress,
              bool& cancelled)
{
    const int depth = reader.Depth();
    std::size_t count = 0;
    while (true) {
        const eXmlToken token = reader.Next();
        if (token == eXmlError || token == eXmlEndOfDocument)
            return false;
        if (token == eXmlEndElement && reader.Depth() < depth)
            return true;
        if (token != eXmlStartElement)
            continue;
        LXmlNode node;
        if (!LXmlReadElement(reader, node))
            return false;
        read(node);
        if (progress && ++count % 64 == 0 && !progress(reader.Progress())) {
            cancelled = true;
            return false;
        }
    }
}

} // namespace

bool QPXmlParseTime(std::string_view text, int32_t& seconds)
{
    int hours = 0, minutes = 0, secs = 0;
    const char* at = text.data();
    const char* end = at + text.size();
    auto number = [&](int& value, int max) {
        const auto [next, problem] = std::from_chars(at, end, value);
        if (problem != std::errc() || next - at != 2 || value < 0 || value > max)
            return false;
        at = next;
        return true;
    };
    if (!number(hours, 24) || at == end || *at++ != ':' || !number(minutes, 59))
        return false;
    if (at != end && (*at++ != ':' || !number(secs, 59)))
        return false;
    // A fraction of a second is allowed and dropped.
    if (at != end && *at == '.')
        while (++at != end && *at >= '0' && *at <= '9') {
        }
    if (at != end || (hours == 24 && (minutes != 0 || secs != 0)))
        return false;
    seconds = hours * 3600 + minutes * 60 + secs;
    return true;
}

bool QPXmlParseDateTime(std::string_view text, LDateTime& moment)
{
    int year = 0, month = 0, day = 0;
    const char* at = text.data();
    const char* end = at + text.size();
    auto number = [&](int& value, std::ptrdiff_t digits) {
        const auto [next, problem] = std::from_chars(at, end, value);
        if (problem != std::errc() || next - at != digits)
            return false;
        at = next;
        return true;
    };
    if (!number(year, 4) || at == end || *at++ != '-' || !number(month, 2) || at == end ||
        *at++ != '-' || !number(day, 2))
        return false;
    if (year < 1970 || month < 1 || month > 12 || day < 1 ||
        day > LDateTime::GetNumberOfDaysInMonth(year, month))
        return false;
    int32_t clock = 0;
    if (at != end) {
        if (*at != 'T' && *at != ' ')
            return false;
        std::string_view time(at + 1, std::size_t(end - at - 1));
        // A zone after the time is dropped: the format's times are local.
        const std::size_t zone = time.find_first_of("Z+-");
        if (zone != std::string_view::npos)
            time = time.substr(0, zone);
        if (!QPXmlParseTime(time, clock) || clock >= 86400)
            return false;
    }
    LDateTime read;
    if (!read.SetDateTime(year, month, day, clock / 3600, (clock / 60) % 60, clock % 60) ||
        !read.IsSet())
        return false;
    moment = read;
    return true;
}

bool QPXmlParseDuration(std::string_view text, int64_t& seconds)
{
    bool negative = false;
    if (text.starts_with('-')) {
        negative = true;
        text.remove_prefix(1);
    }
    if (!text.starts_with('P') || text.size() < 3)
        return false;
    text.remove_prefix(1);
    double total = 0.0;
    bool inTime = false;
    bool any = false;
    while (!text.empty()) {
        if (text.front() == 'T') {
            if (inTime)
                return false;
            inTime = true;
            text.remove_prefix(1);
            continue;
        }
        double value = 0.0;
        const auto [next, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (problem != std::errc() || next == text.data() + text.size() || value < 0.0)
            return false;
        const char unit = *next;
        text.remove_prefix(std::size_t(next - text.data()) + 1);
        if (!inTime && unit == 'D')
            total += value * 86400.0;
        else if (inTime && unit == 'H')
            total += value * 3600.0;
        else if (inTime && unit == 'M')
            total += value * 60.0;
        else if (inTime && unit == 'S')
            total += value;
        else
            return false;
        any = true;
    }
    // Longer than a 64-bit count of seconds can be only by mistake.
    if (!any || !(total < 1e15))
        return false;
    seconds = int64_t(std::llround(total)) * (negative ? -1 : 1);
    return true;
}

eXmlReadResult QPReadProjectXml(std::string_view bytes, QPXmlProject& project, std::string& error,
                                const std::function<bool(double)>& progress)
{
    project = QPXmlProject();
    std::string converted;
    if (bytes.starts_with("\xFF\xFE")) {
        LUTF16LEToUTF8 converter(false);
        if (!converter.IsOpen()) {
            error = "line 1: this system cannot read UTF-16 text; save the file as UTF-8";
            return eXmlReadResult::refused;
        }
        converter.Convert(bytes.substr(2), converted);
        converter.Finish(converted);
        bytes = converted;
    } else if (bytes.starts_with("\xFE\xFF") || bytes.starts_with(std::string_view("\0<", 2))) {
        error = "line 1: UTF-16 big-endian text is not read; save the file as UTF-8";
        return eXmlReadResult::refused;
    }

    LXmlReader reader(bytes);
    if (reader.Next() != eXmlStartElement) {
        error = reader.Error();
        return eXmlReadResult::refused;
    }
    if (reader.LocalName() != "Project" || reader.NamespaceUri() != kProjectXmlNamespace) {
        error = "line " + std::to_string(reader.Line()) + ": the root element <" + reader.Name() +
                "> is not the Project element of the Project XML format";
        return eXmlReadResult::refused;
    }
    bool cancelled = false;
    std::vector<std::string>& problems = project.problems;
    while (true) {
        const eXmlToken token = reader.Next();
        if (token == eXmlEndElement && reader.Depth() == 0)
            break;
        if (token == eXmlError || token == eXmlEndOfDocument)
            break;
        if (token != eXmlStartElement)
            continue;
        const std::string_view name = reader.LocalName();
        bool read = true;
        if (name == "Calendars")
            read = ReadList(
                    reader,
                    [&](const LXmlNode& node) {
                        if (node.name == "Calendar")
                            project.calendars.push_back(ReadCalendar(node, problems));
                    },
                    progress, cancelled);
        else if (name == "Tasks")
            read = ReadList(
                    reader,
                    [&](const LXmlNode& node) {
                        if (node.name == "Task")
                            project.tasks.push_back(ReadTask(node, problems));
                    },
                    progress, cancelled);
        else if (name == "Resources")
            read = ReadList(
                    reader,
                    [&](const LXmlNode& node) {
                        if (node.name == "Resource")
                            project.resources.push_back(ReadResource(node, problems));
                    },
                    progress, cancelled);
        else if (name == "Assignments")
            read = ReadList(
                    reader,
                    [&](const LXmlNode& node) {
                        if (node.name == "Assignment")
                            project.assignments.push_back(ReadAssignment(node, problems));
                    },
                    progress, cancelled);
        else {
            LXmlNode node;
            read = LXmlReadElement(reader, node);
            if (read)
                ReadProjectField(std::move(node), project);
        }
        if (cancelled)
            return eXmlReadResult::cancelled;
        if (!read)
            break;
    }
    // The rest of the file must be well-formed too.
    while (reader.Token() != eXmlError && reader.Token() != eXmlEndOfDocument)
        reader.Next();
    if (reader.Token() == eXmlError) {
        error = reader.Error();
        return eXmlReadResult::refused;
    }
    return eXmlReadResult::read;
}
