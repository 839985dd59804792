#pragma once

#include <QDialog>

#include <string>

class LUserPrompts;
class QLineEdit;
class QPProject;

// "New Baseline": asks for the name of a frozen copy of the plan, starting from the
// project's name and today's date. OK checks the name and closes (exec() gives Accepted);
// a refused name is reported and the dialog stays open on it. The dialog itself adds
// nothing: the caller adds the baseline under Name().
class QPBaselineCreateDlg : public QDialog {
    Q_OBJECT

public:
    QPBaselineCreateDlg(QPProject& project, LUserPrompts& prompts, QWidget* parent = nullptr);
    ~QPBaselineCreateDlg() override;

    QLineEdit& NameEdit() const { return *name_; }
    // The accepted name as the baseline will keep it (UTF-8, without the blanks around it).
    const std::string& Name() const { return acceptedName_; }

    void accept() override;

private:
    QPProject& project_;
    LUserPrompts& prompts_;
    QLineEdit* name_ = nullptr;
    std::string acceptedName_;
};
