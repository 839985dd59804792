#include "QPQtDialogRunner.h"

#include "dialogs/QPBaselineCreateDlg.h"
#include "dialogs/QPBaselineSelectionDlg.h"
#include "dialogs/QPGeneralPage.h"
#include "dialogs/QPProjectDialog.h"
#include "import/LWizardImportCSV.h"
#include "import/QPProcessImportCSV.h"
#include "model/QPProject.h"
#include "reports/QPReportViewWindow.h"
#include "views/QPBaselineDlg.h"

bool QPQtDialogRunner::RunProjectDialog(QPProject& project, bool newProject, QWidget* parent)
{
    QPProjectDialog dialog(project, newProject, prompts_, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QPQtDialogRunner::RunOptionsDialog(QPProjectOptions& options, QWidget* parent)
{
    QPGeneralPage page(options, prompts_, parent);
    return page.exec() == QDialog::Accepted;
}

std::optional<std::string> QPQtDialogRunner::RunBaselineCreate(QPProject& project, QWidget* parent)
{
    QPBaselineCreateDlg dialog(project, prompts_, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Name();
}

std::optional<int32_t> QPQtDialogRunner::RunBaselineSelection(QPProject& project,
                                                              const std::string& caption,
                                                              const std::string& action,
                                                              QWidget* parent)
{
    QPBaselineSelectionDlg dialog(project, QString::fromStdString(caption),
                                  QString::fromStdString(action), prompts_, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.SelectedBaselineID();
}

void QPQtDialogRunner::RunBaselineComparison(QPProject& project, const QPBaseline& baseline,
                                             QWidget* parent)
{
    QPBaselineDlg window(project, baseline, prompts_, settings_, documentsFolder_, parent);
    window.exec();
}

void QPQtDialogRunner::RunReportWindow(QPReportBase& report, QWidget* parent)
{
    QPReportViewWindow window(report, prompts_, settings_, documentsFolder_, mail_, parent);
    window.exec();
}

void QPQtDialogRunner::RunImportWizard(LProcessImportCSV& import, const QPImportCSVKindInfo& kind,
                                       QWidget* parent)
{
    LWizardImportCSV wizard(import, kind.fieldListTitle, prompts_, settings_, documentsFolder_);
    wizard.Open(parent, kind.wizardTitle);
}
