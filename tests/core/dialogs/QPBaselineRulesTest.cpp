#include "dialogs/QPBaselineRules.h"
#include "model/QPProject.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace QPBaselineRules;

class BaselineRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        project.SetName("Harbour Bridge");
        project.BaselineAdd("Approved Plan");
        project.BaselineAdd("After Tender");
    }

    QPProject project;
};

void ExpectRefusal(const QPFormOutcome& outcome, eField field, const char* title,
                   const char* message)
{
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->field, field);
    EXPECT_EQ(outcome->title, title);
    EXPECT_EQ(outcome->message, message);
}

} // namespace

TEST_F(BaselineRules, PresetNameIsTheProjectAndTodayInTheProjectsDateFormat)
{
    {
        ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
        EXPECT_EQ(PresetName(project), "Harbour Bridge (6 December 2026)");
        project.options.SetDateFormat(eDateFormatNumeric, eDateOrderYearMonthDay, '-');
        EXPECT_EQ(PresetName(project), "Harbour Bridge (2026-12-06)");
    }
    // Late in the evening it is still the same local day, in any zone.
    ScopedEnvironment lateNow("KESTRANO_NOW", "2027-01-31 23:59:00");
    project.options.SetDateFormat(eDateFormatNumericShortYear, eDateOrderMonthDayYear, '/');
    EXPECT_EQ(PresetName(project), "Harbour Bridge (01/31/27)");
}

TEST_F(BaselineRules, NewNameMustBeGivenAndUnused)
{
    for (const char* blank : {"", "   ", " \t\n "})
        ExpectRefusal(CheckNewName(project, blank), eFieldName, "Invalid Entry",
                      "Please enter a name for the new baseline.");

    // The blanks around a name are not part of it, so they do not make it new.
    const char* duplicateMessage =
            "A baseline with this name already exists. Please enter a different name for the "
            "new baseline.";
    ExpectRefusal(CheckNewName(project, "Approved Plan"), eFieldName, "Invalid Entry",
                  duplicateMessage);
    ExpectRefusal(CheckNewName(project, "  After Tender\t"), eFieldName, "Invalid Entry",
                  duplicateMessage);

    // Names compare exactly: another case or inner spacing is another name.
    EXPECT_FALSE(CheckNewName(project, "approved plan").has_value());
    EXPECT_FALSE(CheckNewName(project, "Approved  Plan").has_value());
    EXPECT_FALSE(CheckNewName(project, "  Second Tender  ").has_value());
    EXPECT_EQ(NewBaselineName("  Second Tender  "), "Second Tender");

    // A deleted baseline's name is free again.
    ASSERT_TRUE(project.BaselineDelete(0));
    EXPECT_FALSE(CheckNewName(project, "Approved Plan").has_value());
}

TEST_F(BaselineRules, OverlongNamesAreComparedAsTheyWillBeStored)
{
    // A name is kept to 259 bytes, so a longer one that starts like an existing baseline
    // would be stored as a second baseline of the same name.
    const std::string stored(259, 'x');
    ASSERT_NE(project.BaselineAdd(stored + "first"), nullptr);
    ASSERT_EQ(project.GetBaseline(2)->name.str(), stored);

    EXPECT_EQ(NewBaselineName(stored + "second"), stored);
    ExpectRefusal(CheckNewName(project, stored + "second"), eFieldName, "Invalid Entry",
                  "A baseline with this name already exists. Please enter a different name for "
                  "the new baseline.");
    EXPECT_FALSE(CheckNewName(project, std::string(258, 'x') + "y tail").has_value());
}

TEST_F(BaselineRules, SelectionNeedsAnExistingBaseline)
{
    EXPECT_FALSE(CheckSelection(project, 0).has_value());
    EXPECT_FALSE(CheckSelection(project, 1).has_value());
    for (int32_t none : {-1, 2, 10})
        ExpectRefusal(CheckSelection(project, none), eFieldBaseline, "No Baseline Selected",
                      "Please select a baseline.");

    // After a deletion the IDs close up: the former second baseline is now 0, and 1 is gone.
    ASSERT_TRUE(project.BaselineDelete(0));
    EXPECT_FALSE(CheckSelection(project, 0).has_value());
    ExpectRefusal(CheckSelection(project, 1), eFieldBaseline, "No Baseline Selected",
                  "Please select a baseline.");
}
