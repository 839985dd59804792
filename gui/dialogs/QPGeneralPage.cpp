#include "dialogs/QPGeneralPage.h"

#include "dialogs/QPDialogFields.h"
#include "dialogs/QPFormFields.h"
#include "dialogs/QPGeneralPageRules.h"
#include "model/QPProjectOptions.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QLineEdit* MakeSymbolEdit(std::string_view text, QWidget* parent)
{
    auto* edit = new QLineEdit(QPFromUtf8(text), parent);
    edit->setMaximumWidth(80);
    return edit;
}

} // namespace

QPGeneralPage::QPGeneralPage(QPProjectOptions& options, LUserPrompts& prompts, QWidget* parent)
    : QDialog(parent), options_(options), prompts_(prompts)
{
    const QPGeneralPageRules::Form form = QPGeneralPageRules::FormFromOptions(options);
    setWindowTitle(QStringLiteral("Preferences"));

    currencySymbol_ = MakeSymbolEdit(form.currencySymbol, this);
    currencyName_ = new QLineEdit(QPFromUtf8(form.currencyName), this);
    currencyName_->setMinimumWidth(220);
    position_ = new QComboBox(this);
    position_->addItem(QString());
    position_->addItem(QString());
    position_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    digits_ = new QSpinBox(this);
    digits_->setRange(0, 3);
    digits_->setValue(form.currencyDigits);
    digits_->setMaximumWidth(80);
    decimalSymbol_ = MakeSymbolEdit(form.decimalSymbol, this);
    thousandsSymbol_ = MakeSymbolEdit(form.thousandsSymbol, this);
    dateFormat_ = new QComboBox(this);
    // The samples show 26 July: a day above 12 tells day-first from month-first at a glance,
    // which today's date does not on the first twelve days of a month.
    for (const QPDateFormatChoice& choice : kDateFormatChoices)
        dateFormat_->addItem(QString::fromUtf8(choice.sample));
    dateFormat_->setCurrentIndex(form.dateFormatPosition);
    dateFormat_->setMaxVisibleItems(static_cast<int>(kDateFormatChoices.size()));

    UpdatePositionSamples();
    position_->setCurrentIndex(form.currencyPosition);
    for (QLineEdit* edit : {currencySymbol_, decimalSymbol_, thousandsSymbol_})
        connect(edit, &QLineEdit::textChanged, this, &QPGeneralPage::UpdatePositionSamples);
    connect(digits_, &QSpinBox::valueChanged, this, &QPGeneralPage::UpdatePositionSamples);

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    fields->addRow(QStringLiteral("Currency Symbol:"), currencySymbol_);
    fields->addRow(QStringLiteral("Currency Name:"), currencyName_);
    fields->addRow(QStringLiteral("Symbol Position:"), position_);
    fields->addRow(QStringLiteral("Currency Digits:"), digits_);
    fields->addRow(QStringLiteral("Decimal Symbol:"), decimalSymbol_);
    fields->addRow(QStringLiteral("Thousands Symbol:"), thousandsSymbol_);
    fields->addRow(QStringLiteral("Date Format:"), dateFormat_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QPGeneralPage::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QPGeneralPage::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPGeneralPage::~QPGeneralPage() = default;

QPGeneralPageRules::Form QPGeneralPage::ReadForm() const
{
    QPGeneralPageRules::Form form;
    form.currencySymbol = currencySymbol_->text().toStdString();
    form.currencyName = currencyName_->text().toStdString();
    form.currencyPosition = position_->currentIndex() == 1 ? 1 : 0;
    form.currencyDigits = digits_->value();
    form.decimalSymbol = decimalSymbol_->text().toStdString();
    form.thousandsSymbol = thousandsSymbol_->text().toStdString();
    form.dateFormatPosition = dateFormat_->currentIndex() >= 0 ? dateFormat_->currentIndex() : 0;
    return form;
}

void QPGeneralPage::UpdatePositionSamples()
{
    const QPGeneralPageRules::Form form = ReadForm();
    LLocaleCurrencyProfile profile;
    profile.currencySymbol = QPTrimmed(form.currencySymbol);
    const std::string decimal = QPTrimmed(form.decimalSymbol);
    profile.decimalSymbol = decimal.empty() ? "." : decimal;
    profile.thousandsSymbol = QPTrimmed(form.thousandsSymbol);
    profile.currencyDigits = form.currencyDigits;
    int64_t amount = 18;
    for (int i = 0; i < form.currencyDigits; ++i)
        amount *= 10;
    for (int32_t position : {0, 1}) {
        profile.currencyPosition = position;
        position_->setItemText(position, QPFromUtf8(LLocaleFormatCurrencyToText(profile, amount)));
    }
}

void QPGeneralPage::accept()
{
    QPGeneralPageRules::Confirm(options_, ReadForm(), prompts_);
    QDialog::accept();
}
