// The data panel's lists: the texts of task, resource and schedule rows, which tasks get a
// row, and where dragging rows of the task list moves the tasks.

#include "views/QPDataPanelRows.h"
#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kArrow = "\xE2\x86\x96";
const std::string kDash = "\xE2\x80\x94";

// A plan with two groups: "Build" shows its subtasks, "Fit out" hides them.
//   1 Survey, 2 Build [3 Frame, 4 Roof], 5 Fit out [6 Wiring, 7 Plumbing], 8 Handover
class GroupedPlan {
public:
    explicit GroupedPlan(bool fitOutShown = false)
    {
        plan.Task("Survey", "8");
        QPTask& build = Header("Build", true);
        build.subtaskKeys = {plan.Task("Frame", "16").key, plan.Task("Roof", "8").key};
        QPTask& fitOut = Header("Fit out", fitOutShown);
        fitOut.subtaskKeys = {plan.Task("Wiring", "8").key, plan.Task("Plumbing", "8").key};
        plan.Task("Handover", "2");
        plan.project.RefreshSubtaskHeaderKeys();
    }

    QPTask& Header(const std::string& name, bool shown)
    {
        QPTask& header = plan.Task(name, "0");
        header.isHeader = true;
        header.hideSubtasks = !shown;
        return header;
    }

    std::vector<int32_t> ShownIDs() const
    {
        std::vector<int32_t> ids;
        for (const QPListRow& row : QPTaskListRows(plan.project))
            ids.push_back(row.id);
        return ids;
    }

    std::vector<std::string> NamesInOrder() const
    {
        std::vector<std::string> names;
        for (const QPTask& task : plan.project.tasks)
            names.push_back(task.name.str());
        return names;
    }

    Plan plan;
};

QPTask& TaskNamed(QPProject& project, const char* name)
{
    return *project.tasks.GetElement(std::string_view(name));
}

// --- task rows ------------------------------------------------------------------------

