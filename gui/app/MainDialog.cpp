#include "MainDialog.h"

#include "LQPainterSurface.h"
#include "LQtSettingsStore.h"
#include "LQtUserPrompts.h"
#include "QPDialogRunner.h"
#include "QPHelpWindow.h"
#include "QPQtDialogRunner.h"
#include "export/QPProjectXmlExport.h"
#include "fileformat/LSettings.h"
#include "framework/LFiles.h"
#include "framework/LFixedText.h"
#include "framework/LProcessDialog.h"
#include "framework/LVersion.h"
#include "import/QPProjectXmlImport.h"
#include "mail/LEmailSettingsDialog.h"
#include "mail/QPStatusUpdateExecute.h"
#include "model/QPProject.h"
#include "reports/QPReports.h"
#include "views/LAppSaveToPDF.h"
#include "views/QPGanttPane.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <array>
#include <filesystem>
#include <map>
#include <utility>

namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kLastProjectFilePath = "LastProjectFilePath";
constexpr const char* kPlacement = "MainWindow";
constexpr const char* kProjectFileType = "Kestrano Files";
constexpr const char* kProjectExtension = "qpp";
// How often a file waiting for the window to become idle looks again.
constexpr int kPendingOpenPollMs = 100;

// The menu bar, one entry per row: the header of a menu, its items and separators, and
// the end of the menu.
enum class MenuRow { Header, Item, Separator, End };
struct MenuEntry {
    MenuRow row;
    const char* text;
    int command;
};

constexpr std::array<MenuEntry, 46> kMenuTable = {{
        {MenuRow::Header, "Project", 0},
        {MenuRow::Item, "New Project...", 3001},
        {MenuRow::Item, "Edit Project...", 3005},
        {MenuRow::Item, "Open Project...", 3012},
        {MenuRow::Item, "Save Project...", 3013},
        {MenuRow::Item, "Save Project As...", 3014},
        {MenuRow::Separator, nullptr, 0},
        {MenuRow::Item, "New Baseline...", 3025},
        {MenuRow::Item, "Compare Baseline...", 3027},
        {MenuRow::Item, "Delete Baseline...", 3026},
        {MenuRow::Separator, nullptr, 0},
        {MenuRow::Item, "Export Gantt Chart to PDF...", 3018},
        {MenuRow::Item, "Import Project XML...", 3034},
        {MenuRow::Item, "Export Project XML...", 3035},
        {MenuRow::Separator, nullptr, 0},
        {MenuRow::Item, "Undo", 3019},
        {MenuRow::Item, "Redo", 3020},
        {MenuRow::End, nullptr, 0},
        {MenuRow::Header, "Tasks", 0},
        {MenuRow::Item, "New Task...", 3002},
        {MenuRow::Item, "Insert Task...", 3031},
        {MenuRow::Item, "Edit Task...", 3006},
        {MenuRow::Item, "Delete Task(s)...", 3015},
        {MenuRow::Item, "Import Tasks from CSV...", 3028},
        {MenuRow::End, nullptr, 0},
        {MenuRow::Header, "Resources", 0},
        {MenuRow::Item, "New Resource...", 3003},
        {MenuRow::Item, "Edit Resource...", 3007},
        {MenuRow::Item, "Delete Resource(s)...", 3016},
        {MenuRow::Item, "Import Resources from CSV...", 3029},
        {MenuRow::End, nullptr, 0},
        {MenuRow::Header, "Schedules", 0},
        {MenuRow::Item, "New Schedule...", 3004},
        {MenuRow::Item, "Edit Schedule...", 3008},
        {MenuRow::Item, "Delete Schedule(s)...", 3017},
        {MenuRow::Item, "Import Schedules from CSV...", 3030},
        {MenuRow::End, nullptr, 0},
        {MenuRow::Header, "Reports", 0},
        {MenuRow::Item, "Task Summary Report", 3021},
        {MenuRow::Item, "Task Detail Report", 3022},
        {MenuRow::Item, "Task Expense Report", 3023},
        {MenuRow::Item, "Resource Expense Report", 3024},
        {MenuRow::Separator, nullptr, 0},
        {MenuRow::Item, "Send Project Updates", 3032},
        {MenuRow::Item, "Send Task Updates", 3033},
        {MenuRow::End, nullptr, 0},
}};

// The keys of the menus and of the window; Command is Ctrl here.
struct KeyEntry {
    QKeyCombination keys;
    int command;
};

