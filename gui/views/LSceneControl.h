#pragma once

#include "views/LSceneView.h"

#include <QWidget>

class QScrollBar;
class QWheelEvent;

// A control that shows a scene view: it paints only the exposed part of the scene, and
// gives the view its mouse clicks in control pixels.
class LSceneControl : public QWidget, private LSceneHost {
    Q_OBJECT

public:
    explicit LSceneControl(LSceneView& view, QWidget* parent = nullptr);
    ~LSceneControl() override;

    LSceneView& View() const { return view_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void InvalidateAll() override;
    void InvalidateRect(const LRectF& rect) override;

    LSceneView& view_;
};

// Places a scene's control and its two scroll bars in `area` by the chart's rule: a
// horizontal bar when the scene is wider than the area, then a vertical bar when it is
// taller than what is left. Each bar is fitted to the scene's extent with the control's
// size as its thumb, and its position kept inside; a hidden bar scrolls nothing. The bars
// do not signal: the caller applies their positions to the view.
void LLayoutSceneScrollBars(LSceneControl& control, QScrollBar& horizontal, QScrollBar& vertical,
                            float sceneWidth, float sceneHeight, const QRect& area);
// The wheel scrolls down the scene; sideways (or with Shift) across it. A wheel turn that
// no shown bar can take is left to the parent.
void LScrollSceneByWheel(QWheelEvent& event, QScrollBar& horizontal, QScrollBar& vertical);
