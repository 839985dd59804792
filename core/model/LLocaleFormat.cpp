#include "model/LLocaleFormat.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

namespace {

// The C locale, for reading numbers independently of the process-wide locale (the
// toolkit sets that from the user's environment, and it may use a decimal comma).
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

uint64_t PowerOfTen(int digits)
{
    uint64_t p = 1;
    for (int i = 0; i < digits; ++i)
        p *= 10;
    return p;
}

// Stored options may carry any number; beyond 18 digits a power of ten leaves 64 bits.
int ClampDigits(int32_t digits)
{
    return std::clamp(digits, 0, 18);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The character that stands for the decimal point in numbers: the first character of the
// decimal symbol, or "." when the symbol is empty.
std::string_view DecimalCharacter(const LLocaleNumberProfile& profile)
{
    const std::string_view first = LFirstCharacter(profile.decimalSymbol);
    return first.empty() ? std::string_view(".") : first;
}

} // namespace

std::string_view LFirstCharacter(std::string_view text)
{
    if (text.empty())
        return text;
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    if (lead >= 0xF0)
        length = 4;
    else if (lead >= 0xE0)
        length = 3;
    else if (lead >= 0xC0)
        length = 2;
    return text.substr(0, std::min(length, text.size()));
}

void LLocaleCurrencyProfile::FillFromSystem()
{
    decimalSymbol = ".";
    thousandsSymbol = ",";
    currencySymbol = "$";
    currencyDigits = 2;
    locale_t user =
            newlocale(LC_NUMERIC_MASK | LC_MONETARY_MASK, "", static_cast<locale_t>(nullptr));
    if (user == static_cast<locale_t>(nullptr))
        return;
    auto take = [&](nl_item item, LFixedText& field) {
        const char* value = nl_langinfo_l(item, user);
        if (value && *value)
            field = value;
    };
    take(RADIXCHAR, decimalSymbol);
    take(THOUSEP, thousandsSymbol);
    take(CURRENCY_SYMBOL, currencySymbol);
    const char* digits = nl_langinfo_l(FRAC_DIGITS, user);
    if (digits && *digits != CHAR_MAX && *digits >= 0 && *digits <= 3)
        currencyDigits = *digits;
    freelocale(user);
}

std::string LLocaleFormatFloatToText(const LLocaleNumberProfile& profile, double value)
{
    char buffer[512];
    const bool whole = value - std::trunc(value) == 0.0;
    const int precision = whole ? 0 : std::clamp(profile.numberDigits, 0, 30);
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, precision);
    std::string text(buffer, result.ptr);
    const std::size_t point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, DecimalCharacter(profile));
    return text;
}

double LLocaleFormatTextToFloat(const LLocaleNumberProfile& profile, std::string_view text)
{
    std::string copy(text.substr(0, kFixedTextMaxBytes));
    const std::string_view symbol = profile.decimalSymbol;
    if (!symbol.empty()) {
        const std::size_t at = copy.find(symbol);
        if (at != std::string::npos)
            copy.replace(at, symbol.size(), ".");
    }
    return strtod_l(copy.c_str(), nullptr, CLocale());
}

std::string LLocaleFormatCurrencyToText(const LLocaleCurrencyProfile& profile, int64_t amount,
                                        std::string_view suffix, bool parenthesesForNegative)
{
    const bool negative = amount < 0;
    // Work on the magnitude as unsigned so that the most negative amount has one too.
    const uint64_t magnitude =
            negative ? uint64_t(0) - static_cast<uint64_t>(amount) : static_cast<uint64_t>(amount);
    std::string text;
    if (negative)
        text += parenthesesForNegative ? "(" : "-";
    if (profile.currencyPosition == 0)
        text += profile.currencySymbol.str();

    const int digits = ClampDigits(profile.currencyDigits);
    const uint64_t scale = PowerOfTen(digits);
    const uint64_t whole = magnitude / scale;
    const uint64_t minor = magnitude % scale;

    char buffer[96];
    const char* separator = profile.thousandsSymbol.c_str();
    if (whole < 1000) {
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(whole));
        text += buffer;
    } else if (whole < 1'000'000) {
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(whole / 1000));
        text += buffer;
        text += separator;
        std::snprintf(buffer, sizeof buffer, "%.3d", static_cast<int>(whole % 1000));
        text += buffer;
    } else {
        // Amounts of a billion whole units and more keep their leading digits together.
        std::snprintf(buffer, sizeof buffer, "%llu",
                      static_cast<unsigned long long>(whole / 1'000'000));
        text += buffer;
        text += separator;
        std::snprintf(buffer, sizeof buffer, "%.3d", static_cast<int>((whole / 1000) % 1000));
        text += buffer;
        text += separator;
        std::snprintf(buffer, sizeof buffer, "%.3d", static_cast<int>(whole % 1000));
        text += buffer;
    }
    if (digits > 0) {
        text += profile.decimalSymbol.str();
        std::snprintf(buffer, sizeof buffer, "%.*llu", digits,
                      static_cast<unsigned long long>(minor));
        text += buffer;
    }
    if (profile.currencyPosition == 1)
        text += profile.currencySymbol.str();
    if (negative && parenthesesForNegative)
        text += ")";
    text += suffix;
    return text;
}

int64_t LLocaleFormatTextToCurrency(const LLocaleCurrencyProfile& profile, std::string_view text)
{
    const std::string_view symbol = profile.currencySymbol;
    const std::string_view point = DecimalCharacter(profile);
    const int digits = ClampDigits(profile.currencyDigits);

    bool negative = false;
    bool inFraction = false;
    std::string wholeDigits;
    std::string fractionDigits;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!symbol.empty() && text.substr(i, symbol.size()) == symbol) {
            i += symbol.size();
            continue;
        }
        const char c = text[i];
        if (c == '-') {
            negative = true;
        } else if (!inFraction) {
            if (IsDigit(c)) {
                if (wholeDigits.size() < kFixedTextMaxBytes)
                    wholeDigits += c;
            } else if (text.substr(i, point.size()) == point) {
                inFraction = true;
                i += point.size();
                continue;
            }
        } else if (IsDigit(c)) {
            if (int(fractionDigits.size()) >= digits)
                break;
            fractionDigits += c;
            if (int(fractionDigits.size()) == digits)
                break;
        }
        ++i;
    }

    // Leading zeros say nothing about the size of the amount.
    const std::size_t firstSignificant = wholeDigits.find_first_not_of('0');
    const std::string_view significant =
            firstSignificant == std::string::npos
                    ? std::string_view()
                    : std::string_view(wholeDigits).substr(firstSignificant);
    uint64_t whole = 0;
    if (significant.size() >= 15)
        whole = kMaxMoneyInput;
    else
        for (char c : significant)
            whole = whole * 10 + uint64_t(c - '0');

    uint64_t fraction = 0;
    for (char c : fractionDigits)
        fraction = fraction * 10 + uint64_t(c - '0');

    const uint64_t cap = kMaxMoneyInput;
    const uint64_t scale = PowerOfTen(digits);
    uint64_t amount = cap;
    if (whole <= cap / scale + 1) {
        amount = whole * scale + fraction * PowerOfTen(digits - int(fractionDigits.size()));
    }
    amount = std::min(amount, cap);
    return negative ? -static_cast<int64_t>(amount) : static_cast<int64_t>(amount);
}
