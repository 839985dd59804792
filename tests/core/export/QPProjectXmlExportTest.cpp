#include "export/QPProjectXmlExport.h"
#include "engine/QPWorkTime.h"
#include "import/LXmlReader.h"
#include "import/QPProjectXmlImport.h"

#include "support/Plan.h"
#include "support/RandomPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace {

// The document, read back by the strict reader, so also checked to be well-formed.
std::string Exported(const QPProject& project)
{
    const std::string xml = QPProjectXmlExport(project);
    LXmlReader reader(xml);
    LXmlNode root;
    EXPECT_EQ(reader.Next(), eXmlStartElement);
    EXPECT_TRUE(LXmlReadElement(reader, root)) << reader.Error();
    return xml;
}

// The text of the document's first element `name`.
std::string First(const std::string& xml, const std::string& name)
{
    const std::size_t from = xml.find("<" + name + ">") + name.size() + 2;
    return xml.substr(from, xml.find("</" + name + ">", from) - from);
}

// A plan with one of everything the format holds, as tests/data/export/launch.xml has it in
// the schema's order: a manual Fixed Duration task on its own schedule with notes to escape,
// baselines 0 and 10 (there is no 11), links of each kind, each constraint (After and Before
// move their dates by a day), assignment units and work, slack in tenths of working minutes,
// a resource's own exceptions, and weeks past midnight, round the clock and with exceptions.
TEST(ProjectXml, APlanWithOneOfEverythingIsTheDocumentItShouldBe)
{
    Plan plan;
    plan.project.name = "Launch";
    QPSchedule& night = plan.Schedule("Night", 22 * kHour, {0, 8, 8, 8, 8, 8, 0});
    plan.Schedule("Nights", 22 * kHour, {0, 8, 8, 0, 0, 0, 0});
    plan.Schedule("Round", 0, {24, 24, 0, 0, 0, 0, 0});
    plan.Schedule("Long", 20 * kHour, {0, 12, 0, 0, 0, 0, 0});
    QPSchedule& leave = plan.Schedule("Leave", 8 * kHour, {0, 8, 8, 8, 8, 8, 0});
    for (const auto& [day, hours] : {std::pair{1, 8}, {1, 8}, {2, 4}, {4, 32}, {12, 12}, {20, 8}})
        leave.AddException(LocalTime(2027, 3, day), hours * kHour);
    night.AddException(LocalTime(2027, 3, 1), 8 * kHour);
    QPTask &header = plan.Task("Phase", ""), &first = plan.Task("Design", "16"),
           &second = plan.Task("Build", "8"), &handover = plan.Task("Handover", "8");
    header.isHeader = true;
    header.subtaskKeys = {first.key, second.key};
    second.AddDependency(first.key, eFinishToStart, 1.0f);
    second.autoSchedule = false;
    second.start = LocalTime(2027, 3, 10, 8);
    second.taskType = eTaskTypeFixedDuration;
    second.scheduleKey = night.key;
    second.constraintType = eConstraintStartAfter;
    second.constraintDate = LocalTime(2027, 3, 9);
    // Broken, overlong, surrogate and non-character UTF-8 as U+FFFD, control characters as
    // spaces but for tabs and line ends.
    second.notes =
            "Check <wiring> & \"fuses\"\x01\x1f\xC0\xAF\r\nfirst ]]> a\tb" + std::string(1, '\0') +
            "\x07\xED\xA0\x80\xEF\xBF\xBE\x7f \xF0\x9F\x93\x85 caf\xC3\xA9 \xE2\x82\xAC cut \xC3";
    QPResource& alice = plan.Resource("Alice", nullptr, 4800, 7200);
    alice.email = "alice@example.org";
    alice.AddException(LocalTime(2027, 3, 2), 8 * kHour);
    first.AddResourceAssignment(alice.key, 50);
    second.AddResourceAssignment(alice.key, 100);
    int32_t type = eFinishToStart; // then Start-to-Start, Finish-to-Finish, Start-to-Finish
    for (float lag : {0.25f, 1.5f, -0.5f, 2.0f})
        plan.Task("Linked", "8").AddDependency(handover.key, type++, lag);
    for (int32_t kind = eConstraintAsLateAsPossible; kind <= eConstraintFinishAfter; ++kind) {
        QPTask& task = plan.Task("Constrained", "8");
        task.constraintType = kind;
        task.constraintDate = LocalTime(2027, 3, 3, 9, 30);
    }
    QPResource& ann = plan.Resource("Ann");
    for (int32_t percent : {100, 50, 5, 33})
        plan.Task("Assigned", "16").AddResourceAssignment(ann.key, percent);
    plan.Task("Fixed", "8").AddResourceAssignment(ann.key, 50);
    plan.project.tasks.back().taskType = eTaskTypeFixedDuration;
    plan.Recalculate();
    plan.project.BaselineAdd("Agreed");
    first.durationText = "24";
    plan.Recalculate();
    for (int id : {10, 11})
        plan.project.baselines.push_back(std::make_unique<QPBaseline>(plan.project, "Late", id));
    handover.start = LocalTime(2027, 3, 1, 8);
    handover.finish = LocalTime(2027, 3, 1, 16);
    handover.freeSlack = 86400;
    handover.totalSlack = -86400;
    std::ifstream expected(std::string(KESTRANO_TEST_DATA_DIR) + "/export/launch.xml");
    EXPECT_EQ(Exported(plan.project), std::string(std::istreambuf_iterator<char>(expected), {}));
}

