// The main window driven by command numbers with scripted answers, each flow's outcome read
// as one line (State); and the help window.

#include "app/QPHelpWindow.h"
#include "views/QPGanttPane.h"

#include "gui/MainWindowFixture.h"

TEST_F(MainWindow, StartsWithTheFileNamedOrTheLastProjectOrTheNewProjectEditor)
{
    // A file named where the program was started, in any of the forms a desktop gives.
    const std::string path = WriteProject("plan.qpp", "Plan");
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("elsewhere")));
    const QString startFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.filePath(QStringLiteral("elsewhere"))));
    EXPECT_EQ(LSingleInstance::AbsoluteFileArguments(
                      {"kestrano", "../plan.qpp", "", "file://" + path, path}),
              (Texts{"kestrano", path, "", path, path}));
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    window->EvRunArguments({"kestrano", "plan.qpp"});
    QDir::setCurrent(startFolder);
    EXPECT_EQ(State(), "Plan[*] | plan.qpp | saved | Survey");
    EXPECT_EQ(LastPath(), path);
    const std::string bad = WriteFile("notes.qpp", "not a project"); // kept from LastPath
    window = std::make_unique<MainDialog>(Services());
    window->EvRunArguments({"kestrano", bad});
    EXPECT_EQ(prompts.TakeTexts(), Texts{"alert: Invalid Kestrano File: Unable to open file: " +
                                         bad + ". The file may be corrupt."});
    EXPECT_EQ(State() + " " + LastPath(), "New Project[*] |  | saved | " + path);
    window = std::make_unique<MainDialog>(Services());
    window->EvRunArguments({"kestrano"});
    EXPECT_EQ(State(), "Plan[*] | plan.qpp | saved | Survey");
    EXPECT_NE(window->Project().tasks.front().finish, LDateTime()) << "recalculated once read";
    std::filesystem::remove(path); // Gone: the new project editor.
    window = std::make_unique<MainDialog>(Services());
    dialogs.projectSteps.push_back(Cancel);
    window->EvRunArguments({"kestrano"});
    EXPECT_EQ(dialogs.projectForms, std::vector<bool>{true});
    EXPECT_EQ(State(), "New Project[*] |  | saved |");
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(MainWindow, OpenAsksAboutChangesAndWhereFromAndKeepsTheProjectWhenTheFileIsBad)
{
    const std::string good = WriteProject("good.qpp", "Good");
    window->EvRunArguments({"kestrano", good});
    AddTask(window->Project(), "Pack");
    // Cancelled at the question or the panel (in the project's folder), or no project: kept.
    prompts.Then("Cancel Load").Then("Don't Save").Then(std::nullopt);
    prompts.Then("Don't Save").Then(WriteFile("b.qpp", "x"));
    for (int i = 0; i < 3; ++i)
        window->Command(3012);
    const auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 6u);
    EXPECT_EQ(asked[0].buttons, (Texts{"Save", "Don't Save", "Cancel Load"}));
    EXPECT_EQ(asked[2].kind + ": " + asked[2].title + ": " + asked[2].folder,
              "open: Open Project: " + folder.path().toStdString());
    EXPECT_EQ(asked[5].title, "Invalid Kestrano File");
    EXPECT_EQ(State(), "Good[*] | good.qpp | changed | Survey Pack");
    const std::string other = WriteProject("other.qpp", "Other");
    prompts.Then("Don't Save").Then(other);
    window->Command(3012);
    EXPECT_EQ(State(), "Other[*] | other.qpp | saved | Survey");
    EXPECT_EQ(LastPath(), other);
    MainDialog fresh(Services()); // Untitled, the panel opens in the projects folder.
    prompts.Take();
    prompts.Then(std::nullopt);
    fresh.Command(3012);
    EXPECT_EQ(prompts.Take().at(0).folder, documents + "/Kestrano Projects");
}

TEST_F(MainWindow, WalksThroughTheStatesOfADocument)
{
    EXPECT_TRUE(window->CmCancel()) << "untitled and clean: closing asks nothing";
    // Untitled with changes: Save asks where, proposing the name in the projects folder.
    window->Project().SetName("Office Move");
    AddTask(window->Project(), "Pack");
    const std::string path = Path("office.qpp");
    prompts.Then(path).Then("Save Only");
    window->Command(3013);
    auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].folder + "/" + asked[0].defaultName,
              documents + "/Kestrano Projects/Office Move.qpp");
    EXPECT_TRUE(std::filesystem::is_directory(asked[0].folder));
    EXPECT_EQ(asked[1].buttons, (Texts{"Send Updates and Save", "Save Only"}));
    EXPECT_FALSE(window->Project().IsProjectDirty() || window->isWindowModified());
    AddTask(window->Project(), "Load");
    window->FullGUIRefresh(); // as after an edit: the new name in the title
    // Saved before: Save writes there without a panel (nobody is to get updates).
    prompts.Then("Send Updates and Save");
    window->Command(3013);
    EXPECT_EQ(prompts.Take().size(), 1u);
    QPProject reread;
    ASSERT_EQ(reread.ProjectLoad(path), 0);
    EXPECT_EQ(Names(reread.tasks), (Texts{"Pack", "Load"}));
    // Save As proposes the file's own name in its folder; cancelled, it changes nothing.
    prompts.Then(std::nullopt);
    EXPECT_FALSE(window->CmProjectSaveAs());
    EXPECT_EQ(prompts.asked.at(0).folder + "/" + prompts.asked[0].defaultName, path);
    EXPECT_EQ(State(), "Office Move[*] | office.qpp | saved | Pack Load");
}

