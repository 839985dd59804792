#include "export/QPProjectXmlExport.h"
#include "import/LXmlReader.h"

#include "support/Plan.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// The document, read back by the strict reader, so also checked to be well-formed.
std::string Exported(const QPProject& project)
{
    const std::string xml = QPProjectXmlExport(project);
    LXmlReader reader(xml);
    LXmlNode root;
    EXPECT_EQ(reader.Next(), eXmlStartElement);
    EXPECT_TRUE(LXmlReadElement(reader, root)) << reader.Error();
    return xml;
}

// The text of the document's first element `name`.
std::string First(const std::string& xml, const std::string& name)
{
    const std::size_t from = xml.find("<" + name + ">") + name.size() + 2;
    return xml.substr(from, xml.find("</" + name + ">", from) - from);
}

// A plan with one of everything the format holds, as tests/data/export/launch.xml has its
// document: the elements in the schema's order (a reader that validates refuses any other),
// outline numbers and levels, a manual Fixed Duration task on a schedule of its own with
// notes to escape, baselines 0 and 10 (the format has no 11) with the work as it was
// frozen, links of each kind with their lags, each constraint (After and Before leave their
// day out, the format's No Earlier / No Later Than keep it in: their dates move by a day),
// assignment units and work (a Fixed Work task at half time shares out its hours, a Fixed
// Duration one takes the resource for its hours at its percentage), slack in tenths of
// working minutes (one elapsed day after a Monday 16:00 finish is Tuesday's shift), a
// resource calendar based on its schedule's holding its own exceptions only, and weeks:
// a night shift opening the next day after midnight, round the clock, a shift running into
// the next day's own, and exceptions over whole days, half a day, a weekend, a day off and
// twice on one day.
TEST(ProjectXml, APlanWithOneOfEverythingIsTheDocumentItShouldBe)
{
    Plan plan;
    plan.project.name = "Launch";
    QPSchedule& night = plan.Schedule("Night", 22 * kHour, {0, 8, 8, 8, 8, 8, 0});
    plan.Schedule("Nights", 22 * kHour, {0, 8, 8, 0, 0, 0, 0});
    plan.Schedule("Round", 0, {24, 24, 0, 0, 0, 0, 0});
    plan.Schedule("Long", 20 * kHour, {0, 12, 0, 0, 0, 0, 0});
    QPSchedule& leave = plan.Schedule("Leave", 8 * kHour, {0, 8, 8, 8, 8, 8, 0});
    for (const auto& [day, hours] : {std::pair{1, 8}, {1, 8}, {2, 4}, {4, 32}, {12, 12}, {20, 8}})
        leave.AddException(LocalTime(2027, 3, day), hours * kHour);
    night.AddException(LocalTime(2027, 3, 1), 8 * kHour);
    QPTask& header = plan.Task("Phase", "");
    header.isHeader = true;
    QPTask& first = plan.Task("Design", "16");
    QPTask& second = plan.Task("Build", "8");
    QPTask& handover = plan.Task("Handover", "8");
    header.subtaskKeys = {first.key, second.key};
    second.AddDependency(first.key, eFinishToStart, 1.0f);
    second.autoSchedule = false;
    second.start = LocalTime(2027, 3, 10, 8);
    second.taskType = eTaskTypeFixedDuration;
    second.scheduleKey = night.key;
    second.constraintType = eConstraintStartAfter;
    second.constraintDate = LocalTime(2027, 3, 9);
    second.notes = "Check <wiring> & \"fuses\"\x01\x1f\xC0\xAF\r\nfirst";
    QPResource& alice = plan.Resource("Alice", nullptr, 4800, 7200);
    alice.email = "alice@example.org";
    alice.AddException(LocalTime(2027, 3, 2), 8 * kHour);
    first.AddResourceAssignment(alice.key, 50);
    second.AddResourceAssignment(alice.key, 100);
    for (const auto& [type, lag] : {std::pair{eFinishToStart, 0.25f},
                                    {eStartToStart, 1.5f},
                                    {eFinishToFinish, -0.5f},
                                    {eStartToFinish, 2.0f}})
        plan.Task("Linked", "8").AddDependency(handover.key, type, lag);
    for (int32_t kind = eConstraintAsLateAsPossible; kind <= eConstraintFinishAfter; ++kind) {
        QPTask& task = plan.Task("Constrained", "8");
        task.constraintType = kind;
        task.constraintDate = LocalTime(2027, 3, 3, 9, 30);
    }
    QPResource& ann = plan.Resource("Ann");
    for (int32_t percent : {100, 50, 5, 33})
        plan.Task("Assigned", "16").AddResourceAssignment(ann.key, percent);
    QPTask& fixed = plan.Task("Fixed", "8");
    fixed.taskType = eTaskTypeFixedDuration;
    fixed.AddResourceAssignment(ann.key, 50);
    plan.Recalculate();
    plan.project.BaselineAdd("Agreed");
    first.durationText = "24";
    plan.Recalculate();
    for (int id : {10, 11})
        plan.project.baselines.push_back(std::make_unique<QPBaseline>(plan.project, "Late", id));
    handover.start = LocalTime(2027, 3, 1, 8);
    handover.finish = LocalTime(2027, 3, 1, 16);
    handover.freeSlack = 86400;
    handover.totalSlack = -86400;

    std::ifstream expected(std::string(KESTRANO_TEST_DATA_DIR) + "/export/launch.xml");
    EXPECT_EQ(Exported(plan.project), std::string(std::istreambuf_iterator<char>(expected), {}));
}

