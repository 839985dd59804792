// "Email Settings": what is enabled for each method, OK's refusals with the field each sends
// the user back to, and the check that opens it before the first e-mail. The rules behind
// it are tested in core/mail.

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
    static void Type(QLineEdit& edit, const char* text)
    {
        edit.clear();
        QTest::keyClicks(&edit, QString::fromUtf8(text));
    }

    LMemorySettingsStore store;
    ScriptedPrompts prompts;
};

// The host, authentication, secure, fallback, user name and password controls: 1 enabled.
std::string Enabled(const LEmailSettingsDialog& d)
{
    std::string bits;
    for (const QWidget* control : std::initializer_list<const QWidget*>{
                 &d.HostEdit(), &d.AuthenticationBox(), &d.SecureBox(), &d.DownSendBox(),
                 &d.UserNameEdit(), &d.PasswordEdit(), &d.ReplyEdit()})
        bits += control->isEnabled() ? '1' : '0';
    return bits;
}

} // namespace

TEST_F(EmailSettingsDialog, ServerControlsFollowTheMethodAndTheLoginFollowsAuthentication)
{
    LEmailSettingsDialog dialog(Context());
    dialog.show();
    // Nothing stored yet: the server is offered.
    ASSERT_TRUE(dialog.MethodButton(eSendMethodSMTP).isChecked());
    EXPECT_EQ(Enabled(dialog), "1111001");
    QTest::mouseClick(&dialog.AuthenticationBox(), Qt::LeftButton);
    EXPECT_EQ(Enabled(dialog), "1111111");
    // The ticked box stays ticked, but the login it asks for no longer applies.
    for (const eSendMethod method : {eSendMethodSendMail, eSendMethodDirect, eSendMethodSMTP}) {
        QTest::mouseClick(&dialog.MethodButton(method), Qt::LeftButton);
        EXPECT_EQ(Enabled(dialog), method == eSendMethodSMTP ? "1111111" : "0000001") << method;
        EXPECT_TRUE(dialog.AuthenticationBox().isChecked());
    }
}

TEST_F(EmailSettingsDialog, OKRefusesInOrderSendingTheUserToTheFieldAndStoresWhenComplete)
{
    LEmailSettingsDialog dialog(Context());
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::mouseClick(&dialog.AuthenticationBox(), Qt::LeftButton);
    // What is typed before each OK, the alert shown and the field that then has the focus.
    const std::tuple<QLineEdit*, const char*, const char*, QLineEdit*> steps[] = {
            {&dialog.ReplyEdit(), "", "Reply Email Required", &dialog.ReplyEdit()},
            {&dialog.ReplyEdit(), "planner@example", "Invalid Reply Email", &dialog.ReplyEdit()},
            {&dialog.ReplyEdit(), "planner@example.org", "Mail host required", &dialog.HostEdit()},
            {&dialog.HostEdit(), "mail.example.org", "User Name Required", &dialog.UserNameEdit()},
            {&dialog.UserNameEdit(), "planner", "Password Required", &dialog.PasswordEdit()}};
    for (const auto& [edit, text, title, focus] : steps) {
        Type(*edit, text);
        EXPECT_FALSE(PressOK(dialog));
        EXPECT_EQ(prompts.Last()->kind + ": " + prompts.Last()->title,
                  std::string("alert: ") + title);
        EXPECT_TRUE(focus->hasFocus()) << title;
    }
    const std::vector<ScriptedPrompts::Prompt> shown = prompts.Take();
    EXPECT_EQ(shown.at(0).message + "|" + shown.at(1).message,
              "If you choose SMTP you must enter a valid reply-to address. Enter your email "
              "address.|Please enter a valid reply-to email address.");
    EXPECT_TRUE(store.FullNames().empty());

    Type(dialog.PasswordEdit(), "secret");
    QTest::mouseClick(&dialog.SecureBox(), Qt::LeftButton);
    EXPECT_TRUE(PressOK(dialog));
    EXPECT_TRUE(prompts.Take().empty());
    const LEmailSettings stored = LEmailSettings::ReadForDialog(store);
    EXPECT_TRUE(stored.setViewed && stored.useSMTPHost && stored.useSSL && stored.smtpAuthOn);
    EXPECT_EQ(stored.smtpHost + " " + stored.replyTo + " " + stored.userName + " " +
                      stored.password,
              "mail.example.org planner@example.org planner secret");
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
    Type(dialog.ReplyEdit(), "planner@example.org");
    Type(dialog.HostEdit(), "mail.example.org");
    QTest::mouseClick(&dialog.SecureBox(), Qt::LeftButton);
    EXPECT_TRUE(PressOK(dialog));
    const std::vector<ScriptedPrompts::Prompt> shown = prompts.Take();
    ASSERT_EQ(shown.size(), 1u);
    // In the words the sender refuses such a message with.
    EXPECT_EQ(shown[0].kind + ": " + shown[0].title + ": " + shown[0].message,
              std::string("information: Secure Connection: ") + kEmailNoTLSSupport);
}

TEST_F(EmailSettingsDialog, SettingsAreAskedForOnlyUntilConfirmedOnce)
{
    QWidget window;
    window.show();
    // Cancelled: not confirmed, nothing stored. Then confirmed; then no dialog any more (one
    // left open would fail the call).
    int shown = 0;
    for (const bool confirm : {false, true, true}) {
        QTimer::singleShot(0, [&shown, confirm] {
            auto* dialog = qobject_cast<LEmailSettingsDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++shown;
            QTest::mouseClick(&dialog->MethodButton(eSendMethodDirect), Qt::LeftButton);
            Type(dialog->ReplyEdit(), "planner@example.org");
            confirm ? dialog->accept() : dialog->reject();
        });
        EXPECT_EQ(LEmailSendSettingsIfRequired(&window, Context()), confirm);
        EXPECT_EQ(store.FullNames().empty(), !confirm);
        QApplication::processEvents();
    }
    EXPECT_EQ(shown, 2);
}
