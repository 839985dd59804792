#pragma once

#include <QDialog>

#include <cstdint>

class LUserPrompts;
class QComboBox;
class QPProject;
class QPushButton;

// Picks one of the project's baselines for the command that opened it ("Select Baseline"
// with "Delete Baseline", for instance). The first baseline is preselected. The action
// button checks the choice and closes (exec() gives Accepted); without a choice the user is
// told and the dialog stays open.
class QPBaselineSelectionDlg : public QDialog {
    Q_OBJECT

public:
    QPBaselineSelectionDlg(QPProject& project, const QString& caption, const QString& action,
                           LUserPrompts& prompts, QWidget* parent = nullptr);
    ~QPBaselineSelectionDlg() override;

    QComboBox& BaselineChoice() const { return *choice_; }
    QPushButton& ActionButton() const { return *action_; }
    // The ID of the baseline chosen when the dialog was accepted; -1 before that.
    int32_t SelectedBaselineID() const { return selectedID_; }

    void accept() override;

private:
    QPProject& project_;
    LUserPrompts& prompts_;
    QComboBox* choice_ = nullptr;
    QPushButton* action_ = nullptr;
    int32_t selectedID_ = -1;
};
