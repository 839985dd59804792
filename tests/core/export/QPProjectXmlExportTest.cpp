#include "export/QPProjectXmlExport.h"
#include "import/LXmlReader.h"

#include "support/Plan.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// The document read back; the reader is strict, so this also checks that it is well-formed.
LXmlNode Exported(const QPProject& project)
{
    const std::string xml = QPProjectXmlExport(project);
    EXPECT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\""));
    LXmlReader reader(xml);
    LXmlNode root;
    EXPECT_EQ(reader.Next(), eXmlStartElement);
    EXPECT_TRUE(LXmlReadElement(reader, root)) << reader.Error();
    return root;
}

const LXmlNode& ByUid(const LXmlNode& list, int64_t uid)
{
    for (const LXmlNode& node : list.children)
        if (node.ChildText("UID") == std::to_string(uid))
            return node;
    ADD_FAILURE() << "no " << list.name << " entry with UID " << uid;
    static const LXmlNode none;
    return none;
}

// The children's names, or for `field` their values of it, separated by spaces.
std::string Names(const LXmlNode& node, std::string_view field = {})
{
    std::string names;
    for (const LXmlNode& child : node.children)
        names += (names.empty() ? "" : " ") +
                 (field.empty() ? child.name : std::string(child.ChildText(field)));
    return names;
}

// A day's or an exception's working times as "08:00:00-16:00:00 ..."; "off" for none.
std::string Times(const LXmlNode& day)
{
    if (day.ChildText("DayWorking") == "0")
        return day.Child("WorkingTimes") ? "off with times" : "off";
    std::string text;
    for (const LXmlNode& time : day.Child("WorkingTimes")->children)
        text += (text.empty() ? "" : " ") + std::string(time.ChildText("FromTime")) + "-" +
                std::string(time.ChildText("ToTime"));
    return text;
}

// A calendar's week, Sunday first, and its exceptions as "FROM..TO times".
std::string Week(const LXmlNode& calendar)
{
    std::string text;
    for (const LXmlNode& day : calendar.Child("WeekDays")->children)
        text += std::string(day.ChildText("DayType")) + " " + Times(day) + "; ";
    if (const LXmlNode* exceptions = calendar.Child("Exceptions"))
        for (const LXmlNode& exception : exceptions->children) {
            const LXmlNode& period = *exception.Child("TimePeriod");
            text += "| " + std::string(period.ChildText("FromDate")) + ".." +
                    std::string(period.ChildText("ToDate")) + " " + Times(exception) + " ";
        }
    return text;
}

