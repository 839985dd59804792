// The mail transport on Qt Network and QProcess on its own: connections against scripted
// and real servers under each kind of runner, time-outs, refusals, stops, STARTTLS, the
// sendmail pipe and what the system says about the user's mail setup.

#include "LQtMailServices.h"

#include "framework/LConsoleProcess.h"
#include "framework/LProcessDialog.h"
#include "platform/mail/MailTestPeers.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QFile>
#include <QHostInfo>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace mailtest;

namespace {

// Whether `reply` ends with the last line of a reply: one whose fourth character is not "-".
bool IsWholeReply(const std::string& reply)
{
    if (!reply.ends_with('\n'))
        return false;
    const std::string_view lines(reply.data(), reply.size() - 1);
    const std::size_t cut = lines.rfind('\n');
    const std::string_view last = cut == std::string_view::npos ? lines : lines.substr(cut + 1);
    return last.size() < 4 || last[3] != '-';
}

LMailIO ReadReply(LMailConnection& connection, LProcessInterface& process, std::string& reply,
                  int timeoutMs = 2000)
{
    reply.clear();
    while (!IsWholeReply(reply)) {
        const LMailIO io = connection.Receive(process, reply, 512, timeoutMs);
        if (io != LMailIO::ok)
            return io;
    }
    return LMailIO::ok;
}

std::string Said(const std::string& command, LMailConnection& connection,
                 LProcessInterface& process)
{
    if (connection.Send(process, command, 2000) != LMailIO::ok)
        return "<send failed>";
    std::string reply;
    return ReadReply(connection, process, reply) == LMailIO::ok ? reply : "<no reply>";
}

uint16_t PortWithoutListener()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const uint16_t port = server.serverPort();
    server.close();
    return port;
}

} // namespace

TEST(LQtMailConnection, TalksToAServerUnderThePlainAndTheConsoleRunner)
{
    LProcessInterface plain;
    LConsoleProcess console("Mail", {.terminal = false, .stopOnInterrupt = false});
    for (LProcessInterface* process : {&plain, static_cast<LProcessInterface*>(&console)}) {
        FakeSMTPServer server;
        LQtMailServices services;
        std::unique_ptr<LMailConnection> connection = services.NewConnection();
        ASSERT_EQ(connection->Connect(*process, "127.0.0.1", server.Port(), 2000), LMailIO::ok);

        // Receive appends, and never more than it was allowed.
        std::string bytes = "kept|";
        ASSERT_EQ(connection->Receive(*process, bytes, 4, 2000), LMailIO::ok);
        EXPECT_EQ(bytes, "kept|220 ");
        std::string rest;
        ASSERT_EQ(ReadReply(*connection, *process, rest), LMailIO::ok);
        EXPECT_EQ(rest, "scripted.test ready\r\n");

        EXPECT_EQ(Said("EHLO client.test\r\n", *connection, *process),
                  "250-scripted.test\r\n250 AUTH LOGIN\r\n");
        EXPECT_FALSE(connection->IsEncrypted());
        connection->Close();
        QTest::qWait(50);
        ASSERT_EQ(server.sessions.size(), 1u);
        EXPECT_EQ(server.sessions[0].lines, std::vector<std::string>{"EHLO client.test"});
    }
}

TEST(LQtMailConnection, SendsALargeBlockWhileTheServerReadsIt)
{
    FakeSMTPServer server;
    LQtMailServices services;
    LProcessInterface process;
    std::unique_ptr<LMailConnection> connection = services.NewConnection();
    ASSERT_EQ(connection->Connect(process, "127.0.0.1", server.Port(), 2000), LMailIO::ok);
    std::string block(6 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < block.size(); i += 77)
        block[i] = '\n';
    ASSERT_EQ(connection->Send(process, block, 3000), LMailIO::ok);
    ASSERT_TRUE(QTest::qWaitFor(
            [&] { return server.sessions.size() == 1 && server.sessions[0].raw.size() >= 6291456; },
            3000));
    EXPECT_EQ(server.sessions[0].raw, QByteArray::fromStdString(block));
}

