#include "export/QPProjectXmlExport.h"

#include "support/Plan.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>
#include <vector>

namespace {

// --- reading the document back ------------------------------------------------------------

// An element: its text when it holds text, else its children.
struct Node {
    std::string name;
    std::string text;
    std::vector<Node> children;

    std::vector<const Node*> All(std::string_view child) const
    {
        std::vector<const Node*> found;
        for (const Node& node : children)
            if (node.name == child)
                found.push_back(&node);
        return found;
    }
    const Node& operator[](std::string_view child) const
    {
        static const Node none;
        for (const Node& node : children)
            if (node.name == child)
                return node;
        ADD_FAILURE() << name << " has no " << child;
        return none;
    }
    bool Has(std::string_view child) const { return !All(child).empty(); }
    // The children's names, separated by spaces.
    std::string ChildNames() const
    {
        std::string names;
        for (const Node& node : children)
            names += (names.empty() ? "" : " ") + node.name;
        return names;
    }
};

// The text of an element with its entities (those the export writes) turned back.
std::string Decoded(std::string_view raw)
{
    const std::pair<std::string_view, char> entities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#13;", '\r'}};
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        for (const auto& [entity, character] : entities)
            if (raw.substr(i, entity.size()) == entity) {
                c = character;
                i += entity.size() - 1;
            }
        out += c;
    }
    return out;
}

// Reads the export's own form from `at`: an element holding text or elements, which stand
// on lines of their own.
Node Element(std::string_view xml, std::size_t& at)
{
    at = xml.find('<', at);
    const std::size_t close = xml.find('>', at);
    Node node;
    node.name = xml.substr(at + 1, std::min(xml.find(' ', at), close) - at - 1);
    at = close + 1;
    if (const std::size_t next = xml.find('<', at); xml.substr(next, 2) == "</") {
        node.text = Decoded(xml.substr(at, next - at));
        at = next;
    } else {
        while (xml.substr(xml.find('<', at), 2) != "</")
            node.children.push_back(Element(xml, at));
        at = xml.find('<', at);
    }
    const std::string end = "</" + node.name + ">";
    EXPECT_EQ(xml.substr(at, end.size()), end);
    at += end.size();
    return node;
}

Node Exported(const QPProject& project)
{
    const std::string xml = QPProjectXmlExport(project);
    EXPECT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\""));
    std::size_t at = xml.find("?>");
    Node root = Element(xml, at);
    EXPECT_EQ(root.name, "Project");
    EXPECT_EQ(xml.find('<', at), std::string::npos);
    return root;
}

const Node& ByUid(const Node& list, std::string_view kind, int64_t uid)
{
    for (const Node* node : list.All(kind))
        if ((*node)["UID"].text == std::to_string(uid))
            return *node;
    ADD_FAILURE() << "no " << kind << " with UID " << uid;
    static const Node none;
    return none;
}

const Node& TaskNode(const Node& root, const QPTask& task)
{
    return ByUid(root["Tasks"], "Task", task.key + 1);
}

// Each element's children as the format's schema orders them (each sequence trimmed to the
// stretch around what Kestrano writes): a reader that validates refuses any other order.
const char* const kProjectOrder =
        "SaveVersion UID Name Title Subject Category Company Manager Author CreationDate "
        "Revision LastSaved ScheduleFromStart StartDate FinishDate FYStartDate "
        "CriticalSlackLimit CurrencyDigits CurrencySymbol CurrencyCode CurrencySymbolPosition "
        "CalendarUID DefaultStartTime DefaultFinishTime MinutesPerDay MinutesPerWeek "
        "DaysPerMonth DefaultTaskType DefaultFixedCostAccrual DefaultStandardRate "
        "DefaultOvertimeRate DurationFormat WorkFormat EditableActualCosts HonorConstraints "
        "EarnedValueMethod InsertedProjectsLikeSummary MultipleCriticalPaths "
        "NewTasksEffortDriven NewTasksEstimated SplitsInProgressTasks SpreadActualCost "
        "SpreadPercentComplete TaskUpdatesResource FiscalYearStart WeekStartDay "
        "MoveCompletedEndsBack OutlineCodes WBSMasks ExtendedAttributes Calendars Tasks "
        "Resources Assignments";
