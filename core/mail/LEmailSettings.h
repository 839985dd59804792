#pragma once

#include <string>

class LSettingsStore;
class LMailServices;

// The user's e-mail settings, section "Email" of the preference store.
struct LEmailSettings {
    bool useSendMail = false;  // "UseSendMail"
    bool useSMTPHost = false;  // "UseSMTPHost"
    bool sendDirect = false;   // "SendDirect"
    std::string smtpHost;      // "MailSMTPHost", host or host:port
    bool smtpAuthOn = false;   // "SMTPAuthOn"
    std::string userName;      // "SMTPUserName"
    std::string password;      // "SMTPPassword", through the store's password accessor
    bool smtpDownSend = false; // "SMTPDownSend", stored only
    bool useSSL = false;       // "UseSSL"
    std::string replyTo;       // "ReplyToEmail"
    bool setViewed = false;    // "SetViewed"

    // As the sender reads them: "UseSMTPHost" and "SendDirect" default to on.
    static LEmailSettings ReadForSending(const LSettingsStore& store);
    // As the settings dialog shows them: every switch defaults to off.
    static LEmailSettings ReadForDialog(const LSettingsStore& store);
};

// The first time mail is used ("DefaultsSet" still 0): sets "DefaultsSet" and stores the
// system's SMTP host and address, where it knows them, as "MailSMTPHost" and
// "ReplyToEmail".
void LEmailImportDefaultsOnce(LSettingsStore& store, LMailServices& services);
