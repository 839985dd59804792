// The main window driven by command numbers, with every question answered from a script:
// start-up, the document's lifecycle, enabling, layouts and the hand-over from a second
// start.

#include "app/MainDialog.h"
#include "app/LSingleInstance.h"
#include "app/QPDialogRunner.h"
#include "dialogs/QPProjectDialogRules.h"
#include "fileformat/LSettings.h"
#include "framework/LSettingsStore.h"
#include "model/QPProject.h"
#include "views/QPDataPanel.h"
#include "views/QPGanttPane.h"

#include "gui/MainWindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

// --- start-up ------------------------------------------------------------------------------

TEST_F(MainWindow, StartsWithTheNewProjectEditorWhenThereIsNothingToOpen)
{
    dialogs.projectSteps.push_back(Cancel);
    window->EvRunArguments({"kestrano"});

    ASSERT_EQ(dialogs.projectForms, std::vector<bool>{true});
    EXPECT_EQ(window->Project().name, "New Project");
    ASSERT_EQ(window->Project().schedules.size(), 1u);
    EXPECT_EQ(window->Project().schedules.front().name, "Default Schedule");
    EXPECT_FALSE(window->Project().IsProjectDirty());
    EXPECT_TRUE(window->ProjectFilePath().empty());
    EXPECT_TRUE(prompts.asked.empty());
    // The version stays when the pointer passes over a menu item without a status tip.
    const QLabel* version = window->statusBar()->findChild<QLabel*>(QStringLiteral("VersionLabel"));
    ASSERT_NE(version, nullptr);
    QStatusTipEvent passing{QString()};
    QApplication::sendEvent(window.get(), &passing);
    EXPECT_EQ(version->text(), QStringLiteral("Kestrano 1.13"));
    EXPECT_FALSE(version->isHidden());
}

TEST_F(MainWindow, StartsWithTheLastProjectOrANewOneWhenItIsGone)
{
    const std::string path = WriteProject("harbour.qpp", "Harbour");
    LSettings(store).SetString("Settings", "LastProjectFilePath", path);
    window->EvRunArguments({"kestrano"});
    EXPECT_EQ(window->Project().name, "Harbour");
    EXPECT_EQ(window->ProjectFilePath(), path);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Harbour[*]"));
    // The plan is recalculated once it is read.
    EXPECT_NE(window->Project().tasks.front().finish, LDateTime());

    MainDialog second(MainDialogServices{&store, &prompts, &dialogs, documents});
    std::filesystem::remove(path);
    dialogs.projectSteps.push_back(Cancel);
    second.EvRunArguments({"kestrano"});
    EXPECT_EQ(second.Project().name, "New Project");
    // A project that was never read is never saved over the file that used to be there.
    EXPECT_TRUE(second.ProjectFilePath().empty());
}

TEST_F(MainWindow, StartsWithTheFileNamedOnTheCommandLine)
{
    const std::string path = WriteProject("bridge.qpp", "Bridge");
    window->EvRunArguments({"kestrano", path});
    EXPECT_EQ(window->Project().name, "Bridge");
    EXPECT_EQ(window->ProjectFilePath(), path);
    EXPECT_EQ(LastPath(), path);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(MainWindow, ReportsAStartFileThatIsNotAProjectAndKeepsTheProject)
{
    const std::string text = Path("notes.qpp");
    std::ofstream(text) << "not a project at all";
    for (const std::string& path : {text, Path("missing.qpp")}) {
        MainDialog started(MainDialogServices{&store, &prompts, &dialogs, documents});
        started.EvRunArguments({"kestrano", path});
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked[0].title, "Invalid Kestrano File");
        EXPECT_EQ(prompts.asked[0].message,
                  "Unable to open file: " + path + ". The file may be corrupt.");
        prompts.Take();
        EXPECT_EQ(started.Project().schedules.size(), 1u);
        EXPECT_TRUE(started.ProjectFilePath().empty());
        EXPECT_TRUE(LastPath().empty());
    }
}

// --- saving and closing ---------------------------------------------------------------------

