#pragma once

// A mail system played from a script: servers that answer in order whatever they are sent,
// mail exchangers, a sendmail program; afterwards tests read every attempt, byte, lookup and
// program input. Like the program's transport, every call that would wait ends "cancelled"
// when the process interface reports a stop.

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
// presses "Cancel" when the test says so: at once (stop) or once the progress bar has
// passed a mark.
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
    // Bytes the client receives next, split over several reads when it asks for fewer.
    ScriptedMailServer& Reply(std::string bytes)
    {
        return Add({std::move(bytes), LMailIO::ok, {}});
    }
    // Replies separated by "|", each given its "\r\n"; "\n" inside one makes a multi-line
    // reply.
    ScriptedMailServer& Script(const std::string& replies)
    {
        std::string reply;
        for (const char c : replies + "|")
            if (c == '|')
                Reply(std::exchange(reply, {}) + "\r\n");
            else
                reply += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return *this;
    }
    // The next wait for a reply ends with `io` (timedOut, closed, failed, cancelled).
    ScriptedMailServer& Then(LMailIO io) { return Add({{}, io, {}}); }
    // Runs `action` when the client next waits for a reply, before anything is delivered:
    // to press "Cancel" meanwhile, for example.
    ScriptedMailServer& Do(std::function<void()> action)
    {
        return Add({{}, LMailIO::ok, std::move(action)});
    }

    // Everything the client sent, joined.
    std::string Transcript() const
    {
        std::string all;
        for (const Sent& one : sent)
            all += one.bytes;
        return all;
    }
    // The SMTP commands, each line without its "\r\n", leaving out the message between DATA
    // and its end.
    std::vector<std::string> Commands() const
    {
        std::vector<std::string> commands;
        bool inData = false;
        const std::string all = Transcript();
        for (std::size_t at = 0, end; (end = all.find("\r\n", at)) != std::string::npos;
             at = end + 2) {
            const std::string line = all.substr(at, end - at);
            if (!inData)
                commands.push_back(line);
            inData = inData ? line != "." : line == "DATA";
        }
        return commands;
    }
    // The replies not yet taken.
    std::size_t StepsLeft() const { return steps_.size(); }

    // Filled as the client works; each Receive's (maxBytes, timeoutMs).
    std::vector<Sent> sent;
    std::vector<std::pair<std::size_t, int>> receives;
    bool encrypted = false, closed = false;
    // How the TLS handshake ends, and which Send (from 0) fails how.
    LMailIO tlsResult = LMailIO::ok;
    std::optional<std::pair<std::size_t, LMailIO>> sendFailure;

private:
    friend class ScriptedMailConnection;
    struct Step {
        std::string bytes;
        LMailIO io = LMailIO::ok;
        std::function<void()> action;
    };
    ScriptedMailServer& Add(Step step)
    {
        steps_.push_back(std::move(step));
        return *this;
    }
    std::deque<Step> steps_;
};

// The client end of a connection; tests do not use it directly.
class ScriptedMailConnection : public LMailConnection {
public:
    using Accept = std::function<std::shared_ptr<ScriptedMailServer>(const std::string& host,
                                                                     uint16_t port, int ms)>;
    explicit ScriptedMailConnection(Accept accept) : accept_(std::move(accept)) {}
    ~ScriptedMailConnection() override { Close(); }
    LMailIO Connect(LProcessInterface& process, const std::string& host, uint16_t port,
                    int timeoutMs) override
    {
        if (process.IsToStop())
            return LMailIO::cancelled;
        server_ = accept_(host, port, timeoutMs);
        return server_ ? LMailIO::ok : LMailIO::failed;
    }
    LMailIO Send(LProcessInterface& process, std::string_view bytes, int timeoutMs) override
    {
        LMailIO io = Usable(process);
        if (io == LMailIO::ok && server_->sendFailure && server_->sendFailure->first == sends_++)
            io = server_->sendFailure->second;
        else if (io == LMailIO::ok)
            server_->sent.push_back({std::string(bytes), timeoutMs, server_->encrypted});
        return io;
    }
    LMailIO Receive(LProcessInterface& process, std::string& bytes, std::size_t maxBytes,
                    int timeoutMs) override
    {
        if (!server_ || server_->closed)
            return LMailIO::failed;
        server_->receives.emplace_back(maxBytes, timeoutMs);
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
        const LMailIO io = step.io;
        const std::size_t taken = std::min(maxBytes, step.bytes.size());
        bytes.append(step.bytes, 0, taken);
        step.bytes.erase(0, taken);
        if (step.bytes.empty())
            steps.pop_front();
        return io;
    }
    LMailIO StartTLS(LProcessInterface& process, int) override
    {
        const LMailIO io = Usable(process);
        if (io != LMailIO::ok)
            return io;
        server_->encrypted = server_->tlsResult == LMailIO::ok;
        return server_->tlsResult;
    }
    bool IsEncrypted() const override { return server_ && server_->encrypted; }
    void Close() override
    {
        if (server_)
            server_->closed = true;
    }

private:
    LMailIO Usable(LProcessInterface& process) const
    {
        return !server_ || server_->closed ? LMailIO::failed
               : process.IsToStop()        ? LMailIO::cancelled
                                           : LMailIO::ok;
    }
    Accept accept_;
    std::shared_ptr<ScriptedMailServer> server_;
    std::size_t sends_ = 0;
};

