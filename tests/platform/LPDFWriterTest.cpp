// Pages on real paper as a PDF reader sees them, and no file touched when writing fails.

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

using Size = std::pair<double, double>;

// A PDF page goes on a sheet of its own: a layout page (96 to the inch) on its paper at three
// quarters of a point to the unit, one of no known paper on a sheet of its true size, a page
// in points on a sheet of exactly its size. A printer keeps the paper and orientation chosen
// in the print dialog, each page on it as large as it fits, centred. Text is drawn half a
// unit down and right of the point given.
TEST(PDFWriter, PagesGoOnTheirOwnSheetOrOnThePrintersPaper)
{
    const struct {
        const char* word;
        LPageUnit unit;
        Size page, at, sheet;
    } pages[] = {{"Afoot", LPageUnit::Layout, {794, 1123}, {700, 1100}, {595, 842}},
                 {"Pfoot", LPageUnit::Point, {300, 200}, {250, 180}, {300, 200}},
                 {"Lfoot", LPageUnit::Layout, {816, 1054}, {720, 1030}, {612, 792}},
                 {"Cfoot", LPageUnit::Layout, {400, 300}, {350, 280}, {300, 225}}};
    const struct {
        QPageSize::PageSizeId paper;
        QPageLayout::Orientation orientation;
        Size sheet; // none: a PDF file
    } printers[] = {{QPageSize::A4, QPageLayout::Portrait, {}},
                    {QPageSize::A5, QPageLayout::Portrait, {420, 595}},
                    {QPageSize::Letter, QPageLayout::Landscape, {792, 612}}};
    for (const auto& [paper, orientation, printerSheet] : printers) {
        SCOPED_TRACE(printerSheet.first);
        QTemporaryDir folder;
        const QString path = folder.filePath("pages.pdf");
        // With no printer installed, the printer writes PDF: what a real one would be sent.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(paper));
        printer.setPageOrientation(orientation);
        {
            std::unique_ptr<LPagedSurface> surface;
            if (printerSheet.first > 0)
                surface = std::make_unique<LPrintSurface>(printer, LPrint::ePaperA4);
            else
                surface = std::make_unique<LPDFWriter>(path.toStdString(), LPrint::ePaperA4);
            for (const auto& page : pages) {
                if (&page != pages) // the first is the surface's own
                    surface->SetPageSize(page.page.first, page.page.second, page.unit);
                ASSERT_TRUE(surface->StartPage());
                surface->SetFont(LFont{"Helvetica", 11});
                surface->DrawText(page.word, page.at.first, page.at.second);
            }
            EXPECT_TRUE(surface->Close());
        }
        const QString fonts = PDFTool("pdffonts", {path}); // Helvetica, where the text was drawn
        EXPECT_TRUE(fonts.contains("Helvetica") || fonts.contains("NimbusSans")) << fonts.data();
        const auto sizes = PDFPageSizes(path);
        ASSERT_EQ(sizes.size(), std::size(pages));
        for (std::size_t i = 0; i < std::size(pages); ++i) {
            const auto& [word, unit, page, at, pageSheet] = pages[i];
            SCOPED_TRACE(word);
            const Size sheet = printerSheet.first > 0 ? printerSheet : pageSheet;
            EXPECT_EQ(sizes[i], sheet);
            const double scale = std::min(sheet.first / page.first, sheet.second / page.second);
            const auto box = PDFWordBox(path, word);
            ASSERT_TRUE(box);
            EXPECT_NEAR(box->left(),
                        (sheet.first - page.first * scale) / 2 + (at.first + 0.5) * scale, 1.5);
            EXPECT_NEAR(box->top(),
                        (sheet.second - page.second * scale) / 2 + (at.second + 0.5) * scale, 2);
        }
    }
}

// Nothing drawn is nothing to put in the previous file's place, and a folder that is not
// there takes no page. Text measured for the page breaks between words at the width asked,
// and bold is wider.
TEST(PDFWriter, AFailedWriteLeavesThePreviousFileAloneAndTextIsMeasuredForThePage)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("kept.pdf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("the previous chart") > 0);
    file.close();
    {
        LPDFWriter writer(file.fileName().toStdString(), LPrint::ePaperLetter);
        writer.SetFont({"Helvetica", 14});
        const LSizeF line = writer.MeasureText("alpha beta gamma");
        EXPECT_NEAR(writer.MeasureText("alpha beta gamma", 10000).height, line.height, 1);
        const float twoWords = writer.MeasureText("alpha beta").width;
        const LSizeF wrapped = writer.MeasureText("alpha beta gamma", twoWords + 1);
        EXPECT_NEAR(wrapped.height, 2 * line.height, 2);
        EXPECT_LE(wrapped.width, twoWords + 1);
        writer.SetFont({"Helvetica", 14, true});
        EXPECT_GT(writer.MeasureText("alpha beta gamma").width, line.width);
        EXPECT_FALSE(writer.Close());
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "the previous chart");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    LPDFWriter nowhere(folder.filePath("no-such-folder/chart.pdf").toStdString(),
                       LPrint::ePaperLetter);
    EXPECT_FALSE(nowhere.StartPage());
    EXPECT_FALSE(nowhere.Close());
}
