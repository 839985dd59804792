#include "dialogs/QPExceptionDlg.h"

#include "dialogs/QPExceptionRules.h"
#include "framework/LUserPrompts.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

QPExceptionDlg::QPExceptionDlg(const LLocaleNumberProfile& profile, LUserPrompts& prompts,
                               const QPExceptionRules::Form& initial, bool editing, QWidget* parent)
    : QDialog(parent), profile_(profile), prompts_(prompts)
{
    setWindowTitle(editing ? QStringLiteral("Edit Exception") : QStringLiteral("Add Exception"));

    date_ = new QDateEdit(this);
    // The lists show exception days as YYYY-MM-DD; the editor writes them the same way.
    date_->setLocale(QLocale::c());
    date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date_->setCalendarPopup(true);
    date_->setDateRange(QDate(1970, 1, 2), QDate(2999, 12, 31));
    date_->setDate(QDate(initial.day.year, initial.day.month, initial.day.day));

    hours_ = new QLineEdit(QString::fromStdString(initial.hoursText), this);
    hours_->setMinimumWidth(120);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Date:"), date_);
    fields->addRow(QStringLiteral("Hours:"), hours_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QPExceptionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QPExceptionDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    hours_->setFocus();
    hours_->selectAll();
}

QPExceptionDlg::~QPExceptionDlg() = default;

QPExceptionRules::Form QPExceptionDlg::Result() const
{
    const QDate date = date_->date();
    return {{date.year(), date.month(), date.day()}, hours_->text().trimmed().toStdString()};
}

void QPExceptionDlg::accept()
{
    const QPFormOutcome refusal = QPExceptionRules::Confirm(profile_, Result());
    if (!refusal) {
        QDialog::accept();
        return;
    }
    if (!refusal->IsSilent())
        prompts_.ShowAlert(refusal->title, refusal->message);
    if (refusal->field == QPExceptionRules::eFieldDate) {
        date_->setFocus(Qt::OtherFocusReason);
        return;
    }
    hours_->setFocus(Qt::OtherFocusReason);
    hours_->selectAll();
}
