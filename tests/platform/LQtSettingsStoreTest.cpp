// The user's settings in the INI file kept for the program: written through at once, any
// text kept as it was, and a file edited by hand read as the program reads it.

#include "LQtSettingsStore.h"

#include "fileformat/LSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QByteArray FileText(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(QtSettingsStore, KeepsTextsInTheUsersIniFileAtOnce)
{
    LQtSettingsStore store;
    ASSERT_EQ(store.FileName(),
              qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/Kestrano/Kestrano.conf");
    const std::string awkward = "Gr\xC3\xBC\xC3\x9F"
                                "e, \"a\"; b=c @d \\e";
    store.Write("QtStoreTest/Awkward", awkward);
    store.Write("QtStoreTest/Empty", "");
    store.Write("QtStoreTest/Count", "3");
    store.Write("QtStoreTest/Count/Child", "child");
    EXPECT_TRUE(FileText(store.FileName()).contains("[QtStoreTest]\n"));
    EXPECT_TRUE(FileText(store.FileName()).contains("\nCount=3\n"));
    // Removing a value keeps the values below its name.
    store.Remove("QtStoreTest/Count");
    EXPECT_FALSE(FileText(store.FileName()).contains("\nCount="));
    LQtSettingsStore again;
    EXPECT_EQ(again.Read("QtStoreTest/Awkward"), awkward);
    EXPECT_EQ(again.Read("QtStoreTest/Empty"), "");
    EXPECT_EQ(again.Read("QtStoreTest/Count"), std::nullopt);
    EXPECT_EQ(again.Read("QtStoreTest/Count/Child"), "child");
    const std::vector<std::string> names = again.FullNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "QtStoreTest/Empty"), 1);
    LSettings(store).DeleteSection("QtStoreTest");
    EXPECT_FALSE(FileText(store.FileName()).contains("QtStoreTest"));

    QTemporaryDir folder;
    const std::string path = folder.filePath("hand.conf").toStdString();
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\nReportEmail=ana@example.com, bo@example.com\n"
               "MainWindowShownAtStartup=0\n\n[TaskImportCSV]\nCount=2\n");
    file.close();
    LQtSettingsStore hand(path);
    LSettings settings(hand);
    EXPECT_EQ(settings.GetString("Settings", "ReportEmail"), "ana@example.com,bo@example.com");
    EXPECT_FALSE(settings.GetBool("Settings", "MainWindowShownAtStartup", true));
    EXPECT_EQ(LSharedSettingsRecord(hand, "TaskImportCSV").GetInt("Count", -1), 2);
}
