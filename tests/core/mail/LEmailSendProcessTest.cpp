// Sending an e-mail: the SMTP dialogue with its replies and failure texts, direct delivery,
// the sendmail stream and the chart attachment, against scripted servers.

#include "mail/LEmailSendProcess.h"
#include "mail/LEmailPrintProcess.h"

#include "support/ScriptedMail.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const std::string kTextHeader = "Content-Type: text/plain; charset=\"utf-8\"\r\n\r\n";

// What a shared project file once put into a resource's address: the line breaks end the
// RCPT command, and the rest is a second message written by the file's author.
const std::string kInjection =
        "x@example.com>\r\nDATA\r\nSubject: Invoice\r\n\r\nPay now\r\n.\r\nRSET";
const std::string kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// A line that, sent as it is, could end a command or a header early or open one of its own.
bool IsBrokenLine(const std::string& line)
{
    for (const char c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    const auto opened = std::count(line.begin(), line.end(), '<');
    return opened != std::count(line.begin(), line.end(), '>') || opened > 1;
}

// The header lines of the first message in a transcript: from the line after DATA to the
// empty line.
Lines HeaderLines(const ScriptedMailServer& server)
{
    Lines headers;
    bool inHead = false;
    for (const std::string& line : server.Lines()) {
        if (inHead && line.empty())
            break;
        if (inHead)
            headers.push_back(line);
        inHead = inHead || line == "DATA";
    }
    return headers;
}

// The names of the headers, in order.
Lines HeaderNames(const Lines& headers)
{
    Lines names;
    for (const std::string& header : headers)
        names.push_back(header.substr(0, header.find(':')));
    return names;
}

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

    int Send(const std::string& host, bool fallback = false, const std::string& user = {},
             bool tls = false)
    {
        EmailSMTPSendProcess send{message, host, user, user.empty() ? "" : "secret", fallback, tls};
        return Process(process, send);
    }

    // The server's dialogue up to the reply that matters, for tests of one reply.
    ScriptedMailServer& UpToData(ScriptedMailServer& server)
    {
        return server.Reply("220 ready\r\n")
                .Reply("250 hello\r\n")
                .Reply("250 OK\r\n")
                .Reply("250 OK\r\n")
                .Reply("354 go\r\n");
    }

    ScopedTimeZone utc{"UTC"};
    ScriptedMailServices mail;
    RecordingMailProcess process;
    LEmailSendProcess message;
    TempDir dir;
};

// ---------------------------------------------------------------------------------------
// The message through a server

TEST_F(MailSend, APlainMessageGoesThroughTheWholeDialogue)
{
    AcceptMessage(mail.Listen("smtp.example.com", 587));
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    ASSERT_EQ(mail.servers.size(), 1u);
    const ScriptedMailServer& server = *mail.servers[0];
    EXPECT_EQ(server.Transcript(),
              "HELO client.example\r\n"
              "MAIL FROM:<me@home.example>\r\n"
              "RCPT TO:<ann@example.com>\r\n"
              "DATA\r\n"
              "MIME-Version: 1.0\r\nFrom: me@home.example\r\nTo: ann@example.com\r\n"
              "Subject: Status\r\nDate: Sun, 06 Dec 2026 15:41:21 +0000\r\n"
              "X-Mailer: Kestrano https://kestrano.example/\r\n" +
                      kTextHeader +
                      "Hello\r\n"
                      "\r\n.\r\n"
                      "QUIT\r\n");
    EXPECT_TRUE(server.closed);
    EXPECT_EQ(server.StepsLeft(), 0u);
    ASSERT_EQ(mail.attempts.size(), 1u);
    EXPECT_EQ(mail.attempts[0].timeoutMs, 15000);
    for (const auto& receive : server.receives) {
        EXPECT_EQ(receive.maxBytes, 512u);
        EXPECT_EQ(receive.timeoutMs, 40000);
    }
    // Commands and the header block wait 20 s, body lines 30 s.
    EXPECT_EQ(server.sent[0].timeoutMs, 20000);
    EXPECT_EQ(server.sent[5].bytes, "Hello\r\n");
    EXPECT_EQ(server.sent[5].timeoutMs, 30000);
    EXPECT_EQ(process.StatusesOnLine(0), (Lines{"To: ann@example.com"}));
    EXPECT_EQ(process.StatusesOnLine(1), (Lines{"Connecting to server", "Connected to server",
                                                "Sending Message Text", "Email sent"}));
    EXPECT_EQ(process.progress, (std::vector<double>{0.0, 0.1, 0.2, 0.95}));
    EXPECT_TRUE(process.errors.empty());
}

