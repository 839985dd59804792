#include "reports/QPReportTable.h"

#include "model/QPProject.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>

namespace {

const LVColDynamicGlobal kColumns[] = {
        {"Name", 5, eReportAlignLeft, true},
        {"Amount", 4, eReportAlignRight, true},
        {"Note", 4, eReportAlignRight, true},
};

class CSV : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "csvXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    static std::string Read(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    QPProject project;
    QPReportTable table{project.options, kColumns};
    std::filesystem::path folder;
};

TEST_F(CSV, CellsAreQuotedCleanedAndEndInCRLF)
{
    table.AddRow(kReportRowOrdinary, 0, 0, false, {"Zoë, the \"boss\"", "$1,250.00", "done  \t "});
    // Indentation and trailing steps belong to the printed page, not to the file.
    table.AddRow(kReportRowOrdinary, 5, 2, false,
                 {"line\r\nbreak\x01"
                  "end\x7f",
                  "  lead"});
    table.AddRow(kReportRowTotal, 0, 0, false, {"Total", " ", ""});
    EXPECT_EQ(table.CSVText(), "\"Name\",\"Amount\",\"Note\"\r\n"
                               "\"Zoë  the \"\"boss\"\"\",\"$1 250.00\",\"done\"\r\n"
                               "\"line  break end\x7f\",\"  lead\"\r\n"
                               "\"Total\",\"\",\"\"\r\n");
}

TEST_F(CSV, SaveWritesTheTextWithoutAByteOrderMarkAndReplacesAnOlderFile)
{
    table.AddRow(kReportRowOrdinary, 0, 0, false, {"Task", "$18.00", "n"});
    const auto path = folder / "report.csv";
    std::ofstream(path) << "older report";
    ASSERT_TRUE(table.SaveToCSV(path.string()));
    EXPECT_EQ(Read(path), "\"Name\",\"Amount\",\"Note\"\r\n\"Task\",\"$18.00\",\"n\"\r\n");
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(CSV, AFailedSaveLeavesTheOlderFileAsItWas)
{
    const auto path = folder / "report.csv";
    std::ofstream(path) << "older report";
    // A folder that is not there, and a folder in place of the file.
    EXPECT_FALSE(table.SaveToCSV((folder / "missing" / "report.csv").string()));
    std::filesystem::create_directory(folder / "taken.csv");
    EXPECT_FALSE(table.SaveToCSV((folder / "taken.csv").string()));

    // A disk that fills up halfway: the file-size limit stops the write.
    for (int i = 0; i < 2000; ++i)
        table.AddRow(kReportRowOrdinary, 0, 0, false, {"A long enough task name", "$1.00", "x"});
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = table.SaveToCSV(path.string());
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(Read(path), "older report");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              2); // report.csv and taken.csv
}

} // namespace
