#include "import/QPProjectXmlImport.h"
#include "import/QPProjectXmlRecords.h"

#include "dialogs/QPProjectDialogRules.h"
#include "dialogs/QPResourceDialogRules.h"
#include "dialogs/QPScheduleDialogRules.h"
#include "dialogs/QPTaskDialogRules.h"
#include "model/QPProject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// --- small files, written inline

std::string Project(const std::string& body)
{
    return "<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">"
           "<StartDate>2027-04-19T08:00:00</StartDate>" +
           body + "</Project>";
}

std::string Task(int uid, const std::string& name, const std::string& fields = "", int level = 1)
{
    return "<Task><UID>" + std::to_string(uid) + "</UID><Name>" + name + "</Name><OutlineLevel>" +
           std::to_string(level) + "</OutlineLevel>" +
           (fields.find("<Work>") == std::string::npos ? "<Work>PT8H0M0S</Work>" : "") + fields +
           "</Task>";
}

std::string Link(int predecessor, int type, const std::string& more = "")
{
    return "<PredecessorLink><PredecessorUID>" + std::to_string(predecessor) +
           "</PredecessorUID><Type>" + std::to_string(type) + "</Type>" + more +
           "</PredecessorLink>";
}

// "08:00-12:00 13:00-17:00" as working times; an empty list is a day off.
std::string Day(int dayType, const std::string& times)
{
    std::string xml = "<WeekDay><DayType>" + std::to_string(dayType) + "</DayType><DayWorking>" +
                      (times.empty() ? "0" : "1") + "</DayWorking><WorkingTimes>";
    std::istringstream spans(times);
    for (std::string span; spans >> span;)
        xml += "<WorkingTime><FromTime>" + span.substr(0, 5) + ":00</FromTime><ToTime>" +
               span.substr(6, 5) + ":00</ToTime></WorkingTime>";
    return xml + "</WorkingTimes></WeekDay>";
}

std::string Calendar(int uid, const std::string& body, int base = -1)
{
    return "<Calendar><UID>" + std::to_string(uid) + "</UID><Name>Cal" + std::to_string(uid) +
           "</Name><IsBaseCalendar>" + (base == -1 ? "1" : "0") + "</IsBaseCalendar>" +
           "<BaseCalendarUID>" + std::to_string(base) + "</BaseCalendarUID>" + body + "</Calendar>";
}

std::string Exception(const std::string& from, const std::string& to, const std::string& more)
{
    return "<Exception><TimePeriod><FromDate>" + from + "T00:00:00</FromDate><ToDate>" + to +
           "T23:59:00</ToDate></TimePeriod>" + more + "</Exception>";
}

// --- the import and what it made

struct Imported {
    std::unique_ptr<QPProject> project = std::make_unique<QPProject>();
    QPProjectXmlImportResult result;

    template <class T>
    const T& Named(const std::string& name) const
    {
        for (const T& element : project->ListOf<T>())
            if (element.name.str() == name)
                return element;
        throw std::runtime_error("nothing named " + name);
    }
    const QPTask& TaskNamed(const std::string& name) const { return Named<QPTask>(name); }
    bool Noted(const std::string& text) const
    {
        for (std::size_t i = 2; i < result.lines.size(); ++i)
            if (result.lines[i].find(text) != std::string::npos)
                return true;
        return false;
    }
    std::size_t NoteCount() const { return result.lines.size() - 2; }
    // Exactly this one note, or none for nullptr.
    bool OnlyNote(const char* text) const
    {
        return text ? NoteCount() == 1 && Noted(text) : NoteCount() == 0;
    }
    std::string Lines() const
    {
        std::string all;
        for (const std::string& line : result.lines)
            all += line + "\n";
        return all;
    }
};

Imported Import(const std::string& xml, QPProjectXmlImportSettings settings = {})
{
    Imported imported;
    imported.project->undoStack.Clear();
    imported.project->UndoRedoGroupStart();
    imported.result = QPImportProjectXml(*imported.project, xml, settings);
    imported.project->UndoRedoGroupEnd();
    return imported;
}

std::string Day(LDateTime date)
{
    return date.GetDateTime().substr(0, 10);
}

