#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class LUserPrompts;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPProject;
class QPushButton;
class QSpinBox;
class QTimeEdit;
class QTreeWidget;
namespace QPExceptionRules {
struct Form;
}
namespace QPScheduleDialogRules {
struct Form;
}

// The fields of one schedule: name, each day's hours, minutes and start time, the regular
// work week, the day the week starts and a list of exceptions. The schedule editor shows it
// on its own (schedule mode); the resource editor embeds it in resource mode, where the
// schedule is chosen under "Assign Schedule:", its fields can be changed only while
// "Edit Source Schedule" is ticked, and the exceptions are the resource's own.
class QPScheduleEditor : public QWidget {
    Q_OBJECT

public:
    // Asks for one exception, starting from `initial`; nothing when the user cancels. The
    // editor opens QPExceptionDlg unless told otherwise.
    using ExceptionEditor = std::function<std::optional<QPExceptionRules::Form>(
            const QPExceptionRules::Form& initial, bool editing)>;

    QPScheduleEditor(QPProject& project, LUserPrompts& prompts,
                     const QPScheduleDialogRules::Form& form, QWidget* parent = nullptr);
    ~QPScheduleEditor() override;

    QPScheduleDialogRules::Form ReadForm() const;
    // The widget of a field of QPScheduleDialogRules, to put the focus on after a refusal.
    QWidget* FieldWidget(int32_t field) const;
    // Resource mode: refills the choice of schedules after the project changed; when the
    // chosen schedule is gone, the default schedule is chosen and shown.
    void ProjectUpdate();
    void SetExceptionEditor(ExceptionEditor editor) { exceptionEditor_ = std::move(editor); }

    QLineEdit& NameEdit() const { return *name_; }
    QSpinBox& HoursBox(int day) const { return *hours_[day]; }
    QSpinBox& MinutesBox(int day) const { return *minutes_[day]; }
    QTimeEdit& StartEdit(int day) const { return *starts_[day]; }
    QSpinBox& WorkWeekBox() const { return *workWeek_; }
    QComboBox& WeekStartChoice() const { return *weekStart_; }
    QTreeWidget& ExceptionList() const { return *exceptionList_; }
    QPushButton& AddExceptionButton() const { return *addException_; }
    QPushButton& EditExceptionButton() const { return *editException_; }
    // Resource mode only (nullptr in schedule mode).
    QComboBox* ScheduleChoice() const { return scheduleChoice_; }
    QCheckBox* EditSourceBox() const { return editSource_; }

private:
    void ShowScheduleFields(const QPScheduleDialogRules::Form& form);
    void FillScheduleChoice(int64_t selectedKey);
    void ScheduleChosen();
    void EditSourceToggled();
    void UpdateEnabling();
    void RefillExceptionList();
    void AddException();
    void EditException();
    void RemoveExceptions();

    QPProject& project_;
    LUserPrompts& prompts_;
    const bool resourceMode_;
    ExceptionEditor exceptionEditor_;
    std::vector<QPExceptionRules::Form> rows_;

    QComboBox* scheduleChoice_ = nullptr;
    QCheckBox* editSource_ = nullptr;
    QLineEdit* name_ = nullptr;
    std::array<QSpinBox*, 7> hours_{};
    std::array<QSpinBox*, 7> minutes_{};
    std::array<QTimeEdit*, 7> starts_{};
    QSpinBox* workWeek_ = nullptr;
    QComboBox* weekStart_ = nullptr;
    QTreeWidget* exceptionList_ = nullptr;
    QPushButton* addException_ = nullptr;
    QPushButton* editException_ = nullptr;
};