const char* const kTaskOrder =
        "UID GUID ID Name Active Manual Type IsNull CreateDate Contact WBS WBSLevel "
        "OutlineNumber OutlineLevel Priority Start Finish Duration ManualStart ManualFinish "
        "ManualDuration DurationFormat Work Stop Resume ResumeValid EffortDriven Recurring "
        "OverAllocated Estimated Milestone Summary Critical EarlyStart LateFinish StartVariance "
        "FinishVariance WorkVariance FreeSlack TotalSlack FixedCost FixedCostAccrual "
        "PercentComplete PercentWorkComplete Cost OvertimeCost ActualStart RemainingWork ACWP "
        "CV ConstraintType CalendarUID ConstraintDate Deadline LevelAssignments "
        "LevelingCanSplit Hyperlink IgnoreResourceCalendar Notes HideBar Rollup BCWS BCWP "
        "PhysicalPercentComplete EarnedValueMethod PredecessorLink ActualWorkProtected "
        "ActualOvertimeWorkProtected ExtendedAttribute Baseline OutlineCode TimephasedData";
const char* const kPredecessorLinkOrder =
        "PredecessorUID Type CrossProject CrossProjectName LinkLag LagFormat";
const char* const kBaselineOrder =
        "TimephasedData Number Interim Start Finish Duration DurationFormat EstimatedDuration "
        "Work Cost BCWS BCWP";
const char* const kResourceOrder =
        "UID GUID ID Name Type IsNull Initials Phonetics NTAccount MaterialLabel Code Group "
        "WorkGroup EmailAddress Hyperlink HyperlinkAddress HyperlinkSubAddress MaxUnits "
        "PeakUnits OverAllocated AvailableFrom AvailableTo Start Finish CanLevel AccrueAt Work "
        "RegularWork OvertimeWork ActualWork RemainingWork ActualOvertimeWork "
        "RemainingOvertimeWork PercentWorkComplete StandardRate StandardRateFormat Cost "
        "OvertimeRate OvertimeRateFormat OvertimeCost CostPerUse ActualCost ActualOvertimeCost "
        "RemainingCost RemainingOvertimeCost WorkVariance CostVariance SV CV ACWP CalendarUID "
        "Notes BCWS BCWP Baseline";
const char* const kAssignmentOrder =
        "UID GUID TaskUID ResourceUID PercentWorkComplete ActualCost ACWP Confirmed Cost "
        "CostRateTable CostVariance CV Delay Finish FinishVariance Hyperlink WorkVariance "
        "LevelingDelay Milestone Notes OverAllocated OvertimeCost RegularWork RemainingWork "
        "ResponsePending Start Stop Resume StartVariance Summary SV Units UpdateNeeded VAC Work "
        "WorkContour BCWS Baseline TimephasedData";
const char* const kCalendarOrder =
        "UID GUID Name IsBaseCalendar IsBaselineCalendar BaseCalendarUID WeekDays Exceptions "
        "WorkWeeks";
const char* const kWeekDayOrder = "DayType DayWorking TimePeriod WorkingTimes";
const char* const kExceptionOrder =
        "EnteredByOccurrences TimePeriod Occurrences Name Type Period DaysOfWeek MonthItem "
        "MonthPosition Month MonthDay DayWorking WorkingTimes";

// Every child is one the schema allows there, in the schema's order; repeats only for
// the elements the schema repeats.
void ExpectSchemaOrder(const Node& node, const char* names)
{
    SCOPED_TRACE(node.name);
    std::vector<std::string> order;
    std::istringstream words(names);
    for (std::string word; words >> word;)
        order.push_back(word);
    std::size_t last = 0;
    std::string previous;
    for (const Node& child : node.children) {
        const auto at = std::find(order.begin(), order.end(), child.name);
        ASSERT_NE(at, order.end()) << child.name << " has no place in " << node.name;
        const std::size_t index = static_cast<std::size_t>(at - order.begin());
        const bool repeats = child.name == "PredecessorLink" || child.name == "Baseline";
        if (!previous.empty()) {
            EXPECT_TRUE(index > last || (index == last && repeats))
                    << child.name << " after " << previous;
        }
        last = index;
        previous = child.name;
    }
}

