// The main window with a large plan: what the user waits for after each change (recalculate,
// re-plot the chart, refill the lists and repaint), and opening and saving the file through
// the window's commands.

#include "BenchProjects.h"

#include "app/MainDialog.h"
#include "app/QPDialogRunner.h"
#include "framework/LSettingsStore.h"
#include "framework/LUserPrompts.h"
#include "import/LProcessImportCSV.h"
#include "import/LWizardImportCSV.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Opens and saves the file it is given and keeps every other answer to itself.
struct QuietPrompts : LUserPrompts {
    std::optional<std::string> AskSaveFile(const LSaveFileRequest&) override { return path; }
    std::optional<std::string> AskOpenFile(const LOpenFileRequest&) override { return path; }
    void ShowAlert(std::string_view, std::string_view) override { ++alerts; }
    void ShowInformation(std::string_view, std::string_view) override {}
    int AskQuestion(std::string_view, std::string_view, const std::vector<std::string>&) override
    {
        return 1; // "Save Only", "Don't Save"
    }
    std::optional<std::string> AskText(std::string_view, std::string_view,
                                       std::string_view) override
    {
        return std::nullopt;
    }
    std::string path;
    int alerts = 0;
};

struct NoDialogs : QPDialogRunner {
    bool RunProjectDialog(QPProject&, bool, QWidget*) override { return false; }
    bool RunOptionsDialog(QPProjectOptions&, QWidget*) override { return false; }
    std::optional<std::string> RunBaselineCreate(QPProject&, QWidget*) override
    {
        return std::nullopt;
    }
    std::optional<int32_t> RunBaselineSelection(QPProject&, const std::string&, const std::string&,
                                                QWidget*) override
    {
        return std::nullopt;
    }
    void RunReportWindow(QPReportBase&, QWidget*) override {}
    void RunBaselineComparison(QPProject&, const QPBaseline&, QWidget*) override {}
    // Matches the fields to the columns named like them and reads `importFile` under the
    // real progress window, as the wizard's "Import" does.
    void RunImportWizard(LProcessImportCSV& import, const QPImportCSVKindInfo&,
                         QWidget* parent) override
    {
        if (import.SetFilePath(importFile))
            return;
        const std::vector<std::string> headers = import.ReadHeaderCells();
        for (std::size_t field = 0; field < import.Fields().size() && field < headers.size();
             ++field)
            import.AssignField(int(field), headers[field], headers);
        ImportProcessRun(parent, import, *prompts);
    }
    std::string importFile;
    LUserPrompts* prompts = nullptr;
};

struct Window {
    explicit Window(int taskCount)
        : window(MainDialogServices{&store, &prompts, &dialogs, folder.path().toStdString()})
    {
        prompts.path = folder.filePath(QStringLiteral("plan.qpp")).toStdString();
        dialogs.prompts = &prompts;
        BuildFamily(window.Project(), taskCount, 42);
        window.resize(1280, 800);
        window.show();
        window.RecalculateProject();
        window.FullGUIRefresh();
        QApplication::processEvents();
    }
    QTemporaryDir folder;
    LMemorySettingsStore store;
    QuietPrompts prompts;
    NoDialogs dialogs;
    MainDialog window;
};

void BM_MainWindowFullRefresh(benchmark::State& state)
{
    Window bench(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        bench.window.RecalculateProject();
        bench.window.FullGUIRefresh();
        // The lists and the chart lay out and paint what is visible.
        QApplication::processEvents();
    }
}

void BM_MainWindowOpenAndSave(benchmark::State& state)
{
    Window bench(static_cast<int>(state.range(0)));
    bench.window.CmProjectSaveAs();
    for (auto _ : state) {
        bench.window.Command(3012);
        QApplication::processEvents();
        bench.window.Command(3013);
    }
    if (bench.prompts.alerts != 0)
        state.SkipWithError("opening or saving failed");
}

// "Import Tasks from CSV..." with 10,000 rows into an empty plan: the rows read under the
// progress window (which repaints and polls "Cancel" after every row), the recalculation
// and the refresh of every view.
void BM_MainWindowImportTasks(benchmark::State& state)
{
    Window bench(0);
    bench.dialogs.importFile = WriteTaskCSV(int(state.range(0)));
    for (auto _ : state) {
        bench.window.Command(3028);
        QApplication::processEvents();
    }
    if (bench.window.Project().tasks.size() != std::size_t(state.range(0)))
        state.SkipWithError("rows were refused");
    std::remove(bench.dialogs.importFile.c_str());
}

} // namespace

BENCHMARK(BM_MainWindowImportTasks)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MainWindowFullRefresh)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindowOpenAndSave)->Arg(5000)->Unit(benchmark::kMillisecond);
