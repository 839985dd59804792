// The main window's mail: sending project and task updates, the e-mail settings asked for
// before the first message, and the updates that may go out before a save. The mail goes
// through a scripted sendmail, whose input is the whole message.

#include "app/MainDialog.h"
#include "mail/LEmailPrintProcess.h"
#include "mail/LEmailSettingsDialog.h"
#include "model/QPBaseline.h"

#include "gui/MainWindowFixture.h"
#include "support/ScriptedMail.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace LEmailSettingsRules;

namespace {

class MainWindowMail : public MainWindow {
protected:
    MainWindowMail()
    {
        window = std::make_unique<MainDialog>(
                MainDialogServices{&store, &prompts, &dialogs, documents, &mail});
        QPProject& project = window->Project();
        project.SetName("Office Move");
        AddTask(project, "Survey");
        Resource("Anna", "anna@example.org", true, true);
        Resource("Ben", "ben@example.org", false, false);
        Resource("Cleo", "cleo@example.org", true, false);
        project.tasks.GetElement(1)->AddResourceAssignment(ResourceKey("Anna"), 50);
        project.tasks.GetElement(1)->AddResourceAssignment(ResourceKey("Ben"), 100);
        window->RecalculateProject();
        window->FullGUIRefresh();
        project.undoStack.MarkCurrentStateAsSaved();
        project.dirty = false;
    }

    void Resource(const char* name, const char* email, bool projectUpdates, bool taskUpdates)
    {
        auto resource = std::make_unique<QPResource>();
        resource->name = name;
        resource->email = email;
        resource->sendProjectUpdates = projectUpdates;
        resource->sendTaskUpdates = taskUpdates;
        resource->scheduleKey = window->Project().defaultScheduleKey;
        window->Project().ElementAdd(std::move(resource), true);
    }
    int64_t ResourceKey(const char* name)
    {
        return window->Project().resources.GetElement(std::string_view(name))->key;
    }
    // The settings as confirmed once: sendmail, so every message is one program's input.
    void SettingsSeen()
    {
        LSettings settings(store);
        settings.SetBool("Email", "UseSendMail", true);
        settings.SetBool("Email", "UseSMTPHost", false);
        settings.SetBool("Email", "SendDirect", false);
        settings.SetString("Email", "ReplyToEmail", "planner@example.org");
        settings.SetBool("Email", "SetViewed", true);
    }
    // The messages handed to sendmail so far, then forgotten.
    std::vector<std::string> Messages()
    {
        std::vector<std::string> messages;
        for (const auto& program : mail.programs)
            messages.push_back(program->input);
        mail.programs.clear();
        return messages;
    }
    std::vector<std::string> Informations()
    {
        std::vector<std::string> shown;
        for (const ScriptedPrompts::Prompt& prompt : prompts.Take())
            shown.push_back(prompt.kind + ": " + prompt.title + ": " + prompt.message);
        return shown;
    }

    ScriptedMailServices mail;
};

// Acts on the settings dialog that the command is about to show.
void WhenSettingsShow(std::function<void(LEmailSettingsDialog&)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* dialog = qobject_cast<LEmailSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

void ChooseSendmail(LEmailSettingsDialog& dialog)
{
    dialog.MethodButton(eSendMethodSendMail).setChecked(true);
    dialog.ReplyEdit().setText(QStringLiteral("planner@example.org"));
    dialog.accept();
}

// The attached file of a message as sendmail received it: its name and its bytes.
std::pair<std::string, QByteArray> Attachment(const std::string& message)
{
    const std::string marker = "Content-Disposition: attachment; filename=\"";
    const std::size_t at = message.find(marker);
    if (at == std::string::npos)
        return {};
    const std::size_t nameStart = at + marker.size();
    const std::string name = message.substr(nameStart, message.find('"', nameStart) - nameStart);
    const std::size_t data = message.find("\n\n", nameStart) + 2;
    const std::size_t end = message.find("\n--", data);
    return {name,
            QByteArray::fromBase64(QByteArray::fromStdString(message.substr(data, end - data)))};
}

} // namespace

TEST_F(MainWindowMail, ProjectUpdatesAskForTheSettingsOnceThenSendTheChart)
{
    EXPECT_TRUE(ActionEnabled(3032));
    WhenSettingsShow(ChooseSendmail);
    window->Command(3032);

    const std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("To: anna@example.org\n"), std::string::npos);
    EXPECT_NE(messages[1].find("To: cleo@example.org\n"), std::string::npos);
    for (const std::string& message : messages) {
        EXPECT_NE(message.find("From: planner@example.org\nTo: "), std::string::npos);
        EXPECT_NE(message.find("Subject: Project update for Office Move\n"), std::string::npos);
        EXPECT_NE(message.find("Please refer to the attached PDF for a current Gantt chart for "
                               "Office Move.\r\n\r\nThis email has been automatically generated "
                               "by Orvik Software's Kestrano."),
                  std::string::npos);
        // The chart as a whole PDF file, removed from the temporary folder once sent.
        const auto [name, pdf] = Attachment(message);
        EXPECT_EQ(name, std::filesystem::path(LEmailAttachmentPath("")).filename().string());
        EXPECT_TRUE(pdf.startsWith("%PDF-")) << name;
        EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF")) << name;
        EXPECT_FALSE(std::filesystem::exists(LEmailAttachmentPath("")));
    }
    EXPECT_EQ(Informations(),
              std::vector<std::string>{"information: Project Update Send Results: Project updates "
                                       "generated: 2\r\nUpdates successfully sent: 2"});