TEST(ProjectXml, TextsAreCutToTheFormatsLimitsInCharactersAndAmountsKeepTheirDigits)
{
    Plan plan;
    const std::string e = "\xC3\xA9", euro = "\xE2\x82\xAC";
    plan.project.name = std::string(250, 'x') + e + e + e + e;
    plan.project.options.currencySymbol = euro + std::string(30, '$');
    plan.project.options.currencyCode = "EURO";
    std::string xml = Exported(plan.project);
    EXPECT_EQ(First(xml, "Name") + " " + First(xml, "CurrencySymbol") + " " +
                      First(xml, "CurrencyCode"),
              plan.project.name.str() + " " + euro + std::string(19, '$') + " EUR");
    plan.project.name = std::string(253, 'x') + e + e + e;
    xml = Exported(plan.project);
    EXPECT_EQ(First(xml, "Name") + " " + First(xml, "Title"),
              std::string(253, 'x') + e + e + " " + plan.project.name.str());
    QPResource& ann = plan.Resource("Ann");
    const std::tuple<int32_t, int64_t, const char*> rates[] = {
            {2, 4800, "48.00"},   {0, 4800, "4800"},    {1, 125, "12.5"},
            {3, 12345, "12.345"}, {2, -1805, "-18.05"}, {2, 5, "0.05"}};
    for (const auto& [digits, rate, text] : rates) {
        plan.project.options.currencyDigits = digits;
        ann.hourlyRate = rate;
        EXPECT_EQ(First(Exported(plan.project), "StandardRate"), text);
    }
}

