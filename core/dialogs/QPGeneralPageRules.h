#pragma once

#include <cstdint>
#include <string>

class LUserPrompts;
class QPProjectOptions;

// What the options page holds while the user works in it, and what it writes back on
// confirmation: the currency and number symbols and the date format.
namespace QPGeneralPageRules {

struct Form {
    std::string currencySymbol;
    std::string currencyName;
    int32_t currencyPosition = 0; // 0 before the amount, 1 after it
    int32_t currencyDigits = 2;   // 0 to 3
    std::string decimalSymbol;
    std::string thousandsSymbol;
    int32_t dateFormatPosition = 0; // an entry of kDateFormatChoices
};

// The options as the page offers them; values the page cannot offer (from a damaged
// file) show as the nearest choice it has.
Form FormFromOptions(const QPProjectOptions& options);

// Writes the form into the options: the texts trimmed, an empty decimal symbol as ".",
// the date format of the chosen entry. Changing the currency digits changes what every
// stored amount means, so new digits are written only when the user answers "Change" to
// the question about it; the other values are written either way. Each value that differs
// marks the options changed.
void Confirm(QPProjectOptions& options, const Form& form, LUserPrompts& prompts);

} // namespace QPGeneralPageRules
