#include "dialogs/QPBaselineSelectionDlg.h"

#include "dialogs/QPBaselineRules.h"
#include "framework/LUserPrompts.h"
#include "model/QPProject.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

QPBaselineSelectionDlg::QPBaselineSelectionDlg(QPProject& project, const QString& caption,
                                               const QString& action, LUserPrompts& prompts,
                                               QWidget* parent)
    : QDialog(parent), project_(project), prompts_(prompts)
{
    setWindowTitle(caption);

    // Each entry carries its baseline's ID, so the answer never depends on the order of
    // the entries matching the order of the list.
    choice_ = new QComboBox(this);
    for (const auto& baseline : project.baselines)
        choice_->addItem(QString::fromStdString(baseline->name.str()), baseline->id);
    choice_->setCurrentIndex(choice_->count() > 0 ? 0 : -1);
    choice_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    choice_->setMinimumWidth(240);

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    fields->addRow(QStringLiteral("Baseline:"), choice_);

    auto* buttons = new QDialogButtonBox(this);
    action_ = buttons->addButton(action, QDialogButtonBox::AcceptRole);
    action_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QPBaselineSelectionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QPBaselineSelectionDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    choice_->setFocus();
}

QPBaselineSelectionDlg::~QPBaselineSelectionDlg() = default;

void QPBaselineSelectionDlg::accept()
{
    const int32_t chosen = choice_->currentIndex() >= 0 ? choice_->currentData().toInt() : -1;
    const QPFormOutcome refusal = QPBaselineRules::CheckSelection(project_, chosen);
    if (!refusal) {
        selectedID_ = chosen;
        QDialog::accept();
        return;
    }
    prompts_.ShowAlert(refusal->title, refusal->message);
    choice_->setFocus(Qt::OtherFocusReason);
}
