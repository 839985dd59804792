// The e-mail settings as the sender reads them, and "Email Settings" on a plain record: the
// one-time import of the system's setup, the controls enabled, OK's refusals and what it
// stores.

#include "mail/LEmailSettingsRules.h"
#include "mail/LEmailSettings.h"

#include "fileformat/LSettings.h"
#include "framework/LSettingsStore.h"

#include "support/ScriptedMail.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using namespace LEmailSettingsRules;

std::string Bits(std::initializer_list<bool> switches)
{
    std::string text;
    for (bool on : switches)
        text += on ? '1' : '0';
    return text;
}

// The switches as "sendmail smtp direct auth ssl down viewed".
std::string Switches(const LEmailSettings& s)
{
    return Bits({s.useSendMail, s.useSMTPHost, s.sendDirect, s.smtpAuthOn, s.useSSL, s.smtpDownSend,
                 s.setViewed});
}

// The refusal as "field: title", or "stored" when OK went through.
std::string Outcome(const QPFormOutcome& outcome)
{
    return outcome ? std::to_string(outcome->field) + ": " + outcome->title : "stored";
}

// Every stored key as "name=value", in the store's order of names.
std::string Stored(const LMemorySettingsStore& store)
{
    std::string text;
    for (const std::string& name : store.FullNames())
        text += name + "=" + store.Read(name).value_or("") + " ";
    return text;
}

} // namespace

TEST(EmailSettings, TheSenderSendsThroughAServerOrDirectlyUntilToldAndBothReadTheKeys)
{
    LMemorySettingsStore store;
    EXPECT_EQ(Switches(LEmailSettings::ReadForSending(store)), "0110000");
    EXPECT_EQ(Switches(LEmailSettings::ReadForDialog(store)), "0000000");
    LSettings settings(store);
    for (const char* key : {"UseSendMail", "SMTPAuthOn", "SMTPDownSend", "UseSSL", "SetViewed"})
        settings.SetBool("Email", key, true);
    settings.SetBool("Email", "UseSMTPHost", false);
    settings.SetBool("Email", "SendDirect", false);
    settings.SetString("Email", "MailSMTPHost", "smtp.example.com:2525");
    settings.SetString("Email", "SMTPUserName", "ann");
    settings.SetPassword("Email", "SMTPPassword", "s3cret");
    settings.SetString("Email", "ReplyToEmail", "ann@example.com");
    for (const LEmailSettings& read :
         {LEmailSettings::ReadForSending(store), LEmailSettings::ReadForDialog(store)}) {
        EXPECT_EQ(Switches(read), "1001111");
        EXPECT_EQ(read.smtpHost + " " + read.userName + " " + read.password + " " + read.replyTo,
                  "smtp.example.com:2525 ann s3cret ann@example.com");
    }
    // The password is kept scrambled, never under its plain key.
    EXPECT_FALSE(store.Read("Email/SMTPPassword").has_value());
}

TEST(EmailSettingsRules, OpensOnTheMethodChosenWithTheSystemDefaultsImportedOnce)
{
    EXPECT_EQ(SelectedMethod(false, false, false), eSendMethodSMTP);
    EXPECT_EQ(SelectedMethod(true, false, false), eSendMethodSendMail);
    EXPECT_EQ(SelectedMethod(true, false, true), eSendMethodDirect);
    // A server allowed to fall back on direct delivery stays the server.
    EXPECT_EQ(SelectedMethod(false, true, true), eSendMethodSMTP);

    // The system's setup fills what the user has not set, once.
    LMemorySettingsStore store;
    LSettings settings(store);
    settings.SetString("Email", "ReplyToEmail", "me@home.example");
    ScriptedMailServices system;
    system.defaultSMTPHost = "smtp.isp.example";
    system.defaultEmailAddress = "me@isp.example";
    Form form = OpenForm(store, &system);
    EXPECT_EQ(form.smtpHost + " " + form.replyTo, "smtp.isp.example me@home.example");
    EXPECT_EQ(form.method, eSendMethodSMTP);
    EXPECT_FALSE(form.smtpAuthOn || form.useSSL || form.smtpDownSend);
    settings.SetString("Email", "MailSMTPHost", "");
    settings.SetBool("Email", "UseSendMail", true);
    settings.SetPassword("Email", "SMTPPassword", "s3cret word");
    form = OpenForm(store, &system);
    EXPECT_EQ(form.method, eSendMethodSendMail);
    EXPECT_EQ(form.smtpHost + "|" + form.password, "|s3cret word");
    // Without the system's services nothing is imported, and the import stays due.
    LMemorySettingsStore fresh;
    EXPECT_TRUE(OpenForm(fresh, nullptr).smtpHost.empty());
    EXPECT_TRUE(fresh.FullNames().empty());
}

