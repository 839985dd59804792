// The console runner of kestrano-cli: a progress line redrawn in place on a terminal and
// nothing in a pipe, failures always on the error stream, and Ctrl-C as a request to stop.

#include "framework/LConsoleProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

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

LConsoleProcessOptions Streams(Pipe& progress, Pipe& errors, bool terminal, int interval = 0)
{
    LConsoleProcessOptions options;
    options.progressFd = progress.fds[1];
    options.errorFd = errors.fds[1];
    options.terminal = terminal;
    options.columns = 80;
    options.redrawIntervalMilliseconds = interval;
    return options;
}

} // namespace

TEST(LConsoleProcess, StaysSilentInAPipeButReportsFailures)
{
    Pipe progress;
    Pipe errors;
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
    Pipe terminal;
    Pipe errors;
    {
        LConsoleProcess process("Import", Streams(terminal, errors, true));
        process.SetStatus("Reading rows", -3);
        process.SetStatus("row 1\nof\x1f"
                          "2",
                          5);
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
    Pipe terminal;
    Pipe errors;
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
    Pipe progress;
    Pipe errors;
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

    // Without Ctrl-C, waits end by time or by a set signal, and nothing could end a wait
    // without limit.
    LConsoleProcessOptions options = Streams(progress, errors, false);
    options.stopOnInterrupt = false;
    LConsoleProcess process("Import", options);
    LProcessSignal reply;
    LProcessSignal closed;
    LProcessSignalGroup group{&reply, &closed};
    Clock::time_point start = Clock::now();
    EXPECT_FALSE(process.ProcessWaitSignalObjectGroup(group, 40));
    EXPECT_GE(MillisecondsSince(start), 40);
    start = Clock::now();
    EXPECT_FALSE(process.ProcessWait(-1));
    EXPECT_FALSE(process.ProcessWaitSignalForever(reply));
    closed.Set();
    EXPECT_FALSE(process.ProcessWaitSignalObjectGroup(group, 60000));
    EXPECT_LT(MillisecondsSince(start), 1000);
}
