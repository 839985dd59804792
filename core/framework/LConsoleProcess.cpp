#include "framework/LConsoleProcess.h"

#include "framework/LFixedText.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int kBarWidth = 20;
constexpr int kBusyBlock = 4;

// What the interrupt handler may touch: a flag and the write end of the wake-up pipe of
// the console process that is running.
volatile std::sig_atomic_t gInterrupted = 0;
volatile std::sig_atomic_t gInterruptWakeFd = -1;

extern "C" void OnInterrupt(int)
{
    const int savedErrno = errno;
    gInterrupted = 1;
    if (gInterruptWakeFd >= 0) {
        [[maybe_unused]] const ssize_t written = write(gInterruptWakeFd, "!", 1);
    }
    errno = savedErrno;
}

void WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

void Drain(int fd)
{
    char bytes[64];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
}

// A status text on one line: line breaks and other control characters would tear the
// progress line apart.
void AppendOneLine(std::string& line, std::string_view text)
{
    for (char c : text)
        line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
}

int TerminalColumns(int fd)
{
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const int value = std::atoi(columns);
        if (value > 0)
            return value;
    }
    return 80;
}

} // namespace

struct LConsoleProcess::SavedInterrupt {
    struct sigaction action {};
    std::sig_atomic_t interrupted = 0;
    std::sig_atomic_t wakeFd = -1;
};

class LConsoleProcess::Waker : public LProcessWaker {
public:
    explicit Waker(int fd) : fd_(fd) {}
    void Wake() override
    {
        if (fd_ >= 0) {
            [[maybe_unused]] const ssize_t written = write(fd_, "!", 1);
        }
    }

private:
    int fd_;
};

LConsoleProcess::LConsoleProcess(std::string title, LConsoleProcessOptions options)
    : title_(std::move(title)), options_(options)
{
    terminal_ = options_.terminal ? *options_.terminal : isatty(options_.progressFd) == 1;
    columns_ = options_.columns > 0 ? options_.columns
                                    : (terminal_ ? TerminalColumns(options_.progressFd) : 80);
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
    if (options_.stopOnInterrupt) {
        saved_ = std::make_unique<SavedInterrupt>();
        saved_->interrupted = gInterrupted;
        saved_->wakeFd = gInterruptWakeFd;
        gInterrupted = 0;
        gInterruptWakeFd = wakeWrite_;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        // Restarting keeps reads and writes elsewhere in the program from failing with
        // EINTR; the waits here are woken through the pipe instead.
        action.sa_flags = SA_RESTART;
        catching_ = sigaction(SIGINT, &action, &saved_->action) == 0;
        if (!catching_) {
            gInterruptWakeFd = saved_->wakeFd;
            gInterrupted = saved_->interrupted;
            saved_.reset();
        }
    }
}

LConsoleProcess::~LConsoleProcess()
{
    if (terminal_ && drawn_)
        ClearLine();
    if (saved_) {
        sigaction(SIGINT, &saved_->action, nullptr);
        gInterruptWakeFd = saved_->wakeFd;
        gInterrupted = saved_->interrupted;
    }
    if (wakeRead_ >= 0)
        close(wakeRead_);
    if (wakeWrite_ >= 0)
        close(wakeWrite_);
}

bool LConsoleProcess::IsToStop()
{
    if (catching_ && gInterrupted)
        stop_ = true;
    return stop_;
}

bool LConsoleProcess::ProcessWait(int milliseconds)
{
    return Wait({}, milliseconds);
}

bool LConsoleProcess::ProcessWaitSignal(LProcessSignal& signal, int milliseconds)
{
    return Wait({&signal}, milliseconds);
}

bool LConsoleProcess::ProcessWaitSignalObjectGroup(LProcessSignalGroup& group, int milliseconds)
{
    return Wait(group.Signals(), milliseconds);
}

