#pragma once

#include "views/LSceneView.h"

#include <QWidget>

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