TEST_F(MainWindow, AFailedSaveKeepsTheChangesAndTheWindowOpen)
{
    window->show();
    AddTask(window->Project(), "Pack");
    prompts.Then("Save").Then(Path("no-such-folder/plan.qpp")).Then("Save Only").Then("Cancel");
    EXPECT_FALSE(window->close());
    EXPECT_FALSE(window->close());
    const auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 5u);
    EXPECT_EQ(asked[0].message, "Do you wish to save changes made to New Project?");
    EXPECT_EQ(asked[0].buttons, (Texts{"Save", "Don't Save", "Cancel"}));
    EXPECT_EQ(asked[3].kind + ": " + asked[3].title, "alert: Save Failed");
    EXPECT_TRUE(window->isVisible() && window->Project().IsProjectDirty());
    EXPECT_EQ(LastPath() + window->ProjectFilePath(), "");
    window->resize(700, 500); // Closed, the window keeps its size for the next start.
    prompts.Then("Don't Save");
    EXPECT_TRUE(window->close());
    window = std::make_unique<MainDialog>(Services());
    EXPECT_EQ(window->size(), QSize(700, 500));
    window->show(); // Logging out asks once: the window that closes afterwards does not ask again.
    AddTask(window->Project(), "Pack");
    prompts.Then("Cancel").Then("Don't Save");
    EXPECT_FALSE(window->ApproveSessionEnd());
    EXPECT_TRUE(window->ApproveSessionEnd());
    EXPECT_TRUE(window->close());
    EXPECT_EQ(prompts.Take().size(), 3u);
}

