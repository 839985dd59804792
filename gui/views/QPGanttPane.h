#pragma once

#include "views/QPGanttView.h"

#include <QWidget>

class LSceneControl;
class QScrollBar;
class QPProjectBase;

// The chart pane of the main window: the chart control and its two scroll bars, placed by
// the chart's rule (a horizontal bar when the chart is wider than the pane, then a vertical
// bar when it is taller than what is left).
class QPGanttPane : public QWidget {
    Q_OBJECT

public:
    QPGanttPane(QPGanttInterface& owner, QWidget* parent = nullptr);
    ~QPGanttPane() override;

    QPGanttView& View() { return view_; }
    LSceneControl& Control() const { return *control_; }
    QScrollBar& HorizontalBar() const { return *horizontal_; }
    QScrollBar& VerticalBar() const { return *vertical_; }

    // Rebuilds the chart and fits the scroll bars to it.
    void PlotProject(const QPProjectBase& project);

    // The view follows the scroll bars.
    void CmGanttViewApplyScrollH();
    void CmGanttViewApplyScrollV();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void LayoutChart();

    QPGanttView view_;
    LSceneControl* control_ = nullptr;
    QScrollBar* horizontal_ = nullptr;
    QScrollBar* vertical_ = nullptr;
};
