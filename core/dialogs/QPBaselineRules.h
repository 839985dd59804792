#pragma once

#include "dialogs/QPFormRefusal.h"

#include <cstdint>
#include <string>
#include <string_view>

class QPProject;

// What the two baseline dialogs check before they hand their answer back: the name of a
// new baseline, and the baseline chosen for deleting or comparing. Neither changes the
// project; the command that opened the dialog adds, deletes or compares.
namespace QPBaselineRules {

enum eField : int32_t {
    eFieldName = 0,
    eFieldBaseline,
};

// The name a new baseline starts with: the project's name and today's date as the project
// writes dates, "Harbour Bridge (26 July 2000)".
std::string PresetName(const QPProject& project);

// The name as the baseline will keep it: without the blanks around it and cut to the
// length of a name, so that the duplicate check compares what will be stored.
std::string NewBaselineName(std::string_view typed);

// A name is needed, and one that no baseline of the project has yet (exact comparison).
QPFormOutcome CheckNewName(const QPProject& project, std::string_view typed);

// A baseline must be chosen; -1 stands for none, as does an ID the project no longer has.
QPFormOutcome CheckSelection(const QPProject& project, int32_t baselineID);

} // namespace QPBaselineRules
