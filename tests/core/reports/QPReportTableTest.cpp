#include "reports/QPReportTable.h"

#include "model/QPProject.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

const LVColDynamicGlobal kColumns[] = {
        {"Name", 5, eReportAlignLeft, true},
        {"Amount", 4, eReportAlignRight, true},
        {"Note", 4, eReportAlignRight, true},
};

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ReportCSV, CellsAreQuotedCleanedAndEndInCRLF)
{
    QPProject project;
    QPReportTable table{project.options, kColumns};
    table.AddRow(kReportRowOrdinary, 0, 0, false, {"Zoë, the \"boss\"", "$1,250.00", "done  \t "});
    // Indentation and trailing steps belong to the printed page, not to the file.
    table.AddRow(kReportRowOrdinary, 5, 2, false, {"line\r\nbreak\x01\x1f\x20\x21\x7f", "  lead"});
    table.AddRow(kReportRowTotal, 0, 0, false, {"Total", " ", ""});
    EXPECT_EQ(table.CSVText(), "\"Name\",\"Amount\",\"Note\"\r\n"
                               "\"Zoë  the \"\"boss\"\"\",\"$1 250.00\",\"done\"\r\n"
                               "\"line  break   !\x7f\",\"  lead\"\r\n"
                               "\"Total\",\"\",\"\"\r\n");
}

// Written beside the target first: a failed save, even one cut off halfway by a full disk,
// leaves an older file as it was and nothing beside it.
TEST(ReportCSV, SaveReplacesTheFileWholeOrNotAtAll)
{
    QPProject project;
    QPReportTable table{project.options, kColumns};
    TempDir folder;
    const std::string path = folder.Write("report.csv", "older report");
    table.AddRow(kReportRowOrdinary, 0, 0, false, {"Task", "$18.00", "n"});
    ASSERT_TRUE(table.SaveToCSV(path));
    EXPECT_EQ(Read(path), "\"Name\",\"Amount\",\"Note\"\r\n\"Task\",\"$18.00\",\"n\"\r\n");

    folder.Write("report.csv", "older report");
    EXPECT_FALSE(table.SaveToCSV(folder.File("missing/report.csv")));
    fs::create_directory(folder.File("taken.csv"));
    EXPECT_FALSE(table.SaveToCSV(folder.File("taken.csv")));
    for (int i = 0; i < 2000; ++i)
        table.AddRow(kReportRowOrdinary, 0, 0, false, {"A long enough task name", "$1.00", "x"});
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = table.SaveToCSV(path);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(Read(path), "older report");
    EXPECT_EQ(folder.Entries().size(), 2u);
    fs::remove(folder.File("taken.csv"));
}

} // namespace
