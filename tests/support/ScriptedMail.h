#pragma once

// A mail system played from a script, for tests of anything that sends e-mail.
//
// ScriptedMailServices stands in for the program's mail services. Tests say which servers
// take connections (Listen), what each of them answers (a ScriptedMailServer: replies in
// order, whatever the client sent), which mail exchangers DNS names, and whether the
// sendmail program starts. Afterwards they read what happened: the connection attempts,
// every byte each server received, TLS starts, lookups, programs started and the bytes
// written to them.
//
//     ScriptedMailServices mail;
//     mail.Listen("smtp.example.com", 587).Reply("220 ready\r\n").Reply("250 hello\r\n");
//     ... send ...
//     EXPECT_EQ(mail.servers[0]->Transcript(), "HELO client.example\r\n...");
//
// Like the program's transport, every call that would wait ends with "cancelled" when the
// process interface reports a stop; RecordingMailProcess below can be told to stop.

#include "framework/LProcessInterface.h"
#include "mail/LMailTransport.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A process interface that keeps everything a process function reported, and whose user
// presses "Cancel" when the test says so: at once (stop = true) or once the progress bar
// has passed a mark.
class RecordingMailProcess : public LProcessInterface {
public:
    bool IsToStop() override { return stop; }
    bool ProcessWait(int) override { return IsToStop(); }
    bool ProcessWaitSignal(LProcessSignal& signal, int) override
    {
        return !signal.IsSet() && IsToStop();
    }
    void SetError(std::string_view text) override { errors.emplace_back(text); }
    void SetStatus(std::string_view text, int line) override
    {
        statuses.emplace_back(line < 1 ? 0 : 1, std::string(text));
    }
    void SetProgress(double fraction) override
    {
        progress.push_back(fraction);
        stop = stop || fraction > stopAboveProgress;
    }

    // The status texts shown on one line, in order.
    std::vector<std::string> StatusesOnLine(int line) const
    {
        std::vector<std::string> texts;
        for (const auto& [at, text] : statuses)
            if (at == line)
                texts.push_back(text);
        return texts;
    }
    std::string LastError() const { return errors.empty() ? std::string() : errors.back(); }

    bool stop = false;
    double stopAboveProgress = 2.0;
    std::vector<std::pair<int, std::string>> statuses;
    std::vector<double> progress;
    std::vector<std::string> errors;
};

// One server on one connection: its script and what it received.
class ScriptedMailServer {
public:
    struct Sent {
        std::string bytes;
        int timeoutMs = 0;
        bool encrypted = false; // sent after a successful StartTLS
    };
    struct Received {
        std::size_t maxBytes = 0;
        int timeoutMs = 0;
    };

    // Bytes the client receives next (split over several Receive calls when it asks for
    // fewer at a time).
    ScriptedMailServer& Reply(std::string bytes)
    {
        steps_.push_back({std::move(bytes), LMailIO::ok, {}});
        return *this;
    }
    // The next wait for a reply ends with `io` (timedOut, closed, failed, cancelled).
    ScriptedMailServer& Then(LMailIO io)
    {
        steps_.push_back({{}, io, {}});
        return *this;
    }
    // Runs `action` when the client next waits for a reply, before anything else is
    // delivered: to press "Cancel" while the client waits, for example.
    ScriptedMailServer& Do(std::function<void()> action)
    {
        steps_.push_back({{}, LMailIO::ok, std::move(action)});
        return *this;
    }
    // How the TLS handshake ends (ok unless told).
    ScriptedMailServer& TLS(LMailIO io)
    {
        tlsResult = io;
        return *this;
    }
    // The `index`th Send (from 0) ends with `io` instead of being taken.
    ScriptedMailServer& FailSend(std::size_t index, LMailIO io)
    {
        sendFailure = {index, io};
        return *this;
    }

    // Everything the client sent, joined.
    std::string Transcript() const
    {
        std::string all;
        for (const Sent& one : sent)
            all += one.bytes;
        return all;
    }
    // The transcript cut into lines at "\r\n" (the line ends are dropped).
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines(1);
        for (const char c : Transcript())
            if ((lines.back() += c).ends_with("\r\n")) {
                lines.back().resize(lines.back().size() - 2);
                lines.emplace_back();
            }
        if (lines.back().empty())
            lines.pop_back();
        return lines;
    }
    // The lines that are SMTP commands, up to DATA and after the message's end: the
    // dialogue without the message.
    std::vector<std::string> Commands() const
    {
        std::vector<std::string> commands;
        bool inData = false;
        for (const std::string& line : Lines()) {
            if (inData) {
                inData = line != ".";
                continue;
            }
            commands.push_back(line);
            inData = line == "DATA";
        }
        return commands;
    }
    // The replies not yet taken.
    std::size_t StepsLeft() const { return steps_.size(); }

    // Filled as the client works.
    std::string host;
    uint16_t port = 0;
    std::vector<Sent> sent;
    std::vector<Received> receives;
    bool tlsStarted = false;
    bool encrypted = false;
    bool closed = false;

    LMailIO tlsResult = LMailIO::ok;
    std::optional<std::pair<std::size_t, LMailIO>> sendFailure;

