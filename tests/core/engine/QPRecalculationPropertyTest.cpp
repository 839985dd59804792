// Recalculation rules on seeded random plans, judged by an oracle that works everything out
// again from the plan's inputs (support/PlanOracle), and hand-checked cases that show the
// oracle itself gets shifts, exceptions, shares and the weekly split right.
//
// KESTRANO_ORACLE_ALL=1 prints every broken rule instead of a few per rule.

#include "dialogs/QPScheduleDialogRules.h"
#include "dialogs/QPTaskDialogRules.h"
#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/PlanOracle.h"
#include "support/RandomPlan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace plan_oracle;

namespace {

constexpr uint32_t kGroups = 10;
constexpr uint32_t kPlansPerGroup = 30;
constexpr int kRules = 7;
constexpr std::size_t kExamplesPerRule = 3;

const char* const kRuleNames[kRules + 1] = {"",
                                            "rule 1 (links hold)",
                                            "rule 2 (work placed)",
                                            "rule 3 (leveling levels)",
                                            "rule 4 (cost)",
                                            "rule 5 (stable)",
                                            "rule 6 (dates set)",
                                            "rule 7 (late only uses slack)"};

void Recalculate(QPProject& project)
{
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
}

struct Findings {
    std::array<std::vector<std::string>, kRules + 1> byRule;
    int brokenPlans = 0;
    std::string firstPlan;

    void Add(int rule, std::vector<std::string> lines)
    {
        for (std::string& line : lines)
            byRule[static_cast<std::size_t>(rule)].push_back(std::move(line));
    }
    std::size_t Count() const
    {
        std::size_t count = 0;
        for (const auto& lines : byRule)
            count += lines.size();
        return count;
    }
    std::string Report(bool everything) const
    {
        std::ostringstream out;
        for (int rule = 1; rule <= kRules; ++rule) {
            const auto& lines = byRule[static_cast<std::size_t>(rule)];
            if (lines.empty())
                continue;
            out << kRuleNames[rule] << ": " << lines.size() << " broken\n";
            for (std::size_t i = 0; i < lines.size() && (everything || i < kExamplesPerRule); ++i)
                out << "    " << lines[i] << '\n';
        }
        if (!firstPlan.empty())
            out << "First plan with a broken rule:\n" << firstPlan;
        return out.str();
    }
};

// Builds the seed's plan, recalculates it and runs every check on it.
void CheckPlan(uint32_t seed, Findings& findings)
{
    const std::size_t before = findings.Count();
    QPProject project;
    const RandomPlanFacts facts = RandomPlan(seed).Build(project);
    // Today lies inside the plan, so that costs to date count some days and leave others.
    ScopedEnvironment now("KESTRANO_NOW", facts.now.c_str());
    Recalculate(project);

    PlanOracle oracle(project, seed);
    findings.Add(1, oracle.CheckLinks());
    findings.Add(2, oracle.CheckWork());
    findings.Add(3, oracle.CheckLeveling());
    findings.Add(4, oracle.CheckCosts(DayOf(facts.nowMoment.Get())));
    findings.Add(6, oracle.CheckDates());

    // Saved, loaded and recalculated twice, the plan keeps every result (loading turns the
    // lists of links, assignments and exceptions around, which must not matter).
    const auto reload = [&](QPProject& from, QPProject& to, const char* step) {
        if (to.ProjectLoadFromBytes(from.ProjectSaveToBytes()) != 0) {
            findings.Add(5, {"seed " + std::to_string(seed) + ": rule 5 (stable): " + step +
                             ": the saved plan does not load"});
            return;
        }
        Recalculate(to);
        findings.Add(5, CompareResults(from, to, seed, step));
    };
    QPProject loaded;
    reload(project, loaded, "saved, loaded and recalculated");
    QPProject reloaded;
    reload(loaded, reloaded, "the same once more");

    // Without resources, As Late As Possible tasks only use their slack.
    QPProject late;
    RandomPlan(seed).Build(late, RandomPlanOptions{false, false});
    Recalculate(late);
    QPProject soon;
    RandomPlan(seed).Build(soon, RandomPlanOptions{false, true});
    Recalculate(soon);
    findings.Add(7, CheckLateOnlyUsesSlack(late, soon, seed));
    findings.Add(7,
                 PlanOracle(late, seed).CheckLinks("rule 7 (links in the plan without resources)"));

    if (findings.Count() != before) {
        ++findings.brokenPlans;
        if (findings.firstPlan.empty())
            findings.firstPlan = "seed " + std::to_string(seed) + ":\n" + DescribePlan(project);
    }
}

bool PrintEverything()
{
    const char* all = std::getenv("KESTRANO_ORACLE_ALL");
    return all && *all && std::string(all) != "0";
}

class QPRecalculationProperty : public ::testing::TestWithParam<uint32_t> {};

} // namespace

