#include "mail/LEmailSettings.h"

#include "fileformat/LSettings.h"
#include "mail/LMailTransport.h"

namespace {

constexpr std::string_view kSection = "Email";

// The sender and the settings dialog read the same keys with different defaults: a user
// who never opened the dialog still gets mail sent (through a server or directly), while
// the dialog starts with nothing chosen.
LEmailSettings Read(const LSettingsStore& store, bool smtpAndDirectByDefault)
{
    // LSettings only reads here; it needs a store it could write to.
    const LSettings settings(const_cast<LSettingsStore&>(store));
    LEmailSettings read;
    read.useSendMail = settings.GetBool(kSection, "UseSendMail", false);
    read.useSMTPHost = settings.GetBool(kSection, "UseSMTPHost", smtpAndDirectByDefault);
    read.sendDirect = settings.GetBool(kSection, "SendDirect", smtpAndDirectByDefault);
    read.smtpHost = settings.GetString(kSection, "MailSMTPHost").str();
    read.smtpAuthOn = settings.GetBool(kSection, "SMTPAuthOn", false);
    read.userName = settings.GetString(kSection, "SMTPUserName").str();
    read.password = settings.GetPassword(kSection, "SMTPPassword").str();
    read.smtpDownSend = settings.GetBool(kSection, "SMTPDownSend", false);
    read.useSSL = settings.GetBool(kSection, "UseSSL", false);
    read.replyTo = settings.GetString(kSection, "ReplyToEmail").str();
    read.setViewed = settings.GetBool(kSection, "SetViewed", false);
    return read;
}

} // namespace

LEmailSettings LEmailSettings::ReadForSending(const LSettingsStore& store)
{
    return Read(store, true);
}

LEmailSettings LEmailSettings::ReadForDialog(const LSettingsStore& store)
{
    return Read(store, false);
}

void LEmailImportDefaultsOnce(LSettingsStore& store, LMailServices& services)
{
    LSettings settings(store);
    if (settings.GetBool(kSection, "DefaultsSet", false))
        return;
    settings.SetBool(kSection, "DefaultsSet", true);
    // What the user typed in before (a settings file carried over from another machine)
    // is worth more than what the system guesses.
    const std::string host = services.DefaultSMTPHost();
    if (!host.empty() && settings.GetString(kSection, "MailSMTPHost").empty())
        settings.SetString(kSection, "MailSMTPHost", host);
    const std::string address = services.DefaultEmailAddress();
    if (!address.empty() && settings.GetString(kSection, "ReplyToEmail").empty())
        settings.SetString(kSection, "ReplyToEmail", address);
}
