#include "LPlatform.h"
#include "app/MainDialog.h"
#include "model/LDateTime.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    LDateTime::InitializeLocalTime();
    QApplication application(argc, argv);
    LPlatformInitialize();
    MainDialog window;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.OpenProjectFile(arguments.at(1).toStdString());
    window.show();
    return application.exec();
}
