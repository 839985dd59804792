#pragma once

#include "QPDialogRunner.h"

#include <string>

class LMailServices;
class LSettingsStore;
class LUserPrompts;

// The editors as modal dialogs over the main window.
class QPQtDialogRunner : public QPDialogRunner {
public:
    // Without mail services the report window cannot send reports by e-mail.
    QPQtDialogRunner(LUserPrompts& prompts, LSettingsStore& settings, std::string documentsFolder,
                     LMailServices* mail = nullptr)
        : prompts_(prompts), settings_(settings), documentsFolder_(std::move(documentsFolder)),
          mail_(mail)
    {}

    bool RunProjectDialog(QPProject& project, bool newProject, QWidget* parent) override;
    bool RunOptionsDialog(QPProjectOptions& options, QWidget* parent) override;
    std::optional<std::string> RunBaselineCreate(QPProject& project, QWidget* parent) override;
    std::optional<int32_t> RunBaselineSelection(QPProject& project, const std::string& caption,
                                                const std::string& action,
                                                QWidget* parent) override;
    void RunBaselineComparison(QPProject& project, const QPBaseline& baseline,
                               QWidget* parent) override;
    void RunReportWindow(QPReportBase& report, QWidget* parent) override;
    void RunImportWizard(LProcessImportCSV& import, const QPImportCSVKindInfo& kind,
                         QWidget* parent) override;

private:
    LUserPrompts& prompts_;
    LSettingsStore& settings_;
    std::string documentsFolder_;
    LMailServices* mail_;
};