// A run of the sendmail program and its standard input.
struct ScriptedMailPipeRecord {
    std::string program;
    std::vector<std::string> arguments;
    std::string input;
    bool finished = false; // Finish was called: the message was handed over; without, the
                           // program is stopped when the pipe goes, and sends nothing
    LMailIO finishResult = LMailIO::ok;
};

struct ScriptedMailPipe : LMailPipe {
    explicit ScriptedMailPipe(std::shared_ptr<ScriptedMailPipeRecord> r) : record(std::move(r)) {}
    bool Write(LProcessInterface&, std::string_view bytes) override
    {
        record->input += bytes;
        return true;
    }
    LMailIO Finish(LProcessInterface& process, int) override
    {
        if (process.IsToStop())
            return LMailIO::cancelled;
        record->finished = true;
        return record->finishResult;
    }
    std::shared_ptr<ScriptedMailPipeRecord> record;
};

class ScriptedMailServices : public LMailServices {
public:
    struct Attempt {
        std::string host;
        uint16_t port = 0;
        int timeoutMs = 0;
    };
    // A server that takes the next connection to host:port; several for the same place take
    // successive connections in the order they were added. Elsewhere connections fail.
    ScriptedMailServer& Listen(const std::string& host, uint16_t port)
    {
        return *listening_[{host, port}].emplace_back(std::make_shared<ScriptedMailServer>());
    }
    std::unique_ptr<LMailConnection> NewConnection() override
    {
        return std::make_unique<ScriptedMailConnection>(
                [this](const auto&... where) { return Accept(where...); });
    }
    std::string LookupMailExchanger(LProcessInterface& process, const std::string& domain,
                                    LMailIO& io) override
    {
        lookups.push_back(domain);
        io = process.IsToStop() ? LMailIO::cancelled : LMailIO::ok;
        const auto found = mailExchangers.find(domain);
        return found == mailExchangers.end() || io != LMailIO::ok ? "" : found->second;
    }
    std::string LocalHostName() override { return localHostName; }
    bool SupportsTLS() override { return supportsTLS; }
    std::unique_ptr<LMailPipe> StartProgram(const std::string& program,
                                            const std::vector<std::string>& arguments) override
    {
        programs.push_back(std::make_shared<ScriptedMailPipeRecord>(
                ScriptedMailPipeRecord{program, arguments, {}, false, finishResult}));
        return programStarts ? std::make_unique<ScriptedMailPipe>(programs.back()) : nullptr;
    }
    std::string DefaultSMTPHost() override { return defaultSMTPHost; }
    std::string DefaultEmailAddress() override { return defaultEmailAddress; }

    // The next server listening at host:port, taken; none when nobody listens there.
    std::shared_ptr<ScriptedMailServer> Accept(const std::string& host, uint16_t port,
                                               int timeoutMs)
    {
        attempts.push_back({host, port, timeoutMs});
        auto& waiting = listening_[{host, port}];
        if (waiting.empty())
            return nullptr;
        servers.push_back(waiting.front());
        waiting.pop_front();
        return servers.back();
    }

    // The connections accepted, in order, and every Connect, accepted or not.
    std::vector<std::shared_ptr<ScriptedMailServer>> servers;
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
    std::string defaultSMTPHost, defaultEmailAddress;

private:
    std::map<std::pair<std::string, uint16_t>, std::deque<std::shared_ptr<ScriptedMailServer>>>
            listening_;
};
