#include "dialogs/QPBaselineCreateDlg.h"

#include "dialogs/QPBaselineRules.h"
#include "framework/LUserPrompts.h"
#include "model/QPProject.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

QPBaselineCreateDlg::QPBaselineCreateDlg(QPProject& project, LUserPrompts& prompts, QWidget* parent)
    : QDialog(parent), project_(project), prompts_(prompts)
{
    setWindowTitle(QStringLiteral("New Baseline"));

    name_ = new QLineEdit(QString::fromStdString(QPBaselineRules::PresetName(project)), this);
    name_->setMinimumWidth(320);
    name_->selectAll();

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    fields->addRow(QStringLiteral("Baseline Name:"), name_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QPBaselineCreateDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QPBaselineCreateDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    name_->setFocus();
}

QPBaselineCreateDlg::~QPBaselineCreateDlg() = default;

void QPBaselineCreateDlg::accept()
{
    const std::string typed = name_->text().toStdString();
    const QPFormOutcome refusal = QPBaselineRules::CheckNewName(project_, typed);
    if (!refusal) {
        acceptedName_ = QPBaselineRules::NewBaselineName(typed);
        QDialog::accept();
        return;
    }
    prompts_.ShowAlert(refusal->title, refusal->message);
    name_->setFocus(Qt::OtherFocusReason);
    name_->selectAll();
}
