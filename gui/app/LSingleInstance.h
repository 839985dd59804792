#pragma once

#include <QObject>

#include <functional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

// One running program per user: the first start listens on a local channel, and a later
// start hands its arguments over that channel and exits, so that a project opened from
// the desktop appears in the window that is already open.
class LSingleInstance : public QObject {
    Q_OBJECT

public:
    using ArgumentsHandler = std::function<void(std::vector<std::string>)>;

    explicit LSingleInstance(QObject* parent = nullptr);
    ~LSingleInstance() override;

    // The channel "Kestrano" in the user's runtime folder, so that two users of one
    // machine never hand their files to each other.
    static QString ChannelName();

    // The file arguments (all after the program's own name) as absolute paths, resolved
    // against this process's working folder: the program that receives them runs in
    // another folder, and keeps the path as the last project for later starts. A "file:"
    // URL becomes its local path.
    static std::vector<std::string> AbsoluteFileArguments(std::vector<std::string> arguments);

    // Sends the arguments to the program listening on `channel`. True when a program took
    // them; false when none is listening.
    static bool HandOver(const QString& channel, const std::vector<std::string>& arguments);

    // Listens on `channel` for the rest of the run; each complete argument block received
    // is passed to `handler` from the event loop. A channel left behind by a program that
    // ended without closing it is taken over. False when the channel cannot be created.
    bool Listen(const QString& channel, ArgumentsHandler handler);

private:
    void AcceptConnections();
    void ReadBlock(QLocalSocket* socket);

    QLocalServer* server_ = nullptr;
    ArgumentsHandler handler_;
};
