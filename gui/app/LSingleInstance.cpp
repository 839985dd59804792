#include "LSingleInstance.h"

#include "framework/LArgumentBlock.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

namespace {

constexpr int kSendTimeoutMs = 5000;
constexpr int kDeliveryTimeoutMs = 10000;
// A peer that connects and never completes its block is dropped after this long.
constexpr int kReceiveTimeoutMs = 10000;

} // namespace

LSingleInstance::LSingleInstance(QObject* parent) : QObject(parent) {}

LSingleInstance::~LSingleInstance() = default;

QString LSingleInstance::ChannelName()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(QStringLiteral("Kestrano"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("Kestrano-%1").arg(getuid()));
}

std::vector<std::string> LSingleInstance::AbsoluteFileArguments(std::vector<std::string> arguments)
{
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i].empty())
            continue;
        QString path = QString::fromStdString(arguments[i]);
        if (path.startsWith(QStringLiteral("file:"))) {
            const QUrl url(path);
            if (url.isLocalFile())
                path = url.toLocalFile();
        }
        arguments[i] = QDir::cleanPath(QFileInfo(path).absoluteFilePath()).toStdString();
    }
    return arguments;
}

bool LSingleInstance::HandOver(const QString& channel, const std::vector<std::string>& arguments)
{
    QLocalSocket socket;
    socket.connectToServer(channel);
    if (!socket.waitForConnected(kSendTimeoutMs))
        return false;
    const LByteArray block = LArgumentBlockWrite(arguments);
    socket.write(reinterpret_cast<const char*>(block.data()), static_cast<qint64>(block.size()));
    socket.waitForBytesWritten(kSendTimeoutMs);
    // The receiver closes the connection once it has the whole block; waiting for that
    // keeps this start alive until the running program really has the arguments.
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kDeliveryTimeoutMs);
    return true;
}

bool LSingleInstance::Listen(const QString& channel, ArgumentsHandler handler)
{
    handler_ = std::move(handler);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(channel)) {
        // Nobody answered on the channel (the caller tried HandOver first), so what is
        // there is the socket file of a program that did not end cleanly.
        QLocalServer::removeServer(channel);
        if (!server_->listen(channel))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &LSingleInstance::AcceptConnections);
    return true;
}

void LSingleInstance::AcceptConnections()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadBlock(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kReceiveTimeoutMs, socket, [socket] { socket->abort(); });
        ReadBlock(socket);
    }
}

void LSingleInstance::ReadBlock(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < static_cast<qint64>(kArgumentBlockSize))
        return;
    const QByteArray bytes = socket->read(static_cast<qint64>(kArgumentBlockSize));
    socket->disconnectFromServer();
    const std::optional<std::vector<std::string>> arguments =
            LArgumentBlockRead(LByteArray(bytes.begin(), bytes.end()));
    if (arguments && handler_) {
        // Handled from the event loop, never inside the socket's own notification.
        QTimer::singleShot(0, this, [this, received = *arguments] { handler_(received); });
    }
}
