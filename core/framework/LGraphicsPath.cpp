#include "framework/LGraphicsPath.h"

#include <algorithm>

void LGraphicsPath::AddLine(float x1, float y1, float x2, float y2)
{
    figures_.push_back({{{x1, y1}, {x2, y2}}, false});
}

void LGraphicsPath::AddLines(const LPointF* points, int count)
{
    if (count < 1)
        return;
    Figure figure;
    figure.points.assign(points, points + count);
    figure.closed = count > 2 && points[0] == points[count - 1];
    figures_.push_back(std::move(figure));
}

void LGraphicsPath::AddRectangle(float x, float y, float width, float height)
{
    figures_.push_back(
            {{{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}, {x, y}}, true});
}

LRectF LGraphicsPath::Bounds() const
{
    bool first = true;
    float left = 0, top = 0, right = 0, bottom = 0;
    for (const Figure& figure : figures_) {
        for (const LPointF& p : figure.points) {
            if (first) {
                left = right = p.x;
                top = bottom = p.y;
                first = false;
                continue;
            }
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
    }
    return {left, top, right - left, bottom - top};
}

LGraphicsPath LGraphicsPath::Translated(float dx, float dy) const
{
    LGraphicsPath moved = *this;
    for (Figure& figure : moved.figures_)
        for (LPointF& p : figure.points) {
            p.x += dx;
            p.y += dy;
        }
    return moved;
}
