// The CSV import wizard: the file page, the match page with its combo and refusals, the rows
// read under the progress window, and the results page that cannot go back.

#include "import/LWizardImportCSV.h"

#include "framework/LProgressDialog.h"
#include "import/LProcessImportCSV.h"

#include "gui/GuiTest.h"

namespace {

// Three garden fields; keeps the cells it receives, row by row, and refuses the cell "bad".
struct RecordingImport : LProcessImportCSV {
    RecordingImport()
        : LProcessImportCSV("GardenImportCSV",
                            {{"(required) Plant", true}, {"Colour", false}, {"Height", false}})
    {}
    int CellDataImport(LProcessInterface&, int fieldIndex, std::string_view text) override
    {
        if (text == "bad") {
            SetErrorText("Import Failed -- bad cell");
            return eImportCSVRowFailed;
        }
        row += (row.empty() ? "" : " ") + std::to_string(fieldIndex) + "=" + std::string(text);
        return eImportCSVContinue;
    }
    int OnCSVRowStart(LProcessInterface& process) override
    {
        auto* window = dynamic_cast<LProgressDialog*>(&process);
        progressTitles.push_back(window ? window->Title() : "(no window)");
        row.clear();
        return eImportCSVContinue;
    }
    int OnCSVRowFinish(LProcessInterface&) override
    {
        rows.push_back(row);
        return eImportCSVContinue;
    }
    int OnCSVRowCancel(LProcessInterface&) override { return eImportCSVContinue; }
    std::string row;
    Texts rows, progressTitles;
};

class ImportWizard : public WidgetTest {
protected:
    std::string Documents() const { return Path("Documents"); }
    // The wizard on its match page for `path`.
    void OpenOnMatchPage(LWizardImportCSV& wizard, const std::string& path)
    {
        wizard.show();
        wizard.IntroPage().PathEdit().setText(QString::fromStdString(path));
        wizard.next();
        ASSERT_EQ(wizard.currentId(), LWizardImportCSV::kPageMatch);
    }
    static QString Shown(LWizardImportCSV& wizard, int field)
    {
        return wizard.MatchPage().MatchList().topLevelItem(field)->text(1);
    }
};

} // namespace

TEST_F(ImportWizard, TheFilePageStartsFromTheStoredPathBrowsesAndRefusesMissingFiles)
{
    const std::string plants = WriteFile("plants.csv", "Plant\nRose\n");
    LSettings(store).SetString("Settings", "GardenImportCSV", plants);
    RecordingImport import;
    LWizardImportCSV wizard(import, "Garden Fields", prompts, store, Documents());
    wizard.show();
    EXPECT_EQ(wizard.IntroPage().FieldList().topLevelItem(2)->text(0), QStringLiteral("Height"));
    EXPECT_EQ(wizard.IntroPage().PathEdit().text().toStdString(), plants);
    // Browse opens beside the path, else in the documents folder; cancelled, the path stays.
    const std::string chosen = WriteFile("beds.csv", "Plant\n");
    prompts.Then(std::nullopt).Then(chosen);
    wizard.IntroPage().BrowseButton().click();
    wizard.IntroPage().PathEdit().clear();
    wizard.IntroPage().BrowseButton().click();
    const auto asked = prompts.Take();
    EXPECT_EQ(asked.at(0).folder + " " + asked.at(1).folder, Root() + " " + Documents());
    EXPECT_EQ(wizard.IntroPage().PathEdit().text().toStdString(), chosen);
    wizard.IntroPage().PathEdit().setText(QString::fromStdString(Path("gone.csv")));
    wizard.next();
    EXPECT_EQ(std::to_string(wizard.currentId()) + " " + prompts.Take().at(0).title,
              "0 Invalid File");
    // Another file is read, but the stored path stays what it was.
    const std::string trees = WriteFile("trees.csv", "Plant\nOak\n");
    wizard.IntroPage().PathEdit().setText(QString::fromStdString(trees));
    wizard.next();
    EXPECT_EQ(wizard.currentId(), LWizardImportCSV::kPageMatch);
    EXPECT_EQ(import.FilePath(), trees);
    EXPECT_EQ(LSettings(store).GetString("Settings", "GardenImportCSV").str(), plants);
}

