#pragma once

#include <QDialog>

#include <cstdint>

class LUserPrompts;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPProjectBase;
namespace QPProjectDialogRules {
struct Form;
}

// The project editor: name, start, deadline and default schedule. In its new-project form
// it starts from "New Project" and offers only "Default Schedule"; otherwise it edits the
// open project. OK writes into the project and closes (exec() gives Accepted); a refused
// entry is reported, its field takes the focus and the editor stays open.
class QPProjectDialog : public QDialog {
    Q_OBJECT

public:
    QPProjectDialog(QPProjectBase& project, bool newProject, LUserPrompts& prompts,
                    QWidget* parent = nullptr);
    ~QPProjectDialog() override;

    QLineEdit& NameEdit() const { return *name_; }
    QDateEdit& StartEdit() const { return *start_; }
    QDateEdit& DeadlineEdit() const { return *deadline_; }
    QComboBox& ScheduleChoice() const { return *schedule_; }

    void accept() override;

private:
    QPProjectDialogRules::Form ReadForm() const;
    QWidget* FieldWidget(int32_t field) const;

    QPProjectBase& project_;
    LUserPrompts& prompts_;
    bool newProject_;
    QLineEdit* name_ = nullptr;
    QDateEdit* start_ = nullptr;
    QDateEdit* deadline_ = nullptr;
    QComboBox* schedule_ = nullptr;
};
