// Recalculated plans worked out by hand (see EnginePlan.h for the text form), many of them
// plans that once came out wrong, reduced to the few tasks that showed it.

#include "core/engine/EnginePlan.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* what;
    const char* plan;
    const char* expected;
};

void RunCases(std::initializer_list<Case> cases, const std::string& start = "1.0")
{
    for (const Case& c : cases) {
        EnginePlan plan(c.plan, start);
        plan.Recalculate();
        plan.Check(c.expected, c.what);
    }
}

} // namespace

TEST(QPRecalculation, LinksAndConstraints)
{
    RunCases({
            {"manual tasks keep their start; Fixed Work its work",
             "D 8 fd at:9.11..12.9; W 8 at:9.12", "D=9.11..12.9 W=9.12..10.12 end=12.9"},
            {"fixed dates win over links", "A 40; SO 8 fs:A so:3.10; FO 8 fs:A fo:3.10",
             "A.finish=5.16 SO=3.0..3.16 FO=3.8..4.0"},
            {"a loop keeps its dates, the rest is scheduled",
             "A 8 fs:B was:2/1.8..2/1.16; B 8 fs:A was:2/1.8..2/1.16; W 8 fs:B was:2/1.8..2/1.16; "
             "F 16",
             "A=2/1.8..2/1.16 B=2/1.8..2/1.16 W=2/1.8..2/1.16 F=1.0..2.16"},
            {"lags are elapsed time", "A 8; H 8 fs:A+0.5; T 8 fs:A+0.1; S 8 ss:A+1",
             "A.finish=1.16 H=2.4..2.16 H.show=2.8 T.start=1.18:24 S.start=2.0"},
            {"finish links count back from the finish",
             "A 16; E 8 sf:A; F 8 so:3.12; B 8 sf:F; T 8 ff:A",
             "E=1.0..1.16 B=2.8..3.0 T=2.8..2.16"},
            {"start constraints",
             "A 40; Soon 8 sb:1.12; Before 8 fs:A sb:3.12; After 8 sa:3.12; Late 8 fs:A sa:1.12",
             "Soon.start=1.0 Before=2.12..3.12 After.start=4.12 Late.start=5.16"},
            {"finish constraints", "A 40; After 8 fa:3.10; Before 8 fb:4.10 fs:A; Early 16 fb:1.12",
             "After=3.10..4.10 Before=2.10..3.10 Early=1.0..2.16"},
            {"a header's Finish-to-Start and Start-to-Start links bind its subtasks",
             "First 40; G - fs:First of:M; M 8; G2 - ff:First of:M2; M2 8",
             "M=5.16..8.16 G=5.16..8.16 M2.start=1.0"},
            {"As Late As Possible takes up slack only", "A 40; Alone 8 alap; B 8 alap; C 8 fs:B",
             "A.finish=5.16 Alone=5.8..5.16 B=4.8..5.8 B.free=0 C=5.8..5.16 end=5.16"},
            {"display starts are the first moment of work", "W 8 so:6.12; M - ms so:6.12",
             "W.start=6.0 W.show=8.8 M.start=6.0 M.show=6.0"},
            {"an As Late As Possible predecessor of a header takes its subtasks along",
             "Long 40; Late 8 alap; H - fs:Late of:M; M 8",
             "Late.finish=5.8 M=5.8..5.16 H.start=5.8 end=5.16"},
            {"an As Late As Possible subtask leaves room for its header's successor",
             "Long 40; H - of:Late,Other; Late 8 alap; Other 8; After 8 fs:H",
             "Late.finish=5.8 H.finish=5.8 After=5.8..5.16 end=5.16"},
            {"a finish bound in non-working time is met", "First 8; Second 4 ff:First+0.5",
             "Second=1.12..2.4"},
            {"... also on nights",
             "@Nights 22 0,9,9,9,9,9,0; $Ben @Nights; First 8; Second 4 ff:First+0.5 %Ben",
             "Second=2.0..2.4"},
            {"As Late As Possible over weekends keeps the project finish",
             "Three 120; Before 32; Task 16 fs:Before alap; After 8 fs:Task",
             "Task=17.8..19.8 After=19.8..19.16 end=19.16"},
            {"tasks an As Late As Possible move takes along stay within their latest dates",
             "Long 88; First 16 alap; Middle 8 ff:First+0.5; Last 8 alap ss:Middle+1",
             "First=11.8..15.4 Middle=14.8..15.16 Last=15.8..15.16 end=15.16"},
            {"work that fills the rest of a shift ends with it",
             "Long 40; Late 8 alap; After 4 fs:Late", "After=5.12..5.16 end=5.16"},
            {"a subtask linked to its own header gets the project start", "H - of:M; M 8 fs:H",
             "M=1.0..1.16 H=1.0..1.16 M.show=1.8 H.show=1.8"},
            {"Finish On on nights counts back into the night",
             "@Nights 22 0,9,9,9,9,9,0; Last 2 fd:Nights fo:2.23:59:59", "Last=2.22..3.0"},
            {"overnight shifts of several schedules count once",
             "@N1 22 0,9,9,9,9,9,0; @N2 22 0,9,9,9,9,9,0; $Ana @N1; $Ben @N2; T 24 %Ana %Ben",
             "T.finish=3.1"},
    });
    EnginePlan empty("");
    empty.project.projectFinish = At("20.0");
    empty.Recalculate();
    empty.Check("end=1.0", "an empty plan");
}