// What the editors refuse when the user opens each element of the recalculated plan and
// presses OK: the imported plan must be one the planner's own editors take as it stands.
std::vector<std::string> EditorRefusals(QPProject& project)
{
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    std::vector<std::string> refusals;
    auto check = [&](const std::string& what, const QPFormOutcome& outcome) {
        if (outcome)
            refusals.push_back(what + ": " + outcome->title + ": " + outcome->message);
    };
    check("project",
          QPProjectDialogRules::Confirm(project, QPProjectDialogRules::EditProjectForm(project)));
    for (QPTask& task : project.tasks)
        check(task.name.str(),
              QPTaskDialogRules::Confirm(project, task,
                                         QPTaskDialogRules::InitialForm(project, task)));
    for (QPResource& resource : project.resources)
        check(resource.name.str(),
              QPResourceDialogRules::Confirm(
                      project, resource, QPResourceDialogRules::ResourceForm(project, resource)));
    for (QPSchedule& schedule : project.schedules)
        check(schedule.name.str(),
              QPScheduleDialogRules::Confirm(
                      project, schedule,
                      QPScheduleDialogRules::ScheduleForm(project.options, schedule)));
    return refusals;
}

} // namespace

// The format's durations and times of day: what each reads as, or false; months and years
// have no fixed length, and a day ends at 24:00 exactly.
TEST(QPProjectXmlImport, DurationsAndTimesOfDay)
{
    const std::pair<const char*, int64_t> durations[] = {
            {"PT8H0M0S", 28800}, {"P1DT1H30M", 91800}, {"-PT1M", -60}, {"PT0.5H", 1800},
            {"P1M", -1},         {"P1Y", -1},          {"PT1D", -1},   {"PT", -1},
    };
    for (const auto& [text, expected] : durations) {
        int64_t seconds = -1;
        EXPECT_EQ(QPXmlParseDuration(text, seconds), expected != -1) << text;
        EXPECT_EQ(seconds, expected) << text;
    }
    const std::pair<const char*, int32_t> times[] = {
            {"08:30:15", 30615}, {"24:00:00", 86400}, {"23:59:59.5", 86399}, {"24:00:30", -1},
            {"24:01", -1},       {"8:00", -1},        {"12:60", -1},
    };
    for (const auto& [text, expected] : times) {
        int32_t seconds = -1;
        EXPECT_EQ(QPXmlParseTime(text, seconds), expected != -1) << text;
        EXPECT_EQ(seconds, expected) << text;
    }
}

TEST(QPProjectXmlImport, RefusesWhatIsNotProjectXmlWithTheLine)
{
    const struct {
        std::string bytes;
        const char* error;
    } cases[] = {
            {"", "line 1: the file holds no element"},
            {"Task,Duration\nSurvey,8\n", "line 1: text outside the root element"},
            {"<Project/>", "line 1: the root element <Project> is not the Project element"},
            {"<?xml version='1.0'?>\n<Plan xmlns='http://schemas.microsoft.com/project'/>",
             "line 2: the root element <Plan>"},
            {Project("<Tasks>\n<Task><Name>A</Name></Tasks>"), "line 3: the end tag </Tasks>"},
            {"\xFE\xFF", "line 1: UTF-16 big-endian"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.bytes);
        const Imported imported = Import(test.bytes);
        EXPECT_EQ(imported.result.result, eProcessFailed);
        EXPECT_TRUE(imported.result.error.starts_with(test.error)) << imported.result.error;
        EXPECT_TRUE(imported.project->tasks.empty());
        EXPECT_EQ(imported.project->name, "New Project");
        EXPECT_FALSE(imported.project->undoStack.CanUndo());
    }
}

