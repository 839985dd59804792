#include "LSceneControl.h"

#include "LQPainterSurface.h"
#include "views/QPGanttView.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Fits a bar to an extent seen through a window of `thumb` pixels, keeping the position
// inside; a hidden bar has nothing to scroll.
void FitBar(QScrollBar& bar, bool shown, int extent, int thumb)
{
    const QSignalBlocker quiet(bar);
    if (!shown) {
        bar.hide();
        bar.setRange(0, 0);
        bar.setValue(0);
        return;
    }
    const int position = QPGanttClampScrollPosition(bar.value(), extent, thumb);
    bar.setRange(0, std::max(extent - thumb, 0));
    bar.setPageStep(thumb);
    bar.setSingleStep(20);
    bar.setValue(position);
    bar.show();
}

} // namespace

LSceneControl::LSceneControl(LSceneView& view, QWidget* parent) : QWidget(parent), view_(view)
{
    // The view paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    view_.SetHost(this);
}

LSceneControl::~LSceneControl()
{
    view_.SetHost(nullptr);
}

void LSceneControl::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    LPaintSurface surface(painter, this);
    const QRect area = event->rect();
    const LRectF exposed{static_cast<float>(area.x()), static_cast<float>(area.y()),
                         static_cast<float>(area.width()), static_cast<float>(area.height())};
    view_.Prepaint(surface, &exposed);
}

void LSceneControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        view_.EvLButtonDown(at.x(), at.y());
    }
    QWidget::mousePressEvent(event);
}

void LSceneControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        view_.EvLButtonUp(at.x(), at.y());
    }
    QWidget::mouseReleaseEvent(event);
}

void LSceneControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    view_.EvMouseMove(at.x(), at.y());
    QWidget::mouseMoveEvent(event);
}

void LSceneControl::InvalidateAll()
{
    update();
}

void LSceneControl::InvalidateRect(const LRectF& rect)
{
    const int left = static_cast<int>(std::floor(rect.x));
    const int top = static_cast<int>(std::floor(rect.y));
    update(QRect(left, top, static_cast<int>(std::ceil(rect.Right())) - left,
                 static_cast<int>(std::ceil(rect.Bottom())) - top));
}

void LLayoutSceneScrollBars(LSceneControl& control, QScrollBar& horizontal, QScrollBar& vertical,
                            float sceneWidth, float sceneHeight, const QRect& area)
{
    const QPGanttScrollLayout layout =
            QPGanttLayoutScrollBars(sceneWidth, sceneHeight, area.width(), area.height());
    control.setGeometry(area.x(), area.y(), layout.visibleWidth, layout.visibleHeight);
    horizontal.setGeometry(area.x(), area.y() + layout.visibleHeight, layout.visibleWidth,
                           QPGanttScrollLayout::kHorizontalBarHeight);
    vertical.setGeometry(area.x() + layout.visibleWidth, area.y(),
                         QPGanttScrollLayout::kVerticalBarWidth, layout.visibleHeight);
    FitBar(horizontal, layout.horizontal, layout.horizontalExtent, layout.visibleWidth);
    FitBar(vertical, layout.vertical, layout.verticalExtent, layout.visibleHeight);
}

void LScrollSceneByWheel(QWheelEvent& event, QScrollBar& horizontal, QScrollBar& vertical)
{
    const QPoint delta = event.angleDelta();
    const bool sideways = std::abs(delta.x()) > std::abs(delta.y()) ||
                          (event.modifiers() & Qt::ShiftModifier) != Qt::NoModifier;
    QScrollBar& bar = sideways ? horizontal : vertical;
    if (bar.isVisible())
        QCoreApplication::sendEvent(&bar, &event);
    else
        event.ignore();
}