TEST_F(MainWindow, WalksThroughTheStatesOfADocument)
{
    // Untitled and clean: closing asks nothing.
    EXPECT_TRUE(window->CmCancel());

    // Untitled with changes: Save asks for a place, proposing the name in the projects folder.
    window->Project().SetName("Office Move");
    AddTask(window->Project(), "Pack");
    const std::string path = Path("office.qpp");
    prompts.Then(path).Then("Save Only");
    window->Command(3013);
    auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].kind, "save");
    EXPECT_EQ(asked[0].defaultName, "Office Move.qpp");
    EXPECT_EQ(asked[0].folder, documents + "/Kestrano Projects");
    EXPECT_TRUE(std::filesystem::is_directory(asked[0].folder));
    EXPECT_EQ(asked[1].title, "Task And Project Updates");
    EXPECT_EQ(asked[1].message,
              "Would you like to send out Task and Project Updates prior to saving?");
    EXPECT_EQ(asked[1].buttons, (std::vector<std::string>{"Send Updates and Save", "Save Only"}));
    EXPECT_EQ(window->ProjectFilePath(), path);
    EXPECT_EQ(LastPath(), path);
    EXPECT_FALSE(window->Project().IsProjectDirty());
    EXPECT_FALSE(window->isWindowModified());

    // Saved and clean, then edited: unsaved changes until undone back to the saved state.
    AddTask(window->Project(), "Load");
    window->EnableControls();
    EXPECT_TRUE(window->Project().IsProjectDirty());
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(ActionEnabled(3019));
    window->Command(3019);
    EXPECT_FALSE(window->Project().IsProjectDirty());
    EXPECT_EQ(window->Project().tasks.size(), 1u);
    EXPECT_TRUE(window->CmCancel());
    window->Command(3020);
    EXPECT_EQ(window->Project().tasks.size(), 2u);

    // Saved to a path with changes: Save writes there without a panel, even when the user
    // wants the updates sent first.
    prompts.Then("Send Updates and Save");
    window->Command(3013);
    EXPECT_EQ(prompts.Take().size(), 1u);
    EXPECT_FALSE(window->Project().IsProjectDirty());
    QPProject reread;
    ASSERT_EQ(reread.ProjectLoad(path), 0);
    EXPECT_EQ(reread.tasks.size(), 2u);
}

TEST_F(MainWindow, SaveAsProposesTheFileNameOfTheProjectFile)
{
    const std::string path = WriteProject("bridge.qpp", "Renamed Later");
    window->EvRunArguments({"kestrano", path});
    prompts.Then(std::nullopt);
    EXPECT_FALSE(window->CmProjectSaveAs());
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].defaultName, "bridge.qpp");
    EXPECT_EQ(prompts.asked[0].folder, folder.path().toStdString());
    EXPECT_EQ(window->ProjectFilePath(), path);
}

TEST_F(MainWindow, AFailedSaveKeepsTheChangesAndTheWindowOpen)
{
    AddTask(window->Project(), "Pack");
    prompts.Then("Save").Then(Path("no-such-folder/plan.qpp")).Then("Save Only");
    EXPECT_FALSE(window->CmCancel());
    const auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0].title, "Save Project Changes");
    EXPECT_EQ(asked[0].message, "Do you wish to save changes made to New Project?");
    EXPECT_EQ(asked[0].buttons, (std::vector<std::string>{"Save", "Don't Save", "Cancel"}));
    EXPECT_EQ(asked[3].kind, "alert");
    EXPECT_EQ(asked[3].title, "Save Failed");
    EXPECT_EQ(asked[3].message, "The project was not saved. Please ensure that the destination "
                                "folder is not write-protected.");
    EXPECT_TRUE(window->Project().IsProjectDirty());
    EXPECT_TRUE(LastPath().empty());

    prompts.Then("Cancel");
    EXPECT_FALSE(window->CmCancel());
    prompts.Then("Don't Save");
    EXPECT_TRUE(window->CmCancel());
}

