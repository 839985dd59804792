// Painting part of the chart gives the same picture as painting all of it, and the export
// command asks, remembers, refuses and writes as it should.

#include "fileformat/LSettings.h"
#include "framework/LRecordingSurface.h"
#include "framework/LSettingsStore.h"
#include "model/QPProject.h"
#include "views/LAppSaveToPDF.h"
#include "views/QPGanttView.h"

#include "support/Plan.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <unistd.h>

namespace {

using Item = LRecordingSurface::Item;
using Op = LRecordingSurface::Op;

struct NoSelection : QPGanttInterface {
    void GanttViewSelectTask(int64_t) override {}
};

// Chains of tasks with all kinds of links, milestones, long names and resources.
void BuildProject(Plan& plan, int taskCount)
{
    std::mt19937 random(7);
    plan.project.projectStart = LocalTime(2027, 3, 3);
    plan.project.projectDeadline = LocalTime(2027, 9, 30);
    const int64_t crew = plan.Resource("Crew").key;
    for (int i = 0; i < taskCount; ++i) {
        const std::string hours = i % 13 == 5 ? "0" : std::to_string(4 + random() % 60);
        QPTask& task = plan.Task(i % 7 ? "T" + std::to_string(i)
                                       : "A rather long task name " + std::to_string(i),
                                 hours);
        task.milestone = hours == "0";
        if (i % 10 != 0)
            task.AddDependency(plan.project.tasks.At(i - 1).key, static_cast<int32_t>(random() % 4),
                               0);
        if (i % 3 == 0)
            task.AddResourceAssignment(crew, 50);
    }
    plan.Recalculate();
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
    Plan plan;
    BuildProject(plan, 400);
    NoSelection owner;
    QPGanttView view(owner);
    view.PlotProject(plan.project, LocalTime(2027, 4, 1));

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
    void ShowAlert(std::string_view, std::string_view message) override
    {
        alerts.emplace_back(message);
    }
    std::optional<std::string> answer;
    std::vector<LSaveFileRequest> requests;
    std::vector<std::string> alerts;
};

// A document surface that fails to complete when told.
class FakeWriter : public LRecordingSurface {
public:
    explicit FakeWriter(bool fail) : LRecordingSurface(Kind::Document), fail_(fail) {}
    bool Close() override { return !fail_; }

private:
    bool fail_;
};

TEST(GanttExport, AsksRemembersTheFolderRefusesAFileInUseAndReportsAFailedWrite)
{
    QPProject project;
    project.projectStart = project.projectFinish = LocalTime(2027, 3, 7);
    NoSelection owner;
    QPGanttView view(owner);
    view.PlotProject(project, LocalTime(2027, 3, 8));
    PDFPrompts prompts;
    LMemorySettingsStore store;
    std::vector<std::string> created;
    bool fail = false;
    auto exportChart = [&] {
        LPDFWriterFactory factory = [&](const std::string& path, int paperSize) {
            created.push_back(path + " " + std::to_string(paperSize));
            return std::make_unique<FakeWriter>(fail);
        };
        return LAppSaveToPDF(prompts, store, "/home/me", factory, view, LPrint::ePaperLetter);
    };
    EXPECT_EQ(exportChart(), LSaveToPDFResult::Cancelled);
    const LSaveFileRequest& request = prompts.requests.at(0);
    EXPECT_EQ(request.title + "|" + request.fileTypeName + "|" + request.extension + "|" +
                      request.defaultName + "|" + request.folder,
              "Save As PDF|PDF File|pdf||/home/me");
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_EQ(LSettings(store).GetString("Settings", "SavePDFFolder", "none"), "none");

    TempDir folder;
    prompts.answer = folder.File("chart.pdf");
    EXPECT_EQ(exportChart(), LSaveToPDFResult::Written);
    EXPECT_EQ(created, std::vector<std::string>{folder.File("chart.pdf") + " 1"});
    prompts.answer.reset();
    exportChart();
    EXPECT_EQ(prompts.requests.back().folder, folder.path);

    // A file another program is writing is left alone, and can be written once free.
    prompts.answer = folder.File("busy.pdf");
    const int fd = open(prompts.answer->c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    EXPECT_EQ(exportChart(), LSaveToPDFResult::InUse);
    close(fd);
    fail = true;
    EXPECT_EQ(exportChart(), LSaveToPDFResult::Failed);
    EXPECT_EQ(created.size(), 2u);
    EXPECT_EQ(prompts.alerts,
              (std::vector<std::string>{
                      "The document is in use by another application and cannot be accessed",
                      "The PDF file \"" + folder.File("busy.pdf") + "\" could not be written."}));
}

} // namespace