TEST(LQtMailConnection, ReadsWhatAServerSaidBeforeHangingUpThenReportsTheClose)
{
    FakeSMTPServer server;
    server.replies["QUIT"] = {"221 Closing<close>"};
    LQtMailServices services;
    LProcessInterface process;
    std::unique_ptr<LMailConnection> connection = services.NewConnection();
    ASSERT_EQ(connection->Connect(process, "127.0.0.1", server.Port(), 2000), LMailIO::ok);
    std::string greeting;
    ASSERT_EQ(ReadReply(*connection, process, greeting), LMailIO::ok);
    ASSERT_EQ(connection->Send(process, "QUIT\r\n", 2000), LMailIO::ok);
    // The close arrives while nobody reads; the words before it must not be lost.
    QTest::qWait(200);
    std::string reply;
    ASSERT_EQ(ReadReply(*connection, process, reply), LMailIO::ok);
    EXPECT_EQ(reply, "221 Closing\r\n");

    RecordingProcess timed;
    EXPECT_EQ(connection->Receive(timed, reply, 512, 2000), LMailIO::closed);
    EXPECT_LT(timed.Elapsed(), 500);
    EXPECT_NE(connection->Send(timed, "NOOP\r\n", 2000), LMailIO::ok);
}

TEST(LQtMailConnection, EndsWaitsByTimeRefusalAndStop)
{
    LQtMailServices services;
    {
        SCOPED_TRACE("a server that never speaks");
        FakeSMTPServer silent;
        silent.greeting.clear();
        RecordingProcess process;
        std::unique_ptr<LMailConnection> connection = services.NewConnection();
        ASSERT_EQ(connection->Connect(process, "127.0.0.1", silent.Port(), 2000), LMailIO::ok);
        const long start = process.Elapsed();
        std::string bytes;
        EXPECT_EQ(connection->Receive(process, bytes, 512, 300), LMailIO::timedOut);
        EXPECT_GE(process.Elapsed() - start, 290);
        EXPECT_LT(process.Elapsed() - start, 900);
        EXPECT_TRUE(bytes.empty());
    }
    {
        SCOPED_TRACE("nobody listening");
        RecordingProcess process;
        EXPECT_EQ(services.NewConnection()->Connect(process, "127.0.0.1", PortWithoutListener(),
                                                    3000),
                  LMailIO::failed);
        EXPECT_LT(process.Elapsed(), 1000);
    }
    {
        SCOPED_TRACE("a listener that never takes the call");
        UnansweringListener listener;
        ASSERT_NE(listener.Port(), 0);
        RecordingProcess process;
        EXPECT_EQ(services.NewConnection()->Connect(process, "127.0.0.1", listener.Port(), 400),
                  LMailIO::timedOut);
        EXPECT_GE(process.Elapsed(), 390);
        EXPECT_LT(process.Elapsed(), 1200);
    }
    {
        SCOPED_TRACE("a stop while waiting for the server");
        FakeSMTPServer silent;
        silent.greeting.clear();
        RecordingProcess process(300);
        std::unique_ptr<LMailConnection> connection = services.NewConnection();
        ASSERT_EQ(connection->Connect(process, "127.0.0.1", silent.Port(), 2000), LMailIO::ok);
        std::string bytes;
        EXPECT_EQ(connection->Receive(process, bytes, 512, 3000), LMailIO::cancelled);
        EXPECT_GE(process.Elapsed(), 300);
        EXPECT_LT(process.Elapsed(), 500);
        // A runner that is already stopping does not even start a connection.
        EXPECT_EQ(services.NewConnection()->Connect(process, "127.0.0.1", silent.Port(), 2000),
                  LMailIO::cancelled);
    }
}

TEST(LQtMailConnection, EncryptsTheConversationAfterStartTLS)
{
    RealSMTPServer server;
    RealSMTPServer::Options options;
    options.startTLS = true;
    if (const std::string missing = server.Start(options); !missing.empty())
        GTEST_SKIP() << missing;
    LQtMailServices services;
    LProcessInterface process;
    std::unique_ptr<LMailConnection> connection = services.NewConnection();
    ASSERT_EQ(connection->Connect(process, "127.0.0.1", server.Port(), 2000), LMailIO::ok);
    std::string greeting;
    ASSERT_EQ(ReadReply(*connection, process, greeting), LMailIO::ok);
    EXPECT_TRUE(greeting.starts_with("220 ")) << greeting;

    EXPECT_NE(Said("EHLO client.test\r\n", *connection, process).find("STARTTLS"),
              std::string::npos);
    EXPECT_TRUE(Said("STARTTLS\r\n", *connection, process).starts_with("220 "));
    ASSERT_EQ(connection->StartTLS(process, 3000), LMailIO::ok);
    EXPECT_TRUE(connection->IsEncrypted());
    // The server no longer offers STARTTLS: it, too, sees the connection encrypted.
    const std::string again = Said("EHLO client.test\r\n", *connection, process);
    EXPECT_TRUE(again.starts_with("250")) << again;
    EXPECT_EQ(again.find("STARTTLS"), std::string::npos) << again;
}