const std::array<KeyEntry, 13>& KeyMap()
{
    static const std::array<KeyEntry, 13> map = {{
            {Qt::CTRL | Qt::Key_N, 3001},
            {Qt::CTRL | Qt::Key_S, 3013},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_S, 3014},
            {Qt::CTRL | Qt::Key_P, 3012},
            {Qt::CTRL | Qt::Key_T, 3002},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_T, 3015},
            {Qt::CTRL | Qt::Key_R, 3003},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_R, 3016},
            {Qt::CTRL | Qt::Key_D, 3004},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_D, 3017},
            {Qt::CTRL | Qt::Key_Z, 3019},
            {Qt::CTRL | Qt::Key_Y, 3020},
            {Qt::CTRL | Qt::Key_Comma, MainDialog::kCmSettings},
    }};
    return map;
}

std::string FileBaseName(const std::string& path)
{
    std::string name = std::filesystem::path(path).filename().string();
    const std::string suffix = std::string(".") + kProjectExtension;
    if (name.size() > suffix.size() && name.ends_with(suffix))
        name.resize(name.size() - suffix.size());
    return name;
}

} // namespace

MainDialog::MainDialog(const MainDialogServices& services, QWidget* parent)
    : QMainWindow(parent), project_(std::make_unique<QPProject>())
{
    settings_ = services.settings;
    if (!settings_) {
        ownSettings_ = std::make_unique<LQtSettingsStore>();
        settings_ = ownSettings_.get();
    }
    prompts_ = services.prompts;
    if (!prompts_) {
        ownPrompts_ = std::make_unique<LQtUserPrompts>(this);
        prompts_ = ownPrompts_.get();
    }
    documentsFolder_ = services.documentsFolder.empty() ? LQtUserPrompts::DocumentsFolder()
                                                        : services.documentsFolder;
    mail_ = services.mail;
    dialogs_ = services.dialogs;
    if (!dialogs_) {
        ownDialogs_ =
                std::make_unique<QPQtDialogRunner>(*prompts_, *settings_, documentsFolder_, mail_);
        dialogs_ = ownDialogs_.get();
    }

    setAcceptDrops(true);
    // The name and version sit in the status bar as a widget: a message would be wiped by
    // the empty status tip of the first menu item the pointer passes over. A passing
    // message (a file waiting for the editor) covers it only while it shows.
    auto* version = new QLabel(QStringLiteral("%1 %2").arg(QString::fromUtf8(kKestranoName),
                                                           QString::fromUtf8(kKestranoVersion)));
    version->setObjectName(QStringLiteral("VersionLabel"));
    statusBar()->addWidget(version);
    InitToolBar();
    InitMenus();

    client_ = new QWidget(this);
    setCentralWidget(client_);
    client_->installEventFilter(this);
    ganttPane_ = new QPGanttPane(*this, client_);
    dataPanel_ = new QPDataPanel(*project_, *this, *settings_, client_);
    dataPanel_->InitDialog();
    editOK_ = new QPushButton(QStringLiteral("OK"), client_);
    editCancel_ = new QPushButton(QStringLiteral("Cancel"), client_);
    editHelp_ = new QPushButton(QStringLiteral("Help"), client_);
    const std::array<std::pair<QPushButton*, int>, 3> buttons = {{{editOK_, kCmEditPanelOK},
                                                                  {editCancel_, kCmEditPanelCancel},
                                                                  {editHelp_, kCmEditPanelHelp}}};
    for (const auto& [button, command] : buttons) {
        button->hide();
        connect(button, &QPushButton::clicked, this,
                [this, command = command] { Command(command); });
    }

    pendingOpenTimer_ = new QTimer(this);
    pendingOpenTimer_->setInterval(kPendingOpenPollMs);
    connect(pendingOpenTimer_, &QTimer::timeout, this, [this] { OpenPendingFile(); });

    resize(1200, 760);
    RestorePlacement();
    FullGUIRefresh();
}

MainDialog::~MainDialog() = default;

// ---------------------------------------------------------------------------------------
// Menus, toolbar and keys

QAction* MainDialog::MakeAction(int command, const QString& text)
{
    auto* action = new QAction(text, this);
    connect(action, &QAction::triggered, this, [this, command] { Command(command); });
    for (const KeyEntry& entry : KeyMap())
        if (entry.command == command)
            action->setShortcut(QKeySequence(entry.keys));
    actions_[command] = action;
    return action;
}