// --- a plan with one of everything ----------------------------------------------------------

struct RichPlan : Plan {
    RichPlan()
    {
        project.name = "Launch";
        night = &Schedule("Night", 22 * kHour, {0, 8, 8, 8, 8, 8, 0});
        header = &Task("Phase", "");
        header->isHeader = true;
        first = &Task("Design", "16");
        second = &Task("Build", "8");
        header->subtaskKeys = {first->key, second->key};
        second->AddDependency(first->key, eFinishToStart, 1.0f);
        second->autoSchedule = false;
        second->start = LocalTime(2027, 3, 10, 8);
        second->taskType = eTaskTypeFixedDuration;
        second->scheduleKey = night->key;
        second->constraintType = eConstraintStartAfter;
        second->constraintDate = LocalTime(2027, 3, 9);
        second->notes = "Check the <wiring> & \"fuses\"";
        alice = &Resource("Alice", nullptr, 4800, 7200);
        alice->email = "alice@example.org";
        alice->AddException(LocalTime(2027, 3, 2), 8 * kHour);
        first->AddResourceAssignment(alice->key, 50);
        second->AddResourceAssignment(alice->key, 100);
        Recalculate();
        project.BaselineAdd("Agreed");
        first->durationText = "24";
        Recalculate();
    }
    QPSchedule* night;
    QPTask* header;
    QPTask* first;
    QPTask* second;
    QPResource* alice;
};

TEST(ProjectXml, EveryElementStandsWhereTheSchemaPutsIt)
{
    RichPlan plan;
    const Node root = Exported(plan.project);
    ExpectSchemaOrder(root, kProjectOrder);
    for (const Node* calendar : root["Calendars"].All("Calendar")) {
        ExpectSchemaOrder(*calendar, kCalendarOrder);
        for (const Node* day : (*calendar)["WeekDays"].All("WeekDay"))
            ExpectSchemaOrder(*day, kWeekDayOrder);
        if (calendar->Has("Exceptions"))
            for (const Node* exception : (*calendar)["Exceptions"].All("Exception"))
                ExpectSchemaOrder(*exception, kExceptionOrder);
    }
    for (const Node* task : root["Tasks"].All("Task")) {
        ExpectSchemaOrder(*task, kTaskOrder);
        for (const Node* link : task->All("PredecessorLink"))
            ExpectSchemaOrder(*link, kPredecessorLinkOrder);
        for (const Node* baseline : task->All("Baseline"))
            ExpectSchemaOrder(*baseline, kBaselineOrder);
    }
    for (const Node* resource : root["Resources"].All("Resource"))
        ExpectSchemaOrder(*resource, kResourceOrder);
    for (const Node* assignment : root["Assignments"].All("Assignment"))
        ExpectSchemaOrder(*assignment, kAssignmentOrder);

    // A task with everything, element by element.
    EXPECT_EQ(TaskNode(root, *plan.second).ChildNames(),
              "UID ID Name Manual Type OutlineNumber OutlineLevel Start Finish Duration "
              "DurationFormat Work Milestone Summary FreeSlack TotalSlack PercentComplete Cost "
              "ConstraintType CalendarUID ConstraintDate Notes PredecessorLink Baseline");
}

