#pragma once

#include <optional>
#include <string>
#include <string_view>

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

// The questions and messages that commands put to the user. The desktop program shows
// dialogs; tests answer from a script.
class LUserPrompts {
public:
    virtual ~LUserPrompts() = default;
    // The chosen path, with the extension added when the name has none; nothing when the
    // user cancels.
    virtual std::optional<std::string> AskSaveFile(const LSaveFileRequest& request) = 0;
    // A message with an OK button.
    virtual void ShowAlert(std::string_view title, std::string_view message) = 0;
};