TEST(EmailSettingsRules, ServerControlsOnlyForTheServerAndLoginOnlyWithAuthentication)
{
    Form form;
    const auto enabled = [&form] {
        const EnabledControls e = Enabled(form);
        return Bits({e.smtpHost, e.smtpAuthOn, e.useSSL, e.smtpDownSend, e.userName, e.password});
    };
    EXPECT_EQ(enabled(), "111100");
    form.smtpAuthOn = true;
    EXPECT_EQ(enabled(), "111111");
    form.method = eSendMethodSendMail;
    EXPECT_EQ(enabled(), "000000");
    form.method = eSendMethodDirect;
    EXPECT_EQ(enabled(), "000000");
}

TEST(EmailSettingsRules, SetupIsCheckedInOrderBeforeAnythingIsStored)
{
    LMemorySettingsStore store;
    Form form;
    form.smtpHost = "  ";
    form.replyTo = " ";
    form.smtpAuthOn = true;
    const std::pair<std::function<void()>, std::string> steps[] = {
            {[] {}, "0: Reply Email Required"},
            {[&] { form.replyTo = "planner at example.org"; }, "0: Invalid Reply Email"},
            {[&] { form.replyTo = "planner@example.org"; }, "1: Mail host required"},
            {[&] { form.smtpHost = "mail.example.org"; }, "2: User Name Required"},
            {[&] { form.userName = "planner"; }, "3: Password Required"},
            // Direct delivery needs a reply address and nothing of the server, not even the
            // login a ticked box left behind.
            {[&] { form.method = eSendMethodDirect, form.replyTo = ""; },
             "0: Reply Email Required"},
            {[&] { form.replyTo = "planner@example.org", form.smtpHost = ""; }, "stored"}};
    for (const auto& [change, outcome] : steps) {
        change();
        EXPECT_TRUE(store.FullNames().empty());
        EXPECT_EQ(Outcome(Confirm(store, form)), outcome);
    }
    EXPECT_TRUE(LSettings(store).GetBool("Email", "SendDirect", false));
}

TEST(EmailSettingsRules, ConfirmedServerSetupStoresEveryKey)
{
    LMemorySettingsStore store;
    Form form;
    form.smtpHost = " mail.example.org:2525 ";
    form.replyTo = " planner@example.org ";
    form.smtpAuthOn = form.useSSL = true;
    form.userName = "planner";
    form.password = " pass word ";
    ASSERT_FALSE(Confirm(store, form));
    // The password is kept through the password accessor, never as plain text.
    const LSettings settings(store);
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword").str(), " pass word ");
    EXPECT_NE(store.Read("Email/__SMTPPassword"), " pass word ");
    store.Remove("Email/__SMTPPassword");
    EXPECT_EQ(Stored(store), "Email/MailSMTPHost=mail.example.org:2525 "
                             "Email/ReplyToEmail=planner@example.org Email/SMTPAuthOn=1 "
                             "Email/SMTPDownSend=0 Email/SMTPUserName=planner Email/SendDirect=0 "
                             "Email/SetViewed=1 Email/UseSMTPHost=1 Email/UseSSL=1 "
                             "Email/UseSendMail=0 ");

    // The fallback box gives the server permission to deliver directly, and the dialog
    // opens on the server again.
    form.smtpDownSend = true;
    ASSERT_FALSE(Confirm(store, form));
    EXPECT_TRUE(settings.GetBool("Email", "SendDirect", false));
    EXPECT_EQ(OpenForm(store, nullptr).method, eSendMethodSMTP);
    EXPECT_TRUE(OpenForm(store, nullptr).smtpDownSend);
}

TEST(EmailSettingsRules, SendmailNeedsNoReplyAddressButRefusesAWrongOneAfterStoringTheMethod)
{
    LMemorySettingsStore store;
    Form form;
    form.method = eSendMethodSendMail;
    form.smtpHost = "old.example.org";
    form.replyTo = "planner@";
    form.useSSL = true;
    EXPECT_EQ(Outcome(Confirm(store, form)), "0: Invalid Reply Email");
    EXPECT_EQ(Stored(store), "Email/MailSMTPHost=old.example.org Email/SMTPAuthOn=0 "
                             "Email/SMTPDownSend=0 Email/SMTPUserName= Email/SendDirect=0 "
                             "Email/UseSMTPHost=0 Email/UseSendMail=1 Email/__SMTPPassword= ");
    form.replyTo = "";
    EXPECT_EQ(Outcome(Confirm(store, form)), "stored");
    EXPECT_TRUE(LSettings(store).GetBool("Email", "SetViewed", false));
    EXPECT_EQ(store.Read("Email/ReplyToEmail"), "");
}
