#pragma once

#include "framework/LProcessInterface.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

// Where and how a console process reports.
struct LConsoleProcessOptions {
    // The progress line goes to standard error, so that a command's own output on standard
    // output stays clean when it is piped.
    int progressFd = 2;
    int errorFd = 2;
    // Whether the progress stream is a terminal; nothing: ask isatty. A progress line is
    // drawn only on a terminal, since redrawing in place means nothing in a file or a pipe.
    std::optional<bool> terminal;
    // The width of the line in characters; 0: the terminal's width, else 80.
    int columns = 0;
    // The shortest time between two redraws, so a loop over many rows does not flood the
    // terminal.
    int redrawIntervalMilliseconds = 100;
    // Ctrl-C (SIGINT) asks the process to stop instead of ending the program, so a command
    // never dies in the middle of writing a file.
    bool stopOnInterrupt = true;
};

// Runs a process function in kestrano-cli: one progress line with the status texts, drawn
// in place on a terminal; failures always go to the error stream as one line each.
// While the object lives, Ctrl-C requests a stop (every press; Ctrl-\ still ends the
// program). One console process at a time.
class LConsoleProcess : public LProcessInterface {
public:
    explicit LConsoleProcess(std::string title, LConsoleProcessOptions options = {});
    ~LConsoleProcess() override;
    LConsoleProcess(const LConsoleProcess&) = delete;
    LConsoleProcess& operator=(const LConsoleProcess&) = delete;

    bool IsToStop() override;
    // A wait without limit ends only by Ctrl-C or a signal; when Ctrl-C is not caught,
    // nothing could end it and it returns false at once.
    bool ProcessWait(int milliseconds) override;
    bool ProcessWaitSignal(LProcessSignal& signal, int milliseconds) override;
    bool ProcessWaitSignalObjectGroup(LProcessSignalGroup& group, int milliseconds) override;
    void SetError(std::string_view text) override;
    void SetStatus(std::string_view text, int line) override;
    void SetProgress(double fraction) override;
    void SetProgressIndeterminateOn() override;
    void SetProgressIndeterminateOff() override;

    bool IsTerminal() const { return terminal_; }

private:
    class Waker;

    bool Wait(const std::vector<LProcessSignal*>& watched, int milliseconds);
    void Changed();
    void Draw();
    void ClearLine();
    std::string Line();

    std::string title_;
    LConsoleProcessOptions options_;
    bool terminal_ = false;
    int columns_ = 80;

    std::string status_[2];
    double fraction_ = 0;
    bool indeterminate_ = false;
    int busyStep_ = 0;
    bool stop_ = false;

    // Whether the line on the terminal differs from the state, whether anything is drawn,
    // and when it was drawn last.
    bool dirty_ = false;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};

    // The wake-up pipe: Ctrl-C and signals write a byte into it, a wait polls it.
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    bool catching_ = false;
    struct SavedInterrupt;
    std::unique_ptr<SavedInterrupt> saved_;
};