TEST(ProjectXml, ElementsStandInTheSchemasOrderWithTheirValues)
{
    Plan plan;
    plan.project.name = "Launch";
    QPSchedule& night = plan.Schedule("Night", 22 * kHour, {0, 8, 8, 8, 8, 8, 0});
    QPTask& header = plan.Task("Phase", "");
    header.isHeader = true;
    QPTask& first = plan.Task("Design", "16");
    QPTask& second = plan.Task("Build", "8");
    plan.Task("Handover", "");
    header.subtaskKeys = {first.key, second.key};
    second.AddDependency(first.key, eFinishToStart, 1.0f);
    second.autoSchedule = false;
    second.start = LocalTime(2027, 3, 10, 8);
    second.taskType = eTaskTypeFixedDuration;
    second.scheduleKey = night.key;
    second.constraintType = eConstraintStartAfter;
    second.constraintDate = LocalTime(2027, 3, 9);
    second.notes = "Check <wiring> & \"fuses\"\x01\r\nfirst";
    QPResource& alice = plan.Resource("Alice", nullptr, 4800, 7200);
    alice.email = "alice@example.org";
    alice.AddException(LocalTime(2027, 3, 2), 8 * kHour);
    first.AddResourceAssignment(alice.key, 50);
    second.AddResourceAssignment(alice.key, 100);
    plan.Recalculate();
    plan.project.BaselineAdd("Agreed");
    first.durationText = "24";
    plan.Recalculate();
    // Baselines are numbered from 0 to 10 in the format.
    for (int id : {10, 11})
        plan.project.baselines.push_back(std::make_unique<QPBaseline>(plan.project, "Late", id));
    const LXmlNode root = Exported(plan.project);
    // A reader that validates refuses any other order.
    EXPECT_EQ(Names(root), "SaveVersion Name Title ScheduleFromStart StartDate FinishDate "
                           "CurrencyDigits CurrencySymbol CurrencyCode CurrencySymbolPosition "
                           "CalendarUID MinutesPerDay MinutesPerWeek DaysPerMonth DefaultTaskType "
                           "DurationFormat WorkFormat HonorConstraints WeekStartDay Calendars "
                           "Tasks Resources Assignments");
    const LXmlNode& tasks = *root.Child("Tasks");
    EXPECT_EQ(Names(tasks, "OutlineNumber") + " / " + Names(tasks, "OutlineLevel") + " / " +
                      Names(tasks, "Summary"),
              "0 1 1.1 1.2 2 / 0 1 2 2 1 / 1 1 0 0 0");
    const LXmlNode& build = ByUid(tasks, second.key + 1);
    const LXmlNode& design = ByUid(tasks, first.key + 1);
    std::string numbers;
    for (const LXmlNode& node : build.children)
        if (node.name == "Baseline")
            numbers += std::string(node.ChildText("Number")) + " ";
    EXPECT_EQ(numbers, "0 10 ");
    EXPECT_EQ(build.ChildText("Notes"), "Check <wiring> & \"fuses\" \r\nfirst");
    EXPECT_EQ(build.ChildText("CalendarUID"), std::to_string(night.key + 1));
    EXPECT_EQ(build.ChildText("Start"), "2027-03-10T08:00:00");
    EXPECT_FALSE(design.Child("Manual") || design.Child("CalendarUID"));
    EXPECT_EQ(std::string(build.ChildText("Type")) + " " + std::string(design.ChildText("Type")),
              "1 2");
    // The baseline keeps the work as it was frozen.
    EXPECT_EQ(std::string(design.ChildText("Work")) + " " +
                      std::string(design.Child("Baseline")->ChildText("Work")),
              "PT24H0M0S PT16H0M0S");
    // A resource with exceptions has a calendar of its own, based on its schedule's and
    // holding its own exceptions only.
    const LXmlNode& calendar = ByUid(*root.Child("Calendars"), alice.key + 1);
    EXPECT_EQ(root.Child("Resources")->children.at(0).ChildText("CalendarUID"),
              std::to_string(alice.key + 1));
    EXPECT_EQ(calendar.ChildText("BaseCalendarUID"), "1");
    EXPECT_EQ(calendar.Child("Exceptions")->children.size(), 1u);
    EXPECT_EQ(root.Child("Calendars")->children.size(), 3u);
}

TEST(ProjectXml, TextsAreCutToTheFormatsLimitsInCharacters)
{
    Plan plan;
    const std::string e = "\xC3\xA9";
    plan.project.name = std::string(250, 'x') + e + e + e + e;
    plan.project.options.currencySymbol = "\xE2\x82\xAC" + std::string(30, '$');
    plan.project.options.currencyCode = "EURO";
    LXmlNode root = Exported(plan.project);
    EXPECT_EQ(root.ChildText("Name"), plan.project.name.str());
    EXPECT_EQ(root.ChildText("CurrencySymbol"), "\xE2\x82\xAC" + std::string(19, '$'));
    EXPECT_EQ(root.ChildText("CurrencyCode"), "EUR");
    plan.project.name = std::string(253, 'x') + e + e + e;
    root = Exported(plan.project);
    EXPECT_EQ(root.ChildText("Name"), std::string(253, 'x') + e + e);
    EXPECT_EQ(root.ChildText("Title"), plan.project.name.str());
}