TEST(ProjectXml, HeaderSummaryTaskAndOutline)
{
    RichPlan plan;
    auto loose = std::make_unique<QPTask>();
    loose->name = "Handover";
    plan.project.ElementAdd(std::move(loose), false);
    const Node root = Exported(plan.project);
    EXPECT_EQ(root["SaveVersion"].text, "14");
    EXPECT_EQ(root["Title"].text, "Launch");
    EXPECT_EQ(root["ScheduleFromStart"].text, "1");
    EXPECT_EQ(root["CalendarUID"].text, "1");
    EXPECT_EQ(root["MinutesPerDay"].text, "480");
    EXPECT_EQ(root["MinutesPerWeek"].text, "2400");
    EXPECT_EQ(root["CurrencyCode"].text, "USD");

    // Texts longer than the format allows are cut to its limits, in characters.
    plan.project.name = std::string(250, 'x') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";
    plan.project.options.currencySymbol = "\xE2\x82\xAC" + std::string(30, '$');
    plan.project.options.currencyCode = "EURO";
    const Node cut = Exported(plan.project);
    EXPECT_EQ(cut["Name"].text, std::string(250, 'x') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    plan.project.name = std::string(253, 'x') + "\xC3\xA9\xC3\xA9\xC3\xA9";
    EXPECT_EQ(Exported(plan.project)["Name"].text, std::string(253, 'x') + "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(Exported(plan.project)["Title"].text, plan.project.name.str());
    EXPECT_EQ(cut["CurrencySymbol"].text, "\xE2\x82\xAC" + std::string(19, '$'));
    EXPECT_EQ(cut["CurrencyCode"].text, "EUR");

    const std::vector<const Node*> tasks = root["Tasks"].All("Task");
    ASSERT_EQ(tasks.size(), 5u);
    const Node& summary = *tasks[0];
    EXPECT_EQ(summary["UID"].text, "0");
    EXPECT_EQ(summary["OutlineLevel"].text, "0");
    EXPECT_EQ(summary["Summary"].text, "1");
    EXPECT_EQ(summary["Deadline"].text.size(), 19u);
    const std::pair<std::string, std::string> outline[] = {
            {"1", "1"}, {"1.1", "2"}, {"1.2", "2"}, {"2", "1"}};
    for (std::size_t i = 0; i < std::size(outline); ++i) {
        EXPECT_EQ((*tasks[i + 1])["OutlineNumber"].text, outline[i].first);
        EXPECT_EQ((*tasks[i + 1])["OutlineLevel"].text, outline[i].second);
    }
    EXPECT_EQ(TaskNode(root, *plan.header)["Summary"].text, "1");
    // Manual and own calendar only where they apply.
    EXPECT_FALSE(TaskNode(root, *plan.first).Has("Manual"));
    EXPECT_FALSE(TaskNode(root, *plan.first).Has("CalendarUID"));
    EXPECT_EQ(TaskNode(root, *plan.second)["CalendarUID"].text,
              std::to_string(plan.night->key + 1));
    EXPECT_EQ(TaskNode(root, *plan.second)["Type"].text, "1");
    EXPECT_EQ(TaskNode(root, *plan.first)["Type"].text, "2");
    EXPECT_EQ(TaskNode(root, *plan.first)["Work"].text, "PT24H0M0S");
    EXPECT_EQ(TaskNode(root, *plan.second)["Start"].text, "2027-03-10T08:00:00");
    EXPECT_EQ(TaskNode(root, *plan.second)["Notes"].text, plan.second->notes);
    // The baseline keeps the work as it was frozen.
    const Node& baseline = TaskNode(root, *plan.first)["Baseline"];
    EXPECT_EQ(baseline["Number"].text, "0");
    EXPECT_EQ(baseline["Work"].text, "PT16H0M0S");
}

TEST(ProjectXml, LinkTypesAndLags)
{
    const struct {
        int32_t type;
        float lagDays;
        const char* formatType;
        const char* linkLag;
    } cases[] = {
            {eFinishToStart, 0.0f, "1", "0"},       {eStartToStart, 1.5f, "3", "21600"},
            {eFinishToFinish, -0.5f, "0", "-7200"}, {eStartToFinish, 2.0f, "2", "28800"},
            {eFinishToStart, 0.25f, "1", "3600"},
    };
    Plan plan;
    QPTask& predecessor = plan.Task("First", "8");
    std::vector<QPTask*> successors;
    for (const auto& c : cases) {
        successors.push_back(&plan.Task("Next", "8"));
        successors.back()->AddDependency(predecessor.key, c.type, c.lagDays);
    }
    const Node root = Exported(plan.project);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Node& link = TaskNode(root, *successors[i])["PredecessorLink"];
        EXPECT_EQ(link["PredecessorUID"].text, std::to_string(predecessor.key + 1));
        EXPECT_EQ(link["Type"].text, cases[i].formatType);
        EXPECT_EQ(link["LinkLag"].text, cases[i].linkLag);
        EXPECT_EQ(link["LagFormat"].text, "8");
    }
}

TEST(ProjectXml, Constraints)
{
    // After and Before leave their day out, the format's No Earlier / No Later Than keep
    // it in: their dates move by a day so that the same days stay open.
    const struct {
        int32_t kind;
        const char* formatType;
        const char* date;
    } cases[] = {
            {eConstraintNone, "0", nullptr},
            {eConstraintAsSoonAsPossible, "0", nullptr},
            {eConstraintAsLateAsPossible, "1", nullptr},
            {eConstraintStartOn, "2", "2027-03-03T09:30:00"},
            {eConstraintFinishOn, "3", "2027-03-03T09:30:00"},
            {eConstraintStartAfter, "4", "2027-03-04T09:30:00"},
            {eConstraintStartBefore, "5", "2027-03-02T09:30:00"},
            {eConstraintFinishAfter, "6", "2027-03-04T09:30:00"},
            {eConstraintFinishBefore, "7", "2027-03-02T09:30:00"},
    };
    Plan plan;
    std::vector<QPTask*> tasks;
    for (const auto& c : cases) {
        tasks.push_back(&plan.Task("Task", "8"));
        tasks.back()->constraintType = c.kind;
        tasks.back()->constraintDate = LocalTime(2027, 3, 3, 9, 30);
    }
    const Node root = Exported(plan.project);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Node& task = TaskNode(root, *tasks[i]);
        EXPECT_EQ(task["ConstraintType"].text, cases[i].formatType);
        EXPECT_EQ(task.Has("ConstraintDate"), cases[i].date != nullptr);
        if (cases[i].date) {
            EXPECT_EQ(task["ConstraintDate"].text, cases[i].date);
        }
    }
}

