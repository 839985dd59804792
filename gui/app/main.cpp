#include "LPlatform.h"
#include "LQtMailServices.h"
#include "app/LSingleInstance.h"
#include "app/MainDialog.h"
#include "model/LDateTime.h"
#include "model/QPProject.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>

namespace {

// The installed desktop entry's name: the shell groups the window under it and shows its
// icon; on Wayland it is the window's application id.
constexpr const char* kDesktopFileName = "io.github.kestrano.Kestrano";

// The theme's icon when the program is installed, else the one built into the program.
QIcon ApplicationIcon()
{
    QIcon builtIn;
    for (const int size : {16, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QString::fromLatin1(kDesktopFileName), builtIn);
}

} // namespace

int main(int argc, char* argv[])
{
    LDateTime::InitializeLocalTime();
    QApplication application(argc, argv);
    LPlatformInitialize();
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
    QApplication::setWindowIcon(ApplicationIcon());

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
