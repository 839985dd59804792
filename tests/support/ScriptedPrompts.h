#pragma once

// Prompts answered from a script, for tests that drive commands: every prompt is recorded
// with its texts, questions and panels take the next scripted answer, and a prompt that
// the script did not expect fails the test.

#include "framework/LUserPrompts.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScriptedPrompts : public LUserPrompts {
public:
    struct Prompt {
        std::string kind; // "save", "open", "alert", "information", "question", "text", "email"
        std::string title;
        std::string message;
        std::vector<std::string> buttons;
        std::string folder;      // where a panel opens
        std::string defaultName; // a panel's proposed name; what a text prompt starts from
    };

    // Queues the answer to the next question (a button's text), panel (a path) or text
    // prompt; std::nullopt cancels a panel or a text prompt.
    ScriptedPrompts& Then(std::optional<std::string> answer)
    {
        answers.push_back(std::move(answer));
        return *this;
    }
    // The same for the e-mail and fax prompts; without a fax answer, the number is asked for
    // as a line of text (Then).
    ScriptedPrompts& ThenEmail(std::optional<LEmailAddressAnswer> answer)
    {
        emailAnswers.push_back(std::move(answer));
        return *this;
    }
    ScriptedPrompts& ThenFax(std::optional<LFaxNumberAnswer> answer)
    {
        faxAnswers.push_back(std::move(answer));
        return *this;
    }

    std::optional<std::string> AskSaveFile(const LSaveFileRequest& request) override
    {
        return Next(answers, {"save", request.title, {}, {}, request.folder, request.defaultName});
    }
    std::optional<std::string> AskOpenFile(const LOpenFileRequest& request) override
    {
        return Next(answers, {"open", request.title, {}, {}, request.folder, {}});
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
        const auto answer = Next(
                answers, {"question", std::string(title), std::string(message), buttons, {}, {}});
        for (std::size_t i = 0; i < buttons.size(); ++i)
            if (answer && buttons[i] == *answer)
                return static_cast<int>(i);
        ADD_FAILURE() << "no button \"" << answer.value_or("") << "\" in \"" << message << "\"";
        return static_cast<int>(buttons.size()) - 1;
    }
    std::optional<std::string> AskText(std::string_view title, std::string_view message,
                                       std::string_view initial) override
    {
        return Next(
                answers,
                {"text", std::string(title), std::string(message), {}, {}, std::string(initial)});
    }
    std::optional<LEmailAddressAnswer> AskEmailAddress(const LEmailAddressRequest& request) override
    {
        emailRequests.push_back(request);
        return Next(emailAnswers, {"email", request.title, {}, {}, {}, request.initial});
    }
    std::optional<LFaxNumberAnswer> AskFaxNumber(const LFaxNumberRequest& request) override
    {
        if (faxAnswers.empty())
            return LUserPrompts::AskFaxNumber(request);
        return Next(faxAnswers, {"fax", request.title, {}, {}, {}, request.initial});
    }

    // The prompts shown so far, then forgotten.
    std::vector<Prompt> Take() { return std::exchange(asked, {}); }
    // The same as "kind: title: message" lines.
    std::vector<std::string> TakeTexts()
    {
        std::vector<std::string> texts;
        for (const Prompt& prompt : Take())
            texts.push_back(prompt.kind + ": " + prompt.title + ": " + prompt.message);
        return texts;
    }
    const Prompt* Last() const { return asked.empty() ? nullptr : &asked.back(); }

    std::vector<Prompt> asked;
    std::deque<std::optional<std::string>> answers;
    std::deque<std::optional<LEmailAddressAnswer>> emailAnswers;
    std::deque<std::optional<LFaxNumberAnswer>> faxAnswers;
    std::vector<LEmailAddressRequest> emailRequests; // as asked, with the "remember" switch

private:
    template <class T>
    std::optional<T> Next(std::deque<std::optional<T>>& queue, Prompt prompt)
    {
        asked.push_back(std::move(prompt));
        if (queue.empty()) {
            ADD_FAILURE() << "unexpected prompt \"" << asked.back().title
                          << "\": " << asked.back().message;
            return std::nullopt;
        }
        std::optional<T> answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }
};
