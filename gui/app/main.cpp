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
    window.show();
    return application.exec();
}
