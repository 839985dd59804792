#include "dialogs/QPGeneralPageRules.h"
#include "model/QPProjectOptions.h"

#include "support/ScriptedPrompts.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

using namespace QPGeneralPageRules;

TEST(OptionsPageRules, TextsAreTrimmedAndDigitsChangeOnlyWhenTheUserAgrees)
{
    {
        QPProjectOptions options;
        ScriptedPrompts prompts;
        Confirm(options, FormFromOptions(options), prompts);
        EXPECT_FALSE(options.changed);
        EXPECT_TRUE(prompts.asked.empty());
    }
    // Digits asked about, with the answer given and the digits expected after it.
    const struct {
        int32_t digits;
        const char* answer;
        int32_t stored;
    } cases[] = {{3, "Change", 3}, {0, "Change", 0}, {0, "Don't Change", 2}, {2, nullptr, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digits);
        QPProjectOptions options;
        ScriptedPrompts prompts;
        if (c.answer)
            prompts.Then(c.answer);
        Form form = FormFromOptions(options);
        form.currencyDigits = c.digits;
        form.currencySymbol = " € ";
        form.currencyName = "\tEuros ";
        form.decimalSymbol = "   ";
        form.thousandsSymbol = " . ";
        form.currencyPosition = 1;
        Confirm(options, form, prompts);
        ASSERT_EQ(prompts.asked.size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(prompts.asked[0].message,
                      "Changing the currency digits may corrupt any previously entered values.");
        }
        EXPECT_EQ(options.currencyDigits, c.stored);
        // The other values apply whatever the answer; an empty decimal symbol is a point.
        EXPECT_EQ(options.currencySymbol.str() + options.currencyName.str() +
                          options.decimalSymbol.str() + options.thousandsSymbol.str(),
                  "€Euros..");
        EXPECT_EQ(options.currencyPosition, 1);
        EXPECT_TRUE(options.changed);
    }
    // Declined digits alone change nothing.
    QPProjectOptions options;
    ScriptedPrompts prompts;
    prompts.Then("Don't Change");
    Form form = FormFromOptions(options);
    form.currencyDigits = 1;
    Confirm(options, form, prompts);
    EXPECT_FALSE(options.changed);
}

TEST(OptionsPageRules, DateFormatEntriesRoundTripAndDamagedValuesShowTheNearestChoice)
{
    for (std::size_t i = 0; i < kDateFormatChoices.size(); ++i) {
        SCOPED_TRACE(kDateFormatChoices[i].sample);
        QPProjectOptions options;
        ScriptedPrompts prompts;
        Form form = FormFromOptions(options);
        form.dateFormatPosition = static_cast<int32_t>(i);
        Confirm(options, form, prompts);
        EXPECT_EQ(options.changed, i != 0);
        EXPECT_EQ(FormFromOptions(options).dateFormatPosition, static_cast<int32_t>(i));
        EXPECT_EQ(options.FormatDate(LocalTime(2000, 7, 26, 12)), kDateFormatChoices[i].sample);
    }
    QPProjectOptions options;
    options.currencyDigits = 7;
    options.currencyPosition = 4;
    options.dateOrder = 20;
    const Form form = FormFromOptions(options);
    EXPECT_EQ(form.currencyDigits, 3);
    EXPECT_EQ(form.currencyPosition, 0);
    EXPECT_EQ(form.dateFormatPosition, 0);
}
