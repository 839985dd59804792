#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Why an editor did not accept what the user entered: the field to return to and the alert
// to show there. Each editor numbers its own fields. A refusal without a message keeps the
// editor open without showing anything.
struct QPFormRefusal {
    int32_t field = 0;
    std::string title;
    std::string message;

    bool IsSilent() const { return message.empty(); }
};

// The outcome of an editor's checks: nothing when the form was accepted and written.
using QPFormOutcome = std::optional<QPFormRefusal>;