TEST_F(MainWindow, ClosingTheWindowAsksAndStoresItsPlacement)
{
    window->show();
    AddTask(window->Project(), "Pack");
    prompts.Then("Cancel");
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());

    window->resize(700, 500);
    prompts.Then("Don't Save");
    EXPECT_TRUE(window->close());
    LSettings settings(store);
    EXPECT_EQ(settings.GetInt("MainWindow", "Width", 0), 700);
    EXPECT_EQ(settings.GetInt("MainWindow", "Height", 0), 500);
    EXPECT_FALSE(settings.GetBool("MainWindow", "Maximized", true));

    MainDialog again(MainDialogServices{&store, &prompts, &dialogs, documents});
    EXPECT_EQ(again.size(), QSize(700, 500));

    // Logging out asks once: the window that closes afterwards does not ask again.
    prompts.Take();
    again.show();
    AddTask(again.Project(), "Pack");
    prompts.Then("Cancel");
    EXPECT_FALSE(again.ApproveSessionEnd());
    prompts.Then("Don't Save");
    EXPECT_TRUE(again.ApproveSessionEnd());
    EXPECT_TRUE(again.close());
    EXPECT_EQ(prompts.Take().size(), 2u);
    again.Project().undoStack.MarkCurrentStateAsSaved();
}

// --- new and open -----------------------------------------------------------------------------

TEST_F(MainWindow, NewProjectKeepsTheOldProjectWhenTheEditorIsCancelled)
{
    AddTask(window->Project(), "Pack");
    prompts.Then("Don't Save");
    dialogs.projectSteps.push_back(Cancel);
    window->Command(3001);
    const auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Save Changes");
    EXPECT_EQ(asked[0].message, "Save changes to New Project?");
    EXPECT_EQ(asked[0].buttons, (std::vector<std::string>{"Save", "Don't Save", "Cancel"}));
    EXPECT_EQ(window->Project().tasks.size(), 1u);
    EXPECT_TRUE(window->Project().IsProjectDirty());

    // "Cancel" stops before the editor.
    prompts.Then("Cancel");
    window->Command(3001);
    EXPECT_EQ(dialogs.projectForms.size(), 1u);
}

TEST_F(MainWindow, NewProjectStartsAfreshWithTheEditorsValues)
{
    const std::string path = WriteProject("old.qpp", "Old");
    window->EvRunArguments({"kestrano", path});
    dialogs.projectSteps.push_back([](QPProject& project) {
        QPProjectDialogRules::Form form = QPProjectDialogRules::NewProjectForm();
        form.name = "Bridge";
        form.start = {2027, 5, 3};
        form.deadline = {2027, 9, 30};
        return !QPProjectDialogRules::Confirm(project, form);
    });
    window->Command(3001);
    QPProject& project = window->Project();
    EXPECT_EQ(project.name, "Bridge");
    EXPECT_TRUE(project.tasks.empty());
    ASSERT_EQ(project.schedules.size(), 1u);
    EXPECT_EQ(project.GetDefaultSchedule()->name, "Default Schedule");
    LDateTime start;
    start.SetDateTime(2027, 5, 3, 0, 0, 0);
    EXPECT_EQ(project.projectStart, start);
    EXPECT_TRUE(project.IsProjectDirty());
    EXPECT_TRUE(window->ProjectFilePath().empty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Bridge[*]"));
}

TEST_F(MainWindow, OpenAsksWhereFromAndLeavesEverythingAloneWhenCancelled)
{
    AddTask(window->Project(), "Pack");
    prompts.Then("Cancel Load");
    window->Command(3012);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].buttons,
              (std::vector<std::string>{"Save", "Don't Save", "Cancel Load"}));
    prompts.Take();

    prompts.Then("Don't Save").Then(std::nullopt);
    window->Command(3012);
    const auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].kind, "open");
    EXPECT_EQ(asked[1].title, "Open Project");
    EXPECT_EQ(asked[1].folder, documents + "/Kestrano Projects");
    EXPECT_EQ(window->Project().tasks.size(), 1u);
}

TEST_F(MainWindow, OpeningAFileThatIsNotAProjectKeepsTheProjectAndItsPath)
{
    const std::string good = WriteProject("good.qpp", "Good");
    window->EvRunArguments({"kestrano", good});
    const std::string bad = Path("bad.qpp");
    std::ofstream(bad) << "garbage";

    prompts.Then(bad);
    window->Command(3012);
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.asked[0].folder, folder.path().toStdString());
    EXPECT_EQ(prompts.asked[1].title, "Invalid Kestrano File");
    prompts.Take();
    EXPECT_EQ(window->Project().name, "Good");
    EXPECT_EQ(window->Project().tasks.size(), 1u);
    EXPECT_EQ(window->ProjectFilePath(), good);

    const std::string other = WriteProject("other.qpp", "Other");
    prompts.Then(other);
    window->Command(3012);
    EXPECT_EQ(window->Project().name, "Other");
    EXPECT_EQ(window->ProjectFilePath(), other);
    EXPECT_EQ(LastPath(), other);
}

