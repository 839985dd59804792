#pragma once

#include "framework/LSurface.h"

#include <string>
#include <vector>

// A surface that keeps a list of what was drawn instead of pixels, with fixed text metrics
// (6 units per character, 13 tall per line), so that drawing code can be checked without a window
// and the same drawing always gives the same list.
class LRecordingSurface : public LSurface {
public:
    enum class Op {
        Clear,
        DrawText,
        DrawLine,
        DrawPath,
        FillPath,
        FillRect,
        StartPage,
        EndPage,
        ClipToPageRect,
    };

    // One drawing operation with the state it was drawn in. Coordinates are as given, in
    // the units of `matrix`; Origin() maps them to the surface.
    struct Item {
        Op op = Op::Clear;
        LColor colour;
        LMatrix matrix;
        LFont font;
        std::string text;
        // Text and rectangle (a clip's in page units); line start and end; a page's size.
        float x = 0, y = 0, width = 0, height = 0;
        float lineWidth = 0;
        LGraphicsPath path;
        LTextAlign align = LTextAlign::Left; // text in a box

        // (x, y) in surface coordinates.
        LPointF Origin() const { return matrix.Map(x, y); }
    };

    explicit LRecordingSurface(Kind kind = Kind::Screen) : kind_(kind) {}

    Kind GetKind() const override { return kind_; }
    void Clear(LColor colour) override;
    void TransformReset(const LMatrix& matrix) override { matrix_ = matrix; }
    void SetFont(const LFont& font) override { font_ = font; }
    LSizeF MeasureText(std::string_view text) override;
    LSizeF MeasureText(std::string_view text, float wrapWidth) override;
    void SetTextColor(LColor colour) override { textColour_ = colour; }
    void DrawText(std::string_view text, float x, float y) override;
    void DrawText(std::string_view text, float x, float y, float width, float height,
                  LTextAlign align) override;
    void DrawLine(float x1, float y1, float x2, float y2) override;
    void DrawPath(LColor colour, const LGraphicsPath& path, float lineWidth) override;
    void FillPath(LColor colour, const LGraphicsPath& path) override;
    void FillRect(LColor colour, float x, float y, float width, float height) override;
    bool StartPage() override;
    void EndPage() override;
    void ClipToPageRect(const LRectF& rect) override;

    const std::vector<Item>& Items() const { return items_; }
    std::vector<const Item*> ItemsOf(Op op) const;
    // The drawn text items whose text is exactly `text`.
    std::vector<const Item*> TextItems(std::string_view text) const;
    void ClearItems() { items_.clear(); }
    // The lines `text` wraps into at `wrapWidth`, with the fixed metrics.
    static std::vector<std::string> WrapLines(std::string_view text, float wrapWidth);

    static constexpr float kCharWidth = 6;
    static constexpr float kTextHeight = 13;

private:
    Item& Add(Op op);

    Kind kind_;
    LMatrix matrix_;
    LFont font_;
    LColor textColour_;
    std::vector<Item> items_;
};
