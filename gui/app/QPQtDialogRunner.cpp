#include "QPQtDialogRunner.h"

#include "dialogs/QPGeneralPage.h"
#include "dialogs/QPProjectDialog.h"
#include "model/QPProject.h"

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
