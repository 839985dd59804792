#include "mail/LEmailSettingsRules.h"

#include "dialogs/QPFormFields.h"
#include "fileformat/LSettings.h"
#include "mail/LEmail.h"
#include "mail/LEmailSettings.h"
#include "mail/LMailTransport.h"

namespace LEmailSettingsRules {

namespace {

constexpr const char* kSection = "Email";

} // namespace

eSendMethod SelectedMethod(bool useSendMail, bool useSMTPHost, bool sendDirect)
{
    if (useSMTPHost)
        return eSendMethodSMTP;
    if (sendDirect)
        return eSendMethodDirect;
    if (useSendMail)
        return eSendMethodSendMail;
    return eSendMethodSMTP;
}

Form OpenForm(LSettingsStore& store, LMailServices* services)
{
    if (services)
        LEmailImportDefaultsOnce(store, *services);
    const LEmailSettings stored = LEmailSettings::ReadForDialog(store);
    Form form;
    form.method = SelectedMethod(stored.useSendMail, stored.useSMTPHost, stored.sendDirect);
    form.smtpHost = stored.smtpHost;
    form.smtpAuthOn = stored.smtpAuthOn;
    form.userName = stored.userName;
    form.password = stored.password;
    form.useSSL = stored.useSSL;
    form.smtpDownSend = stored.smtpDownSend;
    form.replyTo = stored.replyTo;
    return form;
}

EnabledControls Enabled(const Form& form)
{
    const bool smtp = form.method == eSendMethodSMTP;
    EnabledControls enabled;
    enabled.smtpHost = smtp;
    enabled.smtpAuthOn = smtp;
    enabled.useSSL = smtp;
    enabled.smtpDownSend = smtp;
    enabled.userName = smtp && form.smtpAuthOn;
    enabled.password = smtp && form.smtpAuthOn;
    return enabled;
}

QPFormOutcome Confirm(LSettingsStore& store, const Form& form)
{
    const bool smtp = form.method == eSendMethodSMTP;
    const bool direct = form.method == eSendMethodDirect;
    const std::string host = QPTrimmed(form.smtpHost);
    const std::string userName = QPTrimmed(form.userName);
    const std::string replyTo = QPTrimmed(form.replyTo);
    // Authentication is asked for only while its box can be changed: a box left ticked
    // from an earlier server setup must not hold up direct delivery or sendmail.
    const bool authentication = smtp && form.smtpAuthOn;

    if (smtp || direct) {
        if (replyTo.empty())
            return QPFormRefusal{eFieldReplyTo, kReplyRequiredTitle,
                                 "If you choose SMTP you must enter a valid reply-to address. "
                                 "Enter your email address."};
        if (!LEmail::ValidateAddress(replyTo))
            return QPFormRefusal{eFieldReplyTo, kInvalidReplyTitle, kInvalidReplyMessage};
        if (smtp && host.empty())
            return QPFormRefusal{eFieldHost, "Mail host required",
                                 "If you choose SMTP you must enter an SMTP mail host.\nPlease "
                                 "contact your ISP if you don't know what your SMTP mail host "
                                 "is."};
        if (authentication && userName.empty())
            return QPFormRefusal{eFieldUserName, "User Name Required",
                                 "If your SMTP server requires authentication,\nyou must enter "
                                 "an SMTP username to connect to your server."};
        if (authentication && form.password.empty())
            return QPFormRefusal{eFieldPassword, "Password Required",
                                 "If your SMTP server requires authentication,\nyou must enter "
                                 "a valid SMTP password to connect to your server."};
    }

    LSettings settings(store);
    settings.SetBool(kSection, "UseSendMail", form.method == eSendMethodSendMail);
    settings.SetBool(kSection, "UseSMTPHost", smtp);
    settings.SetBool(kSection, "SendDirect", direct || (smtp && form.smtpDownSend));
    if (smtp && host.empty())
        return QPFormRefusal{eFieldHost, "SMTP Server Address Required",
                             "If you choose SMTP you must enter a server."};
    settings.SetString(kSection, "MailSMTPHost", host);
    settings.SetBool(kSection, "SMTPAuthOn", form.smtpAuthOn);
    settings.SetString(kSection, "SMTPUserName", userName);
    settings.SetPassword(kSection, "SMTPPassword", form.password);
    settings.SetBool(kSection, "SMTPDownSend", form.smtpDownSend);
    if ((smtp || direct) && replyTo.empty())
        return QPFormRefusal{eFieldReplyTo, kReplyRequiredTitle,
                             "If you choose SMTP or Send Direct you must enter a valid reply-to "
                             "address. Enter your email address."};
    if ((smtp || direct || !replyTo.empty()) && !LEmail::ValidateAddress(replyTo))
        return QPFormRefusal{eFieldReplyTo, kInvalidReplyTitle, kInvalidReplyMessage};
    settings.SetString(kSection, "ReplyToEmail", replyTo);
    settings.SetBool(kSection, "SetViewed", true);
    settings.SetBool(kSection, "UseSSL", form.useSSL);
    return std::nullopt;
}

} // namespace LEmailSettingsRules
