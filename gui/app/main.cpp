#include "LPlatform.h"
#include "app/MainDialog.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    LPlatformInitialize();
    MainDialog window;
    window.show();
    return application.exec();
}
