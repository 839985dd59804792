#pragma once

#include "framework/LProcessInterface.h"
#include "mail/LEmailSettings.h"
#include "model/LDateTime.h"

#include <string>
#include <vector>

class LMailServices;

// How long each step of sending may wait, in milliseconds. Tests shorten them.
struct LEmailTimeouts {
    int connect = 15000;       // the configured server
    int connectPort25 = 5000;  // its retry on port 25
    int connectDirect = 20000; // a recipient domain's mail exchanger
    int reply = 40000;         // each server reply, from the command to its last line
    int command = 20000;       // commands, header blocks, base64 lines
    int bodyLine = 30000;      // body lines
    int sendmail = 60000;      // the sendmail program's end after its input is closed
};

// One e-mail to send: recipients (several separated by commas), subject, body with "\r\n"
// line ends and attachment files, with the sender's settings read when it was made. Every
// address must pass LEmail::IsSendableAddress: a recipient that does not is refused with a
// text that names it and the message goes to the others; a reply address that does not
// stops the send.
struct LEmailSendProcess {
    std::string recipients;
    std::string subject;
    std::string body;
    std::vector<std::string> attachments;
    LEmailSettings settings; // LEmailSettings::ReadForSending
    LMailServices* services = nullptr;
    LEmailTimeouts timeouts;
    // The Date header's moment; unset: now.
    LDateTime date;
};

// Sends the message by the method the settings choose: the sendmail program, the SMTP
// server (with its fallback to direct delivery), or direct delivery. Shows "To: ..." and
// "Preparing message", reports failures through the process interface. Returns an
// LProcessResult.
int Process(LProcessInterface& process, LEmailSendProcess& message);

// The sendmail method.
struct LEmailSendProcessSendMail {
    const LEmailSendProcess& message;
};
int Process(LProcessInterface& process, LEmailSendProcessSendMail& send);

// The SMTP and direct methods: without a host, direct delivery.
struct EmailSMTPSendProcess {
    const LEmailSendProcess& message;
    std::string host;     // host or host:port; empty: direct delivery
    std::string userName; // empty: no authentication
    std::string password;
    bool fallbackPermitted; // go on by direct delivery when the host cannot be reached
    // The host only over STARTTLS: EHLO, STARTTLS and EHLO again before anything else. A
    // host that does not offer it, refuses it or fails the handshake gets neither the
    // login nor the message. Direct delivery never asks for it.
    bool useTLS;
};

int Process(LProcessInterface& process, EmailSMTPSendProcess& send);

// What the user is told, by the sender and by "Email Settings" alike, when the system has
// no TLS support and a secure connection is asked for.
inline constexpr const char* kEmailNoTLSSupportTitle = "Secure Connection";
inline constexpr const char* kEmailNoTLSSupport =
        "This computer has no support for secure connections (the OpenSSL library is not "
        "installed), so email cannot be sent with \"Use secure connection (SSL/TLS)\" on. "
        "Install OpenSSL (on Debian, the package libssl3) or turn the secure connection off in "
        "Email Settings.";