TEST_F(MailSend, AttachmentsTravelAsBase64PartsWithTheirTypes)
{
    std::string sound(57, '\0');
    sound += "abc";
    message.attachments = {dir.Write("voice.WAV", sound), dir.Write("plan.pdf", "")};
    message.subject = "Gr\xC3\xB6\xC3\x9F"
                      "e";
    message.body = "x\r\n.y";
    AcceptMessage(mail.Listen("smtp.example.com", 587));
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    const std::string all = mail.servers[0]->Transcript();
    const std::size_t start = all.find("MIME-Version");
    const std::size_t end = all.find("\r\n.\r\n", start);
    const std::string b = "gc0p4Jq0M2Yt08jU534c0";
    EXPECT_EQ(all.substr(start, end - start),
              "MIME-Version: 1.0\r\nFrom: me@home.example\r\nTo: ann@example.com\r\n"
              "Subject: =?utf-8?q?Gr=C3=B6=C3=9Fe?=\r\nDate: Sun, 06 Dec 2026 15:41:21 +0000\r\n"
              "X-Mailer: Kestrano https://kestrano.example/\r\n"
              "Content-Type: multipart/mixed; boundary=" +
                      b + "\r\n\r\n--" + b + "\r\n" + kTextHeader +
                      "x\r\n..y"
                      "\r\n--" +
                      b +
                      "\r\nContent-Type: audio/wav; name=\"voice.WAV\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n"
                      "Content-Disposition: attachment; filename=\"voice.WAV\"\r\n\r\n" +
                      std::string(76, 'A') + "\r\nYWJj\r\n" + "\r\n--" + b +
                      "\r\nContent-Type: application/octet-stream; name=\"plan.pdf\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n"
                      "Content-Disposition: attachment; filename=\"plan.pdf\"\r\n\r\n"
                      "\r\n--" +
                      b + "--\r\n");
    // The first of two files moves the bar through 0.3 to 0.6 by the bytes read.
    const std::vector<double> progress = {0.0, 0.1, 0.2, 0.3, 0.3 + 0.3 * 57 / 60, 0.6, 0.95};
    ASSERT_EQ(process.progress.size(), progress.size());
    for (std::size_t i = 0; i < progress.size(); ++i)
        EXPECT_NEAR(process.progress[i], progress[i], 1e-9) << i;
    EXPECT_EQ(process.StatusesOnLine(1)[3], "Sending Message Attachment(s)");
}

TEST_F(MailSend, RepliesAreReadInPiecesOverManyLines)
{
    // Greeting and a first piece in one read; a long multi-line EHLO reply over several
    // reads of 512 bytes, its long line cut without losing the end of the reply.
    mail.Listen("smtp.example.com", 587)
            .Reply("220 ready\r\n2")
            .Reply("50-mx.example\r\n250-" + std::string(900, 'X') + "\r\n250-SIZE\r\n")
            .Reply("25")
            .Reply("0 OK\r\n")
            .Reply("250 OK\r\n")
            .Reply("250 OK\r\n")
            .Reply("354 go\r\n")
            .Reply("250 Queued\r\n")
            .Reply("221 Bye\r\n");
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(mail.servers[0]->Commands(),
              (Lines{"HELO client.example", "MAIL FROM:<me@home.example>",
                     "RCPT TO:<ann@example.com>", "DATA", "QUIT"}));
    EXPECT_EQ(mail.servers[0]->StepsLeft(), 0u);
}

TEST_F(MailSend, TwoRecipientsGiveTwoRcptCommandsAndOneAcceptedIsEnough)
{
    message.recipients = "ann@example.com, bob@example.org";
    mail.Listen("smtp.example.com", 587)
            .Reply("220 ready\r\n")
            .Reply("250 hello\r\n")
            .Reply("250 OK\r\n")
            .Reply("550 no such user\r\n")
            .Reply("251 will forward\r\n")
            .Reply("354 go\r\n")
            .Reply("250 Queued\r\n")
            .Reply("221 Bye\r\n");
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(mail.servers[0]->Commands(),
              (Lines{"HELO client.example", "MAIL FROM:<me@home.example>",
                     "RCPT TO:<ann@example.com>", "RCPT TO:<bob@example.org>", "DATA", "QUIT"}));
    EXPECT_NE(mail.servers[0]->Transcript().find("To: ann@example.com, bob@example.org\r\n"),
              std::string::npos);
}

