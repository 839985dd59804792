// The baseline comparison window: stepping through the pages, scrolling a page like the
// chart, printing and saving every page, the remembered placement; and the main window's
// "Compare Baseline...".

#include "views/QPBaselineDlg.h"
#include "app/MainDialog.h"
#include "views/LSceneControl.h"

#include "gui/MainWindowFixture.h"
#include "support/Plan.h"

#include <QAction>
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// What pdfinfo says about a file.
QString PdfInfo(const std::string& path)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QString::fromStdString(path)});
    if (!info.waitForFinished(10000))
        return {};
    return QString::fromUtf8(info.readAllStandardOutput());
}

// 47 tasks: one more than a page holds, so the comparison has two pages. The baseline is
// taken before the last task is added.
class BaselineWindow : public ::testing::Test {
protected:
    BaselineWindow()
    {
        plan.project.SetName("Harbour Wall");
        for (int i = 1; i <= 46; ++i)
            plan.Task("Step " + std::to_string(i), i % 2 ? "8" : "16");
        plan.Recalculate();
        plan.project.BaselineAdd("Approved");
        plan.Task("Late addition", "8");
        plan.Recalculate();
        documents = folder.path().toStdString();
    }
    std::unique_ptr<QPBaselineDlg> Open()
    {
        return std::make_unique<QPBaselineDlg>(plan.project, *plan.project.GetBaseline(0), prompts,
                                               store, documents);
    }
    std::string Path(const char* name) const { return folder.filePath(name).toStdString(); }
    static bool Enabled(const QPBaselineDlg& window, int command)
    {
        return window.CommandAction(command)->isEnabled();
    }

    Plan plan;
    QTemporaryDir folder;
    std::string documents;
    ScriptedPrompts prompts;
    LMemorySettingsStore store;
};

} // namespace

TEST_F(BaselineWindow, StepsThroughThePagesWithPreviousAndNextEnabledOnlyWhereTheyLead)
{
    const auto window = Open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Baseline Comparison: Approved"));
    ASSERT_EQ(window->View().GetNumberOfTables(), 2);
    EXPECT_EQ(window->View().GetCurrentTable(), 1);
    EXPECT_FALSE(Enabled(*window, QPBaselineDlg::kCmPreviousPage));
    EXPECT_TRUE(Enabled(*window, QPBaselineDlg::kCmNextPage));
    EXPECT_EQ(window->CommandAction(QPBaselineDlg::kCmNextPage)->toolTip(),
              QStringLiteral("Preview Next Page"));

    window->Command(QPBaselineDlg::kCmNextPage);
    EXPECT_EQ(window->View().GetCurrentTable(), 2);
    EXPECT_TRUE(Enabled(*window, QPBaselineDlg::kCmPreviousPage));
    EXPECT_FALSE(Enabled(*window, QPBaselineDlg::kCmNextPage));
    // Past the last page there is nothing: the page stays.
    window->Command(QPBaselineDlg::kCmNextPage);
    EXPECT_EQ(window->View().GetCurrentTable(), 2);

    window->Command(QPBaselineDlg::kCmPreviousPage);
    window->Command(QPBaselineDlg::kCmPreviousPage);
    EXPECT_EQ(window->View().GetCurrentTable(), 1);
    EXPECT_FALSE(Enabled(*window, QPBaselineDlg::kCmPreviousPage));
    EXPECT_TRUE(Enabled(*window, QPBaselineDlg::kCmNextPage));
}

TEST_F(BaselineWindow, ScrollsThePageLikeTheChart)
{
    const auto window = Open();
    window->resize(900, 700);
    window->show();
    QCoreApplication::processEvents();
    QScrollBar& horizontal = window->HorizontalBar();
    QScrollBar& vertical = window->VerticalBar();
    const LSceneControl& control = window->Control();
    ASSERT_TRUE(horizontal.isVisible());
    ASSERT_TRUE(vertical.isVisible());
    EXPECT_EQ(horizontal.height(), 16);
    EXPECT_EQ(vertical.width(), 15);
    EXPECT_EQ(horizontal.maximum() + horizontal.pageStep(), 1282);
    EXPECT_EQ(vertical.maximum() + vertical.pageStep(), 1636);
    EXPECT_EQ(horizontal.pageStep(), control.width());
    EXPECT_EQ(vertical.pageStep(), control.height());

    horizontal.setValue(120);
    vertical.setValue(vertical.maximum());
    EXPECT_EQ(window->View().offsetX, -120);
    EXPECT_EQ(window->View().offsetY, -vertical.maximum());
    // The page keeps its scroll position from page to page.
    window->Command(QPBaselineDlg::kCmNextPage);
    EXPECT_EQ(window->View().offsetX, -120);

    // Taller, the bottom of the page stays at the bottom edge instead of leaving a gap.
    window->resize(900, 1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(vertical.value() + vertical.pageStep(), 1636);
    EXPECT_EQ(window->View().offsetY, -vertical.value());

    // Wide enough for the page, but then the horizontal bar is gone and the page only
    // needs the vertical one, which takes 15 of the width.
    window->resize(1282 + 15, 1000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(horizontal.isVisible());
    EXPECT_TRUE(vertical.isVisible());
    EXPECT_EQ(window->View().offsetX, 0);
    EXPECT_EQ(control.width(), 1282);
}

TEST_F(BaselineWindow, PaintsTheCurrentPageAtTheScrollOffsets)
{
    const auto window = Open();
    window->resize(900, 700);
    window->show();
    QCoreApplication::processEvents();
    // The header row's "Current Start" cell (x 250 to 350, y 82 to 114): blue, clear of
    // its text near its top right corner.
    const QPoint cell(345, 86);
    QImage shot = window->Control().grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(cell)), QColor(71, 141, 255));
    EXPECT_EQ(QColor(shot.pixel(10, 10)), QColor(240, 245, 252));

    window->HorizontalBar().setValue(200);
    shot = window->Control().grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(cell - QPoint(200, 0))), QColor(71, 141, 255));
    EXPECT_NE(QColor(shot.pixel(cell)), QColor(71, 141, 255));
}

