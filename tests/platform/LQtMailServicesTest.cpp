// The mail transport on Qt Network and QProcess: its waits against loopback peers, whole
// sends against a scripted hostile server (random replies, endless or dripping ones, a
// hang-up mid-message), and whole messages through a real SMTP server (Debian's
// python3-aiosmtpd, whose email package also reads what arrives) and a stand-in sendmail:
// STARTTLS with a login, attachments byte for byte, and an address that smuggles in a
// second message.

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
#include <QTimer>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <random>

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

// A loopback SMTP peer in the test's own thread. It greets with `greeting` and answers each
// line through `answer` (by default a whole conversation that succeeds; "" answers nothing,
// a reply ending in "<close>" hangs up) or each piece of bytes with `toAnything`. It writes
// a byte each `dripMs` when above 0, and hangs up, after `farewell`, once `hangUpAfter`
// bytes or `hangUpInData` lines of a message have come. It keeps every byte it was sent and
// counts the messages it took.
struct Peer {
    Peer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = server.nextPendingConnection();
            ++sessions;
            Write(socket, greeting);
            QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { Serve(socket); });
        });
        QObject::connect(&drip, &QTimer::timeout, [this] {
            if (queued.isEmpty() || !client || client->state() != QTcpSocket::ConnectedState)
                return drip.stop();
            client->write(queued.left(1));
            queued.remove(0, 1);
        });
    }
    void Write(QTcpSocket* socket, const QByteArray& bytes)
    {
        if (dripMs <= 0)
            socket->write(bytes);
        else if (client = socket, queued += bytes; !drip.isActive())
            drip.start(dripMs);
    }
    QByteArray Default(const QByteArray& key)
    {
        static const std::map<QByteArray, QByteArray> replies = {
                {"EHLO", "250-peer.test\r\n250 AUTH LOGIN"},
                {"HELO", "250 peer.test"},
                {"MAIL", "250 OK"},
                {"RCPT", "250 OK"},
                {"RSET", "250 OK"},
                {"DATA", "354 Go on"},
                {".", "250 queued"},
                {"QUIT", "221 Bye"},
                {"AUTH", "334 VXNlcm5hbWU6"},
                {"LOGIN", "334 UGFzc3dvcmQ6"}};
        if (key == "LOGIN" && ++logins % 2 == 0)
            return "235 Authenticated";
        const auto known = replies.find(key);
        return known == replies.end() ? "500 Unrecognized" : known->second;
    }
    void Serve(QTcpSocket* socket)
    {
        const QByteArray bytes = socket->readAll();
        received += bytes;
        if (!toAnything.isEmpty())
            return Write(socket, toAnything);
        if (hangUpAfter > 0) {
            if (received.size() >= hangUpAfter)
                Write(socket, farewell), socket->disconnectFromHost();
            return;
        }
        pending += bytes;
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray line = pending.left(end).trimmed();
            if (inData && line != ".") {
                if (hangUpInData > 0 && ++dataLines >= hangUpInData)
                    return socket->disconnectFromHost();
                continue;
            }
            const QByteArray key = inData       ? "."
                                   : challenged ? "LOGIN"
                                                : line.split(' ')[0].toUpper();
            QByteArray reply = answer ? answer(key) : Default(key);
            const QByteArray last = reply.mid(reply.lastIndexOf('\n') + 1);
            taken += key == "." && last.startsWith("250");
            challenged = last.startsWith("334");
            inData = key == "DATA" && last.startsWith("354");
            const bool hangUp = reply.endsWith("<close>");
            reply.chop(hangUp ? 7 : 0);
            if (!reply.isEmpty())
                Write(socket, reply.endsWith('\n') ? reply : reply + "\r\n");
            if (hangUp)
                return socket->disconnectFromHost();
        }
    }
    QByteArray greeting = "220 peer.test\r\n", farewell, received, toAnything;
    std::function<QByteArray(const QByteArray& key)> answer;
    int dripMs = 0, sessions = 0, taken = 0, logins = 0;
    qsizetype hangUpAfter = 0, hangUpInData = 0, dataLines = 0;
    QTcpServer server;

private:
    QByteArray pending, queued;
    bool inData = false, challenged = false;
    QTcpSocket* client = nullptr;
    QTimer drip;
};

// A listener whose queue of calls waiting to be taken is full: the kernel completes calls
// for the queue on its own, and once it is full drops further ones, which then wait in vain.
struct UnansweredListener {
    UnansweredListener()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const auto at = reinterpret_cast<sockaddr*>(&address);
        if (bind(fds[0], at, length) != 0 || listen(fds[0], 0) != 0 ||
            getsockname(fds[0], at, &length) != 0)
            return;
        for (int i = 1; i < 17 && port == 0; ++i) {
            fds.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
            connect(fds.back(), at, length);
            pollfd done{fds.back(), POLLOUT, 0};
            port = poll(&done, 1, 200) == 0 ? ntohs(address.sin_port) : 0;
        }
    }
    ~UnansweredListener()
    {
        for (int fd : fds)
            close(fd);
    }
    std::vector<int> fds{socket(AF_INET, SOCK_STREAM, 0)};
    uint16_t port = 0;
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

