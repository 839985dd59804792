#include "LSceneControl.h"

#include "LQPainterSurface.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

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
