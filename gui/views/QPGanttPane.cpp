#include "QPGanttPane.h"

#include "LSceneControl.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

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
    LScrollSceneByWheel(*event, *horizontal_, *vertical_);
}

void QPGanttPane::LayoutChart()
{
    const QPCalendarChartNode& root = view_.Root();
    LLayoutSceneScrollBars(*control_, *horizontal_, *vertical_, root.width, root.height, rect());
    CmGanttViewApplyScrollH();
    CmGanttViewApplyScrollV();
}