bool LConsoleProcess::Wait(const std::vector<LProcessSignal*>& watched, int milliseconds)
{
    using namespace std::chrono;
    // The line shows what the process waits for while it waits.
    if (terminal_ && dirty_)
        Draw();
    Waker waker(wakeWrite_);
    LProcessSignalWatch watch(watched, waker);
    const steady_clock::time_point start = steady_clock::now();
    for (;;) {
        if (IsToStop())
            return true;
        if (std::any_of(watched.begin(), watched.end(),
                        [](const LProcessSignal* signal) { return signal->IsSet(); }))
            return false;
        int timeout = -1;
        if (milliseconds >= 0) {
            const auto elapsed =
                    duration_cast<std::chrono::milliseconds>(steady_clock::now() - start);
            if (elapsed.count() >= milliseconds)
                return false;
            timeout = milliseconds - static_cast<int>(elapsed.count());
        } else if (!catching_) {
            return false;
        }
        pollfd wake{wakeRead_, POLLIN, 0};
        poll(&wake, wakeRead_ >= 0 ? 1 : 0, timeout);
        if (wakeRead_ >= 0)
            Drain(wakeRead_);
    }
}

void LConsoleProcess::SetError(std::string_view text)
{
    // The failure goes on a line of its own, above the progress line.
    if (terminal_ && drawn_)
        ClearLine();
    std::string line = title_.empty() ? std::string() : title_ + ": ";
    line += text;
    if (line.empty() || line.back() != '\n')
        line += '\n';
    WriteAll(options_.errorFd, line);
    if (terminal_ && drawn_)
        Draw();
}

void LConsoleProcess::SetStatus(std::string_view text, int line)
{
    status_[line < 1 ? 0 : 1] = std::string(text);
    Changed();
}

void LConsoleProcess::SetProgress(double fraction)
{
    fraction_ = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    indeterminate_ = false;
    Changed();
}

void LConsoleProcess::SetProgressIndeterminateOn()
{
    indeterminate_ = true;
    Changed();
}

void LConsoleProcess::SetProgressIndeterminateOff()
{
    indeterminate_ = false;
    Changed();
}

void LConsoleProcess::Changed()
{
    dirty_ = true;
    if (!terminal_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!drawn_ ||
        now - lastDraw_ >= std::chrono::milliseconds(options_.redrawIntervalMilliseconds))
        Draw();
}

std::string LConsoleProcess::Line()
{
    std::string line = title_;
    if (!line.empty())
        line += ' ';
    line += '[';
    if (indeterminate_) {
        // A block that travels to and fro, one step per redraw.
        const int span = kBarWidth - kBusyBlock;
        const int step = busyStep_++ % (2 * span);
        const int at = step <= span ? step : 2 * span - step;
        line.append(static_cast<std::size_t>(at), ' ');
        line.append(static_cast<std::size_t>(kBusyBlock), '=');
        line.append(static_cast<std::size_t>(kBarWidth - kBusyBlock - at), ' ');
        line += "]     ";
    } else {
        const int filled = static_cast<int>(std::lround(fraction_ * kBarWidth));
        line.append(static_cast<std::size_t>(filled), '#');
        line.append(static_cast<std::size_t>(kBarWidth - filled), '-');
        char percent[8];
        std::snprintf(percent, sizeof percent, "] %3d%%",
                      static_cast<int>(std::lround(fraction_ * 100)));
        line += percent;
    }
    for (const std::string& status : status_) {
        if (status.empty())
            continue;
        line += "  ";
        AppendOneLine(line, status);
    }
    // One column short of the width: writing the last column makes some terminals wrap.
    return std::string(LUtf8Prefix(line, static_cast<std::size_t>(std::max(columns_ - 1, 1))));
}

void LConsoleProcess::Draw()
{
    WriteAll(options_.progressFd, "\r" + Line() + "\x1b[K");
    drawn_ = true;
    dirty_ = false;
    lastDraw_ = std::chrono::steady_clock::now();
}

void LConsoleProcess::ClearLine()
{
    WriteAll(options_.progressFd, "\r\x1b[K");
}