TEST_P(QPRecalculationProperty, RandomPlansKeepEveryRule)
{
    const uint32_t first = GetParam() * kPlansPerGroup + 1;
    Findings findings;
    for (uint32_t seed = first; seed < first + kPlansPerGroup; ++seed)
        CheckPlan(seed, findings);
    if (findings.Count() > 0)
        ADD_FAILURE() << "Recalculation rules broken in " << findings.brokenPlans << " of "
                      << kPlansPerGroup << " plans (seeds " << first << " to "
                      << first + kPlansPerGroup - 1 << "):\n"
                      << findings.Report(PrintEverything());
}

INSTANTIATE_TEST_SUITE_P(Seeds, QPRecalculationProperty, ::testing::Range(0u, kGroups));

// What only a file can hold: loops (through headers too), links to a task's own header,
// predecessors, resources and schedules that are gone, a schedule without shifts, negative
// lags and constraint kinds outside the nine. The recalculation still ends, gives every
// task dates, and a second one changes nothing.
TEST(QPRecalculationFromFiles, EndsGivesDatesAndStaysPut)
{
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        QPProject project;
        const RandomPlanFacts facts = RandomPlan(seed).Build(project);
        ScopedEnvironment now("KESTRANO_NOW", facts.now.c_str());
        std::mt19937 random(seed);
        auto pick = [&](std::size_t count) { return random() % count; };
        auto idle = std::make_unique<QPSchedule>();
        idle->name = "Idle";
        const int64_t idleKey = project.ElementAdd(std::move(idle), false).key;
        std::vector<QPTask*> tasks;
        for (QPTask& task : project.tasks) {
            tasks.push_back(&task);
            if (task.autoSchedule)
                task.start = task.finish = LDateTime(); // never recalculated
        }
        auto any = [&]() -> QPTask& { return *tasks[pick(tasks.size())]; };
        QPTask& a = any();
        QPTask& b = any();
        a.AddDependency(b.key, eFinishToStart, 0.f); // a loop, or a link to itself
        b.AddDependency(a.key, int32_t(pick(4)), 0.5f);
        any().AddDependency(any().key, int32_t(pick(4)), -1.f);
        any().AddDependency(9999, eFinishToStart, 0.f);
        any().AddResourceAssignment(9998, 100);
        QPTask& fixedDuration = any();
        fixedDuration.taskType = eTaskTypeFixedDuration;
        fixedDuration.scheduleKey = pick(2) ? idleKey : 9997;
        any().constraintType = 42;
        for (QPTask* task : tasks)
            if (task->headerKey != -1 && pick(2)) {
                task->AddDependency(task->headerKey, eFinishToStart, 0.f);
                break;
            }
        if (!project.resources.empty())
            project.resources.front().scheduleKey = 9996;
        Recalculate(project);
        const LByteArray once = project.ProjectSaveToBytes();
        Recalculate(project);
        EXPECT_TRUE(project.ProjectSaveToBytes() == once) << "seed " << seed;
        for (const QPTask& task : project.tasks) {
            EXPECT_TRUE(task.start.IsSet() && task.finish.IsSet() && task.displayStart.IsSet())
                    << "seed " << seed << ", " << task.name.str();
            EXPECT_GE(task.scheduledCost, 0) << "seed " << seed << ", " << task.name.str();
        }
    }
}