TEST(QPProjectXmlImport, LinkTypesAndLagFormats)
{
    const char* kWorkLag = "in working time converted to calendar days at 480 minutes";
    const struct {
        int type;
        int lag;
        int format;
        int32_t kestranoType;
        float days;
        const char* note;
    } cases[] = {
            {0, 0, 7, eFinishToFinish, 0.0f, nullptr},
            {1, 4800, 7, eFinishToStart, 1.0f, kWorkLag},
            {2, 0, 7, eStartToFinish, 0.0f, nullptr},
            {3, 28800, 8, eStartToStart, 2.0f, nullptr},
            {1, 21600, 40, eFinishToStart, 1.5f, nullptr},
            {1, 4800, 6, eFinishToStart, 1.0f / 3.0f, nullptr},
            {1, 600, 5, eFinishToStart, 0.125f, kWorkLag},
            {1, 24000, 41, eFinishToStart, 5.0f, kWorkLag},
            {1, -4800, 7, eFinishToStart, 0.0f, "a lead of 1 day;"},
            {7, 0, 7, eFinishToStart, 0.0f, "link type 7 is not known"},
            {1, 14400, 99, eFinishToStart, 3.0f, "lags of format 99 are read as working time"},
            {1, 2000000000, 8, eFinishToStart, 36500.0f, "is more than the planner holds"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::to_string(test.type) + " " + std::to_string(test.format));
        const Imported imported = Import(
                Project("<Tasks>" + Task(1, "A") +
                        Task(2, "B",
                             Link(1, test.type,
                                  "<LinkLag>" + std::to_string(test.lag) + "</LinkLag><LagFormat>" +
                                          std::to_string(test.format) + "</LagFormat>")) +
                        "</Tasks>"));
        const QPTask& b = imported.TaskNamed("B");
        ASSERT_EQ(b.dependencies.size(), 1u);
        EXPECT_EQ(b.dependencies[0].predecessorKey, imported.TaskNamed("A").key);
        EXPECT_EQ(b.dependencies[0].type, test.kestranoType);
        EXPECT_NEAR(b.dependencies[0].lag, test.days, 1e-6);
        EXPECT_TRUE(imported.OnlyNote(test.note)) << imported.Lines();
    }
}

TEST(QPProjectXmlImport, ConstraintsOnTheEditorsDays)
{
    const struct {
        int type;
        const char* date;
        int32_t constraint;
        const char* stored;
        const char* note;
    } cases[] = {
            {0, "", eConstraintNone, " ", nullptr},
            {1, "", eConstraintAsLateAsPossible, " ", nullptr},
            {2, "2027-04-21T08:00:00", eConstraintStartOn, "2027-04-21 00:00:00", nullptr},
            {3, "2027-04-21T17:00:00", eConstraintFinishOn, "2027-04-21 23:59:59", nullptr},
            // No Earlier / Later Than keep the named day open, After / Before leave it out.
            {4, "2027-04-22T08:00:00", eConstraintStartAfter, "2027-04-21 00:00:00", nullptr},
            {5, "2027-04-22T08:00:00", eConstraintStartBefore, "2027-04-23 00:00:00", nullptr},
            {6, "2027-04-23T17:00:00", eConstraintFinishAfter, "2027-04-22 23:59:59", nullptr},
            {7, "2027-04-23T17:00:00", eConstraintFinishBefore, "2027-04-24 23:59:59", nullptr},
            {2, "2027-04-01T08:00:00", eConstraintNone, " ", "conflicts with the project start"},
            {4, "", eConstraintNone, " ", "Start After has no date"},
            {9, "", eConstraintNone, " ", "constraint type 9 is not known"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.type);
        const Imported imported =
                Import(Project("<Tasks>" +
                               Task(1, "A",
                                    "<ConstraintType>" + std::to_string(test.type) +
                                            "</ConstraintType><ConstraintDate>" + test.date +
                                            "</ConstraintDate>") +
                               "</Tasks>"));
        const QPTask& task = imported.TaskNamed("A");
        EXPECT_EQ(task.constraintType, test.constraint);
        EXPECT_EQ(task.constraintDate.GetDateTime(), test.stored);
        EXPECT_TRUE(imported.OnlyNote(test.note)) << imported.Lines();
    }
}

TEST(QPProjectXmlImport, RatesPerHourInMinorUnits)
{
    const struct {
        const char* rate;
        int format;
        int digits;
        int64_t minor;
        const char* note;
    } cases[] = {
            {"48", 2, 2, 4800, nullptr},
            {"1", 1, 2, 6000, nullptr},
            {"400", 3, 2, 5000, "rates per day are converted at 8 hours a day"},
            {"2000", 4, 2, 5000, "rates per week are converted at 40 hours a week"},
            {"8000", 5, 2, 5000, "at 20 days of 8 hours a month"},
            {"48.5", 2, 0, 49, nullptr},
            {"-3", 2, 2, 0, "the negative standard rate is set to 0"},
            {"1e30", 2, 2, 10'000'000'000'000, "more than the planner holds"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.rate);
        const Imported imported = Import(Project(
                "<CurrencyDigits>" + std::to_string(test.digits) +
                "</CurrencyDigits><Resources><Resource><UID>1</UID><Name>R</Name><StandardRate>" +
                test.rate + "</StandardRate><StandardRateFormat>" + std::to_string(test.format) +
                "</StandardRateFormat></Resource></Resources>"));
        EXPECT_EQ(imported.Named<QPResource>("R").hourlyRate, test.minor);
        EXPECT_TRUE(imported.OnlyNote(test.note)) << imported.Lines();
    }
}

