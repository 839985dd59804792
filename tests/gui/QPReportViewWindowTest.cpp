// The report window: the list, the files it saves and the fax number; and the main
// window's report commands.

#include "reports/QPReportViewWindow.h"
#include "app/MainDialog.h"
#include "reports/QPReports.h"

#include "gui/MainWindowFixture.h"
#include "support/Plan.h"

#include <QAction>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A small plan with two tasks, one of them with a resource and a predecessor.
class ReportWindow : public ::testing::Test {
protected:
    ReportWindow()
    {
        QPResource& anna = plan.Resource("Anna", nullptr, 5000);
        plan.Task("Survey", "8");
        QPTask& build = plan.Task("Build, walls", "16");
        build.AddDependency(plan.project.tasks.GetElement(1)->key, eFinishToStart, 0.f);
        build.AddResourceAssignment(anna.key, 100);
        plan.Recalculate();
        report = QPMakeReport(eReportKind::taskDetail, plan.project);
        report->GenerateReport();
        documents = folder.path().toStdString();
    }
    std::string Path(const char* name) const { return folder.filePath(name).toStdString(); }

    Plan plan;
    std::unique_ptr<QPReportBase> report;
    QTemporaryDir folder;
    std::string documents;
    ScriptedPrompts prompts;
    LMemorySettingsStore store;
};

} // namespace

TEST_F(ReportWindow, ListsTheReportWithItsTitleAndIndentedLines)
{
    QPReportViewWindow window(*report, prompts, store, documents);
    window.show();
    QTRY_VERIFY(window.List().topLevelItemCount() > 0);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Report: Task Detail Report"));
    EXPECT_EQ(window.List().headerItem()->text(0), QStringLiteral("Name"));
    EXPECT_EQ(window.List().topLevelItem(0)->text(0), QStringLiteral("Survey"));
    EXPECT_EQ(window.List().currentItem(), window.List().topLevelItem(0));
    // "Assigned Resources" sits two steps in, its entries five.
    EXPECT_EQ(window.List().topLevelItem(2)->text(0), QStringLiteral("      Assigned Resources"));
    EXPECT_EQ(window.List().topLevelItem(3)->text(0), QStringLiteral("               Anna"));
    EXPECT_FALSE(window.CommandAction(QPReportViewWindow::kCmEmail)->isEnabled());
}

TEST_F(ReportWindow, SavesTheReportAsCSVAndPDF)
{
    QPReportViewWindow window(*report, prompts, store, documents);
    const std::string csv = Path("report.csv");
    prompts.Then(csv);
    window.Command(QPReportViewWindow::kCmSaveAsCSV);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Save to CSV");
    EXPECT_EQ(prompts.asked[0].folder, documents);
    EXPECT_EQ(prompts.asked[0].defaultName, "Report.csv");
    EXPECT_EQ(ReadFile(csv), report->table.CSVText());
    // The comma inside the name became a space.
    EXPECT_NE(ReadFile(csv).find("\"Build  walls\""), std::string::npos);
    prompts.Take();

    const std::string pdf = Path("report.pdf");
    prompts.Then(pdf);
    window.Command(QPReportViewWindow::kCmSaveAsPDF);
    EXPECT_EQ(prompts.Take().size(), 1u);
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    ASSERT_TRUE(info.waitForFinished(10000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("595 x 842 pts"))) << out.toStdString();

    // A folder that cannot take the file is said so.
    prompts.Then(Path("missing/report.csv"));
    window.Command(QPReportViewWindow::kCmSaveAsCSV);
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.asked[1].kind, "alert");
}

TEST_F(ReportWindow, PrintsTheSamePagesOnThePaperChosenInThePrintDialog)
{
    QPReportViewWindow window(*report, prompts, store, documents);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const std::string pdf = Path("printed.pdf");
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setPageSize(QPageSize(QPageSize::Letter));
    window.PrintTo(printer);
    EXPECT_GT(std::filesystem::file_size(pdf), 500u);
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    ASSERT_TRUE(info.waitForFinished(10000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("612 x 792 pts"))) << out.toStdString();
}

TEST_F(ReportWindow, RemembersTheFaxNumber)
{
    QPReportViewWindow window(*report, prompts, store, documents);
    prompts.Then("+44 20 7946 0000");
    window.Command(QPReportViewWindow::kCmFax);
    EXPECT_EQ(LSettings(store).GetString("Settings", "ReportFax"), "+44 20 7946 0000");
    prompts.Then(std::nullopt);
    window.Command(QPReportViewWindow::kCmFax);
    const auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2].defaultName, "+44 20 7946 0000");

    // With "Remember this fax number" off, the number is used and not kept.
    prompts.ThenFax(LFaxNumberAnswer{"+1 212 555 0100", false});
    window.Command(QPReportViewWindow::kCmFax);
    EXPECT_EQ(LSettings(store).GetString("Settings", "ReportFax"), "+44 20 7946 0000");
}

TEST_F(MainWindow, ReportsOpenTheirWindowOrSayThereIsNothingToShow)
{
    // No tasks: the three task reports have nothing; the resource report has a resource.
    window->Command(3021);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Reports");
    EXPECT_EQ(prompts.asked[0].message, "There is no information available for this report.");
    prompts.Take();
    auto anna = std::make_unique<QPResource>();
    anna->name = "Anna";
    window->Project().ElementAdd(std::move(anna), false);
    window->Command(3024);
    EXPECT_EQ(dialogs.reportsShown, std::vector<std::string>{"Scheduled Resource Expense Report"});

    AddTask(window->Project(), "Survey");
    window->RecalculateProject();
    for (int command : {3021, 3022, 3023})
        window->Command(command);
    EXPECT_EQ(dialogs.reportsShown,
              (std::vector<std::string>{"Scheduled Resource Expense Report", "Task Summary Report",
                                        "Task Detail Report", "Task Expense Report"}));
    EXPECT_TRUE(prompts.asked.empty());
}
