// Sending e-mail for real over the Qt transport: to a real SMTP server (plain, STARTTLS,
// logins accepted and refused, several recipients, attachments checked byte for byte and
// the message read back by Python's email package), to a fake server for the replies
// real ones rarely give, by direct delivery on loopback, and through a sendmail program.

#include "LQtMailServices.h"

#include "mail/LEmailSendProcess.h"
#include "mail/QPStatusUpdates.h"
#include "platform/mail/MailTestPeers.h"
#include "support/Plan.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace mailtest;

namespace {

using Lines = std::vector<std::string>;

// "Größe" (size), a subject that needs encoding.
const std::string kSubject = "Gr\xC3\xB6\xC3\x9F"
                             "e";
// The second line starts with a dot: it travels doubled and must arrive single.
const std::string kBody = "Hello,\r\n.the plan moved by two days.\r\nRegards\r\n";
// What a shared project file once put into a resource's address: the line breaks end the
// RCPT command, and the rest is a second message written by the file's author, sent through
// the user's own account.
const std::string kInjection =
        "x@example.com>\r\nDATA\r\nSubject: Invoice\r\n\r\nPay now\r\n.\r\nRSET";

class MailOverLoopback : public ::testing::Test {
protected:
    MailOverLoopback()
    {
        message.recipients = "ann@example.org";
        message.subject = kSubject;
        message.body = kBody;
        message.settings.replyTo = "planner@kestrano.test";
        message.services = &services;
        // Bounds for a test: a loopback peer answers in milliseconds or not at all.
        message.timeouts = {.connect = 2000,
                            .connectPort25 = 300,
                            .connectDirect = 2000,
                            .reply = 2000,
                            .command = 2000,
                            .bodyLine = 2000,
                            .sendmail = 3000};
    }

    // Through the configured server at `address`.
    int SendVia(const std::string& address, const std::string& user = {},
                const std::string& password = {}, bool tls = false)
    {
        message.settings.useSMTPHost = true;
        message.settings.sendDirect = false;
        message.settings.smtpHost = address;
        message.settings.smtpAuthOn = !user.empty();
        message.settings.userName = user;
        message.settings.password = password;
        message.settings.useSSL = tls;
        return Process(process, message);
    }

    std::string Attachment(const std::string& name, const QByteArray& bytes)
    {
        const QString path = files.filePath(QString::fromStdString(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path.toStdString();
    }

    LQtMailServices services;
    RecordingProcess process;
    LEmailSendProcess message;
    QTemporaryDir files;
};

// Bytes that base64 and line handling could spoil: every byte value, line ends of each
// kind, a lone dot on a line and a length that is no multiple of 57 or 3.
QByteArray AwkwardBytes()
{
    QByteArray bytes;
    for (int round = 0; round < 40; ++round)
        for (int value = 0; value < 256; ++value)
            bytes.append(static_cast<char>((value * 7 + round) & 0xFF));
    bytes.append("\r\n.\r\n\n.\n\r", 9);
    return bytes;
}

} // namespace

TEST_F(MailOverLoopback, ARealServerReceivesAWellFormedMessage)
{
    RealSMTPServer server;
    if (const std::string missing = server.Start({}); !missing.empty())
        GTEST_SKIP() << missing;
    message.recipients = "ann@example.org, bob@example.org";
    ASSERT_EQ(SendVia(server.Address()), eProcessSucceeded)
            << ::testing::PrintToString(process.errors);
    EXPECT_TRUE(process.errors.empty());

    const std::vector<ReceivedMail> received = server.Messages();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].mailFrom, "planner@kestrano.test");
    EXPECT_EQ(received[0].recipients, (Lines{"ann@example.org", "bob@example.org"}));
    EXPECT_FALSE(received[0].encrypted);
    EXPECT_TRUE(received[0].login.empty());
    EXPECT_TRUE(received[0].content.contains("\r\n\r\n" + QByteArray::fromStdString(kBody)))
            << received[0].content.toStdString();

