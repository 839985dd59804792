#pragma once

#include "app/QPEditPanel.h"

#include <array>
#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPScheduleEditor;
class QTabWidget;
struct QPFormRefusal;
namespace QPResourceDialogRules {
struct Form;
}

// The resource editor as an edit panel of the main window, with the tabs "General" (name,
// address, update boxes, rates), "Schedule" (the schedule editor in resource mode: the
// schedule the resource follows and its own exceptions) and "Notes". OK checks and writes
// the resource (and its schedule when asked to) and reports it (4201); Cancel reports the
// cancel (4202).
class QPResourceDialog : public QPEditPanel {
    Q_OBJECT

public:
    static constexpr int kMessageAccepted = 4201;
    static constexpr int kMessageCancelled = 4202;

    enum eTab { eTabGeneral = 0, eTabSchedule = 1, eTabNotes = 2 };

    QPResourceDialog(QPProject& project, QPEditPanelHost& host, LUserPrompts& prompts,
                     QPEditTarget<QPResource> target, QWidget* parent = nullptr);
    ~QPResourceDialog() override;

    bool CmOk() override;
    bool CmCancel() override;
    // Refills the choice of schedules under "Assign Schedule:".
    void ProjectUpdate() override;
    const char* HelpTopic() const override { return "resourcedialog"; }

    QTabWidget& Tabs() const { return *tabs_; }
    QLineEdit& NameEdit() const { return *name_; }
    QLineEdit& EmailEdit() const { return *email_; }
    QCheckBox& SendProjectUpdatesBox() const { return *sendProjectUpdates_; }
    QCheckBox& SendTaskUpdatesBox() const { return *sendTaskUpdates_; }
    QLineEdit& HourlyRateEdit() const { return *rates_[0]; }
    QLineEdit& OvertimeRateEdit() const { return *rates_[1]; }
    QPlainTextEdit& NotesEdit() const { return *notes_; }
    QPScheduleEditor& ScheduleEditor() const { return *schedule_; }

private:
    QPResourceDialogRules::Form ReadForm() const;
    void ShowRefusal(const QPFormRefusal& refusal);
    void CheckRate(std::size_t field);

    QPEditTarget<QPResource> target_;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* email_ = nullptr;
    QCheckBox* sendProjectUpdates_ = nullptr;
    QCheckBox* sendTaskUpdates_ = nullptr;
    std::array<QLineEdit*, 2> rates_{};
    // The rate text last reported as invalid, so that the same text is reported once
    // however often the field loses the focus.
    std::array<std::string, 2> reportedRates_;
    bool reportingRate_ = false;
    QPlainTextEdit* notes_ = nullptr;
    QPScheduleEditor* schedule_ = nullptr;
};
