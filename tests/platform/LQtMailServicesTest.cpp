// The mail transport on Qt Network and QProcess: its waits against loopback peers, and
// whole messages through a real SMTP server (Debian's python3-aiosmtpd, whose email package
// also reads what arrives) and a stand-in sendmail: STARTTLS with a login, attachments byte
// for byte, and an address that smuggles in a second message.

#include "LQtMailServices.h"

#include "framework/LConsoleProcess.h"
#include "mail/LEmailSendProcess.h"
#include "mail/QPStatusUpdates.h"
#include "support/Plan.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;
const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kScript = QStringLiteral(KESTRANO_MAIL_SCRIPTS_DIR "/smtp_server.py");

// Keeps the errors and asks to stop once `stopAfterMs` have passed (never when negative).
struct TimedProcess : LProcessInterface {
    explicit TimedProcess(int stopAfterMs = -1) : stopAfterMs(stopAfterMs) { clock.start(); }
    bool IsToStop() override { return stopAfterMs >= 0 && clock.elapsed() >= stopAfterMs; }
    void SetError(std::string_view text) override { errors.emplace_back(text); }
    int stopAfterMs;
    QElapsedTimer clock;
    Lines errors;
};

// A loopback peer: says `greeting` to each connection, keeps what it is sent, and once
// `hangUpAfter` bytes have come says `farewell` and hangs up.
struct Peer {
    Peer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = server.nextPendingConnection();
            socket->write(greeting);
            QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
                received += socket->readAll();
                if (hangUpAfter > 0 && received.size() >= hangUpAfter) {
                    socket->write(farewell);
                    socket->disconnectFromHost();
                }
            });
        });
    }
    QByteArray greeting, farewell, received;
    qsizetype hangUpAfter = 0;
    QTcpServer server;
};

// Why the real peers cannot run here (their tests are then skipped); empty when they can.
std::string MissingPeers()
{
    static const bool there = QProcess::execute(kPython, {"-c", "import aiosmtpd"}) == 0 &&
                              !QStandardPaths::findExecutable("openssl").isEmpty();
    return there ? "" : "needs python3-aiosmtpd and openssl (scripts/install-deps.sh)";
}

// aiosmtpd on loopback (smtp_server.py) for as long as the object lives, offering STARTTLS
// and taking one login.
class RealServer {
public:
    // Empty when the server runs; otherwise why it does not.
    std::string Start(const QString& user, const QString& password)
    {
        if (std::string missing = MissingPeers(); !missing.empty())
            return missing;
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(kPython, {kScript, "--tls", "--login", user, password});
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
        }
        address_ = "127.0.0.1:" + process_.readLine().trimmed().toStdString();
        return address_.size() > 10 ? "" : "the SMTP server did not start";
    }
    ~RealServer()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished(1000);
    }
    const std::string& Address() const { return address_; }
    // The messages it accepted, as smtp_server.py describes them; each is written before
    // the server answers the message's end.
    std::vector<QJsonObject> Messages()
    {
        while (process_.waitForReadyRead(100)) {
        }
        while (process_.canReadLine())
            messages_.push_back(QJsonDocument::fromJson(process_.readLine()).object());
        return messages_;
    }

private:
    QProcess process_;
    std::string address_;
    std::vector<QJsonObject> messages_;
};

// A string as it is, anything else as compact JSON.
std::string Text(const QJsonValue& value)
{
    if (value.isString())
        return value.toString().toStdString();
    const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return json.mid(1).chopped(1).toStdString();
}

std::string Sha(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

// Every byte value, line ends of each kind, a lone dot on a line and a length that is no
// multiple of 57 or 3: what base64 and the message's line handling could spoil.
QByteArray Awkward()
{
    QByteArray bytes;
    for (int i = 0; i < 40 * 256; ++i)
        bytes.append(static_cast<char>((i % 256) * 7 + i / 256));
    return bytes + QByteArray("\r\n.\r\n\n.\n\r", 9);
}

} // namespace