    const ParsedMail parsed = ParseWithPython(received[0].content);
    EXPECT_EQ(parsed.defects, 0);
    EXPECT_EQ(parsed.headers.at("Subject"), kSubject);
    EXPECT_EQ(parsed.headers.at("From"), "planner@kestrano.test");
    EXPECT_EQ(parsed.headers.at("To"), "ann@example.org, bob@example.org");
    ASSERT_EQ(parsed.parts.size(), 1u);
    EXPECT_EQ(parsed.parts[0].type, "text/plain");
}

TEST_F(MailOverLoopback, AttachmentsArriveByteForByte)
{
    RealSMTPServer server;
    if (const std::string missing = server.Start({}); !missing.empty())
        GTEST_SKIP() << missing;
    const QByteArray awkward = AwkwardBytes();
    const QByteArray sound("RIFF\x24\x00\x00\x00WAVEfmt ", 16);
    message.attachments = {Attachment("Office move.pdf", awkward), Attachment("alert.WAV", sound),
                           Attachment("empty.csv", {})};
    ASSERT_EQ(SendVia(server.Address()), eProcessSucceeded)
            << ::testing::PrintToString(process.errors);

    const std::vector<ReceivedMail> received = server.Messages();
    ASSERT_EQ(received.size(), 1u);
    const ParsedMail parsed = ParseWithPython(received[0].content);
    EXPECT_EQ(parsed.defects, 0);
    ASSERT_EQ(parsed.parts.size(), 4u);
    EXPECT_EQ(parsed.parts[0].type, "text/plain");
    EXPECT_EQ(parsed.parts[1].type, "application/octet-stream");
    EXPECT_EQ(parsed.parts[1].fileName, "Office move.pdf");
    EXPECT_EQ(parsed.parts[1].size, awkward.size());
    EXPECT_EQ(parsed.parts[1].sha256, Sha256(awkward));
    EXPECT_EQ(parsed.parts[2].type, "audio/wav");
    EXPECT_EQ(parsed.parts[2].fileName, "alert.WAV");
    EXPECT_EQ(parsed.parts[2].sha256, Sha256(sound));
    EXPECT_EQ(parsed.parts[3].fileName, "empty.csv");
    EXPECT_EQ(parsed.parts[3].size, 0);
}

TEST_F(MailOverLoopback, LogsInAndRefusesAWrongPassword)
{
    RealSMTPServer server;
    RealSMTPServer::Options options;
    options.user = "ann";
    options.password = "s3cret";
    if (const std::string missing = server.Start(options); !missing.empty())
        GTEST_SKIP() << missing;
    ASSERT_EQ(SendVia(server.Address(), "ann", "s3cret"), eProcessSucceeded)
            << ::testing::PrintToString(process.errors);
    ASSERT_EQ(server.Messages().size(), 1u);
    EXPECT_EQ(server.Messages()[0].login, "ann");

    EXPECT_EQ(SendVia(server.Address(), "ann", "wrong"), eProcessFailed);
    EXPECT_EQ(process.errors, Lines{"Email authentication username or password not accepted"});
    EXPECT_EQ(server.Messages().size(), 1u);
}

TEST_F(MailOverLoopback, StartTLSEncryptsTheLoginAndTheMessage)
{
    RealSMTPServer server;
    RealSMTPServer::Options options;
    options.startTLS = true;
    options.user = "ann";
    options.password = "s3cret";
    if (const std::string missing = server.Start(options); !missing.empty())
        GTEST_SKIP() << missing;
    ASSERT_EQ(SendVia(server.Address(), "ann", "s3cret", true), eProcessSucceeded)
            << ::testing::PrintToString(process.errors);
    const std::vector<ReceivedMail> received = server.Messages();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_TRUE(received[0].encrypted);
    EXPECT_EQ(received[0].login, "ann");
    EXPECT_EQ(ParseWithPython(received[0].content).defects, 0);

    // Without the wish for TLS the same server is used in the clear.
    ASSERT_EQ(SendVia(server.Address(), "ann", "s3cret", false), eProcessSucceeded);
    ASSERT_EQ(server.Messages().size(), 2u);
    EXPECT_FALSE(server.Messages()[1].encrypted);
}

namespace {

struct ReplyCase {
    const char* name;
    std::map<std::string, std::deque<std::string>> replies;
    std::string user;
    int result;
    std::string error; // what the user is told; empty: nothing
};

} // namespace

