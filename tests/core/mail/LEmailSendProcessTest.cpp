// Sending an e-mail against scripted servers; the whole messages expected are in tests/data/mail.

#include "mail/LEmailSendProcess.h"
#include "mail/LEmailPrintProcess.h"

#include "MailData.h"
#include "support/ScriptedMail.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using std::string;

#define EXPECT_HAS(text, part) EXPECT_NE(string(text).find(part), string::npos) << (text)

const string kRep = "\xEF\xBF\xBD"; // U+FFFD
// What a shared project file once put into a resource's address: the line breaks end the
// RCPT command, and the rest is a second message written by the file's author.
const string kInjection = "x@example.com>\r\nDATA\r\nSubject: Invoice\r\n\r\nPay now\r\n.\r\nRSET";
const string kUpToData = "220 ready|250 hello|250 OK|250 OK|354 go";
const string kAccepted = kUpToData + "|250 Queued|221 Bye";

class MailSend : public ::testing::Test {
protected:
    MailSend()
    {
        message.recipients = "ann@example.com";
        message.subject = "Status";
        message.body = "Hello\r\n";
        message.settings.replyTo = "me@home.example";
        message.services = &mail;
        message.date = UtcTime(2026, 12, 6, 15, 41, 21);
    }
    int Send(const string& host, bool fallback = false, const string& user = {}, bool tls = false)
    {
        process.errors.clear();
        EmailSMTPSendProcess send{message, host, user, user.empty() ? "" : "secret", fallback, tls};
        return Process(process, send);
    }
    ScriptedMailServer& Server(const string& replies, const string& host = "smtp.example.com",
                               uint16_t port = 587)
    {
        return mail.Listen(host, port).Script(replies);
    }
    // The error shown when `result` is a failure.
    string Failure(int result)
    {
        return result == eProcessFailed ? process.LastError() : "(no failure)";
    }
    int SendMail()
    {
        process.errors.clear();
        LEmailSendProcessSendMail send{message};
        return Process(process, send);
    }

    ScopedTimeZone utc{"UTC"};
    ScriptedMailServices mail;
    RecordingMailProcess process;
    LEmailSendProcess message;
    TempDir dir;
};

// Replies in pieces, one with a line longer than a read; without a reply address the sender
// is Kestrano at the server.
TEST_F(MailSend, APlainMessageGoesThroughTheWholeDialogue)
{
    message.settings.replyTo.clear();
    ScriptedMailServer& server = mail.Listen("smtp.example.com", 587);
    server.Reply("220 ready\r\n2").Reply("50-mx\r\n250-" + string(900, 'X') + "\r\n250-SIZE\r\n");
    server.Reply("25").Reply("0 OK\r\n").Script("250 OK|250 OK|354 go|250 Queued|221 Bye");
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(server.Transcript(), MailData("plain.smtp"));
    EXPECT_TRUE(server.closed && server.StepsLeft() == 0);
    // Connecting waits 15 s, replies 40 s (read 512 bytes at a time), commands and the
    // header block 20 s, body lines 30 s.
    EXPECT_EQ((std::vector<int>{mail.attempts.at(0).timeoutMs, server.receives.at(0).second,
                                int(server.receives.at(0).first), server.sent[0].timeoutMs,
                                server.sent[5].timeoutMs}),
              (std::vector<int>{15000, 40000, 512, 20000, 30000}));
    EXPECT_EQ(process.StatusesOnLine(0), (Lines{"To: ann@example.com"}));
    EXPECT_EQ(process.StatusesOnLine(1), (Lines{"Connecting to server", "Connected to server",
                                                "Sending Message Text", "Email sent"}));
    EXPECT_EQ(process.progress, (std::vector<double>{0.0, 0.1, 0.2, 0.95}));
}

