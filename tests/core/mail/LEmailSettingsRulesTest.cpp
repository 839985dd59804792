#include "mail/LEmailSettingsRules.h"

#include "fileformat/LSettings.h"
#include "framework/LSettingsStore.h"

#include "support/ScriptedMail.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using namespace LEmailSettingsRules;

Form ServerForm()
{
    Form form;
    form.method = eSendMethodSMTP;
    form.smtpHost = "mail.example.org:2525";
    form.replyTo = "planner@example.org";
    return form;
}

void ExpectRefusal(const QPFormOutcome& outcome, eField field, const char* title,
                   const char* message)
{
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->field, field);
    EXPECT_EQ(outcome->title, title);
    EXPECT_EQ(outcome->message, message);
}

std::map<std::string, std::string> Stored(const LMemorySettingsStore& store)
{
    std::map<std::string, std::string> values;
    for (const std::string& name : store.FullNames())
        values[name] = store.Read(name).value_or("");
    return values;
}

const char* const kReplyRequired =
        "If you choose SMTP you must enter a valid reply-to address. Enter your email address.";
const char* const kInvalidReply = "Please enter a valid reply-to email address.";

} // namespace

TEST(EmailSettingsRules, OpensOnTheServerUnlessDirectDeliveryOrSendmailWasChosen)
{
    EXPECT_EQ(SelectedMethod(false, false, false), eSendMethodSMTP);
    EXPECT_EQ(SelectedMethod(true, false, false), eSendMethodSendMail);
    EXPECT_EQ(SelectedMethod(false, false, true), eSendMethodDirect);
    EXPECT_EQ(SelectedMethod(true, false, true), eSendMethodDirect);
    // A server allowed to fall back on direct delivery stays the server.
    EXPECT_EQ(SelectedMethod(false, true, true), eSendMethodSMTP);
}

TEST(EmailSettingsRules, OpeningImportsTheSystemDefaultsOnlyTheFirstTime)
{
    LMemorySettingsStore store;
    ScriptedMailServices system;
    system.defaultSMTPHost = "smtp.isp.example";
    system.defaultEmailAddress = "me@isp.example";
    Form form = OpenForm(store, &system);
    EXPECT_EQ(form.smtpHost, "smtp.isp.example");
    EXPECT_EQ(form.replyTo, "me@isp.example");
    EXPECT_EQ(form.method, eSendMethodSMTP);
    EXPECT_FALSE(form.smtpAuthOn || form.useSSL || form.smtpDownSend);
    EXPECT_TRUE(LSettings(store).GetBool("Email", "DefaultsSet", false));

    // The user's own choices are never overwritten by the defaults again.
    LSettings settings(store);
    settings.SetString("Email", "MailSMTPHost", "relay.example.org");
    settings.SetBool("Email", "UseSendMail", true);
    settings.SetBool("Email", "SMTPAuthOn", true);
    settings.SetString("Email", "SMTPUserName", "planner");
    settings.SetPassword("Email", "SMTPPassword", "s3cret word");
    system.defaultSMTPHost = "other.isp.example";
    form = OpenForm(store, &system);
    EXPECT_EQ(form.method, eSendMethodSendMail);
    EXPECT_EQ(form.smtpHost, "relay.example.org");
    EXPECT_TRUE(form.smtpAuthOn);
    EXPECT_EQ(form.userName, "planner");
    EXPECT_EQ(form.password, "s3cret word");

    // Without the system's services nothing is imported, and the import stays due.
    LMemorySettingsStore fresh;
    EXPECT_TRUE(OpenForm(fresh, nullptr).smtpHost.empty());
    EXPECT_FALSE(fresh.Read("Email/DefaultsSet").has_value());
}

TEST(EmailSettingsRules, ServerControlsOnlyForTheServerAndLoginOnlyWithAuthentication)
{
    Form form = ServerForm();
    EnabledControls enabled = Enabled(form);
    EXPECT_TRUE(enabled.smtpHost && enabled.smtpAuthOn && enabled.useSSL && enabled.smtpDownSend);
    EXPECT_FALSE(enabled.userName || enabled.password);
    form.smtpAuthOn = true;
    enabled = Enabled(form);
    EXPECT_TRUE(enabled.userName && enabled.password);
    for (const eSendMethod method : {eSendMethodSendMail, eSendMethodDirect}) {
        form.method = method;
        enabled = Enabled(form);
        EXPECT_FALSE(enabled.smtpHost || enabled.smtpAuthOn || enabled.useSSL ||
                     enabled.smtpDownSend || enabled.userName || enabled.password)
                << method;
    }
}