// The generator makes what the editors allow ...
TEST(QPRandomPlan, TheEditorsAcceptEveryGeneratedPlan)
{
    for (uint32_t seed = 1; seed <= kGroups * kPlansPerGroup; ++seed) {
        QPProject project;
        RandomPlan(seed).Build(project);
        // The editors read group membership from the members; the generator only fills the
        // headers' lists, as a saved plan does.
        for (const QPTask& header : project.tasks)
            for (int64_t key : header.subtaskKeys)
                project.tasks.GetElementByKey(key)->headerKey = header.key;
        for (const QPSchedule& schedule : project.schedules) {
            const QPFormOutcome refusal = QPScheduleDialogRules::Check(
                    project, schedule,
                    QPScheduleDialogRules::ScheduleForm(project.options, schedule));
            EXPECT_FALSE(refusal) << "seed " << seed << ", " << schedule.name.str() << ": "
                                  << (refusal ? refusal->message : "");
        }
        for (const QPTask& task : project.tasks) {
            const QPFormOutcome refusal = QPTaskDialogRules::Confirm(
                    project, task, QPTaskDialogRules::InitialForm(project, task));
            EXPECT_FALSE(refusal) << "seed " << seed << ", " << task.name.str() << ": "
                                  << (refusal ? refusal->title + ": " + refusal->message : "");
        }
    }
}

// ... and the same seed makes the same plan, often just before a clock change.
TEST(QPRandomPlan, RepeatsItselfAndStartsNearTheClockChanges)
{
    int crossings = 0;
    int lateTasks = 0;
    int tasks = 0;
    for (uint32_t seed = 1; seed <= 100; ++seed) {
        QPProject project;
        QPProject again;
        RandomPlan(seed).Build(project);
        RandomPlan(seed).Build(again);
        EXPECT_TRUE(project.ProjectSaveToBytes() == again.ProjectSaveToBytes()) << seed;
        ASSERT_GE(project.tasks.size(), 3u);
        ASSERT_LE(project.tasks.size(), 30u);
        const int64_t startDay = DayOf(project.projectStart.Get());
        for (int64_t change : {CivilDay(2027, 3, 14), CivilDay(2027, 11, 7)})
            if (change > startDay && change - startDay <= 10)
                ++crossings;
        for (const QPSchedule& schedule : project.schedules) {
            bool any = false;
            for (int day = 0; day < 7; ++day) {
                const int32_t start = schedule.shiftStart[static_cast<std::size_t>(day)].Get();
                const int32_t length = schedule.shiftDuration[static_cast<std::size_t>(day)];
                const int32_t next =
                        schedule.shiftStart[static_cast<std::size_t>((day + 1) % 7)].Get();
                any = any || length > 0;
                EXPECT_EQ(start % 60, 0) << seed;
                EXPECT_LE(length, 86400) << seed;
                EXPECT_LE(start + length, 86400 + next) << seed << ' ' << schedule.name.str();
            }
            EXPECT_TRUE(any) << seed;
        }
        for (const QPTask& task : project.tasks) {
            ++tasks;
            lateTasks += task.constraintType == eConstraintAsLateAsPossible;
            if (task.isHeader) {
                EXPECT_TRUE(task.resourceAssignments.empty()) << seed;
                for (const QPTaskDependency& link : task.dependencies)
                    EXPECT_LE(link.type, eStartToStart) << seed;
            }
            if (!task.autoSchedule) {
                EXPECT_EQ(task.constraintType, eConstraintNone) << seed;
            }
            if (task.constraintType == eConstraintFinishBefore) {
                EXPECT_GT(task.constraintDate, project.projectStart + 86400) << seed;
            }
            if (task.constraintType == eConstraintStartBefore) {
                EXPECT_GT(task.constraintDate, project.projectStart) << seed;
            }
        }
    }
    EXPECT_GE(crossings, 40);
    EXPECT_GE(lateTasks * 100, tasks * 10);
}

// ---------------------------------------------------------------------------------------
// The oracle on plans worked out by hand. Plans start on Monday 1 March 2027 with the
// "Default Schedule", Monday to Friday 08:00 to 16:00.

namespace {

LDateTime March(int day, int hour = 0, int minute = 0, int second = 0)
{
    return LocalTime(2027, 3, day, hour, minute, second);
}

int64_t WorkHeld(PlanOracle& oracle, const QPTask& task, LDateTime from, LDateTime to)
{
    return oracle.WorkHeldHundredths(task, from.Get(), to.Get()) / 100;
}

int32_t LevelOn(PlanOracle& oracle, const QPResource& resource, LDateTime day)
{
    const auto levels = oracle.Levels();
    const auto it = levels.find({resource.key, DayOf(day.Get())});
    return it == levels.end() ? -1 : it->second.level;
}

} // namespace