TEST(QtMailConnection, CarriesBytesBothWaysAndKeepsWhatCameBeforeAHangUp)
{
    LProcessInterface plain;
    LConsoleProcess console("Mail", {.terminal = false, .stopOnInterrupt = false});
    for (LProcessInterface* process : {&plain, static_cast<LProcessInterface*>(&console)}) {
        Peer peer;
        peer.greeting = "220 ready\r\n";
        peer.farewell = "221 Closing\r\n";
        peer.hangUpAfter = 6 << 20;
        LQtMailServices services;
        const auto connection = services.NewConnection();
        ASSERT_EQ(connection->Connect(*process, "127.0.0.1", peer.server.serverPort(), 2000),
                  LMailIO::ok);
        // Receive appends, and never more than it was allowed.
        std::string bytes = "kept|";
        ASSERT_EQ(connection->Receive(*process, bytes, 4, 2000), LMailIO::ok);
        EXPECT_EQ(bytes, "kept|220 ");
        // More than the socket buffers hold goes out while the peer reads it.
        ASSERT_EQ(connection->Send(*process, std::string(6 << 20, 'x'), 3000), LMailIO::ok);
        EXPECT_TRUE(QTest::qWaitFor([&] { return peer.received.size() == 6 << 20; }, 3000));
        // The hang-up comes while nobody reads; the words before it are not lost.
        QTest::qWait(200);
        LMailIO io;
        while ((io = connection->Receive(*process, bytes, 512, 2000)) == LMailIO::ok) {
        }
        EXPECT_EQ(bytes, "kept|220 ready\r\n221 Closing\r\n");
        EXPECT_EQ(io, LMailIO::closed);
        EXPECT_NE(connection->Send(*process, "NOOP\r\n", 2000), LMailIO::ok);
        EXPECT_FALSE(connection->IsEncrypted());
    }
}

TEST(QtMailConnection, WaitsEndByTimeRefusalOrStop)
{
    Peer silent;
    uint16_t closed = 0;
    {
        QTcpServer gone;
        gone.listen(QHostAddress::LocalHost, 0);
        closed = gone.serverPort();
    }
    const struct {
        const char* name;
        uint16_t port;
        int stopMs;
        LMailIO io;
        long atLeast, below;
    } cases[] = {{"a server that never speaks", silent.server.serverPort(), -1, LMailIO::timedOut,
                  290, 900},
                 {"nobody listening", closed, -1, LMailIO::failed, 0, 1000},
                 {"a stop while the server is silent", silent.server.serverPort(), 300,
                  LMailIO::cancelled, 300, 600},
                 {"a runner already stopping", silent.server.serverPort(), 0, LMailIO::cancelled, 0,
                  100}};
    LQtMailServices services;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimedProcess process(c.stopMs);
        const auto connection = services.NewConnection();
        LMailIO io = connection->Connect(process, "127.0.0.1", c.port, 3000);
        std::string bytes;
        if (io == LMailIO::ok)
            io = connection->Receive(process, bytes, 512, c.stopMs < 0 ? 300 : 3000);
        EXPECT_EQ(io, c.io);
        EXPECT_TRUE(bytes.empty());
        EXPECT_GE(process.clock.elapsed(), c.atLeast);
        EXPECT_LT(process.clock.elapsed(), c.below);
    }
}

