#pragma once

#include "framework/LProgressDialog.h"

#include <string_view>

// The progress window bound to one process-data record: its work is the free function
// `LProcessResult Process(LProcessInterface&, T&)`, found next to T.
template <typename T>
class LProcessDialog : public LProgressDialog {
public:
    LProcessDialog(std::string_view title, T& record, LUserPrompts& prompts)
        : LProgressDialog(title, prompts), record_(record)
    {}

    bool MainFunction() override
    {
        // The mail steps give their result as a plain int with the same values.
        result_ = static_cast<LProcessResult>(
                Process(static_cast<LProcessInterface&>(*this), record_));
        return true;
    }

    // eProcessFailed until the function has run.
    LProcessResult Result() const { return result_; }

private:
    T& record_;
    LProcessResult result_ = eProcessFailed;
};

// Runs `Process(process, record)` under an application-modal progress window over `parent`
// (free-standing without one) and returns its result once the window is gone. No thread is
// started: the function runs on the caller's thread and the window stays alive through the
// reports and waits it makes. The record belongs to the caller, who reads its counters and
// results afterwards. eProcessFailed, without running the function, when no window can be
// made.
template <typename T>
LProcessResult ProcessRunAsDialog(QWidget* parent, std::string_view title, T& record,
                                  LUserPrompts& prompts)
{
    if (!LProgressDialog::CanOpen())
        return eProcessFailed;
    LProcessDialog<T> dialog(title, record, prompts);
    dialog.Open(parent);
    return dialog.Result();
}
