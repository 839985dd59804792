#include "mail/LEmailSendProcess.h"

#include "dialogs/QPFormFields.h"
#include "framework/LFixedText.h"
#include "mail/LEmail.h"
#include "mail/LMailTransport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <utility>

namespace {

// ---------------------------------------------------------------------------------------
// Texts

// What every message says about its origin.
constexpr std::string_view kMailerHeader = "X-Mailer: Kestrano https://kestrano.example/\r\n";

constexpr uint16_t kSubmissionPort = 587;
constexpr uint16_t kSMTPPort = 25;

// How a wait on the server can end without a reply, as the user is told it.
constexpr const char* kServerTimedOut = "The mail server did not answer in time.";
constexpr const char* kServerClosed = "The mail server closed the connection.";
constexpr const char* kConnectionFailed = "The connection to the mail server was lost.";

// An address that could break the dialogue or a header (a project file or the settings may
// hold any text) is refused, named as the user can read it.
constexpr const char* kRecipientRefused =
        "The email address \"%s\" cannot be used, so the email was not sent to it.";
constexpr const char* kSenderRefused =
        "The sender address \"%s\" cannot be used, so the email was not sent. Please check the "
        "reply address in your Email Settings.";

// With "Use secure connection (SSL/TLS)" the password and the message go only over an
// encrypted connection; each way the server can fail to give one has its reason.
constexpr const char* kNoSTARTTLS =
        "The mail server does not offer a secure connection (STARTTLS), so the email was not "
        "sent and no password was given to it. Please check your Email Settings.";
constexpr const char* kSTARTTLSRefused =
        "The mail server refused a secure connection (%d - %s), so the email was not sent and "
        "no password was given to it. Please check your Email Settings.";
constexpr const char* kHandshakeFailed =
        "A secure connection to the mail server could not be established, so the email was not "
        "sent. Please check your Email Settings.";

// The name an attachment travels under: the file's name without its folder, with nothing
// that would end the quoted header value it is written in or the header itself.
std::string AttachmentName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    for (char& c : name)
        if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    return name;
}

std::string Shown(std::string_view text)
{
    return LEmailShownText(text);
}

