#pragma once

#include "dialogs/QPFormRefusal.h"

#include <cstdint>
#include <string>

class LMailServices;
class LSettingsStore;

// The e-mail settings dialog ("Email Settings") on a plain record: what it shows when it
// opens, which of its controls the user can change for the choices made, and what OK
// checks and stores in the section "Email" of the preference store.
namespace LEmailSettingsRules {

// The radio buttons of the group "Send Method".
enum eSendMethod : int32_t {
    eSendMethodSendMail = 0, // "Use sendmail unix default script"
    eSendMethodDirect,       // "Send directly to other side (work as own SMTP server)"
    eSendMethodSMTP,         // "Use SMTP to send email directly to the mail server"
};

// The controls a refusal sends the user back to.
enum eField : int32_t {
    eFieldReplyTo = 0,
    eFieldHost,
    eFieldUserName,
    eFieldPassword,
};

struct Form {
    eSendMethod method = eSendMethodSMTP;
    std::string smtpHost;
    bool smtpAuthOn = false;
    std::string userName;
    std::string password;
    bool useSSL = false;
    bool smtpDownSend = false;
    std::string replyTo;
};

// The method the dialog shows for the stored switches. A server with permission to fall
// back on direct delivery is still the server; direct delivery on its own comes next, then
// sendmail. With nothing stored the server is offered, the usual setup, so that OK asks for
// what it needs instead of storing a method nobody chose.
eSendMethod SelectedMethod(bool useSendMail, bool useSMTPHost, bool sendDirect);

// What the dialog shows when it opens: the system's mail defaults are imported the first
// time (when `services` can say what they are), then every control is read from its key
// with the dialog's defaults (all switches off, texts empty).
Form OpenForm(LSettingsStore& store, LMailServices* services);

// Which controls the user can change: the server's host, authentication, secure connection
// and fallback only while the server method is chosen; user name and password only while,
// in addition, the server requires authentication.
struct EnabledControls {
    bool smtpHost = false;
    bool smtpAuthOn = false;
    bool useSSL = false;
    bool smtpDownSend = false;
    bool userName = false;
    bool password = false;
};
EnabledControls Enabled(const Form& form);

// OK. First the checks that store nothing: with the server or direct delivery, a reply
// address that is present and valid; with the server, a host and, when it requires
// authentication, a user name and a password. Then the keys are stored in their order,
// with the later checks between them; a key stored before a later refusal keeps its new
// value. Host, user name and reply address are taken without the blanks around them; the
// password as typed. The last stores mark the settings as seen ("SetViewed"), after which
// mail is sent without asking for them again.
//
// "SendDirect" carries, besides the direct method, the server method's permission to fall
// back on direct delivery, which is what the mail sender reads it for: so "If server is
// down, attempt to send directly" takes effect. "SMTPDownSend" keeps the box's state.
QPFormOutcome Confirm(LSettingsStore& store, const Form& form);

inline constexpr const char* kReplyRequiredTitle = "Reply Email Required";
inline constexpr const char* kInvalidReplyTitle = "Invalid Reply Email";
inline constexpr const char* kInvalidReplyMessage = "Please enter a valid reply-to email address.";

} // namespace LEmailSettingsRules