void MainDialog::InitMenus()
{
    // The application's own menu, where the desktop looks for preferences and quitting.
    QMenu* application = menuBar()->addMenu(QStringLiteral("Kestrano"));
    QAction* preferences = MakeAction(kCmSettings, QStringLiteral("Preferences..."));
    preferences->setMenuRole(QAction::PreferencesRole);
    application->addAction(preferences);
    // Once confirmed, the e-mail settings are not asked for again before sending: this is
    // where they are changed afterwards.
    application->addAction(MakeAction(kCmEmailSettings, QStringLiteral("Email Settings...")));
    application->addSeparator();
    QAction* quit = application->addAction(QStringLiteral("Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu* menu = nullptr;
    for (const MenuEntry& entry : kMenuTable) {
        switch (entry.row) {
        case MenuRow::Header:
            menu = menuBar()->addMenu(QString::fromUtf8(entry.text));
            break;
        case MenuRow::Item:
            menu->addAction(MakeAction(entry.command, QString::fromUtf8(entry.text)));
            break;
        case MenuRow::Separator:
            menu->addSeparator();
            break;
        case MenuRow::End:
            menu = nullptr;
            break;
        }
    }
    // Help has the numbers from 9021 on.
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->addAction(MakeAction(kCmHelpContents, QStringLiteral("Kestrano Help")));
}

void MainDialog::InitToolBar()
{
    QToolBar* toolBar = addToolBar(QStringLiteral("Main"));
    toolBar->setObjectName(QStringLiteral("MainToolBar"));
    toolBar->setMovable(false);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct Button {
        int command;
        const char* label;
        const char* tip;
    };
    const std::array<Button, 5> buttons = {{
            {3002, "New Task", "Add a new task to the current project"},
            {3003, "New Resource", "Add a new resource to the current project"},
            {3004, "New Schedule", "Add a new schedule to the current project"},
            {3011, "Layout", "Switch layout orientation"},
            {kCmSettings, "Kestrano Preferences", "Adjust settings and Preferences"},
    }};
    for (const Button& button : buttons) {
        auto* action = new QAction(QString::fromUtf8(button.label), this);
        action->setToolTip(QString::fromUtf8(button.tip));
        const int command = button.command;
        connect(action, &QAction::triggered, this, [this, command] { Command(command); });
        toolBar->addAction(action);
        toolBarActions_[command] = action;
    }
}

QAction* MainDialog::CommandAction(int command) const
{
    const auto found = actions_.find(command);
    if (found != actions_.end())
        return found->second;
    const auto tool = toolBarActions_.find(command);
    return tool != toolBarActions_.end() ? tool->second : nullptr;
}

// ---------------------------------------------------------------------------------------
// Commands

void MainDialog::Command(int command)
{
    // Double clicks and the context menu's entries reach the same handlers as the menus.
    static const std::map<int, void (*)(MainDialog&)> handlers = {
            {3001, [](MainDialog& w) { w.CmProjectNew(); }},
            {3002, [](MainDialog& w) { w.CmTaskNew(); }},
            {3003, [](MainDialog& w) { w.CmResourceNew(); }},
            {3004, [](MainDialog& w) { w.CmScheduleNew(); }},
            {3005, [](MainDialog& w) { w.CmProjectEdit(); }},
            {3006, [](MainDialog& w) { w.CmTaskEdit(); }},
            {3007, [](MainDialog& w) { w.CmResourceEdit(); }},
            {3008, [](MainDialog& w) { w.CmScheduleEdit(); }},
            {3009, [](MainDialog& w) { w.ganttPane_->CmGanttViewApplyScrollV(); }},
            {3010, [](MainDialog& w) { w.ganttPane_->CmGanttViewApplyScrollH(); }},
            {3011, [](MainDialog& w) { w.CmLayoutChange(); }},
            {3012, [](MainDialog& w) { w.CmProjectLoad(); }},
            {3013, [](MainDialog& w) { w.CmProjectSave(); }},
            {3014, [](MainDialog& w) { w.CmProjectSaveAs(); }},
            {3015, [](MainDialog& w) { w.CmTaskDelete(); }},
            {3016, [](MainDialog& w) { w.CmResourceDelete(); }},
            {3017, [](MainDialog& w) { w.CmScheduleDelete(); }},
            {3018, [](MainDialog& w) { w.CmGanttExportPDF(); }},
            {3019, [](MainDialog& w) { w.CmUndo(); }},
            {3020, [](MainDialog& w) { w.CmRedo(); }},
            {3021, [](MainDialog& w) { w.CmReport(eReportKind::taskSummary); }},
            {3022, [](MainDialog& w) { w.CmReport(eReportKind::taskDetail); }},
            {3023, [](MainDialog& w) { w.CmReport(eReportKind::taskExpense); }},
            {3024, [](MainDialog& w) { w.CmReport(eReportKind::resourceExpense); }},
            {3025, [](MainDialog& w) { w.CmBaselineNew(); }},
            {3026, [](MainDialog& w) { w.CmBaselineDelete(); }},
            {3027, [](MainDialog& w) { w.CmBaselineCompare(); }},
            {3028, [](MainDialog& w) { w.CmTaskImportCSV(); }},
            {3029, [](MainDialog& w) { w.CmResourceImportCSV(); }},
            {3030, [](MainDialog& w) { w.CmScheduleImportCSV(); }},
            {3031, [](MainDialog& w) { w.CmTaskInsert(); }},
            {3032, [](MainDialog& w) { w.CmSendProjectUpdates(); }},
            {3033, [](MainDialog& w) { w.CmSendTaskUpdates(); }},
            {3034, [](MainDialog& w) { w.CmProjectImportXml(); }},
            {3035, [](MainDialog& w) { w.CmProjectExportXml(); }},
            {4501, [](MainDialog& w) { w.EnableControls(); }},
            {4502, [](MainDialog& w) { w.CmTaskEdit(); }},
            {4503, [](MainDialog& w) { w.CmResourceEdit(); }},
            {4504, [](MainDialog& w) { w.CmScheduleEdit(); }},
            {4505, [](MainDialog& w) { w.CmListRightClick(); }},
            // Tasks were reordered by dragging; their order decides which task leveling
            // delays.
            {4506,
             [](MainDialog& w) {
                 w.RecalculateProject();
                 w.FullGUIRefresh();
             }},
            {kCmEditPanelOK, [](MainDialog& w) { w.CmEditPanelOK(); }},
            {kCmEditPanelCancel, [](MainDialog& w) { w.CmEditPanelClose(true); }},
            {kCmEditPanelHelp, [](MainDialog& w) { w.CmEditPanelHelp(); }},
            {kCmHelpContents,
             [](MainDialog& w) { QPHelpWindow::ShowTopic(QStringLiteral("index"), &w); }},
            {kCmEmailSettings, [](MainDialog& w) { w.CmEmailSettings(); }},
            {kCmSettings,
             [](MainDialog& w) {
                 if (w.CmSettings())
                     w.dataPanel_->AllListRefresh();
             }},
    };
    const auto handler = handlers.find(command);
    if (handler == handlers.end())
        return;
    ++commandDepth_;
    handler->second(*this);
    --commandDepth_;
}

bool MainDialog::IsHoldingProject() const
{
    return commandDepth_ > 0 || QApplication::activeModalWidget() ||
           QApplication::activePopupWidget();
}

bool MainDialog::IsCommandEnabled(int command) const
{
    const bool panelOpen = editPanel_ != nullptr;
    switch (command) {
    case 3019:
        return !panelOpen && project_->undoStack.CanUndo();
    case 3020:
        return !panelOpen && project_->undoStack.CanRedo();
    case 3006:
    case 3031:
        return dataPanel_->GetTaskListSelectionCount() == 1;
    case 3015:
        return dataPanel_->GetTaskListSelectionCount() >= 1;
    case 3007:
        return dataPanel_->GetResourceListSelectionCount() == 1;
    case 3016:
        return dataPanel_->GetResourceListSelectionCount() >= 1;
    case 3008:
        return dataPanel_->GetScheduleListSelectionCount() == 1;
    case 3017:
        return dataPanel_->GetScheduleListSelectionCount() >= 1;
    case 3026:
    case 3027:
        return !project_->baselines.empty();
    case 3032:
    case 3033:
        return mail_ != nullptr;
    default:
        return true;
    }
}

void MainDialog::EnableControls()
{
    for (const auto* table : {&actions_, &toolBarActions_})
        for (const auto& [command, action] : *table)
            action->setEnabled(IsCommandEnabled(command));
    setWindowModified(project_->IsProjectDirty());
}

// ---------------------------------------------------------------------------------------
// Start arguments

void MainDialog::EvRunArguments(const std::vector<std::string>& arguments)
{
    if (!started_) {
        started_ = true;
        if (arguments.size() < 2) {
            const std::string last =
                    LSettings(*settings_).GetString(kSettings, kLastProjectFilePath).str();
            if (!last.empty() && LoadProjectFile(last)) {
                projectFilePath_ = last;
                RecalculateProject();
                FullGUIRefresh();
            } else {
                CmProjectNew();
                FullGUIRefresh();
            }
            return;
        }
        OpenArgumentFile(arguments[1]);
        return;
    }
    // A second start. Without a file it only brings this window forward; with one, the
    // open project is replaced once nothing holds it any more, and unsaved changes are not
    // thrown away unasked. A later file replaces one still waiting.
    raise();
    activateWindow();
    // A dialog the user still has to answer stays on top of the window.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    if (arguments.size() < 2 || arguments[1].empty())
        return;
    pendingOpen_ = arguments[1];
    OpenPendingFile();
}

void MainDialog::EvLoadFile(const std::string& path)
{
    if (!QFileInfo::exists(QString::fromStdString(path)))
        return;
    EvRunArguments({QCoreApplication::applicationFilePath().toStdString(), path});
}

void MainDialog::OpenPendingFile()
{
    if (pendingOpen_.empty()) {
        pendingOpenTimer_->stop();
        return;
    }
    // A hand-over arrives from the event loop, and so does a drop; both can come while a
    // progress window or a dialog pumps events in the middle of an operation that holds
    // the project, or while an editor holds one of its elements.
    if (IsHoldingProject() || editPanel_) {
        if (editPanel_ && !IsHoldingProject())
            statusBar()->showMessage(
                    QStringLiteral("%1 opens when the editor is closed.")
                            .arg(QFileInfo(QString::fromStdString(pendingOpen_)).fileName()));
        if (!pendingOpenTimer_->isActive())
            pendingOpenTimer_->start();
        return;
    }
    pendingOpenTimer_->stop();
    const std::string path = std::exchange(pendingOpen_, {});
    statusBar()->clearMessage();
    // The question is a dialog: a file handed over meanwhile waits for it.
    ++commandDepth_;
    if (AskToSave("Cancel Load"))
        OpenArgumentFile(path);
    --commandDepth_;
}

void MainDialog::OpenArgumentFile(const std::string& given)
{
    // The file is stored as the last project, which the next start opens from wherever it
    // is started.
    const std::string path =
            QDir::cleanPath(QFileInfo(QString::fromStdString(given)).absoluteFilePath())
                    .toStdString();
    if (!LoadProjectFile(path)) {
        prompts_->ShowAlert("Invalid Kestrano File",
                            "Unable to open file: " + path + ". The file may be corrupt.");
        FullGUIRefresh();
        return;
    }
    projectFilePath_ = LCutUtf8(path);
    LSettings(*settings_).SetString(kSettings, kLastProjectFilePath, projectFilePath_);
    RecalculateProject();
    FullGUIRefresh();
}

bool MainDialog::LoadProjectFile(const std::string& path)
{
    // Reading the file twice costs a few milliseconds even for large plans; it buys the
    // guarantee that a file which is not a project leaves the open one as it was.
    QPProject probe;
    if (probe.ProjectLoad(path) != 0)
        return false;
    return project_->ProjectLoad(path) == 0;
}

// ---------------------------------------------------------------------------------------
// The document

bool MainDialog::AskToSave(const char* cancelButton)
{
    if (!project_->IsProjectDirty())
        return true;
    const int answer =
            prompts_->AskQuestion("Save Changes", "Save changes to " + project_->name.str() + "?",
                                  {"Save", "Don't Save", cancelButton});
    if (answer == 0)
        return CmProjectSave();
    return answer == 1;
}

std::string MainDialog::GetProjectsFolder() const
{
    const std::filesystem::path folder =
            std::filesystem::path(documentsFolder_) / "Kestrano Projects";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return folder.string();
}

void MainDialog::CmProjectNew()
{
    if (!CmEditPanelClose(true) || !AskToSave("Cancel"))
        return;
    if (!dialogs_->RunProjectDialog(*project_, true, this))
        return;
    const std::string name = project_->name.str();
    const LDateTime start = project_->projectStart;
    const LDateTime deadline = project_->projectDeadline;
    project_->ProjectReset(true);
    project_->SetName(name);
    if (project_->projectStart != start) {
        project_->projectStart = start;
        project_->dirty = true;
    }
    if (project_->projectDeadline != deadline) {
        project_->projectDeadline = deadline;
        project_->dirty = true;
    }
    projectFilePath_.clear();
    RecalculateProject();
    FullGUIRefresh();
}

void MainDialog::CmProjectEdit()
{
    if (!dialogs_->RunProjectDialog(*project_, false, this))
        return;
    RecalculateProject();
    FullGUIRefresh();
}

void MainDialog::CmProjectLoad()
{
    if (!CmEditPanelClose(true) || !AskToSave("Cancel Load"))
        return;
    LOpenFileRequest request;
    request.title = "Open Project";
    request.fileTypeName = kProjectFileType;
    request.extension = kProjectExtension;
    request.folder =
            projectFilePath_.empty() ? GetProjectsFolder() : LFolderOfPath(projectFilePath_);
    const std::optional<std::string> path = prompts_->AskOpenFile(request);
    if (!path)
        return;
    if (!LoadProjectFile(*path)) {
        prompts_->ShowAlert("Invalid Kestrano File",
                            "Unable to open file: " + *path + ". The file may be corrupt.");
        FullGUIRefresh();
        return;
    }
    projectFilePath_ = LCutUtf8(*path);
    LSettings(*settings_).SetString(kSettings, kLastProjectFilePath, projectFilePath_);
    RecalculateProject();
    FullGUIRefresh();
}

bool MainDialog::CmProjectSave()
{
    if (projectFilePath_.empty())
        return CmProjectSaveAs();
    return ProjectSave();
}

bool MainDialog::CmProjectSaveAs()
{
    LSaveFileRequest request;
    request.title = "Save Project As";
    request.fileTypeName = kProjectFileType;
    request.extension = kProjectExtension;
    if (projectFilePath_.empty()) {
        request.folder = GetProjectsFolder();
        // A name may hold characters that cannot stand in a file name.
        std::string name = project_->name.str();
        for (char& c : name)
            if (c == '/')
                c = '-';
        request.defaultName = name + "." + kProjectExtension;
    } else {
        request.folder = LFolderOfPath(projectFilePath_);
        request.defaultName = FileBaseName(projectFilePath_) + "." + kProjectExtension;
    }
    request.confirmOverwrite = true;
    const std::optional<std::string> path = prompts_->AskSaveFile(request);
    if (!path)
        return false;
    // Until the new file is written the project still belongs to its old one: a failed save
    // must not leave the next Save aimed at a file that does not exist.
    const std::string previous = projectFilePath_;
    projectFilePath_ = LCutUtf8(*path);
    if (ProjectSave())
        return true;
    projectFilePath_ = previous;
    return false;
}

bool MainDialog::ProjectSave()
{
    if (projectFilePath_.empty())
        return false;
    const int answer = prompts_->AskQuestion(
            "Task And Project Updates",
            "Would you like to send out Task and Project Updates prior to saving?",
            {"Send Updates and Save", "Save Only"});
    if (answer == 0)
        SendUpdatesBeforeSaving();
    if (project_->ProjectSave(projectFilePath_) != 0) {
        prompts_->ShowAlert("Save Failed", "The project was not saved. Please ensure that the "
                                           "destination folder is not write-protected.");
        EnableControls();
        return false;
    }
    LSettings(*settings_).SetString(kSettings, kLastProjectFilePath, projectFilePath_);
    EnableControls();
    return true;
}

void MainDialog::SendUpdatesBeforeSaving()
{
    // Whatever happens here, the save follows: incomplete settings or a failed sending
    // never cost the user the changes.
    if (!mail_ || !LEmailSendSettingsIfRequired(this, MailContext()))
        return;
    QPProjectUpdateExecute(this, *project_, ganttPane_->View(), MailContext());
    QPTaskUpdateExecute(this, *project_, ganttPane_->View(), MailContext());
}

LEmailContext MainDialog::MailContext() const
{
    return LEmailContext{*settings_, *prompts_, mail_};
}

bool MainDialog::CmEmailSettings()
{
    return LEmailSendSettingsDialog(this, MailContext());
}

void MainDialog::CmSendProjectUpdates()
{
    if (!mail_ || !LEmailSendSettingsIfRequired(this, MailContext()))
        return;
    QPProjectUpdateExecute(this, *project_, ganttPane_->View(), MailContext());
}

void MainDialog::CmSendTaskUpdates()
{
    if (!mail_ || !LEmailSendSettingsIfRequired(this, MailContext()))
        return;
    QPTaskUpdateExecute(this, *project_, ganttPane_->View(), MailContext());
    // A successful run keeps the state it reported from, which the next save stores.
    EnableControls();
}

bool MainDialog::CmCancel()
{
    if (!CmEditPanelClose(true))
        return false;
    if (!project_->IsProjectDirty())
        return true;
    const int answer = prompts_->AskQuestion("Save Project Changes",
                                             "Do you wish to save changes made to " +
                                                     project_->name.str() + "?",
                                             {"Save", "Don't Save", "Cancel"});
    if (answer == 0)
        return CmProjectSave();
    return answer == 1;
}

bool MainDialog::CmSettings()
{
    if (!dialogs_->RunOptionsDialog(project_->options, this))
        return false;
    if (project_->options.changed) {
        project_->dirty = true;
        ganttPane_->PlotProject(*project_);
    }
    EnableControls();
    return true;
}

void MainDialog::CmGanttExportPDF()
{
    const LPDFWriterFactory createWriter = [](const std::string& path, int paperSize) {
        return std::make_unique<LPDFWriter>(path, paperSize);
    };
    LAppSaveToPDF(*prompts_, *settings_, documentsFolder_, createWriter, ganttPane_->View(),
                  LPrint::ePaperLetter);
}

void MainDialog::CmProjectImportXml()
{
    if (editPanel_ && !CmEditPanelClose(true))
        return;
    LSettings settings(*settings_);
    LOpenFileRequest request;
    request.title = "Import Project XML";
    request.fileTypeName = "Project XML File";
    request.extension = "xml";
    request.folder = settings.GetString("Settings", "ProjectXmlFolder", documentsFolder_).str();
    const std::optional<std::string> path = prompts_->AskOpenFile(request);
    if (!path)
        return;
    settings.SetString("Settings", "ProjectXmlFolder", LFolderOfPath(*path));

    // A project without tasks takes the file's name, dates, currency and calendar; a plan
    // that has some keeps its own and gains the file's elements beside them.
    QPProjectXmlImportSettings options;
    options.takeProjectFields = project_->tasks.size() == 0;
    QPProjectXmlImport import(*project_, options);
    if (const QPFormOutcome refused = import.SetFilePath(*path)) {
        prompts_->ShowAlert(refused->title, refused->message);
        return;
    }
    // Everything one file added comes out again with one Undo.
    project_->UndoRedoGroupStart();
    const LProcessResult result = ProcessRunAsDialog(this, "Importing", import, *prompts_);
    project_->UndoRedoGroupEnd();
    if (result == eProcessFailed && !import.ErrorText().empty())
        prompts_->ShowAlert("Import Project XML", *path + ": " + import.ErrorText());
    if (result != eProcessSucceeded)
        return;
    RecalculateProject();
    FullGUIRefresh();

    // The summary, and what was not taken as the file had it; a long list is cut, as an
    // alert cannot scroll (kestrano-cli import-xml prints all of it).
    constexpr std::size_t kShownLines = 30;
    const std::vector<std::string> lines = import.ResultLines();
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < kShownLines; ++i)
        text += (i ? "\n" : "") + lines[i];
    if (lines.size() > kShownLines)
        text += "\n... and " + std::to_string(lines.size() - kShownLines) + " more.";
    prompts_->ShowInformation("Import Project XML", text);
}

void MainDialog::CmProjectExportXml()
{
    LSettings settings(*settings_);
    LSaveFileRequest request;
    request.title = "Export Project XML";
    request.fileTypeName = "Project XML File";
    request.extension = "xml";
    request.defaultName =
            projectFilePath_.empty() ? project_->name.str() : FileBaseName(projectFilePath_);
    request.folder = settings.GetString("Settings", "ProjectXmlFolder", documentsFolder_).str();
    request.confirmOverwrite = true;
    const std::optional<std::string> path = prompts_->AskSaveFile(request);
    if (!path)
        return;
    settings.SetString("Settings", "ProjectXmlFolder", LFolderOfPath(*path));
    if (LIsFileInUse(*path)) {
        prompts_->ShowAlert("Export Project XML",
                            "The document is in use by another application and cannot be accessed");
        return;
    }
    // The file is written beside the target and renamed over it only when whole.
    if (!QPProjectXmlExportToFile(*project_, *path))
        prompts_->ShowAlert("Export Project XML", "The file " + *path + " could not be written.");
}

void MainDialog::CmReport(eReportKind kind)
{
    const std::unique_ptr<QPReportBase> report = QPMakeReport(kind, *project_);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    report->GenerateReport();
    QGuiApplication::restoreOverrideCursor();
    if (report->rowCount == 0) {
        prompts_->ShowInformation(kReportEmptyTitle, kReportEmptyMessage);
        return;
    }
    dialogs_->RunReportWindow(*report, this);
}

void MainDialog::CmUndo()
{
    if (editPanel_ || !project_->undoStack.CanUndo())
        return;
    project_->undoStack.Undo();
    RecalculateProject();
    FullGUIRefresh();
}

void MainDialog::CmRedo()
{
    if (editPanel_ || !project_->undoStack.CanRedo())
        return;
    project_->undoStack.Redo();
    RecalculateProject();
    FullGUIRefresh();
}

void MainDialog::CmLayoutChange()
{
    stackedLayout_ = !stackedLayout_;
    LayoutControls();
    dataPanel_->update();
}

// ---------------------------------------------------------------------------------------
// The window

void MainDialog::RecalculateProject()
{
    project_->AutoScheduleTasks();
    project_->CalculateEndDateByTasks();
}

void MainDialog::FullGUIRefresh()
{
    ganttPane_->PlotProject(*project_);
    dataPanel_->AllListRefresh();
    // IDs move when tasks are dragged, deleted or imported: the open editor keeps its
    // elements by key and shows their new IDs and choices.
    FollowEditedElement();
    if (editPanel_)
        editPanel_->ProjectUpdate();
    UpdateProjectName();
    LayoutControls();
    EnableControls();
}

void MainDialog::UpdateProjectName()
{
    // "[*]" is where the desktop marks a document with unsaved changes.
    setWindowTitle(QString::fromStdString(project_->name.str()) + QStringLiteral("[*]"));
}

void MainDialog::GanttViewSelectTask(int64_t taskKey)
{
    const QPTask* task = project_->tasks.GetElementByKey(taskKey);
    if (!task)
        return;
    dataPanel_->SelectTaskByID(task->id);
    EnableControls();
    OpenTaskEditor(QPEditTarget<QPTask>::Existing(*project_->tasks.GetElementByKey(taskKey)), -1);
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == client_ && event->type() == QEvent::Resize)
        LayoutControls();
    return QMainWindow::eventFilter(watched, event);
}

