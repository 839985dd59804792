// Painting part of the chart gives the same picture as painting all of it, and the export
// command asks, remembers, refuses and writes as it should.

#include "fileformat/LSettings.h"
#include "framework/LRecordingSurface.h"
#include "framework/LSettingsStore.h"
#include "model/QPProject.h"
#include "views/LAppSaveToPDF.h"
#include "views/QPGanttView.h"

#include "support/ScriptedPrompts.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <unistd.h>

namespace {

using Item = LRecordingSurface::Item;
using Op = LRecordingSurface::Op;

struct NoSelection : QPGanttInterface {
    void GanttViewSelectTask(int64_t) override {}
};

// Chains of tasks with all kinds of links, headers, milestones, long names and resources.
void BuildProject(QPProject& project, int taskCount)
{
    std::mt19937 random(7);
    project.projectStart = LocalTime(2027, 3, 3);
    project.projectDeadline = LocalTime(2027, 9, 30);
    auto resource = std::make_unique<QPResource>();
    resource->name = "Crew";
    const int64_t crew = project.ElementAdd(std::move(resource), false).key;
    std::vector<int64_t> keys;
    for (int i = 0; i < taskCount; ++i) {
        auto task = std::make_unique<QPTask>();
        task->name = (i % 7 == 0) ? "A rather long task name " + std::to_string(i)
                                  : "T" + std::to_string(i);
        task->durationText = std::to_string(4 + random() % 60);
        task->milestone = i % 13 == 5;
        if (task->milestone)
            task->durationText = "0";
        if (!keys.empty() && i % 10 != 0)
            task->AddDependency(keys.back(), static_cast<int32_t>(random() % 4), 0);
        if (i % 3 == 0)
            task->AddResourceAssignment(crew, 50);
        keys.push_back(project.ElementAdd(std::move(task), false).key);
    }
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
}

// Where an item can put paint, on the surface.
LRectF Reach(const Item& item)
{
    auto mapped = [&](LRectF r) {
        const LPointF a = item.matrix.Map(r.x, r.y);
        const LPointF b = item.matrix.Map(r.Right(), r.Bottom());
        return LRectF{std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x),
                      std::abs(b.y - a.y)};
    };
    switch (item.op) {
    case Op::DrawText:
    case Op::FillRect:
        return mapped({item.x, item.y, item.width, item.height});
    case Op::DrawLine:
        return mapped({std::min(item.x, item.width), std::min(item.y, item.height),
                       std::abs(item.width - item.x), std::abs(item.height - item.y)});
    case Op::DrawPath:
    case Op::FillPath:
        return mapped(item.path.Bounds());
    default:
        return {-1e9f, -1e9f, 2e9f, 2e9f};
    }
}

bool Same(const Item& a, const Item& b)
{
    return a.op == b.op && a.colour == b.colour && a.matrix == b.matrix && a.text == b.text &&
           a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height &&
           a.path == b.path && a.font == b.font;
}

TEST(GanttPainting, APartialPaintDrawsEverythingThatReachesTheExposedArea)
{
    QPProject project;
    BuildProject(project, 400);
    NoSelection owner;
    QPGanttView view(owner);
    view.PlotProject(project, LocalTime(2027, 4, 1));

    // Scrolled to the top left, and so that rows 150 and 330 are near the top left.
    const auto& rows = view.Root().taskChart->Children();
    const std::vector<std::pair<float, float>> scrolls = {
            {0, 0},
            {100 - rows[149]->GetX(), 100 - rows[149]->GetY()},
            {200 - rows[329]->GetX(), 50 - rows[329]->GetY()}};
    for (const auto& [offsetX, offsetY] : scrolls) {
        view.offsetX = offsetX;
        view.offsetY = offsetY;
        LRecordingSurface full;
        view.Prepaint(full, nullptr);
        const LRectF exposed{37, 11, 800, 500};
        LRecordingSurface part;
        view.Prepaint(part, &exposed);

        // The part is the full list with some items left out, in the same order...
        std::size_t at = 0;
        for (const Item& item : part.Items()) {
            while (at < full.Items().size() && !Same(full.Items()[at], item))
                ++at;
            ASSERT_LT(at, full.Items().size()) << "an item the full paint does not draw";
            ++at;
        }
        // ...and none that could reach the exposed area is left out.
        std::size_t missing = 0, reaching = 0;
        for (const Item& item : full.Items()) {
            if (!Reach(item).Intersects(exposed))
                continue;
            ++reaching;
            const bool drawn = std::any_of(part.Items().begin(), part.Items().end(),
                                           [&](const Item& other) { return Same(item, other); });
            missing += drawn ? 0 : 1;
        }
        EXPECT_EQ(missing, 0u) << "scrolled to " << offsetX << ", " << offsetY;
        EXPECT_GT(reaching, 50u);
        // Far fewer than all: that is the point.
        EXPECT_LT(part.Items().size() * 4, full.Items().size());
    }
}

