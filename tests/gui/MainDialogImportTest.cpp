// The main window's imports: each CSV import opens its kind's wizard, the rows land in the
// project and the lists, tasks are scheduled at once, and one Undo takes a whole import
// back out; a Project XML file comes in the same way, and the plan goes out as one.

#include "app/MainDialog.h"
#include "model/QPProject.h"
#include "views/QPDataPanel.h"

#include "gui/MainWindowFixture.h"
#include "support/TestTime.h"

#include <QAction>
#include <QTreeView>

#include <gtest/gtest.h>

#include <fstream>

namespace {

class ImportCommands : public MainWindow {
protected:
    std::string WriteCSV(const std::string& name, const std::string& contents)
    {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }
    int ListRows(eDataPanelList list) const
    {
        return window->DataPanel().List(list).model()->rowCount();
    }
    template <class List>
    static std::vector<std::string> Names(const List& list)
    {
        std::vector<std::string> names;
        for (const auto& element : list)
            names.push_back(element.name.str());
        return names;
    }
};

} // namespace

TEST_F(ImportCommands, TheThreeImportsAreInTheMenusAndOpenTheirOwnWizard)
{
    const std::string empty = WriteCSV("empty.csv", "Name\n");
    for (int command : {3028, 3029, 3030}) {
        EXPECT_TRUE(ActionEnabled(command)) << command;
        dialogs.importSteps.push_back(ImportFile(empty, {{0, "Name"}}));
        window->Command(command);
    }
    EXPECT_EQ(dialogs.wizardsShown,
              (std::vector<std::string>{"Import Tasks", "Import Resources", "Import Schedules"}));
    EXPECT_EQ(dialogs.fieldListTitles,
              (std::vector<std::string>{"Kestrano Task Fields", "Kestrano Resource Fields",
                                        "Kestrano Schedule Fields"}));
    // A file without data rows changes nothing and leaves nothing to undo.
    EXPECT_TRUE(window->Project().tasks.empty());
    EXPECT_FALSE(window->Project().undoStack.CanUndo());
    EXPECT_FALSE(ActionEnabled(3019));
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(ImportCommands, TaskImportSchedulesTheNewTasksAndOneUndoRemovesThemAll)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-03-02 08:00:00");
    AddTask(window->Project(), "Kick-off");
    window->RecalculateProject();
    window->FullGUIRefresh();
    const std::size_t stepsBefore = window->Project().undoStack.GetNumItems();

    dialogs.importSteps.push_back(
            ImportFile(WriteCSV("tasks.csv", "Name,Hours,Begin,Done\n"
                                             "Survey site,16,2026-03-09,50\n"
                                             "Pour footings,24,,\n"
                                             "Kick-off,8,,\n"
                                             "Order steel,0,,\n"),
                       {{0, "Name"}, {1, "Hours"}, {2, "Begin"}, {4, "Done"}}));
    window->Command(3028);

    QPProject& project = window->Project();
    EXPECT_EQ(Names(project.tasks), (std::vector<std::string>{"Kick-off", "Survey site",
                                                              "Pour footings", "Order steel"}));
    EXPECT_EQ(ListRows(eDataPanelTaskList), 4);
    // The plan was recalculated: a task imported without dates has them now.
    const QPTask* footings = project.tasks.GetElement(3);
    ASSERT_NE(footings, nullptr);
    EXPECT_NE(footings->start.Get(), 0);
    EXPECT_GT(footings->finish.Get(), footings->start.Get());
    EXPECT_EQ(project.tasks.GetElement(2)->percentComplete, 50);
    EXPECT_TRUE(project.tasks.GetElement(4)->milestone);
    EXPECT_EQ(project.undoStack.GetNumItems(), stepsBefore + 1);
    EXPECT_TRUE(ActionEnabled(3019));
    EXPECT_TRUE(window->isWindowModified());

    window->Command(3019);
    EXPECT_EQ(Names(project.tasks), (std::vector<std::string>{"Kick-off"}));
    EXPECT_EQ(ListRows(eDataPanelTaskList), 1);

    window->Command(3020);
    EXPECT_EQ(project.tasks.size(), 4u);
    EXPECT_EQ(ListRows(eDataPanelTaskList), 4);
}

TEST_F(ImportCommands, ResourceAndScheduleImportsFillTheirListsAsOneUndoStepEach)
{
    dialogs.importSteps.push_back(ImportFile(WriteCSV("people.csv", "Who,Rate\n"
                                                                    "Ana,\n"
                                                                    "Ben,\n"
                                                                    ",\n"),
                                             {{0, "Who"}, {1, "Rate"}}));
    window->Command(3029);
    QPProject& project = window->Project();
    EXPECT_EQ(Names(project.resources), (std::vector<std::string>{"Ana", "Ben"}));
    EXPECT_EQ(ListRows(eDataPanelResourceList), 2);

    dialogs.importSteps.push_back(ImportFile(WriteCSV("shifts.csv", "Name,Mon,Minutes\n"
                                                                    "Early,06:00,480\n"
                                                                    "Late,14:00,480\n"),
                                             {{0, "Name"}, {3, "Mon"}, {4, "Minutes"}}));
    window->Command(3030);
    EXPECT_EQ(Names(project.schedules),
              (std::vector<std::string>{"Default Schedule", "Early", "Late"}));
    EXPECT_EQ(ListRows(eDataPanelScheduleList), 3);
    EXPECT_EQ(project.schedules.GetElement(2)->shiftDuration[1], 480 * 60);

    window->Command(3019);
    EXPECT_EQ(project.schedules.size(), 1u);
    EXPECT_EQ(ListRows(eDataPanelScheduleList), 1);
    EXPECT_EQ(project.resources.size(), 2u);
    window->Command(3019);
    EXPECT_TRUE(project.resources.empty());
    EXPECT_EQ(ListRows(eDataPanelResourceList), 0);
    EXPECT_FALSE(project.undoStack.CanUndo());
}