// The addresses of a comma-separated list, each without the spaces around it and cut to
// a field's length; empty entries are left out.
std::vector<std::string> SplitRecipients(std::string_view list)
{
    std::vector<std::string> addresses;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        std::string address = QPTrimmed(list.substr(
                start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (!address.empty())
            addresses.push_back(LCutUtf8(address));
        if (comma == std::string_view::npos)
            return addresses;
        start = comma + 1;
    }
}

// A server named as "host" or "host:port" (an IPv6 address in brackets when it has a
// port).
struct LMailHost {
    std::string name;
    uint16_t port = 0;
    bool portGiven = false;
};

LMailHost SplitHost(std::string_view text, uint16_t defaultPort)
{
    const std::string trimmed = QPTrimmed(text);
    std::string_view host = trimmed;
    LMailHost split{std::string(host), defaultPort, false};
    const std::size_t colon = host.rfind(':');
    if (colon == std::string_view::npos)
        return split;
    const bool bracketed = host.front() == '[' && colon > 0 && host[colon - 1] == ']';
    if (!bracketed && host.find(':') != colon)
        return split; // a bare IPv6 address
    const std::string_view digits = host.substr(colon + 1);
    unsigned long port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9' || port > 65535)
            return split;
        port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    if (digits.empty() || port == 0 || port > 65535)
        return split;
    split.name =
            bracketed ? std::string(host.substr(1, colon - 2)) : std::string(host.substr(0, colon));
    split.port = static_cast<uint16_t>(port);
    split.portGiven = true;
    return split;
}

// The addresses of the list that the sender may use, in order; each other one is refused
// with a text that names it, and the rest go on without it.
std::vector<std::string> SendableRecipients(LProcessInterface& process, std::string_view list)
{
    std::vector<std::string> sendable;
    for (std::string& address : SplitRecipients(list)) {
        if (LEmail::IsSendableAddress(address))
            sendable.push_back(std::move(address));
        else
            process.SetErrorF(kRecipientRefused, Shown(address).c_str());
    }
    return sendable;
}

std::string JoinedAddresses(const std::vector<std::string>& addresses)
{
    std::string joined;
    for (const std::string& address : addresses)
        joined += (joined.empty() ? "" : ", ") + address;
    return joined;
}

// ---------------------------------------------------------------------------------------
// Failures

// Ends the step for a transport call that did not succeed: a cancel silently, anything
// else with a text that tells the user what happened.
int TransportFailure(LProcessInterface& process, LMailIO io)
{
    switch (io) {
    case LMailIO::ok:
        return eProcessSucceeded;
    case LMailIO::cancelled:
        return eProcessCancelled;
    case LMailIO::timedOut:
        process.SetError(kServerTimedOut);
        break;
    case LMailIO::closed:
        process.SetError(kServerClosed);
        break;
    case LMailIO::failed:
        process.SetError(kConnectionFailed);
        break;
    }
    return eProcessFailed;
}

int Fail(LProcessInterface& process, std::string_view text)
{
    process.SetError(text);
    return eProcessFailed;
}

// ---------------------------------------------------------------------------------------
// Attachments

// Sends a file as base64 lines through `write` (which returns a process result), 57 bytes
// to a line. After each line the user may cancel, and the progress bar moves through the
// file's share of the attachment part: 0.3 to 0.9 split evenly among the files.
int WriteAttachmentLines(LProcessInterface& process, const std::string& path, std::size_t index,
                         std::size_t count, const std::function<int(std::string_view)>& write)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    struct stat info {};
    if (!file || fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        if (file)
            std::fclose(file);
        process.SetErrorF("The attachment \"%s\" could not be read, so the email was not sent.",
                          path.c_str());
        return eProcessFailed;
    }
    const auto size = static_cast<uint64_t>(info.st_size);
    const double slice = 0.6 / static_cast<double>(count);
    const double start = 0.3 + static_cast<double>(index) * slice;
    int result = eProcessSucceeded;
    if (size > 0 && size < (uint64_t(1) << 32)) {
        char piece[57];
        uint64_t done = 0;
        while (result == eProcessSucceeded) {
            const std::size_t read = std::fread(piece, 1, sizeof piece, file);
            if (read == 0) {
                if (std::ferror(file))
                    result = Fail(process, "The attachment could not be read to the end, so the "
                                           "email was not sent.");
                break;
            }
            done += read;
            result = write(LEmailBase64Line(std::string_view(piece, read)) + "\r\n");
            if (result == eProcessSucceeded && process.IsToStop())
                result = eProcessCancelled;
            process.SetProgress(start +
                                slice * static_cast<double>(done) / static_cast<double>(size));
        }
    }
    std::fclose(file);
    return result;
}

// ---------------------------------------------------------------------------------------
// The SMTP dialogue

struct LSMTPReply {
    int code = 0;
    std::string text;     // every line of the reply, each cut to kReplyLineMax
    std::string lastLine; // the line that carries the code, without its end
};

// The most of one reply line that is kept; the rest of a longer line is read and dropped.
constexpr std::size_t kReplyLineMax = 258;
// The most of a whole reply that is kept (an EHLO reply lists a few dozen extensions); a
// server that never ends its reply cannot make the text grow without bound.
constexpr std::size_t kReplyTextMax = 16384;
constexpr std::size_t kReceiveMax = 512;

// One conversation with a mail server: sends commands and reads the replies. Every call
// returns a process result; a failure has been reported when it returns.
class LSMTPSession {
public:
    LSMTPSession(LProcessInterface& process, LMailConnection& connection,
                 const LEmailTimeouts& timeouts)
        : process_(process), connection_(connection), timeouts_(timeouts)
    {}

    int Send(std::string_view bytes, int timeoutMs)
    {
        return TransportFailure(process_, connection_.Send(process_, bytes, timeoutMs));
    }