// --- editors and settings ---------------------------------------------------------------------

TEST_F(MainWindow, EditProjectAndPreferencesChangeTheProject)
{
    dialogs.projectSteps.push_back(NameIt("Harbour"));
    window->Command(3005);
    EXPECT_EQ(dialogs.projectForms, std::vector<bool>{false});
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Harbour[*]"));
    EXPECT_TRUE(window->Project().IsProjectDirty());
    window->Project().dirty = false;

    dialogs.optionsSteps.push_back([](QPProjectOptions&) { return true; });
    EXPECT_TRUE(window->CmSettings());
    EXPECT_FALSE(window->Project().IsProjectDirty());
    dialogs.optionsSteps.push_back([](QPProjectOptions& options) {
        options.SetCurrencySymbol("€");
        return true;
    });
    window->Command(MainDialog::kCmSettings);
    EXPECT_TRUE(window->Project().IsProjectDirty());
    dialogs.optionsSteps.push_back([](QPProjectOptions&) { return false; });
    EXPECT_FALSE(window->CmSettings());
}

// --- enabling, keys and layout -----------------------------------------------------------------

TEST_F(MainWindow, EnablesCommandsByTheSelection)
{
    for (const char* name : {"Pack", "Load", "Drive"})
        AddTask(window->Project(), name);
    window->FullGUIRefresh();
    EXPECT_FALSE(window->IsCommandEnabled(3006));
    EXPECT_FALSE(window->IsCommandEnabled(3015));
    EXPECT_FALSE(window->IsCommandEnabled(3026));

    window->DataPanel().SelectTaskByID(2);
    window->Command(4501);
    EXPECT_TRUE(window->IsCommandEnabled(3006));
    EXPECT_TRUE(window->IsCommandEnabled(3031));
    EXPECT_TRUE(window->IsCommandEnabled(3015));

    // A click in the chart selects the task in the list.
    window->GanttViewSelectTask(window->Project().tasks.GetElement(3)->key);
    EXPECT_EQ(window->DataPanel().GetTaskSelectedID(), 3);
    window->GanttViewSelectTask(987654);
    EXPECT_EQ(window->DataPanel().GetTaskSelectedID(), 3);

    window->Project().BaselineAdd("First");
    window->EnableControls();
    EXPECT_TRUE(window->IsCommandEnabled(3026));
    EXPECT_TRUE(window->IsCommandEnabled(3027));
    // Undo has nothing to take back on a project read from nowhere.
    window->Project().undoStack.Clear();
    window->EnableControls();
    EXPECT_FALSE(ActionEnabled(3019));
    EXPECT_FALSE(ActionEnabled(3020));
}

TEST_F(MainWindow, KeysReachTheirCommands)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    prompts.Then(std::nullopt);
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Open Project");
    prompts.Take();

    dialogs.optionsSteps.push_back([](QPProjectOptions&) { return false; });
    QTest::keyClick(window.get(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.optionsSteps.empty());
}

TEST_F(MainWindow, LaysOutStackedOrSideBySide)
{
    window->resize(1200, 800);
    window->show();
    QApplication::processEvents();
    const QRect chart = window->GanttPane().geometry();
    const QRect lists = window->DataPanel().geometry();
    EXPECT_TRUE(window->IsStackedLayout());
    EXPECT_EQ(chart.top(), 0);
    EXPECT_EQ(chart.width(), lists.width());
    EXPECT_EQ(lists.top(), chart.bottom() + 1);
    EXPECT_NEAR(chart.height() * 3, chart.height() + lists.height(), 3);

    window->Command(3011);
    const QRect chartBeside = window->GanttPane().geometry();
    const QRect listsBeside = window->DataPanel().geometry();
    EXPECT_EQ(listsBeside.left(), 0);
    EXPECT_EQ(chartBeside.left(), listsBeside.right() + 1);
    EXPECT_EQ(chartBeside.height(), listsBeside.height());
    EXPECT_NEAR(chartBeside.width(), listsBeside.width(), 1);
}

