#include "fileformat/LSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct LSettingsTest : ::testing::Test {
    LMemorySettingsStore store;
    LSettings settings{store};
};

} // namespace

TEST_F(LSettingsTest, TextsAreStoredUnderTheFullNameAndCutTo259Bytes)
{
    EXPECT_EQ(LSettingsFullName("A/B", "C"), "A/B/C");
    settings.SetString("Settings", "ReportEmail", "ana@example.com");
    EXPECT_EQ(store.Read("Settings/ReportEmail"), "ana@example.com");
    EXPECT_EQ(settings.GetString("Settings/", "ReportEmail"), "ana@example.com");
    EXPECT_EQ(settings.GetString("Settings", "ReportFax", "none"), "none");
    EXPECT_EQ(settings.GetString("settings", "ReportEmail"), "");
    // An empty text is a value, not a missing one.
    settings.SetString("Settings", "ReportEmail", "");
    EXPECT_EQ(settings.GetString("Settings", "ReportEmail", "none"), "");
    // 258 ASCII bytes and then "é" (two bytes): the cut at 259 would split it.
    const std::string stored = std::string(258, 'x') + "\xC3\xA9" + "tail";
    settings.SetString("Settings", "LastProjectFilePath", stored);
    EXPECT_EQ(store.Read("Settings/LastProjectFilePath"), stored);
    EXPECT_EQ(settings.GetString("Settings", "LastProjectFilePath").str(), std::string(258, 'x'));
    EXPECT_EQ(settings.GetString("Settings", "Missing", std::string(300, 'd')).size(), 259u);
}

// Booleans are read by their first character, integers from their leading number.
TEST_F(LSettingsTest, BooleansAndIntegersFromTheirText)
{
    settings.SetBool("ToolBarState", "Main", true);
    settings.SetBool("ToolBarState", "Format", false);
    settings.SetInt("MainWindow", "X", -42);
    EXPECT_EQ(store.Read("ToolBarState/Main"), "1");
    EXPECT_EQ(store.Read("ToolBarState/Format"), "0");
    EXPECT_EQ(store.Read("MainWindow/X"), "-42");
    // Stored (nullptr: nothing); read as a boolean defaulting to true, to false; as an int.
    const std::tuple<const char*, bool, bool, int> cases[] = {
            {nullptr, true, false, 77}, {"", true, false, 77},
            {"0", false, false, 0},     {"0x1", false, false, 0},
            {"1", true, true, 1},       {"no", true, true, 0},
            {" 0", true, true, 0},      {"  12", true, true, 12},
            {"+7", true, true, 7},      {"640px", true, true, 640},
            {"3.9", true, true, 3},     {"-3", true, true, -3},
            {"abc", true, true, 0},     {"99999999999", true, true, INT_MAX},
    };
    for (const auto& [stored, withTrue, withFalse, number] : cases) {
        store.Remove("Settings/Value");
        if (stored)
            store.Write("Settings/Value", stored);
        const std::string name = stored ? stored : "(none)";
        EXPECT_EQ(settings.GetBool("Settings", "Value", true), withTrue) << name;
        EXPECT_EQ(settings.GetBool("Settings", "Value", false), withFalse) << name;
        EXPECT_EQ(settings.GetInt("Settings", "Value", 77), number) << name;
    }
    // Clamped to the limits, the default included; limits that cross (a window wider than
    // its screen): the minimum wins.
    settings.SetInt("MainWindow", "Width", 800);
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "X", 0, 0, 1920), 0);
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "X", 0, -50, -45), -45);
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "Width", 0, 100, 1920), 800);
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "Height", 4000, 100, 1080), 1080);
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "Width", 0, 900, 5), 900);
}

TEST_F(LSettingsTest, PasswordsAreStoredScrambledUnderTheirOwnKey)
{
    // Each byte combined with the mask "Kestrano" ('K' 0x4B, 'e' 0x65, 's' 0x73), in hex.
    // Stored passwords must stay readable by later versions, so the form is fixed.
    for (const auto& [password, scrambled] : {std::pair{"abc", "2A0710"}, {"D", "0F"}}) {
        settings.SetPassword("Email", "SMTPPassword", password);
        EXPECT_EQ(store.FullNames(), std::vector<std::string>{"Email/__SMTPPassword"});
        EXPECT_EQ(store.Read("Email/__SMTPPassword"), scrambled);
        EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword"), password);
    }
    EXPECT_EQ(settings.GetString("Email", "SMTPPassword", "plain"), "plain");
    // Any bytes round-trip printable, even where a byte equals the mask.
    const std::string awkward = "Kestrano\x01 \xC3\xA9=;\"\n" + std::string(40, 'e');
    settings.SetPassword("Email", "SMTPPassword", awkward);
    const std::string stored = *store.Read("Email/__SMTPPassword");
    EXPECT_EQ(stored.size(), awkward.size() * 2);
    EXPECT_TRUE(std::all_of(stored.begin(), stored.end(), isxdigit)) << stored;
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword").str(), awkward);
    settings.SetPassword("Email", "SMTPPassword", "");
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword", "default"), "");
    // What does not unscramble gives the default; lower-case digits from a hand edit do.
    store.Remove("Email/__SMTPPassword");
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword", "default"), "default");
    for (const char* bad : {"2A071", "2A07G0", "secret", "2a 710"}) {
        store.Write("Email/__SMTPPassword", bad);
        EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword", "default"), "default") << bad;
    }
    store.Write("Email/__SMTPPassword", "2a0710");
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword"), "abc");
}

TEST_F(LSettingsTest, DeletingRemovesOneSettingASectionOrARecord)
{
    for (const char* name : {"Email/MailSMTPHost", "Email/UseSSL", "Email/__SMTPPassword",
                             "EmailArchive/Folder", "Settings/Email", "email/UseSSL"})
        store.Write(name, "1");
    settings.Delete("Email", "UseSSL");
    EXPECT_FALSE(store.Read("Email/UseSSL"));
    EXPECT_TRUE(store.Read("Email/MailSMTPHost"));
    settings.DeleteSection("Email/");
    EXPECT_EQ(store.FullNames(),
              (std::vector<std::string>{"EmailArchive/Folder", "Settings/Email", "email/UseSSL"}));
    // A record is a section named by its path (the CSV import's mapping reads its numbers);
    // deleting it takes only its own values.
    LMemorySettingsStore shared;
    LSharedSettingsRecord record(shared, "TaskImportCSV/");
    record.SetInt("Count", 2);
    record.SetString("Name", "Tasks");
    EXPECT_EQ(shared.Read("TaskImportCSV/Count"), "2");
    const LSharedSettingsRecord again(shared, "TaskImportCSV");
    EXPECT_EQ(again.GetString("Name"), "Tasks");
    EXPECT_EQ(again.GetString("Missing", "none"), "none");
    for (const char* name : {"taskimportcsv/1", "TASKIMPORTCSV/Sub/2", "Settings/TaskImportCSV",
                             "TaskImportCSV", "TaskImportCSVOld/Count", "ResourceImportCSV/Count"})
        shared.Write(name, "1");
    record.DeleteRecord();
    EXPECT_EQ(shared.FullNames(),
              (std::vector<std::string>{"ResourceImportCSV/Count", "Settings/TaskImportCSV",
                                        "TaskImportCSV", "TaskImportCSVOld/Count"}));
}
