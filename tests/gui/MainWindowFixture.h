#pragma once

// The main window with in-memory settings, scripted prompts and editors, driven by commands.

#include "app/LSingleInstance.h"
#include "app/MainDialog.h"
#include "app/QPDialogRunner.h"
#include "import/QPProcessImportCSV.h"
#include "reports/QPReportTable.h"
#include "views/QPDataPanel.h"

#include "gui/GuiTest.h"

#include <deque>
#include <thread>

inline const auto Cancel = [](QPProject&) { return false; };

// The editors: each call takes the next scripted step, which says whether OK was pressed.
struct ScriptedDialogs : QPDialogRunner {
    using ProjectStep = std::function<bool(QPProject&)>;
    using OptionsStep = std::function<bool(QPProjectOptions&)>;
    // Fills in the import as the wizard's pages would; false when the user closes it.
    using ImportStep = std::function<bool(LProcessImportCSV&)>;
    template <class T>
    static T Next(std::deque<T>& steps, const char* what, T otherwise = {})
    {
        EXPECT_FALSE(steps.empty()) << "unexpected " << what;
        T step = steps.empty() ? std::move(otherwise) : std::move(steps.front());
        if (!steps.empty())
            steps.pop_front();
        return step;
    }
    bool RunProjectDialog(QPProject& project, bool newProject, QWidget*) override
    {
        projectForms.push_back(newProject);
        return Next(projectSteps, "project editor", ProjectStep(Cancel))(project);
    }
    bool RunOptionsDialog(QPProjectOptions& options, QWidget*) override
    {
        return Next(optionsSteps, "options page",
                    OptionsStep([](auto&) { return false; }))(options);
    }
    std::optional<std::string> RunBaselineCreate(QPProject&, QWidget*) override
    {
        return Next(baselineNames, "baseline creation");
    }
    std::optional<int32_t> RunBaselineSelection(QPProject&, const std::string& caption,
                                                const std::string& action, QWidget*) override
    {
        selections.push_back(caption + " / " + action);
        return Next(baselineChoices, "baseline selection");
    }
    // The comparison window as the user would have seen it: its project and baseline.
    void RunBaselineComparison(QPProject& project, const QPBaseline& baseline, QWidget*) override
    {
        comparisons.push_back(project.name.str() + " / " + baseline.name.str());
    }
    void RunReportWindow(QPReportBase& report, QWidget*) override
    {
        reportsShown.push_back(report.title.str());
    }
    // The wizard's rows are read silently, as under a progress window nobody cancels.
    void RunImportWizard(LProcessImportCSV& import, const QPImportCSVKindInfo&, QWidget*) override
    {
        LProcessInterface silent;
        if (Next(importSteps, "import wizard", ImportStep([](auto&) { return false; }))(import))
            Process(silent, import);
    }
    std::deque<ProjectStep> projectSteps;
    std::deque<OptionsStep> optionsSteps;
    std::deque<ImportStep> importSteps;
    std::deque<std::optional<std::string>> baselineNames;
    std::deque<std::optional<int32_t>> baselineChoices;
    std::vector<bool> projectForms; // whether each project editor was for a new project
    std::vector<std::string> selections, comparisons, reportsShown;
};

// The wizard as a user fills it in: the file, then each field's (by index) column header.
inline ScriptedDialogs::ImportStep ImportFile(std::string path,
                                              std::vector<std::pair<int, std::string>> columns)
{
    return [path = std::move(path), columns = std::move(columns)](LProcessImportCSV& import) {
        EXPECT_FALSE(import.SetFilePath(path)) << path;
        const std::vector<std::string> headers = import.ReadHeaderCells();
        for (const auto& [field, header] : columns)
            import.AssignField(field, header, headers);
        EXPECT_FALSE(import.CheckAssignments());
        return true;
    };
}

inline void AddTask(QPProject& project, const std::string& name)
{
    auto task = std::make_unique<QPTask>();
    task->name = name;
    task->durationText = "8";
    project.ElementAdd(std::move(task), true);
}

// The window listening for later starts as the program wires it. SecondStart hands arguments
// over from another thread and returns once the window has them (handling events meanwhile).
class SecondStarts {
public:
    SecondStarts(MainDialog& window, const QString& channel) : channel_(channel)
    {
        EXPECT_TRUE(instance_.Listen(channel, [this, &window](std::vector<std::string> arguments) {
            ++received;
            window.EvRunArguments(arguments);
        }));
    }
    void SecondStart(const std::vector<std::string>& arguments)
    {
        const int before = received;
        bool handedOver = false;
        std::thread second([&] { handedOver = LSingleInstance::HandOver(channel_, arguments); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return received > before; }, 5000));
        second.join();
        EXPECT_TRUE(handedOver);
    }
    int received = 0;

private:
    QString channel_;
    LSingleInstance instance_;
};

class MainWindow : public ::testing::Test, protected TempFolder {
protected:
    ~MainWindow() override { MarkSaved(); } // Nothing is asked while the window goes.
    void MarkSaved() // As if just saved or read: no changes, the undo steps kept.
    {
        window->Project().undoStack.MarkCurrentStateAsSaved();
        window->Project().dirty = false;
    }
    MainDialogServices Services(LMailServices* mail = nullptr)
    {
        return {&store, &prompts, &dialogs, documents, mail};
    }
    // A project file with one task, written outside the window.
    std::string WriteProject(const std::string& fileName, const std::string& projectName)
    {
        QPProject project;
        project.SetName(projectName);
        AddTask(project, "Survey");
        EXPECT_EQ(project.ProjectSave(Path(fileName)), 0);
        return Path(fileName);
    }
    // The window started without a file (its editor cancelled), listening for second starts.
    std::unique_ptr<SecondStarts> StartListening()
    {
        auto starts = std::make_unique<SecondStarts>(*window, folder.filePath("channel"));
        dialogs.projectSteps.push_back(Cancel);
        window->EvRunArguments({"kestrano"});
        return starts;
    }
    std::string LastPath()
    {
        return LSettings(store).GetString("Settings", "LastProjectFilePath").str();
    }
    void Run(std::initializer_list<int> commands)
    {
        for (int command : commands)
            window->Command(command);
    }
    bool ActionEnabled(int command) const { return window->CommandAction(command)->isEnabled(); }
    Texts TaskNames() { return Names(window->Project().tasks); }
    // The window in one line: title, file name, changes since saved or not, and its tasks.
    std::string State()
    {
        std::string shown = window->windowTitle().toStdString() + " | " +
                            std::filesystem::path(window->ProjectFilePath()).filename().string() +
                            (window->Project().IsProjectDirty() ? " | changed |" : " | saved |");
        for (const std::string& name : TaskNames())
            shown += " " + name;
        return shown;
    }
    // The rows of the task, resource and schedule lists.
    std::vector<int> ListRows() const
    {
        std::vector<int> rows;
        for (auto list : {eDataPanelTaskList, eDataPanelResourceList, eDataPanelScheduleList})
            rows.push_back(window->DataPanel().List(list).model()->rowCount());
        return rows;
    }
    // Shows the list's tab and selects exactly these rows in it.
    void Select(eDataPanelList list, std::initializer_list<int> rows)
    {
        window->DataPanel().TabBar().setCurrentIndex(list);
        QTreeView& view = window->DataPanel().List(list);
        view.selectionModel()->clearSelection();
        for (int row : rows)
            view.selectionModel()->select(view.model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::string documents = Path("Documents");
    LMemorySettingsStore store;
    ScriptedPrompts prompts;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainDialog> window = std::make_unique<MainDialog>(Services());
};