TEST(LQtMailConnection, HandshakeWithAServerThatSpeaksNoTLSFails)
{
    FakeSMTPServer server;
    server.answerToAnything = "500 5.5.1 Command unrecognized\r\n";
    LQtMailServices services;
    RecordingProcess process;
    std::unique_ptr<LMailConnection> connection = services.NewConnection();
    ASSERT_EQ(connection->Connect(process, "127.0.0.1", server.Port(), 2000), LMailIO::ok);
    std::string greeting;
    ASSERT_EQ(ReadReply(*connection, process, greeting), LMailIO::ok);
    EXPECT_EQ(connection->StartTLS(process, 2500), LMailIO::failed);
    EXPECT_LT(process.Elapsed(), 1500);
    // It did try: the server got the start of a TLS handshake record.
    ASSERT_EQ(server.sessions.size(), 1u);
    EXPECT_TRUE(server.sessions[0].raw.startsWith("\x16\x03"))
            << server.sessions[0].raw.toHex().left(20).toStdString();
    EXPECT_FALSE(connection->IsEncrypted());
    EXPECT_NE(connection->Send(process, "QUIT\r\n", 500), LMailIO::ok);
}

namespace {

// A wait for a server that never answers, run under the progress window.
struct SilentServerWait {
    uint16_t port = 0;
    LMailIO connected = LMailIO::failed;
    LMailIO received = LMailIO::failed;
    std::string bytes;
};

LProcessResult Process(LProcessInterface& process, SilentServerWait& wait)
{
    LQtMailServices services;
    std::unique_ptr<LMailConnection> connection = services.NewConnection();
    wait.connected = connection->Connect(process, "127.0.0.1", wait.port, 2000);
    wait.received = connection->Receive(process, wait.bytes, 512, 3000);
    return wait.received == LMailIO::cancelled ? eProcessCancelled : eProcessSucceeded;
}

} // namespace

TEST(LQtMailConnection, ProgressWindowStaysAliveAndItsCancelEndsTheWait)
{
    FakeSMTPServer server;
    ScriptedPrompts prompts;
    {
        SCOPED_TRACE("the greeting arrives while the window waits");
        SilentServerWait wait;
        wait.port = server.Port();
        EXPECT_EQ(ProcessRunAsDialog(nullptr, "Send Email", wait, prompts), eProcessSucceeded);
        EXPECT_EQ(wait.connected, LMailIO::ok);
        EXPECT_EQ(wait.received, LMailIO::ok);
        EXPECT_TRUE(wait.bytes.starts_with("220 ")) << wait.bytes;
    }
    {
        SCOPED_TRACE("Cancel while the server says nothing");
        server.greeting.clear();
        SilentServerWait wait;
        wait.port = server.Port();
        QTimer::singleShot(300, [] {
            auto* shown = dynamic_cast<LProgressDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            QTest::mouseClick(&shown->CancelButton(), Qt::LeftButton);
        });
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(ProcessRunAsDialog(nullptr, "Send Email", wait, prompts), eProcessCancelled);
        EXPECT_EQ(wait.received, LMailIO::cancelled);
        EXPECT_LT(clock.elapsed(), 600);
    }
    EXPECT_TRUE(prompts.asked.empty());
}

