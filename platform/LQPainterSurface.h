#pragma once

#include "framework/LSurface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>

#include <memory>
#include <optional>

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;
class QSaveFile;

// The drawing operations on a QPainter. Everything is drawn half a unit down and to the
// right, so that a one-unit line at a whole coordinate covers exactly one row or column of
// pixels (or one point) instead of blurring over two.
class LQPainterSurface : public LSurface {
public:
    Kind GetKind() const override { return kind_; }
    void Clear(LColor colour) override;
    void TransformReset(const LMatrix& matrix) override;
    void SetFont(const LFont& font) override;
    LSizeF MeasureText(std::string_view text) override;
    LSizeF MeasureText(std::string_view text, float wrapWidth) override;
    void SetTextColor(LColor colour) override { textColour_ = colour; }
    void DrawText(std::string_view text, float x, float y) override;
    void DrawText(std::string_view text, float x, float y, float width, float height,
                  LTextAlign align) override;
    void DrawLine(float x1, float y1, float x2, float y2) override;
    void DrawPath(LColor colour, const LGraphicsPath& path, float lineWidth) override;
    void FillPath(LColor colour, const LGraphicsPath& path) override;
    void FillRect(LColor colour, float x, float y, float width, float height) override;
    void ClipToPageRect(const LRectF& rect) override;

    // The Qt font for a surface font on `device`, sized in the device's units: an empty
    // family is the system's interface font.
    static QFont ToQFont(const LFont& font, const QPaintDevice* device);

protected:
    explicit LQPainterSurface(Kind kind) : kind_(kind) {}
    // Starts drawing with `painter`, which must be active; `device` is what text is
    // measured for, and `page` takes page units to the device's coordinates.
    void Begin(QPainter* painter, QPaintDevice* device, const QTransform& page = QTransform());
    void End() { painter_ = nullptr; }
    QPainter* Painter() const { return painter_; }

private:
    Kind kind_;
    QPainter* painter_ = nullptr;
    QPaintDevice* device_ = nullptr;
    QTransform page_;
    QTransform base_;
    LFont surfaceFont_;
    QFont font_;
    std::optional<QFontMetricsF> metrics_;
    LColor textColour_;
};

// The surface of a window: a painter that the widget's paint event has opened.
class LPaintSurface : public LQPainterSurface {
public:
    LPaintSurface(QPainter& painter, QPaintDevice* device);
};

// Pages on a paged device (a PDF file, a printer), each with its own size and unit. The
// device's own coordinates are points from the sheet's corner (72 dpi, the full page);
// where a page goes on the sheet is the device's choice.
class LPagedSurface : public LQPainterSurface {
public:
    bool StartPage() override;
    void EndPage() override;

    // The layout size of a paper in units, 96 to the inch.
    static LSizeF PaperPageSize(int paperSize);

protected:
    // Starts with layout pages of the paper `paperSize`.
    explicit LPagedSurface(int paperSize);
    // Sets the device the pages go to; none when it could not be opened.
    void SetDevice(QPagedPaintDevice* device);
    // Ends the last page and the painting; false when anything failed or no page was
    // started.
    bool FinishPages();
    // Readies the device's sheet for the next page, before it starts, and gives the
    // transform from page units to the device's coordinates.
    virtual QTransform PlacePage(QPagedPaintDevice& device) = 0;

private:
    QPagedPaintDevice* device_ = nullptr;
    QPainter painter_;
    bool pageOpen_ = false;
    bool anyPage_ = false;
    bool failed_ = false;
};

// A PDF file. It is written beside its final place and put there by Close(), so a failed
// export never leaves half a file, nor harms the one that was there. A layout page gets a
// sheet of its paper (A4 is 595 x 842 points), the layout scaled onto it, so that it
// prints at its true size; a page in points is a sheet of exactly its size.
class LPDFWriter : public LPagedSurface {
public:
    LPDFWriter(const std::string& path, int paperSize);
    ~LPDFWriter() override;

    bool Close() override;

protected:
    QTransform PlacePage(QPagedPaintDevice& device) override;

private:
    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QPdfWriter> writer_;
    std::optional<bool> closed_;
};

// A printer, page by page. The paper and orientation stay those the user chose in the
// print dialog; every page is scaled to fit what the printer can reach of the sheet,
// keeping its proportions, and centred there.
class LPrintSurface : public LPagedSurface {
public:
    LPrintSurface(QPrinter& printer, int paperSize);
    ~LPrintSurface() override;

    bool Close() override;

protected:
    QTransform PlacePage(QPagedPaintDevice& device) override;

private:
    std::optional<bool> closed_;
};