// --- a second start -----------------------------------------------------------------------------

TEST_F(MainWindow, ASecondStartHandsItsFileToTheRunningWindow)
{
    const QString channel = folder.filePath(QStringLiteral("channel"));
    LSingleInstance instance;
    std::vector<std::vector<std::string>> received;
    ASSERT_TRUE(instance.Listen(channel, [&](std::vector<std::string> arguments) {
        received.push_back(arguments);
        window->EvRunArguments(arguments);
    }));
    dialogs.projectSteps.push_back(Cancel);
    window->EvRunArguments({"kestrano"});

    const std::string path = WriteProject("handed.qpp", "Handed Over");
    const std::string longArgument(300, 'x');
    bool handedOver = false;
    std::thread second([&] {
        handedOver = LSingleInstance::HandOver(channel, {"kestrano", path, longArgument});
    });
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), std::size_t{1}, 5000);
    second.join();
    EXPECT_TRUE(handedOver);
    ASSERT_EQ(received[0].size(), 3u);
    EXPECT_EQ(received[0][1], path);
    EXPECT_EQ(received[0][2].size(), 259u);
    EXPECT_EQ(window->Project().name, "Handed Over");
    EXPECT_EQ(window->ProjectFilePath(), path);

    // Unsaved changes are not thrown away unasked.
    AddTask(window->Project(), "Extra");
    prompts.Then("Cancel Load");
    window->EvRunArguments({"kestrano", WriteProject("next.qpp", "Next")});
    EXPECT_EQ(window->Project().name, "Handed Over");
    EXPECT_EQ(prompts.Take().size(), 1u);

    // Nobody listening: the start goes on by itself.
    EXPECT_FALSE(LSingleInstance::HandOver(folder.filePath(QStringLiteral("nobody")), {"x"}));
}

TEST_F(MainWindow, FilesHandedOverOrDroppedWhileAnEditorIsOpenWaitUntilItCloses)
{
    SecondStarts starts(*window, folder.filePath(QStringLiteral("channel")));
    dialogs.projectSteps.push_back(Cancel);
    window->EvRunArguments({"kestrano"});
    AddTask(window->Project(), "Unsaved");
    window->FullGUIRefresh();
    window->Command(3002);
    ASSERT_NE(window->EditPanel(), nullptr);

    const std::string first = WriteProject("first.qpp", "First");
    const std::string next = WriteProject("next.qpp", "Next");
    starts.SecondStart({"kestrano", first});
    window->EvLoadFile(next); // dropped on the window
    // Nothing is asked or replaced under the editor; the later file is the one that waits.
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_NE(window->EditPanel(), nullptr);
    EXPECT_EQ(window->Project().tasks.size(), 1u);
    EXPECT_EQ(window->PendingOpenPath(), next);
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QStringLiteral("next.qpp opens when the editor is closed."));

    // Closing the editor lets it through, with the question about the unsaved task.
    prompts.Then("Don't Save");
    window->Command(MainDialog::kCmEditPanelCancel);
    QTRY_COMPARE_WITH_TIMEOUT(window->Project().name.str(), std::string("Next"), 5000);
    const std::vector<ScriptedPrompts::Prompt> asked = prompts.Take();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Save Changes");
    EXPECT_EQ(window->ProjectFilePath(), next);
    EXPECT_TRUE(window->PendingOpenPath().empty());
}

TEST_F(MainWindow, FileArgumentsAreMadeAbsoluteWhereTheProgramIsStarted)
{
    const std::string path = WriteProject("plan.qpp", "Plan");
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("elsewhere")));
    const QString startFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.filePath(QStringLiteral("elsewhere"))));
    const std::vector<std::string> given = LSingleInstance::AbsoluteFileArguments(
            {"kestrano", "../plan.qpp", "", "file://" + path, path});
    EXPECT_EQ(given, (std::vector<std::string>{"kestrano", path, "", path, path}));

    // A first start given a relative name remembers where the file really is.
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    window->EvRunArguments({"kestrano", "plan.qpp"});
    QDir::setCurrent(startFolder);
    EXPECT_EQ(window->Project().name, "Plan");
    EXPECT_EQ(window->ProjectFilePath(), path);
    EXPECT_EQ(LastPath(), path);
}
