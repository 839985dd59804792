#pragma once

#include "views/QPDataPanel.h"
#include "views/QPGanttView.h"

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>
#include <vector>

class LSettingsStore;
class LUserPrompts;
class QAction;
class QPDialogRunner;
class QPGanttPane;
class QPProject;
class QPushButton;

// What the main window works with besides its own widgets. Anything left empty is made by
// the window itself: the user's preference store, dialogs for the prompts and editors, and
// the user's documents folder.
struct MainDialogServices {
    LSettingsStore* settings = nullptr;
    LUserPrompts* prompts = nullptr;
    QPDialogRunner* dialogs = nullptr;
    std::string documentsFolder;
};

// The main window: it owns the one open project for as long as the program runs, shows it
// as a data panel of lists beside a Gantt chart, and carries out every command the user
// gives, each identified by its number.
class MainDialog : public QMainWindow, public QPGanttInterface, public QPDataPanelHost {
    Q_OBJECT

public:
    // The four characters "pref" as one number: the preferences command.
    static constexpr int kCmSettings = ('p' << 24) | ('r' << 16) | ('e' << 8) | 'f';
    static constexpr int kCmEditPanelOK = 5001;
    static constexpr int kCmEditPanelCancel = 5002;
    static constexpr int kCmEditPanelHelp = 5003;

    explicit MainDialog(const MainDialogServices& services = {}, QWidget* parent = nullptr);
    ~MainDialog() override;

    QPProject& Project() { return *project_; }
    QPGanttPane& GanttPane() const { return *ganttPane_; }
    QPDataPanel& DataPanel() const { return *dataPanel_; }
    const std::string& ProjectFilePath() const { return projectFilePath_; }
    bool IsStackedLayout() const { return stackedLayout_; }

    // Carries out the command with this number; any number without a command is ignored.
    void Command(int command) override;
    // The menu or toolbar action of a command, or none.
    QAction* CommandAction(int command) const;

    // The arguments the program was started with (the first is the program itself), or
    // those a second start handed over.
    void EvRunArguments(const std::vector<std::string>& arguments);
    // A project file opened from the desktop or dropped on the window.
    void EvLoadFile(const std::string& path);

    // --- the document -------------------------------------------------------------------
    void CmProjectNew();
    void CmProjectEdit();
    void CmProjectLoad();
    bool CmProjectSave();
    bool CmProjectSaveAs();
    bool ProjectSave();
    // Whether the window may close; asks about unsaved changes.
    bool CmCancel();
    // The desktop session is ending: the same question as closing, asked once, so that
    // logging out never drops unsaved changes unasked. False keeps the session going.
    bool ApproveSessionEnd();
    bool CmSettings();
    void CmGanttExportPDF();
    void CmUndo();
    void CmRedo();
    void CmLayoutChange();

    // "Kestrano Projects" in the user's documents folder, made when missing.
    std::string GetProjectsFolder() const;

    // --- the window ---------------------------------------------------------------------
    // Recalculates the plan from scratch and the project's finish.
    void RecalculateProject();
    // Re-plots the chart, refills the lists, sets the caption, lays out and enables.
    void FullGUIRefresh();
    void UpdateProjectName();
    void EnableControls();
    // Whether the rules of the moment allow the command (selection, undo history,
    // baselines, an open edit panel).
    bool IsCommandEnabled(int command) const;

    void GanttViewSelectTask(int64_t taskKey) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void InitMenus();
    void InitToolBar();
    QAction* MakeAction(int command, const QString& text);
    void LayoutControls();
    void RestorePlacement();
    void StorePlacement();

    // Answers the question about unsaved changes before the project is replaced; false
    // when the command must stop.
    bool AskToSave(const char* cancelButton);
    // Closes an open edit panel as "Cancel" does; false when it refuses to close.
    bool CloseEditPanel();
    // Reads a project file into the open project. The open project is only replaced when
    // the file is a readable project, so a mistaken choice never costs the user the plan
    // that was open (nor, through a later save, the file it came from).
    bool LoadProjectFile(const std::string& path);
    // Opens a file given on the command line or handed over: replaces the project, or
    // reports that the file cannot be read.
    void OpenArgumentFile(const std::string& path);
    // The sending of task and project updates that may come before a save.
    void SendUpdatesBeforeSaving();

    std::unique_ptr<LSettingsStore> ownSettings_;
    std::unique_ptr<LUserPrompts> ownPrompts_;
    std::unique_ptr<QPDialogRunner> ownDialogs_;
    LSettingsStore* settings_ = nullptr;
    LUserPrompts* prompts_ = nullptr;
    QPDialogRunner* dialogs_ = nullptr;
    std::string documentsFolder_;

    std::unique_ptr<QPProject> project_;
    QWidget* client_ = nullptr;
    QPGanttPane* ganttPane_ = nullptr;
    QPDataPanel* dataPanel_ = nullptr;
    // The element editor embedded in the window, and its buttons.
    QWidget* editPanel_ = nullptr;
    QPushButton* editOK_ = nullptr;
    QPushButton* editCancel_ = nullptr;
    QPushButton* editHelp_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, QAction*> toolBarActions_;

    std::string projectFilePath_;
    std::string helpTopic_;
    bool stackedLayout_ = true;
    int32_t editingTaskID_ = -1;
    int32_t editingResourceID_ = -1;
    int32_t editingScheduleID_ = -1;
    bool started_ = false;
    // The user already answered the question about unsaved changes for this close.
    bool closeApproved_ = false;
};
