#include "LPlatform.h"
#include "LQtMailServices.h"
#include "app/LSingleInstance.h"
#include "app/MainDialog.h"
#include "model/LDateTime.h"
#include "model/QPProject.h"

#include <QApplication>
#include <QSessionManager>

int main(int argc, char* argv[])
{
    LDateTime::InitializeLocalTime();
    QApplication application(argc, argv);
    LPlatformInitialize();

    std::vector<std::string> arguments;
    for (const QString& argument : QApplication::arguments())
        arguments.push_back(argument.toStdString());
    arguments = LSingleInstance::AbsoluteFileArguments(std::move(arguments));

    // A program already running takes this start's files, and this start ends.
    const QString channel = LSingleInstance::ChannelName();
    if (LSingleInstance::HandOver(channel, arguments))
        return 0;

    // The window makes its own settings store, prompts and editors; mail goes through the
    // system's network and sendmail.
    LQtMailServices mail;
    MainDialogServices services;
    services.mail = &mail;
    MainDialog window(services);
    LSingleInstance instance;
    instance.Listen(channel, [&window](std::vector<std::string> received) {
        window.EvRunArguments(received);
    });
    // Logging out asks about unsaved changes as closing the window does; answering
    // "Cancel" keeps the session.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager& manager) {
                         if (!window.Project().IsProjectDirty())
                             return;
                         if (manager.allowsInteraction()) {
                             if (!window.ApproveSessionEnd())
                                 manager.cancel();
                             manager.release();
                         }
                     });
    window.show();
    window.EvRunArguments(arguments);
    return application.exec();
}
