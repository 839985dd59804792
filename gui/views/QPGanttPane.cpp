#include "QPGanttPane.h"

#include "LSceneControl.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

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

QPGanttPane::QPGanttPane(QPGanttInterface& owner, QWidget* parent) : QWidget(parent), view_(owner)
{
    control_ = new LSceneControl(view_, this);
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    vertical_ = new QScrollBar(Qt::Vertical, this);
    connect(horizontal_, &QScrollBar::valueChanged, this, &QPGanttPane::CmGanttViewApplyScrollH);
    connect(vertical_, &QScrollBar::valueChanged, this, &QPGanttPane::CmGanttViewApplyScrollV);
    LayoutChart();
}

QPGanttPane::~QPGanttPane()
{
    // The control lets go of the view when it goes; child widgets would otherwise only go
    // after the view, with the base class.
    delete control_;
}

void QPGanttPane::PlotProject(const QPProjectBase& project)
{
    view_.PlotProject(project);
    LayoutChart();
    control_->update();
}

void QPGanttPane::CmGanttViewApplyScrollH()
{
    view_.offsetX = -static_cast<float>(horizontal_->value());
    control_->update();
}

void QPGanttPane::CmGanttViewApplyScrollV()
{
    view_.offsetY = -static_cast<float>(vertical_->value());
    control_->update();
}

void QPGanttPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutChart();
}

void QPGanttPane::wheelEvent(QWheelEvent* event)
{
    // The wheel scrolls down the rows; sideways (or with Shift) along the days.
    const QPoint delta = event->angleDelta();
    const bool sideways = std::abs(delta.x()) > std::abs(delta.y()) ||
                          (event->modifiers() & Qt::ShiftModifier) != Qt::NoModifier;
    QScrollBar* bar = sideways ? horizontal_ : vertical_;
    if (bar->isVisible())
        QCoreApplication::sendEvent(bar, event);
    else
        event->ignore();
}

void QPGanttPane::LayoutChart()
{
    const QPCalendarChartNode& root = view_.Root();
    const QPGanttScrollLayout layout =
            QPGanttLayoutScrollBars(root.width, root.height, width(), height());
    control_->setGeometry(0, 0, layout.visibleWidth, layout.visibleHeight);
    horizontal_->setGeometry(0, layout.visibleHeight, layout.visibleWidth,
                             QPGanttScrollLayout::kHorizontalBarHeight);
    vertical_->setGeometry(layout.visibleWidth, 0, QPGanttScrollLayout::kVerticalBarWidth,
                           layout.visibleHeight);
    FitBar(*horizontal_, layout.horizontal, layout.horizontalExtent, layout.visibleWidth);
    FitBar(*vertical_, layout.vertical, layout.verticalExtent, layout.visibleHeight);
    CmGanttViewApplyScrollH();
    CmGanttViewApplyScrollV();
}
