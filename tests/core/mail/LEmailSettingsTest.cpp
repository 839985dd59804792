// The e-mail settings as the sender and the dialog read them, and the one-time import of
// the system's mail setup.

#include "mail/LEmailSettings.h"

#include "fileformat/LSettings.h"
#include "framework/LSettingsStore.h"
#include "support/ScriptedMail.h"

#include <gtest/gtest.h>

namespace {

// The switches as "sendmail smtp direct auth ssl down viewed", 1 or 0 each.
std::string Switches(const LEmailSettings& s)
{
    std::string text;
    for (bool on : {s.useSendMail, s.useSMTPHost, s.sendDirect, s.smtpAuthOn, s.useSSL,
                    s.smtpDownSend, s.setViewed})
        text += on ? '1' : '0';
    return text;
}

TEST(LEmailSettings, TheSenderSendsThroughAServerOrDirectlyUntilToldAndBothReadTheKeys)
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

TEST(LEmailSettings, SystemDefaultsAreImportedOnceWithoutOverwritingTheUsersOwn)
{
    LMemorySettingsStore store;
    LSettings(store).SetString("Email", "ReplyToEmail", "me@home.example");
    ScriptedMailServices services;
    services.defaultSMTPHost = "mail.isp.example";
    services.defaultEmailAddress = "ann@isp.example";
    LEmailImportDefaultsOnce(store, services);
    EXPECT_EQ(LEmailSettings::ReadForDialog(store).smtpHost, "mail.isp.example");
    EXPECT_EQ(LEmailSettings::ReadForDialog(store).replyTo, "me@home.example");
    EXPECT_EQ(store.Read("Email/DefaultsSet"), "1");

    LSettings(store).SetString("Email", "MailSMTPHost", "");
    LEmailImportDefaultsOnce(store, services);
    EXPECT_EQ(LEmailSettings::ReadForDialog(store).smtpHost, "");
}

} // namespace