private:
    friend class ScriptedMailConnection;
    struct Step {
        std::string bytes;
        LMailIO io = LMailIO::ok;
        std::function<void()> action;
    };
    std::deque<Step> steps_;
};

// The client end of a connection; tests do not use it directly.
class ScriptedMailConnection : public LMailConnection {
public:
    using Connector = std::function<std::pair<LMailIO, std::shared_ptr<ScriptedMailServer>>(
            const std::string& host, uint16_t port, int timeoutMs)>;
    explicit ScriptedMailConnection(Connector connector) : connector_(std::move(connector)) {}

    LMailIO Connect(LProcessInterface& process, const std::string& host, uint16_t port,
                    int timeoutMs) override
    {
        if (process.IsToStop())
            return LMailIO::cancelled;
        auto [io, server] = connector_(host, port, timeoutMs);
        server_ = std::move(server);
        return io;
    }
    LMailIO Send(LProcessInterface& process, std::string_view bytes, int timeoutMs) override
    {
        if (!server_ || server_->closed)
            return LMailIO::failed;
        if (process.IsToStop())
            return LMailIO::cancelled;
        const std::size_t index = sends_++;
        if (server_->sendFailure && server_->sendFailure->first == index)
            return server_->sendFailure->second;
        server_->sent.push_back({std::string(bytes), timeoutMs, server_->encrypted});
        return LMailIO::ok;
    }
    LMailIO Receive(LProcessInterface& process, std::string& bytes, std::size_t maxBytes,
                    int timeoutMs) override
    {
        if (!server_ || server_->closed)
            return LMailIO::failed;
        server_->receives.push_back({maxBytes, timeoutMs});
        auto& steps = server_->steps_;
        while (!steps.empty() && steps.front().action) {
            const std::function<void()> action = std::move(steps.front().action);
            steps.pop_front();
            action();
        }
        if (process.IsToStop())
            return LMailIO::cancelled;
        if (steps.empty())
            return LMailIO::closed; // the server said all it had to say and hung up
        ScriptedMailServer::Step& step = steps.front();
        if (step.io != LMailIO::ok) {
            const LMailIO io = step.io;
            steps.pop_front();
            return io;
        }
        const std::size_t taken = std::min(maxBytes, step.bytes.size());
        bytes.append(step.bytes, 0, taken);
        step.bytes.erase(0, taken);
        if (step.bytes.empty())
            steps.pop_front();
        return LMailIO::ok;
    }
    LMailIO StartTLS(LProcessInterface& process, int) override
    {
        if (!server_ || server_->closed)
            return LMailIO::failed;
        if (process.IsToStop())
            return LMailIO::cancelled;
        server_->tlsStarted = true;
        server_->encrypted = server_->tlsResult == LMailIO::ok;
        return server_->tlsResult;
    }
    bool IsEncrypted() const override { return server_ && server_->encrypted; }
    void Close() override
    {
        if (server_)
            server_->closed = true;
    }
    ~ScriptedMailConnection() override { Close(); }

private:
    Connector connector_;
    std::shared_ptr<ScriptedMailServer> server_;
    std::size_t sends_ = 0;
};

// The sendmail program's standard input.
struct ScriptedMailPipeRecord {
    std::string program;
    std::vector<std::string> arguments;
    std::string input;
    bool finished = false;  // Finish was called: the message was handed over
    bool abandoned = false; // dropped without Finish: the program was stopped
    LMailIO finishResult = LMailIO::ok;
};

class ScriptedMailPipe : public LMailPipe {
public:
    explicit ScriptedMailPipe(std::shared_ptr<ScriptedMailPipeRecord> record)
        : record_(std::move(record))
    {}
    ~ScriptedMailPipe() override
    {
        if (!record_->finished)
            record_->abandoned = true;
    }
    bool Write(LProcessInterface&, std::string_view bytes) override
    {
        record_->input += bytes;
        return true;
    }
    LMailIO Finish(LProcessInterface& process, int) override
    {
        if (process.IsToStop())
            return LMailIO::cancelled;
        record_->finished = true;
        return record_->finishResult;
    }

private:
    std::shared_ptr<ScriptedMailPipeRecord> record_;
};