TEST_F(MainWindow, NewProjectReplacesTheProjectOnlyOnOKAndEditsMarkItOnlyWhenChanged)
{
    const std::string path = WriteProject("old.qpp", "Old");
    window->EvRunArguments({"kestrano", path});
    AddTask(window->Project(), "Pack");
    prompts.Then("Cancel").Then("Don't Save").Then("Don't Save");
    window->Command(3001);
    EXPECT_EQ(prompts.TakeTexts(), Texts{"question: Save Changes: Save changes to Old?"});
    dialogs.projectSteps.push_back(Cancel);
    window->Command(3001);
    EXPECT_EQ(State(), "Old[*] | old.qpp | changed | Survey Pack");
    dialogs.projectSteps.push_back([](QPProject& project) {
        project.SetName("Bridge");
        return true;
    });
    window->Command(3001);
    EXPECT_EQ(State(), "Bridge[*] |  | changed |");
    EXPECT_EQ(Names(window->Project().schedules), Texts{"Default Schedule"});
    // Edit Project and Preferences mark the project only when something changed.
    MarkSaved();
    dialogs.projectSteps.push_back([](QPProject& project) {
        project.SetName("Harbour");
        return true;
    });
    window->Command(3005);
    EXPECT_EQ(dialogs.projectForms, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(State(), "Harbour[*] |  | changed |");
    window->Project().dirty = false;
    dialogs.optionsSteps = {[](QPProjectOptions&) { return true; },
                            [](QPProjectOptions& options) {
                                options.SetCurrencySymbol("€");
                                return true;
                            },
                            [](QPProjectOptions&) { return false; }};
    EXPECT_TRUE(window->CmSettings());
    EXPECT_FALSE(window->Project().IsProjectDirty());
    window->Command(MainDialog::kCmSettings);
    EXPECT_TRUE(window->Project().IsProjectDirty());
    EXPECT_FALSE(window->CmSettings());
}

TEST_F(MainWindow, ReportsOpenOrSayThereIsNothingAndCommandsFollowTheSelection)
{
    window->Command(3021);
    EXPECT_EQ(prompts.Take().at(0).message, "There is no information available for this report.");
    window->Project().ElementAdd(std::make_unique<QPResource>(), false);
    AddTask(window->Project(), "Survey");
    window->RecalculateProject();
    Run({3024, 3021, 3022, 3023});
    EXPECT_EQ(dialogs.reportsShown,
              (Texts{"Scheduled Resource Expense Report", "Task Summary Report",
                     "Task Detail Report", "Task Expense Report"}));
    EXPECT_TRUE(prompts.asked.empty());
    for (const char* name : {"Pack", "Load", "Drive"})
        AddTask(window->Project(), name);
    window->FullGUIRefresh();
    // The commands on, of Edit Task, Delete Task, Insert Task (baselines': the elements tests).
    const auto enabled = [this] {
        std::string on;
        for (int command : {3006, 3015, 3031})
            on += window->IsCommandEnabled(command) ? " " + std::to_string(command) : "";
        return on;
    };
    EXPECT_EQ(enabled(), "");
    window->DataPanel().SelectTaskByID(2);
    window->Command(4501);
    EXPECT_EQ(enabled(), " 3006 3015 3031");
    window->GanttViewSelectTask(987654); // a key the chart does not know selects nothing
    EXPECT_EQ(window->DataPanel().GetTaskSelectedID(), 2);
}

TEST_F(MainWindow, KeysReachTheirCommandsAndTheLayoutTurnsSideBySide)
{
    window->resize(1200, 800);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    prompts.Then(std::nullopt);
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(prompts.TakeTexts(), Texts{"open: Open Project: "});
    const auto layout = [this] {
        const QRect chart = window->GanttPane().geometry(), lists = window->DataPanel().geometry();
        return std::make_pair(lists.top() - chart.bottom(), chart.left() - lists.right());
    };
    EXPECT_TRUE(window->IsStackedLayout());
    EXPECT_EQ(layout().first, 1) << "the lists under the chart";
    window->Command(3011);
    EXPECT_EQ(layout().second, 1) << "the chart beside the lists";
}

// While a command holds the project it waits as well (the mail tests: during a send).
TEST_F(MainWindow, ASecondStartHandsItsFileOverWhenNoEditorIsOpen)
{
    const auto starts = StartListening();
    const std::string handed = WriteProject("handed.qpp", "Handed Over");
    starts->SecondStart({"kestrano", handed});
    EXPECT_EQ(State(), "Handed Over[*] | handed.qpp | saved | Survey");
    EXPECT_FALSE(LSingleInstance::HandOver(folder.filePath("nobody"), {"x"})) << "goes on alone";
    // Under an open editor nothing is asked or replaced; the latest file waits for it.
    AddTask(window->Project(), "Unsaved");
    window->FullGUIRefresh();
    window->Command(3002);
    const std::string next = WriteProject("next.qpp", "Next");
    starts->SecondStart({"kestrano", WriteProject("first.qpp", "First")});
    window->EvLoadFile(next); // dropped on the window
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(State(), "Handed Over[*] | handed.qpp | changed | Survey Unsaved");
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QStringLiteral("next.qpp opens when the editor is closed."));
    // Closing the editor lets it through, with the question about the unsaved task.
    prompts.Then("Don't Save");
    window->Command(MainDialog::kCmEditPanelCancel);
    QTRY_COMPARE_WITH_TIMEOUT(window->Project().name.str(), std::string("Next"), 5000);
    EXPECT_EQ(prompts.TakeTexts(), Texts{"question: Save Changes: Save changes to Handed Over?"});
    EXPECT_EQ(State(), "Next[*] | next.qpp | saved | Survey");
    EXPECT_TRUE(window->PendingOpenPath().empty());
}

// What each import reads is the import's (tests/core/import); here lists and undo steps.
TEST_F(MainWindow, EachCSVImportFillsItsListAndIsOneUndoStep)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-03-02 08:00:00");
    AddTask(window->Project(), "Kick-off");
    window->RecalculateProject();
    window->FullGUIRefresh();
    window->Project().undoStack.Clear();
    // A closed wizard, or a file without good rows, leaves no undo step.
    dialogs.importSteps = {
            [](LProcessImportCSV&) { return false; },
            ImportFile(WriteFile("nameless.csv", "Name,Hours\n,4\n,8\n"),
                       {{0, "Name"}, {1, "Hours"}}),
            ImportFile(WriteFile("tasks.csv", "Name,Hours\nSurvey site,16\nPour footings,24\n"),
                       {{0, "Name"}, {1, "Hours"}}),
            ImportFile(WriteFile("people.csv", "Who\nAna\nBen\n"), {{0, "Who"}}),
            ImportFile(WriteFile("shifts.csv", "Name,Mon,Minutes\nEarly,06:00,480\n"),
                       {{0, "Name"}, {3, "Mon"}, {4, "Minutes"}})};
    Run({3028, 3030});
    EXPECT_FALSE(window->Project().undoStack.CanUndo() || ActionEnabled(3019));
    Run({3028, 3029, 3030});
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(State(), "New Project[*] |  | changed | Kick-off Survey site Pour footings");
    EXPECT_EQ(ListRows(), (std::vector<int>{3, 2, 2}));
    EXPECT_TRUE(window->isWindowModified());
    // Recalculated: a task imported without dates has them now.
    const QPTask& footings = *window->Project().tasks.GetElement(3);
    EXPECT_GT(footings.finish.Get(), footings.start.Get());
    EXPECT_NE(footings.start.Get(), 0);
    Run({3019, 3019});
    EXPECT_EQ(ListRows(), (std::vector<int>{3, 0, 1}));
    window->Command(3019);
    EXPECT_EQ(ListRows(), (std::vector<int>{1, 0, 1}));
    EXPECT_FALSE(window->Project().undoStack.CanUndo());
}