TEST_F(MailSend, AttachmentsTravelAsBase64PartsWithTheirTypes)
{
    message.attachments = {dir.Write("voice.WAV", string(57, '\0') + "abc"),
                           dir.Write("plan.pdf", "")};
    message.subject = "Gr\xC3\xB6\xC3\x9F"
                      "e";
    message.body = "x\r\n.y";
    const ScriptedMailServer& server = Server(kAccepted);
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(server.Transcript(), MailData("attachments.smtp"));
    // The first of two files moves the bar through 0.3 to 0.6 by the bytes read.
    EXPECT_NEAR(process.progress.at(4), 0.3 + 0.3 * 57 / 60, 1e-9);
    EXPECT_EQ(process.progress.at(5), 0.6);
    EXPECT_EQ(process.StatusesOnLine(1).at(3), "Sending Message Attachment(s)");
}

// The sends of mail/sends.tsv, then time-outs, hang-ups and a system without TLS.
TEST_F(MailSend, EverySendOfTheTableEndsAsItShould)
{
    const auto rows = MailRows("sends.tsv");
    ASSERT_EQ(rows.size(), 32u);
    for (const Lines& row : rows) {
        ASSERT_GE(row.size(), 4u) << row[0] << row[1];
        const auto& [who, replies, error, commands] = std::tie(row[0], row[1], row[2], row[3]);
        const auto cell = [&row](std::size_t i, const char* otherwise) {
            return i < row.size() ? row[i] : string(otherwise);
        };
        const string listen = cell(5, "smtp.example.com 587");
        ScriptedMailServer& server =
                Server(replies, listen.substr(0, listen.rfind(' ')),
                       uint16_t(std::stoi(listen.substr(listen.rfind(' ') + 1))));
        server.tlsResult = who == "tls!" ? LMailIO::failed : LMailIO::ok;
        message.recipients = cell(6, "ann@example.com");
        message.settings.replyTo = cell(7, "me@home.example");
        const bool login = who == "ann" || who.starts_with("tls");
        EXPECT_EQ(Send(cell(4, "smtp.example.com"), false, login ? "ann" : "",
                       who.find("tls") != string::npos),
                  error.empty() ? eProcessSucceeded : eProcessFailed)
                << replies << process.LastError();
        EXPECT_HAS(process.LastError(), error);
        // A server connected to is always left closed.
        EXPECT_EQ(server.closed, !server.receives.empty()) << replies;
        EXPECT_EQ(commands.empty() ? "" : Join(server.Commands()), commands);
        // Nothing after an accepted STARTTLS (the second send) goes in the clear.
        for (std::size_t i = 0; i < server.sent.size(); ++i)
            EXPECT_EQ(server.sent[i].encrypted, i >= 2 && server.encrypted) << replies << i;
    }
    message.recipients = "ann@example.com";
    mail.Listen("smtp.example.com", 587).Then(LMailIO::timedOut);
    mail.Listen("smtp.example.com", 587).Reply("220 ready\r\n").Then(LMailIO::failed);
    Server(kUpToData).sendFailure = {5, LMailIO::timedOut};
    for (const char* error : {"did not answer in time.", "connection to the mail server was lost.",
                              "did not answer in time."})
        EXPECT_HAS(Failure(Send("smtp.example.com")), error);
    // The message was never ended, so the server drops it.
    EXPECT_EQ(mail.servers.back()->Transcript().find("\r\n.\r\n"), string::npos);
    // A system without TLS refuses a secure send before connecting.
    mail.supportsTLS = false;
    const std::size_t attempts = mail.attempts.size();
    EXPECT_EQ(Failure(Send("smtp.example.com", true, "ann", true)), kEmailNoTLSSupport);
    EXPECT_EQ(process.errors.size(), 1u);
    EXPECT_EQ(mail.attempts.size(), attempts);
}