TEST_F(MailSend, WithoutReplyAddressTheSenderIsKestranoAtTheServer)
{
    message.settings.replyTo.clear();
    AcceptMessage(mail.Listen("smtp.example.com", 2525));
    ASSERT_EQ(Send("smtp.example.com:2525"), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(mail.servers[0]->Commands()[1], "MAIL FROM:<Kestrano@smtp.example.com>");
    EXPECT_NE(mail.servers[0]->Transcript().find("From: Kestrano@smtp.example.com\r\n"),
              std::string::npos);
}

// ---------------------------------------------------------------------------------------
// STARTTLS and AUTH LOGIN

TEST_F(MailSend, SecureLoginGreetsAgainAfterStartTLSAndWhenTheServerAsks)
{
    mail.Listen("smtp.example.com", 587)
            .Reply("220 ready\r\n")
            .Reply("250-mx.example\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n")
            .Reply("220 go ahead\r\n")
            .Reply("250-mx.example\r\n250 AUTH LOGIN\r\n")
            .Reply("503 send EHLO first\r\n")
            .Reply("250-mx.example\r\n250 AUTH LOGIN\r\n")
            .Reply("334 VXNlcm5hbWU6\r\n")
            .Reply("334 UGFzc3dvcmQ6\r\n")
            .Reply("235 welcome\r\n")
            .Reply("250 OK\r\n")
            .Reply("250 OK\r\n")
            .Reply("354 go\r\n")
            .Reply("250 Queued\r\n")
            .Reply("221 Bye\r\n");
    ASSERT_EQ(Send("smtp.example.com", false, "ann", true), eProcessSucceeded)
            << process.LastError();
    const ScriptedMailServer& server = *mail.servers[0];
    EXPECT_EQ(server.Commands(),
              (Lines{"EHLO client.example", "STARTTLS", "EHLO client.example", "AUTH LOGIN",
                     "EHLO client.example", "AUTH LOGIN", "YW5u", "c2VjcmV0",
                     "MAIL FROM:<me@home.example>", "RCPT TO:<ann@example.com>", "DATA", "QUIT"}));
    EXPECT_TRUE(server.tlsStarted);
    EXPECT_FALSE(server.sent[1].encrypted);
    EXPECT_TRUE(server.sent[2].encrypted);
}

TEST_F(MailSend, WithTLSWantedNeitherLoginNorMessageGoesInTheClear)
{
    struct Case {
        const char* name;
        std::string ehloReply;
        std::string startTLSReply; // empty: STARTTLS is never sent
        LMailIO handshake;
        Lines commands;
        std::string error;
    };
    const std::string unsent = "so the email was not sent and no password was given to it. "
                               "Please check your Email Settings.";
    const std::vector<Case> cases = {
            {"no STARTTLS offered",
             "250-mx.example\r\n250-AUTH LOGIN\r\n250 X-STARTTLS-LATER\r\n",
             "",
             LMailIO::ok,
             {"EHLO client.example", "QUIT"},
             "The mail server does not offer a secure connection (STARTTLS), " + unsent},
            {"STARTTLS refused",
             "250-mx.example\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n",
             "454 4.7.0 TLS not available due to local problem\r\n",
             LMailIO::ok,
             {"EHLO client.example", "STARTTLS", "QUIT"},
             "The mail server refused a secure connection (454 - 4.7.0 TLS not available due to "
             "local problem), " +
                     unsent},
            // After a broken handshake the connection carries nothing, not even QUIT.
            {"handshake failed",
             "250-mx.example\r\n250 STARTTLS\r\n",
             "220 go ahead\r\n",
             LMailIO::failed,
             {"EHLO client.example", "STARTTLS"},
             "A secure connection to the mail server could not be established, so the email was "
             "not sent. Please check your Email Settings."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedMailServer& server = mail.Listen("smtp.example.com", 587);
        server.Reply("220 ready\r\n").Reply(c.ehloReply);
        if (!c.startTLSReply.empty())
            server.Reply(c.startTLSReply);
        server.Reply("221 Bye\r\n").TLS(c.handshake);
        process.errors.clear();
        EXPECT_EQ(Send("smtp.example.com", false, "ann", true), eProcessFailed);
        EXPECT_EQ(process.errors, Lines{c.error});
        EXPECT_EQ(server.Commands(), c.commands);
        const std::string sent = server.Transcript();
        EXPECT_EQ(sent.find("AUTH"), std::string::npos);
        EXPECT_EQ(sent.find("c2VjcmV0"), std::string::npos); // the password
        EXPECT_TRUE(server.closed);
    }
}

TEST_F(MailSend, TLSWithoutALoginGreetsWithEHLOAndSendsOnlyEncrypted)
{
    mail.Listen("smtp.example.com", 587)
            .Reply("220 ready\r\n")
            .Reply("250-mx.example\r\n250 STARTTLS\r\n")
            .Reply("220 go ahead\r\n")
            .Reply("250 mx.example\r\n")
            .Reply("250 OK\r\n")
            .Reply("250 OK\r\n")
            .Reply("354 go\r\n")
            .Reply("250 Queued\r\n")
            .Reply("221 Bye\r\n");
    ASSERT_EQ(Send("smtp.example.com", false, "", true), eProcessSucceeded) << process.LastError();
    const ScriptedMailServer& server = *mail.servers[0];
    EXPECT_EQ(server.Commands(),
              (Lines{"EHLO client.example", "STARTTLS", "EHLO client.example",
                     "MAIL FROM:<me@home.example>", "RCPT TO:<ann@example.com>", "DATA", "QUIT"}));
    ASSERT_TRUE(server.tlsStarted);
    for (std::size_t i = 2; i < server.sent.size(); ++i)
        EXPECT_TRUE(server.sent[i].encrypted) << server.sent[i].bytes;
}

TEST_F(MailSend, WithoutTLSSupportASecureSendIsRefusedBeforeConnecting)
{
    mail.supportsTLS = false;
    EXPECT_EQ(Send("smtp.example.com", true, "ann", true), eProcessFailed);
    EXPECT_EQ(process.errors, Lines{kEmailNoTLSSupport});
    EXPECT_TRUE(mail.attempts.empty());
    // Without the wish for TLS nothing changes.
    AcceptMessage(mail.Listen("smtp.example.com", 587));
    EXPECT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
}

TEST_F(MailSend, StartTLSIsUsedOnlyWhenWanted)
{
    mail.Listen("smtp.example.com", 587)
            .Reply("220 ready\r\n")
            .Reply("250-mx.example\r\n250 STARTTLS\r\n")
            .Reply("250 OK\r\n")
            .Reply("250 OK\r\n")
            .Reply("354 go\r\n")
            .Reply("250 Queued\r\n");
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    EXPECT_FALSE(mail.servers[0]->tlsStarted);
    EXPECT_EQ(mail.servers[0]->Commands()[1], "MAIL FROM:<me@home.example>");
}

TEST_F(MailSend, AuthenticationRepliesEndOrSkipTheLogin)
{
    struct Case {
        Lines replies;
        int result;
        std::string error;
    };
    const std::string refused = "Email authentication username or password not accepted";
    const std::vector<Case> cases = {
            {{"334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "535 bad\r\n"}, 2, refused},
            {{"334 VXNlcm5hbWU6\r\n", "535 bad\r\n"}, 2, refused},
            {{"530 Must issue a STARTTLS command first\r\n"},
             2,
             "Encryption required for requested Email server. Please check your Email Settings."},
            // A 503 whose new greeting is refused goes on without login, to a server that
            // has hung up by then.
            {{"503 bad sequence\r\n", "421 closing\r\n"},
             2,
             "The mail server closed the connection."},
    };
    for (const Case& c : cases) {
        ScriptedMailServer& server = mail.Listen("smtp.example.com", 587);
        server.Reply("220 ready\r\n").Reply("250 hello\r\n");
        for (const std::string& reply : c.replies)
            server.Reply(reply);
        process.errors.clear();
        const int result = Send("smtp.example.com", false, "ann");
        EXPECT_EQ(result, c.result) << c.replies[0];
        EXPECT_EQ(process.LastError(), c.error) << c.replies[0];
    }
    EXPECT_EQ(mail.servers[3]->Commands().back(), "MAIL FROM:<me@home.example>");
    // A server that does not know AUTH LOGIN takes the message without it.
    ScriptedMailServer& plain = mail.Listen("smtp.example.com", 587);
    plain.Reply("220 ready\r\n").Reply("250 hello\r\n").Reply("502 not implemented\r\n");
    plain.Reply("250 OK\r\n").Reply("250 OK\r\n").Reply("354 go\r\n").Reply("250 Queued\r\n");
    EXPECT_EQ(Send("smtp.example.com", false, "ann"), eProcessSucceeded);
}

// ---------------------------------------------------------------------------------------
// Refusals

TEST_F(MailSend, GreetingAndHelloRefusalsNameTheirCodeAndRecipients)
{
    mail.Listen("smtp.example.com", 587).Reply("554 go away\r\n");
    mail.Listen("smtp.example.com", 587).Reply("220 ready\r\n").Reply("504 bad name\r\n");
    mail.Listen("smtp.example.com", 587).Reply("220 ready\r\n").Reply("421 busy\r\n");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Send("smtp.example.com"), eProcessFailed);
    EXPECT_EQ(process.errors,
              (Lines{"Mail server not responding",
                     "Mail host server error (HELO not accepted, error code 504) for destination "
                     "email ann@example.com - usually this means the email address is not valid.",
                     "Mail host server error (HELO not accepted): 421 emailto: ann@example.com"}));
}

TEST_F(MailSend, MailFromRefusalQuotesTheServerAfterItsFirstColon)
{
    mail.Listen("smtp.example.com", 587)
            .Reply("220 ready\r\n")
            .Reply("250 hello\r\n")
            .Reply("553 5.7.1 <me@home.example>: Sender address rejected: not yours\r\n");
    EXPECT_EQ(Send("smtp.example.com"), eProcessFailed);
    EXPECT_EQ(process.LastError(),
              "Mail host server error (MAIL FROM not accepted). Please check your Email "
              "Settings.me@home.example - (553 - Sender address rejected: not yours)");
}

TEST_F(MailSend, NoAcceptedRecipientOrRefusedDataEndTheSend)
{
    message.recipients = "ann@example.com,bob@example.org";
    mail.Listen("smtp.example.com", 587)
            .Reply("220 ready\r\n")
            .Reply("250 hello\r\n")
            .Reply("250 OK\r\n")
            .Reply("550 no\r\n")
            .Reply("553 no\r\n");
    EXPECT_EQ(Send("smtp.example.com"), eProcessFailed);
    EXPECT_EQ(process.LastError(),
              "Error while trying to send email. Email address may be wrong or your SMTP server "
              "may require a username or password. Please check address again and see Email "
              "Settings.");
    EXPECT_EQ(mail.servers[0]->Commands().back(), "RCPT TO:<bob@example.org>");

    message.recipients = "ann@example.com";
    ScriptedMailServer& server = mail.Listen("smtp.example.com", 587);
    server.Reply("220 ready\r\n").Reply("250 hello\r\n").Reply("250 OK\r\n").Reply("250 OK\r\n");
    server.Reply("451 later\r\n");
    EXPECT_EQ(Send("smtp.example.com"), eProcessFailed);
    EXPECT_EQ(process.LastError(), "Mail host server error (DATA not accepted)");
}

TEST_F(MailSend, TheMessageEndsRefusalsHaveTheirOwnTexts)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
            {"552 too big\r\n", "The email exceeds the size limits set for this account."},
            {"554 no\r\n", "The recipient's email server rejected this email because of an "
                           "unspecified reason.  Try using an SMTP account for sending email to "
                           "this address."},
            {"550 no\r\n", "The recipient's email server does not allow email to be received in "
                           "this manner.  Please use an SMTP account for sending email to this "
                           "address. emailto: ann@example.com mailhost: smtp.example.com"},
            {"451 later\r\n", "Mail host server error (data terminator not accepted) emailto: "
                              "ann@example.com mailhost: smtp.example.com error: 451"},
    };
    for (const auto& [reply, error] : cases) {
        UpToData(mail.Listen("smtp.example.com", 587)).Reply(reply);
        EXPECT_EQ(Send("smtp.example.com"), eProcessFailed) << reply;
        EXPECT_EQ(process.LastError(), error);
        EXPECT_EQ(mail.servers.back()->Commands().back(), "DATA");
    }
}

TEST_F(MailSend, SilenceAndHangUpsEndWithTheirOwnTexts)
{
    mail.Listen("smtp.example.com", 587).Then(LMailIO::timedOut);
    mail.Listen("smtp.example.com", 587).Reply("220 ready\r\n").Reply("250 hello\r\n");
    mail.Listen("smtp.example.com", 587).Reply("220 ready\r\n").Then(LMailIO::failed);
    UpToData(mail.Listen("smtp.example.com", 587)).FailSend(5, LMailIO::timedOut);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Send("smtp.example.com"), eProcessFailed);
    EXPECT_EQ(process.errors, (Lines{"The mail server did not answer in time.",
                                     "The mail server closed the connection.",
                                     "The connection to the mail server was lost.",
                                     "The mail server did not answer in time."}));
    // The message was never ended, so the server drops it.
    EXPECT_EQ(mail.servers.back()->Transcript().find("\r\n.\r\n"), std::string::npos);
}

