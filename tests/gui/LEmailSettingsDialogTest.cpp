// "Email Settings": what is enabled for each method, and OK's refusals with the field each
// sends the user back to. The rules behind it are tested in core/mail; asking for it before
// the first e-mail, by the main window's mail tests.

#include "mail/LEmailSettingsDialog.h"

#include "mail/LEmailSendProcess.h"

#include "gui/GuiTest.h"
#include "support/ScriptedMail.h"

using namespace LEmailSettingsRules;

namespace {

// The host, authentication, secure, fallback, user name, password and reply controls:
// 1 enabled.
std::string Enabled(const LEmailSettingsDialog& d)
{
    std::string bits;
    for (const QWidget* control : std::initializer_list<const QWidget*>{
                 &d.HostEdit(), &d.AuthenticationBox(), &d.SecureBox(), &d.DownSendBox(),
                 &d.UserNameEdit(), &d.PasswordEdit(), &d.ReplyEdit()})
        bits += control->isEnabled() ? '1' : '0';
    return bits;
}

void Type(QLineEdit& edit, const char* text)
{
    edit.clear();
    QTest::keyClicks(&edit, QString::fromUtf8(text));
}

} // namespace

// Without TLS support the secure box is taken all the same, and the dialog says what the
// sender would say.
TEST(EmailSettingsDialog, ControlsFollowTheMethodAndOKRefusesInOrderOnTheFieldThenStores)
{
    LMemorySettingsStore store;
    ScriptedPrompts prompts;
    ScriptedMailServices mail;
    mail.supportsTLS = false;
    LEmailSettingsDialog dialog(LEmailContext{store, prompts, &mail});
    const Texts opened = store.FullNames(); // the system's defaults, read once
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    // Nothing stored yet: the server is offered; the login follows authentication, and the
    // ticked box stays ticked when another method leaves it out.
    ASSERT_TRUE(dialog.MethodButton(eSendMethodSMTP).isChecked());
    EXPECT_EQ(Enabled(dialog), "1111001");
    QTest::mouseClick(&dialog.AuthenticationBox(), Qt::LeftButton);
    EXPECT_EQ(Enabled(dialog), "1111111");
    QTest::mouseClick(&dialog.MethodButton(eSendMethodDirect), Qt::LeftButton);
    EXPECT_EQ(Enabled(dialog), "0000001");
    QTest::mouseClick(&dialog.MethodButton(eSendMethodSMTP), Qt::LeftButton);
    EXPECT_EQ(Enabled(dialog), "1111111");
    // What is typed before each OK, the alert shown and the field that then has the focus.
    const std::tuple<QLineEdit*, const char*, const char*, QLineEdit*> steps[] = {
            {&dialog.ReplyEdit(), "", "Reply Email Required", &dialog.ReplyEdit()},
            {&dialog.ReplyEdit(), "planner@example", "Invalid Reply Email", &dialog.ReplyEdit()},
            {&dialog.ReplyEdit(), "planner@example.org", "Mail host required", &dialog.HostEdit()},
            {&dialog.HostEdit(), "mail.example.org", "User Name Required", &dialog.UserNameEdit()},
            {&dialog.UserNameEdit(), "planner", "Password Required", &dialog.PasswordEdit()}};
    for (const auto& [edit, text, title, focus] : steps) {
        Type(*edit, text);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << title;
        EXPECT_EQ(prompts.Last()->kind + ": " + prompts.Last()->title,
                  std::string("alert: ") + title);
        EXPECT_TRUE(focus->hasFocus()) << title;
    }
    EXPECT_EQ(prompts.Take().at(1).message, "Please enter a valid reply-to email address.");
    EXPECT_EQ(store.FullNames(), opened) << "nothing stored by a refusal";

    Type(dialog.PasswordEdit(), "secret");
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
    // The next time the dialog opens on what was stored.
    LEmailSettingsDialog again(LEmailContext{store, prompts, nullptr});
    EXPECT_TRUE(again.MethodButton(eSendMethodSMTP).isChecked());
    EXPECT_EQ(again.UserNameEdit().text(), QStringLiteral("planner"));
    EXPECT_TRUE(again.UserNameEdit().isEnabled());
}
