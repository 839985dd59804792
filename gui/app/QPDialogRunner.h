#pragma once

#include <cstdint>
#include <optional>
#include <string>

class LProcessImportCSV;
class QPBaseline;
class QPProject;
class QPReportBase;
class QPProjectOptions;
class QWidget;
struct QPImportCSVKindInfo;

// Opens the modal editors the document commands need. The desktop program shows the
// dialogs; tests fill them in from a script.
class QPDialogRunner {
public:
    virtual ~QPDialogRunner() = default;
    // The project editor on `project`, in its new-project or edit form. True when the user
    // accepted it and the values were written into the project.
    virtual bool RunProjectDialog(QPProject& project, bool newProject, QWidget* parent) = 0;
    // The options page on the project's options. True when accepted and written.
    virtual bool RunOptionsDialog(QPProjectOptions& options, QWidget* parent) = 0;
    // The name of a new baseline ("New Baseline"), or nothing when cancelled.
    virtual std::optional<std::string> RunBaselineCreate(QPProject& project, QWidget* parent) = 0;
    // The ID of the baseline chosen in the selection dialog with this caption and action
    // text, or nothing when cancelled.
    virtual std::optional<int32_t> RunBaselineSelection(QPProject& project,
                                                        const std::string& caption,
                                                        const std::string& action,
                                                        QWidget* parent) = 0;
    // The comparison of the project with one of its baselines, modal until the user closes
    // it.
    virtual void RunBaselineComparison(QPProject& project, const QPBaseline& baseline,
                                       QWidget* parent) = 0;
    // The window of a generated report, modal until the user closes it.
    virtual void RunReportWindow(QPReportBase& report, QWidget* parent) = 0;
    // The import wizard of one kind of element: the user chooses the file and matches its
    // columns, the rows are read into `import`, whose counts the caller reads afterwards.
    virtual void RunImportWizard(LProcessImportCSV& import, const QPImportCSVKindInfo& kind,
                                 QWidget* parent) = 0;
};