// What a plan says, by list position and name rather than by key (a plan read back has
// new keys), as sorted texts; `computed` adds the dates, slack and costs.
std::vector<std::string> FactsOf(const QPProject& project, bool computed)
{
    std::vector<std::string> facts, sorted;
    auto text = [](auto... parts) {
        std::ostringstream out;
        out << std::fixed << std::setprecision(2);
        ((out << parts << ' '), ...);
        return out.str();
    };
    auto name = [](auto& list, int64_t key) {
        const auto* element = list.GetElementByKey(key);
        return element ? element->name.str() : "?";
    };
    const QPSchedule* standard = project.GetDefaultSchedule();
    facts.push_back(text(project.projectStart.Get(), project.projectDeadline.Get(),
                         standard ? standard->name.str() : "",
                         computed ? project.projectFinish.Get() : 0));
    for (const QPTask& task : project.tasks) {
        // None and As Soon As Possible are one kind in the format.
        const int32_t constraint = task.constraintType == eConstraintAsSoonAsPossible
                                           ? eConstraintNone
                                           : task.constraintType;
        facts.push_back(
                text(task.name.str(), task.isHeader, task.milestone,
                     task.milestone ? 0.0 : task.GetDurationSeconds(project.options) / 3600.0,
                     task.taskType, constraint,
                     QPTaskConstraintIsDated(constraint) ? task.constraintDate.Get() : 0,
                     task.autoSchedule));
        if (computed)
            facts.back() += text(task.percentComplete, task.start.Get(), task.finish.Get(),
                                 task.totalSlack, task.scheduledCost);
        for (const QPTaskDependency& link : task.dependencies)
            sorted.push_back(text(name(project.tasks, link.predecessorKey), "->", task.name.str(),
                                  link.type, link.lag));
        for (const QPResourceAssignment& assignment : task.resourceAssignments)
            sorted.push_back(text(task.name.str(), name(project.resources, assignment.resourceKey),
                                  assignment.percent));
    }
    for (const QPResource& resource : project.resources)
        if (computed)
            facts.push_back(text(resource.name.str(), resource.email.str(), resource.hourlyRate,
                                 resource.overtimeRate, resource.regularCost,
                                 resource.overtimeCost));
    // Each calendar's week and its working time less exceptions, from a week before the start
    // to a month after the finish: exceptions need not come back as the same records.
    const int64_t from = project.projectStart.Get() - 7 * 86400,
                  to = std::max(project.projectFinish.Get(), project.projectStart.Get()) +
                       31 * 86400;
    auto calendar = [&](const std::string& name, const QPSchedule& schedule,
                        const std::vector<QPScheduleException>* own) {
        std::string week = name;
        for (int day = 0; day < 7 && !own; ++day)
            week += schedule.shiftDuration[day] > 0
                            ? text("", schedule.shiftStart[day].Get(), schedule.shiftDuration[day])
                            : " off";
        QPWorkCalendar work(schedule);
        work.TakeOut(schedule.exceptions, schedule);
        if (own)
            work.TakeOut(*own, schedule);
        std::vector<QPTimeSpan> pieces;
        work.AppendWorkIn({from, to}, pieces);
        for (const QPTimeSpan& piece : pieces)
            week += text("", piece.from, piece.to);
        sorted.push_back(week);
    };
    for (const QPSchedule& schedule : project.schedules)
        calendar(schedule.name.str(), schedule, nullptr);
    for (const QPResource& resource : project.resources) {
        const QPSchedule* schedule = project.schedules.GetElementByKey(resource.scheduleKey);
        if (schedule || (schedule = standard))
            calendar(resource.name.str(), *schedule, &resource.exceptions);
    }
    std::sort(sorted.begin(), sorted.end());
    facts.insert(facts.end(), sorted.begin(), sorted.end());
    return facts;
}

// A plan written as Project XML and read back has the same facts, after recalculation too.
// The format has no weekly overtime limit and no start time for a day without work (read
// as 08:00), so both are set alike first.
TEST(ProjectXmlRoundTrip, RandomPlansComeBackTheSame)
{
    for (uint32_t seed = 1; seed <= 200 && !HasFailure(); ++seed) {
        QPProject original;
        RandomPlan(seed).Build(original);
        for (bool computed : {false, true}) {
            for (QPSchedule& schedule : original.schedules)
                for (int day = 0; day < 7 && computed; ++day)
                    if (schedule.shiftDuration[day] == 0)
                        schedule.shiftStart[day] = LDayTime(8 * kHour);
            QPProject back;
            for (QPProject* project : {&original, &back}) {
                const QPProjectXmlImportResult read =
                        project == &back ? QPImportProjectXml(back, QPProjectXmlExport(original))
                                         : QPProjectXmlImportResult{};
                ASSERT_EQ(read.result, eProcessSucceeded) << read.error << ", seed " << seed;
                for (QPSchedule& schedule : project->schedules)
                    schedule.regularWorkWeek = 0;
                project->AutoScheduleTasks();
                project->CalculateEndDateByTasks();
            }
            EXPECT_EQ(FactsOf(back, computed), FactsOf(original, computed)) << "seed " << seed;
        }
    }
}

} // namespace
