#pragma once

#include "framework/LUserPrompts.h"

class QWidget;

// The prompts as dialogs over a window.
class LQtUserPrompts : public LUserPrompts {
public:
    explicit LQtUserPrompts(QWidget* parent) : parent_(parent) {}

    std::optional<std::string> AskSaveFile(const LSaveFileRequest& request) override;
    std::optional<std::string> AskOpenFile(const LOpenFileRequest& request) override;
    void ShowAlert(std::string_view title, std::string_view message) override;
    void ShowInformation(std::string_view title, std::string_view message) override;
    int AskQuestion(std::string_view title, std::string_view message,
                    const std::vector<std::string>& buttons) override;
    std::optional<std::string> AskText(std::string_view title, std::string_view message,
                                       std::string_view initial) override;
    // A form with the addresses ("Email address(es):", OK only while they are valid),
    // "Remember this email address" and an optional comment of several lines.
    std::optional<LEmailAddressAnswer>
    AskEmailAddress(const LEmailAddressRequest& request) override;
    std::optional<LFaxNumberAnswer> AskFaxNumber(const LFaxNumberRequest& request) override;

    // The user's documents folder.
    static std::string DocumentsFolder();

private:
    QWidget* parent_;
};
