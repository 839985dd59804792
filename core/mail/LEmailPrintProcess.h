#pragma once

#include "framework/LProcessInterface.h"
#include "mail/LEmailSendProcess.h"

#include <functional>
#include <string>

// An e-mail with a drawing attached as PDF: the Gantt chart of status updates and chart
// mail, or a report. The drawing is written into the temporary folder just before sending
// and removed afterwards, whatever the outcome.
struct LEmailPrintProcessBase {
    std::string recipient;
    std::string subject;
    std::string body;
    // The attachment's name without ".pdf"; empty: "Kestrano<thread number>".
    std::string baseName;
    // One of the printing framework's paper sizes (1: US Letter).
    int paperSize = 1;
    LMailServices* services = nullptr;
    LEmailSettings settings;
    LEmailTimeouts timeouts;
    // Writes the drawing as PDF to the path; false when that failed (the reason already
    // reported through the process interface).
    std::function<bool(LProcessInterface& process, const std::string& path, int paperSize)>
            writePDF;
};

template <class Printable>
struct LEmailPrintProcess : LEmailPrintProcessBase {
    Printable* printable = nullptr;
};

// Shows "Sending Email" and the recipient; stops at once when the user cancelled; writes
// the PDF, sends it (LEmailSendProcess), deletes the file and returns the sending result.
int ProcessEmailWithPDF(LProcessInterface& process, LEmailPrintProcessBase& send);

template <class Printable>
int Process(LProcessInterface& process, LEmailPrintProcess<Printable>& send)
{
    return ProcessEmailWithPDF(process, send);
}

// The temporary path of an attachment: "<temp folder>/<base name>.pdf", or
// "<temp folder>/Kestrano<thread number>.pdf" for an empty base name.
std::string LEmailAttachmentPath(const std::string& baseName);
