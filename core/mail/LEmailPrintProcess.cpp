#include "mail/LEmailPrintProcess.h"

#include "framework/LFiles.h"
#include "mail/LEmail.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// Removes the attachment however the step ends: the drawing may show a plan the user
// would not leave lying in a shared temporary folder.
class LRemoveFileOnExit {
public:
    explicit LRemoveFileOnExit(const std::string& path) : path_(path) {}
    ~LRemoveFileOnExit() { std::remove(path_.c_str()); }
    LRemoveFileOnExit(const LRemoveFileOnExit&) = delete;
    LRemoveFileOnExit& operator=(const LRemoveFileOnExit&) = delete;

private:
    const std::string& path_;
};

} // namespace

std::string LEmailAttachmentPath(const std::string& baseName)
{
    const std::string folder = LTemporaryFolder();
    // Each sending thread has its own name, so two sends at once never share a file.
    std::string name = baseName.empty() ? "Kestrano" + std::to_string(gettid()) : baseName;
    // The name is also what the recipient sees; a slash would point into a folder that
    // does not exist.
    for (char& c : name)
        if (c == '/')
            c = '-';
    return folder + (folder == "/" ? "" : "/") + name + ".pdf";
}

int ProcessEmailWithPDF(LProcessInterface& process, LEmailPrintProcessBase& send)
{
    process.SetStatus("Sending Email", 0);
    process.SetStatus(LEmailShownText(send.recipient), 1);
    if (process.IsToStop())
        return eProcessCancelled;
    if (!send.writePDF) {
        process.SetError("The attachment could not be made, so the email was not sent.");
        return eProcessFailed;
    }

    const std::string path = LEmailAttachmentPath(send.baseName);
    // A file left behind by an earlier run (or put there by someone else) is not written
    // through: the drawing goes into a new file.
    std::remove(path.c_str());
    const LRemoveFileOnExit removal(path);
    if (!send.writePDF(process, path, send.paperSize))
        return process.IsToStop() ? eProcessCancelled : eProcessFailed;

    LEmailSendProcess message;
    message.recipients = send.recipient;
    message.subject = send.subject;
    message.body = send.body;
    message.attachments = {path};
    message.settings = send.settings;
    message.services = send.services;
    message.timeouts = send.timeouts;
    return Process(process, message);
}
