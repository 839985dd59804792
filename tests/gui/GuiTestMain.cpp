// One QApplication for the whole run, offscreen unless chosen otherwise, settings thrown away.

#include "LPlatform.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());

    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    LPlatformInitialize();
    return RUN_ALL_TESTS();
}