TEST(DataPanelTaskRows, SubtasksOfAHidingHeaderGetNoRowAndShownSubtasksCarryTheArrow)
{
    GroupedPlan grouped;
    EXPECT_EQ(grouped.ShownIDs(), (std::vector<int32_t>{1, 2, 3, 4, 5, 8}));

    const std::vector<QPListRow> rows = QPTaskListRows(grouped.plan.project);
    EXPECT_EQ(rows[0].texts[1], "Survey");
    EXPECT_EQ(rows[1].texts[1], "Build");
    EXPECT_EQ(rows[2].texts[1], " " + kArrow + " Frame");
    EXPECT_EQ(rows[4].texts[1], "Fit out");
    EXPECT_EQ(rows[5].texts[1], "Handover");
    for (const QPListRow& row : rows) {
        EXPECT_EQ(row.texts.size(), 10u);
        EXPECT_EQ(row.texts[0], std::to_string(row.id));
    }

    GroupedPlan expanded(true);
    EXPECT_EQ(expanded.ShownIDs(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(DataPanelTaskRows, ATaskAfterTheRunOfAHidingHeaderIsShown)
{
    // A task put into the hidden run ends it: "Plumbing" is still listed among Fit out's
    // subtasks, but is no longer a member and gets its row back.
    GroupedPlan grouped;
    QPProject& project = grouped.plan.project;
    auto outsider = std::make_unique<QPTask>();
    outsider->name = "Snagging";
    outsider->id = 7;
    project.TaskInsert(std::move(outsider), 7, false);
    project.RefreshSubtaskHeaderKeys();
    EXPECT_EQ(grouped.ShownIDs(), (std::vector<int32_t>{1, 2, 3, 4, 5, 7, 8, 9}));
}

TEST(DataPanelTaskRows, ColumnsOfATask)
{
    Plan plan;
    QPTask& survey = plan.Task("Survey", "8");
    QPTask& build = plan.Task("Build", "12.5");
    const QPResource& anna = plan.Resource("Anna");
    const QPResource& bob = plan.Resource("Bob");
    build.percentComplete = 45;
    build.AddResourceAssignment(anna.key, 50);
    build.AddResourceAssignment(9999, 100); // its resource is gone
    build.AddResourceAssignment(bob.key, 100);
    build.AddResourceAssignment(8888, 25); // gone, and at the head of the list
    build.AddDependency(survey.key, eFinishToStart, 0);
    build.AddDependency(7777, eFinishToStart, 0);
    build.displayStart = LocalTime(2027, 3, 1, 8, 0, 0);
    build.finish = LocalTime(2027, 7, 2, 16, 30, 5);
    build.constraintType = eConstraintStartOn;
    build.constraintDate = LocalTime(2027, 3, 5, 12);
    build.taskType = eTaskTypeFixedDuration;
    build.resourceConflict = true;

    const QPListRow row = QPTaskListRow(plan.project, build);
    EXPECT_EQ(row.id, 2);
    EXPECT_TRUE(row.overCommitted);
    const std::vector<std::string> expected = {
            "2",
            "Build",
            "12.5",
            "45%",
            "2027-03-01 08:00:00",
            "2027-07-02 16:30:05",
            "Bob " + kDash + " 100%, Anna " + kDash + " 50%",
            "Survey (ID #1)",
            "Start On 2027-03-05",
            "Fixed Duration",
    };
    EXPECT_EQ(row.texts, expected);

    // Unset dates give a blank date and time; no assignments or dependencies give nothing.
    const QPListRow bare = QPTaskListRow(plan.project, survey);
    EXPECT_FALSE(bare.overCommitted);
    EXPECT_EQ(bare.texts[3], "0%");
    EXPECT_EQ(bare.texts[4], " ");
    EXPECT_EQ(bare.texts[5], " ");
    EXPECT_EQ(bare.texts[6], "");
    EXPECT_EQ(bare.texts[7], "");
    EXPECT_EQ(bare.texts[8], "");
    EXPECT_EQ(bare.texts[9], "Fixed Work");
}

TEST(DataPanelTaskRows, DatesAreLocalTime)
{
    Plan plan;
    QPTask& task = plan.Task("Build", "8");
    task.displayStart = UtcTime(2027, 7, 1, 12, 0, 0);
    task.finish = UtcTime(2027, 12, 1, 23, 30, 0);
    {
        ScopedTimeZone berlin("Europe/Berlin");
        const QPListRow row = QPTaskListRow(plan.project, task);
        EXPECT_EQ(row.texts[4], "2027-07-01 14:00:00");
        EXPECT_EQ(row.texts[5], "2027-12-02 00:30:00");
    }
    {
        ScopedTimeZone newYork("America/New_York");
        const QPListRow row = QPTaskListRow(plan.project, task);
        EXPECT_EQ(row.texts[4], "2027-07-01 08:00:00");
        EXPECT_EQ(row.texts[5], "2027-12-01 18:30:00");
    }
}

TEST(DataPanelTaskRows, ConstraintsAndTypes)
{
    Plan plan;
    QPTask& task = plan.Task("Build", "8");
    const LDateTime date = LocalTime(2027, 11, 30, 12);
    const std::vector<std::pair<int32_t, std::string>> constraints = {
            {0, ""},
            {1, "As Late As Possible"},
            {2, "As Soon As Possible"},
            {3, "Start On 2027-11-30"},
            {4, "Start Before 2027-11-30"},
            {5, "Start After 2027-11-30"},
            {6, "Finish On 2027-11-30"},
            {7, "Finish Before 2027-11-30"},
            {8, "Finish After 2027-11-30"},
            {9, ""},
            {-1, ""},
    };
    task.constraintDate = date;
    for (const auto& [type, text] : constraints) {
        task.constraintType = type;
        EXPECT_EQ(QPTaskListRow(plan.project, task).texts[8], text) << "constraint " << type;
    }
    task.taskType = 2;
    EXPECT_EQ(QPTaskListRow(plan.project, task).texts[9], "");
}

// --- resource and schedule rows --------------------------------------------------------

TEST(DataPanelResourceRows, ScheduleNameAndRatesInTheProjectsCurrency)
{
    Plan plan;
    QPSchedule& nights = plan.Schedule("Nights", 22 * kHour, {0, 8, 8, 8, 8, 8, 0});
    plan.Resource("Anna", &nights, 1850, 123456789);
    QPResource& bob = plan.Resource("Bob", nullptr, 0, -500);
    bob.scheduleKey = 4242; // the schedule is gone

    std::vector<QPListRow> rows = QPResourceListRows(plan.project);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].texts,
              (std::vector<std::string>{"1", "Anna", "Nights", "$18.50", "$1,234,567.89"}));
    EXPECT_EQ(rows[1].texts[2], "");
    EXPECT_EQ(rows[1].texts[3], "$0.00");
    EXPECT_EQ(rows[1].texts[4], "-$5.00");

    QPProjectOptions& options = plan.project.options;
    options.SetCurrencySymbol("\xE2\x82\xAC");
    options.SetCurrencyPosition(1);
    options.SetDecimalSymbol(",");
    options.SetThousandsSymbol(".");
    options.SetCurrencyDigits(0);
    rows = QPResourceListRows(plan.project);
    EXPECT_EQ(rows[0].texts[3], "1.850\xE2\x82\xAC");
}

TEST(DataPanelScheduleRows, WorkOfEachWeekdayInHoursAndWholeMinutes)
{
    EXPECT_EQ(QPScheduleDayText(27000), "7 Hrs 30 Mins");
    EXPECT_EQ(QPScheduleDayText(59), "0 Hrs 0 Mins");
    EXPECT_EQ(QPScheduleDayText(0), "No Work");
    EXPECT_EQ(QPScheduleDayText(3719), "1 Hrs 1 Mins");
    EXPECT_EQ(QPScheduleDayText(86400), "24 Hrs 0 Mins");

    Plan plan;
    plan.Schedule("Weekend crew", 9 * kHour, {7.5, 0, 0, 0, 0, 4, 10});
    const std::vector<QPListRow> rows = QPScheduleListRows(plan.project);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].texts,
              (std::vector<std::string>{"1", "Default Schedule", "No Work", "8 Hrs 0 Mins",
                                        "8 Hrs 0 Mins", "8 Hrs 0 Mins", "8 Hrs 0 Mins",
                                        "8 Hrs 0 Mins", "No Work"}));
    EXPECT_EQ(rows[1].texts,
              (std::vector<std::string>{"2", "Weekend crew", "7 Hrs 30 Mins", "No Work", "No Work",
                                        "No Work", "No Work", "4 Hrs 0 Mins", "10 Hrs 0 Mins"}));
}

