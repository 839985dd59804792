// "Email Settings": its controls, what is enabled for each method, OK's refusals in their
// order, and the check that opens it before the first e-mail.

#include "mail/LEmailSettingsDialog.h"

#include "fileformat/LSettings.h"
#include "framework/LSettingsStore.h"
#include "mail/LEmailSendProcess.h"

#include "support/ScriptedMail.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace LEmailSettingsRules;

namespace {

class EmailSettingsDialog : public ::testing::Test {
protected:
    LEmailContext Context() { return LEmailContext{store, prompts, nullptr}; }
    // OK as the user presses it; true when the dialog closed as confirmed.
    static bool PressOK(LEmailSettingsDialog& dialog)
    {
        dialog.setResult(QDialog::Rejected);
        dialog.accept();
        return dialog.result() == QDialog::Accepted;
    }
    static void Type(QLineEdit& edit, const QString& text)
    {
        edit.clear();
        QTest::keyClicks(&edit, text);
    }
    // The titles of the alerts shown so far, then forgotten.
    std::vector<std::string> AlertTitles()
    {
        std::vector<std::string> titles;
        for (const ScriptedPrompts::Prompt& prompt : prompts.Take())
            titles.push_back(prompt.kind == "alert" ? prompt.title : prompt.kind);
        return titles;
    }

    LMemorySettingsStore store;
    ScriptedPrompts prompts;
};

// Acts on the dialog that the code under test is about to show modally.
void WhenDialogShows(std::function<void(LEmailSettingsDialog&)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* dialog = qobject_cast<LEmailSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

} // namespace

TEST_F(EmailSettingsDialog, ServerControlsFollowTheMethodAndTheLoginFollowsAuthentication)
{
    LEmailSettingsDialog dialog(Context());
    dialog.show();
    // Nothing stored yet: the server is offered.
    ASSERT_TRUE(dialog.MethodButton(eSendMethodSMTP).isChecked());
    const auto serverControls = [&dialog] {
        return std::vector<bool>{dialog.HostEdit().isEnabled(),
                                 dialog.AuthenticationBox().isEnabled(),
                                 dialog.SecureBox().isEnabled(), dialog.DownSendBox().isEnabled()};
    };
    const auto login = [&dialog] {
        return dialog.UserNameEdit().isEnabled() || dialog.PasswordEdit().isEnabled();
    };
    EXPECT_EQ(serverControls(), std::vector<bool>(4, true));
    EXPECT_FALSE(login());
    QTest::mouseClick(&dialog.AuthenticationBox(), Qt::LeftButton);
    EXPECT_TRUE(dialog.UserNameEdit().isEnabled() && dialog.PasswordEdit().isEnabled());

    for (const eSendMethod method : {eSendMethodSendMail, eSendMethodDirect}) {
        QTest::mouseClick(&dialog.MethodButton(method), Qt::LeftButton);
        EXPECT_EQ(serverControls(), std::vector<bool>(4, false)) << method;
        // The ticked box stays ticked, but the login it asks for no longer applies.
        EXPECT_TRUE(dialog.AuthenticationBox().isChecked());
        EXPECT_FALSE(login()) << method;
    }
    QTest::mouseClick(&dialog.MethodButton(eSendMethodSMTP), Qt::LeftButton);
    EXPECT_TRUE(login());
    EXPECT_TRUE(dialog.ReplyEdit().isEnabled());
}

TEST_F(EmailSettingsDialog, OKRefusesInOrderAndStoresOnlyWhenEverythingIsThere)
{
    LEmailSettingsDialog dialog(Context());
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::mouseClick(&dialog.AuthenticationBox(), Qt::LeftButton);

    EXPECT_FALSE(PressOK(dialog));
    EXPECT_EQ(prompts.Last()->message, "If you choose SMTP you must enter a valid reply-to "
                                       "address. Enter your email address.");
    Type(dialog.ReplyEdit(), QStringLiteral("planner@example"));
    EXPECT_FALSE(PressOK(dialog));
    EXPECT_EQ(prompts.Last()->message, "Please enter a valid reply-to email address.");
    // Each refusal sends the user back to the field concerned.
    EXPECT_TRUE(dialog.ReplyEdit().hasFocus());
    Type(dialog.ReplyEdit(), QStringLiteral("planner@example.org"));
    EXPECT_FALSE(PressOK(dialog));
    EXPECT_TRUE(dialog.HostEdit().hasFocus());
    Type(dialog.HostEdit(), QStringLiteral("mail.example.org"));
    EXPECT_FALSE(PressOK(dialog));
    EXPECT_TRUE(dialog.UserNameEdit().hasFocus());
    Type(dialog.UserNameEdit(), QStringLiteral("planner"));
    EXPECT_FALSE(PressOK(dialog));
    EXPECT_TRUE(dialog.PasswordEdit().hasFocus());
    EXPECT_EQ(AlertTitles(), (std::vector<std::string>{"Reply Email Required",
                                                       "Invalid Reply Email", "Mail host required",
                                                       "User Name Required", "Password Required"}));
    EXPECT_TRUE(store.FullNames().empty());

    Type(dialog.PasswordEdit(), QStringLiteral("secret"));
    QTest::mouseClick(&dialog.SecureBox(), Qt::LeftButton);
    EXPECT_TRUE(PressOK(dialog));
    EXPECT_TRUE(prompts.Take().empty());
    const LSettings settings(store);
    EXPECT_TRUE(settings.GetBool("Email", "SetViewed", false));
    EXPECT_TRUE(settings.GetBool("Email", "UseSMTPHost", false));
    EXPECT_TRUE(settings.GetBool("Email", "UseSSL", false));
    EXPECT_EQ(settings.GetString("Email", "MailSMTPHost").str(), "mail.example.org");
    EXPECT_EQ(settings.GetString("Email", "ReplyToEmail").str(), "planner@example.org");
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword").str(), "secret");

    // The next time the dialog opens on what was stored.
    LEmailSettingsDialog again(Context());
    EXPECT_TRUE(again.MethodButton(eSendMethodSMTP).isChecked());
    EXPECT_EQ(again.UserNameEdit().text(), QStringLiteral("planner"));
    EXPECT_TRUE(again.UserNameEdit().isEnabled());
}

TEST_F(EmailSettingsDialog, WithoutTLSSupportTheDialogSaysWhatTheSenderSays)
{
    ScriptedMailServices mail;
    mail.supportsTLS = false;
    LEmailSettingsDialog dialog(LEmailContext{store, prompts, &mail});
    dialog.show();
    Type(dialog.ReplyEdit(), QStringLiteral("planner@example.org"));
    Type(dialog.HostEdit(), QStringLiteral("mail.example.org"));
    QTest::mouseClick(&dialog.SecureBox(), Qt::LeftButton);
    EXPECT_TRUE(PressOK(dialog));
    const std::vector<ScriptedPrompts::Prompt> shown = prompts.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, "information");
    EXPECT_EQ(shown[0].title, "Secure Connection");

