#include "dialogs/QPGeneralPageRules.h"

#include "dialogs/QPFormFields.h"
#include "framework/LUserPrompts.h"
#include "model/QPProjectOptions.h"

#include <algorithm>

namespace QPGeneralPageRules {

Form FormFromOptions(const QPProjectOptions& options)
{
    Form form;
    form.currencySymbol = options.currencySymbol.str();
    form.currencyName = options.currencyName.str();
    form.currencyPosition = options.currencyPosition == 1 ? 1 : 0;
    form.currencyDigits = std::clamp(options.currencyDigits, 0, 3);
    form.decimalSymbol = options.decimalSymbol.str();
    form.thousandsSymbol = options.thousandsSymbol.str();
    const int position = options.GetDateFormatPosition();
    const int last = static_cast<int>(kDateFormatChoices.size()) - 1;
    form.dateFormatPosition = position >= 0 && position <= last ? position : 0;
    return form;
}

void Confirm(QPProjectOptions& options, const Form& form, LUserPrompts& prompts)
{
    options.SetCurrencySymbol(QPTrimmed(form.currencySymbol));
    options.SetCurrencyName(QPTrimmed(form.currencyName));
    options.SetCurrencyPosition(form.currencyPosition == 1 ? 1 : 0);

    const int32_t digits = std::clamp(form.currencyDigits, 0, 3);
    if (digits != options.currencyDigits &&
        prompts.AskQuestion("Confirm Digit Change",
                            "Changing the currency digits may corrupt any previously entered "
                            "values.",
                            {"Change", "Don't Change"}) == 0)
        options.SetCurrencyDigits(digits);

    const std::string decimal = QPTrimmed(form.decimalSymbol);
    options.SetDecimalSymbol(decimal.empty() ? "." : decimal);
    options.SetThousandsSymbol(QPTrimmed(form.thousandsSymbol));

    const auto entry = static_cast<std::size_t>(std::clamp(
            form.dateFormatPosition, 0, static_cast<int32_t>(kDateFormatChoices.size()) - 1));
    const QPDateFormatChoice& choice = kDateFormatChoices[entry];
    options.SetDateFormat(choice.dateFormat, choice.dateOrder, choice.dateSeparator);
}

} // namespace QPGeneralPageRules
