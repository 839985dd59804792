#include "model/QPProjectOptions.h"

#include "model/QPFormat.h"

namespace {

template <class T>
void SetIfDifferent(T& field, const T& value, bool& changed)
{
    if (field == value)
        return;
    field = value;
    changed = true;
}

void SetTextIfDifferent(LFixedText& field, std::string_view value, bool& changed)
{
    SetIfDifferent(field, LFixedText(value), changed);
}

} // namespace

QPProjectOptions::QPProjectOptions()
{
    FillFromSystem();
    systemDateOrder = LGetLocaleDateFormatOrder();
    Reset();
    // Nobody has changed a freshly made set of options, whatever the locale held.
    changed = false;
}

void QPProjectOptions::Reset()
{
    SetTextIfDifferent(decimalSymbol, ".", changed);
    SetTextIfDifferent(thousandsSymbol, ",", changed);
    SetTextIfDifferent(currencySymbol, "$", changed);
    SetIfDifferent(currencyPosition, 0, changed);
    SetIfDifferent(currencyDigits, 2, changed);
    SetTextIfDifferent(currencyCode, "USD", changed);
    SetTextIfDifferent(currencyName, "Dollars", changed);
    numberDigits = 2;
    dateSeparator = ' ';
    dateFormat = eDateFormatFullMonth;
    dateOrder = eDateOrderDayMonthYear;
    reportMarginY = 0.75;
    reportMarginX = 0.75;
}

void QPProjectOptions::SetCurrencySymbol(std::string_view symbol)
{
    SetTextIfDifferent(currencySymbol, symbol, changed);
}

void QPProjectOptions::SetCurrencyName(std::string_view name)
{
    SetTextIfDifferent(currencyName, name, changed);
}

void QPProjectOptions::SetCurrencyCode(std::string_view code)
{
    SetTextIfDifferent(currencyCode, code, changed);
}

void QPProjectOptions::SetDecimalSymbol(std::string_view symbol)
{
    SetTextIfDifferent(decimalSymbol, symbol, changed);
}

void QPProjectOptions::SetThousandsSymbol(std::string_view symbol)
{
    SetTextIfDifferent(thousandsSymbol, symbol, changed);
}

void QPProjectOptions::SetCurrencyPosition(int32_t position)
{
    SetIfDifferent(currencyPosition, position, changed);
}

void QPProjectOptions::SetCurrencyDigits(int32_t digits)
{
    SetIfDifferent(currencyDigits, digits, changed);
}

void QPProjectOptions::SetDateFormat(int32_t format, int32_t order, char separator)
{
    SetIfDifferent(dateFormat, format, changed);
    SetIfDifferent(dateOrder, order, changed);
    SetIfDifferent(dateSeparator, separator, changed);
}

int QPProjectOptions::GetDateFormatPosition() const
{
    if (dateFormat == eDateFormatFullMonth || dateFormat == eDateFormatShortMonth)
        return dateFormat;
    int position = (dateFormat == eDateFormatNumericShortYear ? 5 : 2) + dateOrder;
    if (dateSeparator == '-')
        position += 5;
    else if (dateSeparator == '.')
        position += 10;
    return position;
}

std::string QPProjectOptions::FormatDate(LDateTime value) const
{
    return QPFormatDate(dateFormat, dateOrder, dateSeparator, value);
}
