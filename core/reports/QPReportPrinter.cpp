#include "reports/QPReportPrinter.h"

#include "framework/LFixedText.h"
#include "model/QPProjectOptions.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr float kUnitsPerInch = 96;

int32_t WholeUp(float value)
{
    return static_cast<int32_t>(std::ceil(value));
}

int32_t HeightOf(LSurface& surface, std::string_view text, int32_t wrapWidth)
{
    return WholeUp(surface.MeasureText(text, static_cast<float>(wrapWidth)).height);
}

// The space, then the text's height, that the title or the subtitle takes at the top of
// the first page.
int32_t DrawHeading(LSurface& surface, std::string_view text, int32_t y,
                    const QPReportLayoutData& layout, int32_t alignment)
{
    const int32_t height = HeightOf(surface, text, layout.contentWidth);
    QPReportDrawText(surface, text, layout.sideMargin, y, layout.contentWidth, layout.contentHeight,
                     alignment);
    return height;
}

// The lines around the table's cells on one page: across at its top and bottom, and down
// at every column's left edge and at the right edge of the last.
void DrawFrame(LSurface& surface, const QPReportTableColumns& columns, std::size_t count,
               int32_t top, int32_t bottom)
{
    if (count == 0)
        return;
    const auto left = static_cast<float>(columns[0].left);
    const auto right = static_cast<float>(columns[count - 1].right);
    surface.DrawLine(left, static_cast<float>(top), right, static_cast<float>(top));
    surface.DrawLine(left, static_cast<float>(bottom), right, static_cast<float>(bottom));
    for (std::size_t c = 0; c < count; ++c)
        surface.DrawLine(static_cast<float>(columns[c].left), static_cast<float>(top),
                         static_cast<float>(columns[c].left), static_cast<float>(bottom));
    surface.DrawLine(right, static_cast<float>(top), right, static_cast<float>(bottom));
}

std::string Repeated(std::string_view step, int32_t times)
{
    std::string result;
    for (int32_t i = 0; i < times; ++i)
        result.append(step);
    return result;
}

// The widest word of each column's texts, in the font each is drawn in: the column
// headings and total rows in the heading font, the other rows in the row font. The first
// word keeps the spaces in front of it (the indent of a sub-row), as the line does.
std::vector<int32_t> WidestWords(LSurface& surface, const QPReportTable& table, std::size_t count)
{
    std::vector<int32_t> widest(count, 0);
    auto measure = [&](std::size_t c, std::string_view text) {
        std::size_t start = 0;
        std::size_t at = text.find_first_not_of(' ');
        while (at != std::string_view::npos) {
            const std::size_t end = std::min(text.find(' ', at), text.size());
            widest[c] = std::max(
                    widest[c], WholeUp(surface.MeasureText(text.substr(start, end - start)).width));
            start = at = text.find_first_not_of(' ', end);
        }
    };
    const std::span<const LVColDynamicGlobal> definitions = table.Columns();
    surface.SetFont(QPReportHeadingFont());
    for (std::size_t c = 0; c < count; ++c)
        measure(c, definitions[c].title ? definitions[c].title : "");
    for (const bool totals : {true, false}) {
        surface.SetFont(totals ? QPReportHeadingFont() : QPReportRowFont());
        for (const QPReportTableRow& row : table.Rows()) {
            if ((row.type == kReportRowTotal) != totals)
                continue;
            for (std::size_t c = 0; c < count && c < row.cells.size(); ++c)
                measure(c, c == 0 ? Repeated(kReportIndentStep, row.indent) + row.cells[c].text
                                  : row.cells[c].text);
        }
    }
    surface.SetFont(QPReportBodyFont());
    return widest;
}