    // Confirmed once, the settings are not asked for again (a dialog left open would hang).
    window->Command(3032);
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_EQ(prompts.Take().size(), 1u);
}

TEST_F(MainWindowMail, CancellingTheSettingsCancelsTheCommand)
{
    for (const int command : {3032, 3033}) {
        WhenSettingsShow([](LEmailSettingsDialog& dialog) { dialog.reject(); });
        window->Command(command);
        EXPECT_TRUE(mail.programs.empty()) << command;
        EXPECT_TRUE(prompts.Take().empty()) << command;
    }
    EXPECT_EQ(window->Project().lastTaskUpdateState, nullptr);
    EXPECT_FALSE(LSettings(store).GetBool("Email", "SetViewed", false));
}

TEST_F(MainWindowMail, TaskUpdatesMoveTheLastStateOnOnlyWhenTheRunSucceeded)
{
    SettingsSeen();
    // sendmail cannot be started: the process reports it, the counts follow as an alert,
    // and the same changes are due next time.
    mail.programStarts = false;
    window->Command(3033);
    std::vector<ScriptedPrompts::Prompt> shown = prompts.Take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].kind, "alert");
    EXPECT_EQ(shown[0].title, "Sending Task Updates");
    EXPECT_NE(shown[0].message.find("sendmail"), std::string::npos);
    EXPECT_EQ(shown[1].kind + ": " + shown[1].title + ": " + shown[1].message,
              "alert: Task Update Send Results: Task updates generated: 1\r\nUpdates "
              "successfully sent: 0");
    EXPECT_EQ(window->Project().lastTaskUpdateState, nullptr);
    EXPECT_FALSE(window->Project().IsProjectDirty());

    mail.programStarts = true;
    Messages();
    window->Command(3033);
    const std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("To: anna@example.org\nSubject: Task update summary for Office "
                               "Move\n"),
              std::string::npos);
    EXPECT_NE(messages[0].find("New task assignment: Survey\r\n"), std::string::npos);
    EXPECT_EQ(Attachment(messages[0]).second.left(5), QByteArray("%PDF-"));
    EXPECT_EQ(Informations(),
              std::vector<std::string>{"information: Task Update Send Results: Task updates "
                                       "generated: 1\r\nUpdates successfully sent: 1"});
    ASSERT_NE(window->Project().lastTaskUpdateState, nullptr);
    EXPECT_TRUE(window->Project().IsProjectDirty());
    EXPECT_TRUE(window->isWindowModified());

    // Nothing changed since: nothing to send.
    window->Command(3033);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Informations(),
              std::vector<std::string>{"information: No Task Updates Sent: No resources eligible "
                                       "to receive task updates have been impacted by recent "
                                       "changes."});
}

TEST_F(MainWindowMail, SendUpdatesAndSaveSendsProjectThenTaskUpdatesThenSaves)
{
    SettingsSeen();
    const std::string path = Path("office.qpp");
    prompts.Then(path).Then("Send Updates and Save");
    EXPECT_TRUE(window->CmProjectSave());
    const std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_NE(messages[0].find("Subject: Project update for"), std::string::npos);
    EXPECT_NE(messages[1].find("Subject: Project update for"), std::string::npos);
    EXPECT_NE(messages[2].find("Subject: Task update summary for"), std::string::npos);
    const std::vector<std::string> shown = Informations();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[1].substr(0, 35), "question: Task And Project Updates:");
    EXPECT_EQ(shown[2], "information: Project Update Send Results: Project updates generated: "
                        "2\r\nUpdates successfully sent: 2");
    EXPECT_EQ(shown[3], "information: Task Update Send Results: Task updates generated: "
                        "1\r\nUpdates successfully sent: 1");
    // The state of the task updates just sent is saved with the project.
    EXPECT_FALSE(window->Project().IsProjectDirty());
    QPProject reread;
    ASSERT_EQ(reread.ProjectLoad(path), 0);
    ASSERT_NE(reread.lastTaskUpdateState, nullptr);
    EXPECT_EQ(reread.lastTaskUpdateState->tasks.size(), 1u);
}