TEST(QPProjectXmlImport, AssignmentUnitsAreClampedPercentages)
{
    const std::vector<std::pair<const char*, int32_t>> units = {
            {"1", 100}, {"0.5", 50}, {"1.5", 100}, {"-0.2", 0}};
    std::string tasks;
    std::string assignments;
    for (std::size_t i = 0; i < units.size(); ++i) {
        tasks += Task(int(i + 1), "T" + std::to_string(i + 1));
        assignments += "<Assignment><TaskUID>" + std::to_string(i + 1) +
                       "</TaskUID><ResourceUID>1</ResourceUID><Units>" + units[i].first +
                       "</Units></Assignment>";
    }
    const Imported imported = Import(
            Project("<Tasks>" + tasks + "</Tasks><Resources><Resource><UID>1</UID><Name>R</Name>" +
                    "</Resource></Resources><Assignments>" + assignments + "</Assignments>"));
    EXPECT_EQ(imported.result.counts.assignments, 4);
    for (std::size_t i = 0; i < units.size(); ++i) {
        const QPTask& task = imported.TaskNamed("T" + std::to_string(i + 1));
        ASSERT_EQ(task.resourceAssignments.size(), 1u);
        EXPECT_EQ(task.resourceAssignments[0].percent, units[i].second);
    }
    EXPECT_EQ(imported.NoteCount(), 2u);
    EXPECT_TRUE(imported.Noted("150 percent of the resource's time is outside 0 to 100; 100"));
}

// What a task lasts: its work, else its duration, else the work of its assignments, else
// the working time from its start to its finish; a task with none of these is a moment.
TEST(QPProjectXmlImport, WhatATaskLasts)
{
    const struct {
        std::string fields, assignment;
        const char* hours;
        bool milestone;
        const char* note;
    } cases[] = {
            {"<Work>PT16H0M0S</Work><Duration>PT24H0M0S</Duration>", "", "16", false, nullptr},
            {"<Duration>PT24H0M0S</Duration>", "", "24", false, nullptr},
            {"<Duration>PT0H0M0S</Duration>", "", "0", false, nullptr},
            {"", "<Work>PT12H0M0S</Work>", "12", false, nullptr},
            // Monday 08:00 to Wednesday 16:00 on the default week of 8 hours from 08:00.
            {"<Start>2027-04-19T08:00:00</Start><Finish>2027-04-21T16:00:00</Finish>", "", "24",
             false, "it lasts the 24 hours of working time from its start to its finish"},
            {"<Start>2027-04-19T08:00:00</Start>", "", "0", true, "imported as a milestone"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields + c.assignment);
        const Imported imported = Import(Project(
                "<Tasks><Task><UID>1</UID><Name>T</Name><OutlineLevel>1</OutlineLevel>" + c.fields +
                "</Task></Tasks>" +
                (c.assignment.empty() ? std::string()
                                      : "<Resources><Resource><UID>1</UID><Name>R</Name>"
                                        "</Resource></Resources><Assignments><Assignment>"
                                        "<TaskUID>1</TaskUID><ResourceUID>1</ResourceUID>" +
                                                c.assignment + "</Assignment></Assignments>")));
        const QPTask& task = imported.TaskNamed("T");
        EXPECT_EQ(task.durationText.str(), c.hours);
        EXPECT_EQ(task.milestone, c.milestone);
        EXPECT_TRUE(imported.OnlyNote(c.note)) << imported.Lines();
    }
}

