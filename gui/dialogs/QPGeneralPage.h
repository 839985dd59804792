#pragma once

#include <QDialog>

class LUserPrompts;
class QComboBox;
class QLineEdit;
class QPProjectOptions;
class QSpinBox;
namespace QPGeneralPageRules {
struct Form;
}

// The project's options ("Preferences"): the currency, the number symbols and the date
// format. OK writes them into the options and closes (exec() gives Accepted); a change of
// the currency digits is asked about first.
class QPGeneralPage : public QDialog {
    Q_OBJECT

public:
    QPGeneralPage(QPProjectOptions& options, LUserPrompts& prompts, QWidget* parent = nullptr);
    ~QPGeneralPage() override;

    QLineEdit& CurrencySymbolEdit() const { return *currencySymbol_; }
    QLineEdit& CurrencyNameEdit() const { return *currencyName_; }
    QComboBox& PositionChoice() const { return *position_; }
    QSpinBox& DigitsBox() const { return *digits_; }
    QLineEdit& DecimalSymbolEdit() const { return *decimalSymbol_; }
    QLineEdit& ThousandsSymbolEdit() const { return *thousandsSymbol_; }
    QComboBox& DateFormatChoice() const { return *dateFormat_; }

    void accept() override;

private:
    QPGeneralPageRules::Form ReadForm() const;
    // The symbol position entries show an amount written with what the page holds now.
    void UpdatePositionSamples();

    QPProjectOptions& options_;
    LUserPrompts& prompts_;
    QLineEdit* currencySymbol_ = nullptr;
    QLineEdit* currencyName_ = nullptr;
    QComboBox* position_ = nullptr;
    QSpinBox* digits_ = nullptr;
    QLineEdit* decimalSymbol_ = nullptr;
    QLineEdit* thousandsSymbol_ = nullptr;
    QComboBox* dateFormat_ = nullptr;
};