TEST(QPRecalculation, WorkReadyBeforeAHolidayGoesAfterIt)
{
    RunCases({{"Fixed Work", "!Default 1.12 8; T 4", "T=1.4..2.12 T.show=2.8"},
              {"Fixed Duration", "!Default 1.12 8; T 4 fd", "T=1.4..2.12 T.show=2.8"}},
             "1.4");
}

TEST(QPRecalculation, Slack)
{
    RunCases({
            {"the project finish limits tasks without successors", "A 40; B 8",
             "A.total=0 A.free=0 B.total=4d B.free=4d B.totalby=- B.freeby=-"},
            {"successors limit their predecessors, lags count",
             "A 8; R 32 fs:A; P 8; S 8 ss:P+1 sa:3.0",
             "R.start=1.16 A.free=0 A.freeby=R A.totalby=R A.total=0 S.start=4.0 P.totalby=S "
             "P.total=3d S.total=1d"},
            {"fixed finishes have no room", "A 40; FO 8 fo:2.10; L 16 fb:3.16; Late 24 fb:1.12",
             "FO.free=0 FO.total=0 L.finish=2.16 L.free=0 L.total=0 Late=1.0..3.16 Late.free=0 "
             "Late.total=<0 A.total=0"},
            {"the first of the last finishing subtasks gives the header its slack",
             "H - of:F,S; F 8; S 8; After 32 fs:F", "H.finish=1.16 H.total=0 H.totalby=After"},
            {"... whichever is critical", "H - of:F,S; F 8; S 8; After 32 fs:S",
             "H.finish=1.16 H.total=4d H.totalby=-"},
            {"a Finish Before limit that ties with a successor's room names no successor",
             "L 8 fb:3.16; S 8 fs:L so:3.0", "L.total=32h L.totalby=-"},
    });
}

TEST(QPRecalculation, Leveling)
{
    RunCases({
            {"part-time tasks start after the committed part of a shift",
             "$Ana; A 8 %Ana:50; B 8 %Ana:50; C 8 %Ana:50",
             "A.start=1.0 B=1.12..3.12 C.start=3.10 A.conflict=0 B.conflict=0 C.conflict=0"},
            {"within total slack the project finish stays",
             "$Ana; Long 40; MT 16 %Ana; Task 8 %Ana; After 8 fs:Task",
             "Task=3.0..3.16 After.start=3.16 end=5.16"},
            {"leveled starts fall on quarter hours", "$Ana; Half 8 %Ana:30; Full 8 %Ana",
             "Half.start=1.0 Full=1.10:30..2.10:30"},
            {"manual tasks keep their place", "$Ana; Auto 8 %Ana; Manual 8 %Ana at:1.8",
             "Manual=1.8..1.16 Auto=2.8..2.16 Manual.conflict=0 Auto.conflict=0"},
            {"two manual tasks on one day stay marked",
             "$Ana; Auto 8 %Ana; Manual 8 %Ana at:1.8; Second 8 %Ana at:1.8",
             "Manual.conflict=1 Second.conflict=1 Auto.conflict=0"},
            {"leveling never moves a task earlier",
             "$Ana; X 8 %Ana; T 16 %Ana; Fixed 8 fs:T so:1.0", "T=2.0..3.16"},
            {"tasks ending before noon are checked",
             "@Early 6 0,6,6,6,6,6,0; $Ana @Early; First 4 %Ana; Second 4 %Ana",
             "First.finish=1.10 Second.start=2.6 First.conflict=0 Second.conflict=0"},
            {"a leveled task is booked before its successors are checked",
             "$Ana; Half 40 %Ana:50; First 16 %Ana:60; Second 16 %Ana:60 ss:First",
             "First=12.12..17.14:40 Second=17.12..22.14:40 First.conflict=0 "
             "Second.conflict=0"},
            {"tasks pushed further down are booked and checked",
             "$Ana; $Bob; Other 8 %Ana; First 8 %Ana; Middle 8 fs:First; Last 8 %Bob fs:Middle; "
             "Thu 8 %Bob sa:3.0",
             "First=2.8..2.16 Last=5.0..5.16 Thu=4.0..4.16 Last.conflict=0 Thu.conflict=0"},
    });
}

