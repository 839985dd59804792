// The e-mail settings: the sender's and the dialog's defaults, and the one-time import of
// the system's mail setup.

#include "mail/LEmailSettings.h"

#include "fileformat/LSettings.h"
#include "framework/LSettingsStore.h"
#include "support/ScriptedMail.h"

#include <gtest/gtest.h>

namespace {

TEST(LEmailSettings, TheSenderSendsThroughAServerOrDirectlyUntilTold)
{
    LMemorySettingsStore store;
    const LEmailSettings sending = LEmailSettings::ReadForSending(store);
    EXPECT_FALSE(sending.useSendMail);
    EXPECT_TRUE(sending.useSMTPHost);
    EXPECT_TRUE(sending.sendDirect);
    EXPECT_FALSE(sending.smtpAuthOn);
    EXPECT_FALSE(sending.useSSL);
    EXPECT_FALSE(sending.setViewed);
    const LEmailSettings shown = LEmailSettings::ReadForDialog(store);
    EXPECT_FALSE(shown.useSMTPHost);
    EXPECT_FALSE(shown.sendDirect);
}

TEST(LEmailSettings, StoredValuesAreReadBackTheSameByBoth)
{
    LMemorySettingsStore store;
    LSettings settings(store);
    settings.SetBool("Email", "UseSendMail", true);
    settings.SetBool("Email", "UseSMTPHost", false);
    settings.SetBool("Email", "SendDirect", false);
    settings.SetString("Email", "MailSMTPHost", "smtp.example.com:2525");
    settings.SetBool("Email", "SMTPAuthOn", true);
    settings.SetString("Email", "SMTPUserName", "ann");
    settings.SetPassword("Email", "SMTPPassword", "s3cret");
    settings.SetBool("Email", "SMTPDownSend", true);
    settings.SetBool("Email", "UseSSL", true);
    settings.SetString("Email", "ReplyToEmail", "ann@example.com");
    settings.SetBool("Email", "SetViewed", true);
    for (const LEmailSettings& read :
         {LEmailSettings::ReadForSending(store), LEmailSettings::ReadForDialog(store)}) {
        EXPECT_TRUE(read.useSendMail);
        EXPECT_FALSE(read.useSMTPHost);
        EXPECT_FALSE(read.sendDirect);
        EXPECT_EQ(read.smtpHost, "smtp.example.com:2525");
        EXPECT_TRUE(read.smtpAuthOn);
        EXPECT_EQ(read.userName, "ann");
        EXPECT_EQ(read.password, "s3cret");
        EXPECT_TRUE(read.smtpDownSend);
        EXPECT_TRUE(read.useSSL);
        EXPECT_EQ(read.replyTo, "ann@example.com");
        EXPECT_TRUE(read.setViewed);
    }
    // The password is kept scrambled, never under its plain key.
    EXPECT_FALSE(store.Read("Email/SMTPPassword").has_value());
}

TEST(LEmailSettings, SystemDefaultsAreImportedOnlyOnce)
{
    LMemorySettingsStore store;
    ScriptedMailServices services;
    services.defaultSMTPHost = "mail.isp.example";
    services.defaultEmailAddress = "ann@isp.example";
    LEmailImportDefaultsOnce(store, services);
    LEmailSettings read = LEmailSettings::ReadForDialog(store);
    EXPECT_EQ(read.smtpHost, "mail.isp.example");
    EXPECT_EQ(read.replyTo, "ann@isp.example");
    EXPECT_EQ(store.Read("Email/DefaultsSet"), "1");

    LSettings(store).SetString("Email", "MailSMTPHost", "");
    services.defaultSMTPHost = "other.isp.example";
    LEmailImportDefaultsOnce(store, services);
    EXPECT_EQ(LEmailSettings::ReadForDialog(store).smtpHost, "");
}

TEST(LEmailSettings, ImportKeepsWhatTheUserEnteredAndMarksEvenWhenNothingIsKnown)
{
    LMemorySettingsStore store;
    LSettings(store).SetString("Email", "ReplyToEmail", "me@home.example");
    ScriptedMailServices services;
    services.defaultEmailAddress = "ann@isp.example";
    LEmailImportDefaultsOnce(store, services);
    const LEmailSettings read = LEmailSettings::ReadForDialog(store);
    EXPECT_EQ(read.replyTo, "me@home.example");
    EXPECT_EQ(read.smtpHost, "");
    EXPECT_FALSE(store.Read("Email/MailSMTPHost").has_value());
    EXPECT_EQ(store.Read("Email/DefaultsSet"), "1");
}

} // namespace