// Widens the columns whose widest word does not fit, with width taken from the columns
// that have more than their own widest word needs, in proportion to what each has to
// spare; the table keeps its width. Only where the words of all columns together are
// wider than the page does a word still have to break inside.
void WidenForWords(std::vector<int32_t>& widths, const std::vector<int32_t>& words)
{
    int64_t deficit = 0;
    int64_t surplus = 0;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        deficit += std::max(0, words[c] - widths[c]);
        surplus += std::max(0, widths[c] - words[c]);
    }
    const int64_t moved = std::min(deficit, surplus);
    if (moved <= 0)
        return;
    int64_t taken = 0;
    int64_t spareLeft = surplus;
    int64_t toTake = moved;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        const int32_t spare = std::max(0, widths[c] - words[c]);
        if (spare == 0)
            continue;
        // Integer shares, the last column with room to spare giving what is still owed.
        const int64_t share = toTake * spare / spareLeft;
        widths[c] -= static_cast<int32_t>(share);
        taken += share;
        toTake -= share;
        spareLeft -= spare;
    }
    // The columns short of the least get theirs first, so that as many columns as the
    // page allows show every word whole.
    std::vector<std::size_t> order;
    for (std::size_t c = 0; c < widths.size(); ++c)
        if (words[c] > widths[c])
            order.push_back(c);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return words[a] - widths[a] < words[b] - widths[b];
    });
    int64_t toGive = taken;
    for (const std::size_t c : order) {
        const auto share = static_cast<int32_t>(std::min<int64_t>(toGive, words[c] - widths[c]));
        widths[c] += share;
        toGive -= share;
    }
}

} // namespace

LFont QPReportTitleFont()
{
    return {"Helvetica", 24, true};
}

LFont QPReportHeadingFont()
{
    return {"Helvetica", 14, true};
}

LFont QPReportRowFont()
{
    return {"Helvetica", 14, false};
}

LFont QPReportBodyFont()
{
    return {"Helvetica", 15, false};
}

LFont QPReportFooterFont()
{
    return {"Helvetica", 14, false};
}

QPReportLayoutData::QPReportLayoutData(const QPProjectOptions& options, const LSurface& surface)
{
    // The margins are measured from the page's edge: every device places the whole page
    // where it can print, so none of a margin is lost to the device's own edge.
    topMargin = static_cast<int32_t>(options.reportMarginY * kUnitsPerInch);
    sideMargin = static_cast<int32_t>(options.reportMarginX * kUnitsPerInch);
    contentWidth = static_cast<int32_t>(surface.GetPageWidth()) - 2 * sideMargin;
    halfContentWidth = contentWidth / 2;
    bottomLimit = static_cast<int32_t>(surface.GetPageHeight()) - topMargin;
    contentHeight = bottomLimit - topMargin;
}

void QPReportDrawText(LSurface& surface, std::string_view text, int32_t x, int32_t y, int32_t width,
                      int32_t height, int32_t alignment)
{
    const LTextAlign align = alignment == eReportAlignCentre  ? LTextAlign::Centre
                             : alignment == eReportAlignRight ? LTextAlign::Right
                                                              : LTextAlign::Left;
    surface.DrawText(text, static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                     static_cast<float>(height), align);
}

bool QPFitFirstString(LSurface& surface, std::string& text, int32_t width, int32_t height,
                      std::string& first)
{
    // Cut one character at a time from the end until what is left fits; a box too small
    // for anything still takes two characters, so a row always moves on.
    std::size_t length = LUtf8Length(text);
    std::string_view candidate = text;
    while (length > 2 && HeightOf(surface, candidate, width) > height) {
        --length;
        candidate = LUtf8Prefix(text, length);
    }
    first.assign(candidate);
    text.erase(0, candidate.size());
    return !text.empty();
}

std::size_t QPReportTablePrinterGetColumns(LSurface& surface, const QPReportTable& table,
                                           int32_t leftMargin, int32_t rightMargin,
                                           QPReportTableColumns& columns)
{
    const std::span<const LVColDynamicGlobal> definitions = table.Columns();
    const std::size_t count = std::min(definitions.size(), kReportMaxColumns);
    const auto pad = static_cast<int32_t>(surface.MeasureText("0").width);
    const auto unit = static_cast<int32_t>(static_cast<float>(pad) * 0.8f);

    int32_t natural = 0;
    int32_t stretchWeight = 0;
    for (std::size_t c = 0; c < count; ++c) {
        natural += unit * definitions[c].width + 2 * pad;
        if (definitions[c].stretch)
            stretchWeight += definitions[c].width;
    }
    const int32_t available =
            static_cast<int32_t>(surface.GetPageWidth()) - leftMargin - rightMargin;
    int32_t spare = std::max(0, available - natural);

    std::vector<int32_t> widths(count);
    for (std::size_t c = 0; c < count; ++c) {
        int32_t share = 0;
        if (definitions[c].stretch && stretchWeight > 0) {
            // Integer shares, the last stretch column taking what the others left.
            share = spare * definitions[c].width / stretchWeight;
            stretchWeight -= definitions[c].width;
            spare -= share;
        }
        widths[c] = unit * definitions[c].width + share;
    }
    // A cell never hides part of its value: a column too narrow for an amount or a word
    // of its texts takes the room it needs from columns that have some to spare.
    WidenForWords(widths, WidestWords(surface, table, count));

    int32_t x = leftMargin;
    for (std::size_t c = 0; c < count; ++c) {
        QPReportTablePrinterColunm& column = columns[c];
        column.left = x;
        column.textLeft = x + pad;
        column.textRight = column.textLeft + widths[c];
        column.right = column.textRight + pad;
        x = column.right;
    }
    return count;
}