TEST(ProjectXml, RatesInTheProjectsCurrencyDigitsAndUnitsAsFractions)
{
    const struct {
        int32_t digits;
        int64_t rate;
        const char* text;
    } rates[] = {{2, 4800, "48.00"},
                 {0, 4800, "4800"},
                 {3, 12345, "12.345"},
                 {2, -1805, "-18.05"},
                 {2, 5, "0.05"}};
    for (const auto& r : rates) {
        Plan plan;
        plan.project.options.currencyDigits = r.digits;
        plan.Resource("Ann", nullptr, r.rate, 2 * r.rate);
        const Node root = Exported(plan.project);
        const Node& resource = *root["Resources"].All("Resource").at(0);
        EXPECT_EQ(resource["StandardRate"].text, r.text) << r.rate;
        EXPECT_EQ(resource["StandardRateFormat"].text, "2");
        EXPECT_EQ(resource["OvertimeRateFormat"].text, "2");
    }

    const struct {
        int32_t percent;
        const char* units;
    } units[] = {{100, "1"}, {50, "0.5"}, {25, "0.25"}, {5, "0.05"}, {33, "0.33"}, {0, "0"}};
    Plan plan;
    QPResource& ann = plan.Resource("Ann");
    std::vector<QPTask*> tasks;
    for (const auto& u : units) {
        tasks.push_back(&plan.Task("Task", "8"));
        tasks.back()->AddResourceAssignment(ann.key, u.percent);
    }
    const Node root = Exported(plan.project);
    const std::vector<const Node*> assignments = root["Assignments"].All("Assignment");
    ASSERT_EQ(assignments.size(), std::size(units));
    for (std::size_t i = 0; i < std::size(units); ++i) {
        EXPECT_EQ((*assignments[i])["Units"].text, units[i].units);
        EXPECT_EQ((*assignments[i])["TaskUID"].text, std::to_string(tasks[i]->key + 1));
        EXPECT_EQ((*assignments[i])["ResourceUID"].text, std::to_string(ann.key + 1));
    }
}