TEST(QPPlanOracle, CountsTheWorkingTimeOfShiftsLessExceptions)
{
    struct Case {
        const char* what;
        int32_t shiftStart;
        std::initializer_list<double> hours; // Sunday first
        LDateTime exceptionDay;
        int32_t exceptionHours;
        LDateTime from;
        LDateTime to;
        double expectedHours;
    };
    const std::initializer_list<double> office = {0, 8, 8, 8, 8, 8, 0};
    const std::initializer_list<double> nights = {0, 9, 9, 9, 9, 9, 0};
    const std::initializer_list<double> weekends = {10, 0, 0, 0, 0, 0, 10};
    const std::initializer_list<double> round = {24, 24, 24, 24, 24, 24, 24};
    const Case cases[] = {
            {"a Wednesday holiday leaves 32 h of the week", 8 * kHour, office, March(3, 10), 8,
             March(1), March(6), 32},
            {"... and takes all of Wednesday", 8 * kHour, office, March(3, 10), 8, March(3),
             March(4), 0},
            {"a Saturday holiday takes the Monday after", 8 * kHour, office, March(6, 15), 8,
             March(6), March(9), 0},
            {"... and leaves the Tuesday", 8 * kHour, office, March(6, 15), 8, March(6), March(10),
             8},
            {"2 h off take the first two hours", 8 * kHour, office, March(2), 2, March(2, 8),
             March(2, 11), 1},
            {"40 h off on weekends take two weekends", 8 * kHour, weekends, March(6), 40, March(1),
             March(20), 0},
            {"... and leave the third", 8 * kHour, weekends, March(6), 40, March(1), March(22), 20},
            {"a night shift counts 2 h before midnight",
             22 * kHour,
             nights,
             {},
             0,
             March(1),
             March(2),
             2},
            {"... and 7 h after it", 22 * kHour, nights, {}, 0, March(2), March(2, 12), 7},
            {"a night off runs from its clock time past midnight", 22 * kHour, nights, March(2), 9,
             March(1, 12), March(3, 12), 9},
            {"the 08:00 shift after the spring change starts at 08:00",
             8 * kHour,
             office,
             {},
             0,
             March(15),
             March(15, 9),
             1},
    };
    for (const Case& c : cases) {
        Plan plan;
        QPSchedule& schedule = plan.Schedule("Calendar", c.shiftStart, c.hours);
        if (c.exceptionHours)
            schedule.AddException(c.exceptionDay, c.exceptionHours * kHour);
        PlanOracle oracle(plan.project, 0);
        EXPECT_EQ(oracle.ScheduleCalendar(schedule).Available(c.from.Get(), c.to.Get()),
                  int64_t(c.expectedHours * kHour))
                << c.what;
    }
    // Round-the-clock shifts count every elapsed second, across the clock change too.
    Plan plan;
    QPSchedule& always = plan.Schedule("Always", 0, round);
    PlanOracle oracle(plan.project, 0);
    EXPECT_EQ(oracle.ScheduleCalendar(always).Available(March(13).Get(), March(17).Get()),
              March(17) - March(13));
}

TEST(QPPlanOracle, CountsTheWorkOfCrewsAndCalendars)
{
    Plan plan;
    QPSchedule& round = plan.Schedule("Round", 0, {24, 24, 24, 24, 24, 24, 24});
    QPSchedule& weekend = plan.Schedule("Weekend", 8 * kHour, {10, 0, 0, 0, 0, 0, 10});
    QPResource& ana = plan.Resource("Ana");
    QPResource& ben = plan.Resource("Ben", &round);
    QPResource& cleo = plan.Resource("Cleo", &weekend);
    cleo.AddException(March(6), 10 * kHour);
    QPTask& alone = plan.Task("Without resources", "8");
    QPTask& half = plan.Task("Half time", "8");
    half.AddResourceAssignment(ana.key, 50);
    QPTask& pair = plan.Task("Two schedules", "8");
    pair.AddResourceAssignment(ana.key, 100);
    pair.AddResourceAssignment(ben.key, 25);
    QPTask& own = plan.Task("On its own schedule", "8");
    own.taskType = eTaskTypeFixedDuration;
    own.scheduleKey = round.key;
    own.AddResourceAssignment(cleo.key, 100);
    PlanOracle oracle(plan.project, 0);
    EXPECT_EQ(WorkHeld(oracle, alone, March(1, 8), March(1, 12)), 4 * kHour);
    EXPECT_EQ(WorkHeld(oracle, half, March(1, 8), March(1, 16)), 4 * kHour);
    EXPECT_EQ(WorkHeld(oracle, pair, March(1), March(2)), 8 * kHour + 6 * kHour);
    EXPECT_EQ(WorkHeld(oracle, own, March(1), March(2)), 24 * kHour);
    // Cleo's day off, measured on her own schedule, counts on the task's calendar.
    EXPECT_EQ(oracle.AssignmentCalendar(own, cleo).Available(March(6).Get(), March(7).Get()),
              14 * kHour);
    EXPECT_EQ(LagSeconds(0.1f), 8640);
    EXPECT_EQ(WorkSecondsOf("4.75"), 17100);
}

