#include "mail/QPStatusUpdateExecute.h"

#include "framework/LProcessDialog.h"
#include "framework/LSurface.h"
#include "framework/LUserPrompts.h"
#include "mail/LEmailAttachPDF.h"
#include "mail/LEmailSettings.h"
#include "mail/QPStatusUpdates.h"
#include "model/QPResource.h"
#include "views/QPGanttView.h"

namespace {

// One resource's message with the chart attached: the chart e-mail step, with the
// settings as they are when the message is made.
QPSendWithChart SendWithChart(QPGanttView& ganttView, const LEmailContext& context)
{
    return [&ganttView, context](LProcessInterface& process, const QPResource& resource,
                                 const std::string& subject, const std::string& body) {
        LEmailPrintProcess<QPGanttView> send;
        send.recipient = resource.email.str();
        send.subject = subject;
        send.body = body;
        send.paperSize = LPrint::ePaperLetter;
        send.services = context.mail;
        send.settings = LEmailSettings::ReadForSending(context.settings);
        LEmailAttachPDF(send, ganttView);
        return Process(process, send);
    };
}

void ShowResult(LUserPrompts& prompts, int result, const QPUpdateResultMessage& message)
{
    if (result == eProcessFailed)
        prompts.ShowAlert(message.title, message.message);
    else
        prompts.ShowInformation(message.title, message.message);
}

} // namespace

int QPTaskUpdateExecute(QWidget* window, QPProject& project, QPGanttView& ganttView,
                        const LEmailContext& context)
{
    QPTaskUpdateProcessData data(project, SendWithChart(ganttView, context));
    const int result = ProcessRunAsDialog(window, "Sending Task Updates", data, context.prompts);
    ShowResult(context.prompts, result, QPTaskUpdateConclude(result, data));
    return result;
}

int QPProjectUpdateExecute(QWidget* window, QPProject& project, QPGanttView& ganttView,
                           const LEmailContext& context)
{
    QPProjectUpdateProcessData data(project, SendWithChart(ganttView, context));
    const int result = ProcessRunAsDialog(window, "Sending Project Updates", data, context.prompts);
    ShowResult(context.prompts, result, QPProjectUpdateConclude(result, data));
    return result;
}
