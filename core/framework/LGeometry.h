#pragma once

#include <algorithm>
#include <cstdint>

// An 8-bit RGB colour.
struct LColor {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;

    static constexpr LColor Black() { return {0, 0, 0}; }
    static constexpr LColor White() { return {255, 255, 255}; }
    friend constexpr bool operator==(LColor, LColor) = default;
};

struct LPointF {
    float x = 0;
    float y = 0;
    friend constexpr bool operator==(LPointF, LPointF) = default;
};

struct LSizeF {
    float width = 0;
    float height = 0;
    friend constexpr bool operator==(LSizeF, LSizeF) = default;
};

// A rectangle; an empty one (width or height not above 0) holds no point.
struct LRectF {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;

    float Right() const { return x + width; }
    float Bottom() const { return y + height; }
    bool IsEmpty() const { return !(width > 0 && height > 0); }
    bool Intersects(const LRectF& other) const
    {
        return x <= other.Right() && other.x <= Right() && y <= other.Bottom() &&
               other.y <= Bottom();
    }
    LRectF United(const LRectF& other) const
    {
        const float left = std::min(x, other.x);
        const float top = std::min(y, other.y);
        return {left, top, std::max(Right(), other.Right()) - left,
                std::max(Bottom(), other.Bottom()) - top};
    }
    friend constexpr bool operator==(const LRectF&, const LRectF&) = default;
};

// An affine transform: (x, y) maps to (a x + c y + tx, b x + d y + ty).
struct LMatrix {
    float a = 1;
    float b = 0;
    float c = 0;
    float d = 1;
    float tx = 0;
    float ty = 0;

    static constexpr LMatrix Identity() { return {}; }
    // This transform applied after a translation by (dx, dy).
    LMatrix Translated(float dx, float dy) const
    {
        LMatrix m = *this;
        m.tx += a * dx + c * dy;
        m.ty += b * dx + d * dy;
        return m;
    }
    LMatrix Scaled(float sx, float sy) const
    {
        LMatrix m = *this;
        m.a *= sx;
        m.b *= sx;
        m.c *= sy;
        m.d *= sy;
        return m;
    }
    LPointF Map(float x, float y) const { return {a * x + c * y + tx, b * x + d * y + ty}; }
    friend constexpr bool operator==(const LMatrix&, const LMatrix&) = default;
};