TEST_F(MailSend, ACancelDuringAnyWaitEndsAtOnceWithoutAnError)
{
    mail.Listen("smtp.example.com", 587).Reply("220 ready\r\n").Do([this] { process.stop = true; });
    EXPECT_EQ(Send("smtp.example.com"), eProcessCancelled);
    EXPECT_EQ(mail.servers[0]->Commands(), Lines{"HELO client.example"});
    // During the attachment: the message is never ended.
    process.stop = false;
    message.attachments = {dir.Write("big.pdf", string(57 * 10, 'x'))};
    Server(kUpToData);
    process.stopAboveProgress = 0.3;
    EXPECT_EQ(Send("smtp.example.com"), eProcessCancelled);
    const string sent = mail.servers[1]->Transcript();
    EXPECT_HAS(sent, "\r\n\r\neHh4"); // the first line went
    EXPECT_EQ(sent.find("\r\n.\r\n"), string::npos);
    EXPECT_TRUE(mail.servers[1]->closed);
    EXPECT_TRUE(process.errors.empty());
}

TEST_F(MailSend, NoOutsideTextEndsACommandOrAHeaderEarly)
{
    message.recipients = "ann@example.com, " + kInjection + ", bob@example.org";
    message.subject = "Move\x1B[2J\r\nBcc: all@example.com\x7F";
    message.attachments = {dir.Write("plan\x0B\x1B.pdf", "%PDF")};
    mail.localHostName = "client\r\nRSET";
    const ScriptedMailServer& server =
            Server("220 ready|250 hello|250 OK|250 OK|250 OK|354 go|250 Queued|221 Bye");
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(Join(server.Commands()),
              "HELO localhost, MAIL FROM:<me@home.example>, RCPT TO:<ann@example.com>, RCPT "
              "TO:<bob@example.org>, DATA, QUIT");
    const string refused = "The email address \"x@example.com>" + kRep + kRep + "DATA" + kRep +
                           kRep + "Subject: Invoice" + kRep + kRep + kRep + kRep + "Pay now" +
                           kRep + kRep + "." + kRep + kRep + "RSET\" cannot be used";
    EXPECT_HAS(process.LastError(), refused);
    EXPECT_HAS(server.Transcript(),
               "\r\nDATA\r\nMIME-Version: 1.0\r\nFrom: me@home.example\r\nTo: ann@example.com, "
               "bob@example.org\r\nSubject: Move [2J  Bcc: all@example.com \r\nDate:");
    EXPECT_HAS(server.Transcript(), "name=\"plan__.pdf\"\r\n");
    // A reply address that could break the dialogue stops the send unsent.
    message.settings.replyTo = "me@home.example>\r\nRCPT TO:<all@example.com";
    EXPECT_EQ(Send("smtp.example.com"), eProcessFailed);
    EXPECT_EQ(Failure(SendMail()), "The sender address \"me@home.example>" + kRep + kRep +
                                           "RCPT TO:<all@example.com\" cannot be used, so the "
                                           "email was not sent. Please check the reply address "
                                           "in your Email Settings.");
    EXPECT_EQ(mail.attempts.size(), 1u);
    EXPECT_TRUE(mail.programs.empty());
    message.settings.replyTo.clear();
    // Texts from servers, DNS and the settings are shown without control characters.
    mail.mailExchangers["example.com"] = "mx\x1B[2J.example.com";
    message.recipients = "ann@example.com\x1B[2J";
    Process(process, message);
    EXPECT_EQ(process.StatusesOnLine(0).back(), "To: ann@example.com" + kRep + "[2J");
    message.recipients = "ann@example.com";
    Server(kUpToData + "|550 no", "mx\x1B[2J.example.com", 25);
    EXPECT_HAS(Failure(Send("")), "mailhost: mx" + kRep + "[2J.example.com");
}

