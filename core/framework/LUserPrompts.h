#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a save panel is asked for.
struct LSaveFileRequest {
    std::string title;
    // The name of the file type ("PDF File") and its extension without the dot ("pdf").
    std::string fileTypeName;
    std::string extension;
    std::string defaultName;
    // The folder the panel opens in.
    std::string folder;
    // Ask before a chosen file that exists is replaced.
    bool confirmOverwrite = true;
};

// What an open panel is asked for: files of one type, starting in a folder.
struct LOpenFileRequest {
    std::string title;
    std::string fileTypeName;
    std::string extension;
    std::string folder;
};

// What the e-mail prompt asks for: where to send something by mail.
struct LEmailAddressRequest {
    std::string title;
    // The addresses shown at first, for example the ones used last time.
    std::string initial;
    // "Remember this email address" at first.
    bool remember = true;
};

// The e-mail prompt's answer: one address or several separated by commas, whether they are
// to be remembered, and the user's comment for the message (empty when none was given).
struct LEmailAddressAnswer {
    std::string addresses;
    bool remember = true;
    std::string comment;
};

// What the fax prompt asks for: the number to send a report to.
struct LFaxNumberRequest {
    std::string title;
    // The number shown at first: the one remembered last time.
    std::string initial;
    // "Remember this fax number" at first.
    bool remember = true;
};

// The fax prompt's answer: the number, and whether it is to be remembered.
struct LFaxNumberAnswer {
    std::string number;
    bool remember = true;
};

// The questions and messages that commands put to the user. The desktop program shows
// dialogs; tests answer from a script.
class LUserPrompts {
public:
    virtual ~LUserPrompts() = default;
    // The chosen path, with the extension added when the name has none; nothing when the
    // user cancels.
    virtual std::optional<std::string> AskSaveFile(const LSaveFileRequest& request) = 0;
    // The chosen existing file; nothing when the user cancels.
    virtual std::optional<std::string> AskOpenFile(const LOpenFileRequest& request) = 0;
    // An error message with an OK button.
    virtual void ShowAlert(std::string_view title, std::string_view message) = 0;
    // A message that reports no failure, with an OK button.
    virtual void ShowInformation(std::string_view title, std::string_view message) = 0;
    // A question with the buttons the caller names: the first is the affirmative answer,
    // the last the cancelling one. Returns the index of the button chosen; closing the
    // alert without choosing (Escape) chooses the last.
    virtual int AskQuestion(std::string_view title, std::string_view message,
                            const std::vector<std::string>& buttons) = 0;
    // A line of text, starting from `initial`; nothing when the user cancels.
    virtual std::optional<std::string> AskText(std::string_view title, std::string_view message,
                                               std::string_view initial) = 0;
    // Where to send something by e-mail; nothing when the user cancels. Prompts without a
    // form of their own ask for the addresses as a line of text, keep the request's
    // "remember" and give no comment.
    virtual std::optional<LEmailAddressAnswer> AskEmailAddress(const LEmailAddressRequest& request)
    {
        std::optional<std::string> addresses =
                AskText(request.title, "Email address:", request.initial);
        if (!addresses)
            return std::nullopt;
        return LEmailAddressAnswer{std::move(*addresses), request.remember, {}};
    }
    // A fax number; nothing when the user cancels. Prompts without a form of their own ask
    // for it as a line of text and keep the request's "remember".
    virtual std::optional<LFaxNumberAnswer> AskFaxNumber(const LFaxNumberRequest& request)
    {
        std::optional<std::string> number = AskText(request.title, "Fax number:", request.initial);
        if (!number)
            return std::nullopt;
        return LFaxNumberAnswer{std::move(*number), request.remember};
    }
};