class ScriptedMailServices : public LMailServices {
public:
    struct Attempt {
        std::string host;
        uint16_t port = 0;
        int timeoutMs = 0;
        LMailIO result = LMailIO::ok;
    };

    // A server that takes the next connection to host:port. Several for the same place
    // take successive connections, in the order they were added.
    ScriptedMailServer& Listen(const std::string& host, uint16_t port)
    {
        auto server = std::make_shared<ScriptedMailServer>();
        server->host = host;
        server->port = port;
        listening_[{host, port}].push_back(server);
        return *server;
    }
    // How connections to a place where nobody listens end (failed unless told).
    void Unreachable(const std::string& host, uint16_t port, LMailIO io)
    {
        unreachable_[{host, port}] = io;
    }

    std::unique_ptr<LMailConnection> NewConnection() override
    {
        return std::make_unique<ScriptedMailConnection>(
                [this](const std::string& host, uint16_t port, int timeoutMs) {
                    return Accept(host, port, timeoutMs);
                });
    }
    std::string LookupMailExchanger(LProcessInterface& process, const std::string& domain,
                                    LMailIO& io) override
    {
        lookups.push_back(domain);
        if (process.IsToStop()) {
            io = LMailIO::cancelled;
            return {};
        }
        io = LMailIO::ok;
        const auto found = mailExchangers.find(domain);
        return found == mailExchangers.end() ? std::string() : found->second;
    }
    std::string LocalHostName() override { return localHostName; }
    bool SupportsTLS() override { return supportsTLS; }
    std::unique_ptr<LMailPipe> StartProgram(const std::string& program,
                                            const std::vector<std::string>& arguments) override
    {
        auto record = std::make_shared<ScriptedMailPipeRecord>();
        record->program = program;
        record->arguments = arguments;
        record->finishResult = finishResult;
        programs.push_back(record);
        if (!programStarts)
            return nullptr;
        return std::make_unique<ScriptedMailPipe>(record);
    }
    std::string DefaultSMTPHost() override { return defaultSMTPHost; }
    std::string DefaultEmailAddress() override { return defaultEmailAddress; }

    // The connections accepted, in order.
    std::vector<std::shared_ptr<ScriptedMailServer>> servers;
    // Every Connect, accepted or not.
    std::vector<Attempt> attempts;
    // Domain -> the mail exchanger DNS names first; a domain not listed has none.
    std::map<std::string, std::string> mailExchangers;
    std::vector<std::string> lookups;
    std::string localHostName = "client.example";
    bool supportsTLS = true;
    // sendmail: whether it starts, how it ends, and every start (started or not).
    bool programStarts = true;
    LMailIO finishResult = LMailIO::ok;
    std::vector<std::shared_ptr<ScriptedMailPipeRecord>> programs;
    std::string defaultSMTPHost;
    std::string defaultEmailAddress;

private:
    std::pair<LMailIO, std::shared_ptr<ScriptedMailServer>> Accept(const std::string& host,
                                                                   uint16_t port, int timeoutMs)
    {
        auto& waiting = listening_[{host, port}];
        if (waiting.empty()) {
            const auto unreachable = unreachable_.find({host, port});
            const LMailIO io =
                    unreachable == unreachable_.end() ? LMailIO::failed : unreachable->second;
            attempts.push_back({host, port, timeoutMs, io});
            return {io, nullptr};
        }
        std::shared_ptr<ScriptedMailServer> server = waiting.front();
        waiting.pop_front();
        servers.push_back(server);
        attempts.push_back({host, port, timeoutMs, LMailIO::ok});
        return {LMailIO::ok, server};
    }

    std::map<std::pair<std::string, uint16_t>, std::deque<std::shared_ptr<ScriptedMailServer>>>
            listening_;
    std::map<std::pair<std::string, uint16_t>, LMailIO> unreachable_;
};

// The replies of a server that takes a message without objection: greeting, HELO or
// EHLO, MAIL FROM, one RCPT TO per recipient, DATA, the message's end and QUIT.
inline ScriptedMailServer& AcceptMessage(ScriptedMailServer& server, int recipients = 1)
{
    server.Reply("220 mx.example ESMTP ready\r\n").Reply("250 mx.example\r\n").Reply("250 OK\r\n");
    for (int i = 0; i < recipients; ++i)
        server.Reply("250 Accepted\r\n");
    return server.Reply("354 Go ahead\r\n").Reply("250 Queued\r\n").Reply("221 Bye\r\n");
}
