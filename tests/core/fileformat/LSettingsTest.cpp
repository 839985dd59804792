#include "fileformat/LSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace {

struct LSettingsTest : ::testing::Test {
    LMemorySettingsStore store;
    LSettings settings{store};
};

} // namespace

TEST(LSettingsFullName, JoinsSectionAndKeyWithOneSlash)
{
    EXPECT_EQ(LSettingsFullName("Settings", "LastProjectFilePath"), "Settings/LastProjectFilePath");
    EXPECT_EQ(LSettingsFullName("Settings/", "ReportEmail"), "Settings/ReportEmail");
    EXPECT_EQ(LSettingsFullName("A/B", "C"), "A/B/C");
}

TEST_F(LSettingsTest, TextsAreStoredUnderTheFullNameAndMissingOnesGiveTheDefault)
{
    settings.SetString("Settings", "ReportEmail", "ana@example.com");
    EXPECT_EQ(store.Read("Settings/ReportEmail"), "ana@example.com");
    EXPECT_EQ(settings.GetString("Settings/", "ReportEmail"), "ana@example.com");
    EXPECT_EQ(settings.GetString("Settings", "ReportFax", "none"), "none");
    EXPECT_EQ(settings.GetString("settings", "ReportEmail"), "");

    // An empty text is a value, not a missing one.
    settings.SetString("Settings", "ReportEmail", "");
    EXPECT_EQ(settings.GetString("Settings", "ReportEmail", "none"), "");
}

TEST_F(LSettingsTest, TextsReadBackCutTo259BytesWithoutSplittingACharacter)
{
    // 258 ASCII bytes and then "é" (two bytes): the cut at 259 would split it.
    const std::string stored = std::string(258, 'x') + "\xC3\xA9" + "tail";
    settings.SetString("Settings", "LastProjectFilePath", stored);
    EXPECT_EQ(store.Read("Settings/LastProjectFilePath"), stored);
    EXPECT_EQ(settings.GetString("Settings", "LastProjectFilePath").str(), std::string(258, 'x'));
    EXPECT_EQ(settings.GetString("Settings", "Missing", std::string(300, 'd')).size(), 259u);
}

TEST_F(LSettingsTest, BooleansAreWrittenAsDigitsAndReadByTheirFirstCharacter)
{
    settings.SetBool("ToolBarState", "Main", true);
    settings.SetBool("ToolBarState", "Format", false);
    EXPECT_EQ(store.Read("ToolBarState/Main"), "1");
    EXPECT_EQ(store.Read("ToolBarState/Format"), "0");

    const struct {
        const char* stored; // nullptr: no value
        bool defaultValue;
        bool expected;
    } cases[] = {
            {nullptr, true, true}, {nullptr, false, false}, {"", true, true},
            {"", false, false},    {"0", true, false},      {"0x1", true, false},
            {"00", true, false},   {"1", false, true},      {"false", false, true},
            {"no", false, true},   {" 0", false, true},     {"-1", false, true},
    };
    for (const auto& c : cases) {
        if (c.stored)
            store.Write("Settings/MainWindowShownAtStartup", c.stored);
        else
            store.Remove("Settings/MainWindowShownAtStartup");
        EXPECT_EQ(settings.GetBool("Settings", "MainWindowShownAtStartup", c.defaultValue),
                  c.expected)
                << "stored " << (c.stored ? c.stored : "(none)") << ", default " << c.defaultValue;
    }
}

TEST_F(LSettingsTest, IntegersAreWrittenInDecimalAndReadFromTheirLeadingNumber)
{
    settings.SetInt("MainWindow", "X", -42);
    settings.SetInt("MainWindow", "Width", INT_MAX);
    EXPECT_EQ(store.Read("MainWindow/X"), "-42");
    EXPECT_EQ(store.Read("MainWindow/Width"), "2147483647");
    EXPECT_EQ(settings.GetInt("MainWindow", "Width", 0), INT_MAX);

    const struct {
        const char* stored; // nullptr: no value
        int expected;       // the default is 77
    } cases[] = {
            {nullptr, 77},
            {"", 77},
            {"12", 12},
            {"  12", 12},
            {"+7", 7},
            {"-3", -3},
            {"640px", 640},
            {"3.9", 3},
            {"abc", 0},
            {" ", 0},
            {"-", 0},
            {"99999999999", INT_MAX},
            {"-99999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        if (c.stored)
            store.Write("MainWindow/Height", c.stored);
        else
            store.Remove("MainWindow/Height");
        EXPECT_EQ(settings.GetInt("MainWindow", "Height", 77), c.expected)
                << "stored " << (c.stored ? c.stored : "(none)");
    }
}

TEST_F(LSettingsTest, ClampedIntegersStayWithinTheLimitsDefaultIncluded)
{
    settings.SetInt("MainWindow", "X", 5000);
    settings.SetInt("MainWindow", "Y", -20);
    settings.SetInt("MainWindow", "Width", 800);
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "X", 0, 0, 1920), 1920);
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "Y", 0, 0, 1080), 0);
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "Width", 0, 100, 1920), 800);
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "Height", 4000, 100, 1080), 1080);
    // Limits that cross (a window wider than its screen): the minimum wins.
    EXPECT_EQ(settings.GetIntClamped("MainWindow", "X", 0, 10, 5), 10);
}

