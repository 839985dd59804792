// PDF files as a reader sees them (poppler's pdfinfo, pdftotext, pdffonts): page sizes in
// points, layout pages on real paper, document information, Helvetica text at the places
// the chart puts it, and no file touched when writing fails.

#include "LQPainterSurface.h"
#include "model/QPProject.h"
#include "reports/QPReportPrinter.h"
#include "views/LAppSaveToPDF.h"
#include "views/QPGanttView.h"

#include "support/TestTime.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace {

struct NoSelection : QPGanttInterface {
    void GanttViewSelectTask(int64_t) override {}
};

// Runs a poppler tool and gives its standard output.
QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// "Page size: 1329 x 518 pts" for each page in the range.
std::vector<std::pair<double, double>> PageSizes(const QString& path, int pages)
{
    const QString info = RunTool(QStringLiteral("pdfinfo"),
                                 {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                  QString::number(pages), path});
    std::vector<std::pair<double, double>> sizes;
    static const QRegularExpression pattern(QStringLiteral("size:\\s+([0-9.]+) x ([0-9.]+) pts"));
    for (auto it = pattern.globalMatch(info); it.hasNext();) {
        const auto match = it.next();
        sizes.emplace_back(match.captured(1).toDouble(), match.captured(2).toDouble());
    }
    return sizes;
}

// Where pdftotext finds `word`: its box in points from the page's top left corner.
std::optional<QRectF> WordBox(const QString& path, const QString& word)
{
    const QString words = RunTool(QStringLiteral("pdftotext"),
                                  {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    const QRegularExpression pattern(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" "
                                                    "xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">") +
                                     QRegularExpression::escape(word) + QStringLiteral("<"));
    const auto match = pattern.match(words);
    if (!match.hasMatch())
        return std::nullopt;
    return QRectF(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()),
                  QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()));
}

class PDFWriter : public ::testing::Test {
protected:
    QString PathOf(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }

    QTemporaryDir folder;
};

TEST_F(PDFWriter, TheChartIsOnePageExactlyItsSizeWithHelveticaText)
{
    QPProject project;
    project.projectStart = LocalTime(2027, 3, 1);
    project.projectDeadline = LocalTime(2027, 3, 31);
    auto addTask = [&](const char* name, const char* hours) -> QPTask& {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->durationText = hours;
        return project.ElementAdd(std::move(task), false);
    };
    QPTask& dig = addTask("Dig the foundations", "40");
    QPTask& pour = addTask("Pour", "16");
    pour.AddDependency(dig.key, eFinishToStart, 0);
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();

    NoSelection owner;
    QPGanttView view(owner);
    view.PlotProject(project, LocalTime(2027, 3, 3));
    const QString path = PathOf("chart.pdf");
    {
        LPDFWriter writer(path.toStdString(), LPrint::ePaperLetter);
        ASSERT_TRUE(PrintingFunction(writer, view));
        ASSERT_TRUE(writer.Close());
    }

    const auto sizes = PageSizes(path, 1);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].first, static_cast<int>(view.Root().width));
    EXPECT_EQ(sizes[0].second, static_cast<int>(view.Root().height));

    const QString info = RunTool(QStringLiteral("pdfinfo"), {path});
    EXPECT_TRUE(info.contains(QStringLiteral("Orvik PDF File"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Orvik Software"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Pages:           1")));

    // A Helvetica face (or one with its metrics) carries the text.
    const QString fonts = RunTool(QStringLiteral("pdffonts"), {path});
    EXPECT_TRUE(fonts.contains(QStringLiteral("Helvetica")) ||
                fonts.contains(QStringLiteral("NimbusSans")))
            << fonts.toStdString();

    // The names can be found, each where its label puts it: "Pour" inside its bar 5 from
    // the bar's start, 3 down in its label (and half a unit more, where lines fall on
    // whole units).
    const QString words = RunTool(QStringLiteral("pdftotext"),
                                  {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    EXPECT_TRUE(words.contains(QStringLiteral(">foundations<"))) << words.toStdString();
    static const QRegularExpression pourWord(
            QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>Pour<"));
    const auto match = pourWord.match(words);
    ASSERT_TRUE(match.hasMatch()) << words.toStdString();
    const QPTaskNode& pourRow =
            static_cast<const QPTaskNode&>(*view.Root().taskChart->Children().at(1));
    ASSERT_TRUE(pourRow.nameLabel->leftAligned);
    EXPECT_NEAR(match.captured(1).toDouble(), pourRow.GetX() + 5 + 0.5, 1.5);
    EXPECT_NEAR(match.captured(2).toDouble(), pourRow.GetY() + 1 + 3 + 0.5, 2.5);
}

// A layout page in 96ths of an inch goes on a sheet of its paper at three quarters of a
// point to the unit; a page in points is a sheet of exactly its size.
TEST_F(PDFWriter, LayoutPagesGoOnTheirPaperAndPointPagesAreTheirOwnSize)
{
    const QString path = PathOf("pages.pdf");
    {
        LPDFWriter writer(path.toStdString(), LPrint::ePaperA4);
        EXPECT_EQ(writer.GetPageWidth(), 794);
        EXPECT_EQ(writer.GetPageHeight(), 1123);
        writer.SetFont(LFont{"Helvetica", 11});
        writer.SetTextBlack();
        ASSERT_TRUE(writer.StartPage());
        writer.DrawText("Afoot", 700, 1100);
        writer.SetPageSize(300, 200, LPageUnit::Point);
        ASSERT_TRUE(writer.StartPage());
        writer.DrawText("Pfoot", 250, 180);
        const LSizeF letter = LPagedSurface::PaperPageSize(LPrint::ePaperLetter);
        writer.SetPageSize(letter.width, letter.height, LPageUnit::Layout);
        ASSERT_TRUE(writer.StartPage());
        writer.DrawText("Lfoot", 720, 1030);
        EXPECT_TRUE(writer.Close());
    }
    const auto sizes = PageSizes(path, 3);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[0], std::make_pair(595.0, 842.0));
    EXPECT_EQ(sizes[1], std::make_pair(300.0, 200.0));
    EXPECT_EQ(sizes[2], std::make_pair(612.0, 792.0));
    // Text drawn near each page's bottom right corner lies there on the sheet.
    const struct {
        const char* word;
        double x, y;
    } feet[] = {{"Afoot", 700.5 * 0.75, 1100.5 * 0.75},
                {"Pfoot", 250.5, 180.5},
                {"Lfoot", 720.5 * 0.75, 1030.5 * 0.75}};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto box = WordBox(path, QString::fromUtf8(feet[i].word));
        ASSERT_TRUE(box) << feet[i].word;
        EXPECT_NEAR(box->left(), feet[i].x, 1.5) << feet[i].word;
        EXPECT_NEAR(box->top(), feet[i].y, 2) << feet[i].word;
        EXPECT_LT(box->right(), sizes[i].first) << feet[i].word;
        EXPECT_LT(box->bottom(), sizes[i].second) << feet[i].word;
    }
}

