#include "QPUpdatesCommand.h"

#include "QPGanttCommand.h"

#include "LQtMailServices.h"
#include "LQtSettingsStore.h"
#include "framework/LConsoleProcess.h"
#include "mail/LEmailPrintProcess.h"
#include "mail/LEmailSettings.h"
#include "mail/QPStatusUpdates.h"
#include "model/QPProject.h"
#include "model/QPResource.h"

#include <filesystem>

namespace {

// The mail's "\r\n" line ends as a terminal shows lines.
std::string PlainLines(std::string text)
{
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    return text;
}

// Prints one message as it would be sent.
int PrintMessage(std::FILE* out, const QPResource& resource, const std::string& subject,
                 const std::string& body)
{
    const std::string attachment =
            std::filesystem::path(LEmailAttachmentPath(std::string())).filename().string();
    std::fprintf(out, "To: %s\nSubject: %s\nAttachment: %s\n\n%s\n\n", resource.email.c_str(),
                 subject.c_str(), attachment.c_str(), PlainLines(body).c_str());
    return eProcessSucceeded;
}

} // namespace

int RunStatusUpdates(QPProject& project, bool taskUpdates, bool dryRun, std::FILE* out,
                     bool& stateTaken, std::string& error)
{
    stateTaken = false;
    EnsureToolkit();
    LQtSettingsStore store;
    LQtMailServices services;
    QPSendWithChart send;
    if (dryRun) {
        send = [out](LProcessInterface&, const QPResource& resource, const std::string& subject,
                     const std::string& body) {
            return PrintMessage(out, resource, subject, body);
        };
    } else {
        LEmailImportDefaultsOnce(store, services);
        const LEmailSettings settings = LEmailSettings::ReadForSending(store);
        // Mail goes out only once the user has seen and confirmed how it is sent.
        if (!settings.setViewed) {
            error = "the e-mail settings have not been confirmed yet; open Kestrano and "
                    "confirm its \"Email Settings\" first";
            return eProcessFailed;
        }
        send = [&project, &services,
                settings](LProcessInterface& process, const QPResource& resource,
                          const std::string& subject, const std::string& body) {
            LEmailPrintProcess<const QPProject> mail;
            mail.recipient = resource.email.str();
            mail.subject = subject;
            mail.body = body;
            mail.paperSize = 1;
            mail.services = &services;
            mail.settings = settings;
            mail.printable = &project;
            mail.writePDF = [&project](LProcessInterface& reporting, const std::string& path, int) {
                std::string error;
                if (WriteGanttChartPDF(project, path, error))
                    return true;
                reporting.SetError("The Gantt chart could not be attached: " + error);
                return false;
            };
            return Process(process, mail);
        };
    }

    QPUpdateResultMessage message;
    int result = eProcessSucceeded;
    if (taskUpdates) {
        QPTaskUpdateProcessData data(project, send);
        {
            LConsoleProcess process("Sending Task Updates");
            result = Process(process, data);
        }
        if (dryRun) {
            std::fprintf(out, "%d task updates for %d recipients (not sent)\n",
                         int(data.resourceUpdates.size()), data.recipients);
            return result;
        }
        message = QPTaskUpdateConclude(result, data);
        stateTaken = result == eProcessSucceeded;
    } else {
        QPProjectUpdateProcessData data(project, send);
        {
            LConsoleProcess process("Sending Project Updates");
            result = Process(process, data);
        }
        if (dryRun) {
            std::fprintf(out, "%d project updates (not sent)\n", data.emailsGenerated);
            return result;
        }
        message = QPProjectUpdateConclude(result, data);
    }
    // The results as the program shows them.
    std::fprintf(out, "%s\n%s\n", message.title.c_str(), PlainLines(message.message).c_str());
    return result;
}