void MainDialog::LayoutControls()
{
    const int w = client_->width();
    const int h = client_->height();
    const int third = h / 3;
    QRect panelArea;
    if (stackedLayout_) {
        ganttPane_->setGeometry(0, 0, w, third);
        const QRect area(0, third, w, h - third);
        if (editPanel_) {
            dataPanel_->setGeometry(area.x(), area.y(), area.width() / 2, area.height());
            panelArea = QRect(area.width() / 2, area.y(), area.width() - area.width() / 2,
                              area.height() - 30);
        } else {
            dataPanel_->setGeometry(area);
        }
    } else {
        const int half = w / 2;
        ganttPane_->setGeometry(half, 0, w - half, h);
        if (editPanel_) {
            dataPanel_->setGeometry(0, 0, half, third);
            panelArea = QRect(0, third, half, h - third - 30);
        } else {
            dataPanel_->setGeometry(0, 0, half, h);
        }
    }
    if (!editPanel_)
        return;
    editPanel_->setGeometry(panelArea);
    // OK, Cancel and Help, right-aligned under the panel, 5 pixels apart and below it.
    int right = panelArea.right() + 1;
    for (QPushButton* button : {editHelp_, editCancel_, editOK_}) {
        const int width = button->sizeHint().width();
        button->setGeometry(right - width, panelArea.bottom() + 1 + 5, width, 20);
        button->show();
        right -= width + 5;
    }
}

