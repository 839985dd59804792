#include "dialogs/QPResourceDialog.h"

#include "dialogs/QPDialogFields.h"
#include "dialogs/QPResourceDialogRules.h"
#include "dialogs/QPScheduleEditor.h"
#include "framework/LUserPrompts.h"
#include "model/QPProject.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

QPResourceDialog::QPResourceDialog(QPProject& project, QPEditPanelHost& host, LUserPrompts& prompts,
                                   QPEditTarget<QPResource> target, QWidget* parent)
    : QPEditPanel(project, host, prompts, parent), target_(std::move(target))
{
    const QPResourceDialogRules::Form form =
            QPResourceDialogRules::ResourceForm(project, target_.Element());

    tabs_ = new QTabWidget(this);

    auto* general = new QWidget(tabs_);
    name_ = new QLineEdit(QPFromUtf8(form.name), general);
    email_ = new QLineEdit(QPFromUtf8(form.email), general);
    sendProjectUpdates_ = new QCheckBox(QStringLiteral("Send Project Updates"), general);
    sendProjectUpdates_->setChecked(form.sendProjectUpdates);
    sendTaskUpdates_ = new QCheckBox(QStringLiteral("Send Task Updates"), general);
    sendTaskUpdates_->setChecked(form.sendTaskUpdates);
    rates_[0] = new QLineEdit(QPFromUtf8(form.hourlyRateText), general);
    rates_[1] = new QLineEdit(QPFromUtf8(form.overtimeRateText), general);
    auto* fields = new QFormLayout(general);
    fields->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    fields->addRow(QStringLiteral("Name:"), name_);
    fields->addRow(QStringLiteral("Email:"), email_);
    fields->addRow(QString(), sendProjectUpdates_);
    fields->addRow(QString(), sendTaskUpdates_);
    fields->addRow(QStringLiteral("Regular Hourly Rate:"), rates_[0]);
    fields->addRow(QStringLiteral("Overtime Hourly Rate:"), rates_[1]);
    for (std::size_t field = 0; field < rates_.size(); ++field) {
        rates_[field]->setMaximumWidth(200);
        connect(rates_[field], &QLineEdit::editingFinished, this,
                [this, field] { CheckRate(field); });
        connect(rates_[field], &QLineEdit::textEdited, this,
                [this, field] { reportedRates_[field].clear(); });
    }
    tabs_->addTab(general, QStringLiteral("General"));

    schedule_ = new QPScheduleEditor(project, prompts, form.schedule, tabs_);
    tabs_->addTab(schedule_, QStringLiteral("Schedule"));

    notes_ = new QPlainTextEdit(QPFromUtf8(form.notes), tabs_);
    tabs_->addTab(notes_, QStringLiteral("Notes"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    name_->setFocus();
}

QPResourceDialog::~QPResourceDialog() = default;

QPResourceDialogRules::Form QPResourceDialog::ReadForm() const
{
    QPResourceDialogRules::Form form;
    form.name = name_->text().toStdString();
    form.email = email_->text().toStdString();
    form.sendProjectUpdates = sendProjectUpdates_->isChecked();
    form.sendTaskUpdates = sendTaskUpdates_->isChecked();
    form.hourlyRateText = rates_[0]->text().toStdString();
    form.overtimeRateText = rates_[1]->text().toStdString();
    form.notes = notes_->toPlainText().toStdString();
    form.schedule = schedule_->ReadForm();
    return form;
}

void QPResourceDialog::CheckRate(std::size_t field)
{
    const std::string text = rates_[field]->text().toStdString();
    if (reportingRate_ || text == reportedRates_[field] ||
        QPResourceDialogRules::IsValidRate(project_.options, text))
        return;
    // The alert takes the focus from the field, which ends its edit once more: the guard
    // and the remembered text keep that from raising a second alert.
    reportingRate_ = true;
    reportedRates_[field] = text;
    prompts_.ShowAlert(QPResourceDialogRules::kInvalidRateTitle,
                       QPResourceDialogRules::kInvalidRateMessage);
    reportingRate_ = false;
}

void QPResourceDialog::ShowRefusal(const QPFormRefusal& refusal)
{
    using namespace QPResourceDialogRules;
    if (!refusal.IsSilent()) {
        // The rate check at confirmation says what the edit check said; mark the text as
        // reported so that leaving the field does not say it again.
        if (refusal.field == eFieldHourlyRate || refusal.field == eFieldOvertimeRate)
            reportedRates_[refusal.field == eFieldHourlyRate ? 0 : 1] =
                    rates_[refusal.field == eFieldHourlyRate ? 0 : 1]->text().toStdString();
        prompts_.ShowAlert(refusal.title, refusal.message);
    }
    QWidget* field = name_;
    int tab = eTabGeneral;
    if (IsScheduleField(refusal.field)) {
        tab = eTabSchedule;
        field = schedule_->FieldWidget(ScheduleField(refusal.field));
    } else {
        switch (refusal.field) {
        case eFieldEmail:
            field = email_;
            break;
        case eFieldHourlyRate:
            field = rates_[0];
            break;
        case eFieldOvertimeRate:
            field = rates_[1];
            break;
        case eFieldSendProjectUpdates:
            field = sendProjectUpdates_;
            break;
        case eFieldSendTaskUpdates:
            field = sendTaskUpdates_;
            break;
        case eFieldNotes:
            tab = eTabNotes;
            field = notes_;
            break;
        default:
            break;
        }
    }
    tabs_->setCurrentIndex(tab);
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

bool QPResourceDialog::CmOk()
{
    QPResource& resource = target_.Element();
    if (const QPFormOutcome refusal =
                QPResourceDialogRules::Confirm(project_, resource, ReadForm())) {
        ShowRefusal(*refusal);
        return false;
    }
    host_.EvInterWinMessage(kMessageAccepted, resource, target_.TakeCreated());
    return true;
}

bool QPResourceDialog::CmCancel()
{
    host_.EvInterWinMessage(kMessageCancelled, target_.Element(), target_.TakeCreated());
    return true;
}

void QPResourceDialog::ProjectUpdate()
{
    schedule_->ProjectUpdate();
}
