#include "LQPainterSurface.h"

#include <QFontDatabase>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextLayout>

#include <algorithm>
#include <utility>

namespace {

QColor ToQColor(LColor colour)
{
    return QColor(colour.r, colour.g, colour.b);
}

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPainterPath ToQPainterPath(const LGraphicsPath& path)
{
    QPainterPath result;
    result.setFillRule(Qt::WindingFill);
    for (const LGraphicsPath::Figure& figure : path.Figures()) {
        if (figure.points.empty())
            continue;
        result.moveTo(figure.points[0].x, figure.points[0].y);
        for (std::size_t i = 1; i < figure.points.size(); ++i)
            result.lineTo(figure.points[i].x, figure.points[i].y);
        if (figure.closed)
            result.closeSubpath();
    }
    return result;
}

// Points to a unit of a layout page: 72 to the inch against 96.
constexpr double kPointsPerLayoutUnit = 72.0 / 96.0;

// A sheet without margins, measured in points.
QPageLayout PageLayoutOf(const QPageSize& sheet)
{
    return QPageLayout(sheet, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

QPageSize CustomSheet(double width, double height)
{
    const QSizeF size(std::max(1.0, width), std::max(1.0, height));
    return QPageSize(size, QPageSize::Point, QStringLiteral("Custom"), QPageSize::ExactMatch);
}

// The sheet a PDF page goes on: a layout made for a known paper gets that paper's own size
// (so that a reader prints it on that paper), any other layout a sheet of its true size,
// and a page in points a sheet of exactly that many points.
QPageSize SheetOf(float width, float height, LPageUnit unit)
{
    if (unit == LPageUnit::Point)
        return CustomSheet(width, height);
    const std::pair<int, QPageSize::PageSizeId> papers[] = {
            {LPrint::ePaperA4, QPageSize::A4},
            {LPrint::ePaperLetter, QPageSize::Letter},
    };
    for (const auto& [paper, id] : papers)
        if (LPagedSurface::PaperPageSize(paper) == LSizeF{width, height})
            return QPageSize(id);
    return CustomSheet(width * kPointsPerLayoutUnit, height * kPointsPerLayoutUnit);
}

// Takes a page of `width` x `height` units into `area` as large as it fits, keeping its
// proportions, centred in the room left over.
QTransform Fitted(float width, float height, const QRectF& area)
{
    const double w = std::max(1.0f, width);
    const double h = std::max(1.0f, height);
    const double scale = std::min(area.width() / w, area.height() / h);
    return QTransform::fromScale(scale, scale) *
           QTransform::fromTranslate(area.x() + (area.width() - w * scale) / 2,
                                     area.y() + (area.height() - h * scale) / 2);
}

} // namespace

// --- the shared operations ---------------------------------------------------------------

QFont LQPainterSurface::ToQFont(const LFont& font, const QPaintDevice* device)
{
    QFont result = font.family.empty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont)
                                       : QFont(QString::fromStdString(font.family));
    // The layouts give sizes in their own units: an 11 font is 11 units tall, like the
    // rows and columns it sits in. On a device of 72 to the inch that is 11 points; on a
    // screen of 96 it is 11 pixels, not the 15 that 11 points would make.
    const int dpi = device ? device->logicalDpiY() : 72;
    result.setPointSizeF(font.pointSize * 72.0 / (dpi > 0 ? dpi : 72));
    result.setBold(font.bold);
    return result;
}

void LQPainterSurface::Begin(QPainter* painter, QPaintDevice* device, const QTransform& page)
{
    painter_ = painter;
    device_ = device;
    page_ = page;
    // Half a unit of the page, so that a one-unit line still covers exactly its unit
    // however the page is scaled onto the sheet.
    base_ = QTransform::fromTranslate(0.5, 0.5) * page_;
    painter_->setWorldTransform(base_);
    if (metrics_) {
        font_ = ToQFont(surfaceFont_, device_);
        metrics_.emplace(font_, device_);
        painter_->setFont(font_);
    }
}

void LQPainterSurface::Clear(LColor colour)
{
    if (!painter_)
        return;
    painter_->save();
    painter_->resetTransform();
    painter_->fillRect(QRect(0, 0, device_->width(), device_->height()), ToQColor(colour));
    painter_->restore();
}

void LQPainterSurface::TransformReset(const LMatrix& matrix)
{
    if (painter_)
        painter_->setWorldTransform(
                QTransform(matrix.a, matrix.b, matrix.c, matrix.d, matrix.tx, matrix.ty) * base_);
}

void LQPainterSurface::SetFont(const LFont& font)
{
    surfaceFont_ = font;
    font_ = ToQFont(font, device_);
    metrics_.emplace(font_, device_);
    if (painter_)
        painter_->setFont(font_);
}

LSizeF LQPainterSurface::MeasureText(std::string_view text)
{
    if (!metrics_)
        SetFont(LFont{});
    return {static_cast<float>(metrics_->horizontalAdvance(ToQString(text))),
            static_cast<float>(metrics_->height())};
}

void LQPainterSurface::DrawText(std::string_view text, float x, float y)
{
    if (!painter_)
        return;
    if (!metrics_)
        SetFont(LFont{});
    painter_->setPen(ToQColor(textColour_));
    painter_->drawText(QPointF(x, y + metrics_->ascent()), ToQString(text));
}

namespace {

// Lays `layout` out in lines of `width`: broken at spaces where it can be, and inside a
// word only where the word alone is wider than the line, so that no part of the text runs
// out of its box. Gives the widest line and the height of all lines.
LSizeF LayOut(QTextLayout& layout, qreal width, LTextAlign align)
{
    const Qt::Alignment horizontal = align == LTextAlign::Centre  ? Qt::AlignHCenter
                                     : align == LTextAlign::Right ? Qt::AlignRight
                                                                  : Qt::AlignLeft;
    QTextOption option(horizontal);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal widest = 0;
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return {static_cast<float>(widest), static_cast<float>(height)};
}

QString WrappableText(std::string_view text)
{
    QString result = ToQString(text);
    result.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return result;
}

} // namespace

LSizeF LQPainterSurface::MeasureText(std::string_view text, float wrapWidth)
{
    if (!metrics_)
        SetFont(LFont{});
    // Far more room than any text takes when no width is given.
    QTextLayout layout(WrappableText(text), font_, device_);
    const LSizeF size = LayOut(layout, wrapWidth > 0 ? wrapWidth : 1.0e6, LTextAlign::Left);
    // An empty text still takes a line, as it does in a row of a table.
    return {size.width, std::max(size.height, static_cast<float>(metrics_->height()))};
}

void LQPainterSurface::DrawText(std::string_view text, float x, float y, float width,
                                float /*height*/, LTextAlign align)
{
    if (!painter_ || text.empty())
        return;
    if (!metrics_)
        SetFont(LFont{});
    QTextLayout layout(WrappableText(text), font_, device_);
    LayOut(layout, width > 0 ? width : 1.0e6, align);
    painter_->setPen(ToQColor(textColour_));
    layout.draw(painter_, QPointF(x, y));
}

void LQPainterSurface::DrawLine(float x1, float y1, float x2, float y2)
{
    if (!painter_)
        return;
    painter_->setPen(QPen(Qt::black, 1.0));
    painter_->drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void LQPainterSurface::DrawPath(LColor colour, const LGraphicsPath& path, float lineWidth)
{
    if (!painter_ || path.IsEmpty())
        return;
    painter_->setPen(
            QPen(ToQColor(colour), lineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter_->setBrush(Qt::NoBrush);
    painter_->drawPath(ToQPainterPath(path));
}

void LQPainterSurface::FillPath(LColor colour, const LGraphicsPath& path)
{
    if (!painter_ || path.IsEmpty())
        return;
    painter_->fillPath(ToQPainterPath(path), ToQColor(colour));
}

void LQPainterSurface::FillRect(LColor colour, float x, float y, float width, float height)
{
    if (painter_)
        painter_->fillRect(QRectF(x, y, width, height), ToQColor(colour));
}

void LQPainterSurface::ClipToPageRect(const LRectF& rect)
{
    if (!painter_)
        return;
    // The painter keeps a clip in device coordinates: set it in the page's, without the
    // half unit, so that its edges fall on whole units.
    const QTransform drawing = painter_->worldTransform();
    painter_->setWorldTransform(page_);
    painter_->setClipRect(QRectF(rect.x, rect.y, rect.width, rect.height), Qt::ReplaceClip);
    painter_->setWorldTransform(drawing);
}

// --- screen ------------------------------------------------------------------------------

LPaintSurface::LPaintSurface(QPainter& painter, QPaintDevice* device)
    : LQPainterSurface(Kind::Screen)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    Begin(&painter, device);
}

// --- pages -------------------------------------------------------------------------------

LSizeF LPagedSurface::PaperPageSize(int paperSize)
{
    // A4 and US Letter at 96 units to the inch, whole units with halves away from zero.
    return paperSize == LPrint::ePaperA4 ? LSizeF{794, 1123} : LSizeF{816, 1054};
}

LPagedSurface::LPagedSurface(int paperSize) : LQPainterSurface(Kind::Document)
{
    const LSizeF page = PaperPageSize(paperSize);
    SetPageSize(page.width, page.height, LPageUnit::Layout);
}

void LPagedSurface::SetDevice(QPagedPaintDevice* device)
{
    device_ = device;
    failed_ = !device;
}

bool LPagedSurface::StartPage()
{
    if (failed_ || !device_)
        return false;
    if (pageOpen_)
        EndPage();
    const QTransform page = PlacePage(*device_);
    const bool started = anyPage_ ? device_->newPage() : painter_.begin(device_);
    if (!started) {
        failed_ = true;
        return false;
    }
    anyPage_ = true;
    pageOpen_ = true;
    Begin(&painter_, device_, page);
    return true;
}

void LPagedSurface::EndPage()
{
    if (!pageOpen_)
        return;
    painter_.resetTransform();
    painter_.setClipping(false);
    pageOpen_ = false;
}

bool LPagedSurface::FinishPages()
{
    EndPage();
    End();
    if (painter_.isActive() && !painter_.end())
        failed_ = true;
    return anyPage_ && !failed_;
}

// --- PDF ---------------------------------------------------------------------------------

LPDFWriter::LPDFWriter(const std::string& path, int paperSize)
    : LPagedSurface(paperSize), file_(std::make_unique<QSaveFile>(QString::fromStdString(path)))
{
    if (!file_->open(QIODevice::WriteOnly)) {
        SetDevice(nullptr);
        return;
    }
    writer_ = std::make_unique<QPdfWriter>(file_.get());
    writer_->setResolution(72);
    writer_->setTitle(QStringLiteral("Orvik PDF File"));
    writer_->setCreator(QStringLiteral("Orvik Software"));
    SetDevice(writer_.get());
}

LPDFWriter::~LPDFWriter()
{
    Close();
}

QTransform LPDFWriter::PlacePage(QPagedPaintDevice& device)
{
    const QPageLayout sheet = PageLayoutOf(SheetOf(GetPageWidth(), GetPageHeight(), GetPageUnit()));
    device.setPageLayout(sheet);
    if (GetPageUnit() == LPageUnit::Point)
        return QTransform();
    return Fitted(GetPageWidth(), GetPageHeight(), sheet.fullRect(QPageLayout::Point));
}

bool LPDFWriter::Close()
{
    if (closed_)
        return *closed_;
    const bool painted = FinishPages();
    writer_.reset();
    if (painted && file_->error() == QFileDevice::NoError && file_->commit()) {
        closed_ = true;
    } else {
        file_->cancelWriting();
        closed_ = false;
    }
    return *closed_;
}

// --- printer -----------------------------------------------------------------------------

LPrintSurface::LPrintSurface(QPrinter& printer, int paperSize) : LPagedSurface(paperSize)
{
    printer.setResolution(72);
    // The device's coordinates start at the sheet's corner, whatever the margins; what the
    // printer cannot reach is left out when a page is placed.
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("Orvik PDF File"));
    printer.setCreator(QStringLiteral("Orvik Software"));
    SetDevice(&printer);
}

LPrintSurface::~LPrintSurface()
{
    Close();
}

QTransform LPrintSurface::PlacePage(QPagedPaintDevice& device)
{
    // The sheet is the one chosen in the print dialog (or the preview's page setup): it is
    // never replaced, so a report printed on Letter comes out on Letter.
    QPageLayout sheet = device.pageLayout();
    sheet.setUnits(QPageLayout::Point);
    const QRectF printable = sheet.fullRect().marginsRemoved(sheet.minimumMargins());
    return Fitted(GetPageWidth(), GetPageHeight(), printable);
}

bool LPrintSurface::Close()
{
    if (!closed_)
        closed_ = FinishPages();
    return *closed_;
}
