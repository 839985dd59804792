#include "LPlatform.h"
#include "app/LSingleInstance.h"
#include "app/MainDialog.h"
#include "model/LDateTime.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    LDateTime::InitializeLocalTime();
    QApplication application(argc, argv);
    LPlatformInitialize();

    std::vector<std::string> arguments;
    for (const QString& argument : QApplication::arguments())
        arguments.push_back(argument.toStdString());

    // A program already running takes this start's files, and this start ends.
    const QString channel = LSingleInstance::ChannelName();
    if (LSingleInstance::HandOver(channel, arguments))
        return 0;

    MainDialog window;
    LSingleInstance instance;
    instance.Listen(channel, [&window](std::vector<std::string> received) {
        window.EvRunArguments(received);
    });
    window.show();
    window.EvRunArguments(arguments);
    return application.exec();
}