TEST_F(BaselineWindow, SavesEveryPageAsUSLetterPDFAndPrintsTheSamePages)
{
    const auto window = Open();
    const std::string pdf = Path("comparison.pdf");
    prompts.Then(pdf);
    window->Command(QPBaselineDlg::kCmSaveAsPDF);
    const auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Save As PDF");
    EXPECT_EQ(asked[0].folder, documents);
    EXPECT_EQ(asked[0].defaultName, "");
    EXPECT_EQ(LSettings(store).GetString("Settings", "SavePDFFolder").str(), documents);
    const QString info = PdfInfo(pdf);
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))))
            << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("612 x 792 pts"))) << info.toStdString();
    // The current page is the one the user was looking at.
    EXPECT_EQ(window->View().GetCurrentTable(), 1);

    // A cancelled panel writes nothing.
    const std::string cancelled = Path("cancelled.pdf");
    prompts.Then(std::nullopt);
    window->Command(QPBaselineDlg::kCmSaveAsPDF);
    EXPECT_FALSE(std::filesystem::exists(cancelled));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const std::string printed = Path("printed.pdf");
    printer.setOutputFileName(QString::fromStdString(printed));
    window->Command(QPBaselineDlg::kCmNextPage);
    window->PrintTo(printer);
    EXPECT_TRUE(PdfInfo(printed).contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
    EXPECT_EQ(window->View().GetCurrentTable(), 2);
}

TEST_F(BaselineWindow, RemembersWhereItWasAndStaysOnTheScreen)
{
    {
        const auto window = Open();
        window->show();
        window->resize(700, 500);
        window->move(30, 40);
        QCoreApplication::processEvents();
        window->reject();
    }
    const LSettings stored(store);
    EXPECT_EQ(stored.GetInt("BaselineComparison", "Width", 0), 700);
    EXPECT_EQ(stored.GetInt("BaselineComparison", "Height", 0), 500);
    EXPECT_EQ(stored.GetInt("BaselineComparison", "X", -1), 30);
    EXPECT_EQ(stored.GetInt("BaselineComparison", "Y", -1), 40);
    {
        const auto window = Open();
        EXPECT_EQ(window->size(), QSize(700, 500));
        EXPECT_EQ(window->pos(), QPoint(30, 40));
    }

    // A place remembered on a larger screen is brought back onto this one.
    LSettings(store).SetInt("BaselineComparison", "Width", 100000);
    LSettings(store).SetInt("BaselineComparison", "X", 100000);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const auto window = Open();
    EXPECT_EQ(window->width(), screen.width());
    EXPECT_EQ(window->x(), screen.left());
}

TEST_F(MainWindow, CompareBaselineOpensTheComparisonOfTheChosenBaseline)
{
    window->Project().SetName("Harbour Wall");
    AddTask(window->Project(), "Survey");
    window->EnableControls();
    EXPECT_FALSE(ActionEnabled(3027));
    // Reached all the same (by a key, a script), it says why there is nothing to compare.
    window->Command(3027);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.Take()[0].title, "No Baselines");
    window->Project().BaselineAdd("First");
    window->Project().BaselineAdd("Second");
    window->EnableControls();
    EXPECT_TRUE(ActionEnabled(3027));

    dialogs.baselineChoices = {1, std::nullopt};
    window->Command(3027);
    EXPECT_EQ(dialogs.selections, std::vector<std::string>{"Select Baseline / Compare Baseline"});
    EXPECT_EQ(dialogs.comparisons, std::vector<std::string>{"Harbour Wall / Second"});
    // Cancelling the choice opens nothing.
    window->Command(3027);
    EXPECT_EQ(dialogs.comparisons.size(), 1u);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(window->Project().baselines.size(), 2u);
}
