#pragma once

#include "model/LDateTime.h"

#include <string>
#include <string_view>
#include <vector>

// The texts of an e-mail as the mail sender writes them: address checks, header values,
// the encoded subject, the multipart boundary, base64 lines, the Date header and the body
// lines of the SMTP dialogue.
struct LEmail {
    // Letters, digits and ! # $ % & ' * + - / = ? ^ _ ` { | } ~.
    static bool IsAtextCharacter(char c);
    // One plausible address, local@domain.tld: one "@" with text before it; a domain of two
    // or more dot-separated labels of letters, digits and hyphens (bytes of non-ASCII
    // letters allowed), no label empty or starting or ending with a hyphen, the last one at
    // least two characters; a local part that neither starts nor ends with a full stop nor
    // has two in a row; no spaces, control characters or the characters that mail headers
    // reserve ("(),:;<>[]\ and the quote) anywhere. The resource editor's check.
    static bool IsValidAddress(std::string_view address);
    // A list of addresses separated by "," or ";" (a single space may follow a separator),
    // each a valid address (above) of atext characters, full stops and its at sign only,
    // every full stop after an atext character. The check of typed-in addresses: the report
    // prompt and the reply address of the e-mail settings.
    static bool ValidateAddress(std::string_view text);
    // One address the mail sender may write between the angle brackets of "MAIL FROM:" and
    // "RCPT TO:", into the From and To headers and onto sendmail's command line: a valid
    // address, or one whose domain names a server with its port ("name@host:2525", the host
    // one or more labels) for direct delivery to it. Everything else, above all a text with
    // a line break, a control character or an angle bracket, could end the command or the
    // header early and make what follows a command or a header of its own.
    static bool IsSendableAddress(std::string_view address);
    // A plain host name: dot-separated labels of letters, digits and hyphens, none empty or
    // starting or ending with a hyphen, 255 characters at most.
    static bool IsHostName(std::string_view name);
};

// A header's value on one line: every control character (below 0x20, and 0x7F) becomes a
// space. A line break inside a value would end the header early and make the rest a header
// or the message text of its own.
std::string LEmailHeaderText(std::string_view text);

// A text from outside the program (a server's reply, a name from a project file or the
// settings) as the user is shown it, in a dialog or on a terminal: control characters (C0,
// DEL and C1) and bytes that are not UTF-8 become U+FFFD, so the text can neither move the
// cursor, retitle the terminal nor fake a line of its own.
std::string LEmailShownText(std::string_view text);

// The name the client greets a server with (HELO and EHLO): `hostName` when it is a plain
// host name (LEmail::IsHostName), "localhost" otherwise.
std::string LEmailHelloName(std::string_view hostName);

// A subject of 7-bit characters unchanged; otherwise "=?utf-8?q?...?=" with every byte that
// is not printable ASCII (and "?", "_", "=", space) as "=XX". At most 259 characters: a
// long subject loses whole characters at its end, and the word stays closed by "?=".
std::string LRFC2047Encode(std::string_view text);

// The first "gc0p4Jq0M2Yt08jU534c<n>" (n from 0 to 99) that the body does not contain; n is
// 99 when all of them occur.
std::string LEmailBoundary(std::string_view body);

// Base64 of up to 57 bytes: one attachment line of at most 76 characters, without its end.
std::string LEmailBase64Line(std::string_view bytes);

// The Date header's value for `when` in local time: "Sun, 06 Dec 2026 15:41:21 +0100"
// (English names; "-" and the offset for zones west of UTC, "+" otherwise).
std::string LEmailDateText(LDateTime when);

// The Content-Type of an attachment by its extension: "audio/wav", "audio/mpeg" or
// "application/octet-stream".
std::string LEmailAttachmentType(std::string_view fileName);

// The body as the SMTP dialogue sends it, one element per send: lines of up to 700
// bytes with their "\r\n" (a bare "\n" or a bare "\r" ends a line too); a longer line
// broken after the last space among its first 700 bytes (or after 700, never inside a
// UTF-8 character, without one), each part with "\r\n"; every line or part that begins
// with a full stop gets a second one, the first line included; a last line without an end
// sent without one.
std::vector<std::string> LEmailBodyLines(std::string_view body);
