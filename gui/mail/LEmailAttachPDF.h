#pragma once

#include "framework/LSurface.h"
#include "mail/LEmailPrintProcess.h"
#include "views/LAppSaveToPDF.h"

#include <functional>
#include <string>

// Writes one PDF file at `path` on the paper `paperSize` with `draw`, through the PDF
// writer, so that the attachment looks exactly like the exported file. False, with the
// reason reported through `process`, when the file could not be written.
bool LEmailWritePDF(LProcessInterface& process, const std::string& path, int paperSize,
                    const std::function<bool(LSurface& writer)>& draw);

// Makes `printable` (the Gantt chart, a report's pages) the attachment of `send`: it is
// drawn with its PrintingFunction when the sending process writes the PDF. The printable
// must outlive the sending.
template <class Printable>
void LEmailAttachPDF(LEmailPrintProcess<Printable>& send, Printable& printable)
{
    send.printable = &printable;
    send.writePDF = [&printable](LProcessInterface& process, const std::string& path,
                                 int paperSize) {
        return LEmailWritePDF(process, path, paperSize, [&printable](LSurface& writer) {
            return PrintingFunction(writer, printable);
        });
    };
}