TEST_F(MailSend, ACancelDuringAnyWaitEndsAtOnceWithoutAnError)
{
    mail.Listen("smtp.example.com", 587).Reply("220 ready\r\n").Do([this] { process.stop = true; });
    EXPECT_EQ(Send("smtp.example.com"), eProcessCancelled);
    EXPECT_EQ(mail.servers[0]->Commands(), Lines{"HELO client.example"});

    // During the attachment: the message is never ended.
    process.stop = false;
    message.attachments = {dir.Write("big.pdf", std::string(57 * 10, 'x'))};
    UpToData(mail.Listen("smtp.example.com", 587));
    process.stopAboveProgress = 0.3;
    EXPECT_EQ(Send("smtp.example.com"), eProcessCancelled);
    const std::string sent = mail.servers[1]->Transcript();
    EXPECT_NE(sent.find("\r\n\r\neHh4"), std::string::npos); // the first line went
    EXPECT_EQ(sent.find("\r\n.\r\n"), std::string::npos);
    EXPECT_TRUE(mail.servers[1]->closed);

    // Before connecting.
    process.stop = true;
    EXPECT_EQ(Send("smtp.example.com"), eProcessCancelled);
    EXPECT_TRUE(process.errors.empty());
}

// ---------------------------------------------------------------------------------------
// Texts from outside: project files, the settings, the system and the servers