TEST(ProjectXml, LinksConstraintsRatesUnitsAndSlack)
{
    const struct {
        int32_t type;
        float lag;
        const char* text;
    } links[] = {{eFinishToStart, 0.25f, "1 3600"},
                 {eStartToStart, 1.5f, "3 21600"},
                 {eFinishToFinish, -0.5f, "0 -7200"},
                 {eStartToFinish, 2.0f, "2 28800"}};
    // After and Before leave their day out, the format's No Earlier / No Later Than keep it
    // in: their dates move by a day so that the same days stay open.
    const std::pair<int32_t, const char*> constraints[] = {
            {eConstraintAsSoonAsPossible, "0 "},
            {eConstraintAsLateAsPossible, "1 "},
            {eConstraintStartOn, "2 2027-03-03T09:30:00"},
            {eConstraintFinishOn, "3 2027-03-03T09:30:00"},
            {eConstraintStartAfter, "4 2027-03-04T09:30:00"},
            {eConstraintStartBefore, "5 2027-03-02T09:30:00"},
            {eConstraintFinishAfter, "6 2027-03-04T09:30:00"},
            {eConstraintFinishBefore, "7 2027-03-02T09:30:00"}};
    Plan plan;
    QPTask& predecessor = plan.Task("First", "8");
    QPResource& ann = plan.Resource("Ann");
    for (const auto& link : links)
        plan.Task("Linked", "8").AddDependency(predecessor.key, link.type, link.lag);
    for (const auto& [kind, text] : constraints) {
        QPTask& task = plan.Task("Constrained", "8");
        task.constraintType = kind;
        task.constraintDate = LocalTime(2027, 3, 3, 9, 30);
    }
    for (int32_t percent : {100, 50, 5, 33})
        plan.Task("Assigned", "8").AddResourceAssignment(ann.key, percent);
    // One elapsed day after a Monday 16:00 finish covers Tuesday's shift: 480 minutes in
    // tenths.
    predecessor.start = LocalTime(2027, 3, 1, 8);
    predecessor.finish = LocalTime(2027, 3, 1, 16);
    predecessor.freeSlack = 86400;
    predecessor.totalSlack = -86400;
    const LXmlNode root = Exported(plan.project);
    const std::vector<LXmlNode>& tasks = root.Child("Tasks")->children;
    EXPECT_EQ(tasks.at(1).ChildText("FreeSlack"), "4800");
    EXPECT_EQ(tasks.at(1).ChildText("TotalSlack"), "-4800");
    for (std::size_t i = 0; i < std::size(links); ++i) {
        const LXmlNode& link = *tasks.at(2 + i).Child("PredecessorLink");
        EXPECT_EQ(link.ChildText("PredecessorUID"), std::to_string(predecessor.key + 1));
        EXPECT_EQ(std::string(link.ChildText("Type")) + " " +
                          std::string(link.ChildText("LinkLag")),
                  links[i].text);
    }
    for (std::size_t i = 0; i < std::size(constraints); ++i) {
        const LXmlNode& task = tasks.at(6 + i);
        EXPECT_EQ(std::string(task.ChildText("ConstraintType")) + " " +
                          std::string(task.ChildText("ConstraintDate")),
                  constraints[i].second);
    }
    EXPECT_EQ(Names(*root.Child("Assignments"), "Units"), "1 0.5 0.05 0.33");

    const struct {
        int32_t digits;
        int64_t rate;
        const char* text;
    } rates[] = {{2, 4800, "48.00"},   {0, 4800, "4800"},    {1, 125, "12.5"},
                 {3, 12345, "12.345"}, {2, -1805, "-18.05"}, {2, 5, "0.05"}};
    for (const auto& r : rates) {
        plan.project.options.currencyDigits = r.digits;
        ann.hourlyRate = r.rate;
        EXPECT_EQ(
                Exported(plan.project).Child("Resources")->children.at(0).ChildText("StandardRate"),
                r.text);
    }
}

TEST(ProjectXml, AssignmentWorkIsWhatTheResourceWorks)
{
    // A Fixed Work task at half time shares out its hours; a Fixed Duration one takes the
    // resource for its hours at its percentage.
    Plan plan;
    QPResource& ann = plan.Resource("Ann");
    plan.Task("Shared", "16").AddResourceAssignment(ann.key, 50);
    QPTask& fixed = plan.Task("Fixed", "8");
    fixed.taskType = eTaskTypeFixedDuration;
    fixed.AddResourceAssignment(ann.key, 50);
    plan.Recalculate();
    EXPECT_EQ(Names(*Exported(plan.project).Child("Assignments"), "Work"), "PT16H0M0S PT4H0M0S");
}