TEST(QPPlanOracle, SharesAndSplitsWorkLikeTheRules)
{
    // 12:00 Monday to 10:00 Tuesday holds half of Monday and a quarter of Tuesday.
    Plan plan;
    plan.DefaultSchedule().regularWorkWeek = 36 * kHour;
    QPResource& ana = plan.Resource("Ana", nullptr, 1000, 1500);
    QPResource& ben = plan.Resource("Ben");
    QPTask& shares = plan.Task("Shares", "6");
    shares.AddResourceAssignment(ben.key, 50);
    shares.start = March(1, 12);
    shares.finish = March(2, 10);
    QPTask& week = plan.Task("A week", "40");
    week.AddResourceAssignment(ana.key, 100);
    week.start = March(1, 8);
    week.finish = March(5, 16);
    PlanOracle oracle(plan.project, 0);
    EXPECT_EQ(LevelOn(oracle, ben, March(1)), 25);
    EXPECT_EQ(LevelOn(oracle, ben, March(2)), 12);
    // 40 h in a week of 36 h: 4 h overtime, priced at both rates; up to Wednesday all of
    // it is regular.
    const AssignmentCost cost = oracle.Costs(DayOf(March(31).Get())).back();
    EXPECT_EQ(cost.overtimeSeconds, 4 * kHour);
    EXPECT_EQ(cost.cost, 36 * 1000 + 4 * 1500);
    EXPECT_EQ(oracle.Costs(DayOf(March(3, 12).Get())).back().costToDate, 24 * 1000);
    // With the week starting on Wednesday, Monday and Tuesday close the week before, and
    // Friday is over the 16 h of the new one.
    plan.DefaultSchedule().regularWorkWeek = 16 * kHour;
    plan.DefaultSchedule().workWeekStart = eWednesday;
    PlanOracle again(plan.project, 0);
    EXPECT_EQ(again.Costs(DayOf(March(31).Get())).back().overtimeSeconds, 8 * kHour);
}

// ---------------------------------------------------------------------------------------
// Each check speaks up for a broken rule and keeps quiet for a kept one. The results are
// written by hand here: no recalculation runs.