// A message to ann@example.org from planner@kestrano.test with those bytes attached as
// `name` in `folder`.
LEmailSendProcess Message(LMailServices& services, const QTemporaryDir& folder, const QString& name)
{
    QFile attachment(folder.filePath(name));
    EXPECT_TRUE(attachment.open(QIODevice::WriteOnly) && attachment.write(Awkward()) > 0);
    LEmailSendProcess message;
    message.recipients = "ann@example.org";
    message.attachments = {attachment.fileName().toStdString()};
    message.settings.replyTo = "planner@kestrano.test";
    message.services = &services;
    return message;
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

TEST(QtMailConnection, WaitsEndByTimeRefusalOrStopAndTLSWithAPlainServerFailsFast)
{
    Peer silent;
    silent.greeting.clear();
    UnansweredListener unanswered;
    ASSERT_NE(unanswered.port, 0);
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
                 {"nobody listening", closed, -1, LMailIO::failed, 0, 390},
                 {"a call never taken", unanswered.port, -1, LMailIO::timedOut, 390, 1200},
                 {"a stop while the server is silent", silent.server.serverPort(), 300,
                  LMailIO::cancelled, 300, 600},
                 {"a runner already stopping", silent.server.serverPort(), 0, LMailIO::cancelled, 0,
                  100}};
    LQtMailServices services;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimedProcess process(c.stopMs);
        const auto connection = services.NewConnection();
        LMailIO io = connection->Connect(process, "127.0.0.1", c.port, 400);
        std::string bytes;
        if (io == LMailIO::ok)
            io = connection->Receive(process, bytes, 512, c.stopMs < 0 ? 300 : 3000);
        EXPECT_EQ(io, c.io);
        EXPECT_TRUE(bytes.empty());
        EXPECT_GE(process.clock.elapsed(), c.atLeast);
        EXPECT_LT(process.clock.elapsed(), c.below);
    }

    // A server that speaks no TLS answers the handshake with words: it fails at once, after
    // a real try, and leaves nothing usable behind.
    Peer plain;
    plain.toAnything = "500 5.5.1 Command unrecognized\r\n";
    TimedProcess process;
    const auto connection = services.NewConnection();
    std::string greeting;
    ASSERT_EQ(connection->Connect(process, "127.0.0.1", plain.server.serverPort(), 2000),
              LMailIO::ok);
    ASSERT_EQ(connection->Receive(process, greeting, 512, 2000), LMailIO::ok);
    EXPECT_EQ(connection->StartTLS(process, 2500), LMailIO::failed);
    EXPECT_LT(process.clock.elapsed(), 1500);
    EXPECT_TRUE(plain.received.startsWith("\x16\x03")) << plain.received.toHex().left(20).data();
    EXPECT_FALSE(connection->IsEncrypted());
    EXPECT_NE(connection->Send(process, "QUIT\r\n", 500), LMailIO::ok);
}

// A reply as a broken or hostile server might give it: mostly with the code the command
// expects, now and then any other or none; continuation lines; text with control bytes,
// NULs and bytes that are no text; now and then a hang-up.
static QByteArray HostileReply(std::mt19937& random, const QByteArray& key)
{
    const auto pick = [&random](int count) { return static_cast<int>(random() % count); };
    static const char* const kCodes[] = {"220", "250", "251", "334", "354", "235", "421", "454",
                                         "503", "550", "999", "000", "2",   "25",  ""};
    static const std::map<QByteArray, const char*> kExpected = {
            {"DATA", "354"}, {"AUTH", "334"}, {"STARTTLS", "220"}, {"QUIT", "221"}};
    const auto known = kExpected.find(key);
    QByteArray expected = key == "LOGIN"             ? (pick(2) ? "334" : "235")
                          : known == kExpected.end() ? "250"
                                                     : known->second;
    QByteArray text, reply;
    for (int length = pick(40); length > 0; --length) {
        const char c = static_cast<char>(pick(256));
        text += c == '\n' || c == '-' ? '?' : c;
    }
    for (int continued = pick(3); continued > 0; --continued)
        reply += kCodes[pick(12)] + ("-" + text) + "\r\n";
    if (key == "EHLO" && pick(3) == 0)
        reply += "250-STARTTLS\r\n";
    reply += (pick(8) == 0 ? QByteArray(kCodes[pick(std::size(kCodes))]) : expected) + " " + text;
    return reply + (pick(20) == 0 ? "<close>" : "");
}

