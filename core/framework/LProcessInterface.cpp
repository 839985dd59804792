#include "framework/LProcessInterface.h"

#include "framework/LFixedText.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <thread>

namespace {

// Formats into a buffer one byte longer than the limit, so that the cut can see whether
// the byte after it continues a UTF-8 character.
std::string FormatProcessText(const char* format, std::va_list arguments)
{
    char buffer[kProcessTextMaxBytes + 2];
    const int written = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    if (written < 0)
        return {};
    const std::size_t size = std::min(static_cast<std::size_t>(written), sizeof buffer - 1);
    return LCutUtf8(std::string_view(buffer, size), kProcessTextMaxBytes);
}

// The silent runner has nothing to do while it waits, so a wait is a sleep; without a
// limit nothing could ever end it, so it does not start.
void SleepFor(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace

void LProcessSignal::Set()
{
    set_ = true;
    if (waker_)
        waker_->Wake();
}

LProcessWaker* LProcessSignal::Watch(LProcessWaker* waker)
{
    LProcessWaker* previous = waker_;
    waker_ = waker;
    return previous;
}

LProcessSignalGroup::LProcessSignalGroup(std::initializer_list<LProcessSignal*> members)
{
    for (LProcessSignal* signal : members)
        if (signal)
            Add(*signal);
}

void LProcessSignalGroup::Add(LProcessSignal& signal)
{
    if (std::find(signals_.begin(), signals_.end(), &signal) == signals_.end())
        signals_.push_back(&signal);
}

void LProcessSignalGroup::Remove(LProcessSignal& signal)
{
    std::erase(signals_, &signal);
}

int LProcessSignalGroup::FirstSet() const
{
    for (std::size_t i = 0; i < signals_.size(); ++i)
        if (signals_[i]->IsSet())
            return static_cast<int>(i);
    return -1;
}

void LProcessSignalGroup::ResetAll()
{
    for (LProcessSignal* signal : signals_)
        signal->Reset();
}

LProcessSignalWatch::LProcessSignalWatch(const std::vector<LProcessSignal*>& watched,
                                         LProcessWaker& waker)
    : signals_(watched)
{
    previous_.reserve(signals_.size());
    for (LProcessSignal* signal : signals_)
        previous_.push_back(signal->Watch(&waker));
}

LProcessSignalWatch::~LProcessSignalWatch()
{
    // In reverse, so that a signal listed twice ends with the waker it had first.
    for (std::size_t i = signals_.size(); i-- > 0;)
        signals_[i]->Watch(previous_[i]);
}

bool LProcessInterface::IsToStop()
{
    return false;
}

bool LProcessInterface::ProcessWait(int milliseconds)
{
    if (IsToStop())
        return true;
    SleepFor(milliseconds);
    return IsToStop();
}

bool LProcessInterface::ProcessWaitSignal(LProcessSignal& signal, int milliseconds)
{
    if (IsToStop())
        return true;
    if (signal.IsSet())
        return false;
    SleepFor(milliseconds);
    return IsToStop();
}

bool LProcessInterface::ProcessWaitSignalObjectGroup(LProcessSignalGroup& group, int milliseconds)
{
    if (IsToStop())
        return true;
    if (group.IsAnySet())
        return false;
    SleepFor(milliseconds);
    return IsToStop();
}

void LProcessInterface::SetError(std::string_view) {}

void LProcessInterface::SetStatus(std::string_view, int) {}

void LProcessInterface::SetProgress(double) {}

void LProcessInterface::SetProgressIndeterminateOn() {}

void LProcessInterface::SetProgressIndeterminateOff() {}

void LProcessInterface::SetStatusF(int line, const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const std::string text = FormatProcessText(format, arguments);
    va_end(arguments);
    SetStatus(text, line);
}

void LProcessInterface::SetErrorF(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const std::string text = FormatProcessText(format, arguments);
    va_end(arguments);
    SetError(text);
}
