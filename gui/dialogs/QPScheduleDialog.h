#pragma once

#include "app/QPEditPanel.h"

class QPScheduleEditor;

// The schedule editor as an edit panel of the main window: one schedule, new or of the
// project, with its general exceptions. OK checks and writes it and reports it (4301);
// Cancel reports the cancel (4302).
class QPScheduleDialog : public QPEditPanel {
    Q_OBJECT

public:
    static constexpr int kMessageAccepted = 4301;
    static constexpr int kMessageCancelled = 4302;

    QPScheduleDialog(QPProject& project, QPEditPanelHost& host, LUserPrompts& prompts,
                     QPEditTarget<QPSchedule> target, QWidget* parent = nullptr);
    ~QPScheduleDialog() override;

    bool CmOk() override;
    bool CmCancel() override;
    void ProjectUpdate() override;
    const char* HelpTopic() const override { return "scheduledialog"; }

    QPScheduleEditor& Editor() const { return *editor_; }

private:
    QPEditTarget<QPSchedule> target_;
    QPScheduleEditor* editor_ = nullptr;
};