TEST(QPRecalculation, ClockChangeDays)
{
    // Two 24-hour tasks of one resource on a seven-day calendar from the Saturday before a
    // change: the second is leveled behind the first, and the changing day has one key.
    for (const auto& [zone, month, saturday] : {std::tuple{"Europe/Berlin", 3, 27},
                                                {"Europe/Berlin", 10, 30},
                                                {"America/New_York", 3, 13},
                                                {"America/New_York", 11, 6}}) {
        ScopedTimeZone local(zone);
        const auto day = [&, m = month, s = saturday](int offset, const char* hour) {
            return std::to_string(m) + "/" + std::to_string(s + offset) + "." + hour;
        };
        EnginePlan plan("@Daily 8 8,8,8,8,8,8,8 week:0; $Ana @Daily 1000/1500; "
                        "First 24 %Ana; Second 24 %Ana",
                        day(0, "0"));
        plan.Recalculate();
        plan.Check("First.finish=" + day(2, "16") + " Second=" + day(3, "0") + ".." + day(5, "16") +
                           " First.cost=24000 Second.cost=24000 " +
                           "First.conflict=0 Second.conflict=0",
                   zone);
        for (int64_t offset : {1800, 3 * 3600, 9 * 3600, 22 * 3600})
            EXPECT_EQ(plan.project.histogram.GetCommitmentLevel(At(day(1, "0")) + offset,
                                                                plan.R("Ana").key),
                      100)
                    << zone << ' ' << offset;
    }
    // A 24-hour shift on the day the clocks go forward runs an hour into the next day's:
    // the hour counts once, and a day off from the next midnight takes exactly a day.
    ScopedTimeZone local("America/New_York");
    EnginePlan plan("@Round 0 24,24,24,24,24,24,24; !Round 15.12 24; $Ana @Round; T 24 %Ana",
                    "15.0");
    EXPECT_EQ(plan.S("Round").CalculateExceptionFinish(plan.S("Round").exceptions[0]), At("16.0"));
    plan.Recalculate();
    plan.Check("T.finish=17.0");
}

TEST(QPRecalculation, APushedTaskKeepsAllItsLinks)
{
    // Its Finish-to-Start predecessor has moved on (as leveling may leave it); when its
    // Finish-to-Finish predecessor moves, it is placed from both.
    EnginePlan plan("Before 8; Together 8; Task 4 fs:Before ff:Together");
    plan.Recalculate();
    plan.T("Before").start = At("3.8");
    plan.T("Before").finish = At("3.16");
    plan.T("Together").start = At("2.8");
    plan.T("Together").finish = At("2.16");
    plan.project.PushSuccessorTasks(plan.T("Together"), nullptr);
    plan.Check("Task.finish=4.12");
    EXPECT_GE(plan.T("Task").start, At("3.16"));
}

TEST(QPHeaders, MembershipSuccessorsAndTheNextIndependentTask)
{
    // A header's members are the run directly under it: X ends the run, so B is not one.
    EnginePlan plan("H1 - of:A,B,C; A 8; X 40; B 8; Empty - of:; H2 - of:C; C 8");
    plan.project.RefreshSubtaskHeaderKeys();
    std::string headers;
    for (const QPTask& task : plan.project.tasks)
        headers += task.headerKey == -1
                           ? "- "
                           : plan.project.tasks.GetElementByKey(task.headerKey)->name.str() + " ";
    EXPECT_EQ(headers, "- H1 - - - - H2 ");
    plan.Recalculate();
    plan.Check("H1=1.0..1.16 A=1.0..1.16 Empty=1.0..1.0");
    // The task itself when independent, -1 past the end of the list (C) or for no task.
    const auto id = [&](const char* name) { return *name == '-' ? -1 : plan.T(name).id; };
    for (const auto& [from, next] :
         {std::pair{"X", "X"}, {"A", "X"}, {"Empty", "Empty"}, {"C", "-"}})
        EXPECT_EQ(plan.project.GetNextIndependentTaskID(id(from)), id(next)) << from;
    EXPECT_EQ(plan.project.GetNextIndependentTaskID(99), -1);
    EXPECT_EQ(plan.project.GetNextIndependentTaskID(-1), -1);
    EnginePlan links("A 8; B 8; C 8 fs:A ss:A; D 8 fs:A fs:?");
    links.project.MapTaskSuccessors();
    EXPECT_EQ(links.T("A").successorIDs,
              (std::vector<int32_t>{links.T("C").id, links.T("C").id, links.T("D").id}));
}

TEST(QPHeaders, DependenciesAcrossGroupsAreRemovedUndoably)
{
    EnginePlan plan("Outside 8; H - of:A,B; A 8 fs:Outside; B 8 fs:A; Later 8 fs:B");
    plan.project.UndoRedoGroupStart();
    plan.project.EnforceValidSubtaskChains(plan.T("H"));
    plan.project.UndoRedoGroupEnd();
    EXPECT_TRUE(plan.T("A").dependencies.empty());
    EXPECT_EQ(plan.T("B").dependencies.size(), 1u);
    EXPECT_TRUE(plan.T("Later").dependencies.empty());
    plan.project.undoStack.Undo();
    ASSERT_EQ(plan.T("A").dependencies.size(), 1u);
    EXPECT_EQ(plan.T("A").dependencies[0].predecessorKey, plan.T("Outside").key);
    ASSERT_EQ(plan.T("Later").dependencies.size(), 1u);
    EXPECT_EQ(plan.T("Later").dependencies[0].predecessorKey, plan.T("B").key);
}
