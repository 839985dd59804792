#include "dialogs/QPBaselineRules.h"

#include "dialogs/QPFormFields.h"
#include "framework/LFixedText.h"
#include "model/LDateTime.h"
#include "model/QPProject.h"

namespace QPBaselineRules {

std::string PresetName(const QPProject& project)
{
    return project.name.str() + " (" + project.options.FormatDate(LDateTime::Now()) + ")";
}

std::string NewBaselineName(std::string_view typed)
{
    return LCutUtf8(QPTrimmed(typed));
}

QPFormOutcome CheckNewName(const QPProject& project, std::string_view typed)
{
    const std::string name = NewBaselineName(typed);
    if (name.empty())
        return QPFormRefusal{eFieldName, "Invalid Entry",
                             "Please enter a name for the new baseline."};
    if (project.IsBaselineNameUsed(name, -1))
        return QPFormRefusal{eFieldName, "Invalid Entry",
                             "A baseline with this name already exists. Please enter a different "
                             "name for the new baseline."};
    return std::nullopt;
}

QPFormOutcome CheckSelection(const QPProject& project, int32_t baselineID)
{
    if (baselineID < 0 || !project.GetBaseline(baselineID))
        return QPFormRefusal{eFieldBaseline, "No Baseline Selected", "Please select a baseline."};
    return std::nullopt;
}

} // namespace QPBaselineRules