TEST(EmailSettingsRules, ServerSetupIsCheckedInOrderBeforeAnythingIsStored)
{
    LMemorySettingsStore store;
    Form form = ServerForm();
    form.smtpHost = "  ";
    form.replyTo = " ";
    form.smtpAuthOn = true;
    ExpectRefusal(Confirm(store, form), eFieldReplyTo, "Reply Email Required", kReplyRequired);
    form.replyTo = "planner at example.org";
    ExpectRefusal(Confirm(store, form), eFieldReplyTo, kInvalidReplyTitle, kInvalidReply);
    form.replyTo = "planner@example.org";
    ExpectRefusal(Confirm(store, form), eFieldHost, "Mail host required",
                  "If you choose SMTP you must enter an SMTP mail host.\nPlease contact your ISP "
                  "if you don't know what your SMTP mail host is.");
    form.smtpHost = "mail.example.org";
    ExpectRefusal(Confirm(store, form), eFieldUserName, "User Name Required",
                  "If your SMTP server requires authentication,\nyou must enter an SMTP username "
                  "to connect to your server.");
    form.userName = "planner";
    ExpectRefusal(Confirm(store, form), eFieldPassword, "Password Required",
                  "If your SMTP server requires authentication,\nyou must enter a valid SMTP "
                  "password to connect to your server.");
    EXPECT_TRUE(store.FullNames().empty());

    // Direct delivery needs a reply address and nothing of the server, not even the login
    // a ticked box left behind.
    form.method = eSendMethodDirect;
    form.replyTo = "";
    ExpectRefusal(Confirm(store, form), eFieldReplyTo, "Reply Email Required", kReplyRequired);
    EXPECT_TRUE(store.FullNames().empty());
    form.replyTo = "planner@example.org";
    form.smtpHost = "";
    EXPECT_FALSE(Confirm(store, form));
    EXPECT_TRUE(LSettings(store).GetBool("Email", "SendDirect", false));
}

TEST(EmailSettingsRules, ConfirmedServerSetupStoresEveryKey)
{
    LMemorySettingsStore store;
    Form form = ServerForm();
    form.smtpHost = " mail.example.org:2525 ";
    form.replyTo = " planner@example.org ";
    form.smtpAuthOn = true;
    form.userName = "planner";
    form.password = " pass word ";
    form.useSSL = true;
    ASSERT_FALSE(Confirm(store, form));
    const LSettings settings(store);
    const std::map<std::string, std::string> expected = {
            {"Email/UseSendMail", "0"},  {"Email/UseSMTPHost", "1"},
            {"Email/SendDirect", "0"},   {"Email/MailSMTPHost", "mail.example.org:2525"},
            {"Email/SMTPAuthOn", "1"},   {"Email/SMTPUserName", "planner"},
            {"Email/SMTPDownSend", "0"}, {"Email/ReplyToEmail", "planner@example.org"},
            {"Email/SetViewed", "1"},    {"Email/UseSSL", "1"},
    };
    std::map<std::string, std::string> stored = Stored(store);
    // The password is kept through the password accessor, never as plain text.
    ASSERT_EQ(stored.count("Email/__SMTPPassword"), 1u);
    EXPECT_NE(stored["Email/__SMTPPassword"], " pass word ");
    stored.erase("Email/__SMTPPassword");
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword").str(), " pass word ");

    // The fallback box gives the server permission to deliver directly, and the dialog
    // opens on the server again.
    form.smtpDownSend = true;
    ASSERT_FALSE(Confirm(store, form));
    EXPECT_TRUE(settings.GetBool("Email", "SendDirect", false));
    EXPECT_TRUE(settings.GetBool("Email", "SMTPDownSend", false));
    const Form reopened = OpenForm(store, nullptr);
    EXPECT_EQ(reopened.method, eSendMethodSMTP);
    EXPECT_TRUE(reopened.smtpDownSend);
}

TEST(EmailSettingsRules, SendmailNeedsNoReplyAddressButRefusesAWrongOneAfterStoringTheMethod)
{
    LMemorySettingsStore store;
    Form form;
    form.method = eSendMethodSendMail;
    form.smtpHost = "old.example.org";
    form.replyTo = "planner@";
    form.useSSL = true;
    ExpectRefusal(Confirm(store, form), eFieldReplyTo, kInvalidReplyTitle, kInvalidReply);
    // What came before the refusal is stored; the reply address and the rest are not.
    const LSettings settings(store);
    EXPECT_TRUE(settings.GetBool("Email", "UseSendMail", false));
    EXPECT_FALSE(settings.GetBool("Email", "UseSMTPHost", true));
    EXPECT_EQ(settings.GetString("Email", "MailSMTPHost").str(), "old.example.org");
    EXPECT_FALSE(store.Read("Email/ReplyToEmail").has_value());
    EXPECT_FALSE(store.Read("Email/SetViewed").has_value());
    EXPECT_FALSE(store.Read("Email/UseSSL").has_value());

    form.replyTo = "";
    EXPECT_FALSE(Confirm(store, form));
    EXPECT_TRUE(settings.GetBool("Email", "SetViewed", false));
    EXPECT_EQ(store.Read("Email/ReplyToEmail"), "");
}