TEST(ProjectXml, WeekDaysAndExceptionsAreTheWorkingTimesTheyMake)
{
    // 2027-03-01 is a Monday; exceptions as (day of March, hours).
    const struct {
        int32_t start;
        std::initializer_list<double> hours;
        std::vector<std::pair<int, int32_t>> exceptions;
        const char* week;
    } cases[] = {
            {8 * kHour,
             {0, 8, 8, 8, 8, 8, 0},
             {},
             "1 off; 2 08:00:00-16:00:00; 3 08:00:00-16:00:00; 4 08:00:00-16:00:00; "
             "5 08:00:00-16:00:00; 6 08:00:00-16:00:00; 7 off; "},
            // After midnight a night shift opens the next day; ending at midnight leaves
            // nothing for it; round the clock fills a day.
            {22 * kHour,
             {0, 8, 8, 0, 0, 0, 0},
             {},
             "1 off; 2 22:00:00-00:00:00; 3 00:00:00-06:00:00 22:00:00-00:00:00; "
             "4 00:00:00-06:00:00; 5 off; 6 off; 7 off; "},
            {0,
             {24, 24, 0, 0, 0, 0, 0},
             {},
             "1 00:00:00-00:00:00; 2 00:00:00-00:00:00; 3 off; 4 off; 5 off; 6 off; 7 off; "},
            // A shift running into the next day's own is the same working time once.
            {20 * kHour,
             {0, 12, 0, 0, 0, 0, 0},
             {},
             "1 off; 2 20:00:00-00:00:00; 3 00:00:00-08:00:00; 4 off; 5 off; 6 off; 7 off; "},
            // Monday's whole day, Tuesday's first half; leave over a weekend is one period,
            // and ending inside a shift leaves the day the rest of it; on a day off an
            // exception takes the next working time; two on one day take its time once.
            {8 * kHour,
             {0, 8, 8, 8, 8, 8, 0},
             {{1, 8}, {1, 8}, {2, 4}, {4, 32}, {12, 12}, {20, 8}},
             "| 2027-03-01T00:00:00..2027-03-01T23:59:00 off "
             "| 2027-03-02T00:00:00..2027-03-02T23:59:00 12:00:00-16:00:00 "
             "| 2027-03-04T00:00:00..2027-03-09T23:59:00 off "
             "| 2027-03-12T00:00:00..2027-03-14T23:59:00 off "
             "| 2027-03-15T00:00:00..2027-03-15T23:59:00 12:00:00-16:00:00 "
             "| 2027-03-20T00:00:00..2027-03-22T23:59:00 off "},
            // Monday 22:00 to Tuesday 06:00 goes; Tuesday's own shift stays.
            {22 * kHour,
             {0, 8, 8, 8, 8, 8, 0},
             {{1, 8}},
             "| 2027-03-01T00:00:00..2027-03-01T23:59:00 off "
             "| 2027-03-02T00:00:00..2027-03-02T23:59:00 22:00:00-00:00:00 "},
    };
    for (const auto& c : cases) {
        Plan plan;
        QPSchedule& schedule = plan.Schedule("Shifts", c.start, c.hours);
        for (const auto& [day, hours] : c.exceptions)
            schedule.AddException(LocalTime(2027, 3, day), hours * kHour);
        const std::string week =
                Week(ByUid(*Exported(plan.project).Child("Calendars"), schedule.key + 1));
        EXPECT_EQ(c.exceptions.empty() ? week : week.substr(week.find('|')), c.week);
    }
}

TEST(ProjectXml, TextIsEscapedAndKeptToXml)
{
    const std::pair<std::string, std::string> cases[] = {
            {"R&D <1> \"hi\" ]]>", "R&amp;D &lt;1&gt; &quot;hi&quot; ]]&gt;"},
            {"a\tb\nc\r\nd", "a\tb\nc&#13;\nd"},
            {std::string("nul\0bell\x07vt\x0b\x1f", 13), "nul bell vt  "},
            {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x85\x7f",
             "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x85\x7f"},
            {"cut \xC3", "cut \xEF\xBF\xBD"},
            {"\xC0\xAF\xC1\xBF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
            {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
            {"\xEF\xBF\xBE", "\xEF\xBF\xBD"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(QPXmlEscapeText(text), escaped) << text;
}

TEST(ProjectXml, TheFileIsWrittenWholeOrNotAtAll)
{
    TempDir folder;
    Plan plan;
    const std::string path = folder.Write("plan.xml", "older");
    ASSERT_TRUE(QPProjectXmlExportToFile(plan.project, path));
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              QPProjectXmlExport(plan.project));
    EXPECT_FALSE(QPProjectXmlExportToFile(plan.project, folder.File("no/plan.xml")));
    std::filesystem::create_directory(folder.File("taken.xml"));
    EXPECT_FALSE(QPProjectXmlExportToFile(plan.project, folder.File("taken.xml")));
    std::filesystem::remove(folder.File("taken.xml"));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"plan.xml"}) << "nothing left beside it";
}

} // namespace