// What is read and written is the format's (tests/core/import, export); here the wiring.
TEST_F(MainWindow, AProjectXmlFileComesInAsOneUndoStepAndThePlanGoesOutAgain)
{
    prompts.Then(std::string(KESTRANO_TEST_DATA_DIR "/mspdi/tj3/plain.xml"));
    window->Command(3034);
    EXPECT_EQ(TaskNames(), (Texts{"Design", "Sketch", "Review", "Build", "Walls", "Roof", "Done"}));
    EXPECT_EQ(ListRows()[0], 7);
    EXPECT_EQ(prompts.Last()->kind, "information");
    EXPECT_EQ(prompts.Last()->message.rfind("Imported: 5 tasks, 2 headers, 4 links", 0), 0u);
    window->Command(3019);
    EXPECT_TRUE(window->Project().tasks.empty());
    window->Command(3020);
    const std::string out = Path("plan.xml");
    prompts.Then(out);
    window->Command(3035);
    EXPECT_NE(ReadFile(out).find("<Name>Walls</Name>"), std::string::npos);
    // A file that is no Project XML is refused, and nothing changes.
    prompts.Then(WriteFile("other.xml", "<?xml version=\"1.0\"?>\n<plan/>\n"));
    window->Command(3034);
    EXPECT_EQ(prompts.Last()->kind, "alert");
    EXPECT_EQ(window->Project().tasks.size(), 7u);
}

// Every editor's page is shipped with links to pages that exist; one window serves every
// request, and an unknown topic says so.
TEST(HelpWindow, EachEditorHasAPageWithLinksThatLeadAndOneWindowServesEveryRequest)
{
    QPHelpWindow* first = nullptr;
    for (const auto& [topic, field] : {std::pair{"taskdialog", "Duration (work hours)"},
                                       {"resourcedialog", "Overtime Hourly Rate"},
                                       {"scheduledialog", "Regular Work Week"},
                                       {"index", "Editing a resource"}}) {
        SCOPED_TRACE(topic);
        EXPECT_TRUE(QPHelpWindow::HasTopic(topic));
        QPHelpWindow::ShowTopic(topic, nullptr);
        first = first ? first : QPHelpWindow::Instance();
        const QTextBrowser& browser = QPHelpWindow::Instance()->Browser();
        EXPECT_TRUE(QPHelpWindow::Instance()->isVisible());
        EXPECT_TRUE(browser.toPlainText().contains(field));
        auto links = QRegularExpression("href=\"([^\"]+)\"").globalMatch(browser.toHtml());
        EXPECT_TRUE(links.hasNext());
        while (links.hasNext()) {
            const QUrl target = browser.source().resolved(QUrl(links.next().captured(1)));
            EXPECT_TRUE(target.scheme() == "qrc" && QFile::exists(':' + target.path()))
                    << target.toString().toStdString();
        }
    }
    const auto title = [] { return QPHelpWindow::Instance()->Browser().documentTitle(); };
    for (const char* topic : {"reportwindow", "", "../help/index", "TaskDialog", "index.html"}) {
        EXPECT_FALSE(QPHelpWindow::HasTopic(topic)) << topic;
        QPHelpWindow::ShowTopic(topic, nullptr);
        EXPECT_EQ(title(), QStringLiteral("No Help Available")) << topic;
    }
    QPHelpWindow::ShowTopic("scheduledialog", nullptr);
    EXPECT_EQ(QPHelpWindow::Instance(), first);
    EXPECT_EQ(title(), QStringLiteral("Editing a Schedule"));
    first->close(); // lets it go
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(QPHelpWindow::Instance(), nullptr);
    auto* owner = new QWidget;
    QPHelpWindow::ShowTopic("index", owner);
    EXPECT_TRUE(QPHelpWindow::Instance()->isWindow());
    delete owner; // takes the window with it
    EXPECT_EQ(QPHelpWindow::Instance(), nullptr);
}