    // A message sent with what was stored, on the same system, is refused in the same words.
    LEmailSendProcess message;
    message.recipients = "ann@example.org";
    message.settings = LEmailSettings::ReadForSending(store);
    message.services = &mail;
    RecordingMailProcess process;
    EXPECT_EQ(Process(process, message), eProcessFailed);
    EXPECT_EQ(process.errors, std::vector<std::string>{shown[0].message});
    EXPECT_TRUE(mail.attempts.empty());
}

TEST_F(EmailSettingsDialog, SendmailWithAWrongReplyAddressKeepsTheMethodButIsNotSeen)
{
    LEmailSettingsDialog dialog(Context());
    dialog.show();
    QTest::mouseClick(&dialog.MethodButton(eSendMethodSendMail), Qt::LeftButton);
    Type(dialog.ReplyEdit(), QStringLiteral("planner"));
    EXPECT_FALSE(PressOK(dialog));
    EXPECT_EQ(AlertTitles(), std::vector<std::string>{"Invalid Reply Email"});
    const LSettings settings(store);
    EXPECT_TRUE(settings.GetBool("Email", "UseSendMail", false));
    EXPECT_FALSE(settings.GetBool("Email", "SetViewed", false));
    dialog.ReplyEdit().clear();
    EXPECT_TRUE(PressOK(dialog));
    EXPECT_TRUE(settings.GetBool("Email", "SetViewed", false));
}

TEST_F(EmailSettingsDialog, SettingsAreAskedForOnlyUntilConfirmedOnce)
{
    QWidget window;
    window.show();
    // Cancelled: not confirmed, nothing stored.
    WhenDialogShows([](LEmailSettingsDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(LEmailSendSettingsIfRequired(&window, Context()));
    EXPECT_TRUE(store.FullNames().empty());

    WhenDialogShows([](LEmailSettingsDialog& dialog) {
        QTest::mouseClick(&dialog.MethodButton(eSendMethodDirect), Qt::LeftButton);
        Type(dialog.ReplyEdit(), QStringLiteral("planner@example.org"));
        dialog.accept();
    });
    EXPECT_TRUE(LEmailSendSettingsIfRequired(&window, Context()));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Confirmed once: no dialog any more (one would be left open, failing the call).
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown = true;
            modal->close();
        }
    });
    EXPECT_TRUE(LEmailSendSettingsIfRequired(&window, Context()));
    QApplication::processEvents();
    EXPECT_FALSE(shown);
}