TEST_F(MainWindowMail, SendUpdatesAndSaveSavesEvenWhenTheSettingsAreNotCompleted)
{
    const std::string path = Path("office.qpp");
    prompts.Then(path).Then("Send Updates and Save");
    WhenSettingsShow([](LEmailSettingsDialog& dialog) {
        // OK refuses (no reply address for the server); the user gives up.
        dialog.accept();
        dialog.reject();
    });
    EXPECT_TRUE(window->CmProjectSave());
    EXPECT_TRUE(mail.programs.empty());
    const std::vector<ScriptedPrompts::Prompt> shown = prompts.Take();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].title, "Reply Email Required");
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(window->Project().IsProjectDirty());
}

TEST_F(MainWindowMail, EmailSettingsSitBesidePreferencesInTheApplicationMenu)
{
    const QList<QAction*> entries = window->menuBar()->actions().front()->menu()->actions();
    ASSERT_GE(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("Preferences..."));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("Email Settings..."));
    EXPECT_EQ(window->CommandAction(MainDialog::kCmEmailSettings), entries[1]);

    SettingsSeen();
    WhenSettingsShow([](LEmailSettingsDialog& dialog) {
        EXPECT_TRUE(dialog.MethodButton(eSendMethodSendMail).isChecked());
        dialog.MethodButton(eSendMethodDirect).setChecked(true);
        dialog.accept();
    });
    entries[1]->trigger();
    EXPECT_TRUE(LSettings(store).GetBool("Email", "SendDirect", false));

    // Without mail services the updates cannot be sent.
    MainDialog withoutMail(MainDialogServices{&store, &prompts, &dialogs, documents});
    EXPECT_FALSE(withoutMail.CommandAction(3032)->isEnabled());
    EXPECT_FALSE(withoutMail.CommandAction(3033)->isEnabled());
}

TEST_F(MainWindowMail, AFileHandedOverWhileUpdatesAreSentWaitsForTheSave)
{
    // A mail server that is slow to greet: while the progress window waits for it, the
    // user double-clicks another project.
    LSettings settings(store);
    settings.SetBool("Email", "UseSendMail", false);
    settings.SetBool("Email", "UseSMTPHost", true);
    settings.SetBool("Email", "SendDirect", false);
    settings.SetString("Email", "MailSMTPHost", "smtp.example.com:2525");
    settings.SetString("Email", "ReplyToEmail", "planner@example.org");
    settings.SetBool("Email", "SetViewed", true);
    SecondStarts starts(*window, folder.filePath(QStringLiteral("channel")));
    dialogs.projectSteps.push_back(Cancel);
    window->EvRunArguments({"kestrano"});
    const std::string other = WriteProject("other.qpp", "Other Plan");
    ScriptedMailServer& slow = mail.Listen("smtp.example.com", 2525);
    slow.Do([&] { starts.SecondStart({"kestrano", other}); });
    AcceptMessage(slow);
    AcceptMessage(mail.Listen("smtp.example.com", 2525));
    AcceptMessage(mail.Listen("smtp.example.com", 2525));

    const std::string path = Path("office.qpp");
    prompts.Then(path).Then("Send Updates and Save");
    EXPECT_TRUE(window->CmProjectSave());
    EXPECT_EQ(starts.received, 1);

    // Every message went to the resource it was for, and the plan saved is the one that
    // was open.
    std::vector<std::string> recipients;
    for (const auto& server : mail.servers)
        for (const std::string& command : server->Commands())
            if (command.rfind("RCPT TO:", 0) == 0)
                recipients.push_back(command);
    EXPECT_EQ(recipients,
              (std::vector<std::string>{"RCPT TO:<anna@example.org>", "RCPT TO:<cleo@example.org>",
                                        "RCPT TO:<anna@example.org>"}));
    QPProject saved;
    ASSERT_EQ(saved.ProjectLoad(path), 0);
    EXPECT_EQ(saved.name, "Office Move");
    EXPECT_EQ(window->Project().name, "Office Move");

    // Then the handed-over file opens; the plan was just saved, so nothing is asked.
    prompts.Take();
    QTRY_COMPARE_WITH_TIMEOUT(window->Project().name.str(), std::string("Other Plan"), 5000);
    EXPECT_EQ(window->ProjectFilePath(), other);
    EXPECT_TRUE(prompts.Take().empty());
}
