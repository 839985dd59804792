// The progress window that long operations run under: the modal run, "Cancel" during a
// wait, the status lines and the bar, failures shown as alerts, and waits that end early.

#include "framework/LProcessDialog.h"

#include "support/ScriptedPrompts.h"

#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start)
{
    return static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A process whose work the test writes in place; it sees its own window.
struct Work {
    std::function<LProcessResult(LProgressDialog&)> run;
    int calls = 0;
};

LProcessResult Process(LProcessInterface& process, Work& work)
{
    ++work.calls;
    return work.run(dynamic_cast<LProgressDialog&>(process));
}

// The progress window on top, as the user sees it.
LProgressDialog* ShownProgress()
{
    return dynamic_cast<LProgressDialog*>(QApplication::activeModalWidget());
}

void ClickCancelLater(int milliseconds)
{
    QTimer::singleShot(milliseconds, [] {
        LProgressDialog* shown = ShownProgress();
        ASSERT_NE(shown, nullptr);
        QTest::mouseClick(&shown->CancelButton(), Qt::LeftButton);
    });
}

// A window to report into directly, without a run.
class StandaloneProgress : public LProgressDialog {
public:
    explicit StandaloneProgress(LUserPrompts& prompts) : LProgressDialog("Import", prompts) {}
    bool MainFunction() override { return true; }
};

// The two status lines and the bar's share done, -1 while it only shows that it is busy.
std::string Shown(LProgressDialog& window)
{
    const QProgressBar& bar = window.ProgressBar();
    const int span = bar.maximum() - bar.minimum();
    return (window.StatusLine(0).text() + " | " + window.StatusLine(1).text()).toStdString() +
           " | " + std::to_string(span <= 0 ? -1 : double(bar.value() - bar.minimum()) / span);
}

} // namespace

TEST(LProgressDialog, RunsTheFunctionInsideAModalWindowAndShowsAFailureAsOneAlert)
{
    ScriptedPrompts prompts;
    QWidget mainWindow;
    mainWindow.show();
    Work work;
    work.run = [&](LProgressDialog& window) {
        EXPECT_TRUE(ShownProgress() == &window && window.parentWidget() == &mainWindow);
        EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
        EXPECT_TRUE(window.CancelButton().isEnabled() && !window.IsToStop());
        return eProcessSucceeded;
    };
    EXPECT_EQ(ProcessRunAsDialog(&mainWindow, "Send Task Updates", work, prompts),
              eProcessSucceeded);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(mainWindow.findChildren<LProgressDialog*>().isEmpty());
    EXPECT_TRUE(prompts.asked.empty());

    work.run = [](LProgressDialog& window) {
        window.SetErrorF("Could not open \"%s\".", "rows.csv");
        return eProcessFailed;
    };
    EXPECT_EQ(ProcessRunAsDialog(nullptr, "Import Tasks", work, prompts), eProcessFailed);
    EXPECT_EQ(work.calls, 2);
    EXPECT_EQ(prompts.TakeTexts(), std::vector<std::string>{"alert: Import Tasks: Could not open "
                                                            "\"rows.csv\"."});
}

TEST(LProgressDialog, CancelDuringAWaitEndsItAtOnceAndShowsNothing)
{
    ScriptedPrompts prompts;
    bool stopped = false;
    long waited = 0;
    Work work;
    work.run = [&](LProgressDialog& window) {
        const Clock::time_point start = Clock::now();
        stopped = window.ProcessWait(30000);
        waited = MillisecondsSince(start);
        EXPECT_FALSE(window.CancelButton().isEnabled());
        EXPECT_TRUE(window.IsToStop());
        // Later waits do not start either.
        EXPECT_TRUE(window.ProcessWait(-1));
        return window.IsToStop() ? eProcessCancelled : eProcessSucceeded;
    };
    ClickCancelLater(100);
    EXPECT_EQ(ProcessRunAsDialog(nullptr, "Import Tasks", work, prompts), eProcessCancelled);
    // Only a stop ends a 30-second wait early with true; how soon the click came depends on
    // the machine's load, so only the far end is bounded.
    EXPECT_TRUE(stopped);
    EXPECT_LT(waited, 10000);
    EXPECT_TRUE(prompts.asked.empty());

    // Escape, closing and a queued click cancel like the button.
    work.run = [](LProgressDialog& window) {
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_TRUE(window.IsToStop());
        window.close();
        EXPECT_TRUE(window.isVisible()) << "it closes when the function is done";
        EXPECT_EQ(window.CloseCode(), eProcessCancelled);
        return eProcessCancelled;
    };
    EXPECT_EQ(ProcessRunAsDialog(nullptr, "Import", work, prompts), eProcessCancelled);
    StandaloneProgress window(prompts);
    window.show();
    QMetaObject::invokeMethod(&window.CancelButton(), "click", Qt::QueuedConnection);
    EXPECT_TRUE(window.IsToStop());
}