// One shift a day: from the first working time for the sum of them all.
TEST(QPProjectXmlImport, WorkingTimesBecomeOneShiftADay)
{
    const struct {
        std::string days;
        int32_t mondayStart;
        int32_t mondayHours;
        int32_t tuesdayHours;
        const char* note;
    } cases[] = {
            {Day(2, "08:00-12:00 13:00-17:00"), 8, 8, 8, "breaks between the working times of Mon"},
            {Day(2, "22:00-06:00"), 22, 8, 8, nullptr},
            {Day(2, "16:00-00:00"), 16, 8, 8, nullptr},
            {Day(2, "00:00-00:00"), 0, 24, 8, nullptr},
            {Day(2, "22:00-00:00") + Day(3, "00:00-06:00"), 22, 8, 0, nullptr},
            {Day(2, ""), 8, 0, 8, nullptr},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.days);
        const Imported imported = Import(
                Project("<CalendarUID>1</CalendarUID><Calendars>" +
                        Calendar(1, "<WeekDays>" + test.days + "</WeekDays>") + "</Calendars>"));
        const QPSchedule& schedule = *imported.project->GetDefaultSchedule();
        EXPECT_EQ(schedule.name, "Cal1");
        EXPECT_TRUE(test.mondayHours == 0 ||
                    schedule.shiftStart[eMonday].Get() == test.mondayStart * 3600);
        EXPECT_EQ(schedule.shiftDuration[eMonday], test.mondayHours * 3600);
        EXPECT_EQ(schedule.shiftDuration[eTuesday], test.tuesdayHours * 3600);
        EXPECT_EQ(schedule.shiftDuration[eSaturday], 0);
        EXPECT_TRUE(imported.OnlyNote(test.note)) << imported.Lines();
    }
}

TEST(QPProjectXmlImport, ExceptionsNewAndOldStyle)
{
    const std::string days = Day(2, "09:00-17:00") + Day(6, "09:00-17:00") + Day(7, "");
    const Imported imported = Import(Project(
            "<CalendarUID>1</CalendarUID><Calendars>" +
            Calendar(1,
                     "<WeekDays>" + days +
                             "<WeekDay><DayType>0</DayType><DayWorking>0</DayWorking><TimePeriod>"
                             "<FromDate>2027-05-05T00:00:00</FromDate><ToDate>2027-05-05T23:59:00"
                             "</ToDate></TimePeriod></WeekDay></WeekDays><Exceptions>" +
                             Exception("2027-04-23", "2027-04-26", "<DayWorking>0</DayWorking>") +
                             Exception("2027-05-07", "2027-05-07",
                                       "<DayWorking>1</DayWorking><WorkingTimes><WorkingTime>"
                                       "<FromTime>08:00:00</FromTime><ToTime>12:00:00</ToTime>"
                                       "</WorkingTime></WorkingTimes>") +
                             Exception("2027-06-01", "2027-06-30",
                                       "<Name>Fridays</Name><Type>6</Type><DayWorking>0"
                                       "</DayWorking>") +
                             Exception("2027-05-08", "2027-05-08", "<DayWorking>1</DayWorking>") +
                             "</Exceptions>") +
            "</Calendars>"));
    std::set<std::pair<std::string, int32_t>> exceptions;
    for (const QPScheduleException& exception : imported.project->GetDefaultSchedule()->exceptions)
        exceptions.emplace(Day(exception.date), exception.workSeconds / 3600);
    // Friday to Monday off: one exception from Friday of both days' shifts. The Friday of
    // 08:00 to 12:00 loses the 5 hours of its 09:00 to 17:00 shift that it does not list;
    // they begin inside the shift, so they are taken from its start.
    EXPECT_EQ(exceptions, (std::set<std::pair<std::string, int32_t>>{
                                  {"2027-04-23", 16}, {"2027-05-05", 8}, {"2027-05-07", 5}}));
    EXPECT_EQ(imported.result.counts.exceptions, 3);
    EXPECT_TRUE(imported.Noted("exception \"Fridays\": repeats on chosen days"));
    EXPECT_TRUE(imported.Noted("gives more working time than the week"));
    EXPECT_TRUE(imported.Noted("their hours are kept, their times of day are not"));
}

