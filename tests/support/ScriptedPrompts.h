#pragma once

// Prompts answered from a script, for tests that drive commands: every prompt is recorded
// with its texts, questions and panels take the next scripted answer, and a prompt that
// the script did not expect fails the test.

#include "framework/LUserPrompts.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

class ScriptedPrompts : public LUserPrompts {
public:
    struct Prompt {
        // "save", "open", "alert", "information", "question", "text", "email"
        std::string kind;
        std::string title;
        std::string message;
        std::vector<std::string> buttons;
        // Panels: the folder they open in and the proposed file name; text and e-mail
        // prompts: the text they start from.
        std::string folder;
        std::string defaultName;
    };

    // Queues the answer to the next question (a button's text), panel (a path) or text
    // prompt; std::nullopt cancels a panel or a text prompt.
    ScriptedPrompts& Then(std::optional<std::string> answer)
    {
        answers.push_back(std::move(answer));
        return *this;
    }

    std::optional<std::string> AskSaveFile(const LSaveFileRequest& request) override
    {
        asked.push_back({"save", request.title, {}, {}, request.folder, request.defaultName});
        return NextAnswer();
    }
    std::optional<std::string> AskOpenFile(const LOpenFileRequest& request) override
    {
        asked.push_back({"open", request.title, {}, {}, request.folder, {}});
        return NextAnswer();
    }
    void ShowAlert(std::string_view title, std::string_view message) override
    {
        asked.push_back({"alert", std::string(title), std::string(message), {}, {}, {}});
    }
    void ShowInformation(std::string_view title, std::string_view message) override
    {
        asked.push_back({"information", std::string(title), std::string(message), {}, {}, {}});
    }
    int AskQuestion(std::string_view title, std::string_view message,
                    const std::vector<std::string>& buttons) override
    {
        asked.push_back({"question", std::string(title), std::string(message), buttons, {}, {}});
        const std::optional<std::string> answer = NextAnswer();
        for (std::size_t i = 0; i < buttons.size(); ++i)
            if (answer && buttons[i] == *answer)
                return static_cast<int>(i);
        ADD_FAILURE() << "no button \"" << answer.value_or("(none)") << "\" in \"" << message
                      << "\"";
        return static_cast<int>(buttons.size()) - 1;
    }
    std::optional<std::string> AskText(std::string_view title, std::string_view message,
                                       std::string_view initial) override
    {
        asked.push_back(
                {"text", std::string(title), std::string(message), {}, {}, std::string(initial)});
        return NextAnswer();
    }

    // Queues the answer to the next e-mail prompt; std::nullopt cancels it.
    ScriptedPrompts& ThenEmail(std::optional<LEmailAddressAnswer> answer)
    {
        emailAnswers.push_back(std::move(answer));
        return *this;
    }

    std::optional<LEmailAddressAnswer> AskEmailAddress(const LEmailAddressRequest& request) override
    {
        asked.push_back({"email", request.title, {}, {}, {}, request.initial});
        emailRequests.push_back(request);
        if (emailAnswers.empty()) {
            ADD_FAILURE() << "unexpected e-mail prompt \"" << request.title << "\"";
            return std::nullopt;
        }
        std::optional<LEmailAddressAnswer> answer = std::move(emailAnswers.front());
        emailAnswers.pop_front();
        return answer;
    }

    // Queues the answer to the next fax prompt; without one, the number is asked for as a
    // line of text (Then) and the request's "remember" stands.
    ScriptedPrompts& ThenFax(std::optional<LFaxNumberAnswer> answer)
    {
        faxAnswers.push_back(std::move(answer));
        return *this;
    }

    std::optional<LFaxNumberAnswer> AskFaxNumber(const LFaxNumberRequest& request) override
    {
        if (faxAnswers.empty())
            return LUserPrompts::AskFaxNumber(request);
        asked.push_back({"fax", request.title, {}, {}, {}, request.initial});
        std::optional<LFaxNumberAnswer> answer = std::move(faxAnswers.front());
        faxAnswers.pop_front();
        return answer;
    }

    // The prompts shown so far, then forgotten.
    std::vector<Prompt> Take() { return std::exchange(asked, {}); }
    const Prompt* Last() const { return asked.empty() ? nullptr : &asked.back(); }

    std::vector<Prompt> asked;
    std::deque<std::optional<std::string>> answers;
    std::deque<std::optional<LEmailAddressAnswer>> emailAnswers;
    std::deque<std::optional<LFaxNumberAnswer>> faxAnswers;
    // Every e-mail prompt as it was asked, with its "remember" switch.
    std::vector<LEmailAddressRequest> emailRequests;

private:
    std::optional<std::string> NextAnswer()
    {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected prompt \"" << asked.back().title
                          << "\": " << asked.back().message;
            return std::nullopt;
        }
        std::optional<std::string> answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};