// --- column layouts ------------------------------------------------------------------

TEST(DataPanelColumnLayout, WidthsGoBackAndForthAndDamagedValuesAreIgnored)
{
    const std::vector<int> widths = {60, 100, 4000, 1};
    EXPECT_EQ(QPColumnWidthsText(widths), "60,100,4000,1");
    EXPECT_EQ(QPColumnWidthsFromText("60,100,4000,1", 4), widths);

    for (const char* damaged :
         {"", "60,100,4000", "60,100,4000,1,5", "60,,4000,1", "60,100,4000,", "60,100,4001,1",
          "60,100,0,1", "60,-1,40,1", "60, 100,40,1", "60,100,40,1x", "99999999999999999999,1,1,1"})
        EXPECT_EQ(QPColumnWidthsFromText(damaged, 4), std::nullopt) << '"' << damaged << '"';
}

// --- dragging -------------------------------------------------------------------------

struct DragCase {
    const char* name;
    bool fitOutShown;
    std::vector<int> selectedRows;
    int dropRow;
    // Empty for a refused drag.
    std::vector<int32_t> ids;
    int32_t target = 0;
    // The task list after the move.
    std::vector<std::string> order;
};

void PrintTo(const DragCase& drag, std::ostream* out)
{
    *out << drag.name;
}

class DataPanelDrag : public ::testing::TestWithParam<DragCase> {};

const std::vector<std::string> kUnmoved = {"Survey",  "Build",  "Frame",    "Roof",
                                           "Fit out", "Wiring", "Plumbing", "Handover"};