TEST(LProgressDialog, ReportsGoToTheirLinesAndTheBar)
{
    ScriptedPrompts prompts;
    StandaloneProgress window(prompts);
    window.SetStatus("Reading tasks", -3);
    window.SetStatus("Row 12", 5);
    EXPECT_EQ(Shown(window), "Reading tasks | Row 12 | 0.000000");
    window.SetStatusF(0, "Resource %d of %d: %s", 2, 3, "Zoë");
    window.SetStatus("", 1);
    window.SetProgressIndeterminateOn();
    EXPECT_EQ(Shown(window), "Resource 2 of 3: Zoë |  | -1.000000");
    window.SetProgress(0.5);
    EXPECT_EQ(Shown(window), "Resource 2 of 3: Zoë |  | 0.500000");
    window.SetProgressIndeterminateOn();
    window.SetProgressIndeterminateOff();
    EXPECT_EQ(Shown(window), "Resource 2 of 3: Zoë |  | 0.500000");
    window.SetProgress(7);
    EXPECT_EQ(Shown(window), "Resource 2 of 3: Zoë |  | 1.000000");
}

TEST(LProgressDialog, WaitsEndByTimeOrEarlyByASignal)
{
    ScriptedPrompts prompts;
    Work work;
    work.run = [](LProgressDialog& window) {
        Clock::time_point start = Clock::now();
        EXPECT_FALSE(window.ProcessWait(80));
        EXPECT_GE(MillisecondsSince(start), 80);

        // A socket handler sets the signal while the process waits for the reply.
        LProcessSignal reply;
        QTimer::singleShot(50, [&reply] { reply.Set(); });
        start = Clock::now();
        EXPECT_FALSE(window.ProcessWaitSignal(reply, 30000));
        EXPECT_TRUE(reply.IsSet());
        EXPECT_LT(MillisecondsSince(start), 10000);

        LProcessSignal readable, closed;
        LProcessSignalGroup group{&readable, &closed};
        QTimer::singleShot(50, [&closed] { closed.Set(); });
        start = Clock::now();
        EXPECT_FALSE(window.ProcessWaitSignalObjectGroup(group, -1));
        EXPECT_EQ(group.FirstSet(), 1);
        EXPECT_LT(MillisecondsSince(start), 10000);

        // Waiting for ever for a signal that never comes ends with "Cancel".
        LProcessSignal never;
        ClickCancelLater(50);
        EXPECT_TRUE(window.ProcessWaitSignalForever(never));
        return eProcessCancelled;
    };
    EXPECT_EQ(ProcessRunAsDialog(nullptr, "Send Project Updates", work, prompts),
              eProcessCancelled);
}

TEST(LProgressDialog, QuittingTheApplicationStopsAWait)
{
    ScriptedPrompts prompts;
    // The request to quit closes the windows; leaving the application's loop outright (as
    // at the end of a session) ends every event loop at once.
    for (auto quit : {+[] { QCoreApplication::quit(); }, +[] { QCoreApplication::exit(0); }}) {
        Work work;
        bool stopped = false;
        long waited = 0;
        work.run = [&](LProgressDialog& window) {
            QTimer::singleShot(50, quit);
            const Clock::time_point start = Clock::now();
            stopped = window.ProcessWait(30000);
            waited = MillisecondsSince(start);
            // And no later wait hangs or spins.
            EXPECT_TRUE(window.ProcessWait(30000));
            return window.IsToStop() ? eProcessCancelled : eProcessSucceeded;
        };
        LProcessResult result = eProcessFailed;
        // Quitting needs the application's own event loop running.
        QTimer::singleShot(0, [&] {
            result = ProcessRunAsDialog(nullptr, "Import", work, prompts);
            QCoreApplication::exit(0);
        });
        QApplication::exec();
        EXPECT_EQ(result, eProcessCancelled);
        EXPECT_TRUE(stopped);
        EXPECT_LT(waited, 10000);
    }
    EXPECT_TRUE(prompts.asked.empty());
}
