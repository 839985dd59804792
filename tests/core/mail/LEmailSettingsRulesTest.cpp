#include "mail/LEmailSettingsRules.h"

#include "fileformat/LSettings.h"
#include "framework/LSettingsStore.h"

#include "support/ScriptedMail.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

namespace {

using namespace LEmailSettingsRules;

Form ServerForm()
{
    Form form;
    form.smtpHost = "mail.example.org:2525";
    form.replyTo = "planner@example.org";
    return form;
}

// The refusal as "field: title", or "stored" when OK went through.
std::string Outcome(const QPFormOutcome& outcome)
{
    return outcome ? std::to_string(outcome->field) + ": " + outcome->title : "stored";
}

std::map<std::string, std::string> Stored(const LMemorySettingsStore& store)
{
    std::map<std::string, std::string> values;
    for (const std::string& name : store.FullNames())
        values[name] = store.Read(name).value_or("");
    return values;
}

} // namespace

TEST(EmailSettingsRules, OpensOnTheMethodChosenWithTheSystemDefaultsImportedOnce)
{
    EXPECT_EQ(SelectedMethod(false, false, false), eSendMethodSMTP);
    EXPECT_EQ(SelectedMethod(true, false, false), eSendMethodSendMail);
    EXPECT_EQ(SelectedMethod(true, false, true), eSendMethodDirect);
    // A server allowed to fall back on direct delivery stays the server.
    EXPECT_EQ(SelectedMethod(false, true, true), eSendMethodSMTP);

    LMemorySettingsStore store;
    ScriptedMailServices system;
    system.defaultSMTPHost = "smtp.isp.example";
    system.defaultEmailAddress = "me@isp.example";
    Form form = OpenForm(store, &system);
    EXPECT_EQ(form.smtpHost + " " + form.replyTo, "smtp.isp.example me@isp.example");
    EXPECT_EQ(form.method, eSendMethodSMTP);
    EXPECT_FALSE(form.smtpAuthOn || form.useSSL || form.smtpDownSend);
    LSettings settings(store);
    settings.SetString("Email", "MailSMTPHost", "relay.example.org");
    settings.SetBool("Email", "UseSendMail", true);
    settings.SetPassword("Email", "SMTPPassword", "s3cret word");
    form = OpenForm(store, &system);
    EXPECT_EQ(form.method, eSendMethodSendMail);
    EXPECT_EQ(form.smtpHost + " " + form.password, "relay.example.org s3cret word");
    // Without the system's services nothing is imported, and the import stays due.
    LMemorySettingsStore fresh;
    EXPECT_TRUE(OpenForm(fresh, nullptr).smtpHost.empty());
    EXPECT_TRUE(fresh.FullNames().empty());
}

TEST(EmailSettingsRules, ServerControlsOnlyForTheServerAndLoginOnlyWithAuthentication)
{
    Form form = ServerForm();
    auto enabled = [&] {
        const EnabledControls e = Enabled(form);
        std::string text;
        for (bool on : {e.smtpHost, e.smtpAuthOn, e.useSSL, e.smtpDownSend, e.userName, e.password})
            text += on ? '1' : '0';
        return text;
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
    Form form = ServerForm();
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
    Form form = ServerForm();
    form.smtpHost = " mail.example.org:2525 ";
    form.replyTo = " planner@example.org ";
    form.smtpAuthOn = form.useSSL = true;
    form.userName = "planner";
    form.password = " pass word ";
    ASSERT_FALSE(Confirm(store, form));
    std::map<std::string, std::string> stored = Stored(store);
    // The password is kept through the password accessor, never as plain text.
    EXPECT_NE(stored["Email/__SMTPPassword"], " pass word ");
    stored.erase("Email/__SMTPPassword");
    EXPECT_EQ(stored,
              (std::map<std::string, std::string>{{"Email/UseSendMail", "0"},
                                                  {"Email/UseSMTPHost", "1"},
                                                  {"Email/SendDirect", "0"},
                                                  {"Email/MailSMTPHost", "mail.example.org:2525"},
                                                  {"Email/SMTPAuthOn", "1"},
                                                  {"Email/SMTPUserName", "planner"},
                                                  {"Email/SMTPDownSend", "0"},
                                                  {"Email/ReplyToEmail", "planner@example.org"},
                                                  {"Email/SetViewed", "1"},
                                                  {"Email/UseSSL", "1"}}));
    const LSettings settings(store);
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword").str(), " pass word ");

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
    EXPECT_EQ(Stored(store),
              (std::map<std::string, std::string>{{"Email/UseSendMail", "1"},
                                                  {"Email/UseSMTPHost", "0"},
                                                  {"Email/SendDirect", "0"},
                                                  {"Email/MailSMTPHost", "old.example.org"},
                                                  {"Email/SMTPAuthOn", "0"},
                                                  {"Email/SMTPUserName", ""},
                                                  {"Email/SMTPDownSend", "0"},
                                                  {"Email/__SMTPPassword", ""}}));
    form.replyTo = "";
    EXPECT_EQ(Outcome(Confirm(store, form)), "stored");
    EXPECT_TRUE(LSettings(store).GetBool("Email", "SetViewed", false));
    EXPECT_EQ(store.Read("Email/ReplyToEmail"), "");
}
