// The data panel's lists: the texts of task, resource and schedule rows, which tasks get a
// row, and where dragging rows of the task list moves the tasks.

#include "views/QPDataPanelRows.h"
#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kArrow = "\xE2\x86\x96";
const std::string kDash = "\xE2\x80\x94";

// A plan with two groups: "Build" shows its subtasks, "Fit out" hides them.
//   1 Survey, 2 Build [3 Frame, 4 Roof], 5 Fit out [6 Wiring, 7 Plumbing], 8 Handover
struct GroupedPlan {
    explicit GroupedPlan(bool fitOutShown = false)
    {
        plan.Task("Survey", "8");
        QPTask& build = Header("Build", true);
        build.subtaskKeys = {plan.Task("Frame", "16").key, plan.Task("Roof", "8").key};
        QPTask& fitOut = Header("Fit out", fitOutShown);
        fitOut.subtaskKeys = {plan.Task("Wiring", "8").key, plan.Task("Plumbing", "8").key};
        plan.Task("Handover", "2");
        plan.project.RefreshSubtaskHeaderKeys();
        first = plan.project.tasks.At(0).key;
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
    // The task list as the tasks' places in the plan as built, from 1.
    std::string Order() const
    {
        std::string order;
        for (const QPTask& task : plan.project.tasks)
            order += (order.empty() ? "" : " ") + std::to_string(task.key - first + 1);
        return order;
    }

    Plan plan;
    int64_t first = 0;
};

QPTask& TaskNamed(QPProject& project, const char* name)
{
    return *project.tasks.GetElement(std::string_view(name));
}

// A row's texts joined by "|", with "!" in front for an overcommitted task.
std::string Joined(const QPListRow& row)
{
    std::string text = row.overCommitted ? "!" : "";
    for (std::size_t i = 0; i < row.texts.size(); ++i)
        text += (i ? "|" : "") + row.texts[i];
    return text;
}

TEST(DataPanelTaskRows, SubtasksOfAHidingHeaderGetNoRowAndShownSubtasksCarryTheArrow)
{
    // Which rows a hidden or shown group leaves is in the drags of task-drags.txt.
    GroupedPlan grouped;
    EXPECT_EQ(Joined(QPTaskListRows(grouped.plan.project)[2]),
              "3| " + kArrow + " Frame|16|0%| | ||||Fixed Work");
    // A task put into the hidden run ends it: "Plumbing" is still listed among Fit out's
    // subtasks, but is no longer a member and gets its row back.
    QPProject& project = grouped.plan.project;
    auto outsider = std::make_unique<QPTask>();
    outsider->id = 7;
    project.TaskInsert(std::move(outsider), 7, false);
    project.RefreshSubtaskHeaderKeys();
    EXPECT_EQ(grouped.ShownIDs(), (std::vector<int32_t>{1, 2, 3, 4, 5, 7, 8, 9}));
}

TEST(DataPanelTaskRows, ColumnsOfATaskInLocalTime)
{
    Plan plan;
    QPTask& survey = plan.Task("Survey", "8");
    QPTask& build = plan.Task("Build", "12.5");
    build.percentComplete = 45;
    build.AddResourceAssignment(plan.Resource("Anna").key, 50);
    build.AddResourceAssignment(9999, 100); // its resource is gone
    build.AddResourceAssignment(plan.Resource("Bob").key, 100);
    build.AddResourceAssignment(8888, 25); // gone, and at the head of the list
    build.AddDependency(survey.key, eFinishToStart, 0);
    build.AddDependency(7777, eFinishToStart, 0);
    build.start = LocalTime(2027, 2, 1); // the first moment of work is shown, not this
    build.displayStart = UtcTime(2027, 7, 1, 12);
    build.finish = UtcTime(2027, 12, 1, 23, 30, 5);
    build.constraintType = eConstraintStartOn;
    build.constraintDate = LocalTime(2027, 3, 5, 12);
    build.taskType = eTaskTypeFixedDuration;
    build.resourceConflict = true;
    ScopedTimeZone berlin("Europe/Berlin"); // where the finish falls after midnight
    EXPECT_EQ(Joined(QPTaskListRow(plan.project, build)),
              "!2|Build|12.5|45%|2027-07-01 14:00:00|2027-12-02 00:30:05|Bob " + kDash +
                      " 100%, Anna " + kDash +
                      " 50%|Survey (ID #1)|Start On 2027-03-05|Fixed Duration");
    // Unset dates give a blank date and time; no assignments or dependencies give nothing.
    EXPECT_EQ(Joined(QPTaskListRow(plan.project, survey)), "1|Survey|8|0%| | ||||Fixed Work");
    // An unknown task type shows nothing (the constraint texts are the model's).
    survey.taskType = 2;
    EXPECT_EQ(QPTaskListRow(plan.project, survey).texts[9], "");
}

TEST(DataPanelResourceAndScheduleRows, RatesInTheProjectsCurrencyWorkInHoursAndWholeMinutes)
{
    // Whole hours, half an hour and none are in the schedule rows below.
    for (const auto& [seconds, text] :
         {std::pair{59, "0 Hrs 0 Mins"}, {3719, "1 Hrs 1 Mins"}, {86400, "24 Hrs 0 Mins"}})
        EXPECT_EQ(QPScheduleDayText(seconds), text);
    Plan plan;
    plan.Resource("Anna", &plan.Schedule("Nights", 22 * kHour, {0, 8}), 1850, 123456789);
    plan.Resource("Bob", nullptr, 0, -500).scheduleKey = 4242; // the schedule is gone
    plan.Schedule("Weekend crew", 9 * kHour, {7.5, 0, 0, 0, 0, 4, 10});
    const std::vector<QPListRow> rows = QPResourceListRows(plan.project),
                                 schedules = QPScheduleListRows(plan.project);
    ASSERT_EQ(std::vector({rows.size(), schedules.size()}), std::vector<std::size_t>({2, 3}));
    EXPECT_EQ(Joined(rows[0]), "1|Anna|Nights|$18.50|$1,234,567.89");
    EXPECT_EQ(Joined(rows[1]), "2|Bob||$0.00|-$5.00");
    EXPECT_EQ(Joined(schedules[0]), "1|Default Schedule|No Work|8 Hrs 0 Mins|8 Hrs 0 Mins|8 Hrs 0 "
                                    "Mins|8 Hrs 0 Mins|8 Hrs 0 Mins|No Work");
    EXPECT_EQ(Joined(schedules[2]), "3|Weekend crew|7 Hrs 30 Mins|No Work|No Work|No Work|No "
                                    "Work|4 Hrs 0 Mins|10 Hrs 0 Mins");
    // The project's currency (its formats are the model's).
    plan.project.options.SetCurrencySymbol("\xE2\x82\xAC");
    EXPECT_EQ(QPResourceListRows(plan.project)[0].texts[3], "\xE2\x82\xAC"
                                                            "18.50");
}

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

// Each line of the data: whether "Fit out" shows its subtasks, the selected rows, the row
// the drop goes above, and what the drop moves where with the task list after it.
TEST(DataPanelDrag, MovesTheTasksWhereTheyWereDroppedAndKeepsGroupsWhole)
{
    std::ifstream cases(std::string(KESTRANO_TEST_DATA_DIR) + "/views/task-drags.txt");
    int count = 0;
    for (std::string line; std::getline(cases, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream in(line);
        std::string shown, rows, dropRow, expected;
        std::getline(std::getline(std::getline(in, shown, '|'), rows, '|'), dropRow, '|');
        std::getline(in >> std::ws, expected);
        GroupedPlan grouped(shown == "shown ");
        QPProject& project = grouped.plan.project;
        std::istringstream selection(rows);
        const std::vector<int> selected{std::istream_iterator<int>(selection), {}};
        const QPTaskDrop drop =
                QPPlanTaskDrop(project, grouped.ShownIDs(), selected, std::stoi(dropRow));
        std::string outcome = drop.accepted ? "" : "refused";
        if (drop.accepted) {
            project.MoveTasksByID(drop.ids, drop.target, true);
            project.RefreshSubtaskHeaderKeys();
            for (const int32_t id : drop.ids)
                outcome += std::to_string(id) + " ";
            outcome += "> " + std::to_string(drop.target);
        }
        EXPECT_EQ(outcome + ": " + grouped.Order(), expected) << line;
        for (const auto& [task, header] :
             {std::pair{"Frame", "Build"}, {"Roof", "Build"}, {"Plumbing", "Fit out"}})
            EXPECT_EQ(TaskNamed(project, task).headerKey, TaskNamed(project, header).key);
        ++count;
    }
    EXPECT_EQ(count, 25);
}

} // namespace
