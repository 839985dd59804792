// Pages on real paper as a PDF reader sees them: layout pages on their sheet at their true
// size, pages in points a sheet of their own, a printer's paper kept with the page fitted
// on it, Helvetica text where it was drawn, and no file touched when writing fails.

#include "LQPainterSurface.h"

#include "support/PDFPages.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Size = std::pair<double, double>;

void Write(LPagedSurface& surface, const char* word, float x, float y)
{
    ASSERT_TRUE(surface.StartPage());
    surface.SetFont(LFont{"Helvetica", 11});
    surface.SetTextBlack();
    surface.DrawText(word, x, y);
}

} // namespace

// A layout page (96 to the inch) goes on a sheet of its paper at three quarters of a point
// to the unit, drawn half a unit down and right of the point given; a page in points is a
// sheet of exactly its size, and a layout of no known paper a sheet of its true size.
TEST(PDFWriter, LayoutPagesGoOnTheirPaperAndPointPagesAreTheirOwnSize)
{
    const struct {
        const char* word;
        LPageUnit unit;
        Size page, at, sheet;
    } pages[] = {{"Afoot", LPageUnit::Layout, {794, 1123}, {700, 1100}, {595, 842}},
                 {"Pfoot", LPageUnit::Point, {300, 200}, {250, 180}, {300, 200}},
                 {"Lfoot", LPageUnit::Layout, {816, 1054}, {720, 1030}, {612, 792}},
                 {"Cfoot", LPageUnit::Layout, {400, 300}, {350, 280}, {300, 225}}};
    QTemporaryDir folder;
    const QString path = folder.filePath("pages.pdf");
    {
        LPDFWriter writer(path.toStdString(), LPrint::ePaperA4);
        for (const auto& page : pages) {
            writer.SetPageSize(page.page.first, page.page.second, page.unit);
            Write(writer, page.word, page.at.first, page.at.second);
        }
        EXPECT_TRUE(writer.Close());
    }
    const QString fonts = PDFTool("pdffonts", {path});
    EXPECT_TRUE(fonts.contains("Helvetica") || fonts.contains("NimbusSans")) << fonts.data();
    const auto sizes = PDFPageSizes(path);
    ASSERT_EQ(sizes.size(), std::size(pages));
    for (std::size_t i = 0; i < std::size(pages); ++i) {
        const auto& [word, unit, page, at, sheet] = pages[i];
        SCOPED_TRACE(word);
        EXPECT_EQ(sizes[i], sheet);
        const double scale = unit == LPageUnit::Point ? 1 : 0.75;
        const auto box = PDFWordBox(path, word);
        ASSERT_TRUE(box);
        EXPECT_NEAR(box->left(), (at.first + 0.5) * scale, 1.5);
        EXPECT_NEAR(box->top(), (at.second + 0.5) * scale, 2);
        EXPECT_TRUE(box->right() < sheet.first && box->bottom() < sheet.second);
    }
}

// The paper and orientation chosen in the print dialog are kept: an A4 layout page goes on
// the sheet as large as it fits, centred, and so does a page in points.
TEST(PDFWriter, APrinterKeepsItsPaperAndFitsThePageOnIt)
{
    QTemporaryDir folder;
    const struct {
        QPageSize::PageSizeId paper;
        QPageLayout::Orientation orientation;
        double width, height;
    } sheets[] = {{QPageSize::A5, QPageLayout::Portrait, 420, 595},
                  {QPageSize::Letter, QPageLayout::Landscape, 792, 612}};
    for (const auto& sheet : sheets) {
        SCOPED_TRACE(sheet.width);
        // With no printer installed, the printer writes PDF: what a real one would be sent.
        const QString path = folder.filePath("printed.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(sheet.paper));
        printer.setPageOrientation(sheet.orientation);
        {
            LPrintSurface surface(printer, LPrint::ePaperA4);
            Write(surface, "Head", 0, 0);
            surface.DrawText("Foot", 740, 1100);
            surface.SetPageSize(400, 250, LPageUnit::Point);
            ASSERT_TRUE(surface.StartPage());
            EXPECT_TRUE(surface.Close());
        }
        EXPECT_EQ(PDFPageSizes(path), (std::vector<Size>(2, {sheet.width, sheet.height})));
        const double scale = std::min(sheet.width / 794, sheet.height / 1123);
        const double left = (sheet.width - 794 * scale) / 2;
        const auto head = PDFWordBox(path, "Head");
        const auto foot = PDFWordBox(path, "Foot");
        ASSERT_TRUE(head && foot);
        EXPECT_NEAR(head->left(), left + 0.5 * scale, 1);
        EXPECT_NEAR(head->top(), (sheet.height - 1123 * scale) / 2 + 0.5 * scale, 1.5);
        EXPECT_NEAR(foot->left(), left + 740.5 * scale, 1);
        EXPECT_TRUE(foot->right() < sheet.width && foot->bottom() < sheet.height);
    }
}

// Nothing drawn is nothing to put in the previous file's place; a folder that is not there
// takes no page.
TEST(PDFWriter, AFailedWriteLeavesThePreviousFileAlone)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("kept.pdf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("the previous chart") > 0);
    file.close();
    EXPECT_FALSE(LPDFWriter(file.fileName().toStdString(), LPrint::ePaperLetter).Close());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "the previous chart");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    LPDFWriter nowhere(folder.filePath("no-such-folder/chart.pdf").toStdString(),
                       LPrint::ePaperLetter);
    EXPECT_FALSE(nowhere.StartPage());
    EXPECT_FALSE(nowhere.Close());
}

// Text measured for the page breaks between words at the width asked, and bold is wider.
TEST(PDFWriter, MeasuredTextWrapsAtTheWidth)
{
    QTemporaryDir folder;
    LPDFWriter writer(folder.filePath("wrap.pdf").toStdString(), LPrint::ePaperA4);
    writer.SetFont({"Helvetica", 14});
    const LSizeF line = writer.MeasureText("alpha beta gamma");
    EXPECT_NEAR(writer.MeasureText("alpha beta gamma", 10000).height, line.height, 1);
    const float twoWords = writer.MeasureText("alpha beta").width;
    const LSizeF wrapped = writer.MeasureText("alpha beta gamma", twoWords + 1);
    EXPECT_NEAR(wrapped.height, 2 * line.height, 2);
    EXPECT_LE(wrapped.width, twoWords + 1);
    writer.SetFont({"Helvetica", 14, true});
    EXPECT_GT(writer.MeasureText("alpha beta gamma").width, line.width);
}
