#pragma once

#include <optional>
#include <string>
#include <string_view>
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
};
