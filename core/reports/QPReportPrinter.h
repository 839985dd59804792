#pragma once

#include "framework/LSurface.h"
#include "reports/QPReportTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class QPProjectOptions;

// A report as pages: the project's options (paper and margins) and the report drawn on
// them. Printing, the preview, the PDF file and the e-mail attachment all draw it with
// PrintingFunction.
class QPReportPrinter {
public:
    QPReportPrinter(const QPProjectOptions& options, QPReportBase& report)
        : options(options), report(report)
    {}

    // Reports are always on A4, portrait: the paper for the PDF writer and for printing.
    int GetPaperSize() const { return LPrint::ePaperA4; }
    int GetPaperSizeID() const { return LPrint::ePaperA4; }
    // What the save panel offers as the file's name.
    std::string GetPDFFileName() const { return "Report"; }

    const QPProjectOptions& options;
    QPReportBase& report;
};

// Where a page's content goes, in page units (96 to the inch).
struct QPReportLayoutData {
    QPReportLayoutData(const QPProjectOptions& options, const LSurface& surface);

    int32_t topMargin = 0;
    int32_t sideMargin = 0;
    int32_t contentWidth = 0;
    int32_t halfContentWidth = 0;
    // The lowest y of the content; the page's foot lies below it.
    int32_t bottomLimit = 0;
    int32_t contentHeight = 0;
};

// The place of one column on the page: its edges, where the frame lines go, and the
// narrower span its texts take.
struct QPReportTablePrinterColunm {
    int32_t left = 0;
    int32_t textLeft = 0;
    int32_t right = 0;
    int32_t textRight = 0;
    int32_t TextWidth() const { return textRight - textLeft; }
};

inline constexpr std::size_t kReportMaxColumns = 32;
using QPReportTableColumns = std::array<QPReportTablePrinterColunm, kReportMaxColumns>;

// Space kept free below the last row of a table, so its frame does not touch the foot.
inline constexpr int32_t kReportTableReserve = 19;

// The report's fonts: all Helvetica, so that the PDF needs no embedded font.
LFont QPReportTitleFont();
LFont QPReportHeadingFont(); // column headings and total rows
LFont QPReportRowFont();
LFont QPReportBodyFont(); // sizes the columns
LFont QPReportFooterFont();

// Draws the whole report, every page from page 1, on a paged surface. False when a page
// could not be started.
bool PrintingFunction(LSurface& surface, QPReportPrinter& printer);

// Lays out the table's columns across the page and prints its rows from y on, over as many
// pages as they take; y ends at the bottom of the table's frame.
void PrintingFunction(LSurface& surface, const QPReportTable& table, int32_t& y,
                      const QPReportLayoutData& layout, unsigned long& pageNumber);

// Places the columns (at most 32) side by side from `leftMargin`: each its natural width,
// with what remains of the page width shared among the stretch columns; a column too
// narrow for the widest word of its texts then takes the room it lacks from columns that
// have room to spare. Gives the number of columns placed.
std::size_t QPReportTablePrinterGetColumns(LSurface& surface, const QPReportTable& table,
                                           int32_t leftMargin, int32_t rightMargin,
                                           QPReportTableColumns& columns);

// Prints the table's rows from y on with the columns placed, breaking pages as needed.
void QPReportTablePrinterPrintWithCols(LSurface& surface, const QPReportTable& table,
                                       const QPReportTableColumns& columns, std::size_t columnCount,
                                       int32_t& y, const QPReportLayoutData& layout,
                                       unsigned long& pageNumber);

// Draws the foot of the current page ("page N" at the right of the bottom margin) and
// counts the page.
void QPReportPageHeaderFooter(LSurface& surface, const QPReportTable& table,
                              unsigned long& pageNumber, const QPReportLayoutData& layout);

// Splits `text` into `first`, its longest leading part (at least two characters) that fits
// in the box when wrapped at `width`, and the rest, left in `text`. True when a rest
// remains.
bool QPFitFirstString(LSurface& surface, std::string& text, int32_t width, int32_t height,
                      std::string& first);

// Draws `text` wrapped and top-aligned in the box; alignment 2 centres the lines, 4 puts
// them at the right, anything else at the left.
void QPReportDrawText(LSurface& surface, std::string_view text, int32_t x, int32_t y, int32_t width,
                      int32_t height, int32_t alignment);
