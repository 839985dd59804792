#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>

// The longest text that a name, symbol or other short field may hold. Project files
// and other readers built for the same layout keep these texts in 260-byte buffers
// with a terminating zero, so the limit is part of the data, not a display choice.
inline constexpr std::size_t kFixedTextMaxBytes = 259;

// Cuts `text` to at most `maxBytes` bytes without splitting a UTF-8 sequence: when
// the cut would fall inside a character, that whole character is dropped.
std::string LCutUtf8(std::string_view text, std::size_t maxBytes = kFixedTextMaxBytes);

// The number of characters in UTF-8 text: the bytes that do not continue a sequence.
std::size_t LUtf8Length(std::string_view text);
// The first `count` characters of UTF-8 text (all of it when it is shorter).
std::string_view LUtf8Prefix(std::string_view text, std::size_t count);

// A short text field that can never hold more than 259 bytes: every way of putting
// a text in cuts it as LCutUtf8 does.
class LFixedText {
public:
    LFixedText() = default;
    LFixedText(std::string_view text) : value_(LCutUtf8(text)) {}
    LFixedText(const char* text) : value_(LCutUtf8(text ? std::string_view(text) : "")) {}
    LFixedText(const std::string& text) : value_(LCutUtf8(text)) {}

    LFixedText& operator=(std::string_view text)
    {
        value_ = LCutUtf8(text);
        return *this;
    }
    LFixedText& operator=(const char* text) { return *this = std::string_view(text ? text : ""); }
    LFixedText& operator=(const std::string& text) { return *this = std::string_view(text); }

    const std::string& str() const { return value_; }
    const char* c_str() const { return value_.c_str(); }
    std::size_t size() const { return value_.size(); }
    bool empty() const { return value_.empty(); }
    void clear() { value_.clear(); }
    operator std::string_view() const { return value_; }

    friend bool operator==(const LFixedText& a, const LFixedText& b) = default;
    friend auto operator<=>(const LFixedText& a, const LFixedText& b) = default;
    friend bool operator==(const LFixedText& a, std::string_view b) { return a.value_ == b; }
    friend bool operator==(const LFixedText& a, const char* b)
    {
        return a.value_ == std::string_view(b ? b : "");
    }

private:
    std::string value_;
};