TEST(QPProjectXmlImport, ResourceCalendarsInheritFromTheirBase)
{
    const std::string week = "<WeekDays>" + Day(2, "09:00-17:00") + Day(6, "09:00-17:00") +
                             Day(1, "") + Day(7, "") + "</WeekDays>";
    const Imported imported = Import(Project(
            "<CalendarUID>1</CalendarUID><Calendars>" + Calendar(1, week) +
            Calendar(2, "<WeekDays>" + Day(6, "") + "</WeekDays>", 1) +
            Calendar(3,
                     "<Exceptions>" +
                             Exception("2027-05-10", "2027-05-14", "<DayWorking>0</DayWorking>") +
                             "</Exceptions>",
                     1) +
            Calendar(5, "", 6) + Calendar(6, "", 5) + "</Calendars><Tasks>" +
            Task(1, "Night", "<Type>1</Type><CalendarUID>5</CalendarUID>") + "</Tasks><Resources>" +
            "<Resource><UID>1</UID><Name>Own</Name><CalendarUID>2</CalendarUID></Resource>"
            "<Resource><UID>2</UID><Name>Leave</Name><CalendarUID>3</CalendarUID></Resource>"
            "</Resources>"));
    const QPProject& project = *imported.project;
    const QPResource& own = imported.Named<QPResource>("Own");
    const QPSchedule& cal2 = imported.Named<QPSchedule>("Cal2");
    EXPECT_EQ(own.scheduleKey, cal2.key);
    EXPECT_EQ(cal2.shiftDuration[eFriday], 0);
    EXPECT_EQ(cal2.shiftStart[eMonday].Get(), 9 * 3600);
    EXPECT_EQ(cal2.shiftDuration[eTuesday], 8 * 3600);
    // A calendar that only adds leave stays on its base, the leave the resource's own.
    const QPResource& leave = imported.Named<QPResource>("Leave");
    EXPECT_EQ(leave.scheduleKey, project.defaultScheduleKey);
    ASSERT_EQ(leave.exceptions.size(), 1u);
    EXPECT_EQ(Day(leave.exceptions[0].date), "2027-05-10");
    EXPECT_EQ(leave.exceptions[0].workSeconds, 5 * 8 * 3600);
    // A loop of base calendars is not followed round.
    EXPECT_TRUE(imported.Noted("calendar \"Cal5\": its base calendars form a loop"));
    EXPECT_EQ(imported.TaskNamed("Night").scheduleKey, imported.Named<QPSchedule>("Cal5").key);
    EXPECT_EQ(imported.result.counts.schedules, 3); // the default one refilled, Cal2, Cal5
}

