// The process interface: the silent runner, the formatted reports with their cut, and the
// signals that waits watch; and the console runner of kestrano-cli: a progress line redrawn
// in place on a terminal and nothing in a pipe, failures always on the error stream, and
// Ctrl-C as a request to stop.

#include "framework/LConsoleProcess.h"
#include "framework/LProcessInterface.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start)
{
    return static_cast<long>((Clock::now() - start) / std::chrono::milliseconds(1));
}

// A pipe that stands for a stream; Take reads what was written so far.
struct Pipe {
    int fds[2];
    Pipe() { EXPECT_EQ(pipe2(fds, O_NONBLOCK), 0); }
    ~Pipe()
    {
        close(fds[0]);
        close(fds[1]);
    }
    std::string Take()
    {
        std::string text;
        char bytes[4096];
        for (ssize_t n; (n = read(fds[0], bytes, sizeof bytes)) > 0;)
            text.append(bytes, static_cast<std::size_t>(n));
        return text;
    }
};

LConsoleProcessOptions Streams(Pipe& progress, Pipe& errors, bool terminal, int interval = 0,
                               bool stopOnInterrupt = true)
{
    return {progress.fds[1], errors.fds[1], terminal, 80, interval, stopOnInterrupt};
}

// Keeps what a process function reported; its user asks to stop when the test says so.
class RecordingProcess : public LProcessInterface {
public:
    bool IsToStop() override { return stop; }
    void SetStatus(std::string_view text, int line) override
    {
        statuses.emplace_back(line, std::string(text));
    }
    void SetError(std::string_view text) override { errors.emplace_back(text); }

    std::vector<std::pair<int, std::string>> statuses;
    std::vector<std::string> errors;
    bool stop = false;
};

class RecordingWaker : public LProcessWaker {
public:
    void Wake() override { ++wakes; }
    int wakes = 0;
};

} // namespace

TEST(LConsoleProcess, StaysSilentInAPipeButReportsFailures)
{
    Pipe progress, errors;
    {
        LConsoleProcess process("Import", Streams(progress, errors, false));
        process.SetStatus("Reading rows", 0);
        process.SetProgress(0.5);
        process.SetErrorF("Row %d: no task name.", 7);
    }
    EXPECT_EQ(progress.Take(), "");
    EXPECT_EQ(errors.Take(), "Import: Row 7: no task name.\n");
}

TEST(LConsoleProcess, RedrawsOneLineInPlaceOnATerminal)
{
    Pipe terminal, errors;
    {
        LConsoleProcess process("Import", Streams(terminal, errors, true));
        process.SetStatus("Reading rows", -3);
        process.SetStatus("row 1\nof\0372", 5); // a line feed and a unit separator
        process.SetProgress(0.5);
        const std::string drawn = terminal.Take();
        EXPECT_EQ(drawn.find('\n'), std::string::npos);
        EXPECT_EQ(drawn.rfind('\r'), drawn.rfind("\rImport [##########----------]  50%  "));
        EXPECT_NE(drawn.find("[##########----------]  50%  Reading rows  row 1 of 2\x1b[K"),
                  std::string::npos);

        process.SetProgressIndeterminateOn();
        const std::string busy = terminal.Take();
        EXPECT_NE(busy.find("===="), std::string::npos);
        EXPECT_EQ(busy.find('%'), std::string::npos);

        // A long status is cut to the width, less the last column.
        process.SetStatus(std::string(200, 'x'), 0);
        process.SetProgress(1.0);
        std::string line = terminal.Take();
        line = line.substr(line.rfind('\r') + 1);
        EXPECT_EQ(line.size(), 79u + 3u) << line; // and the erase to the end of the line
        EXPECT_EQ(line.substr(0, 34), "Import [####################] 100%");
    }
    // Whatever the program prints next starts on a clean line.
    EXPECT_EQ(terminal.Take(), "\r\x1b[K");
    EXPECT_EQ(errors.Take(), "");

    // A failure goes above the progress line, which is drawn again below it.
    LConsoleProcess process("Send Updates", Streams(terminal, terminal, true));
    process.SetProgress(0.25);
    terminal.Take();
    process.SetError("The server closed the connection.");
    EXPECT_EQ(terminal.Take(), "\r\x1b[KSend Updates: The server closed the connection.\n"
                               "\rSend Updates [#####---------------]  25%\x1b[K");
}

