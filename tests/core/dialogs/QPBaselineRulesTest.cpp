#include "dialogs/QPBaselineRules.h"
#include "model/QPProject.h"

#include "FormCheck.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

using namespace QPBaselineRules;

TEST(BaselineRules, PresetNameNewNameAndSelection)
{
    QPProject project;
    project.SetName("Harbour Bridge");
    project.BaselineAdd("Approved Plan");
    project.BaselineAdd("After Tender");
    {
        ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
        EXPECT_EQ(PresetName(project), "Harbour Bridge (6 December 2026)");
    }
    // Late in the evening it is still the same local day, in any zone.
    ScopedEnvironment lateNow("KESTRANO_NOW", "2027-01-31 23:59:00");
    project.options.SetDateFormat(eDateFormatNumericShortYear, eDateOrderMonthDayYear, '/');
    EXPECT_EQ(PresetName(project), "Harbour Bridge (01/31/27)");

    // A name is compared as it will be stored: trimmed and cut to 259 bytes, exactly.
    const std::string stored(259, 'x');
    ASSERT_NE(project.BaselineAdd(stored + "first"), nullptr);
    EXPECT_EQ(NewBaselineName(stored + "second"), stored);
    EXPECT_EQ(NewBaselineName("  Second Tender  "), "Second Tender");
    const std::string empty =
            Refusal(eFieldName, "Invalid Entry", "Please enter a name for the new baseline.");
    const std::string taken = Refusal(eFieldName, "Invalid Entry",
                                      "A baseline with this name already exists. Please enter "
                                      "a different name for the new baseline.");
    const std::pair<std::string, std::string> names[] = {{" \t\n ", empty},
                                                         {"Approved Plan", taken},
                                                         {"  After Tender\t", taken},
                                                         {stored + "second", taken},
                                                         {"approved plan", "accepted"},
                                                         {"Approved  Plan", "accepted"},
                                                         {std::string(258, 'x') + "y", "accepted"}};
    for (const auto& [typed, outcome] : names)
        EXPECT_EQ(Outcome(CheckNewName(project, typed)), outcome) << typed;

    // IDs 0 and 1 exist; after a deletion they close up and the name is free again.
    const std::string none =
            Refusal(eFieldBaseline, "No Baseline Selected", "Please select a baseline.");
    for (const auto& [id, outcome] :
         {std::pair{0, "accepted"}, {1, "accepted"}, {-1, none.c_str()}, {3, none.c_str()}})
        EXPECT_EQ(Outcome(CheckSelection(project, id)), outcome) << id;
    ASSERT_TRUE(project.BaselineDelete(0));
    EXPECT_EQ(Outcome(CheckNewName(project, "Approved Plan")), "accepted");
    EXPECT_EQ(Outcome(CheckSelection(project, 2)), none);
}