// A resource's leave is read as its own time: a holiday of its base next to it or inside it
// stays the base's, a leave from days it does not work begins there (where a Fixed Duration
// task's own schedule may work), and two leaves with days not named between them stay two.
TEST(QPProjectXmlImport, AResourcesLeaveBesideItsBasesHolidays)
{
    // 2027-05-12 is a Wednesday; the base works 09:00 to 17:00 on weekdays.
    const std::string weekdays = "<WeekDays>" + Day(1, "") + Day(2, "09:00-17:00") +
                                 Day(3, "09:00-17:00") + Day(4, "09:00-17:00") +
                                 Day(5, "09:00-17:00") + Day(6, "09:00-17:00") + Day(7, "") +
                                 "</WeekDays>";
    const std::string mondays = "<WeekDays>" + Day(1, "") + Day(2, "09:00-17:00") + Day(3, "") +
                                Day(4, "") + Day(5, "") + Day(6, "") + Day(7, "") + "</WeekDays>";
    const auto off = [](const char* from, const char* to) {
        return Exception(from, to, "<DayWorking>0</DayWorking>");
    };
    const struct {
        std::string week, holidays, leave;
        std::vector<std::pair<std::string, int32_t>> expected; // day, hours
    } cases[] = {
            // Leave on Monday and Tuesday, the base's holiday on Wednesday.
            {weekdays,
             off("2027-05-12", "2027-05-12"),
             off("2027-05-10", "2027-05-12"),
             {{"2027-05-10", 16}}},
            // The holiday inside the leave: one leave over it, its hours counted.
            {weekdays,
             off("2027-05-12", "2027-05-12"),
             off("2027-05-11", "2027-05-13"),
             {{"2027-05-11", 24}}},
            // From the Saturday before.
            {weekdays, "", off("2027-05-08", "2027-05-10"), {{"2027-05-08", 8}}},
            // Two Mondays off on a week of Mondays.
            {mondays,
             "",
             off("2027-05-10", "2027-05-10") + off("2027-05-17", "2027-05-17"),
             {{"2027-05-10", 8}, {"2027-05-17", 8}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.leave);
        const Imported imported = Import(Project(
                "<CalendarUID>1</CalendarUID><Calendars>" +
                Calendar(1, c.week + (c.holidays.empty()
                                              ? std::string()
                                              : "<Exceptions>" + c.holidays + "</Exceptions>")) +
                Calendar(2, "<Exceptions>" + c.leave + "</Exceptions>", 1) +
                "</Calendars><Resources><Resource><UID>1</UID><Name>Away</Name><CalendarUID>2"
                "</CalendarUID></Resource></Resources>"));
        std::vector<std::pair<std::string, int32_t>> leave;
        for (const QPScheduleException& exception : imported.Named<QPResource>("Away").exceptions)
            leave.emplace_back(Day(exception.date), exception.workSeconds / 3600);
        std::sort(leave.begin(), leave.end());
        EXPECT_EQ(leave, c.expected);
    }
}

// One level of headers: deeper tasks join their level-1 header, and links that the task
// editor would refuse are lifted to the headers or left out, each with a note.
TEST(QPProjectXmlImport, OutlineFlattenedAndLinksMadeLegal)
{
    const std::string tasks = Task(1, "A", "<Summary>1</Summary>") + Task(2, "A1", Link(3, 1), 2) +
                              Task(3, "A2", "<Summary>1</Summary>", 2) + Task(4, "A2a", "", 3) +
                              Task(5, "A2b", "", 3) + Task(6, "B", Link(10, 0) + Link(10, 3), 1) +
                              Task(7, "B1", Link(4, 1), 2) + Task(8, "B2", Link(5, 1), 2) +
                              Task(9, "B3", Link(6, 1), 2) + Task(10, "C", Link(6, 1)) +
                              Task(11, "D", "<Summary>1</Summary><Work>PT0H0M0S</Work>");
    const Imported imported = Import(
            Project("<Tasks>" + tasks +
                    "</Tasks><Resources><Resource><UID>1</UID><Name>R</Name></Resource></Resources>"
                    "<Assignments><Assignment><TaskUID>1</TaskUID><ResourceUID>1</ResourceUID>"
                    "</Assignment><Assignment><TaskUID>3</TaskUID><ResourceUID>1</ResourceUID>"
                    "</Assignment></Assignments>"));
    const QPProjectXmlImportCounts& counts = imported.result.counts;
    EXPECT_EQ(counts.headers, 2);
    EXPECT_EQ(counts.tasks, 7);
    EXPECT_EQ(counts.assignments, 0);
    const QPTask& a = imported.TaskNamed("A");
    const QPTask& b = imported.TaskNamed("B");
    EXPECT_EQ(a.subtaskKeys,
              (std::vector<int64_t>{imported.TaskNamed("A1").key, imported.TaskNamed("A2a").key,
                                    imported.TaskNamed("A2b").key}));
    EXPECT_EQ(b.subtaskKeys.size(), 3u);
    // The link to the summary that is not kept goes to each of its tasks.
    EXPECT_EQ(imported.TaskNamed("A1").dependencies.size(), 2u);
    // B1's and B2's links from group A become one link of the headers; of C's links to B
    // and back only the first that does not close a loop or bind B's finish stays.
    ASSERT_EQ(b.dependencies.size(), 2u);
    EXPECT_EQ(b.dependencies[0].predecessorKey, imported.TaskNamed("C").key);
    EXPECT_EQ(b.dependencies[0].type, eStartToStart);
    EXPECT_EQ(b.dependencies[1].predecessorKey, a.key);
    EXPECT_TRUE(imported.TaskNamed("C").dependencies.empty());
    for (const char* note :
         {"a summary task at outline level 2 is not kept", "its 2 tasks belong to header \"A\"",
          "it links \"A\" to \"B\" instead", "already linked", "joins a task and its own header",
          "a header's finish cannot be bound", "would close a loop",
          "summary tasks book no resources", "a summary task with no tasks under it"})
        EXPECT_TRUE(imported.Noted(note)) << note;
    EXPECT_EQ(EditorRefusals(*imported.project), std::vector<std::string>{});
}

TEST(QPProjectXmlImport, NamesAreCutWholeAndMadeUnique)
{
    std::string accents;
    for (int i = 0; i < 130; ++i)
        accents += "\xC3\xA9";
    const Imported imported = Import(Project("<Tasks>" + Task(1, accents) + Task(2, " Same ") +
                                             Task(3, "Same") + Task(4, "") + "</Tasks>"));
    const QPProject& project = *imported.project;
    ASSERT_EQ(project.tasks.size(), 4u);
    EXPECT_EQ(project.tasks.At(0).name.str(), accents.substr(0, 258));
    EXPECT_EQ(project.tasks.At(1).name, "Same");
    EXPECT_EQ(project.tasks.At(2).name, "Same (2)");
    EXPECT_EQ(project.tasks.At(3).name, "Task 4");
    EXPECT_TRUE(imported.Noted("name cut to 259 bytes"));
    EXPECT_TRUE(imported.Noted("the name is in use; renamed \"Same (2)\""));
    EXPECT_TRUE(imported.Noted("has no name; named \"Task 4\""));
}

// The hand-written sample: imported, recalculated and taken by every editor; one Undo
// takes it all back and Redo brings it again.
TEST(QPProjectXmlImport, SampleFileIsOneUndoStepTheEditorsTake)
{
    std::ifstream stream(std::string(KESTRANO_TEST_DATA_DIR) + "/mspdi/small.xml");
    const std::string xml((std::istreambuf_iterator<char>(stream)), {});
    Imported imported = Import(xml);
    QPProject& project = *imported.project;
    const QPProjectXmlImportCounts counts = imported.result.counts;
    EXPECT_EQ(imported.result.result, eProcessSucceeded);
    EXPECT_EQ(project.name, "Harbour Kiosk");
    EXPECT_EQ(project.options.currencySymbol, "\u20AC");
    EXPECT_EQ(Day(project.projectDeadline), "2027-06-04");
    EXPECT_EQ(counts.tasks + counts.headers, 10);
    EXPECT_EQ(EditorRefusals(project), std::vector<std::string>{});
    EXPECT_EQ(imported.Named<QPResource>("Sam").hourlyRate, 5000);

    project.undoStack.Undo();
    EXPECT_TRUE(project.tasks.empty());
    EXPECT_TRUE(project.resources.empty());
    ASSERT_EQ(project.schedules.size(), 1u);
    EXPECT_EQ(project.schedules.At(0).name, "Default Schedule");
    project.undoStack.Redo();
    EXPECT_EQ(int(project.tasks.size()), counts.tasks + counts.headers);
    EXPECT_EQ(int(project.resources.size()), counts.resources);
    EXPECT_EQ(project.GetDefaultSchedule()->name, "Standard");
    EXPECT_EQ(EditorRefusals(project), std::vector<std::string>{});

    // Into a project of its own: its fields and default schedule stay.
    const Imported merged = Import(xml, {.takeProjectFields = false});
    EXPECT_EQ(merged.project->name, "New Project");
    EXPECT_EQ(merged.project->GetDefaultSchedule()->name, "Default Schedule");
    EXPECT_EQ(merged.project->schedules.size(), project.schedules.size() + 1);
}

TEST(QPProjectXmlImport, StoppedWhileReadingChangesNothing)
{
    struct Stopping : LProcessInterface {
        bool IsToStop() override { return true; }
    } stopping;
    QPProject project;
    QPProjectXmlImport import(project);
    import.SetBytes(Project("<Tasks>" + Task(1, "A") + "</Tasks>"));
    EXPECT_EQ(Process(stopping, import), eProcessCancelled);
    EXPECT_TRUE(project.tasks.empty());
    EXPECT_TRUE(import.SetFilePath("/no/such/file.xml").has_value());
}

// The fuzzer's seeds and every input it once broke the import with, read from a file as
// the command-line program reads them; the seeds import, and the plans the editors take.
TEST(QPProjectXmlImport, EveryKeptFileImports)
{
    const std::map<std::string, int> tasks = {
            {"outline-links.xml", 5}, {"calendars.xml", 0}, {"constructs.xml", 1}};
    std::size_t seen = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(KESTRANO_TEST_DATA_DIR) + "/fuzz-xml")) {
        const std::string name = entry.path().filename().string();
        if (name == "README.md")
            continue;
        SCOPED_TRACE(name);
        QPProject project;
        QPProjectXmlImport import(project);
        ASSERT_FALSE(import.SetFilePath(entry.path().string()));
        LProcessInterface silent;
        const int result = Process(silent, import);
        if (const auto count = tasks.find(name); count != tasks.end()) {
            ASSERT_EQ(result, eProcessSucceeded) << import.ErrorText();
            EXPECT_EQ(int(project.tasks.size()), count->second);
            EXPECT_EQ(EditorRefusals(project), std::vector<std::string>{});
            ++seen;
        }
    }
    EXPECT_EQ(seen, tasks.size());
}
