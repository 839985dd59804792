#pragma once

#include "framework/LGeometry.h"
#include "framework/LGraphicsPath.h"

#include <string>
#include <string_view>

namespace LPrint {
// The papers documents start on, with their layout size in 96ths of an inch.
enum PaperSize : int {
    ePaperA4 = 0,     // 794 x 1123
    ePaperLetter = 1, // 816 x 1054
};
} // namespace LPrint

// What one unit of a document's page is.
enum class LPageUnit {
    // A 96th of an inch, on a page laid out for a sheet of paper (a report, a baseline
    // page). Every device draws such a page on real paper, fitted to the sheet, so a layout
    // made for A4 fills an A4 sheet and no more.
    Layout,
    // A point, a 72nd of an inch, on a page as large as what it shows (the chart): a PDF
    // page of exactly that many points.
    Point,
};

// A font by family and size in points; an empty family is the system's user-interface
// font.
struct LFont {
    std::string family;
    float pointSize = 11;
    bool bold = false;
    friend bool operator==(const LFont&, const LFont&) = default;
};

// Where the lines of a text stand in the width of its box.
enum class LTextAlign { Left, Centre, Right };

// The drawing operations that the chart, the baseline pages and the report pages use. The
// same drawing code runs on the screen, into a PDF and on paper; the few places where a
// document is drawn differently from the screen ask for the kind of surface.
class LSurface {
public:
    enum class Kind {
        Screen,   // a window: the picture is refreshed, outlines are drawn
        Document, // a PDF page or paper
    };

    virtual ~LSurface() = default;
    virtual Kind GetKind() const = 0;
    bool IsDocument() const { return GetKind() == Kind::Document; }

    virtual void Clear(LColor colour) = 0;
    // Makes `matrix` the transform from drawing units to the surface's coordinates.
    virtual void TransformReset(const LMatrix& matrix) = 0;
    virtual void SetFont(const LFont& font) = 0;
    virtual LSizeF MeasureText(std::string_view text) = 0;
    // The size of `text` wrapped at `wrapWidth`: the widest line and the height of all
    // lines. Lines break at spaces; a word wider than the whole width is broken inside, so
    // no part of a text runs past its box.
    virtual LSizeF MeasureText(std::string_view text, float wrapWidth) = 0;
    virtual void SetTextColor(LColor colour) = 0;
    void SetTextBlack() { SetTextColor(LColor::Black()); }
    // Text whose top left corner is at (x, y), in the current font and text colour.
    virtual void DrawText(std::string_view text, float x, float y) = 0;
    // Text wrapped at the width of the box as MeasureText wraps it, from the box's top, each
    // line placed by `align`. The lines take the height they need: callers measure first.
    virtual void DrawText(std::string_view text, float x, float y, float width, float height,
                          LTextAlign align) = 0;
    // A black line one unit wide.
    virtual void DrawLine(float x1, float y1, float x2, float y2) = 0;
    virtual void DrawPath(LColor colour, const LGraphicsPath& path, float lineWidth) = 0;
    virtual void FillPath(LColor colour, const LGraphicsPath& path) = 0;
    virtual void FillRect(LColor colour, float x, float y, float width, float height) = 0;

    // Pages, for documents: the size of the next page in its unit, and its start and end.
    void SetPageSize(float width, float height, LPageUnit unit)
    {
        pageWidth_ = width;
        pageHeight_ = height;
        pageUnit_ = unit;
    }
    float GetPageWidth() const { return pageWidth_; }
    float GetPageHeight() const { return pageHeight_; }
    LPageUnit GetPageUnit() const { return pageUnit_; }
    virtual bool StartPage() { return true; }
    // Keeps what is drawn from now on inside `rect` of the page (in page units, whatever
    // the transform), until the page ends or another rectangle takes its place: a page
    // that shows two parts of a drawing one above the other keeps each to its band.
    virtual void ClipToPageRect(const LRectF& rect) = 0;
    virtual void EndPage() {}
    // Completes a document; false when it could not be written in full (the target is then
    // left as it was). The screen has nothing to complete.
    virtual bool Close() { return true; }

protected:
    float pageWidth_ = 0;
    float pageHeight_ = 0;
    LPageUnit pageUnit_ = LPageUnit::Layout;
};