// ---------------------------------------------------------------------------------------
// Window events

bool MainDialog::ApproveSessionEnd()
{
    // In the middle of an operation the question cannot be asked, nor the plan saved
    // safely: the session waits.
    if (IsHoldingProject())
        return false;
    closeApproved_ = CmCancel();
    return closeApproved_;
}

void MainDialog::closeEvent(QCloseEvent* event)
{
    // Closing under an operation would destroy what it works on; the window stays.
    if (!closeApproved_ && IsHoldingProject()) {
        event->ignore();
        return;
    }
    if (!closeApproved_ && !CmCancel()) {
        event->ignore();
        return;
    }
    closeApproved_ = false;
    StorePlacement();
    dataPanel_->DestroyDialog();
    event->accept();
}

void MainDialog::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".qpp"))) {
                event->acceptProposedAction();
                return;
            }
}

void MainDialog::dropEvent(QDropEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".qpp"))) {
            event->acceptProposedAction();
            const std::string path = url.toLocalFile().toStdString();
            // After the drop has finished: opening may ask questions.
            QTimer::singleShot(0, this, [this, path] { EvLoadFile(path); });
            return;
        }
}

void MainDialog::RestorePlacement()
{
    const LSettings settings(*settings_);
    const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())
                                 ->availableGeometry();
    const int width =
            settings.GetIntClamped(kPlacement, "Width", this->width(), 400, screen.width());
    const int height =
            settings.GetIntClamped(kPlacement, "Height", this->height(), 300, screen.height());
    const int left =
            settings.GetIntClamped(kPlacement, "X", x(), screen.left(), screen.right() - width + 1);
    const int top = settings.GetIntClamped(kPlacement, "Y", y(), screen.top(),
                                           screen.bottom() - height + 1);
    resize(width, height);
    if (settings_->Read(LSettingsFullName(kPlacement, "X")))
        move(left, top);
    if (settings.GetBool(kPlacement, "Maximized", false))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainDialog::StorePlacement()
{
    LSettings settings(*settings_);
    const QRect frame = normalGeometry();
    settings.SetInt(kPlacement, "X", frame.x());
    settings.SetInt(kPlacement, "Y", frame.y());
    settings.SetInt(kPlacement, "Width", frame.width());
    settings.SetInt(kPlacement, "Height", frame.height());
    settings.SetBool(kPlacement, "Maximized", isMaximized());
}