TEST(QPPlanOracle, AShortLinkIsReportedUnlessAFixedDateForcesIt)
{
    Plan plan;
    QPTask& a = plan.Task("A", "8");
    QPTask& b = plan.Task("B", "8");
    b.AddDependency(a.key, eFinishToStart, 0.5f);
    a.start = March(1, 8);
    a.finish = March(1, 16);
    b.finish = March(3, 16);

    b.start = March(2, 4);
    EXPECT_TRUE(PlanOracle(plan.project, 1).CheckLinks().empty());
    b.start = March(2, 3, 59, 59);
    const std::vector<std::string> lines = PlanOracle(plan.project, 1).CheckLinks();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("seed 1: rule 1", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("2027-03-02 03:59:59"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("2027-03-02 04:00:00"), std::string::npos) << lines[0];

    // A fixed start may break a link when its slack shows it.
    b.constraintType = eConstraintStartOn;
    EXPECT_EQ(PlanOracle(plan.project, 1).CheckLinks().size(), 1u);
    b.totalSlack = -1;
    EXPECT_TRUE(PlanOracle(plan.project, 1).CheckLinks().empty());
    // A manual task keeps its date.
    b.constraintType = eConstraintNone;
    EXPECT_EQ(PlanOracle(plan.project, 1).CheckLinks().size(), 1u);
    b.autoSchedule = false;
    EXPECT_TRUE(PlanOracle(plan.project, 1).CheckLinks().empty());
}

TEST(QPPlanOracle, AHeadersLinksBindItsMembers)
{
    Plan plan;
    QPTask& a = plan.Task("A", "8");
    QPTask& header = plan.Task("H", "");
    QPTask& member = plan.Task("M", "8");
    header.isHeader = true;
    header.subtaskKeys = {member.key};
    header.AddDependency(a.key, eStartToStart, 1.0f);
    a.start = March(1, 8);
    a.finish = March(1, 16);
    member.start = March(2, 8);
    member.finish = March(2, 16);
    header.start = member.start;
    header.finish = member.finish;
    EXPECT_TRUE(PlanOracle(plan.project, 2).CheckLinks().empty());
    member.start = March(2, 7, 59);
    EXPECT_EQ(PlanOracle(plan.project, 2).CheckLinks().size(), 1u);
}

TEST(QPPlanOracle, WorkMustFillTheTaskExactly)
{
    Plan plan;
    QPTask& task = plan.Task("A", "8");
    task.start = March(1, 8);
    const auto check = [&](LDateTime finish) {
        task.finish = finish;
        return PlanOracle(plan.project, 3).CheckWork().size();
    };
    EXPECT_EQ(check(March(1, 16)), 0u);
    // Any time after the shift holds no more work.
    EXPECT_EQ(check(March(2, 8)), 0u);
    EXPECT_EQ(check(March(2, 8, 0, 2)), 0u);
    EXPECT_EQ(check(March(2, 8, 0, 3)), 1u);
    EXPECT_EQ(check(March(1, 15, 59, 59)), 1u);
    EXPECT_EQ(check(March(1, 8)), 1u);
}

TEST(QPPlanOracle, WorkOnSeveralSchedulesMayRunOverByAQuarterHourEach)
{
    Plan plan;
    QPSchedule& round = plan.Schedule("Round", 0, {24, 24, 24, 24, 24, 24, 24});
    QPResource& ana = plan.Resource("Ana");
    QPResource& ben = plan.Resource("Ben", &round);
    QPTask& task = plan.Task("A", "12");
    task.AddResourceAssignment(ana.key, 100);
    task.AddResourceAssignment(ben.key, 50);
    // From 08:00: 8 h of Ana's and 4 h of Ben's by 16:00.
    task.start = March(1, 8);
    const auto check = [&](LDateTime finish) {
        task.finish = finish;
        return PlanOracle(plan.project, 4).CheckWork().size();
    };
    EXPECT_EQ(check(March(1, 16)), 0u);
    EXPECT_EQ(check(March(1, 15, 59, 59)), 1u);
    // Allowed: 900 s x 150% x 2 schedules = 2700 s of work, 5400 s of Ben's time.
    EXPECT_EQ(check(March(1, 17, 30)), 0u);
    EXPECT_EQ(check(March(1, 17, 30, 2)), 1u);
}

TEST(QPPlanOracle, OverCommittedDaysAreReportedUnlessFlagged)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPTask& a = plan.Task("A", "8");
    QPTask& b = plan.Task("B", "4");
    a.AddResourceAssignment(ana.key, 100);
    b.AddResourceAssignment(ana.key, 50);
    a.start = March(1, 8);
    a.finish = March(1, 16);
    b.start = March(2, 8);
    b.finish = March(2, 16);
    EXPECT_TRUE(PlanOracle(plan.project, 5).CheckLeveling().empty());
    b.start = March(1, 8);
    b.finish = March(1, 16);
    const std::vector<std::string> lines = PlanOracle(plan.project, 5).CheckLeveling();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Ana is at 150 on 2027-03-01"), std::string::npos) << lines[0];
    b.resourceConflict = true;
    EXPECT_TRUE(PlanOracle(plan.project, 5).CheckLeveling().empty());
}

