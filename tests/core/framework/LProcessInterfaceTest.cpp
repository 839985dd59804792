// The process interface: the silent runner, the formatted reports with their cut, and the
// signals that waits watch.

#include "framework/LProcessInterface.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start)
{
    return static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Keeps what a process function reported.
class RecordingProcess : public LProcessInterface {
public:
    void SetStatus(std::string_view text, int line) override
    {
        statuses.emplace_back(line, std::string(text));
    }
    void SetError(std::string_view text) override { errors.emplace_back(text); }

    std::vector<std::pair<int, std::string>> statuses;
    std::vector<std::string> errors;
};

// A runner whose user asks to stop after a number of polls.
class StopsAfterPolls : public LProcessInterface {
public:
    explicit StopsAfterPolls(int polls) : left_(polls) {}
    bool IsToStop() override { return left_-- <= 0; }

private:
    int left_;
};

struct CountRows {
    int rows = 0;
    int done = 0;
};

LProcessResult Process(LProcessInterface& process, CountRows& data)
{
    process.SetProgressIndeterminateOn();
    for (int row = 0; row < data.rows; ++row) {
        if (process.IsToStop())
            return eProcessCancelled;
        process.SetStatusF(1, "Row %d of %d", row + 1, data.rows);
        process.SetProgress(static_cast<double>(row + 1) / data.rows);
        ++data.done;
    }
    return eProcessSucceeded;
}

class RecordingWaker : public LProcessWaker {
public:
    void Wake() override { ++wakes; }
    int wakes = 0;
};

} // namespace

TEST(LProcessInterface, ResultsKeepTheirNumbers)
{
    EXPECT_EQ(eProcessSucceeded, 0);
    EXPECT_EQ(eProcessCancelled, 1);
    EXPECT_EQ(eProcessFailed, 2);
}

TEST(LProcessInterface, SilentRunnerRunsAProcessToItsEnd)
{
    LProcessInterface silent;
    CountRows data{5};
    EXPECT_EQ(Process(silent, data), eProcessSucceeded);
    EXPECT_EQ(data.done, 5);
    EXPECT_FALSE(silent.IsToStop());

    StopsAfterPolls user(3);
    CountRows stopped{5};
    EXPECT_EQ(Process(user, stopped), eProcessCancelled);
    EXPECT_EQ(stopped.done, 3);
}

TEST(LProcessInterface, SilentWaitsEndByTimeAndNeverHang)
{
    LProcessInterface silent;
    Clock::time_point start = Clock::now();
    EXPECT_FALSE(silent.ProcessWait(40));
    EXPECT_GE(MillisecondsSince(start), 40);

    // Nothing could end a wait without limit, so it does not begin.
    LProcessSignal never;
    LProcessSignalGroup none{&never};
    start = Clock::now();
    EXPECT_FALSE(silent.ProcessWait(-1));
    EXPECT_FALSE(silent.ProcessWaitSignalForever(never));
    EXPECT_FALSE(silent.ProcessWaitSignalObjectGroup(none, -1));
    EXPECT_LT(MillisecondsSince(start), 1000);

    // A signal that is set already ends even a long wait at once.
    LProcessSignal ready;
    ready.Set();
    LProcessSignalGroup group{&never, &ready};
    start = Clock::now();
    EXPECT_FALSE(silent.ProcessWaitSignal(ready, 60000));
    EXPECT_FALSE(silent.ProcessWaitSignalObjectGroup(group, 60000));
    EXPECT_LT(MillisecondsSince(start), 1000);

    // A stop wins over a set signal, and a timed wait reports it.
    StopsAfterPolls user(0);
    EXPECT_TRUE(user.ProcessWait(60000));
    EXPECT_TRUE(user.ProcessWaitSignal(ready, 0));
}

TEST(LProcessInterface, FormattedReportsGoToTheirLines)
{
    RecordingProcess process;
    CountRows data{2};
    EXPECT_EQ(Process(process, data), eProcessSucceeded);
    ASSERT_EQ(process.statuses.size(), 2u);
    EXPECT_EQ(process.statuses[1], std::make_pair(1, std::string("Row 2 of 2")));

    process.SetStatusF(-3, "%s: %.1f%%", "Tasks", 12.34);
    EXPECT_EQ(process.statuses.back(), std::make_pair(-3, std::string("Tasks: 12.3%")));
    process.SetErrorF("Could not connect to %s port %d.", "mail.example.com", 587);
    EXPECT_EQ(process.errors,
              std::vector<std::string>{"Could not connect to mail.example.com port 587."});
}

TEST(LProcessInterface, FormattedTextsAreCutAt8192BytesBetweenCharacters)
{
    RecordingProcess process;
    auto errorFor = [&](const std::string& text) {
        process.SetErrorF("%s", text.c_str());
        return process.errors.back();
    };
    const std::string full(8192, 'a');
    EXPECT_EQ(errorFor(full), full);
    EXPECT_EQ(errorFor(full + "b"), full);
    EXPECT_EQ(errorFor(std::string(20000, 'x')).size(), 8192u);
    // "€" is three bytes: it fits when it ends on the last byte, else it goes whole.
    EXPECT_EQ(errorFor(std::string(8189, 'a') + "€").size(), 8192u);
    EXPECT_EQ(errorFor(std::string(8190, 'a') + "€"), std::string(8190, 'a'));
    EXPECT_EQ(errorFor(std::string(8191, 'a') + "€"), std::string(8191, 'a'));

    process.SetStatusF(0, "%s%s", std::string(8000, 'a').c_str(), std::string(500, 'b').c_str());
    EXPECT_EQ(process.statuses.back().second.size(), 8192u);
}

TEST(LProcessSignal, SetWakesTheWakerThatWatches)
{
    LProcessSignal signal;
    EXPECT_FALSE(signal.IsSet());
    RecordingWaker first;
    RecordingWaker second;
    EXPECT_EQ(signal.Watch(&first), nullptr);
    signal.Set();
    EXPECT_TRUE(signal.IsSet());
    EXPECT_EQ(first.wakes, 1);
    signal.Reset();
    EXPECT_FALSE(signal.IsSet());
    {
        LProcessSignalGroup group{&signal, &signal};
        LProcessSignalWatch watch(group.Signals(), second);
        signal.Set();
    }
    EXPECT_EQ(first.wakes, 1);
    EXPECT_EQ(second.wakes, 1);
    // The wait is over: the waker attached before it is back.
    signal.Set();
    EXPECT_EQ(first.wakes, 2);
    EXPECT_EQ(signal.Watch(nullptr), &first);
}

TEST(LProcessSignal, GroupNamesTheFirstMemberThatIsSet)
{
    LProcessSignal readable;
    LProcessSignal closed;
    LProcessSignal timedOut;
    LProcessSignalGroup group{&readable, &closed};
    group.Add(closed);
    group.Add(timedOut);
    EXPECT_EQ(group.Size(), 3u);
    EXPECT_EQ(group.FirstSet(), -1);
    EXPECT_FALSE(group.IsAnySet());

    timedOut.Set();
    closed.Set();
    EXPECT_EQ(group.FirstSet(), 1);
    group.Remove(closed);
    EXPECT_EQ(group.Size(), 2u);
    EXPECT_EQ(group.FirstSet(), 1);
    EXPECT_EQ(group.Signals()[1], &timedOut);

    group.ResetAll();
    EXPECT_FALSE(group.IsAnySet());
    EXPECT_TRUE(closed.IsSet()); // no longer a member
}
