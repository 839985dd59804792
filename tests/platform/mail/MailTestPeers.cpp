#include "platform/mail/MailTestPeers.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>

namespace mailtest {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

// Runs a helper quietly; true when it ended with status 0.
bool Runs(const QString& program, const QStringList& arguments, int timeoutMs = 10000)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::string FindMissingPeers()
{
    if (!QFileInfo(kPython).isExecutable())
        return "/usr/bin/python3 is not installed";
    if (!Runs(kPython, {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")}))
        return "Debian's python3-aiosmtpd is not installed (scripts/install-deps.sh installs it)";
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
        return "the openssl command is not installed (scripts/install-deps.sh installs it)";
    return {};
}

// A self-signed certificate for the STARTTLS server, made once for the whole run.
QString CertificateFolder()
{
    static QTemporaryDir folder;
    static const bool made =
            Runs(QStringLiteral("openssl"),
                 {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                  QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                  QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                  QStringLiteral("-keyout"), folder.filePath(QStringLiteral("key.pem")),
                  QStringLiteral("-out"), folder.filePath(QStringLiteral("cert.pem")),
                  QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                  QStringLiteral("/CN=localhost")});
    return made ? folder.path() : QString();
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string DefaultReply(FakeSMTPServer::Session& session, const std::string& key)
{
    if (key == "EHLO")
        return "250-scripted.test\r\n250 AUTH LOGIN";
    if (key == "HELO")
        return "250 scripted.test";
    if (key == "MAIL" || key == "RCPT" || key == "RSET" || key == "NOOP")
        return "250 OK";
    if (key == "DATA")
        return "354 End data with <CR><LF>.<CR><LF>";
    if (key == ".")
        return "250 OK queued";
    if (key == "QUIT")
        return "221 Bye";
    if (key == "AUTH")
        return "334 VXNlcm5hbWU6";
    if (key == "LOGIN-DATA")
        return session.asked[key] % 2 == 1 ? "334 UGFzc3dvcmQ6" : "235 Authenticated";
    if (key == "STARTTLS")
        return "454 TLS not available";
    return "500 Command unrecognized";
}

} // namespace

std::string MissingPeers()
{
    static const std::string missing = FindMissingPeers();
    return missing;
}

std::string ScriptsFolder()
{
    return KESTRANO_MAIL_SCRIPTS_DIR;
}

RecordingProcess::RecordingProcess(int stopAfterMs) : stopAfterMs_(stopAfterMs)
{
    clock_.start();
}

bool RecordingProcess::IsToStop()
{
    return stopAfterMs_ >= 0 && clock_.elapsed() >= stopAfterMs_;
}

RealSMTPServer::RealSMTPServer() = default;

RealSMTPServer::~RealSMTPServer()
{
    if (!server_ || server_->state() == QProcess::NotRunning)
        return;
    // The server ends when its input closes; a stuck one is killed.
    server_->closeWriteChannel();
    if (!server_->waitForFinished(3000)) {
        server_->kill();
        server_->waitForFinished(1000);
    }
}

std::string RealSMTPServer::Start(const Options& options)
{
    if (const std::string missing = MissingPeers(); !missing.empty())
        return missing;
    QStringList arguments{QString::fromStdString(ScriptsFolder() + "/smtp_server.py"),
                          QStringLiteral("--folder"), folder_.path()};
    if (options.startTLS) {
        const QString certificates = CertificateFolder();
        if (certificates.isEmpty())
            return "openssl could not make a certificate";
        arguments << QStringLiteral("--cert") << certificates + QStringLiteral("/cert.pem")
                  << QStringLiteral("--key") << certificates + QStringLiteral("/key.pem");
    }
    if (!options.user.empty())
        arguments << QStringLiteral("--user") << QString::fromStdString(options.user)
                  << QStringLiteral("--password") << QString::fromStdString(options.password);
    server_ = std::make_unique<QProcess>();
    server_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_->start(kPython, arguments);
    if (!server_->waitForStarted(5000))
        return "the SMTP server did not start";
    const QDeadlineTimer deadline(10000);
    while (!server_->canReadLine() && !deadline.hasExpired())
        if (!server_->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
    port_ = server_->readLine().trimmed().toUShort();
    return port_ != 0 ? std::string() : "the SMTP server printed no port";
}

std::vector<ReceivedMail> RealSMTPServer::Messages() const
{
    std::vector<ReceivedMail> messages;
    for (int n = 1;; ++n) {
        QFile facts(folder_.filePath(QStringLiteral("%1.json").arg(n)));
        QFile content(folder_.filePath(QStringLiteral("%1.eml").arg(n)));
        if (!facts.open(QIODevice::ReadOnly) || !content.open(QIODevice::ReadOnly))
            break;
        const QJsonObject object = QJsonDocument::fromJson(facts.readAll()).object();
        ReceivedMail mail;
        mail.content = content.readAll();
        mail.mailFrom = object.value(QStringLiteral("mail_from")).toString().toStdString();
        for (const QJsonValue& recipient : object.value(QStringLiteral("rcpt_tos")).toArray())
            mail.recipients.push_back(recipient.toString().toStdString());
        mail.encrypted = object.value(QStringLiteral("tls")).toBool();
        mail.login = object.value(QStringLiteral("login")).toString().toStdString();
        messages.push_back(std::move(mail));
    }
    return messages;
}

ParsedMail ParseWithPython(const QByteArray& message)
{
    ParsedMail parsed;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("message.eml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(message) != message.size())
        return parsed;
    file.close();
    QProcess parser;
    parser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    parser.start(kPython, {QString::fromStdString(ScriptsFolder() + "/parse_message.py"), path});
    if (!parser.waitForFinished(10000) || parser.exitCode() != 0)
        return parsed;
    const QList<QByteArray> lines = parser.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        std::vector<std::string> fields;
        for (const QByteArray& field : line.split('\t'))
            fields.push_back(field.toStdString());
        if (fields[0] == "defects" && fields.size() == 2) {
            parsed.defects = std::stoi(fields[1]);
        } else if (fields[0] == "header" && fields.size() == 3) {
            parsed.headers[fields[1]] = fields[2];
        } else if (fields[0] == "part" && fields.size() == 5) {
            parsed.parts.push_back({fields[1], fields[2], std::stol(fields[3]), fields[4]});
        }
    }
    return parsed;
}

std::string Sha256(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

FakeSMTPServer::FakeSMTPServer()
{
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] { Accept(); });
}

std::vector<std::string> FakeSMTPServer::Commands() const
{
    std::vector<std::string> commands;
    for (const Session& session : sessions) {
        bool inData = false;
        for (const std::string& line : session.lines) {
            if (inData) {
                inData = line != ".";
                continue;
            }
            commands.push_back(line);
            inData = Upper(line) == "DATA";
        }
    }
    return commands;
}

namespace {

// The last line of a reply, which carries its code as the client reads it.
std::string_view LastLine(const std::string& reply)
{
    std::string_view text(reply);
    if (text.ends_with("\r\n"))
        text.remove_suffix(2);
    const std::size_t last = text.rfind('\n');
    return last == std::string_view::npos ? text : text.substr(last + 1);
}

} // namespace

bool FakeSMTPServer::Session::TookAMessage() const
{
    for (const auto& [key, reply] : answers)
        if (key == "." && LastLine(reply).starts_with("250"))
            return true;
    return false;
}

void FakeSMTPServer::Accept()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        sessions.emplace_back();
        pending_.emplace_back();
        const std::size_t index = sessions.size() - 1;
        QObject::connect(socket, &QTcpSocket::readyRead,
                         [this, socket, index] { Serve(socket, index); });
        if (!greeting.empty())
            Write(socket, greeting);
    }
}

void FakeSMTPServer::Write(QTcpSocket* socket, const std::string& bytes)
{
    if (dripMs <= 0) {
        socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
        return;
    }
    // A timer of the socket's own hands out one byte each tick from what is waiting.
    auto* waiting = socket->findChild<QTimer*>();
    if (!waiting) {
        waiting = new QTimer(socket);
        waiting->setInterval(dripMs);
        QObject::connect(waiting, &QTimer::timeout, socket, [socket, waiting] {
            QByteArray queued = waiting->property("queued").toByteArray();
            if (queued.isEmpty() || socket->state() != QAbstractSocket::ConnectedState) {
                waiting->stop();
                return;
            }
            socket->write(queued.left(1));
            waiting->setProperty("queued", queued.mid(1));
        });
    }
    waiting->setProperty("queued", waiting->property("queued").toByteArray() +
                                           QByteArray::fromStdString(bytes));
    if (!waiting->isActive())
        waiting->start();
}

void FakeSMTPServer::Serve(QTcpSocket* socket, std::size_t index)
{
    const QByteArray data = socket->readAll();
    sessions[index].raw += data;
    if (!answerToAnything.empty()) {
        Write(socket, answerToAnything);
        return;
    }
    QByteArray& pending = pending_[index];
    pending += data;
    for (;;) {
        const qsizetype end = pending.indexOf('\n');
        if (end < 0)
            return;
        QByteArray line = pending.left(end);
        pending.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        Session& session = sessions[index];
        const std::string text = line.toStdString();
        session.lines.push_back(text);
        std::string key;
        if (session.inData) {
            if (text != ".") {
                if (hangUpInDataAfterLines > 0 && ++session.dataLines >= hangUpInDataAfterLines) {
                    socket->disconnectFromHost();
                    return;
                }
                continue;
            }
            session.inData = false;
            key = ".";
        } else if (session.afterChallenge) {
            key = "LOGIN-DATA";
        } else {
            key = Upper(text.substr(0, text.find(' ')));
        }
        ++session.asked[key];
        std::string reply = Reply(session, key);
        session.answers.emplace_back(key, reply);
        // Whether a challenge or the message follows is what the client reads from the
        // reply's last line.
        session.afterChallenge = LastLine(reply).starts_with("334");
        session.inData = key == "DATA" && LastLine(reply).starts_with("354");
        const bool hangUp = reply.ends_with("<close>");
        if (hangUp)
            reply.resize(reply.size() - 7);
        if (!reply.empty()) {
            if (!reply.ends_with("\r\n"))
                reply += "\r\n";
            Write(socket, reply);
        }
        if (hangUp) {
            socket->disconnectFromHost();
            return;
        }
    }
}

std::string FakeSMTPServer::Reply(Session& session, const std::string& key)
{
    if (script)
        return script(session, key);
    const auto scripted = replies.find(key);
    if (scripted == replies.end() || scripted->second.empty())
        return DefaultReply(session, key);
    std::string reply = scripted->second.front();
    if (scripted->second.size() > 1)
        scripted->second.pop_front();
    return reply;
}

UnansweringListener::UnansweringListener()
{
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 0) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    // The kernel completes connections for the queue on its own, without an accept; once
    // the queue is full it drops further attempts, which then wait for an answer in vain.
    for (int i = 0; i < 16; ++i) {
        const int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (filler < 0)
            return;
        fillers_.push_back(filler);
        connect(filler, reinterpret_cast<sockaddr*>(&address), length);
        pollfd done{filler, POLLOUT, 0};
        if (poll(&done, 1, 200) == 0) {
            port_ = ntohs(address.sin_port);
            return;
        }
    }
}

UnansweringListener::~UnansweringListener()
{
    for (int filler : fillers_)
        close(filler);
    if (listener_ >= 0)
        close(listener_);
}

} // namespace mailtest