    // A command and its reply. The user's cancel is looked at before each command, so a
    // stop between two quick replies is not missed.
    int Command(std::string_view line, LSMTPReply& reply)
    {
        if (process_.IsToStop())
            return eProcessCancelled;
        if (const int sent = Send(line, timeouts_.command); sent != eProcessSucceeded)
            return sent;
        return ReadReply(reply);
    }

    // A reply may come in pieces and over several lines ("250-..." lines before the
    // final "250 ..."); it ends with a complete line shorter than four characters or
    // whose fourth is not "-". Bytes after it are kept for the next reply. The whole reply
    // must come within the reply time-out: a server that drips its reply a byte at a time,
    // or never ends it, would otherwise hold the send for as long as it likes.
    int ReadReply(LSMTPReply& reply)
    {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline =
                Clock::now() + std::chrono::milliseconds(timeouts_.reply);
        bool first = true;
        reply = {};
        std::string line;
        for (;;) {
            std::size_t used = 0;
            while (used < pending_.size()) {
                const std::size_t newline = pending_.find('\n', used);
                const std::size_t end = newline == std::string::npos ? pending_.size() : newline;
                if (line.size() < kReplyLineMax)
                    line.append(pending_, used, std::min(end - used, kReplyLineMax - line.size()));
                used = newline == std::string::npos ? pending_.size() : newline + 1;
                if (newline == std::string::npos)
                    break;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (reply.text.size() < kReplyTextMax) {
                    reply.text += line;
                    reply.text += '\n';
                }
                if (line.size() < 4 || line[3] != '-') {
                    pending_.erase(0, used);
                    reply.code = CodeOf(line);
                    reply.lastLine = std::move(line);
                    return eProcessSucceeded;
                }
                line.clear();
            }
            pending_.clear();
            int wait = timeouts_.reply;
            if (!first && wait >= 0) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - Clock::now());
                if (left.count() <= 0)
                    return TransportFailure(process_, LMailIO::timedOut);
                wait = static_cast<int>(left.count());
            }
            first = false;
            const LMailIO io = connection_.Receive(process_, pending_, kReceiveMax, wait);
            if (io != LMailIO::ok)
                return TransportFailure(process_, io);
        }
    }

private:
    static int CodeOf(std::string_view line)
    {
        int code = 0;
        for (std::size_t i = 0; i < line.size() && i < 3 && line[i] >= '0' && line[i] <= '9'; ++i)
            code = code * 10 + (line[i] - '0');
        return code;
    }

    LProcessInterface& process_;
    LMailConnection& connection_;
    const LEmailTimeouts& timeouts_;
    std::string pending_;
};

// What the server said after the first colon of its reply, for messages that quote it;
// all of it after the code when there is no colon. Shown as the user can safely read it:
// the server chooses every byte of it.
std::string ReplyReason(const LSMTPReply& reply)
{
    const std::size_t colon = reply.lastLine.find(':');
    return Shown(
            QPTrimmed(colon != std::string::npos
                              ? std::string_view(reply.lastLine).substr(colon + 1)
                              : std::string_view(reply.lastLine)
                                        .substr(std::min<std::size_t>(3, reply.lastLine.size()))));
}

// Whether a line of the EHLO reply after the first names `keyword` (in capitals) as an
// extension the server offers.
bool OffersExtension(const LSMTPReply& reply, std::string_view keyword)
{
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    std::string_view text = reply.text;
    bool first = true;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        const std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (std::exchange(first, false) || line.size() < 4 + keyword.size())
            continue;
        const std::string_view name = line.substr(4, keyword.size());
        const bool same = std::equal(name.begin(), name.end(), keyword.begin(),
                                     [&](char a, char b) { return upper(a) == b; });
        if (same && (line.size() == 4 + keyword.size() || line[4 + keyword.size()] == ' '))
            return true;
    }
    return false;
}

// One delivery over an open connection.
struct LSMTPDelivery {
    const EmailSMTPSendProcess& send;
    std::vector<std::string> addresses; // the recipients of this delivery, each sendable
    std::string mailHost;               // the server as the failure texts name it
    std::string userName;               // empty: no authentication
    std::string senderHost;             // after "Kestrano@" when no reply address is set
    bool requireTLS = false;            // nothing but STARTTLS may follow the greeting
};