TEST(ProjectXml, AssignmentWorkIsWhatTheResourceWorks)
{
    // A Fixed Work task at half time shares out its hours; a Fixed Duration one takes the
    // resource for its hours at its percentage.
    Plan plan;
    QPResource& ann = plan.Resource("Ann");
    QPTask& shared = plan.Task("Shared", "16");
    shared.AddResourceAssignment(ann.key, 50);
    QPTask& fixed = plan.Task("Fixed", "8");
    fixed.taskType = eTaskTypeFixedDuration;
    fixed.AddResourceAssignment(ann.key, 50);
    plan.Recalculate();
    const Node root = Exported(plan.project);
    const std::vector<const Node*> assignments = root["Assignments"].All("Assignment");
    ASSERT_EQ(assignments.size(), 2u);
    EXPECT_EQ((*assignments[0])["Work"].text, "PT16H0M0S");
    EXPECT_EQ((*assignments[1])["Work"].text, "PT4H0M0S");
}

TEST(ProjectXml, SlackIsTheWorkingTimeItCovers)
{
    // One elapsed day after a Monday 16:00 finish covers Tuesday's shift.
    Plan plan;
    QPTask& task = plan.Task("Task", "8");
    task.start = LocalTime(2027, 3, 1, 8);
    task.finish = LocalTime(2027, 3, 1, 16);
    task.freeSlack = 86400;
    task.totalSlack = -86400;
    const Node root = Exported(plan.project);
    const Node& node = TaskNode(root, task);
    EXPECT_EQ(node["FreeSlack"].text, "4800");
    EXPECT_EQ(node["TotalSlack"].text, "-4800");
}

// --- calendars ------------------------------------------------------------------------------

// A day's working times as "08:00:00-16:00:00 ..."; "off" for none.
std::string Times(const Node& day)
{
    if (day["DayWorking"].text == "0")
        return day.Has("WorkingTimes") ? "off with times" : "off";
    std::string text;
    for (const Node* time : day["WorkingTimes"].All("WorkingTime"))
        text += (text.empty() ? "" : " ") + (*time)["FromTime"].text + "-" + (*time)["ToTime"].text;
    return text;
}

TEST(ProjectXml, WeekDaysCutAShiftPastMidnightAtMidnight)
{
    const struct {
        int32_t start;
        std::initializer_list<double> hours;
        std::vector<std::string> week; // Sunday first
    } cases[] = {
            {8 * kHour,
             {0, 8, 8, 8, 8, 8, 0},
             {"off", "08:00:00-16:00:00", "08:00:00-16:00:00", "08:00:00-16:00:00",
              "08:00:00-16:00:00", "08:00:00-16:00:00", "off"}},
            // A night shift: the hours after midnight open the next day.
            {22 * kHour,
             {0, 8, 8, 0, 0, 0, 0},
             {"off", "22:00:00-00:00:00", "00:00:00-06:00:00 22:00:00-00:00:00",
              "00:00:00-06:00:00", "off", "off", "off"}},
            // Ending at midnight leaves nothing for the next day; round the clock fills it.
            {16 * kHour,
             {0, 8, 0, 0, 0, 0, 0},
             {"off", "16:00:00-00:00:00", "off", "off", "off", "off", "off"}},
            {0,
             {24, 24, 0, 0, 0, 0, 0},
             {"00:00:00-00:00:00", "00:00:00-00:00:00", "off", "off", "off", "off", "off"}},
            // A shift running into the next day's own is the same working time once.
            {20 * kHour,
             {0, 12, 0, 0, 0, 0, 0},
             {"off", "20:00:00-00:00:00", "00:00:00-08:00:00", "off", "off", "off", "off"}},
    };
    for (const auto& c : cases) {
        Plan plan;
        const QPSchedule& schedule = plan.Schedule("Shifts", c.start, c.hours);
        const Node root = Exported(plan.project);
        const Node& calendar = ByUid(root["Calendars"], "Calendar", schedule.key + 1);
        EXPECT_EQ(calendar["IsBaseCalendar"].text, "1");
        EXPECT_FALSE(calendar.Has("Exceptions"));
        const std::vector<const Node*> days = calendar["WeekDays"].All("WeekDay");
        ASSERT_EQ(days.size(), 7u);
        for (int d = 0; d < 7; ++d) {
            EXPECT_EQ((*days[d])["DayType"].text, std::to_string(d + 1));
            EXPECT_EQ(Times(*days[d]), c.week[d]) << c.start << " day " << d;
        }
    }
}

