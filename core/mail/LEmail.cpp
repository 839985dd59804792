#include "mail/LEmail.h"

#include "framework/LFixedText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// One address of a list, its optional space after the separator already taken off: only
// atext characters, full stops and the at sign, every full stop and the at sign after an
// atext character.
bool IsAtextAddress(std::string_view address)
{
    int atSigns = 0;
    for (std::size_t i = 0; i < address.size(); ++i) {
        const char c = address[i];
        if (LEmail::IsAtextCharacter(c))
            continue;
        if (c != '@' && c != '.')
            return false;
        if (i == 0 || !LEmail::IsAtextCharacter(address[i - 1]))
            return false;
        if (c == '@' && ++atSigns > 1)
            return false;
    }
    return atSigns == 1;
}

bool IsForbiddenInAddress(unsigned char c)
{
    return c <= 32 || c == 127 || std::strchr("\"(),:;<>[]\\", c) != nullptr;
}

bool IsLabelCharacter(unsigned char c)
{
    return IsLetterOrDigit(static_cast<char>(c)) || c == '-' || c >= 0x80;
}

// Dot-separated labels, at least `minLabels` of them, the last at least `minLastLength`
// characters long.
bool IsValidDomain(std::string_view domain, std::size_t minLabels, std::size_t minLastLength)
{
    std::size_t labels = 0;
    std::size_t lastLength = 0;
    for (;;) {
        const std::size_t dot = domain.find('.');
        const std::string_view label = domain.substr(0, dot);
        if (label.empty() || label.front() == '-' || label.back() == '-')
            return false;
        for (const char c : label)
            if (!IsLabelCharacter(static_cast<unsigned char>(c)))
                return false;
        ++labels;
        lastLength = label.size();
        if (dot == std::string_view::npos)
            break;
        domain.remove_prefix(dot + 1);
    }
    return labels >= minLabels && lastLength >= minLastLength;
}

// Splits an address at its one at sign; true when there is one with text before it and the
// local part is sound (see LEmail::IsValidAddress). The domain is left to the caller.
bool SplitAddress(std::string_view address, std::string_view& local, std::string_view& domain)
{
    const std::size_t at = address.find('@');
    if (at == std::string_view::npos || at == 0 || address.find('@', at + 1) != address.npos)
        return false;
    local = address.substr(0, at);
    domain = address.substr(at + 1);
    return local.front() != '.' && local.back() != '.' && local.find("..") == local.npos;
}

constexpr std::string_view kBase64Alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

bool LEmail::IsAtextCharacter(char c)
{
    static constexpr std::string_view kMarks = "!#$%&'*+-/=?^_`{|}~";
    return IsLetterOrDigit(c) || kMarks.find(c) != std::string_view::npos;
}

bool LEmail::IsValidAddress(std::string_view address)
{
    for (const char c : address)
        if (IsForbiddenInAddress(static_cast<unsigned char>(c)))
            return false;
    std::string_view local;
    std::string_view domain;
    return SplitAddress(address, local, domain) && IsValidDomain(domain, 2, 2);
}

bool LEmail::IsSendableAddress(std::string_view address)
{
    if (IsValidAddress(address))
        return true;
    // "name@host:port": the colon is the one reserved character allowed, once, in the
    // domain, followed by a port number.
    const std::size_t colon = address.rfind(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string_view digits = address.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.front() == '0' ||
        digits.find_first_not_of("0123456789") != std::string_view::npos ||
        std::stoul(std::string(digits)) > 65535)
        return false;
    const std::string_view server = address.substr(0, colon);
    for (const char c : server)
        if (IsForbiddenInAddress(static_cast<unsigned char>(c)))
            return false;
    std::string_view local;
    std::string_view domain;
    return SplitAddress(server, local, domain) && IsValidDomain(domain, 1, 1);
}

bool LEmail::IsHostName(std::string_view name)
{
    if (name.empty() || name.size() > 255)
        return false;
    for (std::size_t start = 0;;) {
        const std::size_t dot = name.find('.', start);
        const std::string_view label = name.substr(start, dot - start);
        if (label.empty() || label.front() == '-' || label.back() == '-' ||
            !std::all_of(label.begin(), label.end(),
                         [](char c) { return IsLetterOrDigit(c) || c == '-'; }))
            return false;
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
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
        if (!IsAtextAddress(address) || !IsValidAddress(address))
            return false;
        if (separator == std::string_view::npos)
            return true;
        start = separator + 1;
        afterSeparator = true;
    }
}

std::string LEmailHeaderText(std::string_view text)
{
    std::string value(text);
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return value;
}

namespace {

// The length of the UTF-8 sequence at the start of `text` and its code point; 0 when it is
// no well-formed sequence (a stray continuation byte, a cut or overlong sequence, a
// surrogate or a value past U+10FFFF).
std::size_t DecodeUtf8(std::string_view text, char32_t& point)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (lead < 0x80) {
        point = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuationByte(text[i]))
            return 0;
        point = point << 6 | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string LEmailShownText(std::string_view text)
{
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        char32_t point = 0;
        const std::size_t length = DecodeUtf8(text, point);
        const bool control = point < 0x20 || (point >= 0x7F && point <= 0x9F);
        if (length == 0 || control)
            shown += kReplacement;
        else
            shown += text.substr(0, length);
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return shown;
}

std::string LEmailHelloName(std::string_view hostName)
{
    return LEmail::IsHostName(hostName) ? std::string(hostName) : "localhost";
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
        // A bare "\n" or "\r" ends a line as well as "\r\n" does; SMTP wants each as
        // "\r\n". A bare "\r" left inside a line would reach the server as it is, and a
        // server that takes it for a line end would read "\r.\r" as the message's end and
        // what follows as commands written by whoever wrote the text.
        const std::size_t end = body.find_first_of("\r\n", start);
        const bool ended = end != std::string_view::npos;
        std::string_view line = body.substr(start, ended ? end - start : std::string_view::npos);
        if (!ended)
            start = body.size();
        else if (body.substr(end, 2) == "\r\n")
            start = end + 2;
        else
            start = end + 1;
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
