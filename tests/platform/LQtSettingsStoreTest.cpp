// The user's settings in the program's INI file: written through at once, any text kept as
// it was, and a file edited by hand read as the program reads it.

#include "LQtSettingsStore.h"

#include "fileformat/LSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(QtSettingsStore, KeepsTextsInTheUsersIniFileAtOnce)
{
    LQtSettingsStore store; // $XDG_CONFIG_HOME/Kestrano/Kestrano.conf, as the cli tests find
    const auto file = [&store] {
        QFile ini(QString::fromStdString(store.FileName()));
        return ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray();
    };
    const std::string awkward = "Gr\xC3\xBC\xC3\x9F"
                                "e, \"a\"; b=c @d \\e";
    store.Write("QtStoreTest/Awkward", awkward);
    store.Write("QtStoreTest/Empty", "");
    store.Write("QtStoreTest/Count", "3");
    store.Write("QtStoreTest/Count/Child", "child");
    EXPECT_TRUE(file().contains("[QtStoreTest]\nAwkward=")) << file().data();
    // Removing a value keeps the values below its name.
    store.Remove("QtStoreTest/Count");
    EXPECT_FALSE(file().contains("\nCount="));
    LQtSettingsStore again;
    EXPECT_EQ(again.Read("QtStoreTest/Awkward"), awkward);
    EXPECT_EQ(again.Read("QtStoreTest/Empty"), "");
    EXPECT_EQ(again.Read("QtStoreTest/Count"), std::nullopt);
    EXPECT_EQ(again.Read("QtStoreTest/Count/Child"), "child");
    LSettings(store).DeleteSection("QtStoreTest");
    EXPECT_FALSE(file().contains("QtStoreTest"));

    // By hand, a list of addresses is written without quotes.
    QTemporaryDir folder;
    QFile hand(folder.filePath("hand.conf"));
    ASSERT_TRUE(hand.open(QIODevice::WriteOnly) &&
                hand.write("[Settings]\nReportEmail=ana@example.com, bo@example.com\n") > 0);
    hand.close();
    EXPECT_EQ(LQtSettingsStore(hand.fileName().toStdString()).Read("Settings/ReportEmail"),
              "ana@example.com,bo@example.com");
}
