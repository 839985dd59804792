#include "mail/LEmail.h"

#include "framework/LFixedText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

bool IsLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// One address of a list, its optional space after the separator already taken off.
bool IsValidSingleAddress(std::string_view address)
{
    int atSigns = 0;
    bool fullStopAfterAt = false;
    std::size_t lastFullStop = std::string_view::npos;
    for (std::size_t i = 0; i < address.size(); ++i) {
        const char c = address[i];
        if (LEmail::IsAtextCharacter(c))
            continue;
        if (c != '@' && c != '.')
            return false;
        if (i == 0 || !LEmail::IsAtextCharacter(address[i - 1]))
            return false;
        if (c == '@') {
            if (++atSigns > 1)
                return false;
        } else {
            fullStopAfterAt = fullStopAfterAt || atSigns == 1;
            lastFullStop = i;
        }
    }
    return atSigns == 1 && fullStopAfterAt && address.size() - lastFullStop - 1 >= 2;
}

constexpr std::string_view kBase64Alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

bool LEmail::IsAtextCharacter(char c)
{
    static constexpr std::string_view kMarks = "!#$%&'*+-/=?^_`{|}~";
    return IsLetterOrDigit(c) || kMarks.find(c) != std::string_view::npos;
}

bool LEmail::ValidateAddress(std::string_view text)
{
    std::size_t start = 0;
    bool afterSeparator = false;
    for (;;) {
        const std::size_t separator = text.find_first_of(",;", start);
        std::string_view address =
                text.substr(start, separator == std::string_view::npos ? std::string_view::npos
                                                                       : separator - start);
        if (afterSeparator && !address.empty() && address.front() == ' ')
            address.remove_prefix(1);
        if (!IsValidSingleAddress(address))
            return false;
        if (separator == std::string_view::npos)
            return true;
        start = separator + 1;
        afterSeparator = true;
    }
}

std::string LRFC2047Encode(std::string_view text)
{
    const bool sevenBit = std::all_of(text.begin(), text.end(),
                                      [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (sevenBit)
        return LCutUtf8(text, kFixedTextMaxBytes);

    static constexpr std::string_view kOpen = "=?utf-8?q?";
    static constexpr std::string_view kClose = "?=";
    static constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string encoded(kOpen);
    std::size_t at = 0;
    while (at < text.size()) {
        // A character at a time, so that the cut to the field's length neither splits an
        // "=XX" group nor a UTF-8 sequence, and the word is always closed: a broken
        // encoded word would be shown to the recipient as the raw text.
        std::size_t end = at + 1;
        while (end < text.size() && IsContinuationByte(text[end]))
            ++end;
        std::string piece;
        for (std::size_t i = at; i < end; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (byte > 32 && byte < 128 && byte != '?' && byte != '_' && byte != '=') {
                piece += static_cast<char>(byte);
            } else {
                piece += '=';
                piece += kHex[byte >> 4];
                piece += kHex[byte & 0x0F];
            }
        }
        if (encoded.size() + piece.size() + kClose.size() > kFixedTextMaxBytes)
            break;
        encoded += piece;
        at = end;
    }
    encoded += kClose;
    return encoded;
}

std::string LEmailBoundary(std::string_view body)
{
    static constexpr std::string_view kStem = "gc0p4Jq0M2Yt08jU534c";
    for (int n = 0; n < 99; ++n) {
        std::string candidate = std::string(kStem) + std::to_string(n);
        if (body.find(candidate) == std::string_view::npos)
            return candidate;
    }
    return std::string(kStem) + "99";
}

std::string LEmailBase64Line(std::string_view bytes)
{
    std::string line;
    line.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                               static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1]))
                                       << 8 |
                               static_cast<unsigned char>(bytes[i + 2]);
        line += kBase64Alphabet[group >> 18 & 0x3F];
        line += kBase64Alphabet[group >> 12 & 0x3F];
        line += kBase64Alphabet[group >> 6 & 0x3F];
        line += kBase64Alphabet[group & 0x3F];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (left == 2)
            group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        line += kBase64Alphabet[group >> 18 & 0x3F];
        line += kBase64Alphabet[group >> 12 & 0x3F];
        line += left == 2 ? kBase64Alphabet[group >> 6 & 0x3F] : '=';
        line += '=';
    }
    return line;
}

std::string LEmailDateText(LDateTime when)
{
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto seconds = static_cast<std::time_t>(when.Get());
    std::tm fields{};
    if (!localtime_r(&seconds, &fields))
        return {};
    const long offset = fields.tm_gmtoff;
    const long offsetMinutes = std::labs(offset) / 60;
    // The full year rather than "20" and two digits: the same text for this century, and
    // still a true date for a clock set outside it.
    char text[64];
    std::snprintf(text, sizeof text, "%s, %.2d %s %.4d %.2d:%.2d:%.2d %c%.2ld%.2ld",
                  kDays[fields.tm_wday % 7], fields.tm_mday, kMonths[fields.tm_mon % 12],
                  fields.tm_year + 1900, fields.tm_hour, fields.tm_min, fields.tm_sec,
                  offset < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

std::string LEmailAttachmentType(std::string_view fileName)
{
    auto endsWith = [fileName](std::string_view extension) {
        if (fileName.size() < extension.size())
            return false;
        const std::string_view tail = fileName.substr(fileName.size() - extension.size());
        return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b;
        });
    };
    if (endsWith(".wav"))
        return "audio/wav";
    if (endsWith(".mp3"))
        return "audio/mpeg";
    return "application/octet-stream";
}

namespace {

// The longest body line sent as it is; SMTP allows 998 bytes, and a break at a space
// keeps longer lines readable.
constexpr std::size_t kBodyLineMax = 700;

// Where a line without a space is broken: after kBodyLineMax bytes, moved back to the
// start of a UTF-8 character so that no character is torn in two.
std::size_t BreakWithoutSpace(std::string_view line)
{
    std::size_t cut = kBodyLineMax;
    while (cut > kBodyLineMax - 4 && IsContinuationByte(line[cut]))
        --cut;
    return IsContinuationByte(line[cut]) ? kBodyLineMax : cut;
}

// Every line of the DATA stream that begins with a full stop gets a second one, which the
// server takes off again; a lone "." would otherwise end the message there and turn the
// rest of the body into commands. The first body line begins a line of the stream too
// (the header block ends with an empty line), so it is no exception.
void AddBodyLine(std::vector<std::string>& lines, std::string_view text, bool lineEnd)
{
    std::string line;
    line.reserve(text.size() + 3);
    if (!text.empty() && text.front() == '.')
        line += '.';
    line += text;
    if (lineEnd)
        line += "\r\n";
    lines.push_back(std::move(line));
}

} // namespace

std::vector<std::string> LEmailBodyLines(std::string_view body)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < body.size()) {
        const std::size_t newline = body.find('\n', start);
        const bool ended = newline != std::string_view::npos;
        std::string_view line =
                body.substr(start, ended ? newline - start : std::string_view::npos);
        start = ended ? newline + 1 : body.size();
        // A bare "\n" ends a line as well as "\r\n" does; SMTP wants both as "\r\n".
        if (ended && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        while (line.size() > kBodyLineMax) {
            const std::size_t space = line.substr(0, kBodyLineMax).rfind(' ');
            const std::size_t length =
                    space != std::string_view::npos ? space + 1 : BreakWithoutSpace(line);
            AddBodyLine(lines, line.substr(0, length), true);
            line.remove_prefix(length);
        }
        AddBodyLine(lines, line, ended);
    }
    return lines;
}