TEST(ProjectXml, TextsAreCutToTheFormatsLimitsInCharactersAndAmountsKeepTheirDigits)
{
    Plan plan;
    const std::string e = "\xC3\xA9";
    plan.project.name = std::string(250, 'x') + e + e + e + e;
    plan.project.options.currencySymbol = "\xE2\x82\xAC" + std::string(30, '$');
    plan.project.options.currencyCode = "EURO";
    std::string xml = Exported(plan.project);
    EXPECT_EQ(First(xml, "Name") + " " + First(xml, "CurrencySymbol") + " " +
                      First(xml, "CurrencyCode"),
              plan.project.name.str() + " \xE2\x82\xAC" + std::string(19, '$') + " EUR");
    plan.project.name = std::string(253, 'x') + e + e + e;
    xml = Exported(plan.project);
    EXPECT_EQ(First(xml, "Name"), std::string(253, 'x') + e + e);
    EXPECT_EQ(First(xml, "Title"), plan.project.name.str());

    QPResource& ann = plan.Resource("Ann");
    const struct {
        int32_t digits;
        int64_t rate;
        const char* text;
    } rates[] = {{2, 4800, "48.00"},   {0, 4800, "4800"},    {1, 125, "12.5"},
                 {3, 12345, "12.345"}, {2, -1805, "-18.05"}, {2, 5, "0.05"}};
    for (const auto& r : rates) {
        plan.project.options.currencyDigits = r.digits;
        ann.hourlyRate = r.rate;
        EXPECT_EQ(First(Exported(plan.project), "StandardRate"), r.text);
    }
}

TEST(ProjectXml, TextIsEscapedAndKeptToXml)
{
    const std::pair<std::string, std::string> cases[] = {
            {"R&D <1> \"hi\" ]]>", "R&amp;D &lt;1&gt; &quot;hi&quot; ]]&gt;"},
            {"a\tb\nc\r\nd", "a\tb\nc&#13;\nd"},
            {std::string("nul\0bell\x07vt\x0b\x1f", 13), "nul bell vt  "},
            {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x85\x7f",
             "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x85\x7f"},
            {"cut \xC3", "cut \xEF\xBF\xBD"},
            {"\xC0\xAF\xC1\xBF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
            {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
            {"\xEF\xBF\xBE", "\xEF\xBF\xBD"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(QPXmlEscapeText(text), escaped) << text;
}

TEST(ProjectXml, TheFileIsWrittenWholeOrNotAtAll)
{
    TempDir folder;
    Plan plan;
    const std::string path = folder.Write("plan.xml", "older");
    ASSERT_TRUE(QPProjectXmlExportToFile(plan.project, path));
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              QPProjectXmlExport(plan.project));
    EXPECT_FALSE(QPProjectXmlExportToFile(plan.project, folder.File("no/plan.xml")));
    std::filesystem::create_directory(folder.File("taken.xml"));
    EXPECT_FALSE(QPProjectXmlExportToFile(plan.project, folder.File("taken.xml")));
    std::filesystem::remove(folder.File("taken.xml"));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"plan.xml"}) << "nothing left beside it";
}

} // namespace