// Says goodbye to a server the send gives up on, so it ends the session at once instead of
// waiting for its own time-out. How it answers changes nothing.
void Quit(LSMTPSession& session, const LEmailTimeouts& timeouts)
{
    LSMTPReply reply;
    if (session.Send("QUIT\r\n", timeouts.command) == eProcessSucceeded)
        session.ReadReply(reply);
}

int SendMessageText(LProcessInterface& process, LSMTPSession& session,
                    const LEmailSendProcess& message, const std::string& sender,
                    const std::string& recipients)
{
    const LEmailTimeouts& timeouts = message.timeouts;
    process.SetProgress(0.2);
    process.SetStatus("Sending Message Text", 1);
    const LDateTime date = message.date.IsSet() ? message.date : LDateTime::Now();
    // The addresses were checked; the subject (task and project names) becomes one line.
    std::string head = "MIME-Version: 1.0\r\nFrom: " + LCutUtf8(sender) +
                       "\r\nTo: " + LCutUtf8(recipients) +
                       "\r\nSubject: " + LRFC2047Encode(LEmailHeaderText(message.subject)) +
                       "\r\nDate: " + LEmailDateText(date) + "\r\n";
    head += kMailerHeader;
    const bool multipart = !message.attachments.empty();
    const std::string boundary = LEmailBoundary(message.body);
    if (multipart)
        head += "Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" + boundary +
                "\r\n";
    head += "Content-Type: text/plain; charset=\"utf-8\"\r\n\r\n";
    if (const int sent = session.Send(head, timeouts.command); sent != eProcessSucceeded)
        return sent;
    for (const std::string& line : LEmailBodyLines(message.body))
        if (const int sent = session.Send(line, timeouts.bodyLine); sent != eProcessSucceeded)
            return sent;
    if (!multipart)
        return eProcessSucceeded;

    process.SetProgress(0.3);
    process.SetStatus("Sending Message Attachment(s)", 1);
    const std::size_t count = message.attachments.size();
    for (std::size_t index = 0; index < count; ++index) {
        const std::string& path = message.attachments[index];
        const std::string name = AttachmentName(path);
        const std::string part = "\r\n--" + boundary +
                                 "\r\nContent-Type: " + LEmailAttachmentType(name) + "; name=\"" +
                                 name +
                                 "\"\r\nContent-Transfer-Encoding: base64\r\n"
                                 "Content-Disposition: attachment; filename=\"" +
                                 name + "\"\r\n\r\n";
        if (const int sent = session.Send(part, timeouts.command); sent != eProcessSucceeded)
            return sent;
        const int written =
                WriteAttachmentLines(process, path, index, count, [&](std::string_view line) {
                    return session.Send(line, timeouts.command);
                });
        if (written != eProcessSucceeded)
            return written;
    }
    return session.Send("\r\n--" + boundary + "--\r\n", timeouts.command);
}

