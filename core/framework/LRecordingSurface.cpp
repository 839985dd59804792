#include "framework/LRecordingSurface.h"

#include "framework/LFixedText.h"

#include <algorithm>

LRecordingSurface::Item& LRecordingSurface::Add(Op op)
{
    Item& item = items_.emplace_back();
    item.op = op;
    item.matrix = matrix_;
    item.font = font_;
    return item;
}

void LRecordingSurface::Clear(LColor colour)
{
    Add(Op::Clear).colour = colour;
}

LSizeF LRecordingSurface::MeasureText(std::string_view text)
{
    return {kCharWidth * static_cast<float>(LUtf8Length(text)), kTextHeight};
}

std::vector<std::string> LRecordingSurface::WrapLines(std::string_view text, float wrapWidth)
{
    // Lines are broken at spaces; the spaces in front of a line's first word stay (they
    // indent it), the space at which a line is broken goes. A word wider than a whole line
    // is broken inside, as many characters to a line as fit (at least one).
    const std::size_t perLine =
            wrapWidth > 0
                    ? std::max<std::size_t>(1, static_cast<std::size_t>(wrapWidth / kCharWidth))
                    : std::string_view::npos;
    std::vector<std::string> lines(1);
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t wordStart = text.find_first_not_of(' ', at);
        if (wordStart == std::string_view::npos) {
            lines.back().append(text.substr(at));
            break;
        }
        std::size_t wordEnd = text.find(' ', wordStart);
        if (wordEnd == std::string_view::npos)
            wordEnd = text.size();
        const std::string_view piece = text.substr(at, wordEnd - at);
        std::string& line = lines.back();
        const float widthTogether =
                kCharWidth * static_cast<float>(LUtf8Length(line) + LUtf8Length(piece));
        if (line.empty() || wrapWidth <= 0 || widthTogether <= wrapWidth)
            line.append(piece);
        else
            lines.emplace_back(text.substr(wordStart, wordEnd - wordStart));
        while (LUtf8Length(lines.back()) > perLine) {
            const std::size_t head = LUtf8Prefix(lines.back(), perLine).size();
            std::string rest = lines.back().substr(head);
            lines.back().resize(head);
            lines.push_back(std::move(rest));
        }
        at = wordEnd;
    }
    return lines;
}

LSizeF LRecordingSurface::MeasureText(std::string_view text, float wrapWidth)
{
    const std::vector<std::string> lines = WrapLines(text, wrapWidth);
    float widest = 0;
    for (const std::string& line : lines)
        widest = std::max(widest, kCharWidth * static_cast<float>(LUtf8Length(line)));
    return {widest, kTextHeight * static_cast<float>(lines.size())};
}

void LRecordingSurface::DrawText(std::string_view text, float x, float y, float width, float height,
                                 LTextAlign align)
{
    Item& item = Add(Op::DrawText);
    item.text = text;
    item.colour = textColour_;
    item.x = x;
    item.y = y;
    item.width = width;
    item.height = height;
    item.align = align;
}

void LRecordingSurface::DrawText(std::string_view text, float x, float y)
{
    Item& item = Add(Op::DrawText);
    item.text = text;
    item.colour = textColour_;
    item.x = x;
    item.y = y;
    const LSizeF size = MeasureText(text);
    item.width = size.width;
    item.height = size.height;
}

void LRecordingSurface::DrawLine(float x1, float y1, float x2, float y2)
{
    Item& item = Add(Op::DrawLine);
    item.x = x1;
    item.y = y1;
    item.width = x2;
    item.height = y2;
    item.lineWidth = 1;
}

void LRecordingSurface::DrawPath(LColor colour, const LGraphicsPath& path, float lineWidth)
{
    Item& item = Add(Op::DrawPath);
    item.colour = colour;
    item.path = path;
    item.lineWidth = lineWidth;
}

void LRecordingSurface::FillPath(LColor colour, const LGraphicsPath& path)
{
    Item& item = Add(Op::FillPath);
    item.colour = colour;
    item.path = path;
}

void LRecordingSurface::FillRect(LColor colour, float x, float y, float width, float height)
{
    Item& item = Add(Op::FillRect);
    item.colour = colour;
    item.x = x;
    item.y = y;
    item.width = width;
    item.height = height;
}

bool LRecordingSurface::StartPage()
{
    Item& item = Add(Op::StartPage);
    item.width = pageWidth_;
    item.height = pageHeight_;
    return true;
}

void LRecordingSurface::EndPage()
{
    Add(Op::EndPage);
}

void LRecordingSurface::ClipToPageRect(const LRectF& rect)
{
    Item& item = Add(Op::ClipToPageRect);
    item.x = rect.x;
    item.y = rect.y;
    item.width = rect.width;
    item.height = rect.height;
}

std::vector<const LRecordingSurface::Item*> LRecordingSurface::ItemsOf(Op op) const
{
    std::vector<const Item*> found;
    for (const Item& item : items_)
        if (item.op == op)
            found.push_back(&item);
    return found;
}

std::vector<const LRecordingSurface::Item*>
LRecordingSurface::TextItems(std::string_view text) const
{
    std::vector<const Item*> found;
    for (const Item& item : items_)
        if (item.op == Op::DrawText && item.text == text)
            found.push_back(&item);
    return found;
}