TEST_F(MailSend, NoOutsideTextEndsACommandOrAHeaderEarly)
{
    struct Case {
        const char* name;
        std::function<void()> change;
        Lines commands; // the dialogue, without the message
        Lines errors;
        std::string header; // a header line that must be there
    };
    const Lines plain = {"HELO client.example", "MAIL FROM:<me@home.example>",
                         "RCPT TO:<ann@example.com>", "DATA", "QUIT"};
    const std::string refused =
            "The email address \"x@example.com>" + kReplacement + kReplacement + "DATA" +
            kReplacement + kReplacement + "Subject: Invoice" + kReplacement + kReplacement +
            kReplacement + kReplacement + "Pay now" + kReplacement + kReplacement + "." +
            kReplacement + kReplacement + "RSET\" cannot be used, so the email was not sent to it.";
    const std::vector<Case> cases = {
            {"a recipient from a project file",
             [this] {
                 message.recipients = "ann@example.com, " + kInjection + ", bob@example.org";
             },
             {"HELO client.example", "MAIL FROM:<me@home.example>", "RCPT TO:<ann@example.com>",
              "RCPT TO:<bob@example.org>", "DATA", "QUIT"},
             {refused},
             "To: ann@example.com, bob@example.org"},
            {"a subject of task names",
             [this] { message.subject = "Move\x1B[2J\r\nBcc: all@example.com\x7F"; },
             plain,
             {},
             "Subject: Move [2J  Bcc: all@example.com "},
            {"the host name of the system",
             [this] { mail.localHostName = "client\r\nRSET"; },
             {"HELO localhost", "MAIL FROM:<me@home.example>", "RCPT TO:<ann@example.com>", "DATA",
              "QUIT"},
             {},
             "To: ann@example.com"},
            {"an attachment named in a project file",
             [this] { message.attachments = {dir.Write("plan\x0B\x1B.pdf", "%PDF")}; },
             plain,
             {},
             "Content-Type: multipart/mixed; boundary=gc0p4Jq0M2Yt08jU534c0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        message.recipients = "ann@example.com";
        message.subject = "Status";
        message.attachments.clear();
        mail.localHostName = "client.example";
        process.errors.clear();
        c.change();
        const auto recipients =
                std::count_if(c.commands.begin(), c.commands.end(),
                              [](const std::string& line) { return line.starts_with("RCPT"); });
        ScriptedMailServer& server =
                AcceptMessage(mail.Listen("smtp.example.com", 587), int(recipients));
        EXPECT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
        EXPECT_EQ(server.Commands(), c.commands);
        EXPECT_EQ(process.errors, c.errors);
        const Lines headers = HeaderLines(server);
        EXPECT_NE(std::find(headers.begin(), headers.end(), c.header), headers.end())
                << ::testing::PrintToString(headers);
        for (const std::string& line : server.Commands())
            EXPECT_FALSE(IsBrokenLine(line)) << line;
        for (const std::string& line : server.Lines()) {
            if (line.starts_with("Content-")) {
                EXPECT_FALSE(IsBrokenLine(line)) << line;
            }
        }
        for (const std::string& line : headers)
            EXPECT_FALSE(IsBrokenLine(line)) << line;
    }
    // The message's own headers, nothing that a text brought along.
    EXPECT_EQ(HeaderNames(HeaderLines(*mail.servers[1])),
              (Lines{"MIME-Version", "From", "To", "Subject", "Date", "X-Mailer", "Content-Type"}));
}

TEST_F(MailSend, AReplyAddressThatCouldBreakTheDialogueStopsTheSendUnsent)
{
    message.settings.replyTo = "me@home.example>\r\nRCPT TO:<all@example.com";
    const std::string error = "The sender address \"me@home.example>" + kReplacement +
                              kReplacement +
                              "RCPT TO:<all@example.com\" cannot be used, so the "
                              "email was not sent. Please check the reply address "
                              "in your Email Settings.";
    EXPECT_EQ(Send("smtp.example.com"), eProcessFailed);
    EXPECT_TRUE(mail.attempts.empty());
    LEmailSendProcessSendMail sendMail{message};
    EXPECT_EQ(Process(process, sendMail), eProcessFailed);
    EXPECT_TRUE(mail.programs.empty());
    EXPECT_EQ(process.errors, (Lines{error, error}));

    // Without a reply address the sender is made from the server's name, which the
    // settings hold too.
    message.settings.replyTo.clear();
    process.errors.clear();
    const std::string host = "smtp.example.com>\r\nRSET";
    AcceptMessage(mail.Listen(host, 587));
    EXPECT_EQ(Send(host), eProcessFailed);
    EXPECT_EQ(mail.servers[0]->Commands(), (Lines{"HELO client.example", "QUIT"}));
    EXPECT_EQ(process.errors, Lines{"The sender address \"Kestrano@smtp.example.com>" +
                                    kReplacement + kReplacement +
                                    "RSET\" cannot be used, so the email was not sent. Please "
                                    "check the reply address in your Email Settings."});
}

TEST_F(MailSend, SendmailGetsOnlyTheAddressesThatPassTheCheck)
{
    message.recipients = "ann@example.com, " + kInjection;
    message.subject = "Move\nBcc: all@example.com";
    LEmailSendProcessSendMail send{message};
    ASSERT_EQ(Process(process, send), eProcessSucceeded) << process.LastError();
    ASSERT_EQ(mail.programs.size(), 1u);
    EXPECT_EQ(mail.programs[0]->arguments, (Lines{"-f", "me@home.example", "-oi", "-t"}));
    EXPECT_EQ(mail.programs[0]->input,
              "Mime-Version: 1.0\nFrom: me@home.example\nTo: ann@example.com\n"
              "Subject: Move Bcc: all@example.com\n"
              "Content-Type: text/plain; charset=\"utf-8\"\n\nHello\r\n");
    ASSERT_EQ(process.errors.size(), 1u);
    EXPECT_TRUE(process.errors[0].starts_with("The email address \"x@example.com>" + kReplacement))
            << process.errors[0];

    message.recipients = kInjection;
    EXPECT_EQ(Process(process, send), eProcessFailed);
    EXPECT_EQ(mail.programs.size(), 1u);
}

TEST_F(MailSend, ServerAndSettingsTextsAreShownWithoutControlCharacters)
{
    struct Case {
        const char* name;
        std::function<int()> send;
        std::string error;
    };
    const std::string r = kReplacement;
    const std::vector<Case> cases = {
            {"a refused sender",
             [this] {
                 mail.Listen("smtp.example.com", 587)
                         .Reply("220 ready\r\n")
                         .Reply("250 hello\r\n")
                         .Reply("553 5.7.1 <me@home.example>: \x1B]0;owned\x07 rejected\r\n");
                 return Send("smtp.example.com");
             },
             "Mail host server error (MAIL FROM not accepted). Please check your Email "
             "Settings.me@home.example - (553 - " +
                     r + "]0;owned" + r + " rejected)"},
            {"a refused STARTTLS",
             [this] {
                 mail.Listen("smtp.example.com", 587)
                         .Reply("220 ready\r\n")
                         .Reply("250-mx.example\r\n250 STARTTLS\r\n")
                         .Reply("454 \xC2\x9B"
                                "31mno\r\n")
                         .Reply("221 Bye\r\n");
                 return Send("smtp.example.com", false, "ann", true);
             },
             "The mail server refused a secure connection (454 - " + r +
                     "31mno), so the email was not sent and no password was given to it. Please "
                     "check your Email Settings."},
            {"a mail exchanger named by DNS",
             [this] {
                 mail.mailExchangers["example.com"] = "mx\x1B[2J.example.com";
                 UpToData(mail.Listen("mx\x1B[2J.example.com", 25)).Reply("550 no\r\n");
                 return Send("");
             },
             "The recipient's email server does not allow email to be received in this manner. "
             " Please use an SMTP account for sending email to this address. emailto: "
             "ann@example.com mailhost: mx" +
                     r + "[2J.example.com"},
            {"a server named in the settings", [this] { return Send("smtp\x1B[2J.example.com"); },
             "Unable to connect to mail server \"smtp" + r +
                     "[2J.example.com\" when sending an email to \"ann@example.com\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        process.errors.clear();
        EXPECT_EQ(c.send(), eProcessFailed);
        EXPECT_EQ(process.errors, Lines{c.error});
    }
    // The status lines show a recipient list from a project file the same way.
    message.recipients = "ann@example.com\x1B[2J";
    Process(process, message);
    EXPECT_EQ(process.StatusesOnLine(0).back(), "To: ann@example.com" + r + "[2J");
}

// ---------------------------------------------------------------------------------------
// Connecting and direct delivery

TEST_F(MailSend, OnlyTheDefaultPortIsRetriedOnPort25)
{
    AcceptMessage(mail.Listen("smtp.example.com", 25));
    ASSERT_EQ(Send("smtp.example.com"), eProcessSucceeded) << process.LastError();
    ASSERT_EQ(mail.attempts.size(), 2u);
    EXPECT_EQ(mail.attempts[0].port, 587);
    EXPECT_EQ(mail.attempts[1].port, 25);
    EXPECT_EQ(mail.attempts[1].timeoutMs, 5000);

    for (const char* host : {"smtp.example.com:2525", "smtp.example.com:587"}) {
        mail.attempts.clear();
        EXPECT_EQ(Send(host), eProcessFailed);
        EXPECT_EQ(mail.attempts.size(), 1u) << host;
        EXPECT_EQ(process.LastError(), "Unable to connect to mail server \"" + std::string(host) +
                                               "\" when sending an email to \"ann@example.com\".");
    }
}

TEST_F(MailSend, AnUnreachableServerFallsBackToDirectDeliveryWithoutLogin)
{
    mail.mailExchangers["example.com"] = "mx1.example.com";
    AcceptMessage(mail.Listen("mx1.example.com", 25));
    ASSERT_EQ(Send("smtp.example.com", true, "ann", true), eProcessSucceeded)
            << process.LastError();
    ASSERT_EQ(mail.attempts.size(), 3u);
    EXPECT_EQ(mail.attempts[2].timeoutMs, 20000);
    EXPECT_EQ(mail.servers[0]->Commands()[0], "HELO client.example");
    EXPECT_EQ(mail.servers[0]->Commands()[1], "MAIL FROM:<me@home.example>");

    EXPECT_EQ(Send("smtp.example.com", true), eProcessFailed);
    EXPECT_EQ(process.LastError(), "Unable to connect to either mail server \"smtp.example.com\" "
                                   "or the mail server at \"example.com\".");
}

TEST_F(MailSend, DirectDeliveryFindsTheExchangerOrUsesTheDomain)
{
    message.recipients = "ann@example.com,bob@example.org, cy@localhost:2525";
    message.settings.replyTo.clear();
    mail.mailExchangers["example.com"] = "mx1.example.com";
    AcceptMessage(mail.Listen("mx1.example.com", 25));
    AcceptMessage(mail.Listen("example.org", 25));
    AcceptMessage(mail.Listen("localhost", 2525));
    ASSERT_EQ(Send(""), eProcessSucceeded) << process.LastError();
    ASSERT_EQ(mail.servers.size(), 3u);
    EXPECT_EQ(mail.lookups, (Lines{"example.com", "example.org"}));
    const Lines recipients = {"ann@example.com", "bob@example.org", "cy@localhost:2525"};
    const Lines senders = {"Kestrano@example.com", "Kestrano@example.org", "Kestrano@localhost"};
    for (std::size_t i = 0; i < 3; ++i) {
        const Lines commands = mail.servers[i]->Commands();
        EXPECT_EQ(commands[1], "MAIL FROM:<" + senders[i] + ">");
        EXPECT_EQ(commands[2], "RCPT TO:<" + recipients[i] + ">");
        EXPECT_EQ(commands[3], "DATA");
    }
}

TEST_F(MailSend, DirectDeliveryFailuresNameTheRecipientOrDomain)
{
    message.recipients = "ann";
    EXPECT_EQ(Send(""), eProcessFailed);
    EXPECT_EQ(process.LastError(),
              "The email address \"ann\" cannot be used, so the email was not sent to it.");
    // One recipient that could not be reached fails the send, though the next got it.
    message.recipients = "ann@example.com,bob@example.org";
    AcceptMessage(mail.Listen("example.org", 25));
    EXPECT_EQ(Send(""), eProcessFailed);
    EXPECT_EQ(process.LastError(), "Unable to connect to mail server \"example.com\".");
    EXPECT_EQ(mail.servers.back()->Commands()[2], "RCPT TO:<bob@example.org>");
    mail.servers.clear();
    message.recipients = "ann@example.com";
    EXPECT_EQ(Send(""), eProcessFailed);
    EXPECT_EQ(process.LastError(), "Unable to connect to mail server \"example.com\".");
    message.recipients = " ";
    EXPECT_EQ(Send(""), eProcessFailed);
    EXPECT_EQ(process.LastError(), "No recipients listed to receive email.");
    // A cancel after the first of two deliveries leaves the second unsent.
    message.recipients = "ann@example.org,bob@example.org";
    UpToData(mail.Listen("example.org", 25)).Reply("250 Queued\r\n").Do([this] {
        process.stop = true; // while the first delivery waits for the goodbye
    });
    AcceptMessage(mail.Listen("example.org", 25));
    EXPECT_EQ(Send(""), eProcessCancelled);
    EXPECT_EQ(mail.servers.size(), 1u);
    EXPECT_EQ(mail.servers[0]->Commands().back(), "QUIT");
}

// ---------------------------------------------------------------------------------------
// Choosing the method

TEST_F(MailSend, TheSettingsChooseTheMethod)
{
    message.settings.smtpHost = "smtp.example.com";
    message.settings.userName = "ann";
    message.settings.useSMTPHost = true;
    AcceptMessage(mail.Listen("smtp.example.com", 587));
    ASSERT_EQ(Process(process, message), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(process.StatusesOnLine(0)[0], "To: ann@example.com");
    EXPECT_EQ(process.StatusesOnLine(1)[0], "Preparing message");
    // Without "SMTPAuthOn" the user name is not used.
    EXPECT_EQ(mail.servers[0]->Commands()[0], "HELO client.example");

    // Direct delivery asks nobody for a secure connection.
    message.settings.useSMTPHost = false;
    message.settings.useSSL = true;
    AcceptMessage(mail.Listen("example.com", 25));
    ASSERT_EQ(Process(process, message), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(mail.servers[1]->host, "example.com");
    EXPECT_EQ(mail.servers[1]->Commands()[0], "HELO client.example");

    message.settings.useSendMail = true;
    ASSERT_EQ(Process(process, message), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(mail.programs.size(), 1u);
}

// ---------------------------------------------------------------------------------------
// sendmail

TEST_F(MailSend, SendmailGetsTheMessageWithLineFeeds)
{
    message.attachments = {dir.Write("chart.pdf", "foobar")};
    LEmailSendProcessSendMail send{message};
    ASSERT_EQ(Process(process, send), eProcessSucceeded) << process.LastError();
    ASSERT_EQ(mail.programs.size(), 1u);
    const ScriptedMailPipeRecord& run = *mail.programs[0];
    EXPECT_EQ(run.program, "sendmail");
    EXPECT_EQ(run.arguments, (Lines{"-f", "me@home.example", "-oi", "-t"}));
    EXPECT_EQ(run.input, "Mime-Version: 1.0\nFrom: me@home.example\nTo: ann@example.com\n"
                         "Subject: Status\n"
                         "Content-Type: multipart/mixed; boundary=gc0p4Jq0M2Yt08jU534c0\n\n"
                         "--gc0p4Jq0M2Yt08jU534c0\n"
                         "Content-Type: text/plain; charset=\"utf-8\"\n\nHello\r\n"
                         "\n--gc0p4Jq0M2Yt08jU534c0\n"
                         "Content-Type: application/octet-stream; name=\"chart.pdf\"\n"
                         "Content-Transfer-Encoding: base64\n"
                         "Content-Disposition: attachment; filename=\"chart.pdf\"\n\n"
                         "Zm9vYmFy\r\n"
                         "\n--gc0p4Jq0M2Yt08jU534c0--\n");
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(process.StatusesOnLine(0), Lines{"Sending Email"});
    EXPECT_EQ(process.StatusesOnLine(1), Lines{"ann@example.com"});
}

TEST_F(MailSend, SendmailWithoutReplyAddressNamesNoSender)
{
    message.settings.replyTo.clear();
    LEmailSendProcessSendMail send{message};
    ASSERT_EQ(Process(process, send), eProcessSucceeded);
    EXPECT_EQ(mail.programs[0]->arguments, (Lines{"-oi", "-t"}));
    EXPECT_EQ(mail.programs[0]->input, "Mime-Version: 1.0\nTo: ann@example.com\nSubject: Status\n"
                                       "Content-Type: text/plain; charset=\"utf-8\"\n\nHello\r\n");
}

TEST_F(MailSend, SendmailFailuresAndCancelsNeverHandOverTheMessage)
{
    LEmailSendProcessSendMail send{message};
    mail.programStarts = false;
    EXPECT_EQ(Process(process, send), eProcessFailed);
    EXPECT_EQ(process.LastError(),
              "Unable to run the unix \"sendmail\" tool to send the email. We suggest you try "
              "selecting the SMTP email option using Email Settings.");

    mail.programStarts = true;
    mail.finishResult = LMailIO::failed;
    EXPECT_EQ(Process(process, send), eProcessFailed);
    EXPECT_EQ(process.LastError(), "The unix \"sendmail\" tool could not send the email.");

    mail.finishResult = LMailIO::ok;
    message.attachments = {dir.Write("big.pdf", std::string(57 * 10, 'x'))};
    process.stopAboveProgress = 0.3;
    EXPECT_EQ(Process(process, send), eProcessCancelled);
    EXPECT_TRUE(mail.programs.back()->abandoned);
    // It stopped within the attachment.
    EXPECT_EQ(mail.programs.back()->input.find("--gc0p4Jq0M2Yt08jU534c0--"), std::string::npos);
    EXPECT_EQ(process.errors.size(), 2u);
}

// ---------------------------------------------------------------------------------------
// The chart as a PDF attachment

class MailWithPDF : public MailSend {
protected:
    MailWithPDF()
    {
        send.recipient = "ann@example.com";
        send.subject = "Project Update";
        send.body = "The chart.\r\n";
        send.baseName = "Office Move";
        send.services = &mail;
        send.settings.useSMTPHost = true;
        send.settings.smtpHost = "smtp.example.com";
        send.settings.replyTo = "me@home.example";
        send.writePDF = [this](LProcessInterface&, const std::string& path, int paperSize) {
            written.push_back(path);
            EXPECT_EQ(paperSize, 1);
            std::FILE* file = std::fopen(path.c_str(), "wb");
            std::fputs("%PDF-1.4\n", file);
            std::fclose(file);
            return true;
        };
    }

    bool Exists(const std::string& path) const
    {
        struct stat info {};
        return stat(path.c_str(), &info) == 0;
    }

    ScopedEnvironment tmp{"TMPDIR", dir.path.c_str()};
    LEmailPrintProcess<int> send;
    Lines written;
};

TEST_F(MailWithPDF, TheFileIsWrittenSentAndRemoved)
{
    AcceptMessage(mail.Listen("smtp.example.com", 587));
    ASSERT_EQ(Process(process, send), eProcessSucceeded) << process.LastError();
    EXPECT_EQ(written, Lines{dir.path + "/Office Move.pdf"});
    EXPECT_FALSE(Exists(written[0]));
    EXPECT_EQ(process.statuses[0], (std::pair<int, std::string>{0, "Sending Email"}));
    EXPECT_EQ(process.statuses[1], (std::pair<int, std::string>{1, "ann@example.com"}));
    const std::string all = mail.servers[0]->Transcript();
    EXPECT_NE(all.find("filename=\"Office Move.pdf\"\r\n\r\nJVBERi0xLjQK\r\n"), std::string::npos);
}

TEST_F(MailWithPDF, TheFileIsRemovedWhenSendingFailsOrIsCancelled)
{
    EXPECT_EQ(Process(process, send), eProcessFailed); // nobody listens
    ASSERT_EQ(written.size(), 1u);
    EXPECT_FALSE(Exists(written[0]));

    UpToData(mail.Listen("smtp.example.com", 587)).Do([this] { process.stop = true; });
    EXPECT_EQ(Process(process, send), eProcessCancelled);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_FALSE(Exists(written[1]));

    // A cancel before writing writes nothing.
    EXPECT_EQ(Process(process, send), eProcessCancelled);
    EXPECT_EQ(written.size(), 2u);
}

TEST_F(MailWithPDF, AFailedDrawingSendsNothing)
{
    send.writePDF = [this](LProcessInterface& p, const std::string& path, int) {
        written.push_back(path);
        dir.Write("Office Move.pdf", "half");
        p.SetError("The chart could not be written.");
        return false;
    };
    EXPECT_EQ(Process(process, send), eProcessFailed);
    EXPECT_FALSE(Exists(written[0]));
    EXPECT_TRUE(mail.attempts.empty());
    EXPECT_EQ(process.errors, Lines{"The chart could not be written."});
}

TEST(LEmailAttachmentPath, TemporaryFolderAndThreadNumber)
{
    {
        ScopedEnvironment tmp("TMPDIR", "/var/tmp/me/");
        EXPECT_EQ(LEmailAttachmentPath("Task Summary"), "/var/tmp/me/Task Summary.pdf");
        EXPECT_EQ(LEmailAttachmentPath("Q3/Q4 plan"), "/var/tmp/me/Q3-Q4 plan.pdf");
    }
    ScopedEnvironment tmp("TMPDIR", nullptr);
    EXPECT_EQ(LEmailAttachmentPath(""), "/tmp/Kestrano" + std::to_string(gettid()) + ".pdf");
}

} // namespace