// Rows with "Fit out" collapsed: 0 Survey, 1 Build, 2 Frame, 3 Roof, 4 Fit out, 5 Handover.
// Expanded, 5 Wiring, 6 Plumbing and 7 Handover.
const DragCase kDragCases[] = {
        {"HeaderHidingItsSubtasksTakesThemToTheTop",
         false,
         {4},
         0,
         {5, 6, 7},
         1,
         {"Fit out", "Wiring", "Plumbing", "Survey", "Build", "Frame", "Roof", "Handover"}},
        {"HeaderTakesItsGroupToTheEnd",
         false,
         {1},
         6,
         {2, 3, 4},
         9,
         {"Survey", "Fit out", "Wiring", "Plumbing", "Handover", "Build", "Frame", "Roof"}},
        {"HeaderWithItsShownSubtaskRowsSelected",
         false,
         {1, 2, 3},
         0,
         {2, 3, 4},
         1,
         {"Build", "Frame", "Roof", "Survey", "Fit out", "Wiring", "Plumbing", "Handover"}},
        {"TwoGroupsAndATaskTogether",
         true,
         {0, 1, 2, 3, 4},
         8,
         {1, 2, 3, 4, 5, 6, 7},
         9,
         {"Handover", "Survey", "Build", "Frame", "Roof", "Fit out", "Wiring", "Plumbing"}},
        {"TaskBelowAHidingHeaderLandsAfterItsHiddenGroup",
         false,
         {0},
         5,
         {1},
         8,
         {"Build", "Frame", "Roof", "Fit out", "Wiring", "Plumbing", "Survey", "Handover"}},
        {"TaskDroppedAfterAShownGroupLandsAfterIt",
         false,
         {5},
         4,
         {8},
         5,
         {"Survey", "Build", "Frame", "Roof", "Handover", "Fit out", "Wiring", "Plumbing"}},
        {"TaskDroppedWhereItIsStays", false, {0}, 1, {1}, 2, kUnmoved},
        {"TaskDroppedAtTheTop",
         false,
         {5},
         0,
         {8},
         1,
         {"Handover", "Survey", "Build", "Frame", "Roof", "Fit out", "Wiring", "Plumbing"}},
        {"TaskDroppedBeyondTheLastRowGoesToTheEnd",
         false,
         {0},
         99,
         {1},
         9,
         {"Build", "Frame", "Roof", "Fit out", "Wiring", "Plumbing", "Handover", "Survey"}},
        {"SubtaskDroppedRightUnderItsHeaderGoesToTheTopOfItsGroup",
         false,
         {3},
         2,
         {4},
         3,
         {"Survey", "Build", "Roof", "Frame", "Fit out", "Wiring", "Plumbing", "Handover"}},
        {"SubtaskDroppedUnderASiblingStaysInItsGroup",
         false,
         {2},
         4,
         {3},
         5,
         {"Survey", "Build", "Roof", "Frame", "Fit out", "Wiring", "Plumbing", "Handover"}},
        {"SubtasksOfOneGroupTogether", true, {5, 6}, 5, {6, 7}, 6, kUnmoved},
        {"SubtaskAboveItsHeaderRowIsRefused", false, {2}, 1, {}, 0, kUnmoved},
        {"SubtaskAtTheTopIsRefused", false, {3}, 0, {}, 0, kUnmoved},
        {"SubtaskIntoAnotherGroupIsRefused", true, {2}, 6, {}, 0, kUnmoved},
        {"SubtaskBelowItsGroupIsRefused", false, {2}, 5, {}, 0, kUnmoved},
        {"SubtaskAtTheEndIsRefused", false, {2}, 6, {}, 0, kUnmoved},
        {"TaskIntoAGroupIsRefused", false, {0}, 3, {}, 0, kUnmoved},
        {"TaskRightUnderAShownHeaderIsRefused", false, {5}, 2, {}, 0, kUnmoved},
        {"TaskThenSubtaskIsRefused", false, {0, 2}, 0, {}, 0, kUnmoved},
        {"SubtaskThenTaskIsRefused", false, {2, 5}, 0, {}, 0, kUnmoved},
        {"SubtaskThenHeaderIsRefused", false, {2, 4}, 0, {}, 0, kUnmoved},
        {"HeaderWithAnotherGroupsSubtaskIsRefused", true, {1, 5}, 0, {}, 0, kUnmoved},
        {"SubtasksOfTwoGroupsAreRefused", true, {3, 5}, 4, {}, 0, kUnmoved},
        {"NothingSelectedIsRefused", false, {}, 0, {}, 0, kUnmoved},
};

TEST_P(DataPanelDrag, MovesTheTasksWhereTheyWereDropped)
{
    const DragCase& drag = GetParam();
    GroupedPlan grouped(drag.fitOutShown);
    const QPTaskDrop drop = QPPlanTaskDrop(grouped.plan.project, grouped.ShownIDs(),
                                           drag.selectedRows, drag.dropRow);
    EXPECT_EQ(drop.accepted, !drag.ids.empty());
    if (drop.accepted) {
        EXPECT_EQ(drop.ids, drag.ids);
        EXPECT_EQ(drop.target, drag.target);
        grouped.plan.project.MoveTasksByID(drop.ids, drop.target, true);
        grouped.plan.project.RefreshSubtaskHeaderKeys();
    }
    EXPECT_EQ(grouped.NamesInOrder(), drag.order);
    // Groups survive every accepted move whole.
    EXPECT_EQ(TaskNamed(grouped.plan.project, "Frame").headerKey,
              TaskNamed(grouped.plan.project, "Build").key);
    EXPECT_EQ(TaskNamed(grouped.plan.project, "Roof").headerKey,
              TaskNamed(grouped.plan.project, "Build").key);
    EXPECT_EQ(TaskNamed(grouped.plan.project, "Plumbing").headerKey,
              TaskNamed(grouped.plan.project, "Fit out").key);
}

INSTANTIATE_TEST_SUITE_P(Cases, DataPanelDrag, ::testing::ValuesIn(kDragCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
