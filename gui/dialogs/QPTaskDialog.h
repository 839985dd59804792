#pragma once

#include "app/QPEditPanel.h"

#include <cstdint>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;
class QTabWidget;
class QPEmptyTextTable;
class QPResourceAssignmentList;
class QPSubtaskAssignmentList;
namespace QPTaskDialogRules {
struct Form;
}

// The task editor, embedded in the main window: "General", "Notes", "Dependencies",
// "Resources" and "Sub-Tasks". OK checks the input and, when it passes, writes it into the
// task and reports the task to the window (4101); Cancel reports 4102. A refusal is shown,
// its tab comes to the front with the field focused, and nothing is changed.
class QPTaskDialog : public QPEditPanel {
    Q_OBJECT

public:
    QPTaskDialog(QPProject& project, QPEditPanelHost& host, LUserPrompts& prompts,
                 QPEditTarget<QPTask> target, QWidget* parent = nullptr);
    ~QPTaskDialog() override;

    bool CmOk() override;
    bool CmCancel() override;
    void ProjectUpdate() override;
    const char* HelpTopic() const override { return "taskdialog"; }

    // What the fields hold now, as the rules read it.
    QPTaskDialogRules::Form ReadForm() const;

    // The dependency list's context menu.
    void AddDependencyRow();
    void RemoveDependencyRow(int row);

    QTabWidget& Tabs() const { return *tabs_; }
    QLineEdit& NameEdit() const { return *name_; }
    QComboBox& TaskTypeChoice() const { return *taskType_; }
    QComboBox& ScheduleChoice() const { return *schedule_; }
    QLineEdit& DurationEdit() const { return *duration_; }
    QLineEdit& PercentCompleteEdit() const { return *percentComplete_; }
    QCheckBox& HeaderBox() const { return *header_; }
    QCheckBox& HideSubtasksBox() const { return *hideSubtasks_; }
    QCheckBox& AutoScheduleBox() const { return *autoSchedule_; }
    QDateEdit& StartEdit() const { return *start_; }
    QDateEdit& FinishEdit() const { return *finish_; }
    QComboBox& ConstraintChoice() const { return *constraint_; }
    QDateEdit& ConstraintDateEdit() const { return *constraintDate_; }
    QCheckBox& MilestoneBox() const { return *milestone_; }
    QComboBox& HeaderChoice() const { return *headerChoice_; }
    QPlainTextEdit& NotesEdit() const { return *notes_; }
    QTableWidget& DependencyList() const;
    QPResourceAssignmentList& ResourceList() const { return *resources_; }
    QPSubtaskAssignmentList& SubtaskList() const { return *subtasks_; }

private:
    QWidget* MakeGeneralPage();
    QWidget* MakeDependencyPage();
    void FillChoices();
    void AddDependencyRowFor(const QString& idText, const QString& typeText,
                             const QString& lagText);
    void SetTypeChoices(QComboBox& types) const;
    void DependencyIDEdited(int row);
    void RefreshDependencyRows();
    void ShowDependencyMenu(const QPoint& at);
    void UpdateEnabling();
    void ShowRefusal(int32_t field, int32_t row);

    QPEditTarget<QPTask> target_;
    QPTask& task_;

    QTabWidget* tabs_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* taskType_ = nullptr;
    QComboBox* schedule_ = nullptr;
    QLineEdit* duration_ = nullptr;
    QLineEdit* percentComplete_ = nullptr;
    QCheckBox* header_ = nullptr;
    QCheckBox* hideSubtasks_ = nullptr;
    QCheckBox* autoSchedule_ = nullptr;
    QDateEdit* start_ = nullptr;
    QDateEdit* finish_ = nullptr;
    QComboBox* constraint_ = nullptr;
    QDateEdit* constraintDate_ = nullptr;
    QCheckBox* milestone_ = nullptr;
    QComboBox* headerChoice_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
    QPEmptyTextTable* dependencies_ = nullptr;
    QPResourceAssignmentList* resources_ = nullptr;
    QPSubtaskAssignmentList* subtasks_ = nullptr;
};