int Converse(LProcessInterface& process, LMailServices& services, LMailConnection& connection,
             const LSMTPDelivery& delivery)
{
    const EmailSMTPSendProcess& send = delivery.send;
    const LEmailSendProcess& message = send.message;
    const std::string recipientList = JoinedAddresses(delivery.addresses);
    const char* recipients = recipientList.c_str();
    process.SetProgress(0.1);
    process.SetStatus("Connected to server", 1);

    LSMTPSession session(process, connection, message.timeouts);
    LSMTPReply reply;
    if (const int read = session.ReadReply(reply); read != eProcessSucceeded)
        return read;
    if (reply.code != 220)
        return Fail(process, "Mail server not responding");

    // STARTTLS and AUTH are extensions, which only a client that greets with EHLO is told
    // of.
    const bool extended = !delivery.userName.empty() || delivery.requireTLS;
    const std::string hello =
            (extended ? "EHLO " : "HELO ") + LEmailHelloName(services.LocalHostName()) + "\r\n";
    const auto greet = [&]() -> int {
        if (const int said = session.Command(hello, reply); said != eProcessSucceeded)
            return said;
        if (reply.code == 504) {
            process.SetErrorF("Mail host server error (HELO not accepted, error code 504) for "
                              "destination email %s - usually this means the email address is "
                              "not valid.",
                              recipients);
            return eProcessFailed;
        }
        if (reply.code != 250) {
            process.SetErrorF("Mail host server error (HELO not accepted): %d emailto: %s",
                              reply.code, recipients);
            return eProcessFailed;
        }
        return eProcessSucceeded;
    };
    if (const int greeted = greet(); greeted != eProcessSucceeded)
        return greeted;

    if (delivery.requireTLS) {
        // The user asked for a secure connection: neither the password nor the message
        // goes in the clear. A server that offers none or refuses it is left with QUIT.
        if (!OffersExtension(reply, "STARTTLS")) {
            Quit(session, message.timeouts);
            return Fail(process, kNoSTARTTLS);
        }
        if (const int said = session.Command("STARTTLS\r\n", reply); said != eProcessSucceeded)
            return said;
        if (reply.code != 220) {
            const std::string reason = ReplyReason(reply);
            Quit(session, message.timeouts);
            process.SetErrorF(kSTARTTLSRefused, reply.code, reason.c_str());
            return eProcessFailed;
        }
        // After a failed handshake the server has left its plain conversation and the
        // connection carries nothing any more, not even QUIT.
        const LMailIO io = connection.StartTLS(process, message.timeouts.reply);
        if (io == LMailIO::cancelled)
            return eProcessCancelled;
        if (io != LMailIO::ok || !connection.IsEncrypted())
            return Fail(process, kHandshakeFailed);
        // The server forgets everything said before the handshake, the greeting too.
        if (const int greeted = greet(); greeted != eProcessSucceeded)
            return greeted;
    }

    if (!delivery.userName.empty()) {
        if (const int said = session.Command("AUTH LOGIN\r\n", reply); said != eProcessSucceeded)
            return said;
        int authCode = reply.code;
        // A server that still wants a greeting first gets it once more.
        if (authCode == 503) {
            if (const int said = session.Command(hello, reply); said != eProcessSucceeded)
                return said;
            if (reply.code == 250) {
                if (const int said = session.Command("AUTH LOGIN\r\n", reply);
                    said != eProcessSucceeded)
                    return said;
                authCode = reply.code;
            }
        }
        if (authCode == 334) {
            if (const int said =
                        session.Command(LEmailBase64Line(delivery.userName) + "\r\n", reply);
                said != eProcessSucceeded)
                return said;
            if (reply.code == 334) {
                if (const int said =
                            session.Command(LEmailBase64Line(send.password) + "\r\n", reply);
                    said != eProcessSucceeded)
                    return said;
            }
            if (reply.code != 235)
                return Fail(process, "Email authentication username or password not accepted");
        } else if (authCode == 530) {
            return Fail(process, "Encryption required for requested Email server. Please check "
                                 "your Email Settings.");
        }
    }

    // Without a reply address the sender is made from the server's name, which comes from
    // the settings or a recipient's domain: it must be a plain host name.
    const bool madeUp = message.settings.replyTo.empty();
    const std::string sender =
            madeUp ? "Kestrano@" + delivery.senderHost : message.settings.replyTo;
    if (madeUp ? !LEmail::IsHostName(delivery.senderHost) : !LEmail::IsSendableAddress(sender)) {
        Quit(session, message.timeouts);
        process.SetErrorF(kSenderRefused, Shown(sender).c_str());
        return eProcessFailed;
    }
    if (const int said = session.Command("MAIL FROM:<" + sender + ">\r\n", reply);
        said != eProcessSucceeded)
        return said;
    if (reply.code != 250) {
        process.SetErrorF("Mail host server error (MAIL FROM not accepted). Please check your "
                          "Email Settings.%s - (%d - %s)",
                          sender.c_str(), reply.code, ReplyReason(reply).c_str());
        return eProcessFailed;
    }

    int accepted = 0;
    for (const std::string& address : delivery.addresses) {
        if (const int said = session.Command("RCPT TO:<" + address + ">\r\n", reply);
            said != eProcessSucceeded)
            return said;
        if (reply.code == 250 || reply.code == 251)
            ++accepted;
    }
    if (accepted == 0) {
        if (process.IsToStop())
            return eProcessCancelled;
        return Fail(process, "Error while trying to send email. Email address may be wrong or your "
                             "SMTP server may require a username or password. Please check "
                             "address again and see Email Settings.");
    }

    if (const int said = session.Command("DATA\r\n", reply); said != eProcessSucceeded)
        return said;
    if (reply.code != 354)
        return Fail(process, "Mail host server error (DATA not accepted)");

    if (const int sent = SendMessageText(process, session, message, sender, recipientList);
        sent != eProcessSucceeded)
        return sent;

    if (const int said = session.Command("\r\n.\r\n", reply); said != eProcessSucceeded)
        return said;
    if (reply.code == 250) {
        process.SetProgress(0.95);
        process.SetStatus("Email sent", 1);
        // The message is on its way; how the server takes the goodbye changes nothing.
        if (session.Send("QUIT\r\n", message.timeouts.command) == eProcessSucceeded)
            session.ReadReply(reply);
        return eProcessSucceeded;
    }
    if (process.IsToStop())
        return eProcessCancelled;
    const std::string shownHost = Shown(delivery.mailHost);
    const char* mailHost = shownHost.c_str();
    switch (reply.code) {
    case 552:
        return Fail(process, "The email exceeds the size limits set for this account.");
    case 554:
        return Fail(process, "The recipient's email server rejected this email because of an "
                             "unspecified reason.  Try using an SMTP account for sending email to "
                             "this address.");
    case 550:
        process.SetErrorF("The recipient's email server does not allow email to be received in "
                          "this manner.  Please use an SMTP account for sending email to this "
                          "address. emailto: %s mailhost: %s",
                          recipients, mailHost);
        return eProcessFailed;
    default:
        process.SetErrorF("Mail host server error (data terminator not accepted) emailto: %s "
                          "mailhost: %s error: %d",
                          recipients, mailHost, reply.code);
        return eProcessFailed;
    }
}

