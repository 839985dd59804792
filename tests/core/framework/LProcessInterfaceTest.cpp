// The process interface: the silent runner, the formatted reports with their cut, and the
// signals that waits watch.

#include "framework/LProcessInterface.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start)
{
    return static_cast<long>((Clock::now() - start) / std::chrono::milliseconds(1));
}

// Keeps what a process function reported; its user asks to stop after `polls` polls.
class RecordingProcess : public LProcessInterface {
public:
    explicit RecordingProcess(int polls = 1 << 30) : left(polls) {}
    bool IsToStop() override { return left-- <= 0; }
    void SetStatus(std::string_view text, int line) override
    {
        statuses.emplace_back(line, std::string(text));
    }
    void SetError(std::string_view text) override { errors.emplace_back(text); }

    std::vector<std::pair<int, std::string>> statuses;
    std::vector<std::string> errors;
    int left;
};

class RecordingWaker : public LProcessWaker {
public:
    void Wake() override { ++wakes; }
    int wakes = 0;
};

} // namespace

TEST(LProcessInterface, SilentWaitsEndByTimeAndNeverHang)
{
    LProcessInterface silent;
    EXPECT_FALSE(silent.IsToStop());
    Clock::time_point start = Clock::now();
    EXPECT_FALSE(silent.ProcessWait(40));
    EXPECT_GE(MillisecondsSince(start), 40);

    // Nothing could end a wait without limit, so it does not begin; a signal that is set
    // already ends even a long wait at once.
    LProcessSignal never;
    LProcessSignal ready;
    ready.Set();
    LProcessSignalGroup none{&never};
    LProcessSignalGroup group{&ready, &never};
    start = Clock::now();
    EXPECT_FALSE(silent.ProcessWait(-1));
    EXPECT_FALSE(silent.ProcessWaitSignalForever(never));
    EXPECT_FALSE(silent.ProcessWaitSignalObjectGroup(none, -1));
    EXPECT_FALSE(silent.ProcessWaitSignal(ready, 60000));
    EXPECT_FALSE(silent.ProcessWaitSignalObjectGroup(group, 60000));
    EXPECT_LT(MillisecondsSince(start), 1000);

    // A stop wins over a set signal, and a timed wait reports it.
    RecordingProcess user(0);
    EXPECT_TRUE(user.ProcessWait(60000));
    EXPECT_TRUE(user.ProcessWaitSignal(ready, 0));
}

TEST(LProcessInterface, FormattedTextsAreCutAt8192BytesBetweenCharacters)
{
    RecordingProcess process;
    process.SetStatusF(-3, "%s: %.1f%%", "Tasks", 12.34);
    EXPECT_EQ(process.statuses.back(), std::make_pair(-3, std::string("Tasks: 12.3%")));
    process.SetStatusF(1, "%s%s", std::string(8000, 'a').c_str(), std::string(500, 'b').c_str());
    EXPECT_EQ(process.statuses.back().second.size(), 8192u);
    const std::string full(8192, 'a');
    // "€" is three bytes: it fits when it ends on the last byte, else it goes whole.
    const std::pair<std::string, std::string> cases[] = {
            {full, full},
            {full + "b", full},
            {std::string(8189, 'a') + "€", std::string(8189, 'a') + "€"},
            {std::string(8190, 'a') + "€", std::string(8190, 'a')},
            {std::string(8191, 'a') + "€", std::string(8191, 'a')},
            {std::string(20000, 'x'), std::string(8192, 'x')},
    };
    for (const auto& [text, expected] : cases) {
        process.SetErrorF("%s", text.c_str());
        EXPECT_EQ(process.errors.back(), expected) << text.size();
    }
    process.SetErrorF("Could not connect to %s port %d.", "mail.example.com", 587);
    EXPECT_EQ(process.errors.back(), "Could not connect to mail.example.com port 587.");
}

TEST(LProcessSignal, SetWakesTheWakerThatWatches)
{
    LProcessSignal signal;
    RecordingWaker first;
    RecordingWaker second;
    EXPECT_EQ(signal.Watch(&first), nullptr);
    signal.Set();
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
    EXPECT_EQ(group.Signals()[1], &timedOut);
    readable.Set();
    EXPECT_EQ(group.FirstSet(), 0);

    group.ResetAll();
    EXPECT_FALSE(group.IsAnySet());
    EXPECT_TRUE(closed.IsSet()); // no longer a member
}
