#include "dialogs/QPGeneralPageRules.h"
#include "model/QPProjectOptions.h"

#include "support/ScriptedPrompts.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

using namespace QPGeneralPageRules;

namespace {

const char* const kDigitQuestion =
        "Changing the currency digits may corrupt any previously entered values.";

} // namespace

TEST(OptionsPageRules, UnchangedFormChangesNothingAndAsksNothing)
{
    QPProjectOptions options;
    ScriptedPrompts prompts;
    Confirm(options, FormFromOptions(options), prompts);
    EXPECT_FALSE(options.changed);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST(OptionsPageRules, TextsAreTrimmedAndAnEmptyDecimalSymbolIsAPoint)
{
    QPProjectOptions options;
    options.SetDecimalSymbol(",");
    options.changed = false;
    ScriptedPrompts prompts;
    Form form = FormFromOptions(options);
    form.currencySymbol = " € ";
    form.currencyName = "\tEuros ";
    form.decimalSymbol = "   ";
    form.thousandsSymbol = " . ";
    form.currencyPosition = 1;
    Confirm(options, form, prompts);
    EXPECT_EQ(options.currencySymbol, "€");
    EXPECT_EQ(options.currencyName, "Euros");
    EXPECT_EQ(options.decimalSymbol, ".");
    EXPECT_EQ(options.thousandsSymbol, ".");
    EXPECT_EQ(options.currencyPosition, 1);
    EXPECT_TRUE(options.changed);
}

TEST(OptionsPageRules, DigitsChangeOnlyWhenTheUserAgrees)
{
    for (const char* answer : {"Change", "Don't Change"}) {
        SCOPED_TRACE(answer);
        QPProjectOptions options;
        ScriptedPrompts prompts;
        prompts.Then(answer);
        Form form = FormFromOptions(options);
        form.currencyDigits = 0;
        form.currencySymbol = "£";
        form.dateFormatPosition = 9;
        Confirm(options, form, prompts);

        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked[0].kind, "question");
        EXPECT_EQ(prompts.asked[0].title, "Confirm Digit Change");
        EXPECT_EQ(prompts.asked[0].message, kDigitQuestion);
        EXPECT_EQ(prompts.asked[0].buttons, (std::vector<std::string>{"Change", "Don't Change"}));

        const bool agreed = std::string(answer) == "Change";
        EXPECT_EQ(options.currencyDigits, agreed ? 0 : 2);
        // The other changes apply whatever the answer.
        EXPECT_EQ(options.currencySymbol, "£");
        EXPECT_EQ(options.FormatDate(LocalTime(2000, 7, 26, 12)), "2000-07-26");
        EXPECT_TRUE(options.changed);
    }
}

TEST(OptionsPageRules, DeclinedDigitsAloneLeaveTheOptionsUnchanged)
{
    QPProjectOptions options;
    ScriptedPrompts prompts;
    prompts.Then("Don't Change");
    Form form = FormFromOptions(options);
    form.currencyDigits = 3;
    Confirm(options, form, prompts);
    EXPECT_EQ(options.currencyDigits, 2);
    EXPECT_FALSE(options.changed);
}

TEST(OptionsPageRules, EveryDateFormatEntryRoundTrips)
{
    // Choosing an entry and reopening the page shows the same entry, and the project then
    // writes dates as that entry's sample does.
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
}

TEST(OptionsPageRules, ValuesThePageCannotOfferShowAsTheNearestChoice)
{
    // A damaged file may hold digits or a date format outside the page's lists.
    QPProjectOptions options;
    options.currencyDigits = 7;
    options.currencyPosition = 4;
    options.dateOrder = 20;
    const Form form = FormFromOptions(options);
    EXPECT_EQ(form.currencyDigits, 3);
    EXPECT_EQ(form.currencyPosition, 0);
    EXPECT_EQ(form.dateFormatPosition, 0);
}