// The exceptions of a calendar as "FROM..TO times", one each.
std::vector<std::string> ExceptionList(const Node& calendar)
{
    std::vector<std::string> list;
    if (!calendar.Has("Exceptions"))
        return list;
    for (const Node* exception : calendar["Exceptions"].All("Exception")) {
        const Node& period = (*exception)["TimePeriod"];
        EXPECT_EQ((*exception)["Occurrences"].text, "1");
        EXPECT_EQ((*exception)["Type"].text, "1");
        list.push_back(period["FromDate"].text.substr(0, 10) + ".." +
                       period["ToDate"].text.substr(0, 10) + " " + Times(*exception));
        EXPECT_EQ(period["FromDate"].text.substr(10), "T00:00:00");
        EXPECT_EQ(period["ToDate"].text.substr(10), "T23:59:00");
    }
    return list;
}

TEST(ProjectXml, ExceptionsAreTheDaysTheyChange)
{
    // 2027-03-01 is a Monday.
    const struct {
        int32_t start;
        std::initializer_list<double> hours;
        std::vector<std::pair<int, int32_t>> exceptions; // day of March, hours
        std::vector<std::string> expected;
    } cases[] = {
            {8 * kHour, {0, 8, 8, 8, 8, 8, 0}, {{1, 8}}, {"2027-03-01..2027-03-01 off"}},
            {8 * kHour,
             {0, 8, 8, 8, 8, 8, 0},
             {{1, 4}},
             {"2027-03-01..2027-03-01 12:00:00-16:00:00"}},
            // A leave over a weekend is one period.
            {8 * kHour, {0, 8, 8, 8, 8, 8, 0}, {{4, 32}}, {"2027-03-04..2027-03-09 off"}},
            // Ending inside a day's shift: that day keeps the rest of it.
            {8 * kHour,
             {0, 8, 8, 8, 8, 8, 0},
             {{5, 12}},
             {"2027-03-05..2027-03-07 off", "2027-03-08..2027-03-08 12:00:00-16:00:00"}},
            // On a day without a shift it takes the next working time, and the days
            // before that are named, where other schedules may work.
            {8 * kHour, {0, 8, 8, 8, 8, 8, 0}, {{6, 8}}, {"2027-03-06..2027-03-08 off"}},
            // Two on the same day take its time once.
            {8 * kHour, {0, 8, 8, 8, 8, 8, 0}, {{1, 8}, {1, 8}}, {"2027-03-01..2027-03-01 off"}},
            // A night shift: Monday 22:00 to Tuesday 06:00 goes, Tuesday's own shift stays.
            {22 * kHour,
             {0, 8, 8, 8, 8, 8, 0},
             {{1, 8}},
             {"2027-03-01..2027-03-01 off", "2027-03-02..2027-03-02 22:00:00-00:00:00"}},
    };
    for (const auto& c : cases) {
        Plan plan;
        QPSchedule& schedule = plan.Schedule("Shifts", c.start, c.hours);
        for (const auto& [day, hours] : c.exceptions)
            schedule.AddException(LocalTime(2027, 3, day), hours * kHour);
        const Node root = Exported(plan.project);
        EXPECT_EQ(ExceptionList(ByUid(root["Calendars"], "Calendar", schedule.key + 1)), c.expected)
                << c.start << " " << c.exceptions.front().first;
    }
}