TEST_F(MailOverLoopback, FakeServerRepliesGiveTheSendersTexts)
{
    const std::vector<ReplyCase> cases = {
            {"HELO refused with 504",
             {{"HELO", {"504 5.5.2 Helo command rejected"}}},
             "",
             eProcessFailed,
             "Mail host server error (HELO not accepted, error code 504) for destination email "
             "ann@example.org - usually this means the email address is not valid."},
            {"HELO refused otherwise",
             {{"HELO", {"421 4.3.2 Service not available"}}},
             "",
             eProcessFailed,
             "Mail host server error (HELO not accepted): 421 emailto: ann@example.org"},
            {"AUTH answered 503, then the login after a new EHLO",
             {{"AUTH", {"503 5.5.1 Send EHLO first", "334 VXNlcm5hbWU6"}}},
             "ann",
             eProcessSucceeded,
             ""},
            {"AUTH answered 530",
             {{"AUTH", {"530 5.7.0 Must issue a STARTTLS command first"}}},
             "ann",
             eProcessFailed,
             "Encryption required for requested Email server. Please check your Email "
             "Settings."},
            {"message too large",
             {{".", {"552 5.3.4 Message size exceeds fixed limit"}}},
             "",
             eProcessFailed,
             "The email exceeds the size limits set for this account."},
            {"message rejected",
             {{".", {"554 5.7.1 Rejected"}}},
             "",
             eProcessFailed,
             "The recipient's email server rejected this email because of an unspecified "
             "reason.  Try using an SMTP account for sending email to this address."},
            {"not received in this manner",
             {{".", {"550 5.7.1 Relaying denied"}}},
             "",
             eProcessFailed,
             "The recipient's email server does not allow email to be received in this manner. "
             " Please use an SMTP account for sending email to this address. emailto: "
             "ann@example.org mailhost: @HOST@"},
            {"sender refused",
             {{"MAIL", {"553 5.1.8 Sender: domain does not exist"}}},
             "",
             eProcessFailed,
             "Mail host server error (MAIL FROM not accepted). Please check your Email "
             "Settings.planner@kestrano.test - (553 - domain does not exist)"},
            {"a server that hangs up",
             {{"MAIL", {"<close>"}}},
             "",
             eProcessFailed,
             "The mail server closed the connection."},
    };
    for (const ReplyCase& replyCase : cases) {
        SCOPED_TRACE(replyCase.name);
        FakeSMTPServer server;
        server.replies = replyCase.replies;
        process.errors.clear();
        EXPECT_EQ(SendVia(server.Address(), replyCase.user, "s3cret"), replyCase.result);
        std::string error = replyCase.error;
        if (const std::size_t at = error.find("@HOST@"); at != std::string::npos)
            error.replace(at, 6, server.Address());
        EXPECT_EQ(process.errors, error.empty() ? Lines{} : Lines{error});
    }
}

TEST_F(MailOverLoopback, LoginAfterA503GreetsAgainAndLogsInOnce)
{
    FakeSMTPServer server;
    server.replies["AUTH"] = {"503 5.5.1 Send EHLO first", "334 VXNlcm5hbWU6"};
    ASSERT_EQ(SendVia(server.Address(), "ann", "s3cret"), eProcessSucceeded);
    const Lines commands = server.Commands();
    ASSERT_GE(commands.size(), 7u);
    EXPECT_TRUE(commands[0].starts_with("EHLO ")) << commands[0];
    EXPECT_EQ(commands[1], "AUTH LOGIN");
    EXPECT_EQ(commands[2], commands[0]);
    EXPECT_EQ(commands[3], "AUTH LOGIN");
    EXPECT_EQ(commands[4], "YW5u");     // "ann"
    EXPECT_EQ(commands[5], "czNjcmV0"); // "s3cret"
    EXPECT_EQ(commands[6], "MAIL FROM:<planner@kestrano.test>");
}

