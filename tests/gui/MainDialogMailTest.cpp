// The main window's mail: project and task updates, the e-mail settings asked for before the
// first message, and the updates that may go out before a save. The mail goes through a
// scripted sendmail, whose input is the whole message.

#include "mail/LEmailPrintProcess.h"
#include "mail/LEmailSettingsDialog.h"
#include "model/QPBaseline.h"

#include "gui/MainWindowFixture.h"
#include "support/ScriptedMail.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>

using namespace LEmailSettingsRules;
using Texts = std::vector<std::string>;

namespace {

class MainWindowMail : public MainWindow {
protected:
    MainWindowMail()
    {
        window = std::make_unique<MainDialog>(Services(&mail));
        QPProject& project = window->Project();
        project.SetName("Office Move");
        AddTask(project, "Survey");
        for (const auto& [name, projectUpdates, taskUpdates] :
             {std::tuple{"Anna", true, true}, {"Ben", false, false}, {"Cleo", true, false}}) {
            auto resource = std::make_unique<QPResource>();
            resource->name = name;
            resource->email = std::string(name) + "@example.org";
            resource->sendProjectUpdates = projectUpdates;
            resource->sendTaskUpdates = taskUpdates;
            resource->scheduleKey = project.defaultScheduleKey;
            const int64_t key = project.ElementAdd(std::move(resource), true).key;
            if (name != std::string("Cleo"))
                project.tasks.GetElement(1)->AddResourceAssignment(key, 50);
        }
        window->RecalculateProject();
        window->FullGUIRefresh();
        project.undoStack.MarkCurrentStateAsSaved();
        project.dirty = false;
    }
    // The settings as confirmed once: sendmail, or else the server smtp.example.com:2525.
    void SettingsSeen(bool sendmail = true)
    {
        LSettings settings(store);
        settings.SetBool("Email", "UseSendMail", sendmail);
        settings.SetBool("Email", "UseSMTPHost", !sendmail);
        settings.SetBool("Email", "SendDirect", false);
        settings.SetString("Email", "MailSMTPHost", "smtp.example.com:2525");
        settings.SetString("Email", "ReplyToEmail", "planner@example.org");
        settings.SetBool("Email", "SetViewed", true);
    }
    // The messages handed to sendmail so far, then forgotten.
    Texts Messages()
    {
        Texts messages;
        for (const auto& program : mail.programs)
            messages.push_back(program->input);
        mail.programs.clear();
        return messages;
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

bool Has(const std::string& message, const std::string& part)
{
    return message.find(part) != std::string::npos;
}

// The attached file of a message: its name and its bytes.
std::pair<std::string, QByteArray> Attachment(const std::string& message)
{
    const std::string marker = "Content-Disposition: attachment; filename=\"";
    const std::size_t at = message.find(marker) + marker.size();
    const std::size_t data = message.find("\n\n", at) + 2;
    return {message.substr(at, message.find('"', at) - at),
            QByteArray::fromBase64(QByteArray::fromStdString(
                    message.substr(data, message.find("\n--", data) - data)))};
}

} // namespace

TEST_F(MainWindowMail, ProjectUpdatesAskForTheSettingsOnceThenSendTheChart)
{
    WhenSettingsShow([](LEmailSettingsDialog& dialog) {
        dialog.MethodButton(eSendMethodSendMail).setChecked(true);
        dialog.ReplyEdit().setText(QStringLiteral("planner@example.org"));
        dialog.accept();
    });
    window->Command(3032);
    const Texts messages = Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(Has(messages[0], "From: planner@example.org\nTo: Anna@example.org\n"));
    EXPECT_TRUE(Has(messages[1], "To: Cleo@example.org\nSubject: Project update for Office "
                                 "Move\n"));
    for (const std::string& message : messages) {
        EXPECT_TRUE(Has(message, "Please refer to the attached PDF for a current Gantt chart"));
        // The chart as a whole PDF file, removed from the temporary folder once sent.
        const auto [name, pdf] = Attachment(message);
        EXPECT_EQ(name, std::filesystem::path(LEmailAttachmentPath("")).filename().string());
        EXPECT_TRUE(pdf.startsWith("%PDF-") && pdf.trimmed().endsWith("%%EOF")) << name;
        EXPECT_FALSE(std::filesystem::exists(LEmailAttachmentPath("")));
    }
    EXPECT_EQ(prompts.TakeTexts(), Texts{"information: Project Update Send Results: Project "
                                         "updates generated: 2\r\nUpdates successfully sent: 2"});
    // Confirmed once, the settings are not asked for again (a dialog left open would hang).
    window->Command(3032);
    EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(MainWindowMail, CancellingTheSettingsCancelsTheCommand)
{
    for (const int command : {3032, 3033}) {
        WhenSettingsShow([](LEmailSettingsDialog& dialog) { dialog.reject(); });
        window->Command(command);
    }
    EXPECT_TRUE(mail.programs.empty());
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(window->Project().lastTaskUpdateState, nullptr);
    EXPECT_FALSE(LSettings(store).GetBool("Email", "SetViewed", false));
}

TEST_F(MainWindowMail, TaskUpdatesMoveTheLastStateOnOnlyWhenTheRunSucceeded)
{
    SettingsSeen();
    // sendmail cannot be started: reported, counted, and the same changes are due next time.
    mail.programStarts = false;
    window->Command(3033);
    const std::vector<ScriptedPrompts::Prompt> shown = prompts.Take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].kind + ": " + shown[0].title, "alert: Sending Task Updates");
    EXPECT_EQ(shown[1].message, "Task updates generated: 1\r\nUpdates successfully sent: 0");
    EXPECT_EQ(window->Project().lastTaskUpdateState, nullptr);
    EXPECT_FALSE(window->Project().IsProjectDirty());

