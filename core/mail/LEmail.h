#pragma once

#include "model/LDateTime.h"

#include <string>
#include <string_view>
#include <vector>

// The texts of an e-mail as the mail sender writes them: address checks, the encoded
// subject, the multipart boundary, base64 lines, the Date header and the body lines of the
// SMTP dialogue.
struct LEmail {
    // Letters, digits and ! # $ % & ' * + - / = ? ^ _ ` { | } ~.
    static bool IsAtextCharacter(char c);
    // A list of addresses separated by "," or ";" (a single space may follow a separator),
    // each with one at sign after an atext character, a full stop after the at sign, every
    // full stop after an atext character, and two characters or more after the last one.
    static bool ValidateAddress(std::string_view text);
};

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
// bytes with their "\r\n" (a bare "\n" ends a line too); a longer line broken after the
// last space among its first 700 bytes (or after 700, never inside a UTF-8 character,
// without one), each part with "\r\n"; every line or part that begins with a full stop
// gets a second one, the first line included; a last line without an end sent without one.
std::vector<std::string> LEmailBodyLines(std::string_view body);
