#include "framework/LScan.h"

#include <climits>
#include <cstdint>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int LScanInts(std::string_view text, std::string_view format, std::initializer_list<int*> targets)
{
    std::size_t in = 0;
    auto target = targets.begin();
    int stored = 0;
    for (std::size_t f = 0; f < format.size(); ++f) {
        const char fc = format[f];
        if (fc == '%' && f + 1 < format.size() && format[f + 1] == 'd') {
            ++f;
            while (in < text.size() && IsSpace(text[in]))
                ++in;
            bool negative = false;
            std::size_t pos = in;
            if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
                negative = text[pos] == '-';
                ++pos;
            }
            if (pos >= text.size() || !IsDigit(text[pos]))
                return stored;
            int64_t value = 0;
            while (pos < text.size() && IsDigit(text[pos])) {
                if (value <= int64_t(INT_MAX) + 1)
                    value = value * 10 + (text[pos] - '0');
                ++pos;
            }
            value = negative ? -value : value;
            if (value > INT_MAX)
                value = INT_MAX;
            if (value < INT_MIN)
                value = INT_MIN;
            in = pos;
            if (target == targets.end())
                return stored;
            **target++ = static_cast<int>(value);
            ++stored;
        } else if (IsSpace(fc)) {
            while (in < text.size() && IsSpace(text[in]))
                ++in;
        } else {
            if (in >= text.size() || text[in] != fc)
                return stored;
            ++in;
        }
    }
    return stored;
}