// Delivers straight to one recipient's own mail server. `configuredHost` names the SMTP
// server that could not be reached first, if any.
int DeliverDirectTo(LProcessInterface& process, LMailServices& services,
                    const EmailSMTPSendProcess& send, const std::string& recipient,
                    const std::string& configuredHost)
{
    const std::string domain = recipient.substr(recipient.rfind('@') + 1);

    // A domain written with a port names its server itself (a test peer, a mail server
    // inside the company); otherwise the domain's first mail exchanger takes the mail,
    // or the domain itself when it has none.
    LMailHost exchanger = SplitHost(domain, kSMTPPort);
    if (!exchanger.portGiven) {
        LMailIO io = LMailIO::ok;
        const std::string found = services.LookupMailExchanger(process, domain, io);
        if (io == LMailIO::cancelled)
            return eProcessCancelled;
        if (!found.empty())
            exchanger.name = found;
    }
    const std::unique_ptr<LMailConnection> connection = services.NewConnection();
    const LMailIO io = connection->Connect(process, exchanger.name, exchanger.port,
                                           send.message.timeouts.connectDirect);
    if (io == LMailIO::cancelled)
        return eProcessCancelled;
    if (io != LMailIO::ok) {
        if (configuredHost.empty())
            process.SetErrorF("Unable to connect to mail server \"%s\".", domain.c_str());
        else
            process.SetErrorF("Unable to connect to either mail server \"%s\" or the mail server "
                              "at \"%s\".",
                              Shown(configuredHost).c_str(), domain.c_str());
        return eProcessFailed;
    }
    // No login and no demand for TLS: the recipient's server is no account of the user's.
    const LSMTPDelivery delivery{
            send, {recipient}, exchanger.name, {}, SplitHost(domain, kSMTPPort).name, false};
    const int result = Converse(process, services, *connection, delivery);
    connection->Close();
    return result;
}

