#include "dialogs/QPScheduleDialog.h"

#include "dialogs/QPScheduleDialogRules.h"
#include "dialogs/QPScheduleEditor.h"
#include "framework/LUserPrompts.h"
#include "model/QPProject.h"

#include <QLineEdit>
#include <QVBoxLayout>

QPScheduleDialog::QPScheduleDialog(QPProject& project, QPEditPanelHost& host, LUserPrompts& prompts,
                                   QPEditTarget<QPSchedule> target, QWidget* parent)
    : QPEditPanel(project, host, prompts, parent), target_(std::move(target))
{
    editor_ = new QPScheduleEditor(
            project, prompts,
            QPScheduleDialogRules::ScheduleForm(project.options, target_.Element()), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(editor_);
    editor_->NameEdit().setFocus();
}

QPScheduleDialog::~QPScheduleDialog() = default;

bool QPScheduleDialog::CmOk()
{
    QPSchedule& schedule = target_.Element();
    const QPFormOutcome refusal =
            QPScheduleDialogRules::Confirm(project_, schedule, editor_->ReadForm());
    if (refusal) {
        if (!refusal->IsSilent())
            prompts_.ShowAlert(refusal->title, refusal->message);
        editor_->FieldWidget(refusal->field)->setFocus(Qt::OtherFocusReason);
        if (refusal->field == QPScheduleDialogRules::eFieldName)
            editor_->NameEdit().selectAll();
        return false;
    }
    host_.EvInterWinMessage(kMessageAccepted, schedule, target_.TakeCreated());
    return true;
}

bool QPScheduleDialog::CmCancel()
{
    host_.EvInterWinMessage(kMessageCancelled, target_.Element(), target_.TakeCreated());
    return true;
}

void QPScheduleDialog::ProjectUpdate()
{
    editor_->ProjectUpdate();
}