TEST(QPPlanOracle, MoneyOffByMoreThanTheRoundingIsReported)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana", nullptr, 1000, 1500);
    QPTask& task = plan.Task("A", "16");
    task.AddResourceAssignment(ana.key, 100);
    task.start = March(1, 8);
    task.finish = March(2, 16);
    const int64_t today = DayOf(March(1, 12).Get());
    task.scheduledCost = 16000;
    task.scheduledCostToDate = 8000;
    ana.regularCost = 16000;
    ana.overtimeCost = 0;
    EXPECT_TRUE(PlanOracle(plan.project, 6).CheckCosts(today).empty());
    task.scheduledCost = 16002;
    EXPECT_TRUE(PlanOracle(plan.project, 6).CheckCosts(today).empty());
    task.scheduledCost = 16003;
    EXPECT_EQ(PlanOracle(plan.project, 6).CheckCosts(today).size(), 1u);
    task.scheduledCost = 16000;
    task.scheduledCostToDate = 16000;
    EXPECT_EQ(PlanOracle(plan.project, 6).CheckCosts(today).size(), 1u);
    task.scheduledCostToDate = 8000;
    // Paying 16 h of regular time in a 12-hour regular week breaks two rules at once.
    plan.DefaultSchedule().regularWorkWeek = 12 * kHour;
    task.scheduledCost = 12000 + 6000;
    ana.regularCost = 12000;
    ana.overtimeCost = 6000;
    EXPECT_TRUE(PlanOracle(plan.project, 6).CheckCosts(today).empty());
    task.scheduledCost = 16000;
    ana.regularCost = 16000;
    ana.overtimeCost = 0;
    EXPECT_EQ(PlanOracle(plan.project, 6).CheckCosts(today).size(), 3u);
}

TEST(QPPlanOracle, MissingDatesAndLooseHeadersAreReported)
{
    Plan plan;
    QPTask& header = plan.Task("H", "");
    QPTask& a = plan.Task("A", "8");
    QPTask& b = plan.Task("B", "8");
    header.isHeader = true;
    header.subtaskKeys = {a.key, b.key};
    for (QPTask* task : {&header, &a, &b})
        task->displayStart = March(1, 8);
    a.start = March(1, 8);
    a.finish = March(1, 16);
    b.start = March(2, 8);
    b.finish = March(2, 16);
    header.start = March(1, 8);
    header.finish = March(2, 16);
    EXPECT_TRUE(PlanOracle(plan.project, 7).CheckDates().empty());
    header.finish = March(2, 17);
    EXPECT_EQ(PlanOracle(plan.project, 7).CheckDates().size(), 1u);
    header.finish = March(2, 16);
    b.displayStart = LDateTime();
    EXPECT_EQ(PlanOracle(plan.project, 7).CheckDates().size(), 1u);
    b.displayStart = LocalTime(2016, 1, 1);
    EXPECT_EQ(PlanOracle(plan.project, 7).CheckDates().size(), 1u);
    b.displayStart = March(2, 8);
    a.start = March(1, 17);
    // Starting after its finish, and the header no longer spans it.
    EXPECT_EQ(PlanOracle(plan.project, 7).CheckDates().size(), 2u);
}

TEST(QPPlanOracle, ComparisonsNameEveryChangedResult)
{
    Plan first;
    Plan second;
    for (Plan* plan : {&first, &second}) {
        QPTask& task = plan->Task("A", "8");
        task.start = March(1, 8);
        task.finish = March(1, 16);
        task.constraintType = eConstraintAsLateAsPossible;
        plan->Task("B", "8").constraintType = eConstraintNone;
        plan->project.projectFinish = March(1, 16);
    }
    EXPECT_TRUE(CompareResults(first.project, second.project, 8, "again").empty());
    EXPECT_TRUE(CheckLateOnlyUsesSlack(first.project, second.project, 8).empty());
    second.project.tasks.front().totalSlack = 60;
    second.project.tasks.back().finish = March(4, 16);
    EXPECT_EQ(CompareResults(first.project, second.project, 8, "again").size(), 2u);
    // The late plan's B moved although it is not As Late As Possible.
    EXPECT_EQ(CheckLateOnlyUsesSlack(first.project, second.project, 8).size(), 1u);
    // A late task may start later than its early twin, not earlier.
    first.project.tasks.front().start = March(1, 9);
    EXPECT_EQ(CheckLateOnlyUsesSlack(first.project, second.project, 8).size(), 1u);
    first.project.tasks.front().start = March(1, 7);
    EXPECT_EQ(CheckLateOnlyUsesSlack(first.project, second.project, 8).size(), 2u);
}
