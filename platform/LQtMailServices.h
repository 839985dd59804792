#pragma once

#include "mail/LMailTransport.h"

// The mail sender's view of the system, on Qt Network and QProcess:
// - connections are QSslSocket objects; STARTTLS goes through Qt's OpenSSL backend without
//   a certificate check;
// - the mail exchanger comes from a QDnsLookup MX query; Qt sorts the answer by
//   preference, so the first record is the most preferred exchanger;
// - the local host's name is the host name with the local domain added when the name has
//   none of its own;
// - TLS is supported when Qt finds its TLS backend and the system's OpenSSL library;
// - programs are found on PATH and then in /usr/sbin, /usr/lib and /sbin, where sendmail
//   lives on most systems but where a user's PATH seldom leads.
//
// Every wait runs a local event loop in short slices and asks the process interface between
// them whether to stop, so the sockets make progress under any runner: the progress window
// (whose Cancel is seen within one slice), the console and the silent base class, whose own
// waits handle no toolkit events. A QCoreApplication must exist; without one every wait
// fails.
//
// Linux keeps no system-wide mail setup: DefaultSMTPHost is always empty and
// DefaultEmailAddress is the EMAIL environment variable (the address inside angle brackets
// when it reads "Name <address>"), as mail programs on Linux use it.
class LQtMailServices final : public LMailServices {
public:
    std::unique_ptr<LMailConnection> NewConnection() override;
    std::string LookupMailExchanger(LProcessInterface& process, const std::string& domain,
                                    LMailIO& io) override;
    std::string LocalHostName() override;
    bool SupportsTLS() override;
    std::unique_ptr<LMailPipe> StartProgram(const std::string& program,
                                            const std::vector<std::string>& arguments) override;
    std::string DefaultSMTPHost() override;
    std::string DefaultEmailAddress() override;
};
