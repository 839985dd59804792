#include "QPUpdatesCommand.h"

#include "QPGanttCommand.h"

#include "LQtMailServices.h"
#include "LQtSettingsStore.h"
#include "framework/LConsoleProcess.h"
#include "mail/LEmail.h"
#include "mail/LEmailPrintProcess.h"
#include "mail/LEmailSettings.h"
#include "mail/QPStatusUpdates.h"
#include "model/QPProject.h"
#include "model/QPResource.h"

#include <filesystem>

namespace {

// A mail text as a terminal shows it: "\r\n" and "\n" end lines, and every line is made
// safe to print, since names and addresses come from the project file and a control
// character in one could move the cursor or retitle the terminal.
std::string ShownLines(std::string_view text)
{
    std::string shown;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        shown += LEmailShownText(line);
        if (newline != std::string_view::npos)
            shown += '\n';
    }
    return shown;
}

// Prints one message as it would be sent.
int PrintMessage(std::FILE* out, const QPResource& resource, const std::string& subject,
                 const std::string& body)
{
    const std::string attachment =
            std::filesystem::path(LEmailAttachmentPath(std::string())).filename().string();
    std::fprintf(out, "To: %s\nSubject: %s\nAttachment: %s\n\n%s\n\n",
                 LEmailShownText(resource.email.str()).c_str(), LEmailShownText(subject).c_str(),
                 attachment.c_str(), ShownLines(body).c_str());
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
    std::fprintf(out, "%s\n%s\n", message.title.c_str(), ShownLines(message.message).c_str());
    return result;
}
