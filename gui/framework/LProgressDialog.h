#pragma once

#include "framework/LProcessInterface.h"

#include <QDialog>

#include <string>
#include <string_view>
#include <vector>

class LEventLoopWaker;
class LUserPrompts;
class QLabel;
class QProgressBar;
class QPushButton;

// The modal progress window that a long operation runs under: two status lines, a progress
// bar and "Cancel". The process function runs on the main thread, called straight from
// Open(); every report and wait it makes handles the events queued meanwhile, so the window
// repaints and the button works between its steps. "Cancel" only sets the stop flag that
// the function polls. The window lives for one run.
class LProgressDialog : public QDialog, public LProcessInterface {
    Q_OBJECT

public:
    // `prompts` shows the failures the process reports, titled with `title`.
    LProgressDialog(std::string_view title, LUserPrompts& prompts);
    ~LProgressDialog() override;

    bool IsToStop() override;
    // Waits handling events as they come, without spinning: true at once when "Cancel" is
    // clicked or the application is asked to quit, false when the time ran out.
    bool ProcessWait(int milliseconds) override;
    bool ProcessWaitSignal(LProcessSignal& signal, int milliseconds) override;
    bool ProcessWaitSignalObjectGroup(LProcessSignalGroup& group, int milliseconds) override;
    void SetError(std::string_view text) override;
    void SetStatus(std::string_view text, int line) override;
    void SetProgress(double fraction) override;
    void SetProgressIndeterminateOn() override;
    void SetProgressIndeterminateOff() override;

    // What "Cancel" does: the button goes grey, the events queued so far are handled and the
    // stop flag is set. The window itself stays until the process function returns; `code`
    // (the button's is eProcessCancelled) is kept for CloseCode().
    virtual void Close(int code);
    // Runs the work; true when the window may close.
    virtual bool MainFunction() = 0;
    // The stop flag, as the waits read it.
    virtual bool IsProcessEventHandlerToStop() { return stop_; }

    // Shows the window application-modal over `parent` (or free-standing), runs
    // MainFunction() and hides the window again. False when the window cannot be made;
    // otherwise what MainFunction() returned.
    bool Open(QWidget* parent);
    // Whether a window can be made here at all: only in a widget application, on its thread.
    static bool CanOpen();

    const std::string& Title() const { return title_; }
    int CloseCode() const { return closeCode_; }
    QLabel& StatusLine(int line) { return *status_[line < 1 ? 0 : 1]; }
    QProgressBar& ProgressBar() { return *bar_; }
    QPushButton& CancelButton() { return *cancel_; }

protected:
    // Escape, the window's close button and the application's request to quit (which
    // closes every window) cancel like the button; they never hide the window while the
    // process runs.
    void reject() override;

private:
    bool Wait(const std::vector<LProcessSignal*>& watched, int milliseconds);
    void RequestStop();
    void HandleQueuedEvents();

    std::string title_;
    LUserPrompts& prompts_;
    QLabel* status_[2];
    QProgressBar* bar_;
    QPushButton* cancel_;
    double fraction_ = 0;
    bool stop_ = false;
    int closeCode_ = 0;
    // The wait in progress, which a stop ends at once.
    LEventLoopWaker* wait_ = nullptr;
};