void QPReportPageHeaderFooter(LSurface& surface, const QPReportTable& table,
                              unsigned long& pageNumber, const QPReportLayoutData& layout)
{
    surface.SetFont(QPReportBodyFont());
    const auto h0 = WholeUp(surface.MeasureText("0").height);
    surface.SetFont(QPReportFooterFont());
    surface.SetTextBlack();
    if (!table.headerText.empty())
        QPReportDrawText(surface, table.headerText.str(), layout.sideMargin, 0, layout.contentWidth,
                         layout.topMargin - h0, eReportAlignRight);
    if (pageNumber != 0) {
        const std::string foot = table.footerLabel.str() + " page " + std::to_string(pageNumber);
        QPReportDrawText(surface, foot, layout.sideMargin,
                         static_cast<int32_t>(surface.GetPageHeight()) - layout.topMargin + h0,
                         layout.contentWidth, layout.topMargin - h0, eReportAlignRight);
    }
    ++pageNumber;
}

void QPReportTablePrinterPrintWithCols(LSurface& surface, const QPReportTable& table,
                                       const QPReportTableColumns& columns, std::size_t columnCount,
                                       int32_t& y, const QPReportLayoutData& layout,
                                       unsigned long& pageNumber)
{
    const std::span<const LVColDynamicGlobal> definitions = table.Columns();
    const std::vector<QPReportTableRow>& rows = table.Rows();
    surface.SetTextBlack();
    surface.SetFont(QPReportHeadingFont());
    const auto line = WholeUp(surface.MeasureText("0").height);
    const int32_t half = line / 2;
    const int32_t bottom = static_cast<int32_t>(surface.GetPageHeight()) - layout.topMargin;

    int32_t headingHeight = 0;
    bool anyTitle = false;
    for (std::size_t c = 0; c < columnCount; ++c) {
        const std::string_view title = definitions[c].title ? definitions[c].title : "";
        anyTitle = anyTitle || !title.empty();
        headingHeight = std::max(headingHeight, HeightOf(surface, title, columns[c].TextWidth()));
    }
    const bool headings = anyTitle && table.grid && columnCount > 0;

    std::size_t next = 0;
    // The rest of a row's split cell that has not found room yet, and its column.
    std::optional<std::string> continuing;
    std::size_t continuingColumn = 0;
    std::vector<std::string> texts(columnCount);

    for (;;) {
        const int32_t pageTop = y;
        y += half;
        if (headings) {
            surface.SetFont(QPReportHeadingFont());
            for (std::size_t c = 0; c < columnCount; ++c)
                QPReportDrawText(surface, definitions[c].title ? definitions[c].title : "",
                                 columns[c].textLeft, y, columns[c].TextWidth(), headingHeight,
                                 definitions[c].alignment);
            y += headingHeight + half;
            surface.DrawLine(static_cast<float>(columns[0].left), static_cast<float>(y),
                             static_cast<float>(columns[columnCount - 1].right),
                             static_cast<float>(y));
            y += half;
        }

        bool firstOnPage = true;
        bool pageFull = false;
        while (next < rows.size()) {
            const QPReportTableRow& row = rows[next];
            surface.SetFont(row.type == kReportRowTotal ? QPReportHeadingFont()
                                                        : QPReportRowFont());
            for (std::size_t c = 0; c < columnCount; ++c) {
                if (continuing) {
                    texts[c] = c == continuingColumn ? *continuing : std::string();
                    continue;
                }
                texts[c] = c < row.cells.size() ? row.cells[c].text : std::string();
                if (c == 0)
                    texts[c].insert(0, Repeated(kReportIndentStep, row.indent));
                if (c + 1 == columnCount)
                    texts[c].append(Repeated(kReportIndentStep, row.trailing));
            }
            int32_t rowHeight = 0;
            std::size_t splitColumn = 0;
            for (std::size_t c = 0; c < columnCount; ++c) {
                const int32_t height = HeightOf(surface, texts[c], columns[c].TextWidth());
                if (height > rowHeight) {
                    rowHeight = height;
                    splitColumn = c;
                }
            }
            if (continuing)
                splitColumn = continuingColumn;

            const bool lastRow = next + 1 == rows.size();
            const int32_t reserve = lastRow ? kReportTableReserve : 0;
            const int32_t need = rowHeight + reserve;
            const int32_t room = bottom - y;
            // A row that would leave its table's frame no room below moves to the next
            // page with the rows before it there to keep it company; a page's first row
            // stays, as the next page would be no roomier.
            const bool tooLow =
                    room < line + half || (rowHeight < room && room < need && rows.size() > 1);
            if (tooLow && !firstOnPage) {
                pageFull = true;
                break;
            }

            std::optional<std::string> rest;
            // The last row of a table that fits whole is not cut for want of the space
            // below the frame: that space is a nicety, the text is not.
            const bool fitsWhole = lastRow && rowHeight <= room;
            if (need + half > room + line && !fitsWhole && splitColumn < columnCount) {
                std::string remaining = texts[splitColumn];
                std::string first;
                if (QPFitFirstString(surface, remaining, columns[splitColumn].TextWidth(),
                                     room - reserve, first))
                    rest = std::move(remaining);
                texts[splitColumn] = std::move(first);
                rowHeight = HeightOf(surface, texts[splitColumn], columns[splitColumn].TextWidth());
            }

            for (std::size_t c = 0; c < columnCount; ++c) {
                QPReportDrawText(surface, texts[c], columns[c].textLeft, y, columns[c].TextWidth(),
                                 rowHeight, definitions[c].alignment);
                const bool ruleAbove = !continuing && c < row.cells.size() &&
                                       (row.cells[c].flags & kReportCellRuleAbove) != 0;
                if (ruleAbove && !firstOnPage)
                    surface.DrawLine(
                            static_cast<float>(columns[c].textLeft), static_cast<float>(y - 2),
                            static_cast<float>(columns[c].textRight), static_cast<float>(y - 2));
            }
            firstOnPage = false;
            if (rest) {
                continuing = std::move(rest);
                continuingColumn = splitColumn;
                pageFull = true;
                break;
            }
            continuing.reset();
            y += rowHeight + half;
            ++next;
        }

        if (!pageFull) {
            const int32_t frameBottom =
                    kReportTableReserve < bottom - y ? bottom - kReportTableReserve : y;
            DrawFrame(surface, columns, columnCount, pageTop, frameBottom);
            y = frameBottom;
            return;
        }
        DrawFrame(surface, columns, columnCount, pageTop, bottom);
        QPReportPageHeaderFooter(surface, table, pageNumber, layout);
        surface.EndPage();
        surface.StartPage();
        surface.SetTextBlack();
        y = layout.topMargin;
    }
}

