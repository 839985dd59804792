#pragma once

#include "model/LDateTime.h"
#include "model/LLocaleFormat.h"

#include <cstdint>
#include <string>
#include <string_view>

// A date in a project's format: day, month and year written as `dateFormat` says and
// joined in `dateOrder` with `separator` between them ("26 July 2000", "07/26/2000").
// Values of 0 or less give "Invalid Date".
std::string QPFormatDate(int32_t dateFormat, int32_t dateOrder, char separator, LDateTime value);

// A span as "1d 08h 30m" (with minutes) or "1d 09h" (without, rounding minutes up to the
// next hour). Days are calendar days of 24 hours; the sign is dropped; 0 is "00h".
std::string QPFormatDurationToText(int64_t seconds, bool withMinutes);

// Digits with at most one decimal symbol; no sign, no spaces. An empty text passes.
bool QPValidateNumber(const LLocaleNumberProfile& profile, std::string_view text);

// An amount of money as the user may type it: signs, one currency symbol, one decimal
// symbol, group separators, digits and spaces. An empty text fails.
bool QPValidateCurrency(const LLocaleCurrencyProfile& profile, std::string_view text);
