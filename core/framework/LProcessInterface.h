#pragma once

// Long operations (importing a CSV file, sending updates, mailing a report) are written as
// one free function `LProcessResult Process(LProcessInterface&, Data&)` that does the work
// and talks to the user only through the interface: status lines, a progress bar, failure
// texts, polls for a cancel and waits that keep the program responsive. The desktop program
// runs such a function under a modal progress window, kestrano-cli under a console progress
// line, tests and batch work under the silent base class.

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <vector>

// The result of a process function and of the runners. Any value other than success is a
// reason for the caller to stop: a loop over several sends returns the first such result.
enum LProcessResult : int {
    eProcessSucceeded = 0,
    // The user asked to stop; nothing is shown for it.
    eProcessCancelled = 1,
    // The failure text went to SetError, or the function could not be run at all.
    eProcessFailed = 2,
};

// The most bytes that SetStatusF and SetErrorF pass on; longer texts are cut, never inside
// a UTF-8 character.
inline constexpr std::size_t kProcessTextMaxBytes = 8192;

// Whoever is waiting for a signal and must be woken when it is set.
class LProcessWaker {
public:
    virtual void Wake() = 0;

protected:
    ~LProcessWaker() = default;
};

// A flag that an event handler sets while a process function waits for it (for example
// "the mail server's reply has arrived"). Setting it wakes the wait that watches it. Signals
// live on the thread that runs the process, like the handlers that set them.
class LProcessSignal {
public:
    LProcessSignal() = default;
    LProcessSignal(const LProcessSignal&) = delete;
    LProcessSignal& operator=(const LProcessSignal&) = delete;

    void Set();
    void Reset() { set_ = false; }
    bool IsSet() const { return set_; }

    // Attaches the waker that a Set wakes (nullptr detaches) and returns the one attached
    // before, so that a wait can put it back when it ends.
    LProcessWaker* Watch(LProcessWaker* waker);

private:
    bool set_ = false;
    LProcessWaker* waker_ = nullptr;
};

// Several signals waited for at once, for example "readable" and "closed". The group refers
// to its signals; they must outlive it.
class LProcessSignalGroup {
public:
    LProcessSignalGroup() = default;
    LProcessSignalGroup(std::initializer_list<LProcessSignal*> members);

    // Adding a signal that is already a member changes nothing.
    void Add(LProcessSignal& signal);
    void Remove(LProcessSignal& signal);
    void Clear() { signals_.clear(); }

    std::size_t Size() const { return signals_.size(); }
    // The index of the first member that is set, -1 when none is.
    int FirstSet() const;
    bool IsAnySet() const { return FirstSet() >= 0; }
    void ResetAll();
    const std::vector<LProcessSignal*>& Signals() const { return signals_; }

private:
    std::vector<LProcessSignal*> signals_;
};

// Attaches a waker to signals for the length of one wait and puts back what was attached
// before. For implementations of the waits.
class LProcessSignalWatch {
public:
    LProcessSignalWatch(const std::vector<LProcessSignal*>& watched, LProcessWaker& waker);
    ~LProcessSignalWatch();
    LProcessSignalWatch(const LProcessSignalWatch&) = delete;
    LProcessSignalWatch& operator=(const LProcessSignalWatch&) = delete;

private:
    std::vector<LProcessSignal*> signals_;
    std::vector<LProcessWaker*> previous_;
};

// What a process function sees of the program that runs it. The base class is the silent
// runner: it shows nothing and nobody can ask it to stop. Its waits therefore end only by
// time or by a signal that is already set: a timed wait sleeps its time through and returns
// false, and a wait without limit (any negative time) returns false at once, because nothing
// could ever end it.
class LProcessInterface {
public:
    // True once the user asked to stop.
    virtual bool IsToStop();
    // Waits `milliseconds` (negative: no limit) while keeping the program responsive. True
    // as soon as a stop is requested (the program's quit request counts as one); false when
    // the time ran out.
    virtual bool ProcessWait(int milliseconds);
    // As ProcessWait, and also ends (false) when `signal` is or becomes set.
    virtual bool ProcessWaitSignal(LProcessSignal& signal, int milliseconds);
    // As ProcessWait, and also ends (false) when any member of `group` is or becomes set.
    virtual bool ProcessWaitSignalObjectGroup(LProcessSignalGroup& group, int milliseconds);
    // Reports a failure to the user; returns once the user has seen it.
    virtual void SetError(std::string_view text);
    // A status text on the first line (any line below 1) or the second (1 or more).
    virtual void SetStatus(std::string_view text, int line);
    // The share done, 0.0 to 1.0; switches the busy display off.
    virtual void SetProgress(double fraction);
    // Between a busy display (the amount of work is not known) and a measured bar.
    virtual void SetProgressIndeterminateOn();
    virtual void SetProgressIndeterminateOff();
    virtual ~LProcessInterface() = default;

    // printf-style forms of SetStatus and SetError; the text is cut to kProcessTextMaxBytes.
    void SetStatusF(int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void SetErrorF(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool ProcessWaitSignalForever(LProcessSignal& signal) { return ProcessWaitSignal(signal, -1); }
};