TEST_F(MailOverLoopback, SilenceEndsWithinItsBoundAndCancelEndsAtOnce)
{
    {
        SCOPED_TRACE("a server that never answers");
        FakeSMTPServer server;
        server.greeting.clear();
        message.timeouts.reply = 400;
        RecordingProcess timed;
        message.settings.useSMTPHost = true;
        message.settings.sendDirect = false;
        message.settings.smtpHost = server.Address();
        EXPECT_EQ(Process(timed, message), eProcessFailed);
        EXPECT_EQ(timed.errors, Lines{"The mail server did not answer in time."});
        EXPECT_GE(timed.Elapsed(), 400);
        EXPECT_LT(timed.Elapsed(), 1200);
    }
    {
        SCOPED_TRACE("Cancel while waiting for the server");
        FakeSMTPServer server;
        server.replies["DATA"] = {""};
        message.timeouts.reply = 3000;
        message.settings.smtpHost = server.Address();
        RecordingProcess cancelling(300);
        EXPECT_EQ(Process(cancelling, message), eProcessCancelled);
        EXPECT_TRUE(cancelling.errors.empty());
        EXPECT_GE(cancelling.Elapsed(), 300);
        EXPECT_LT(cancelling.Elapsed(), 600);
        EXPECT_EQ(server.Commands().back(), "DATA");
    }
}

TEST_F(MailOverLoopback, DirectDeliveryConnectsOncePerRecipient)
{
    FakeSMTPServer first;
    FakeSMTPServer second;
    message.settings.replyTo.clear();
    message.recipients = "ann@" + first.Address() + ", bob@" + second.Address();
    ASSERT_EQ(Process(process, message), eProcessSucceeded)
            << ::testing::PrintToString(process.errors);
    ASSERT_EQ(first.sessions.size(), 1u);
    ASSERT_EQ(second.sessions.size(), 1u);
    const Lines toFirst = first.Commands();
    ASSERT_GE(toFirst.size(), 3u);
    EXPECT_EQ(toFirst[1], "MAIL FROM:<Kestrano@127.0.0.1>");
    EXPECT_EQ(toFirst[2], "RCPT TO:<ann@" + first.Address() + ">");
    EXPECT_EQ(second.Commands()[2], "RCPT TO:<bob@" + second.Address() + ">");
}

TEST_F(MailOverLoopback, AServerThatCannotBeReachedFallsBackToDirectDelivery)
{
    UnansweringListener unreachable;
    ASSERT_NE(unreachable.Port(), 0);
    FakeSMTPServer exchanger;
    message.recipients = "ann@" + exchanger.Address();
    message.timeouts.connect = 300;
    const std::string host = "127.0.0.1:" + std::to_string(unreachable.Port());
    message.settings.sendDirect = true;
    message.settings.useSMTPHost = true;
    message.settings.smtpHost = host;
    ASSERT_EQ(Process(process, message), eProcessSucceeded)
            << ::testing::PrintToString(process.errors);
    EXPECT_EQ(exchanger.sessions.size(), 1u);

    // Without the permission the send ends there.
    message.settings.sendDirect = false;
    EXPECT_EQ(Process(process, message), eProcessFailed);
    EXPECT_EQ(process.errors, Lines{"Unable to connect to mail server \"" + host +
                                    "\" when sending an email to \"" + message.recipients + "\"."});
    EXPECT_EQ(exchanger.sessions.size(), 1u);
}