TEST_F(ImportCommands, AClosedWizardOrAFileOfFailedRowsLeavesNoUndoStep)
{
    dialogs.importSteps.push_back([](LProcessImportCSV&) { return false; });
    window->Command(3028);
    dialogs.importSteps.push_back(ImportFile(WriteCSV("nameless.csv", "Name,Hours\n,4\n,8\n"),
                                             {{0, "Name"}, {1, "Hours"}}));
    window->Command(3028);
    EXPECT_TRUE(window->Project().tasks.empty());
    EXPECT_FALSE(window->Project().undoStack.CanUndo());
    EXPECT_FALSE(window->Project().IsProjectDirty());
}

TEST_F(ImportCommands, AFileHandedOverWhileTheWizardIsOpenWaitsUntilTheImportIsDone)
{
    SecondStarts starts(*window, folder.filePath(QStringLiteral("channel")));
    dialogs.projectSteps.push_back(Cancel);
    window->EvRunArguments({"kestrano"});
    AddTask(window->Project(), "Kick-off");
    window->Project().undoStack.MarkCurrentStateAsSaved();
    const std::string other = WriteProject("other.qpp", "Other Plan");
    const ScriptedDialogs::ImportStep fill =
            ImportFile(WriteCSV("tasks.csv", "Name,Hours\nSurvey site,16\nPour footings,24\n"),
                       {{0, "Name"}, {1, "Hours"}});
    dialogs.importSteps.push_back([&](LProcessImportCSV& import) {
        starts.SecondStart({"kestrano", other});
        return fill(import);
    });
    window->Command(3028);
    EXPECT_EQ(starts.received, 1);
    EXPECT_EQ(Names(window->Project().tasks),
              (std::vector<std::string>{"Kick-off", "Survey site", "Pour footings"}));
    EXPECT_EQ(window->Project().undoStack.GetNumItems(), 2u);

    // Once the wizard is done, the file opens after the question about the import.
    prompts.Then("Don't Save");
    QTRY_COMPARE_WITH_TIMEOUT(window->Project().name.str(), std::string("Other Plan"), 5000);
    ASSERT_EQ(prompts.Take().size(), 1u);
    EXPECT_EQ(Names(window->Project().tasks), (std::vector<std::string>{"Survey"}));
}

TEST_F(ImportCommands, AProjectXmlFileComesInAsOneUndoStepAndThePlanGoesOutAgain)
{
    // A file another planner wrote, into the empty project: its plan, its name and dates,
    // the summary at the end, and one Undo takes it all back.
    prompts.Then(std::string(KESTRANO_TEST_DATA_DIR "/mspdi/tj3/plain.xml"));
    window->Command(3034);
    EXPECT_EQ(Names(window->Project().tasks),
              (std::vector<std::string>{"Design", "Sketch", "Review", "Build", "Walls", "Roof",
                                        "Done"}));
    EXPECT_EQ(ListRows(eDataPanelTaskList), 7);
    ASSERT_NE(prompts.Last(), nullptr);
    EXPECT_EQ(prompts.Last()->kind, "information");
    EXPECT_EQ(prompts.Last()->message.rfind("Imported: 5 tasks, 2 headers, 4 links", 0), 0u)
            << prompts.Last()->message;
    window->Command(3019);
    EXPECT_TRUE(window->Project().tasks.empty());
    window->Command(3020);
    EXPECT_EQ(window->Project().tasks.size(), 7u);

    // The plan out again, and in again beside itself: the open plan keeps its own name.
    const std::string out = Path("plan.xml");
    prompts.Then(out);
    window->Command(3035);
    std::ifstream written(out);
    const std::string text((std::istreambuf_iterator<char>(written)),
                           std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<Name>Walls</Name>"), std::string::npos);
    const std::string name = window->Project().name.str();
    prompts.Then(out);
    window->Command(3034);
    EXPECT_EQ(window->Project().tasks.size(), 14u);
    EXPECT_EQ(window->Project().name.str(), name);

    // A file that is not Project XML is refused with its line, and nothing changes.
    prompts.Then(WriteCSV("other.xml", "<?xml version=\"1.0\"?>\n<plan/>\n"));
    window->Command(3034);
    ASSERT_NE(prompts.Last(), nullptr);
    EXPECT_EQ(prompts.Last()->kind, "alert");
    EXPECT_NE(prompts.Last()->message.find("line 2"), std::string::npos) << prompts.Last()->message;
    EXPECT_EQ(window->Project().tasks.size(), 14u);
}
