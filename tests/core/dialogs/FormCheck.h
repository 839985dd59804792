#pragma once

#include "dialogs/QPFormRefusal.h"

#include <string>

// An editor's answer as one comparable text: "accepted", or the refusal as
// "FIELD Title: message" (without the message when asked, or when it is silent).
inline std::string Outcome(const QPFormOutcome& outcome, bool withMessage = true)
{
    if (!outcome)
        return "accepted";
    std::string text = std::to_string(outcome->field) + " " + outcome->title;
    if (withMessage && !outcome->message.empty())
        text += ": " + outcome->message;
    return text;
}

inline std::string Refusal(int field, const std::string& title, const std::string& message = "")
{
    return std::to_string(field) + " " + title + (message.empty() ? "" : ": " + message);
}