// The checks and their order are the import's (tests/core/import); the wizard shows each
// refusal and stays on the page, with the mapping stored before the start row is checked.
TEST_F(ImportWizard, ImportShowsRefusalsThenReadsTheRowsUnderTheProgressWindow)
{
    RecordingImport import;
    LWizardImportCSV wizard(import, "Garden Fields", prompts, store, Documents());
    OpenOnMatchPage(wizard, WriteFile("plants.csv", "Plant,Colour,Height\n"
                                                    "Rose,red,40\n"
                                                    "\n"
                                                    "Fern,bad,30\n"
                                                    "Ivy,,200\n"));
    LWizardPageCSVMatch& page = wizard.MatchPage();
    // Each attempt: the page it leaves the wizard on, the alert's title, the mapping stored.
    const auto next = [&] {
        wizard.next();
        std::string shown = std::to_string(wizard.currentId());
        for (const auto& prompt : prompts.Take())
            shown += " " + prompt.title;
        return shown + " | " + store.Read("GardenImportCSV/Count").value_or("-") + " " +
               store.Read("GardenImportCSV/1").value_or("-");
    };
    page.AssignField(1, QStringLiteral("Colour"));
    EXPECT_EQ(next(), "1 Required Field Unassigned | - -");
    page.AssignField(0, QStringLiteral("Plant"));
    page.StartRowEdit().setText(QStringLiteral("0"));
    EXPECT_EQ(next(), "1 Invalid Start Row | 3 1");
    EXPECT_TRUE(import.rows.empty());
    page.StartRowEdit().setText(QStringLiteral("2"));
    EXPECT_EQ(next(), "2 | 3 1");
    EXPECT_EQ(import.rows, (Texts{"0=Rose 1=red", "0=Ivy"}));
    EXPECT_EQ(import.progressTitles, Texts(3, "Importing Tasks")); // modal: LProgressDialogTest
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QListWidget& results = wizard.ResultsPage().ResultList();
    ASSERT_EQ(results.count(), 3);
    EXPECT_EQ(results.item(0)->text() + "; " + results.item(1)->text() + "; " +
                      results.item(2)->text(),
              "2 successful imports; 1 failed imports; Row #0003: Import Failed -- bad cell");
    // Only the closing button is left: the import cannot be gone back over.
    for (const auto button : {QWizard::BackButton, QWizard::CancelButton, QWizard::NextButton,
                              QWizard::CommitButton, QWizard::FinishButton})
        EXPECT_EQ(wizard.button(button)->isVisible(), button == QWizard::FinishButton) << button;
}

// How a stored mapping fits the file is the import's (tests/core/import); the match page
// shows it each time it opens, forgetting what was matched for the file before.
TEST_F(ImportWizard, TheStoredMappingShowsEachTimeAndOpenIsModalOverTheWindow)
{
    for (const auto& [key, value] : {std::pair{"Count", "3"}, {"0", "1"}, {"1", "3"}, {"2", "4"}})
        store.Write(std::string("GardenImportCSV/") + key, value);
    RecordingImport import;
    LWizardImportCSV wizard(import, "Garden Fields", prompts, store, Documents());
    OpenOnMatchPage(wizard, WriteFile("two.csv", "Plant,Height\n"));
    // A click on a field's cell opens the combo of the file's headers; a pick assigns it.
    QTreeWidget& list = wizard.MatchPage().MatchList();
    const QRect cell = list.visualRect(list.model()->index(2, 1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    QComboBox* combo = nullptr;
    QTRY_VERIFY((combo = list.viewport()->findChild<QComboBox*>()) != nullptr);
    EXPECT_EQ(combo->count(), 3);
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QTRY_VERIFY(list.viewport()->findChild<QComboBox*>() == nullptr);
    EXPECT_EQ(Shown(wizard, 2).toStdString() + " " + std::to_string(import.FieldOfColumn(0)),
              "Plant 2");
    wizard.back();
    wizard.next();
    EXPECT_EQ(Shown(wizard, 0) + "/" + Shown(wizard, 2), QStringLiteral("Height/Click to assign"));
    EXPECT_EQ(import.ColumnOfField(2), -1);
    // Open shows it modally over the window until it is closed.
    QWidget mainWindow;
    mainWindow.show();
    LWizardImportCSV modal(import, "Garden Fields", prompts, store, Documents());
    QWidget* shown = nullptr;
    QTimer::singleShot(0, [&] {
        shown = QApplication::activeModalWidget();
        EXPECT_EQ(modal.currentId(), LWizardImportCSV::kPageIntro);
        modal.reject();
    });
    EXPECT_FALSE(modal.Open(&mainWindow, "Import Garden"));
    EXPECT_TRUE(shown == &modal && modal.parentWidget() == &mainWindow);
}
