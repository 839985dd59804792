#include "dialogs/QPProjectDialog.h"

#include "dialogs/QPDialogFields.h"
#include "dialogs/QPProjectDialogRules.h"
#include "framework/LUserPrompts.h"
#include "model/QPProjectBase.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

QPProjectDialog::QPProjectDialog(QPProjectBase& project, bool newProject, LUserPrompts& prompts,
                                 QWidget* parent)
    : QDialog(parent), project_(project), prompts_(prompts), newProject_(newProject)
{
    using namespace QPProjectDialogRules;
    const Form form = newProject ? NewProjectForm() : EditProjectForm(project);
    setWindowTitle(newProject ? QStringLiteral("New Project")
                              : QStringLiteral("Edit Project [%1]").arg(QPFromUtf8(project.name)));

    name_ = new QLineEdit(QPFromUtf8(form.name), this);
    name_->setMinimumWidth(300);
    name_->selectAll();
    start_ = QPMakeDateEdit(project.options, form.start, this);
    deadline_ = QPMakeDateEdit(project.options, form.deadline, this);
    for (QDateEdit* edit : {start_, deadline_})
        edit->setMinimumWidth(180);

    schedule_ = new QComboBox(this);
    if (newProject) {
        schedule_->addItem(QString::fromUtf8(kNewProjectScheduleName), qlonglong(-1));
        schedule_->setEnabled(false);
    } else {
        for (const QPSchedule& schedule : project.schedules)
            schedule_->addItem(QPFromUtf8(schedule.name), qlonglong(schedule.key));
        const int current = schedule_->findData(qlonglong(form.defaultScheduleKey));
        schedule_->setCurrentIndex(current >= 0 ? current : 0);
    }
    schedule_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    schedule_->setMinimumWidth(180);

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    fields->addRow(QStringLiteral("Name:"), name_);
    fields->addRow(QStringLiteral("Start:"), start_);
    fields->addRow(QStringLiteral("Deadline:"), deadline_);
    fields->addRow(QStringLiteral("Default Schedule:"), schedule_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QPProjectDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QPProjectDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    name_->setFocus();
}

QPProjectDialog::~QPProjectDialog() = default;

QPProjectDialogRules::Form QPProjectDialog::ReadForm() const
{
    QPProjectDialogRules::Form form;
    form.newProject = newProject_;
    form.name = name_->text().toStdString();
    form.start = QPFromQDate(start_->date());
    form.deadline = QPFromQDate(deadline_->date());
    form.defaultScheduleKey =
            schedule_->currentIndex() >= 0 ? schedule_->currentData().toLongLong() : -1;
    return form;
}

QWidget* QPProjectDialog::FieldWidget(int32_t field) const
{
    switch (field) {
    case QPProjectDialogRules::eFieldStart:
        return start_;
    case QPProjectDialogRules::eFieldDeadline:
        return deadline_;
    case QPProjectDialogRules::eFieldDefaultSchedule:
        return schedule_;
    default:
        return name_;
    }
}

void QPProjectDialog::accept()
{
    const QPFormOutcome refusal = QPProjectDialogRules::Confirm(project_, ReadForm());
    if (!refusal) {
        QDialog::accept();
        return;
    }
    if (!refusal->IsSilent())
        prompts_.ShowAlert(refusal->title, refusal->message);
    QWidget* field = FieldWidget(refusal->field);
    field->setFocus(Qt::OtherFocusReason);
    if (field == name_)
        name_->selectAll();
}