// One delivery per recipient, each to its own server. A failure is reported and the next
// recipient still gets the message; the result is a failure when any delivery failed.
int DeliverDirect(LProcessInterface& process, LMailServices& services,
                  const EmailSMTPSendProcess& send, const std::vector<std::string>& recipients,
                  const std::string& configuredHost)
{
    int result = eProcessSucceeded;
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        if (i > 0 && process.IsToStop())
            return eProcessCancelled;
        const int delivered =
                DeliverDirectTo(process, services, send, recipients[i], configuredHost);
        if (delivered == eProcessCancelled)
            return eProcessCancelled;
        if (delivered != eProcessSucceeded)
            result = delivered;
    }
    return result;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Choosing the method

int Process(LProcessInterface& process, LEmailSendProcess& message)
{
    process.SetStatusF(0, "To: %s", Shown(message.recipients).c_str());
    process.SetStatus("Preparing message", 1);
    const LEmailSettings& settings = message.settings;
    if (settings.useSendMail) {
        LEmailSendProcessSendMail sendMail{message};
        return Process(process, sendMail);
    }
    if (settings.useSMTPHost) {
        EmailSMTPSendProcess smtp{message,
                                  settings.smtpHost,
                                  settings.smtpAuthOn ? settings.userName : std::string(),
                                  settings.smtpAuthOn ? settings.password : std::string(),
                                  settings.sendDirect,
                                  settings.useSSL};
        return Process(process, smtp);
    }
    EmailSMTPSendProcess direct{message, {}, {}, {}, true, false};
    return Process(process, direct);
}

// ---------------------------------------------------------------------------------------
// sendmail

int Process(LProcessInterface& process, LEmailSendProcessSendMail& send)
{
    const LEmailSendProcess& message = send.message;
    process.SetStatus("Sending Email", 0);
    process.SetStatus(Shown(message.recipients), 1);
    if (!message.services)
        return Fail(process, "Email cannot be sent: the mail services are missing.");

    // Without a reply address sendmail names the user as the sender itself; an empty
    // "-f" or "From:" would make the message bounce-less or malformed.
    const std::string& sender = message.settings.replyTo;
    if (!sender.empty() && !LEmail::IsSendableAddress(sender)) {
        process.SetErrorF(kSenderRefused, Shown(sender).c_str());
        return eProcessFailed;
    }
    // sendmail takes the recipients from the To header ("-t"), so only the addresses that
    // passed the check may be in it.
    if (SplitRecipients(message.recipients).empty())
        return Fail(process, "No recipients listed to receive email.");
    const std::vector<std::string> recipients = SendableRecipients(process, message.recipients);
    if (recipients.empty())
        return eProcessFailed;
    std::vector<std::string> arguments;
    if (!sender.empty())
        arguments = {"-f", sender};
    arguments.insert(arguments.end(), {"-oi", "-t"});
    const std::unique_ptr<LMailPipe> pipe = message.services->StartProgram("sendmail", arguments);
    if (!pipe)
        return Fail(process, "Unable to run the unix \"sendmail\" tool to send the email. We "
                             "suggest you try selecting the SMTP email option using Email "
                             "Settings.");

    constexpr const char* kStopped = "The unix \"sendmail\" tool could not send the email.";
    // A pipe dropped without Finish ends the program before it sends anything, which is
    // what a cancel or a failure half-way through the message needs.
    auto write = [&](std::string_view bytes) {
        return pipe->Write(process, bytes) ? int(eProcessSucceeded) : Fail(process, kStopped);
    };
    std::string head = "Mime-Version: 1.0\n";
    if (!sender.empty())
        head += "From: " + sender + "\n";
    head += "To: " + JoinedAddresses(recipients) +
            "\nSubject: " + LEmailHeaderText(message.subject) + "\n";
    const std::string boundary = LEmailBoundary(message.body);
    const bool multipart = !message.attachments.empty();
    if (multipart)
        head += "Content-Type: multipart/mixed; boundary=" + boundary + "\n\n--" + boundary + "\n";
    head += "Content-Type: text/plain; charset=\"utf-8\"\n\n" + message.body;
    if (const int written = write(head); written != eProcessSucceeded)
        return written;

    const std::size_t count = message.attachments.size();
    for (std::size_t index = 0; index < count; ++index) {
        const std::string& path = message.attachments[index];
        const std::string name = AttachmentName(path);
        const std::string part = "\n--" + boundary +
                                 "\nContent-Type: application/octet-stream; name=\"" + name +
                                 "\"\nContent-Transfer-Encoding: base64\n"
                                 "Content-Disposition: attachment; filename=\"" +
                                 name + "\"\n\n";
        if (const int written = write(part); written != eProcessSucceeded)
            return written;
        if (const int written = WriteAttachmentLines(process, path, index, count, write);
            written != eProcessSucceeded)
            return written;
    }
    if (multipart)
        if (const int written = write("\n--" + boundary + "--\n"); written != eProcessSucceeded)
            return written;

    switch (pipe->Finish(process, message.timeouts.sendmail)) {
    case LMailIO::ok:
        return eProcessSucceeded;
    case LMailIO::cancelled:
        return eProcessCancelled;
    default:
        return Fail(process, kStopped);
    }
}

