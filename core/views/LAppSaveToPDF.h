#pragma once

#include "fileformat/LSettings.h"
#include "framework/LFiles.h"
#include "framework/LSurface.h"
#include "framework/LUserPrompts.h"

#include <functional>
#include <memory>
#include <string>

// Creates the document surface that writes a PDF file at a path on a paper size. The file
// is complete, and in place, once the surface's Close() has succeeded.
using LPDFWriterFactory =
        std::function<std::unique_ptr<LSurface>(const std::string& path, int paperSize)>;

// Draws a view into a document from the page's origin.
template <class View>
bool PrintingFunction(LSurface& writer, View& view)
{
    return view.Draw(writer, LMatrix::Identity());
}

// The name the save panel offers: a view that has one of its own gives it
// (GetPDFFileName), others offer none.
template <class View>
std::string LPDFDefaultFileName(const View& view)
{
    if constexpr (requires { view.GetPDFFileName(); })
        return view.GetPDFFileName();
    else
        return {};
}

enum class LSaveToPDFResult { Written, Cancelled, InUse, Failed };

// The export command of a view: ask where, remember the folder, refuse a file another
// program is writing, write the view's pages. `documentsFolder` is where the save panel
// opens the first time.
template <class View>
LSaveToPDFResult LAppSaveToPDF(LUserPrompts& prompts, LSettingsStore& store,
                               const std::string& documentsFolder,
                               const LPDFWriterFactory& createWriter, View& view, int paperSize)
{
    LSettings settings(store);
    LSaveFileRequest request;
    request.title = "Save As PDF";
    request.fileTypeName = "PDF File";
    request.extension = "pdf";
    request.defaultName = LPDFDefaultFileName(view);
    request.folder = settings.GetString("Settings", "SavePDFFolder", documentsFolder).str();
    request.confirmOverwrite = true;
    const std::optional<std::string> path = prompts.AskSaveFile(request);
    if (!path)
        return LSaveToPDFResult::Cancelled;
    settings.SetString("Settings", "SavePDFFolder", LFolderOfPath(*path));

    if (LIsFileInUse(*path)) {
        prompts.ShowAlert("Save to PDF",
                          "The document is in use by another application and cannot be accessed");
        return LSaveToPDFResult::InUse;
    }
    // A file that cannot be written is said so: the user would otherwise look for a file
    // that is not there, or find the previous one and take it for the new.
    std::unique_ptr<LSurface> writer = createWriter(*path, paperSize);
    const bool drawn = writer && PrintingFunction(*writer, view);
    const bool closed = writer && writer->Close();
    if (!drawn || !closed) {
        prompts.ShowAlert("Save to PDF", "The PDF file \"" + *path + "\" could not be written.");
        return LSaveToPDFResult::Failed;
    }
    return LSaveToPDFResult::Written;
}