TEST(ProjectXml, AResourceWithExceptionsHasACalendarBasedOnItsSchedule)
{
    Plan plan;
    plan.DefaultSchedule().AddException(LocalTime(2027, 3, 5), 8 * kHour);
    QPResource& away = plan.Resource("Away");
    away.AddException(LocalTime(2027, 3, 2), 8 * kHour);
    QPResource& here = plan.Resource("Here");
    const Node root = Exported(plan.project);
    const Node& calendar = ByUid(root["Calendars"], "Calendar", away.key + 1);
    EXPECT_EQ(calendar["Name"].text, "Away");
    EXPECT_EQ(calendar["IsBaseCalendar"].text, "0");
    EXPECT_EQ(calendar["BaseCalendarUID"].text, "1");
    // Its own exceptions only; the schedule's stay with the schedule.
    EXPECT_EQ(ExceptionList(calendar), std::vector<std::string>{"2027-03-02..2027-03-02 off"});
    EXPECT_EQ(ExceptionList(ByUid(root["Calendars"], "Calendar", 1)),
              std::vector<std::string>{"2027-03-05..2027-03-05 off"});
    EXPECT_EQ(ByUid(root["Resources"], "Resource", away.key + 1)["CalendarUID"].text,
              std::to_string(away.key + 1));
    EXPECT_EQ(ByUid(root["Resources"], "Resource", here.key + 1)["CalendarUID"].text, "1");
    EXPECT_EQ(root["Calendars"].All("Calendar").size(), 2u);
}

// --- text ---------------------------------------------------------------------------------

TEST(ProjectXml, TextIsEscapedAndKeptToXml)
{
    const std::pair<std::string, std::string> cases[] = {
            {"R&D <phase 1>", "R&amp;D &lt;phase 1&gt;"},
            {"say \"hi\"", "say &quot;hi&quot;"},
            {"]]>", "]]&gt;"},
            {"a\tb\nc", "a\tb\nc"},
            {"line\r\nend", "line&#13;\nend"},
            {std::string("nul\0bell\x07vt\x0b", 12), "nul bell vt "},
            {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x85",
             "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x85"},
            {"cut \xC3", "cut \xEF\xBF\xBD"},
            {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
            {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
            {"\xEF\xBF\xBE", "\xEF\xBF\xBD"},
            {"\x7f", "\x7f"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(QPXmlEscapeText(text), escaped) << text;

    // The same through a whole export, read back.
    Plan plan;
    plan.project.name = "Q&A <draft>";
    QPTask& task = plan.Task("R&D <phase 1>", "8");
    task.notes = "first\x01line\r\nsecond";
    QPResource& resource = plan.Resource("Zoë \"Z\"");
    resource.notes = "<b>";
    const Node root = Exported(plan.project);
    EXPECT_EQ(root["Name"].text, "Q&A <draft>");
    EXPECT_EQ(TaskNode(root, task)["Name"].text, "R&D <phase 1>");
    EXPECT_EQ(TaskNode(root, task)["Notes"].text, "first line\r\nsecond");
    EXPECT_EQ((*root["Resources"].All("Resource")[0])["Name"].text, "Zoë \"Z\"");
    EXPECT_EQ((*root["Resources"].All("Resource")[0])["Notes"].text, "<b>");
}

TEST(ProjectXml, TheFileIsWrittenWholeOrNotAtAll)
{
    TempDir folder;
    Plan plan;
    plan.Task("Task", "8");
    const std::string path = folder.Write("plan.xml", "older");
    ASSERT_TRUE(QPProjectXmlExportToFile(plan.project, path));
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              QPProjectXmlExport(plan.project));
    EXPECT_FALSE(QPProjectXmlExportToFile(plan.project, folder.File("no/plan.xml")));
    std::filesystem::create_directory(folder.File("taken.xml"));
    EXPECT_FALSE(QPProjectXmlExportToFile(plan.project, folder.File("taken.xml")));
    std::filesystem::remove(folder.File("taken.xml"));
    // Nothing is left beside the target.
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"plan.xml"});
}

} // namespace