// ---------------------------------------------------------------------------------------
// SMTP server and direct delivery

int Process(LProcessInterface& process, EmailSMTPSendProcess& send)
{
    const LEmailSendProcess& message = send.message;
    if (SplitRecipients(message.recipients).empty())
        return Fail(process, "No recipients listed to receive email.");
    process.SetStatusF(0, "To: %s", Shown(message.recipients).c_str());
    process.SetStatus("Connecting to server", 1);
    process.SetProgress(0.0);
    if (!message.services)
        return Fail(process, "Email cannot be sent: the mail services are missing.");
    LMailServices& services = *message.services;

    const bool direct = QPTrimmed(send.host).empty();
    // Without TLS the request for a secure connection could only be ignored, which would
    // send the password in the clear.
    if (!direct && send.useTLS && !services.SupportsTLS())
        return Fail(process, kEmailNoTLSSupport);
    const std::string& replyTo = message.settings.replyTo;
    if (!replyTo.empty() && !LEmail::IsSendableAddress(replyTo)) {
        process.SetErrorF(kSenderRefused, Shown(replyTo).c_str());
        return eProcessFailed;
    }
    const std::vector<std::string> recipients = SendableRecipients(process, message.recipients);
    if (recipients.empty())
        return eProcessFailed;

    if (direct)
        return DeliverDirect(process, services, send, recipients, {});

    // The submission port first; a server named without a port may still take mail only on
    // the old port 25, but one named with a port is meant exactly so.
    const LMailHost server = SplitHost(send.host, kSubmissionPort);
    std::unique_ptr<LMailConnection> connection = services.NewConnection();
    LMailIO io = connection->Connect(process, server.name, server.port, message.timeouts.connect);
    if (io != LMailIO::ok && io != LMailIO::cancelled && !server.portGiven) {
        connection = services.NewConnection();
        io = connection->Connect(process, server.name, kSMTPPort, message.timeouts.connectPort25);
    }
    if (io == LMailIO::cancelled)
        return eProcessCancelled;
    if (io != LMailIO::ok) {
        if (send.fallbackPermitted)
            return DeliverDirect(process, services, send, recipients, send.host);
        process.SetErrorF("Unable to connect to mail server \"%s\" when sending an email to "
                          "\"%s\".",
                          Shown(send.host).c_str(), JoinedAddresses(recipients).c_str());
        return eProcessFailed;
    }
    const LSMTPDelivery delivery{send,          recipients,  send.host,
                                 send.userName, server.name, send.useTLS};
    const int result = Converse(process, services, *connection, delivery);
    connection->Close();
    return result;
}
