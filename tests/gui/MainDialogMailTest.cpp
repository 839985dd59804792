// The main window's updates through a scripted sendmail or server, the e-mail settings asked
// for first; and the settings dialog's controls and refusals (the rules: tests/core/mail).

#include "mail/LEmailSendProcess.h"
#include "mail/LEmailSettingsDialog.h"
#include "model/QPBaseline.h"

#include "gui/MainWindowFixture.h"
#include "support/ScriptedMail.h"

using namespace LEmailSettingsRules;
constexpr auto* WhenSettingsShow = &WhenShown<LEmailSettingsDialog>;

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
        MarkSaved();
    }
    Texts Messages() // The messages handed to sendmail so far, then forgotten.
    {
        Texts messages;
        for (const auto& program : mail.programs)
            messages.push_back(program->input);
        mail.programs.clear();
        return messages;
    }
    ScriptedMailServices mail;
};

} // namespace

TEST_F(MainWindowMail, UpdatesAskForTheSettingsUntilConfirmedThenSendTheChart)
{
    // Cancelling the settings cancels the command.
    for (const int command : {3032, 3033}) {
        WhenSettingsShow([](LEmailSettingsDialog& dialog) { dialog.reject(); });
        window->Command(command);
    }
    EXPECT_TRUE(mail.programs.empty() && prompts.asked.empty());
    // Never completed, they do not keep "Send Updates and Save" from saving.
    AddTask(window->Project(), "Pack");
    prompts.Then(Path("office.qpp")).Then("Send Updates and Save");
    WhenSettingsShow([](LEmailSettingsDialog& dialog) { dialog.reject(); });
    EXPECT_TRUE(window->CmProjectSave());
    EXPECT_TRUE(mail.programs.empty() && mail.attempts.empty());
    EXPECT_EQ(prompts.Take().size(), 2u);
    EXPECT_FALSE(window->Project().IsProjectDirty());
    WhenSettingsShow([](LEmailSettingsDialog& dialog) {
        dialog.MethodButton(eSendMethodSendMail).setChecked(true);
        dialog.ReplyEdit().setText(QStringLiteral("planner@example.org"));
        dialog.accept();
    });
    window->Command(3032);
    const Texts messages = Messages(); // to whom and what: tests/core/mail
    ASSERT_EQ(messages.size(), 2u);
    const QByteArray pdf = Attachment(messages[1]).second; // the chart as a whole PDF file
    EXPECT_TRUE(pdf.startsWith("%PDF-") && pdf.trimmed().endsWith("%%EOF"));
    EXPECT_EQ(Header(messages[1], "From"), "planner@example.org") << "the settings confirmed";
    EXPECT_EQ(prompts.TakeTexts(), Texts{"information: Project Update Send Results: Project "
                                         "updates generated: 2\r\nUpdates successfully sent: 2"});
    // Confirmed once, the settings are not asked for again (a dialog left open would hang).
    window->Command(3032);
    EXPECT_EQ(Messages().size(), 2u);
}

