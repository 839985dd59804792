// Every text a view draws, measured in the font it is drawn in on the device it is drawn
// on, fits its box, and no two texts of a page cover each other; on the screen and in PDF,
// for the chart, the baseline pages and the reports of three plans.

#include "LQPainterSurface.h"
#include "reports/QPReportPrinter.h"
#include "reports/QPReports.h"
#include "views/QPBaselineView.h"
#include "views/QPGanttView.h"

#include "support/Plan.h"
#include "support/TempDir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

template <class Surface>
class FitChecking : public Surface {
public:
    using Surface::Surface;

    void DrawText(std::string_view text, float x, float y) override
    {
        Surface::DrawText(text, x, y);
        // A single line is placed by its ink: lines above each other may share the room of
        // their ascent and descent without hiding anything.
        const QFontMetricsF metrics(this->Painter()->font(), this->Painter()->device());
        const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        Place(text, metrics.tightBoundingRect(shown).translated(x, y + metrics.ascent()));
    }
    void DrawText(std::string_view text, float x, float y, float width, float height,
                  LTextAlign align) override
    {
        const LSizeF size = this->MeasureText(text, width);
        const auto box = [](float w, float h) {
            return std::to_string(static_cast<int>(w)) + "x" + std::to_string(static_cast<int>(h));
        };
        if (whole && text.ends_with("\u2026"))
            faults.push_back(std::string(text) + " is not shown whole");
        if (size.width > width + 0.5f || size.height > height + 0.5f)
            faults.push_back(std::string(text) + " takes " + box(size.width, size.height) +
                             " in a box of " + box(width, height));
        // Amounts and dates are read as a whole: a word of digits without letters stays on
        // one line.
        for (std::size_t at = 0; numbersWhole && at < text.size();) {
            const std::size_t end = std::min(text.find(' ', at), text.size());
            const std::string_view word = text.substr(at, end - at);
            if (std::any_of(word.begin(), word.end(),
                            [](char c) { return c >= '0' && c <= '9'; }) &&
                std::none_of(word.begin(), word.end(),
                             [](char c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }) &&
                this->MeasureText(word).width > width + 0.5f)
                faults.push_back(std::string(text) + " breaks " + std::string(word));
            at = end + 1;
        }
        Place(text, QRectF(x, y, width, size.height));
        Surface::DrawText(text, x, y, width, height, align);
    }
    bool StartPage() override
    {
        placed_.clear();
        return Surface::StartPage();
    }

    bool whole = false;        // the plan's names are short enough to show whole
    bool numbersWhole = false; // checked in documents, where a broken amount misleads
    std::vector<std::string> faults;

private:
    // Where the text lies on the device, and whether it covers one placed before on the
    // page by more than the half unit neighbouring boxes may share.
    void Place(std::string_view text, const QRectF& box)
    {
        if (text.empty())
            return;
        const QRectF rect = this->Painter()->worldTransform().mapRect(box);
        for (const auto& [other, otherRect] : placed_) {
            const QRectF both = rect.intersected(otherRect);
            if (both.width() > 0.5 && both.height() > 0.5)
                faults.push_back(std::string(text) + " covers " + other);
        }
        placed_.emplace_back(std::string(text), rect);
    }

    std::vector<std::pair<std::string, QRectF>> placed_;
};

struct NoSelection : QPGanttInterface {
    void GanttViewSelectTask(int64_t) override {}
};

// Each view on the screen (a 96 dpi image) and in a PDF document.
void Check(const std::function<void(LSurface&)>& screen,
           const std::function<void(LSurface&)>& document, int paper, bool whole)
{
    if (screen) {
        QImage image(2000, 2000, QImage::Format_ARGB32);
        QPainter painter(&image);
        FitChecking<LPaintSurface> surface(painter, &image);
        surface.whole = whole;
        screen(surface);
        for (const std::string& fault : surface.faults)
            ADD_FAILURE() << "on the screen: " << fault;
    }
    TempDir folder;
    FitChecking<LPDFWriter> surface(folder.File("out.pdf"), paper);
    surface.whole = whole;
    surface.numbersWhole = true;
    document(surface);
    EXPECT_TRUE(surface.Close());
    for (const std::string& fault : surface.faults)
        ADD_FAILURE() << "in the document: " << fault;
}

void CheckEveryView(QPProject& project, LDateTime today, bool whole)
{
    NoSelection owner;
    QPGanttView chart(owner);
    chart.PlotProject(project, today);
    Check([&](LSurface& surface) { chart.Prepaint(surface, nullptr); },
          [&](LSurface& surface) { chart.Draw(surface, LMatrix::Identity()); }, LPrint::ePaperA4,
          whole);
    QPBaselineView comparison(project, *project.BaselineAdd("Plan A"));
    comparison.PlotComparison(today);
    for (int32_t page = 1; page <= comparison.GetNumberOfTables(); ++page) {
        SCOPED_TRACE("baseline page " + std::to_string(page));
        comparison.SetCurrentTable(page, false);
        Check([&](LSurface& surface) { comparison.Prepaint(surface, nullptr); },
              [&](LSurface& surface) { comparison.Draw(surface, LMatrix::Identity()); },
              LPrint::ePaperLetter, whole);
    }
    for (const eReportKind kind : {eReportKind::taskSummary, eReportKind::taskDetail,
                                   eReportKind::taskExpense, eReportKind::resourceExpense}) {
        SCOPED_TRACE(QPReportKindName(kind));
        std::unique_ptr<QPReportBase> report = QPMakeReport(kind, project);
        report->GenerateReport();
        QPReportPrinter printer(project.options, *report);
        Check(
                {}, [&](LSurface& surface) { EXPECT_TRUE(PrintingFunction(surface, printer)); },
                printer.GetPaperSize(), whole);
    }
}

// A chain of tasks of `hours` each, every one on `resource` when given.
void Chain(Plan& plan, const std::vector<std::string>& names, const char* hours,
           const QPResource* resource = nullptr)
{
    QPTask* previous = nullptr;
    for (const std::string& name : names) {
        QPTask& task = plan.Task(name, hours);
        if (resource)
            task.AddResourceAssignment(resource->key, 100);
        if (previous)
            task.AddDependency(previous->key, eFinishToStart, 0.f);
        previous = &task;
    }
    plan.Recalculate();
}

} // namespace

// The sample plan; long words, sentences and large amounts, where only the fit counts and
// names may be cut short; and a plan over several years, whose timescale is the widest.
TEST(TextFit, EveryViewOfThreePlans)
{
    const std::string word = "Pneumonoultramicroscopicsilicovolcanoconiosis";
    const std::string sentence = "Reconcile the interdepartmental procurement ledgers with the "
                                 "external auditors before the regional steering committee";
    QPProject sample;
    ASSERT_EQ(sample.ProjectLoad(KESTRANO_EXAMPLES_DIR "/office-move.qpp"), 0);
    CheckEveryView(sample, LocalTime(2027, 4, 20, 9), true);
    Plan longNames, years;
    Chain(longNames, {word + "0", sentence, word + "2", sentence}, "1200",
          &longNames.Resource("Consolidated International Engineering and Surveying Partners",
                              nullptr, 9'999, 14'999));
    CheckEveryView(longNames.project, LocalTime(2027, 3, 2, 9), false);
    Chain(years, {"Design", "Permits", "Build", "Fit out", "Hand over"}, "1400");
    ASSERT_GT(years.project.projectFinish - years.project.projectStart, 3 * 365 * 86400);
    CheckEveryView(years.project, LocalTime(2027, 3, 2, 9), true);
}