TEST(LConsoleProcess, ThrottlesRedrawsButShowsTheLatestStateBeforeAWait)
{
    Pipe terminal, errors;
    LConsoleProcess process("Import", Streams(terminal, errors, true, 60000));
    for (int row = 1; row <= 100; ++row)
        process.SetProgress(row / 100.0);
    process.SetStatus("Connecting", 0);
    EXPECT_EQ(terminal.Take(), "\rImport [--------------------]   1%\x1b[K");
    EXPECT_FALSE(process.ProcessWait(0));
    EXPECT_EQ(terminal.Take(), "\rImport [####################] 100%  Connecting\x1b[K");
}

TEST(LConsoleProcess, CtrlCRequestsAStopInsteadOfEndingTheProgram)
{
    Pipe progress, errors;
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
    {
        LConsoleProcess process("Import", Streams(progress, errors, false));
        EXPECT_FALSE(process.IsToStop());
        std::raise(SIGINT);
        EXPECT_TRUE(process.IsToStop());
        const Clock::time_point start = Clock::now();
        EXPECT_TRUE(process.ProcessWait(60000));
        EXPECT_LT(MillisecondsSince(start), 1000);
    }
    {
        // A wait without limit ends when Ctrl-C comes in from elsewhere.
        LConsoleProcess process("Import", Streams(progress, errors, false));
        EXPECT_FALSE(process.IsToStop());
        std::thread user([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            kill(getpid(), SIGINT);
        });
        LProcessSignal never;
        const Clock::time_point start = Clock::now();
        EXPECT_TRUE(process.ProcessWaitSignalForever(never));
        EXPECT_GE(MillisecondsSince(start), 40);
        user.join();
    }
    // The program's own handling is back.
    struct sigaction after {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

// The silent runner and the console one without Ctrl-C: waits end by time or by a set
// signal, and nothing could end a wait without limit, so it does not begin.
TEST(LProcessInterface, WaitsEndByTimeOrASetSignalAndNeverHang)
{
    Pipe progress, errors;
    LConsoleProcess console("Import", Streams(progress, errors, false, 0, false));
    LProcessInterface silent;
    for (LProcessInterface* runner : {&silent, static_cast<LProcessInterface*>(&console)}) {
        EXPECT_FALSE(runner->IsToStop());
        LProcessSignal never, ready;
        LProcessSignalGroup none{&never};
        LProcessSignalGroup group{&never, &ready};
        Clock::time_point start = Clock::now();
        EXPECT_FALSE(runner->ProcessWait(20));
        EXPECT_FALSE(runner->ProcessWaitSignalObjectGroup(group, 20));
        EXPECT_GE(MillisecondsSince(start), 40);
        start = Clock::now();
        EXPECT_FALSE(runner->ProcessWait(-1));
        EXPECT_FALSE(runner->ProcessWaitSignalForever(never));
        EXPECT_FALSE(runner->ProcessWaitSignalObjectGroup(none, -1));
        ready.Set();
        EXPECT_FALSE(runner->ProcessWaitSignal(ready, 60000));
        EXPECT_FALSE(runner->ProcessWaitSignalObjectGroup(group, 60000));
        EXPECT_LT(MillisecondsSince(start), 1000);
    }
    // A stop wins over a set signal, and a timed wait reports it.
    RecordingProcess user;
    user.stop = true;
    LProcessSignal ready;
    ready.Set();
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

TEST(LProcessSignal, SetWakesTheWakerThatWatchesAndGroupsNameTheFirstSet)
{
    LProcessSignal signal;
    RecordingWaker first, second;
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

    // A group names its first member that is set; a signal joins it once.
    LProcessSignal readable, closed, timedOut;
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