// A failed send keeps the changes for the next (tests/core/mail, QPStatusUpdatesTest).
TEST_F(MainWindowMail, TaskUpdatesMarkTheProjectOnceSentAndTheSettingsEntryChangesTheMethod)
{
    EmailSettingsSeen(store);
    window->Command(3033);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(prompts.Take().at(0).message,
              "Task updates generated: 1\r\nUpdates successfully sent: 1");
    ASSERT_NE(window->Project().lastTaskUpdateState, nullptr);
    EXPECT_TRUE(window->Project().IsProjectDirty() && window->isWindowModified());
    window->Command(3033); // Nothing changed since: nothing to send.
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(prompts.Take().at(0).title, "No Task Updates Sent");
    // The settings entry opens on the method chosen; without mail there are no updates.
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

// While the progress window waits for a slow server another project is handed over.
TEST_F(MainWindowMail, SendUpdatesAndSaveSendsProjectThenTaskUpdatesThenSaves)
{
    EmailSettingsSeen(store, false);
    const auto starts = StartListening();
    const std::string other = WriteProject("other.qpp", "Other Plan");
    const std::string accept = "220 ready|250 mx|250 OK|250 OK|354 go|250 Queued|221 Bye";
    ScriptedMailServer& slow = mail.Listen("smtp.example.com", 2525);
    slow.Do([&] { starts->SecondStart({"kestrano", other}); }).Script(accept);
    mail.Listen("smtp.example.com", 2525).Script(accept);
    mail.Listen("smtp.example.com", 2525).Script(accept);
    const std::string path = Path("office.qpp");
    prompts.Then(path).Then("Send Updates and Save");
    EXPECT_TRUE(window->CmProjectSave());
    EXPECT_EQ(starts->received, 1);
    Texts sent;
    for (const auto& server : mail.servers)
        sent.push_back(server->Commands().at(2) + " " + Header(server->Transcript(), "Subject"));
    EXPECT_EQ(sent, (Texts{"RCPT TO:<Anna@example.org> Project update for Office Move",
                           "RCPT TO:<Cleo@example.org> Project update for Office Move",
                           "RCPT TO:<Anna@example.org> Task update summary for Office Move"}));
    EXPECT_EQ(prompts.Take().size(), 4u);
    // Saved with the state of the task updates just sent.
    EXPECT_FALSE(window->Project().IsProjectDirty());
    QPProject saved;
    ASSERT_EQ(saved.ProjectLoad(path), 0);
    ASSERT_NE(saved.lastTaskUpdateState, nullptr);
    EXPECT_EQ(saved.lastTaskUpdateState->tasks.size(), 1u);
    // Then the handed-over file opens; the plan was just saved, so nothing is asked.
    QTRY_COMPARE_WITH_TIMEOUT(window->Project().name.str(), std::string("Other Plan"), 5000);
    EXPECT_TRUE(prompts.Take().empty());
}

namespace {

// Typed as keys, which a disabled field ignores: what is stored shows the field was enabled.
void Type(QLineEdit& edit, const char* text)
{
    edit.clear();
    QTest::keyClicks(&edit, QString::fromUtf8(text));
}

} // namespace

// Without TLS the secure box is taken all the same, with the sender's words about it.
TEST(EmailSettingsDialog, ControlsFollowTheMethodAndOKRefusesOnTheFieldThenStores)
{
    LMemorySettingsStore store;
    ScriptedPrompts prompts;
    ScriptedMailServices mail;
    mail.supportsTLS = false;
    LEmailSettingsDialog dialog(LEmailContext{store, prompts, &mail});
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    // The server first; the login follows authentication, which stays ticked under Direct
    // (which controls each method enables: tests/core/mail).
    ASSERT_TRUE(dialog.MethodButton(eSendMethodSMTP).isChecked());
    QTest::mouseClick(&dialog.AuthenticationBox(), Qt::LeftButton);
    QTest::mouseClick(&dialog.MethodButton(eSendMethodDirect), Qt::LeftButton);
    EXPECT_TRUE(!dialog.HostEdit().isEnabled() && dialog.ReplyEdit().isEnabled());
    QTest::mouseClick(&dialog.MethodButton(eSendMethodSMTP), Qt::LeftButton);
    // A refusal (which, in what order, storing nothing: tests/core/mail) keeps the dialog open
    // with the focus on the field refused.
    Type(dialog.ReplyEdit(), "planner@example.org");
    Type(dialog.UserNameEdit(), "planner");
    Type(dialog.PasswordEdit(), "secret");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible() && dialog.HostEdit().hasFocus());
    EXPECT_EQ(prompts.TakeTexts().at(0).rfind("alert: Mail host required", 0), 0u);
    Type(dialog.HostEdit(), "mail.example.org");
    QTest::mouseClick(&dialog.SecureBox(), Qt::LeftButton);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(prompts.TakeTexts(),
              Texts{std::string("information: Secure Connection: ") + kEmailNoTLSSupport});
    const LEmailSettings stored = LEmailSettings::ReadForDialog(store);
    EXPECT_TRUE(stored.setViewed && stored.useSMTPHost && stored.useSSL && stored.smtpAuthOn);
    EXPECT_EQ(stored.smtpHost + " " + stored.replyTo + " " + stored.userName + " " +
                      stored.password,
              "mail.example.org planner@example.org planner secret");
    LEmailSettingsDialog again(LEmailContext{store, prompts, nullptr}); // opens on them
    EXPECT_TRUE(again.UserNameEdit().isEnabled() && again.UserNameEdit().text() == "planner");
}
