#pragma once

#include "model/LDateTime.h"
#include "model/LLocaleFormat.h"

#include <array>
#include <cstdint>
#include <string_view>

class LSDFReader;
class LSDFReaderChunk;
class LSDFWriter;

// How the parts of a date are written: day, month and year.
enum eDateFormat : int32_t {
    eDateFormatFullMonth = 0,       // "26 July 2000"
    eDateFormatShortMonth = 1,      // "26 Jul 2000"
    eDateFormatNumeric = 2,         // "07/26/2000"
    eDateFormatNumericShortYear = 3 // "07/26/00"
};

// One of the date formats the options editor offers.
struct QPDateFormatChoice {
    const char* sample; // 26 July 2000 written in this format
    int32_t dateFormat;
    int32_t dateOrder;
    char dateSeparator;
};

inline constexpr std::array<QPDateFormatChoice, 17> kDateFormatChoices = {{
        {"26 July 2000", 0, 1, ' '},
        {"26 Jul 2000", 1, 1, ' '},
        {"07/26/2000", 2, 0, '/'},
        {"26/07/2000", 2, 1, '/'},
        {"2000/07/26", 2, 2, '/'},
        {"07/26/00", 3, 0, '/'},
        {"26/07/00", 3, 1, '/'},
        {"07-26-2000", 2, 0, '-'},
        {"26-07-2000", 2, 1, '-'},
        {"2000-07-26", 2, 2, '-'},
        {"07-26-00", 3, 0, '-'},
        {"26-07-00", 3, 1, '-'},
        {"07.26.2000", 2, 0, '.'},
        {"26.07.2000", 2, 1, '.'},
        {"2000.07.26", 2, 2, '.'},
        {"07.26.00", 3, 0, '.'},
        {"26.07.00", 3, 1, '.'},
}};

// The display settings of one project: currency, numbers and dates. They travel in the
// project file; the report margins and the system's date order do not.
class QPProjectOptions : public LLocaleCurrencyProfile {
public:
    // Starts from the user's locale, then applies Reset(): a new project always starts
    // with "$", ".", ",", two digits and "26 July 2000"; only systemDateOrder keeps the
    // system's value.
    QPProjectOptions();

    // Back to the fixed start values. Sets `changed` when the currency settings differ
    // from those values.
    void Reset();

    // Each setter sets `changed` only when the value actually differs.
    void SetCurrencySymbol(std::string_view symbol);
    void SetCurrencyName(std::string_view name);
    void SetCurrencyCode(std::string_view code);
    void SetDecimalSymbol(std::string_view symbol);
    void SetThousandsSymbol(std::string_view symbol);
    void SetCurrencyPosition(int32_t position);
    void SetCurrencyDigits(int32_t digits);
    void SetDateFormat(int32_t format, int32_t order, char separator);

    // The entry of kDateFormatChoices that shows the current date format: the format
    // itself for the two month-name formats, otherwise counted from the numeric entries
    // by order and separator ("-" adds 5, "." adds 10).
    int GetDateFormatPosition() const;

    // Formats a date with this project's format, order and separator.
    std::string FormatDate(LDateTime value) const;

    // The options record of the project file: the five texts, the date separator, the
    // currency position and digits, the date format and order. Both clear `changed`.
    void OptionsSave(LSDFWriter& writer);
    void OptionsLoad(LSDFReader& reader, const LSDFReaderChunk& chunk);

    int32_t systemDateOrder = eDateOrderMonthDayYear;
    LFixedText currencyCode = "USD";
    LFixedText currencyName = "Dollars";
    char dateSeparator = ' ';
    int32_t dateFormat = eDateFormatFullMonth;
    int32_t dateOrder = eDateOrderDayMonthYear;
    double reportMarginY = 0.75; // inches, top and bottom of report pages
    double reportMarginX = 0.75; // inches, left and right of report pages
    bool changed = false;
};