// --- the export command ------------------------------------------------------------------

// The export needs its whole save request and only its alerts.
struct PDFPrompts : ScriptedPrompts {
    std::optional<std::string> AskSaveFile(const LSaveFileRequest& request) override
    {
        requests.push_back(request);
        return answer;
    }
    void ShowAlert(std::string_view title, std::string_view message) override
    {
        alerts.emplace_back(title, message);
    }
    std::optional<std::string> answer;
    std::vector<LSaveFileRequest> requests;
    std::vector<std::pair<std::string, std::string>> alerts;
};

// A document surface that can be told to fail when it completes.
class FakeWriter : public LRecordingSurface {
public:
    explicit FakeWriter(bool& closed, bool failClose)
        : LRecordingSurface(Kind::Document), closed_(closed), failClose_(failClose)
    {}
    bool Close() override
    {
        closed_ = !failClose_;
        return !failClose_;
    }

private:
    bool& closed_;
    bool failClose_;
};

class GanttExport : public ::testing::Test {
protected:
    GanttExport()
    {
        project.projectStart = project.projectFinish = LocalTime(2027, 3, 7);
        project.projectDeadline = LocalTime(2027, 3, 13);
        view.PlotProject(project, LocalTime(2027, 3, 8));
        folder = std::filesystem::temp_directory_path() /
                 ("kestrano-export-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
    }
    ~GanttExport() override { std::filesystem::remove_all(folder); }

    LSaveToPDFResult Export()
    {
        LPDFWriterFactory factory = [this](const std::string& path, int paperSize) {
            created.emplace_back(path, paperSize);
            return std::make_unique<FakeWriter>(closed, failClose);
        };
        return LAppSaveToPDF(prompts, store, "/home/someone/Documents", factory, view,
                             LPrint::ePaperLetter);
    }

    QPProject project;
    NoSelection owner;
    QPGanttView view{owner};
    PDFPrompts prompts;
    LMemorySettingsStore store;
    std::filesystem::path folder;
    std::vector<std::pair<std::string, int>> created;
    bool closed = false;
    bool failClose = false;
};

TEST_F(GanttExport, CancellingWritesAndRemembersNothing)
{
    EXPECT_EQ(Export(), LSaveToPDFResult::Cancelled);
    ASSERT_EQ(prompts.requests.size(), 1u);
    const LSaveFileRequest& request = prompts.requests[0];
    EXPECT_EQ(request.title, "Save As PDF");
    EXPECT_EQ(request.fileTypeName, "PDF File");
    EXPECT_EQ(request.extension, "pdf");
    EXPECT_EQ(request.defaultName, "");
    EXPECT_EQ(request.folder, "/home/someone/Documents");
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_TRUE(created.empty());
    EXPECT_EQ(LSettings(store).GetString("Settings", "SavePDFFolder", "none"), "none");
}

TEST_F(GanttExport, WritesTheChartPageAndOpensThereNextTime)
{
    const std::string path = (folder / "chart.pdf").string();
    prompts.answer = path;
    EXPECT_EQ(Export(), LSaveToPDFResult::Written);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0], std::make_pair(path, 1));
    EXPECT_TRUE(closed);
    EXPECT_TRUE(prompts.alerts.empty());
    EXPECT_EQ(LSettings(store).GetString("Settings", "SavePDFFolder").str(), folder.string());

    prompts.answer.reset();
    Export();
    EXPECT_EQ(prompts.requests.back().folder, folder.string());
}

TEST_F(GanttExport, AFileAnotherProgramIsWritingIsLeftAlone)
{
    const std::string path = (folder / "busy.pdf").string();
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    prompts.answer = path;
    EXPECT_EQ(Export(), LSaveToPDFResult::InUse);
    EXPECT_TRUE(created.empty());
    ASSERT_EQ(prompts.alerts.size(), 1u);
    EXPECT_EQ(prompts.alerts[0].first, "Save to PDF");
    EXPECT_EQ(prompts.alerts[0].second,
              "The document is in use by another application and cannot be accessed");
    close(fd);

    // Once it is free it can be written.
    prompts.alerts.clear();
    EXPECT_EQ(Export(), LSaveToPDFResult::Written);
}

TEST_F(GanttExport, AFailedWriteIsReported)
{
    prompts.answer = (folder / "full-disk.pdf").string();
    failClose = true;
    EXPECT_EQ(Export(), LSaveToPDFResult::Failed);
    ASSERT_EQ(prompts.alerts.size(), 1u);
    EXPECT_NE(prompts.alerts[0].second.find("could not be written"), std::string::npos);
}

} // namespace
