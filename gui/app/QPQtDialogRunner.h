#pragma once

#include "QPDialogRunner.h"

class LUserPrompts;

// The editors as modal dialogs over the main window.
class QPQtDialogRunner : public QPDialogRunner {
public:
    explicit QPQtDialogRunner(LUserPrompts& prompts) : prompts_(prompts) {}

    bool RunProjectDialog(QPProject& project, bool newProject, QWidget* parent) override;
    bool RunOptionsDialog(QPProjectOptions& options, QWidget* parent) override;
    std::optional<std::string> RunBaselineCreate(QPProject& project, QWidget* parent) override;
    std::optional<int32_t> RunBaselineSelection(QPProject& project, const std::string& caption,
                                                const std::string& action,
                                                QWidget* parent) override;

private:
    LUserPrompts& prompts_;
};