void PrintingFunction(LSurface& surface, const QPReportTable& table, int32_t& y,
                      const QPReportLayoutData& layout, unsigned long& pageNumber)
{
    QPReportTableColumns columns{};
    const std::size_t count = QPReportTablePrinterGetColumns(surface, table, layout.sideMargin,
                                                             layout.sideMargin, columns);
    QPReportTablePrinterPrintWithCols(surface, table, columns, count, y, layout, pageNumber);
}

bool PrintingFunction(LSurface& surface, QPReportPrinter& printer)
{
    const QPReportLayoutData layout(printer.options, surface);
    if (!surface.StartPage())
        return false;
    surface.SetTextBlack();
    int32_t y = layout.topMargin;

    surface.SetFont(QPReportTitleFont());
    y += DrawHeading(surface, printer.report.title.str(), y, layout, eReportAlignCentre) + 28;
    if (!printer.report.subtitle.empty()) {
        surface.SetFont(QPReportBodyFont());
        y += DrawHeading(surface, printer.report.subtitle.str(), y, layout, eReportAlignRight);
    }
    y += 48;
    surface.SetFont(QPReportBodyFont());
    unsigned long pageNumber = 1;
    PrintingFunction(surface, printer.report.table, y, layout, pageNumber);
    QPReportPageHeaderFooter(surface, printer.report.table, pageNumber, layout);
    surface.EndPage();
    return true;
}
