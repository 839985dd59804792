// The progress window long operations run under: its run, lines, bar, alerts and waits.

#include "framework/LProcessDialog.h"

#include "gui/GuiTest.h"

namespace {

// A process whose work the test writes in place; it sees its own window.
struct Work {
    std::function<LProcessResult(LProgressDialog&)> run;
};

LProcessResult Process(LProcessInterface& process, Work& work)
{
    return work.run(dynamic_cast<LProgressDialog&>(process));
}

} // namespace

TEST(LProgressDialog, RunsModallyShowsAFailureCancelsReportsToItsLinesAndBarAndWaits)
{
    ScriptedPrompts prompts;
    QWidget mainWindow;
    mainWindow.show();
    Work work;
    work.run = [&](LProgressDialog& window) {
        EXPECT_TRUE(QApplication::activeModalWidget() == &window &&
                    window.parentWidget() == &mainWindow);
        EXPECT_TRUE(window.CancelButton().isEnabled() && !window.IsToStop());
        // The two status lines and the bar's share done, -1 while it only shows that it is busy.
        const auto shown = [&window] {
            const QProgressBar& bar = window.ProgressBar();
            const int span = bar.maximum() - bar.minimum();
            const QString lines = window.StatusLine(0).text() + " | " + window.StatusLine(1).text();
            return lines.toStdString() + " | " +
                   std::to_string(span <= 0 ? -1 : double(bar.value() - bar.minimum()) / span);
        };
        window.SetStatus("Reading tasks", -3);
        window.SetStatus("Row 12", 5);
        EXPECT_EQ(shown(), "Reading tasks | Row 12 | 0.000000");
        window.SetStatusF(0, "Resource %d of %d: %s", 2, 3, "Zoë");
        window.SetStatus("", 1);
        window.SetProgressIndeterminateOn();
        EXPECT_EQ(shown(), "Resource 2 of 3: Zoë |  | -1.000000");
        window.SetProgress(0.5);
        EXPECT_EQ(shown(), "Resource 2 of 3: Zoë |  | 0.500000");
        window.SetProgressIndeterminateOn();
        window.SetProgressIndeterminateOff();
        EXPECT_EQ(shown(), "Resource 2 of 3: Zoë |  | 0.500000");
        window.SetProgress(7);
        EXPECT_EQ(shown(), "Resource 2 of 3: Zoë |  | 1.000000");
        return eProcessSucceeded;
    };
    EXPECT_EQ(ProcessRunAsDialog(&mainWindow, "Send Task Updates", work, prompts),
              eProcessSucceeded);
    EXPECT_TRUE(mainWindow.findChildren<LProgressDialog*>().isEmpty()) << "closed and gone";
    work.run = [](LProgressDialog& window) {
        window.SetErrorF("Could not open \"%s\".", "rows.csv");
        return eProcessFailed;
    };
    EXPECT_EQ(ProcessRunAsDialog(nullptr, "Import Tasks", work, prompts), eProcessFailed);
    EXPECT_EQ(prompts.TakeTexts(), Texts{"alert: Import Tasks: Could not open \"rows.csv\"."});
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
    work.run = [](LProgressDialog& window) {
        QMetaObject::invokeMethod(&window.CancelButton(), "click", Qt::QueuedConnection);
        return window.IsToStop() ? eProcessCancelled : eProcessFailed;
    };
    EXPECT_EQ(ProcessRunAsDialog(nullptr, "Import", work, prompts), eProcessCancelled);
    EXPECT_TRUE(prompts.asked.empty());
    // Only a stop ends a wait early with true; only the far end of an early end is bounded
    // (load): waits end by time, by a signal, or at once by a cancel or by quitting.
    work.run = [](LProgressDialog& window) {
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(window.ProcessWait(80));
        EXPECT_GE(clock.elapsed(), 80);
        // A socket handler sets a signal while the process waits for the reply.
        LProcessSignal reply, readable, closed;
        LProcessSignalGroup group{&readable, &closed};
        QTimer::singleShot(50, [&reply] { reply.Set(); });
        QTimer::singleShot(100, [&closed] { closed.Set(); });
        clock.start();
        EXPECT_FALSE(window.ProcessWaitSignal(reply, 30000));
        EXPECT_FALSE(window.ProcessWaitSignalObjectGroup(group, -1));
        EXPECT_EQ(group.FirstSet(), 1);
        // Waiting for ever for a signal that never comes ends with "Cancel".
        QTimer::singleShot(50, [&] { QTest::mouseClick(&window.CancelButton(), Qt::LeftButton); });
        EXPECT_TRUE(window.ProcessWaitSignalForever(readable));
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_FALSE(window.CancelButton().isEnabled());
        EXPECT_TRUE(window.ProcessWait(30000)) << "later waits do not start either";
        return eProcessCancelled;
    };
    EXPECT_EQ(ProcessRunAsDialog(nullptr, "Send Project Updates", work, prompts),
              eProcessCancelled);
    // A request to quit, or leaving the application's loop outright (a session's end).
    for (auto quit : {+[] { QCoreApplication::quit(); }, +[] { QCoreApplication::exit(0); }}) {
        work.run = [&](LProgressDialog& window) {
            QTimer::singleShot(50, quit);
            QElapsedTimer clock;
            clock.start();
            EXPECT_TRUE(window.ProcessWait(30000));
            EXPECT_LT(clock.elapsed(), 10000);
            EXPECT_TRUE(window.ProcessWait(30000)) << "no later wait hangs or spins";
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
    }
    EXPECT_TRUE(prompts.asked.empty());
}