TEST_F(MailSend, ServersAndPortsAndTheFallbackToDirectDelivery)
{
    // The default port is retried on port 25 (a port given is not: mail/sends.tsv).
    Server(kAccepted, "smtp.example.com", 25);
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(mail.attempts.at(1).port * 100000 + mail.attempts.at(1).timeoutMs, 2505000);
    // An unreachable server falls back to direct delivery, without login.
    mail.attempts.clear();
    mail.mailExchangers["example.com"] = "mx1.example.com";
    Server(kAccepted, "mx1.example.com", 25);
    ASSERT_EQ(Send("smtp.example.com", true, "ann", true), eProcessSucceeded);
    EXPECT_EQ(mail.attempts.size(), 3u);
    EXPECT_EQ(mail.attempts[2].timeoutMs, 20000);
    EXPECT_EQ(mail.servers.back()->Commands()[0], "HELO client.example");
    EXPECT_EQ(Failure(Send("smtp.example.com", true)),
              "Unable to connect to either mail server \"smtp.example.com\" "
              "or the mail server at \"example.com\".");
}

// Chosen in the settings (the server is the chart's below, sendmail after this), direct
// delivery asks nobody for a secure connection.
TEST_F(MailSend, DirectDeliveryGoesToEachDomainsExchangerOrTheDomain)
{
    message.recipients = "ann@example.com,bob@example.org, cy@localhost:2525";
    message.settings.replyTo.clear();
    message.settings.useSSL = true;
    mail.mailExchangers["example.com"] = "mx1.example.com";
    Server(kAccepted, "mx1.example.com", 25);
    Server(kAccepted, "example.org", 25);
    Server(kAccepted, "localhost", 2525);
    ASSERT_EQ(Process(process, message), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(mail.servers[0]->Commands()[0], "HELO client.example");
    EXPECT_EQ(mail.lookups, (Lines{"example.com", "example.org"}));
    Lines dialogue;
    for (const auto& server : mail.servers)
        dialogue.push_back(server->Commands()[1] + " " + server->Commands()[2]);
    EXPECT_EQ(Join(dialogue), "MAIL FROM:<Kestrano@example.com> RCPT TO:<ann@example.com>, MAIL "
                              "FROM:<Kestrano@example.org> RCPT TO:<bob@example.org>, MAIL "
                              "FROM:<Kestrano@localhost> RCPT TO:<cy@localhost:2525>");
    // One recipient that could not be reached fails the send, though the next got it.
    message.recipients = "ann@example.com,bob@example.org";
    mail.mailExchangers.clear();
    Server(kAccepted, "example.org", 25);
    EXPECT_EQ(Failure(Send("")), "Unable to connect to mail server \"example.com\".");
    EXPECT_EQ(mail.servers.back()->Commands()[2], "RCPT TO:<bob@example.org>");
    // A cancel after the first of two deliveries leaves the second unsent.
    message.recipients = "ann@example.org,bob@example.org";
    Server(kUpToData + "|250 Queued", "example.org", 25).Do([this] { process.stop = true; });
    Server(kAccepted, "example.org", 25);
    const std::size_t before = mail.servers.size();
    EXPECT_EQ(Send(""), eProcessCancelled);
    EXPECT_EQ(mail.servers.size(), before + 1);
    EXPECT_EQ(mail.servers.back()->Commands().back(), "QUIT");
}

TEST_F(MailSend, SendmailGetsTheMessageWithLineFeedsAndOnlyTheAddressesThatPassOrNothing)
{
    message.attachments = {dir.Write("chart.pdf", "foobar")};
    message.settings.useSendMail = true;
    ASSERT_EQ(Process(process, message), eProcessSucceeded) << process.LastError();
    const ScriptedMailPipeRecord& run = *mail.programs.at(0);
    EXPECT_EQ(run.program + " " + Join(run.arguments), "sendmail -f, me@home.example, -oi, -t");
    EXPECT_EQ(run.input, MailData("sendmail.txt"));
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(Join(process.StatusesOnLine(0)) + "|" + Join(process.StatusesOnLine(1)),
              "To: ann@example.com, Sending Email|Preparing message, ann@example.com");
    message.attachments.clear();
    message.settings.replyTo.clear();
    ASSERT_EQ(SendMail(), eProcessSucceeded);
    EXPECT_EQ(mail.programs[1]->arguments, (Lines{"-oi", "-t"}));
    EXPECT_EQ(mail.programs[1]->input, "Mime-Version: 1.0\nTo: ann@example.com\nSubject: Status\n"
                                       "Content-Type: text/plain; charset=\"utf-8\"\n\nHello\r\n");
    message.recipients = kInjection; // no address passes: sendmail is not run
    EXPECT_HAS(Failure(SendMail()), "cannot be used");
    EXPECT_EQ(mail.programs.size(), 2u);
    // Failures and cancels never hand over the message.
    message.recipients = "ann@example.com";
    mail.programStarts = false;
    EXPECT_HAS(Failure(SendMail()), "Unable to run the unix \"sendmail\" tool");
    mail.programStarts = true;
    mail.finishResult = LMailIO::failed;
    EXPECT_EQ(Failure(SendMail()), "The unix \"sendmail\" tool could not send the email.");
    mail.finishResult = LMailIO::ok;
    message.attachments = {dir.Write("big.pdf", string(57 * 10, 'x'))};
    process.stopAboveProgress = 0.3;
    EXPECT_EQ(SendMail(), eProcessCancelled);
    EXPECT_FALSE(mail.programs.back()->finished); // the program was stopped
    EXPECT_EQ(mail.programs.back()->input.find("--gc0p4Jq0M2Yt08jU534c0--"), string::npos);
}

// The chart as a PDF attachment: written, sent and removed whatever the outcome.
TEST_F(MailSend, TheChartIsWrittenSentAndRemovedWhateverTheOutcome)
{
    ScopedEnvironment tmp{"TMPDIR", dir.path.c_str()};
    LEmailPrintProcess<int> send;
    send.recipient = "ann@example.com";
    send.subject = "Project Update";
    send.baseName = "Office Move";
    send.services = &mail;
    send.settings.useSMTPHost = true;
    send.settings.smtpHost = "smtp.example.com";
    send.settings.userName = "ann"; // without "SMTPAuthOn" not used
    Lines written;
    send.writePDF = [&](LProcessInterface&, const string& path, int paperSize) {
        written.push_back(path + " " + std::to_string(paperSize));
        dir.Write("Office Move.pdf", "%PDF-1.4\n");
        return true;
    };
    Server(kAccepted);
    ASSERT_EQ(Process(process, send), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(written, Lines{dir.path + "/Office Move.pdf 1"});
    EXPECT_TRUE(dir.Entries().empty());
    EXPECT_EQ(process.StatusesOnLine(0).at(0) + "|" + process.StatusesOnLine(1).at(0),
              "Sending Email|ann@example.com");
    EXPECT_HAS(mail.servers[0]->Transcript(),
               "filename=\"Office Move.pdf\"\r\n\r\nJVBERi0xLjQK\r\n");
    EXPECT_EQ(Process(process, send), eProcessFailed); // nobody listens
    EXPECT_TRUE(dir.Entries().empty());
    Server(kUpToData).Do([this] { process.stop = true; });
    EXPECT_EQ(Process(process, send), eProcessCancelled);
    EXPECT_TRUE(dir.Entries().empty());
    EXPECT_EQ(Process(process, send), eProcessCancelled); // before writing: nothing written
    EXPECT_EQ(written.size(), 3u);
    process.stop = false;
    send.writePDF = [this](LProcessInterface& p, const string&, int) {
        dir.Write("Office Move.pdf", "half");
        p.SetError("The chart could not be written.");
        return false;
    };
    const std::size_t attempts = mail.attempts.size();
    EXPECT_EQ(Failure(Process(process, send)), "The chart could not be written.");
    EXPECT_TRUE(dir.Entries().empty());
    EXPECT_EQ(mail.attempts.size(), attempts);
    ScopedEnvironment unset("TMPDIR", nullptr);
    EXPECT_EQ(LEmailAttachmentPath("Q3/Q4 plan"), "/tmp/Q3-Q4 plan.pdf");
    EXPECT_EQ(LEmailAttachmentPath(""), "/tmp/Kestrano" + std::to_string(gettid()) + ".pdf");
}

} // namespace
