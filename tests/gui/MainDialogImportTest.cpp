// The main window's imports: each CSV import's rows land in the project and its list, tasks
// are scheduled at once, and one Undo takes a whole import back out; a Project XML file
// comes in the same way, and the plan goes out as one.

#include "gui/MainWindowFixture.h"
#include "support/TestTime.h"

#include <iterator>

using Texts = std::vector<std::string>;

TEST_F(MainWindow, EachCSVImportFillsItsListAndIsOneUndoStep)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-03-02 08:00:00");
    AddTask(window->Project(), "Kick-off");
    window->RecalculateProject();
    window->FullGUIRefresh();
    const std::size_t stepsBefore = window->Project().undoStack.GetNumItems();
    dialogs.importSteps = {
            ImportFile(WriteFile("tasks.csv",
                                 "Name,Hours,Begin,Done\nSurvey site,16,2026-03-09,"
                                 "50\nPour footings,24,,\nKick-off,8,,\nOrder steel,0,,\n"),
                       {{0, "Name"}, {1, "Hours"}, {2, "Begin"}, {4, "Done"}}),
            ImportFile(WriteFile("people.csv", "Who,Rate\nAna,\nBen,\n,\n"),
                       {{0, "Who"}, {1, "Rate"}}),
            ImportFile(WriteFile("shifts.csv", "Name,Mon,Minutes\nEarly,06:00,480\n"),
                       {{0, "Name"}, {3, "Mon"}, {4, "Minutes"}})};
    for (int command : {3028, 3029, 3030})
        window->Command(command);
    EXPECT_TRUE(prompts.asked.empty());

    QPProject& project = window->Project();
    EXPECT_EQ(TaskNames(), (Texts{"Kick-off", "Survey site", "Pour footings", "Order steel"}));
    EXPECT_EQ(Names(project.resources), (Texts{"Ana", "Ben"}));
    EXPECT_EQ(Names(project.schedules), (Texts{"Default Schedule", "Early"}));
    EXPECT_EQ(ListRows(), (std::vector<int>{4, 2, 2}));
    // The plan was recalculated: a task imported without dates has them now.
    const QPTask& footings = *project.tasks.GetElement(3);
    EXPECT_GT(footings.finish.Get(), footings.start.Get());
    EXPECT_NE(footings.start.Get(), 0);
    EXPECT_EQ(project.tasks.GetElement(2)->percentComplete, 50);
    EXPECT_TRUE(project.tasks.GetElement(4)->milestone);
    EXPECT_EQ(project.schedules.GetElement(2)->shiftDuration[1], 480 * 60);
    EXPECT_EQ(project.undoStack.GetNumItems(), stepsBefore + 3);
    EXPECT_TRUE(window->isWindowModified());

    window->Command(3019);
    window->Command(3019);
    EXPECT_EQ(ListRows(), (std::vector<int>{4, 0, 1}));
    window->Command(3019);
    EXPECT_EQ(TaskNames(), Texts{"Kick-off"});
    EXPECT_EQ(ListRows(), (std::vector<int>{1, 0, 1}));
    window->Command(3020);
    EXPECT_EQ(ListRows(), (std::vector<int>{4, 0, 1}));
}

TEST_F(MainWindow, AClosedWizardOrAFileWithoutGoodRowsLeavesNoUndoStep)
{
    dialogs.importSteps = {[](LProcessImportCSV&) { return false; },
                           ImportFile(WriteFile("nameless.csv", "Name,Hours\n,4\n,8\n"),
                                      {{0, "Name"}, {1, "Hours"}}),
                           ImportFile(WriteFile("empty.csv", "Name\n"), {{0, "Name"}})};
    for (int command : {3028, 3028, 3030})
        window->Command(command);
    EXPECT_TRUE(window->Project().tasks.empty());
    EXPECT_FALSE(window->Project().undoStack.CanUndo() || ActionEnabled(3019));
    EXPECT_FALSE(window->Project().IsProjectDirty());
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(MainWindow, AFileHandedOverWhileTheWizardIsOpenWaitsUntilTheImportIsDone)
{
    SecondStarts starts(*window, folder.filePath(QStringLiteral("channel")));
    dialogs.projectSteps.push_back(Cancel);
    window->EvRunArguments({"kestrano"});
    const std::string other = WriteProject("other.qpp", "Other Plan");
    const ScriptedDialogs::ImportStep fill = ImportFile(
            WriteFile("tasks.csv", "Name,Hours\nSurvey site,16\n"), {{0, "Name"}, {1, "Hours"}});
    dialogs.importSteps.push_back([&](LProcessImportCSV& import) {
        starts.SecondStart({"kestrano", other});
        return fill(import);
    });
    window->Command(3028);
    EXPECT_EQ(TaskNames(), Texts{"Survey site"});
    // Once the wizard is done, the file opens after the question about the import.
    prompts.Then("Don't Save");
    QTRY_COMPARE_WITH_TIMEOUT(window->Project().name.str(), std::string("Other Plan"), 5000);
    EXPECT_EQ(prompts.Take().size(), 1u);
}

TEST_F(MainWindow, AProjectXmlFileComesInAsOneUndoStepAndThePlanGoesOutAgain)
{
    // A file another planner wrote, into the empty project, with a summary at the end.
    prompts.Then(std::string(KESTRANO_TEST_DATA_DIR "/mspdi/tj3/plain.xml"));
    window->Command(3034);
    EXPECT_EQ(TaskNames(), (Texts{"Design", "Sketch", "Review", "Build", "Walls", "Roof", "Done"}));
    EXPECT_EQ(Rows(eDataPanelTaskList), 7);
    EXPECT_EQ(prompts.Last()->kind, "information");
    EXPECT_EQ(prompts.Last()->message.rfind("Imported: 5 tasks, 2 headers, 4 links", 0), 0u);
    window->Command(3019);
    EXPECT_TRUE(window->Project().tasks.empty());
    window->Command(3020);

    // The plan out again, and in again beside itself: the open plan keeps its own name.
    const std::string out = Path("plan.xml");
    prompts.Then(out).Then(out);
    window->Command(3035);
    std::ifstream written(out);
    const std::string text((std::istreambuf_iterator<char>(written)), {});
    EXPECT_NE(text.find("<Name>Walls</Name>"), std::string::npos);
    const std::string name = window->Project().name.str();
    window->Command(3034);
    EXPECT_EQ(window->Project().tasks.size(), 14u);
    EXPECT_EQ(window->Project().name.str(), name);

    // A file that is not Project XML is refused with its line, and nothing changes.
    prompts.Then(WriteFile("other.xml", "<?xml version=\"1.0\"?>\n<plan/>\n"));
    window->Command(3034);
    EXPECT_EQ(prompts.Last()->kind, "alert");
    EXPECT_NE(prompts.Last()->message.find("line 2"), std::string::npos);
    EXPECT_EQ(window->Project().tasks.size(), 14u);
}
