#pragma once

#include "views/QPGanttView.h"

#include <QMainWindow>

#include <memory>
#include <string>

class LQtSettingsStore;
class LQtUserPrompts;
class QPGanttPane;
class QPProject;

// The main window: it owns the one open project for as long as the program runs, and
// shows it as a Gantt chart.
class MainDialog : public QMainWindow, public QPGanttInterface {
    Q_OBJECT

public:
    explicit MainDialog(QWidget* parent = nullptr);
    ~MainDialog() override;

    QPProject& Project() { return *project_; }
    QPGanttPane& GanttPane() const { return *ganttPane_; }

    // Shows the project's name as the window's document name.
    void UpdateTitle();
    // Opens a project file, recalculates it and shows it. False, with the project left
    // empty, when the file cannot be read.
    bool OpenProjectFile(const std::string& path);
    // Recalculates the plan and redraws everything that shows it.
    void FullGUIRefresh();

    // "Export Gantt Chart to PDF..."
    void CmGanttExportPDF();

    void GanttViewSelectTask(int64_t taskKey) override;
    // The task last clicked in the chart; -1 for none.
    int64_t SelectedTaskKey() const { return selectedTaskKey_; }

private:
    std::unique_ptr<QPProject> project_;
    std::unique_ptr<LQtSettingsStore> settings_;
    std::unique_ptr<LQtUserPrompts> prompts_;
    QPGanttPane* ganttPane_ = nullptr;
    int64_t selectedTaskKey_ = -1;
};
