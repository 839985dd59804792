// The e-mail settings as the sender reads them, and "Email Settings" on a plain record.

#include "mail/LEmailSettingsRules.h"
#include "mail/LEmailSettings.h"

#include "fileformat/LSettings.h"
#include "framework/LSettingsStore.h"

#include "MailData.h"
#include "support/ScriptedMail.h"

#include <gtest/gtest.h>

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

// Every stored key as "name=value", in order of names; the password as it reads back.
std::string Stored(LMemorySettingsStore& store)
{
    std::string text;
    for (const std::string& name : store.FullNames())
        text += name + "=" +
                (name.ends_with("__SMTPPassword")
                         ? "(" + LSettings(store).GetPassword("Email", "SMTPPassword").str() + ")"
                         : store.Read(name).value_or("")) +
                " ";
    return text.empty() ? "-" : text;
}

} // namespace

TEST(EmailSettings, TheSenderSendsThroughAServerOrDirectlyUntilToldAndBothReadTheKeys)
{
    LMemorySettingsStore store;
    EXPECT_EQ(Switches(LEmailSettings::ReadForSending(store)), "0110000");
    EXPECT_EQ(Switches(LEmailSettings::ReadForDialog(store)), "0000000");
    for (const std::string entry :
         {"UseSendMail=1", "SMTPAuthOn=1", "SMTPDownSend=1", "UseSSL=1", "SetViewed=1",
          "UseSMTPHost=0", "SendDirect=0", "MailSMTPHost=smtp.example.com:2525", "SMTPUserName=ann",
          "ReplyToEmail=ann@example.com"})
        store.Write("Email/" + entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1));
    LSettings(store).SetPassword("Email", "SMTPPassword", "s3cret");
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

// Each form of mail/settings-forms.tsv on a fresh store: controls, OK's answer, keys stored.
TEST(EmailSettingsRules, EveryFormOfTheTableGetsItsControlsAnswerAndKeys)
{
    const auto rows = MailRows("settings-forms.tsv");
    ASSERT_EQ(rows.size(), 12u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 9u) << row[0];
        Form form;
        form.method = row[0] == "smtp"       ? eSendMethodSMTP
                      : row[0] == "sendmail" ? eSendMethodSendMail
                                             : eSendMethodDirect;
        form.smtpHost = row[1];
        form.replyTo = row[2];
        form.userName = row[3];
        form.password = row[4];
        form.smtpAuthOn = row[5][0] == '1';
        form.useSSL = row[5][1] == '1';
        form.smtpDownSend = row[5][2] == '1';
        const EnabledControls on = Enabled(form);
        LMemorySettingsStore store;
        // The refusal as "field: title", or "stored" when OK went through.
        const QPFormOutcome refused = Confirm(store, form);
        const std::string outcome =
                refused ? std::to_string(refused->field) + ": " + refused->title : "stored";
        EXPECT_EQ(Bits({on.smtpHost, on.smtpAuthOn, on.useSSL, on.smtpDownSend, on.userName,
                        on.password}) +
                          " " + outcome + " " + Stored(store),
                  row[6] + " " + row[7] + " " + row[8]);
        // The password is kept through the password accessor, never as plain text.
        EXPECT_TRUE(row[4].empty() || store.Read("Email/__SMTPPassword") != row[4]);
        // With the fallback box the dialog opens on the server again.
        const Form reopened = OpenForm(store, nullptr);
        EXPECT_TRUE(outcome != "stored" ||
                    (reopened.method == form.method && reopened.smtpDownSend == form.smtpDownSend))
                << row[0];
    }
}
