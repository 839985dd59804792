#include "LQtMailServices.h"

#include "LEventLoopWaker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDnsLookup>
#include <QEventLoop>
#include <QHostInfo>
#include <QProcess>
#include <QSslSocket>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include <algorithm>

namespace {

// How often a wait looks up from its event loop to ask the runner whether to stop.
constexpr int kWaitSliceMs = 50;
// The resolver has time-outs of its own; this only keeps a lost answer from hanging a send.
constexpr int kLookupTimeoutMs = 30000;
// The program's input is held back once this much is waiting for it, so a large attachment
// never sits in memory whole while a slow program reads it.
constexpr qint64 kPipeBacklogBytes = 64 * 1024;
// A program that takes none of its input for this long is taken as stuck.
constexpr int kPipeStallMs = 60000;

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStdString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

QDeadlineTimer Deadline(int timeoutMs)
{
    if (timeoutMs < 0)
        return QDeadlineTimer(QDeadlineTimer::Forever);
    return QDeadlineTimer(timeoutMs, Qt::PreciseTimer);
}

// The time left as a wait takes it: -1 for no limit, else at least 0.
int Remaining(const QDeadlineTimer& deadline)
{
    if (deadline.isForever())
        return -1;
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

// Waits until a member of `group` is set (ok), `timeoutMs` have passed (timedOut; negative:
// no limit) or the runner is asked to stop (cancelled). The runner's own wait is called
// with no time at all between slices: it sees a stop at once and lets the progress window
// handle what is queued for it. The slices themselves run the toolkit's events, which the
// console and the silent runner would otherwise never deliver to the sockets.
LMailIO WaitFor(LProcessInterface& process, LProcessSignalGroup& group, int timeoutMs)
{
    if (!QCoreApplication::instance())
        return LMailIO::failed;
    const QDeadlineTimer deadline = Deadline(timeoutMs);
    for (;;) {
        if (process.ProcessWaitSignalObjectGroup(group, 0))
            return LMailIO::cancelled;
        if (group.IsAnySet())
            return LMailIO::ok;
        const int left = Remaining(deadline);
        if (left == 0)
            return LMailIO::timedOut;
        LEventLoopWaker waker;
        QTimer slice;
        slice.setSingleShot(true);
        slice.setTimerType(Qt::PreciseTimer);
        QObject::connect(&slice, &QTimer::timeout, &waker.loop, [&waker] { waker.Wake(); });
        slice.start(left < 0 ? kWaitSliceMs : std::min(left, kWaitSliceMs));
        LProcessSignalWatch watch(group.Signals(), waker);
        waker.loop.exec();
        if (!waker.woken)
            return LMailIO::cancelled;
    }
}

class LQtMailConnection final : public LMailConnection {
public:
    LQtMailConnection();
    ~LQtMailConnection() override { Close(); }

    LMailIO Connect(LProcessInterface& process, const std::string& host, uint16_t port,
                    int timeoutMs) override;
    LMailIO Send(LProcessInterface& process, std::string_view bytes, int timeoutMs) override;
    LMailIO Receive(LProcessInterface& process, std::string& bytes, std::size_t maxBytes,
                    int timeoutMs) override;
    LMailIO StartTLS(LProcessInterface& process, int timeoutMs) override;
    bool IsEncrypted() const override { return socket_.isEncrypted(); }
    void Close() override;

private:
    // Why the connection can no longer be used.
    LMailIO Broken() const;

    QSslSocket socket_;
    LProcessSignal connected_;
    LProcessSignal readable_;
    LProcessSignal written_;
    LProcessSignal encrypted_;
    LProcessSignal closed_;
    LProcessSignal failed_;
    QAbstractSocket::SocketError error_ = QAbstractSocket::UnknownSocketError;
};

LQtMailConnection::LQtMailConnection()
{
    QObject::connect(&socket_, &QSslSocket::connected, [this] { connected_.Set(); });
    QObject::connect(&socket_, &QSslSocket::readyRead, [this] { readable_.Set(); });
    QObject::connect(&socket_, &QSslSocket::bytesWritten, [this] { written_.Set(); });
    QObject::connect(&socket_, &QSslSocket::encryptedBytesWritten, [this] { written_.Set(); });
    QObject::connect(&socket_, &QSslSocket::encrypted, [this] { encrypted_.Set(); });
    QObject::connect(&socket_, &QSslSocket::disconnected, [this] { closed_.Set(); });
    QObject::connect(&socket_, &QSslSocket::errorOccurred,
                     [this](QAbstractSocket::SocketError error) {
                         // The first error says why; the ones after it follow from it.
                         if (!failed_.IsSet())
                             error_ = error;
                         failed_.Set();
                     });
    // Mail servers on private networks seldom have a certificate a client could check, so
    // none is checked; this only keeps a handshake from stopping to ask.
    QObject::connect(&socket_, &QSslSocket::sslErrors, [this] { socket_.ignoreSslErrors(); });
}

LMailIO LQtMailConnection::Broken() const
{
    if (failed_.IsSet() && error_ != QAbstractSocket::RemoteHostClosedError) {
        if (error_ == QAbstractSocket::SocketTimeoutError)
            return LMailIO::timedOut;
        return LMailIO::failed;
    }
    if (closed_.IsSet() || failed_.IsSet())
        return LMailIO::closed;
    return LMailIO::failed;
}

LMailIO LQtMailConnection::Connect(LProcessInterface& process, const std::string& host,
                                   uint16_t port, int timeoutMs)
{
    socket_.abort();
    for (LProcessSignal* signal :
         {&connected_, &readable_, &written_, &encrypted_, &closed_, &failed_})
        signal->Reset();
    error_ = QAbstractSocket::UnknownSocketError;
    socket_.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket_.connectToHost(ToQString(host), port);
    LProcessSignalGroup group{&connected_, &closed_, &failed_};
    const LMailIO io = WaitFor(process, group, timeoutMs);
    if (io != LMailIO::ok) {
        socket_.abort();
        return io;
    }
    if (connected_.IsSet() && socket_.state() == QAbstractSocket::ConnectedState)
        return LMailIO::ok;
    const LMailIO broken = Broken();
    socket_.abort();
    return broken;
}

LMailIO LQtMailConnection::Send(LProcessInterface& process, std::string_view bytes, int timeoutMs)
{
    if (socket_.state() != QAbstractSocket::ConnectedState)
        return Broken();
    if (bytes.empty())
        return LMailIO::ok;
    const qint64 size = static_cast<qint64>(bytes.size());
    if (socket_.write(bytes.data(), size) != size)
        return Broken();
    const QDeadlineTimer deadline = Deadline(timeoutMs);
    LProcessSignalGroup group{&written_, &closed_, &failed_};
    while (socket_.bytesToWrite() > 0 || socket_.encryptedBytesToWrite() > 0) {
        if (closed_.IsSet() || failed_.IsSet())
            return Broken();
        written_.Reset();
        const LMailIO io = WaitFor(process, group, Remaining(deadline));
        if (io != LMailIO::ok)
            return io;
    }
    return LMailIO::ok;
}

LMailIO LQtMailConnection::Receive(LProcessInterface& process, std::string& bytes,
                                   std::size_t maxBytes, int timeoutMs)
{
    const QDeadlineTimer deadline = Deadline(timeoutMs);
    LProcessSignalGroup group{&readable_, &closed_, &failed_};
    for (;;) {
        readable_.Reset();
        // What arrived before the other side closed is still read first: a server may
        // answer with its reason and hang up at once.
        const qint64 available = socket_.bytesAvailable();
        if (available > 0) {
            const qint64 limit = static_cast<qint64>(std::clamp<std::size_t>(maxBytes, 1, 1 << 30));
            const qint64 wanted = std::min(available, limit);
            const std::size_t before = bytes.size();
            bytes.resize(before + static_cast<std::size_t>(wanted));
            const qint64 got = socket_.read(bytes.data() + before, wanted);
            bytes.resize(before + static_cast<std::size_t>(std::max<qint64>(got, 0)));
            if (got > 0)
                return LMailIO::ok;
        }
        if (socket_.state() != QAbstractSocket::ConnectedState || closed_.IsSet() ||
            failed_.IsSet())
            return Broken();
        const LMailIO io = WaitFor(process, group, Remaining(deadline));
        if (io != LMailIO::ok)
            return io;
    }
}

LMailIO LQtMailConnection::StartTLS(LProcessInterface& process, int timeoutMs)
{
    if (socket_.isEncrypted())
        return LMailIO::ok;
    if (socket_.state() != QAbstractSocket::ConnectedState)
        return Broken();
    if (!QSslSocket::supportsSsl())
        return LMailIO::failed;
    // Anything the server sent after its go-ahead came before the encryption and could have
    // been put there by someone in between; it must not pass for an encrypted reply.
    socket_.readAll();
    encrypted_.Reset();
    socket_.startClientEncryption();
    LProcessSignalGroup group{&encrypted_, &closed_, &failed_};
    const LMailIO io = WaitFor(process, group, timeoutMs);
    if (io != LMailIO::ok) {
        socket_.abort();
        return io;
    }
    if (encrypted_.IsSet() && socket_.isEncrypted() && !failed_.IsSet())
        return LMailIO::ok;
    // A server that hangs up in the middle of the handshake has refused it all the same.
    socket_.abort();
    return LMailIO::failed;
}

void LQtMailConnection::Close()
{
    if (socket_.state() == QAbstractSocket::UnconnectedState)
        return;
    socket_.flush();
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        socket_.abort();
}

class LQtMailPipe final : public LMailPipe {
public:
    LQtMailPipe();
    ~LQtMailPipe() override;

    bool Start(const QString& path, const QStringList& arguments);
    bool Write(LProcessInterface& process, std::string_view bytes) override;
    LMailIO Finish(LProcessInterface& process, int timeoutMs) override;

private:
    QProcess program_;
    LProcessSignal written_;
    LProcessSignal inputClosed_;
    LProcessSignal finished_;
};

LQtMailPipe::LQtMailPipe()
{
    QObject::connect(&program_, &QProcess::bytesWritten, [this] { written_.Set(); });
    QObject::connect(&program_, &QProcess::finished, [this] { finished_.Set(); });
    QObject::connect(&program_, &QProcess::errorOccurred, [this](QProcess::ProcessError error) {
        if (error == QProcess::WriteError)
            inputClosed_.Set();
    });
}

LQtMailPipe::~LQtMailPipe()
{
    if (program_.state() != QProcess::NotRunning) {
        program_.kill();
        program_.waitForFinished(1000);
    }
}

bool LQtMailPipe::Start(const QString& path, const QStringList& arguments)
{
    // The program's answers are of no use to the sender, which judges by the exit status;
    // its complaints go where the program's own user would see them.
    program_.setStandardOutputFile(QProcess::nullDevice());
    program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program_.start(path, arguments);
    return program_.waitForStarted(10000);
}

bool LQtMailPipe::Write(LProcessInterface& process, std::string_view bytes)
{
    if (program_.state() != QProcess::Running || inputClosed_.IsSet() || finished_.IsSet())
        return false;
    const qint64 size = static_cast<qint64>(bytes.size());
    if (size > 0 && program_.write(bytes.data(), size) != size)
        return false;
    LProcessSignalGroup group{&written_, &inputClosed_, &finished_};
    while (program_.bytesToWrite() > kPipeBacklogBytes) {
        written_.Reset();
        const LMailIO io = WaitFor(process, group, kPipeStallMs);
        // A stop is the caller's to see at its next poll; what was written stays queued.
        if (io == LMailIO::cancelled)
            return true;
        if (io != LMailIO::ok || inputClosed_.IsSet() || finished_.IsSet())
            return false;
    }
    return true;
}

LMailIO LQtMailPipe::Finish(LProcessInterface& process, int timeoutMs)
{
    program_.closeWriteChannel();
    LProcessSignalGroup group{&finished_};
    if (program_.state() != QProcess::NotRunning) {
        const LMailIO io = WaitFor(process, group, timeoutMs);
        if (io != LMailIO::ok)
            return io;
    }
    const bool succeeded =
            program_.exitStatus() == QProcess::NormalExit && program_.exitCode() == 0;
    return succeeded ? LMailIO::ok : LMailIO::failed;
}

// The program's path: on PATH first, then where system mail programs live.
QString FindProgram(const std::string& program)
{
    const QString name = ToQString(program);
    if (name.isEmpty())
        return {};
    if (name.contains(QLatin1Char('/')))
        return name;
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(
                name,
                {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/lib"), QStringLiteral("/sbin")});
    return path;
}

} // namespace

std::unique_ptr<LMailConnection> LQtMailServices::NewConnection()
{
    return std::make_unique<LQtMailConnection>();
}

std::string LQtMailServices::LookupMailExchanger(LProcessInterface& process,
                                                 const std::string& domain, LMailIO& io)
{
    QDnsLookup lookup(QDnsLookup::MX, ToQString(domain));
    LProcessSignal finished;
    QObject::connect(&lookup, &QDnsLookup::finished, [&finished] { finished.Set(); });
    lookup.lookup();
    LProcessSignalGroup group{&finished};
    io = WaitFor(process, group, kLookupTimeoutMs);
    if (io != LMailIO::ok) {
        lookup.abort();
        return {};
    }
    switch (lookup.error()) {
    case QDnsLookup::NoError:
        break;
    case QDnsLookup::NotFoundError:
        // The domain has no mail exchanger: the sender goes to the domain itself.
        return {};
    default:
        io = LMailIO::failed;
        return {};
    }
    const QList<QDnsMailExchangeRecord> records = lookup.mailExchangeRecords();
    if (records.isEmpty())
        return {};
    QString exchanger = records.first().exchange();
    while (exchanger.endsWith(QLatin1Char('.')))
        exchanger.chop(1);
    return ToStdString(exchanger);
}

std::string LQtMailServices::LocalHostName()
{
    QString name = QHostInfo::localHostName();
    if (name.isEmpty())
        name = QStringLiteral("localhost");
    // A host name set with its domain is already fully qualified; a bare one gets the
    // resolver's local domain, where one is configured.
    const QString domain = QHostInfo::localDomainName();
    if (!domain.isEmpty() && !name.contains(QLatin1Char('.')))
        name += QLatin1Char('.') + domain;
    return ToStdString(name);
}

bool LQtMailServices::SupportsTLS()
{
    return QSslSocket::supportsSsl();
}

std::unique_ptr<LMailPipe> LQtMailServices::StartProgram(const std::string& program,
                                                         const std::vector<std::string>& arguments)
{
    const QString path = FindProgram(program);
    if (path.isEmpty())
        return nullptr;
    QStringList list;
    for (const std::string& argument : arguments)
        list.append(ToQString(argument));
    auto pipe = std::make_unique<LQtMailPipe>();
    if (!pipe->Start(path, list))
        return nullptr;
    return pipe;
}

std::string LQtMailServices::DefaultSMTPHost()
{
    return {};
}

std::string LQtMailServices::DefaultEmailAddress()
{
    QString address = qEnvironmentVariable("EMAIL").trimmed();
    const qsizetype open = address.lastIndexOf(QLatin1Char('<'));
    const qsizetype close = address.lastIndexOf(QLatin1Char('>'));
    if (open >= 0 && close > open)
        address = address.mid(open + 1, close - open - 1).trimmed();
    return ToStdString(address);
}
