#include "app/MainDialog.h"
#include "model/QPProject.h"

#include <QCoreApplication>
#include <QStatusBar>

#include <gtest/gtest.h>

TEST(MainDialog, ShowsTheProjectNameAndTheVersion)
{
    MainDialog window;
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("New Project"));
    EXPECT_EQ(window.statusBar()->currentMessage(), QStringLiteral("Kestrano 1.13"));
    ASSERT_EQ(window.Project().schedules.size(), 1u);
    EXPECT_EQ(window.Project().schedules.front().name, "Default Schedule");

    window.Project().SetName("Harbour Bridge");
    window.UpdateTitle();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Harbour Bridge"));
}

TEST(MainDialog, ApplicationIsNamedForTheSettingsStore)
{
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Kestrano"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Kestrano"));
    EXPECT_EQ(QCoreApplication::applicationVersion(), QStringLiteral("1.13"));
}