    mail.programStarts = true;
    Messages();
    window->Command(3033);
    const Texts messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(Has(messages[0], "To: Anna@example.org\nSubject: Task update summary for"));
    EXPECT_TRUE(Has(messages[0], "New task assignment: Survey\r\n"));
    EXPECT_EQ(Attachment(messages[0]).second.left(5), QByteArray("%PDF-"));
    EXPECT_EQ(prompts.Take().at(0).message,
              "Task updates generated: 1\r\nUpdates successfully sent: 1");
    ASSERT_NE(window->Project().lastTaskUpdateState, nullptr);
    EXPECT_TRUE(window->Project().IsProjectDirty() && window->isWindowModified());

    // Nothing changed since: nothing to send.
    window->Command(3033);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(prompts.Take().at(0).title, "No Task Updates Sent");
}

TEST_F(MainWindowMail, SendUpdatesAndSaveSendsProjectThenTaskUpdatesThenSaves)
{
    SettingsSeen();
    const std::string path = Path("office.qpp");
    prompts.Then(path).Then("Send Updates and Save");
    EXPECT_TRUE(window->CmProjectSave());
    const Texts messages = Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_TRUE(Has(messages[1], "Subject: Project update for"));
    EXPECT_TRUE(Has(messages[2], "Subject: Task update summary for"));
    EXPECT_EQ(prompts.Take().size(), 4u);
    // The state of the task updates just sent is saved with the project.
    EXPECT_FALSE(window->Project().IsProjectDirty());
    QPProject reread;
    ASSERT_EQ(reread.ProjectLoad(path), 0);
    ASSERT_NE(reread.lastTaskUpdateState, nullptr);
    EXPECT_EQ(reread.lastTaskUpdateState->tasks.size(), 1u);

    // With settings never completed, the project is saved all the same.
    LSettings(store).SetBool("Email", "SetViewed", false);
    AddTask(window->Project(), "Pack");
    prompts.Then("Send Updates and Save");
    WhenSettingsShow([](LEmailSettingsDialog& dialog) {
        dialog.MethodButton(eSendMethodSMTP).setChecked(true);
        dialog.HostEdit().clear();
        dialog.accept(); // refused: no server
        dialog.reject();
    });
    EXPECT_TRUE(window->CmProjectSave());
    EXPECT_TRUE(mail.programs.empty());
    EXPECT_EQ(prompts.Take().back().title, "Mail host required");
    EXPECT_FALSE(window->Project().IsProjectDirty());
}

TEST_F(MainWindowMail, TheSettingsEntryChangesTheMethodAndNoMailServicesMeansNoUpdates)
{
    SettingsSeen();
    WhenSettingsShow([](LEmailSettingsDialog& dialog) {
        EXPECT_TRUE(dialog.MethodButton(eSendMethodSendMail).isChecked());
        dialog.MethodButton(eSendMethodDirect).setChecked(true);
        dialog.accept();
    });
    window->CommandAction(MainDialog::kCmEmailSettings)->trigger();
    EXPECT_TRUE(LSettings(store).GetBool("Email", "SendDirect", false));
    MainDialog withoutMail(Services());
    EXPECT_FALSE(withoutMail.CommandAction(3032)->isEnabled() ||
                 withoutMail.CommandAction(3033)->isEnabled());
}

TEST_F(MainWindowMail, AFileHandedOverWhileUpdatesAreSentWaitsForTheSave)
{
    // A mail server that is slow to greet: while the progress window waits for it, the
    // user double-clicks another project.
    SettingsSeen(false);
    SecondStarts starts(*window, folder.filePath(QStringLiteral("channel")));
    dialogs.projectSteps.push_back(Cancel);
    window->EvRunArguments({"kestrano"});
    const std::string other = WriteProject("other.qpp", "Other Plan");
    ScriptedMailServer& slow = mail.Listen("smtp.example.com", 2525);
    slow.Do([&] { starts.SecondStart({"kestrano", other}); });
    for (ScriptedMailServer* server :
         {&slow, &mail.Listen("smtp.example.com", 2525), &mail.Listen("smtp.example.com", 2525)})
        AcceptMessage(*server);
    const std::string path = Path("office.qpp");
    prompts.Then(path).Then("Send Updates and Save");
    EXPECT_TRUE(window->CmProjectSave());
    EXPECT_EQ(starts.received, 1);

    // Every message went to the resource it was for, and the plan saved is the one open.
    Texts recipients;
    for (const auto& server : mail.servers)
        recipients.push_back(server->Commands().at(2));
    EXPECT_EQ(recipients, (Texts{"RCPT TO:<Anna@example.org>", "RCPT TO:<Cleo@example.org>",
                                 "RCPT TO:<Anna@example.org>"}));
    QPProject saved;
    ASSERT_EQ(saved.ProjectLoad(path), 0);
    EXPECT_EQ(saved.name, "Office Move");
    // Then the handed-over file opens; the plan was just saved, so nothing is asked.
    prompts.Take();
    QTRY_COMPARE_WITH_TIMEOUT(window->Project().name.str(), std::string("Other Plan"), 5000);
    EXPECT_TRUE(prompts.Take().empty());
}
