#pragma once

#include <QDialog>

class LUserPrompts;
class QDateEdit;
class QLineEdit;
struct LLocaleNumberProfile;
namespace QPExceptionRules {
struct Form;
}

// One exception of a schedule or a resource: the day and the work hours it takes out of
// the schedule. OK checks the hours and closes with the entry in Result(); a refused entry
// is reported and the hours field takes the focus.
class QPExceptionDlg : public QDialog {
    Q_OBJECT

public:
    // Titled "Edit Exception" when `editing`, else "Add Exception".
    QPExceptionDlg(const LLocaleNumberProfile& profile, LUserPrompts& prompts,
                   const QPExceptionRules::Form& initial, bool editing, QWidget* parent = nullptr);
    ~QPExceptionDlg() override;

    QDateEdit& DateEdit() const { return *date_; }
    QLineEdit& HoursEdit() const { return *hours_; }

    // The entry as it stands: the day and the hours text.
    QPExceptionRules::Form Result() const;

    void accept() override;

private:
    const LLocaleNumberProfile& profile_;
    LUserPrompts& prompts_;
    QDateEdit* date_ = nullptr;
    QLineEdit* hours_ = nullptr;
};
