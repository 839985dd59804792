#pragma once

#include "QPEditPanel.h"
#include "reports/QPReports.h"
#include "views/QPDataPanel.h"
#include "views/QPGanttView.h"

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>
#include <vector>

class LMailServices;
class LSettingsStore;
class LUserPrompts;
struct LEmailContext;
class QAction;
class QMenu;
class QPDialogRunner;
class QPGanttPane;
class QPProject;
class QPushButton;
class QTimer;
enum class eImportCSVKind;

// What the main window works with besides its own widgets. Anything left empty is made by
// the window itself: the user's preference store, dialogs for the prompts and editors, and
// the user's documents folder. Without mail services nothing is sent by e-mail.
struct MainDialogServices {
    LSettingsStore* settings = nullptr;
    LUserPrompts* prompts = nullptr;
    QPDialogRunner* dialogs = nullptr;
    std::string documentsFolder;
    LMailServices* mail = nullptr;
};

// The main window: it owns the one open project for as long as the program runs, shows it
// as a data panel of lists beside a Gantt chart, and carries out every command the user
// gives, each identified by its number.
class MainDialog : public QMainWindow,
                   public QPGanttInterface,
                   public QPDataPanelHost,
                   public QPEditPanelHost {
    Q_OBJECT

public:
    // The four characters "pref" as one number: the preferences command.
    static constexpr int kCmSettings = ('p' << 24) | ('r' << 16) | ('e' << 8) | 'f';
    // "mail": the e-mail settings.
    static constexpr int kCmEmailSettings = ('m' << 24) | ('a' << 16) | ('i' << 8) | 'l';
    static constexpr int kCmEditPanelOK = 5001;
    static constexpr int kCmEditPanelCancel = 5002;
    static constexpr int kCmEditPanelHelp = 5003;
    static constexpr int kCmHelpContents = 9021;

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
    // those a second start handed over. A file handed over while the window is busy waits
    // until it is idle again.
    void EvRunArguments(const std::vector<std::string>& arguments);
    // A project file opened from the desktop or dropped on the window; waits like a
    // hand-over.
    void EvLoadFile(const std::string& path);
    // An operation holds the project: a command is being carried out, or a dialog, a
    // progress window or a menu is open. Nothing may replace the project now.
    bool IsHoldingProject() const;
    // The file a hand-over or a drop left to open once the window is idle; empty when none.
    const std::string& PendingOpenPath() const { return pendingOpen_; }

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
    // The e-mail settings dialog; true when confirmed.
    bool CmEmailSettings();
    // The current Gantt chart to every resource that takes project updates, and to every
    // resource that takes task updates what changed for it since the last ones. Each first
    // makes sure the e-mail settings were seen; cancelling them cancels the command.
    void CmSendProjectUpdates();
    void CmSendTaskUpdates();
    void CmGanttExportPDF();
    // Project XML: a file's plan into the open project as one undo step, with a summary of
    // what could not be taken as it was; the plan out to a file other planners read.
    void CmProjectImportXml();
    void CmProjectExportXml();
    // The four reports: generated from the project as it is now and shown in their window.
    void CmReport(eReportKind kind);
    void CmUndo();
    void CmRedo();
    void CmLayoutChange();

    // --- the elements -------------------------------------------------------------------
    void CmTaskNew();
    void CmTaskInsert();
    void CmTaskEdit();
    void CmResourceNew();
    void CmResourceEdit();
    void CmScheduleNew();
    void CmScheduleEdit();
    void CmTaskDelete();
    void CmResourceDelete();
    void CmScheduleDelete();
    void CmBaselineNew();
    void CmBaselineDelete();
    void CmBaselineCompare();
    // The CSV imports: the wizard of each kind, and everything one import added as one
    // undo step.
    void CmTaskImportCSV();
    void CmResourceImportCSV();
    void CmScheduleImportCSV();
    // OK under the edit panel: everything the editor and the update record is one undo step.
    void CmEditPanelOK();
    // Cancel under the edit panel, or any command that must close it first; false when the
    // editor refuses to close.
    bool CmEditPanelClose(bool cancel);
    void CmEditPanelHelp();
    // The context menu of the showing list, at the place of the right click.
    void CmListRightClick();
    // That menu, for the caller to show.
    std::unique_ptr<QMenu> ListContextMenu();

    QPEditPanel* EditPanel() const { return editPanel_; }
    const std::string& HelpTopic() const { return helpTopic_; }

    void EvInterWinMessage(int message, QPTask& task, std::unique_ptr<QPTask> created) override;
    void EvInterWinMessage(int message, QPResource& resource,
                           std::unique_ptr<QPResource> created) override;
    void EvInterWinMessage(int message, QPSchedule& schedule,
                           std::unique_ptr<QPSchedule> created) override;

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
    // Embeds a new editor for the element with `id` (-1 for a new one) of `list`.
    void ShowEditPanel(QPEditPanel* panel, eDataPanelList list, int32_t id, int64_t key);
    void DestroyEditPanel();
    void OpenTaskEditor(QPEditTarget<QPTask> target, int64_t insertBeforeKey);
    void OpenResourceEditor(QPEditTarget<QPResource> target);
    void OpenScheduleEditor(QPEditTarget<QPSchedule> target);
    // The accepted elements, put in place in the project; then the plan is recalculated.
    void TaskUpdate(QPTask& task, std::unique_ptr<QPTask> created);
    void TaskAddToProject(QPTask& task, std::unique_ptr<QPTask> created, int32_t insertBeforeID);
    void ResourceUpdate(QPResource& resource, std::unique_ptr<QPResource> created);
    void ScheduleUpdate(QPSchedule& schedule, std::unique_ptr<QPSchedule> created);
    // Deletes the selected elements of one kind, after the refusals and the question.
    template <class T>
    void DeleteSelected(std::vector<int> ids, int32_t editingID, const char* kind,
                        const char* plural);
    void ImportCSV(eImportCSVKind kind);
    // IDs change when elements are deleted or moved: the element open in the edit panel is
    // followed by its key, and its row stays highlighted.
    void FollowEditedElement();
    // Reads a project file into the open project. The open project is only replaced when
    // the file is a readable project, so a mistaken choice never costs the user the plan
    // that was open (nor, through a later save, the file it came from).
    bool LoadProjectFile(const std::string& path);
    // Opens a file given on the command line or handed over: replaces the project, or
    // reports that the file cannot be read.
    void OpenArgumentFile(const std::string& path);
    // Opens the waiting file when nothing holds the project and no editor is open; else
    // looks again a little later.
    void OpenPendingFile();
    // The sending of task and project updates that may come before a save.
    void SendUpdatesBeforeSaving();
    LEmailContext MailContext() const;

    std::unique_ptr<LSettingsStore> ownSettings_;
    std::unique_ptr<LUserPrompts> ownPrompts_;
    std::unique_ptr<QPDialogRunner> ownDialogs_;
    LSettingsStore* settings_ = nullptr;
    LUserPrompts* prompts_ = nullptr;
    QPDialogRunner* dialogs_ = nullptr;
    std::string documentsFolder_;
    LMailServices* mail_ = nullptr;

    std::unique_ptr<QPProject> project_;
    QWidget* client_ = nullptr;
    QPGanttPane* ganttPane_ = nullptr;
    QPDataPanel* dataPanel_ = nullptr;
    // The element editor embedded in the window, and its buttons.
    QPEditPanel* editPanel_ = nullptr;
    eDataPanelList editingList_ = eDataPanelTaskList;
    int64_t editingKey_ = -1;
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
    // Commands being carried out (a command may pump events under a dialog or a progress
    // window, and so reach here again).
    int commandDepth_ = 0;
    std::string pendingOpen_;
    QTimer* pendingOpenTimer_ = nullptr;
    // The user already answered the question about unsaved changes for this close.
    bool closeApproved_ = false;
};