TEST_F(LSettingsTest, PasswordsAreStoredScrambledUnderTheirOwnKey)
{
    settings.SetPassword("Email", "SMTPPassword", "abc");
    EXPECT_EQ(store.FullNames(), std::vector<std::string>{"Email/__SMTPPassword"});
    // Each byte combined with the mask "Kestrano" ('K' 0x4B, 'e' 0x65, 's' 0x73), in hex.
    // Stored passwords must stay readable by later versions, so the form is fixed.
    EXPECT_EQ(store.Read("Email/__SMTPPassword"), "2A0710");
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword"), "abc");
    EXPECT_EQ(settings.GetString("Email", "SMTPPassword", "plain"), "plain");

    // Any bytes round-trip and the stored form stays printable ASCII, even where a byte
    // equals the mask.
    const std::string awkward = "Kestrano\x01 \xC3\xA9=;\"\n" + std::string(40, 'e');
    settings.SetPassword("Email", "SMTPPassword", awkward);
    const std::string stored = *store.Read("Email/__SMTPPassword");
    EXPECT_EQ(stored.size(), awkward.size() * 2);
    EXPECT_TRUE(std::all_of(stored.begin(), stored.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    })) << stored;
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword").str(), awkward);

    settings.SetPassword("Email", "SMTPPassword", "");
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword", "default"), "");
}

TEST_F(LSettingsTest, PasswordsThatDoNotUnscrambleGiveTheDefault)
{
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword", "default"), "default");
    for (const char* stored : {"2A071", "2A07G0", "secret", "2a 710"}) {
        store.Write("Email/__SMTPPassword", stored);
        EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword", "default"), "default") << stored;
    }
    store.Write("Email/__SMTPPassword", "2a0710"); // lower-case digits from a hand edit
    EXPECT_EQ(settings.GetPassword("Email", "SMTPPassword"), "abc");
}

TEST_F(LSettingsTest, DeletingRemovesOneSettingOrAWholeSection)
{
    settings.SetString("Email", "MailSMTPHost", "smtp.example.com");
    settings.SetBool("Email", "UseSSL", true);
    settings.SetPassword("Email", "SMTPPassword", "pw");
    settings.SetString("EmailArchive", "Folder", "/tmp");
    settings.SetString("Settings", "Email", "x");
    settings.SetString("email", "UseSSL", "1");

    settings.Delete("Email", "UseSSL");
    EXPECT_FALSE(store.Read("Email/UseSSL"));
    EXPECT_TRUE(store.Read("Email/MailSMTPHost"));

    settings.DeleteSection("Email/");
    EXPECT_EQ(store.FullNames(),
              (std::vector<std::string>{"EmailArchive/Folder", "Settings/Email", "email/UseSSL"}));
}

TEST(LSharedSettingsRecord, ReadsAndWritesLikeASectionNamedByItsPath)
{
    LMemorySettingsStore store;
    LSharedSettingsRecord record(store, "TaskImportCSV/");
    EXPECT_EQ(record.Path(), "TaskImportCSV");
    record.SetInt("Count", 2);
    record.SetInt("0", -1);
    record.SetString("Name", "Tasks");
    EXPECT_EQ(store.Read("TaskImportCSV/Count"), "2");
    EXPECT_EQ(store.Read("TaskImportCSV/0"), "-1");

    const LSharedSettingsRecord again(store, "TaskImportCSV");
    EXPECT_EQ(again.GetInt("Count", 0), 2);
    EXPECT_EQ(again.GetInt("1", -1), -1);
    EXPECT_EQ(again.GetString("Name"), "Tasks");
    EXPECT_EQ(again.GetString("Missing", "none"), "none");
}

TEST(LSharedSettingsRecord, DeletingTakesOnlyTheRecordsOwnValuesInAnyCase)
{
    LMemorySettingsStore store;
    for (const char* name : {"TaskImportCSV/Count", "TaskImportCSV/0", "taskimportcsv/1",
                             "TASKIMPORTCSV/Sub/2", "Settings/TaskImportCSV", "TaskImportCSV",
                             "TaskImportCSVOld/Count", "ResourceImportCSV/Count"})
        store.Write(name, "1");

    LSharedSettingsRecord(store, "TaskImportCSV").DeleteRecord();
    EXPECT_EQ(store.FullNames(),
              (std::vector<std::string>{"ResourceImportCSV/Count", "Settings/TaskImportCSV",
                                        "TaskImportCSV", "TaskImportCSVOld/Count"}));
}