TEST(QtMail, StatusUpdatesGoEncryptedWholeAndNeverToAnAddressCarryingAnotherMessage)
{
    RealServer server;
    if (const std::string missing = server.Start("ann", "s3cret"); !missing.empty())
        GTEST_SKIP() << missing;
    QTemporaryDir files;
    const QByteArray awkward = Awkward();
    QFile attachment(files.filePath("Office move.pdf"));
    ASSERT_TRUE(attachment.open(QIODevice::WriteOnly) && attachment.write(awkward) > 0);
    attachment.close();
    LQtMailServices services;
    LEmailSendProcess message;
    message.attachments = {attachment.fileName().toStdString()};
    message.settings.replyTo = "planner@kestrano.test";
    message.settings.useSMTPHost = true;
    message.settings.smtpHost = server.Address();
    message.settings.smtpAuthOn = message.settings.useSSL = true;
    message.settings.userName = "ann";
    message.settings.password = "s3cret";
    message.services = &services;
    Plan plan;
    // What a shared project file once put into a resource's address: the line breaks end the
    // RCPT command, and the rest is a second message by the file's author, sent through the
    // user's own account.
    const std::string smuggler =
            "x@example.com>\r\nDATA\r\nSubject: Invoice\r\n\r\nPay\r\n.\r\nRSET";
    for (const auto& [name, address] : {std::pair<std::string, std::string>{"Ann", "ann@x.org"},
                                        {"Mallory", smuggler},
                                        {"Bo", "bo@x.org"}}) {
        QPResource& resource = plan.Resource(name);
        resource.email = address;
        resource.sendProjectUpdates = true;
    }
    // The program's sending step, without the chart.
    QPProjectUpdateProcessData data(
            plan.project, [&](LProcessInterface& sending, const QPResource& resource,
                              const std::string& subject, const std::string& body) {
                message.recipients = resource.email.str();
                message.subject = subject;
                message.body = body + "\r\n.a line that starts with a dot\r\n";
                return Process(sending, message);
            });
    TimedProcess process;
    const int result = Process(process, data);
    EXPECT_EQ(QPProjectUpdateConclude(result, data).message,
              "Project updates generated: 3\r\nUpdates successfully sent: 2\r\nThe e-mail "
              "address of resource \"Mallory\" cannot be used, so no update was sent to it.");
    const std::vector<QJsonObject> received = server.Messages();
    ASSERT_EQ(received.size(), 2u);
    for (const QJsonObject& mail : received) {
        EXPECT_EQ(Text(mail["tls"]) + Text(mail["login"]) + Text(mail["defects"]), "trueann0");
        EXPECT_EQ(Text(mail["mail_from"]), "planner@kestrano.test");
        const QByteArray content = QByteArray::fromBase64(mail["content"].toString().toLatin1());
        EXPECT_FALSE(content.contains("Pay") || content.contains("..a line")) << content.data();
        EXPECT_TRUE(content.contains("\r\n.a line that starts with a dot\r\n"));
        EXPECT_EQ(Text(mail["parts"][1]),
                  "[\"application/octet-stream\",\"Office move.pdf\",\"" + Sha(awkward) + "\"]");
    }
    EXPECT_EQ(Text(received[0]["rcpt_tos"]) + Text(received[1]["headers"]["To"]),
              R"(["ann@x.org"]bo@x.org)");

    // The same with a wrong password: refused, and nothing more arrives.
    message.settings.password = "wrong";
    EXPECT_EQ(Process(process, message), eProcessFailed);
    EXPECT_EQ(process.errors, Lines{"Email authentication username or password not accepted"});
    EXPECT_EQ(server.Messages().size(), 2u);
}

TEST(QtMail, TheSendmailProgramGetsTheWholeMessageAndItsRefusalIsReported)
{
    if (const std::string missing = MissingPeers(); !missing.empty())
        GTEST_SKIP() << missing;
    // A stand-in sendmail first on PATH describes its arguments and message in "received".
    QTemporaryDir bin;
    QFile script(bin.filePath("sendmail"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec " + kPython.toUtf8() + " " + kScript.toUtf8() +
                 " sendmail \"$(dirname \"$0\")/received\" \"$@\"\n");
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    script.close();
    QFile attachment(bin.filePath("plan.pdf"));
    ASSERT_TRUE(attachment.open(QIODevice::WriteOnly) && attachment.write(Awkward()) > 0);
    attachment.close();
    LQtMailServices services;
    LEmailSendProcess message;
    message.recipients = "ann@example.org";
    message.attachments = {attachment.fileName().toStdString()};
    message.settings.replyTo = "planner@kestrano.test";
    message.settings.useSendMail = true;
    message.services = &services;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ":" + path);
    TimedProcess process;
    const int result = Process(process, message);
    qputenv("KESTRANO_SENDMAIL_EXIT", "75");
    const int refused = Process(process, message);
    qunsetenv("KESTRANO_SENDMAIL_EXIT");
    qputenv("PATH", path);

    EXPECT_EQ(result, eProcessSucceeded);
    QFile received(bin.filePath("received"));
    ASSERT_TRUE(received.open(QIODevice::ReadOnly));
    const QJsonObject mail = QJsonDocument::fromJson(received.readAll()).object();
    EXPECT_EQ(Text(mail["arguments"]), R"(["-f","planner@kestrano.test","-oi","-t"])");
    EXPECT_EQ(Text(mail["defects"]) + Text(mail["headers"]["To"]), "0ann@example.org");
    EXPECT_EQ(Text(mail["parts"][1]),
              "[\"application/octet-stream\",\"plan.pdf\",\"" + Sha(Awkward()) + "\"]");
    EXPECT_EQ(refused, eProcessFailed);
    EXPECT_EQ(process.errors, Lines{"The unix \"sendmail\" tool could not send the email."});

    // A program that hangs is given up on in time, and does not hold the caller.
    auto hung = services.StartProgram("sleep", {"30"});
    ASSERT_NE(hung, nullptr);
    process.clock.restart();
    EXPECT_EQ(hung->Finish(process, 300), LMailIO::timedOut);
    hung.reset();
    EXPECT_LT(process.clock.elapsed(), 1500);
}