TEST(LQtMailPipe, HandsEveryByteToTheProgramAndJudgesItByItsExitStatus)
{
    QTemporaryDir folder;
    const QString output = folder.filePath(QStringLiteral("received"));
    LQtMailServices services;
    LProcessInterface process;
    std::unique_ptr<LMailPipe> pipe =
            services.StartProgram("sh", {"-c", "cat > \"$0\"", output.toStdString()});
    ASSERT_NE(pipe, nullptr);
    // More than the pipe and the held-back input hold, so writing has to wait for the reader.
    std::string sent;
    for (int i = 0; i < 4000; ++i)
        sent += "line " + std::to_string(i) + std::string(200, '.') + "\n";
    for (std::size_t at = 0; at < sent.size(); at += 5000)
        ASSERT_TRUE(pipe->Write(process, std::string_view(sent).substr(at, 5000)));
    ASSERT_EQ(pipe->Finish(process, 3000), LMailIO::ok);
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray::fromStdString(sent));

    std::unique_ptr<LMailPipe> refusing =
            services.StartProgram("sh", {"-c", "cat > /dev/null; exit 75"});
    ASSERT_NE(refusing, nullptr);
    ASSERT_TRUE(refusing->Write(process, "Subject: x\n\nbody\n"));
    EXPECT_EQ(refusing->Finish(process, 3000), LMailIO::failed);

    std::unique_ptr<LMailPipe> gone = services.StartProgram("sh", {"-c", "exit 0"});
    ASSERT_NE(gone, nullptr);
    ASSERT_EQ(gone->Finish(process, 3000), LMailIO::ok);
    EXPECT_FALSE(gone->Write(process, "too late\n"));
}

TEST(LQtMailPipe, ProgramThatIsMissingIsNotStartedAndOneThatHangsTimesOut)
{
    LQtMailServices services;
    EXPECT_EQ(services.StartProgram("kestrano-no-such-mailer", {}), nullptr);
    EXPECT_EQ(services.StartProgram("/nonexistent/sendmail", {"-t"}), nullptr);

    RecordingProcess process;
    {
        std::unique_ptr<LMailPipe> stuck = services.StartProgram("sleep", {"30"});
        ASSERT_NE(stuck, nullptr);
        EXPECT_EQ(stuck->Finish(process, 300), LMailIO::timedOut);
        EXPECT_LT(process.Elapsed(), 1000);
    }
    // Giving up on it does not leave the caller waiting for it.
    EXPECT_LT(process.Elapsed(), 2000);
}

TEST(LQtMailPipe, FindsSystemMailProgramsOffTheUsersPath)
{
    if (!QFile::exists(QStringLiteral("/usr/sbin/nologin")))
        GTEST_SKIP() << "no program in /usr/sbin to look for";
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    LQtMailServices services;
    std::unique_ptr<LMailPipe> pipe = services.StartProgram("nologin", {});
    qputenv("PATH", path);
    ASSERT_NE(pipe, nullptr);
    LProcessInterface process;
    EXPECT_EQ(pipe->Finish(process, 3000), LMailIO::failed);
}

TEST(LQtMailServices, TellsTheHostNameAndTheUsersAddress)
{
    LQtMailServices services;
    const std::string host = services.LocalHostName();
    ASSERT_FALSE(host.empty());
    EXPECT_EQ(host.find_first_of(" \t\r\n"), std::string::npos) << host;
    const std::string bare = QHostInfo::localHostName().toStdString();
    if (!bare.empty()) {
        EXPECT_TRUE(host.starts_with(bare)) << host;
    }
    if (!QHostInfo::localDomainName().isEmpty()) {
        EXPECT_NE(host.find('.'), std::string::npos) << host;
    }

    const QByteArray saved = qgetenv("EMAIL");
    qputenv("EMAIL", " ann@example.org ");
    EXPECT_EQ(services.DefaultEmailAddress(), "ann@example.org");
    qputenv("EMAIL", "Ann Example <ann@example.org>");
    EXPECT_EQ(services.DefaultEmailAddress(), "ann@example.org");
    qunsetenv("EMAIL");
    EXPECT_EQ(services.DefaultEmailAddress(), "");
    if (!saved.isNull())
        qputenv("EMAIL", saved);
    EXPECT_EQ(services.DefaultSMTPHost(), "");
}

TEST(LQtMailServices, MailExchangerLookupEndsAtOnceWhenStopped)
{
    LQtMailServices services;
    RecordingProcess stopping(0);
    LMailIO io = LMailIO::ok;
    EXPECT_EQ(services.LookupMailExchanger(stopping, "example.org", io), "");
    EXPECT_EQ(io, LMailIO::cancelled);
    EXPECT_LT(stopping.Elapsed(), 500);
}