// The paper and orientation chosen in the print dialog are kept: an A4 layout page goes
// on the sheet as large as it fits, centred.
TEST_F(PDFWriter, APrinterKeepsItsPaperAndFitsThePageOnIt)
{
    const struct {
        QPageSize::PageSizeId paper;
        QPageLayout::Orientation orientation;
        double width, height;
    } sheets[] = {
            {QPageSize::A5, QPageLayout::Portrait, 420, 595},
            {QPageSize::Letter, QPageLayout::Landscape, 792, 612},
    };
    for (const auto& sheet : sheets) {
        // With no printer installed, the printer writes PDF: what a real one would be sent.
        const QString path = PathOf("printed.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(sheet.paper));
        printer.setPageOrientation(sheet.orientation);
        {
            LPrintSurface surface(printer, LPrint::ePaperA4);
            ASSERT_TRUE(surface.StartPage());
            surface.SetFont(LFont{"Helvetica", 11});
            surface.SetTextBlack();
            surface.DrawText("Head", 0, 0);
            surface.DrawText("Foot", 740, 1100);
            surface.SetPageSize(400, 250, LPageUnit::Point);
            ASSERT_TRUE(surface.StartPage());
            EXPECT_TRUE(surface.Close());
        }
        const auto sizes = PageSizes(path, 2);
        ASSERT_EQ(sizes.size(), 2u);
        EXPECT_EQ(sizes[0], std::make_pair(sheet.width, sheet.height));
        EXPECT_EQ(sizes[1], std::make_pair(sheet.width, sheet.height));

        const double scale = std::min(sheet.width / 794, sheet.height / 1123);
        const double left = (sheet.width - 794 * scale) / 2;
        const double top = (sheet.height - 1123 * scale) / 2;
        const auto head = WordBox(path, QStringLiteral("Head"));
        const auto foot = WordBox(path, QStringLiteral("Foot"));
        ASSERT_TRUE(head && foot) << sheet.width;
        EXPECT_NEAR(head->left(), left + 0.5 * scale, 1) << sheet.width;
        EXPECT_NEAR(head->top(), top + 0.5 * scale, 1.5) << sheet.width;
        EXPECT_NEAR(foot->left(), left + 740.5 * scale, 1) << sheet.width;
        EXPECT_LT(foot->right(), sheet.width) << sheet.width;
        EXPECT_LT(foot->bottom(), sheet.height) << sheet.width;
    }
}

TEST_F(PDFWriter, AFailedWriteLeavesThePreviousFileAlone)
{
    const QString path = PathOf("kept.pdf");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the previous chart");
    }
    {
        // Nothing drawn: nothing to put in its place.
        LPDFWriter writer(path.toStdString(), LPrint::ePaperLetter);
        EXPECT_FALSE(writer.Close());
    }
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("the previous chart"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    LPDFWriter nowhere(PathOf("no-such-folder/chart.pdf").toStdString(), LPrint::ePaperLetter);
    EXPECT_FALSE(nowhere.StartPage());
    EXPECT_FALSE(nowhere.Close());
}

// A PDF writer that counts the pages it starts.
class CountingPDFWriter : public LPDFWriter {
public:
    using LPDFWriter::LPDFWriter;
    bool StartPage() override
    {
        ++pages;
        return LPDFWriter::StartPage();
    }
    int pages = 0;
};

class RowsReport : public QPReportBase {
public:
    RowsReport(const QPProject& project, std::span<const LVColDynamicGlobal> columns)
        : QPReportBase(project, columns, "Site Works Task List")
    {}
    void GenerateReport() override {}
};

TEST_F(PDFWriter, AReportOverThreeA4PagesWithItsTitleAndPageNumbers)
{
    static constexpr LVColDynamicGlobal kColumns[] = {
            {"Name", 40, eReportAlignLeft, true},
            {"Start", 20, eReportAlignLeft, false},
    };
    QPProject project;
    const QString path = PathOf("report.pdf");
    // The rows a page holds depend on the font's real height: add rows until the report
    // takes three pages.
    int pages = 0;
    for (int rows = 60; rows <= 400 && pages < 3; rows += 10) {
        RowsReport report(project, kColumns);
        for (int i = 0; i < rows; ++i)
            report.table.AddRow(kReportRowOrdinary, 0, 0, false,
                                {"Task " + std::to_string(i), "2027-03-01"});
        QPReportPrinter printer(project.options, report);
        CountingPDFWriter writer(path.toStdString(), printer.GetPaperSize());
        ASSERT_TRUE(PrintingFunction(writer, printer));
        ASSERT_TRUE(writer.Close());
        pages = writer.pages;
    }
    ASSERT_EQ(pages, 3);

    const QString info = RunTool(QStringLiteral("pdfinfo"), {path});
    EXPECT_TRUE(info.contains(QStringLiteral("Pages:           3"))) << info.toStdString();
    for (const auto& [width, height] : PageSizes(path, 3)) {
        EXPECT_EQ(width, 595);
        EXPECT_EQ(height, 842);
    }
    // The page number stands in the sheet's bottom margin (0.75 in), not beyond the sheet.
    const auto foot = WordBox(path, QStringLiteral("page"));
    ASSERT_TRUE(foot);
    EXPECT_GT(foot->top(), 842 - 0.75 * 72);
    EXPECT_LT(foot->bottom(), 842);
    const QString text = RunTool(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), path, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("Site Works Task List"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(" page 2"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("page 3")));
    EXPECT_FALSE(text.contains(QStringLiteral("page 4")));
}

TEST_F(PDFWriter, WrappedTextBreaksAtTheWidthAndBoldIsWider)
{
    LPDFWriter writer(PathOf("wrap.pdf").toStdString(), LPrint::ePaperA4);
    writer.SetFont({"Helvetica", 14});
    const LSizeF line = writer.MeasureText("alpha beta gamma");
    const LSizeF unwrapped = writer.MeasureText("alpha beta gamma", 10000);
    EXPECT_NEAR(unwrapped.width, line.width, 1);
    EXPECT_NEAR(unwrapped.height, line.height, 1);
    const float twoWords = writer.MeasureText("alpha beta").width;
    const LSizeF wrapped = writer.MeasureText("alpha beta gamma", twoWords + 1);
    EXPECT_NEAR(wrapped.height, 2 * line.height, 2);
    EXPECT_LE(wrapped.width, twoWords + 1);
    EXPECT_NEAR(writer.MeasureText("", 100).height, line.height, 1);

    writer.SetFont({"Helvetica", 14, true});
    EXPECT_GT(writer.MeasureText("alpha beta gamma").width, line.width);
}

} // namespace
