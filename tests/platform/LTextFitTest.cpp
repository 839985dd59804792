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
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Reports each text that does not fit, as a failure `where` it was drawn.
template <class Surface>
struct FitChecking : Surface {
    template <class... Arguments>
    FitChecking(const char* where, bool whole, Arguments&&... arguments)
        : Surface(std::forward<Arguments>(arguments)...), where(where), whole(whole)
    {}
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
        if (whole && text.ends_with("\u2026"))
            Fault(text, "is not shown whole");
        if (size.width > width + 0.5f || size.height > height + 0.5f)
            Fault(text, QString::asprintf("takes %.0fx%.0f in a box of %.0fx%.0f", size.width,
                                          size.height, width, height)
                                .toStdString());
        // In documents amounts and dates are read as a whole: a word of digits without
        // letters stays on one line.
        static const QRegularExpression number("(?<![^ ])[^ A-Za-z]*[0-9][^ A-Za-z]*(?![^ ])");
        const QString all = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        for (auto it = number.globalMatch(all); documents && it.hasNext();) {
            const std::string word = it.next().captured().toStdString();
            if (this->MeasureText(word).width > width + 0.5f)
                Fault(text, "breaks " + word);
        }
        Place(text, QRectF(x, y, width, size.height));
        Surface::DrawText(text, x, y, width, height, align);
    }
    bool StartPage() override
    {
        placed.clear();
        return Surface::StartPage();
    }
    // Where the text lies on the device, and whether it covers one placed before on the
    // page by more than the half unit neighbouring boxes may share.
    void Place(std::string_view text, const QRectF& box)
    {
        if (text.empty())
            return;
        const QRectF rect = this->Painter()->worldTransform().mapRect(box);
        for (const auto& [other, otherRect] : placed) {
            const QRectF both = rect.intersected(otherRect);
            if (both.width() > 0.5 && both.height() > 0.5)
                Fault(text, "covers " + other);
        }
        placed.emplace_back(std::string(text), rect);
    }
    void Fault(std::string_view text, const std::string& what)
    {
        ADD_FAILURE() << where << ": " << text << " " << what;
    }

    const char* where;
    bool whole; // the plan's names are short enough to show whole
    bool documents = this->GetKind() == LSurface::Kind::Document;
    std::vector<std::pair<std::string, QRectF>> placed;
};

struct NoSelection : QPGanttInterface {
    void GanttViewSelectTask(int64_t) override {}
};

using Paint = std::function<void(LSurface&)>;

// A view on the screen (a 96 dpi image), when it shows there, and in a PDF document.
void Check(const Paint& screen, const Paint& document, int paper, bool whole)
{
    if (screen) {
        QImage image(2000, 2000, QImage::Format_ARGB32);
        QPainter painter(&image);
        FitChecking<LPaintSurface> surface("on the screen", whole, painter, &image);
        screen(surface);
    }
    TempDir folder;
    FitChecking<LPDFWriter> surface("in the document", whole, folder.File("out.pdf"), paper);
    document(surface);
    EXPECT_TRUE(surface.Close());
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
