#pragma once

#include "framework/LGeometry.h"

#include <vector>

// A set of figures, each a run of connected points, open or closed: outlines of bars,
// brackets, diamonds, arrows and their heads.
class LGraphicsPath {
public:
    struct Figure {
        std::vector<LPointF> points;
        bool closed = false;
        friend bool operator==(const Figure&, const Figure&) = default;
    };

    void Reset() { figures_.clear(); }
    // A separate line figure.
    void AddLine(float x1, float y1, float x2, float y2);
    // A figure through the points; closed when the last point equals the first.
    void AddLines(const LPointF* points, int count);
    // A closed rectangle figure.
    void AddRectangle(float x, float y, float width, float height);
    // Ends the current figure without closing it; the next point starts a new one.
    void EndFigure() {}

    const std::vector<Figure>& Figures() const { return figures_; }
    bool IsEmpty() const { return figures_.empty(); }
    // The smallest rectangle holding every point.
    LRectF Bounds() const;
    // The same figures moved by (dx, dy).
    LGraphicsPath Translated(float dx, float dy) const;

    friend bool operator==(const LGraphicsPath&, const LGraphicsPath&) = default;

private:
    std::vector<Figure> figures_;
};
