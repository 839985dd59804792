#pragma once

#include "framework/LProcessInterface.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What the mail sender needs from the system: network connections, the mail exchanger of a
// domain, the local host's name and the sendmail program. The program's implementation
// (platform/LQtMailServices) uses Qt Network and QProcess; tests use loopback servers or
// scripted fakes. Every call that waits does so through the process interface, so the
// progress window stays alive and its "Cancel" ends the wait at once.

// How a transport call ended.
enum class LMailIO {
    ok,
    timedOut, // nothing happened within the time given
    closed,   // the other side closed the connection
    failed,   // the system refused (no route, refused connection, TLS handshake failed, ...)
    cancelled // the user asked to stop during the wait
};

// One connection to a mail server.
class LMailConnection {
public:
    virtual ~LMailConnection() = default;

    // Connects to `host` (a name or an address) on `port`, waiting at most `timeoutMs`.
    virtual LMailIO Connect(LProcessInterface& process, const std::string& host, uint16_t port,
                            int timeoutMs) = 0;
    // Sends all of `bytes`, waiting at most `timeoutMs` until they are handed to the system.
    virtual LMailIO Send(LProcessInterface& process, std::string_view bytes, int timeoutMs) = 0;
    // Appends to `bytes` what has arrived, at most `maxBytes`; waits at most `timeoutMs` for
    // the first byte when nothing is there yet. `ok` means at least one byte was appended.
    virtual LMailIO Receive(LProcessInterface& process, std::string& bytes, std::size_t maxBytes,
                            int timeoutMs) = 0;
    // Turns the open connection into a TLS client connection (no certificate check: mail
    // servers on private networks rarely have one a client could verify), waiting at most
    // `timeoutMs` for the handshake. `failed` when the handshake failed; the connection is
    // then no longer usable for anything but Close.
    virtual LMailIO StartTLS(LProcessInterface& process, int timeoutMs) = 0;
    virtual bool IsEncrypted() const = 0;
    virtual void Close() = 0;
};

// The standard input of a started program (the local sendmail).
class LMailPipe {
public:
    // Destroying a pipe that was not finished stops the program without letting it act on
    // its input: a message cancelled or failed half-way is never sent in part.
    virtual ~LMailPipe() = default;
    // False when the program no longer takes input.
    virtual bool Write(LProcessInterface& process, std::string_view bytes) = 0;
    // Closes the input and waits (at most `timeoutMs`) for the program to end; `ok` when it
    // ended with exit status 0.
    virtual LMailIO Finish(LProcessInterface& process, int timeoutMs) = 0;
};

class LMailServices {
public:
    virtual ~LMailServices() = default;

    virtual std::unique_ptr<LMailConnection> NewConnection() = 0;
    // The first mail exchanger named in the DNS answer for `domain`, whatever its
    // preference; empty when there is none or the lookup failed. `io` tells which (ok with
    // an empty name: the domain has no MX record).
    virtual std::string LookupMailExchanger(LProcessInterface& process, const std::string& domain,
                                            LMailIO& io) = 0;
    // The local host's fully qualified name, for HELO and EHLO.
    virtual std::string LocalHostName() = 0;
    // Whether connections can be encrypted at all (the system's TLS library is there). A
    // send that asks for a secure connection is refused without one instead of going on in
    // the clear.
    virtual bool SupportsTLS() = 0;
    // Starts `program` with `arguments` (searched on PATH), its standard input a pipe;
    // nullptr when it cannot be started.
    virtual std::unique_ptr<LMailPipe> StartProgram(const std::string& program,
                                                    const std::vector<std::string>& arguments) = 0;
    // What the system knows of the user's mail setup, empty when nothing: the SMTP host and
    // the user's own address (imported once into the e-mail settings).
    virtual std::string DefaultSMTPHost() = 0;
    virtual std::string DefaultEmailAddress() = 0;
};
