#pragma once

// The other ends that the mail tests talk to: a real SMTP server (Debian's aiosmtpd, run by
// /usr/bin/python3), a scripted server inside the test for the replies real ones rarely
// give, a listener that never accepts, and process interfaces that stop on cue and keep
// what they were told.

#include "framework/LProcessInterface.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QProcess;

namespace mailtest {

// Empty when /usr/bin/python3 with aiosmtpd and openssl are all there; otherwise why the
// tests that need them are skipped.
std::string MissingPeers();

// The folder of the test's Python scripts.
std::string ScriptsFolder();

// A process interface that keeps every error and status text and asks to stop once
// `stopAfterMs` have passed since it was made (never when negative).
class RecordingProcess : public LProcessInterface {
public:
    explicit RecordingProcess(int stopAfterMs = -1);

    bool IsToStop() override;
    void SetError(std::string_view text) override { errors.emplace_back(text); }
    void SetStatus(std::string_view text, int line) override
    {
        statuses.emplace_back(std::to_string(line < 1 ? 0 : 1) + ":" + std::string(text));
    }
    void SetProgress(double fraction) override { progress.push_back(fraction); }

    // The milliseconds since the interface was made.
    long Elapsed() const { return static_cast<long>(clock_.elapsed()); }

    std::vector<std::string> errors;
    std::vector<std::string> statuses;
    std::vector<double> progress;

private:
    QElapsedTimer clock_;
    int stopAfterMs_;
};

// A message the real server accepted.
struct ReceivedMail {
    QByteArray content; // as it arrived, after DATA's dot-unstuffing
    std::string mailFrom;
    std::vector<std::string> recipients;
    bool encrypted = false;
    std::string login; // empty: not logged in
};

// aiosmtpd on loopback, for as long as the object lives.
class RealSMTPServer {
public:
    struct Options {
        bool startTLS = false;
        std::string user; // empty: no AUTH LOGIN
        std::string password;
    };

    RealSMTPServer();
    ~RealSMTPServer();
    RealSMTPServer(const RealSMTPServer&) = delete;
    RealSMTPServer& operator=(const RealSMTPServer&) = delete;

    // Empty when the server runs; otherwise why it does not.
    std::string Start(const Options& options);
    uint16_t Port() const { return port_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    // The messages received so far, in order.
    std::vector<ReceivedMail> Messages() const;

private:
    QTemporaryDir folder_;
    std::unique_ptr<QProcess> server_;
    uint16_t port_ = 0;
};

// What Python's email package makes of a message (parse_message.py).
struct ParsedMail {
    int defects = -1;
    std::map<std::string, std::string> headers;
    struct Part {
        std::string type;
        std::string fileName;
        long size = 0;
        std::string sha256;
    };
    std::vector<Part> parts;
};
ParsedMail ParseWithPython(const QByteArray& message);

std::string Sha256(const QByteArray& bytes);

// An SMTP server scripted by the test, on loopback, in the test's own thread (the waits of
// the code under test run its events). By default it goes through a whole conversation
// with success; `replies` changes the answer to a command, keyed by its first word in
// capitals ("EHLO", "MAIL", "RCPT", "DATA", "STARTTLS", "QUIT", "AUTH"), "LOGIN-DATA" for
// the lines answering a 334, and "." for the end of the message. A list of several replies
// gives them in turn and repeats the last. A reply "" answers nothing; "<close>" hangs up.
// For a hostile server, `script` answers every command instead, `dripMs` slows everything
// it writes to a byte at a time, and `hangUpInDataAfterLines` leaves in the middle of a
// message.
class FakeSMTPServer {
public:
    struct Session;

    FakeSMTPServer();

    uint16_t Port() const { return server_.serverPort(); }
    std::string Address() const { return "127.0.0.1:" + std::to_string(Port()); }

    std::string greeting = "220 scripted.test ready\r\n";
    std::map<std::string, std::deque<std::string>> replies;
    // When set, every piece of bytes that arrives is answered with this instead, whatever it
    // holds: a server that does not understand what it is sent.
    std::string answerToAnything;
    // When set, the answer to every command (keyed as above), in place of `replies`.
    std::function<std::string(Session& session, const std::string& key)> script;
    // When above 0, everything the server writes goes out a byte at a time, this many
    // milliseconds apart.
    int dripMs = 0;
    // When above 0, the server hangs up once this many lines of a message have come.
    std::size_t hangUpInDataAfterLines = 0;

    struct Session {
        std::vector<std::string> lines; // every line the client sent, without its CR LF
        QByteArray raw;                 // every byte the client sent
        bool inData = false;
        bool afterChallenge = false;
        std::size_t dataLines = 0;
        std::map<std::string, std::size_t> asked; // how often each command came
        // Each command's key and the reply it got, in order.
        std::vector<std::pair<std::string, std::string>> answers;
        // Whether the server took a message: it answered a message's end with 250.
        bool TookAMessage() const;
    };
    // One per connection, in the order they came.
    std::vector<Session> sessions;
    // The commands of all sessions, one string each ("RCPT TO:<a@b.c>"), message lines left
    // out.
    std::vector<std::string> Commands() const;

private:
    void Accept();
    void Serve(QTcpSocket* socket, std::size_t session);
    std::string Reply(Session& session, const std::string& key);
    void Write(QTcpSocket* socket, const std::string& bytes);

    QTcpServer server_;
    std::vector<QByteArray> pending_;
};

// A listening socket whose queue of connections waiting to be accepted is full, so a
// further connection attempt is never answered and can only time out.
class UnansweringListener {
public:
    UnansweringListener();
    ~UnansweringListener();
    UnansweringListener(const UnansweringListener&) = delete;
    UnansweringListener& operator=(const UnansweringListener&) = delete;

    // 0 when the queue could not be filled.
    uint16_t Port() const { return port_; }

private:
    int listener_ = -1;
    std::vector<int> fillers_;
    uint16_t port_ = 0;
};

} // namespace mailtest