TEST(QtMail, AHostileServerCannotCrashHoldOrFoolTheSender)
{
    QTemporaryDir files;
    LQtMailServices services;
    LEmailSendProcess message = Message(services, files, "plan.pdf");
    message.subject = "Plan";
    message.body = "Hello\r\n";
    message.settings.useSMTPHost = true;
    message.settings.password = "s3cret";
    message.timeouts = {.connect = 1000,
                        .connectPort25 = 300,
                        .connectDirect = 1000,
                        .reply = 800,
                        .command = 800,
                        .bodyLine = 800,
                        .sendmail = 1000};
    // Whatever the result, a send that says it succeeded was taken once, a failure says
    // why, and no send waits past the two time-outs a silent or slow server can use up (a
    // reply and the TLS handshake), with some slack for the machine.
    const auto send = [&](Peer& peer, bool tls, const std::string& user) {
        message.settings.smtpHost = "127.0.0.1:" + std::to_string(peer.server.serverPort());
        message.settings.useSSL = tls;
        message.settings.smtpAuthOn = !user.empty();
        message.settings.userName = user;
        TimedProcess run;
        const int result = Process(run, message);
        EXPECT_NE(result, eProcessCancelled);
        EXPECT_EQ(peer.sessions, 1);
        EXPECT_EQ(peer.taken, result == eProcessSucceeded ? 1 : 0);
        EXPECT_EQ(run.errors.empty(), result == eProcessSucceeded)
                << ::testing::PrintToString(run.errors);
        EXPECT_LE(run.clock.elapsed(), 2 * message.timeouts.reply + 1000);
        return result;
    };

    int succeeded = 0;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        // A seed of each send's own: what one send draws never shifts the next.
        std::mt19937 random(20270301 + round);
        Peer peer;
        if (random() % 4 == 0)
            peer.greeting = HostileReply(random, "GREETING").replace("<close>", "") + "\r\n";
        peer.answer = [&random](const QByteArray& key) { return HostileReply(random, key); };
        const bool tls = random() % 2 == 0;
        succeeded += send(peer, tls, random() % 2 == 0 ? "ann" : "") == eProcessSucceeded;
    }
    // The replies are right often enough for some sends to get through.
    EXPECT_GT(succeeded, 0);

    const QByteArray megabyte(1 << 20, 'x');
    QByteArray endless;
    while (endless.size() < (2 << 20))
        endless += "250-and more\r\n";
    const struct {
        const char* name;
        std::function<void(Peer&)> make;
        const char* user;
        int result;
    } cases[] = {
            {"a 1 MB line in the greeting",
             [&](Peer& peer) { peer.greeting = "220-" + megabyte + "\r\n220 ready\r\n"; }, "",
             eProcessSucceeded},
            {"a 1 MB line in the EHLO reply",
             [&](Peer& peer) {
                 peer.answer = [&peer, &megabyte](const QByteArray& key) {
                     return key == "EHLO" ? "250-" + megabyte + "\r\n250 AUTH LOGIN"
                                          : peer.Default(key);
                 };
             },
             "ann", eProcessSucceeded},
            {"a reply that never ends",
             [&](Peer& peer) {
                 peer.answer = [&peer, &endless](const QByteArray& key) {
                     return key == "HELO" ? endless : peer.Default(key);
                 };
             },
             "", eProcessFailed},
            // Every byte comes within the reply time-out, the whole reply never does.
            {"a greeting dripping one byte a second",
             [&](Peer& peer) {
                 peer.dripMs = 1000;
                 message.timeouts.reply = 1500;
             },
             "", eProcessFailed},
            {"a hang-up in the middle of the message", [](Peer& peer) { peer.hangUpInData = 20; },
             "", eProcessFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Peer peer;
        message.timeouts.reply = 800;
        c.make(peer);
        EXPECT_EQ(send(peer, false, c.user), c.result);
    }
}

TEST(QtMail, StatusUpdatesGoEncryptedWholeAndNeverToAnAddressCarryingAnotherMessage)
{
    RealServer server;
    if (const std::string missing = server.Start("ann", "s3cret"); !missing.empty())
        GTEST_SKIP() << missing;
    QTemporaryDir files;
    LQtMailServices services;
    LEmailSendProcess message = Message(services, files, "Office move.pdf");
    message.settings.useSMTPHost = true;
    message.settings.smtpHost = server.Address();
    message.settings.smtpAuthOn = message.settings.useSSL = true;
    message.settings.userName = "ann";
    message.settings.password = "s3cret";
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
                  "[\"application/octet-stream\",\"Office move.pdf\",\"" + Sha(Awkward()) + "\"]");
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
    LQtMailServices services;
    LEmailSendProcess message = Message(services, bin, "plan.pdf");
    message.settings.useSendMail = true;
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