TEST_F(MailOverLoopback, SendmailProgramGetsAWellFormedMessage)
{
    if (const std::string missing = MissingPeers(); !missing.empty())
        GTEST_SKIP() << missing;
    // A stand-in sendmail first on PATH keeps its arguments and the message it was given.
    QTemporaryDir bin;
    const QString program = bin.filePath(QStringLiteral("sendmail"));
    {
        QFile script(program);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/arguments\"\n"
                     "cat > \"$(dirname \"$0\")/message\"\n"
                     "exit \"${KESTRANO_TEST_SENDMAIL_EXIT:-0}\"\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ":" + path);
    const QByteArray awkward = AwkwardBytes();
    message.attachments = {Attachment("plan.pdf", awkward)};
    message.settings.useSendMail = true;
    const int result = Process(process, message);
    qputenv("KESTRANO_TEST_SENDMAIL_EXIT", "75");
    const int refused = Process(process, message);
    qunsetenv("KESTRANO_TEST_SENDMAIL_EXIT");
    qputenv("PATH", path);

    ASSERT_EQ(result, eProcessSucceeded) << ::testing::PrintToString(process.errors);
    QFile arguments(bin.filePath(QStringLiteral("arguments")));
    ASSERT_TRUE(arguments.open(QIODevice::ReadOnly));
    EXPECT_EQ(arguments.readAll(), "-f\nplanner@kestrano.test\n-oi\n-t\n");
    QFile received(bin.filePath(QStringLiteral("message")));
    ASSERT_TRUE(received.open(QIODevice::ReadOnly));
    const ParsedMail parsed = ParseWithPython(received.readAll());
    EXPECT_EQ(parsed.defects, 0);
    EXPECT_EQ(parsed.headers.at("To"), "ann@example.org");
    ASSERT_EQ(parsed.parts.size(), 2u);
    EXPECT_EQ(parsed.parts[1].fileName, "plan.pdf");
    EXPECT_EQ(parsed.parts[1].sha256, Sha256(awkward));

    EXPECT_EQ(refused, eProcessFailed);
    EXPECT_EQ(process.errors, Lines{"The unix \"sendmail\" tool could not send the email."});
}

TEST_F(MailOverLoopback, AnAddressCarryingASecondMessageIsRefusedAndTheRestArrives)
{
    RealSMTPServer server;
    if (const std::string missing = server.Start({}); !missing.empty())
        GTEST_SKIP() << missing;
    message.recipients = "ann@example.org, " + kInjection + ", bob@example.org";
    ASSERT_EQ(SendVia(server.Address()), eProcessSucceeded)
            << ::testing::PrintToString(process.errors);

    const std::vector<ReceivedMail> received = server.Messages();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].mailFrom, "planner@kestrano.test");
    EXPECT_EQ(received[0].recipients, (Lines{"ann@example.org", "bob@example.org"}));
    EXPECT_FALSE(received[0].content.contains("Invoice"));
    const ParsedMail parsed = ParseWithPython(received[0].content);
    EXPECT_EQ(parsed.defects, 0);
    EXPECT_EQ(parsed.headers.at("Subject"), kSubject);
    EXPECT_EQ(parsed.headers.at("To"), "ann@example.org, bob@example.org");
    ASSERT_EQ(process.errors.size(), 1u);
    EXPECT_TRUE(process.errors[0].starts_with("The email address \"x@example.com>\xEF\xBF\xBD"))
            << process.errors[0];
    EXPECT_TRUE(process.errors[0].ends_with("RSET\" cannot be used, so the email was not sent to "
                                            "it."))
            << process.errors[0];
}

TEST_F(MailOverLoopback, StatusUpdatesRefuseThatResourceByNameAndMailTheOthers)
{
    RealSMTPServer server;
    if (const std::string missing = server.Start({}); !missing.empty())
        GTEST_SKIP() << missing;
    Plan plan;
    plan.project.name = "Harbour";
    for (const auto& [name, address] :
         {std::pair<std::string, std::string>{"Ann", "ann@example.org"},
          {"Mallory", kInjection},
          {"Bo", "bo@example.org"}}) {
        QPResource& resource = plan.Resource(name);
        resource.email = address;
        resource.sendProjectUpdates = true;
    }
    message.settings.useSMTPHost = true;
    message.settings.sendDirect = false;
    message.settings.smtpHost = server.Address();
    // The program's sending step, without the chart.
    QPProjectUpdateProcessData data(plan.project,
                                    [this](LProcessInterface& sending, const QPResource& resource,
                                           const std::string& subject, const std::string& body) {
                                        LEmailSendProcess mail = message;
                                        mail.recipients = resource.email.str();
                                        mail.subject = subject;
                                        mail.body = body;
                                        return Process(sending, mail);
                                    });
    const int result = Process(process, data);

    EXPECT_EQ(result, eProcessFailed);
    EXPECT_TRUE(process.errors.empty()) << ::testing::PrintToString(process.errors);
    const std::vector<ReceivedMail> received = server.Messages();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].recipients, Lines{"ann@example.org"});
    EXPECT_EQ(received[1].recipients, Lines{"bo@example.org"});
    for (const ReceivedMail& mail : received)
        EXPECT_FALSE(mail.content.contains("Invoice"));
    EXPECT_EQ(QPProjectUpdateConclude(result, data).message,
              "Project updates generated: 3\r\nUpdates successfully sent: 2\r\nThe e-mail "
              "address of resource \"Mallory\" cannot be used, so no update was sent to it.");
}

