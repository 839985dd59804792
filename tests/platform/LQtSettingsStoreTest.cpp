#include "LQtSettingsStore.h"

#include "fileformat/LSettings.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

QByteArray FileText(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Lists(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The test's values share the user file with the other widget tests; they go when it ends.
struct LQtSettingsStoreTest : ::testing::Test {
    void TearDown() override { LSettings(store).DeleteSection("QtStoreTest"); }
    LQtSettingsStore store;
};

} // namespace

TEST_F(LQtSettingsStoreTest, KeepsTextsInTheUsersIniFileAtOnce)
{
    const std::string config = qEnvironmentVariable("XDG_CONFIG_HOME").toStdString();
    ASSERT_FALSE(config.empty());
    ASSERT_EQ(store.FileName(), config + "/Kestrano/Kestrano.conf");

    const std::string awkward = "Gr\xC3\xBC\xC3\x9F"
                                "e, \"a\"; b=c @d \\e";
    store.Write("QtStoreTest/Awkward", awkward);
    store.Write("QtStoreTest/Empty", "");
    store.Write("QtStoreTest/Count", "3");
    EXPECT_EQ(store.Read("QtStoreTest/Awkward"), awkward);
    EXPECT_EQ(store.Read("QtStoreTest/Empty"), "");
    EXPECT_EQ(store.Read("QtStoreTest/Missing"), std::nullopt);
    const std::vector<std::string> names = store.FullNames();
    EXPECT_TRUE(Lists(names, "QtStoreTest/Awkward"));
    EXPECT_TRUE(Lists(names, "QtStoreTest/Empty"));

    // Written through to the file without waiting for the store to go away.
    const QByteArray text = FileText(store.FileName());
    EXPECT_TRUE(text.contains("[QtStoreTest]\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nCount=3\n")) << text.toStdString();
    EXPECT_EQ(LQtSettingsStore().Read("QtStoreTest/Awkward"), awkward);

    store.Remove("QtStoreTest/Count");
    EXPECT_EQ(store.Read("QtStoreTest/Count"), std::nullopt);
    EXPECT_EQ(LQtSettingsStore().Read("QtStoreTest/Count"), std::nullopt);
    EXPECT_FALSE(FileText(store.FileName()).contains("Count="));
}

TEST_F(LQtSettingsStoreTest, RemovingOneValueKeepsTheValuesBelowItsName)
{
    store.Write("QtStoreTest/Group", "value");
    store.Write("QtStoreTest/Group/Child", "child");
    store.Remove("QtStoreTest/Group");
    store.Remove("");
    EXPECT_EQ(store.Read("QtStoreTest/Group"), std::nullopt);
    EXPECT_EQ(store.Read("QtStoreTest/Group/Child"), "child");
    EXPECT_EQ(LQtSettingsStore().Read("QtStoreTest/Group/Child"), "child");
}

TEST(LQtSettingsStore, ReadsAFileEditedByHand)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.filePath(QStringLiteral("hand.conf")).toStdString();
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
            "[Settings]\nReportEmail=ana@example.com, bo@example.com\nMainWindowShownAtStartup=0\n"
            "\n[TaskImportCSV]\nCount=2\n");
    file.close();

    LQtSettingsStore hand(path);
    LSettings settings(hand);
    EXPECT_EQ(settings.GetString("Settings", "ReportEmail"), "ana@example.com,bo@example.com");
    EXPECT_FALSE(settings.GetBool("Settings", "MainWindowShownAtStartup", true));
    EXPECT_EQ(LSharedSettingsRecord(hand, "TaskImportCSV").GetInt("Count", -1), 2);
}