TEST_F(MailOverLoopback, StartTLSWithoutALoginStillEncryptsTheMessage)
{
    RealSMTPServer server;
    RealSMTPServer::Options options;
    options.startTLS = true;
    if (const std::string missing = server.Start(options); !missing.empty())
        GTEST_SKIP() << missing;
    ASSERT_EQ(SendVia(server.Address(), "", "", true), eProcessSucceeded)
            << ::testing::PrintToString(process.errors);
    const std::vector<ReceivedMail> received = server.Messages();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_TRUE(received[0].encrypted);
    EXPECT_TRUE(received[0].login.empty());
}

TEST_F(MailOverLoopback, WithTLSWantedAServerWithoutItGetsQuitAndNoPassword)
{
    struct Case {
        const char* name;
        std::map<std::string, std::deque<std::string>> replies;
        Lines commands; // after EHLO
        std::string error;
    };
    const std::string unsent = "so the email was not sent and no password was given to it. "
                               "Please check your Email Settings.";
    const std::vector<Case> cases = {
            {"no STARTTLS offered",
             {},
             {"QUIT"},
             "The mail server does not offer a secure connection (STARTTLS), " + unsent},
            {"STARTTLS refused",
             {{"EHLO", {"250-scripted.test\r\n250-STARTTLS\r\n250 AUTH LOGIN"}},
              {"STARTTLS", {"454 4.7.0 TLS not available"}}},
             {"STARTTLS", "QUIT"},
             "The mail server refused a secure connection (454 - 4.7.0 TLS not available), " +
                     unsent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSMTPServer server;
        server.replies = c.replies;
        process.errors.clear();
        EXPECT_EQ(SendVia(server.Address(), "ann", "s3cret", true), eProcessFailed);
        EXPECT_EQ(process.errors, Lines{c.error});
        Lines commands = server.Commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_TRUE(commands[0].starts_with("EHLO ")) << commands[0];
        commands.erase(commands.begin());
        EXPECT_EQ(commands, c.commands);
        ASSERT_EQ(server.sessions.size(), 1u);
        EXPECT_FALSE(server.sessions[0].raw.contains("AUTH"));
        EXPECT_FALSE(server.sessions[0].raw.contains("czNjcmV0")); // "s3cret"
    }
}

namespace {

// A reply as a broken or hostile server might give it: mostly with the code the command
// expects, now and then with any other or none; continuation lines; text with control
// characters, bare carriage returns, NULs and bytes that are no text; now and then a
// hang-up. Always one reply per command, so that the server's own count of what it took
// stays true.
std::string HostileReply(std::mt19937& random, FakeSMTPServer::Session& session,
                         const std::string& key)
{
    const auto pick = [&random](std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    };
    static const char* const kCodes[] = {"220", "250", "251", "334", "354", "235", "421", "454",
                                         "503", "550", "999", "000", "2",   "25",  ""};
    std::string expected = "250";
    if (key == "DATA")
        expected = "354";
    else if (key == "AUTH")
        expected = "334";
    else if (key == "LOGIN-DATA")
        expected = session.asked[key] % 2 == 1 ? "334" : "235";
    else if (key == "STARTTLS")
        expected = "220";
    else if (key == "QUIT")
        expected = "221";
    std::string text;
    for (std::size_t length = pick(40); length > 0; --length) {
        const char c = static_cast<char>(pick(256));
        text += c == '\n' || c == '-' ? '?' : c;
    }
    std::string reply;
    for (std::size_t continued = pick(3); continued > 0; --continued)
        reply += std::string(kCodes[pick(12)]) + "-" + text + "\r\n";
    if (key == "EHLO" && pick(3) == 0)
        reply += "250-STARTTLS\r\n";
    reply += (pick(8) == 0 ? std::string(kCodes[pick(std::size(kCodes))]) : expected) + " " + text;
    if (pick(20) == 0)
        reply += "<close>";
    return reply;
}

} // namespace

TEST_F(MailOverLoopback, AHostileServerCannotCrashHoldOrFoolTheSender)
{
    message.timeouts = {.connect = 1000,
                        .connectPort25 = 300,
                        .connectDirect = 1000,
                        .reply = 800,
                        .command = 800,
                        .bodyLine = 800,
                        .sendmail = 1000};
    message.attachments = {Attachment("plan.pdf", AwkwardBytes())};
    // Whatever the result, a send that says it succeeded must have been taken, and no send
    // waits past its time-outs: of those a silent or slow server can use up, a send has at
    // most two (a reply and the TLS handshake); the machine gets some slack.
    const auto check = [&](FakeSMTPServer& server, int result, const RecordingProcess& run) {
        const long bound = 2 * message.timeouts.reply + 1000;
        EXPECT_NE(result, eProcessCancelled);
        ASSERT_FALSE(server.sessions.empty());
        if (result == eProcessSucceeded) {
            EXPECT_TRUE(server.sessions.back().TookAMessage());
        } else {
            EXPECT_FALSE(run.errors.empty());
        }
        EXPECT_LE(run.Elapsed(), bound);
    };

    {
        SCOPED_TRACE("random and malformed replies");
        std::mt19937 random;
        FakeSMTPServer server;
        server.script = [&random](FakeSMTPServer::Session& session, const std::string& key) {
            return HostileReply(random, session, key);
        };
        int succeeded = 0;
        for (int send = 0; send < 30; ++send) {
            SCOPED_TRACE(send);
            // A seed of each send's own: what one send draws never shifts the next.
            random.seed(20270301 + send);
            FakeSMTPServer::Session scratch;
            server.greeting = HostileReply(random, scratch, "GREETING");
            if (server.greeting.ends_with("<close>"))
                server.greeting.resize(server.greeting.size() - 7);
            server.greeting += "\r\n";
            if (random() % 4 != 0)
                server.greeting = "220 hostile.test\r\n";
            const bool tls = random() % 2 == 0;
            const std::string user = random() % 2 == 0 ? "ann" : "";
            message.settings.useSMTPHost = true;
            message.settings.sendDirect = false;
            message.settings.smtpHost = server.Address();
            message.settings.smtpAuthOn = !user.empty();
            message.settings.userName = user;
            message.settings.password = "s3cret";
            message.settings.useSSL = tls;
            RecordingProcess run;
            const int result = Process(run, message);
            check(server, result, run);
            succeeded += result == eProcessSucceeded;
        }
        // The replies are right often enough for some sends to get through.
        EXPECT_GT(succeeded, 0);
    }

    struct Case {
        const char* name;
        std::function<void(FakeSMTPServer&)> make;
        int result;
    };
    const std::string megabyte(1 << 20, 'x');
    std::string endless;
    while (endless.size() < (2u << 20))
        endless += "250-and more\r\n";
    const std::vector<Case> cases = {
            {"a 1 MB line in the greeting",
             [&](FakeSMTPServer& server) {
                 server.greeting = "220-" + megabyte + "\r\n220 ready\r\n";
             },
             eProcessSucceeded},
            {"a 1 MB line in the EHLO reply",
             [&](FakeSMTPServer& server) {
                 server.replies["EHLO"] = {"250-" + megabyte + "\r\n250 AUTH LOGIN"};
                 message.settings.smtpAuthOn = true;
                 message.settings.userName = "ann";
             },
             eProcessSucceeded},
            {"a reply that never ends",
             [&](FakeSMTPServer& server) { server.replies["HELO"] = {endless}; }, eProcessFailed},
            // Every byte comes within the reply time-out, the whole reply never does.
            {"a reply dripping one byte a second",
             [&](FakeSMTPServer& server) {
                 server.dripMs = 1000;
                 message.timeouts.reply = 1500;
             },
             eProcessFailed},
            {"a hang-up in the middle of the message",
             [](FakeSMTPServer& server) { server.hangUpInDataAfterLines = 20; }, eProcessFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSMTPServer server;
        message.settings.smtpHost = server.Address();
        message.settings.smtpAuthOn = false;
        message.settings.userName.clear();
        message.settings.useSSL = false;
        message.timeouts.reply = 800;
        c.make(server);
        RecordingProcess run;
        const int result = Process(run, message);
        EXPECT_EQ(result, c.result) << ::testing::PrintToString(run.errors);
        check(server, result, run);
    }
}
