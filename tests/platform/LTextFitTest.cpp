#include "LQPainterSurface.h"
#include "framework/LFixedText.h"
#include "reports/QPReportPrinter.h"
#include "reports/QPReports.h"
#include "views/QPBaselineView.h"
#include "views/QPGanttView.h"

#include "support/Plan.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Every text a view draws, measured with the font it is drawn in on the device it is
// drawn on, must fit its box, and no two texts of a page may cover each other: a text
// that does not fit is cut off, or hides or is hidden by its neighbour.
template <class Surface>
class FitChecking : public Surface {
public:
    using Surface::Surface;

    // Amounts and dates are read as a whole: a word of digits (and their signs, no
    // letters) must not break.
    bool numbersWhole = false;
    // Plans of ordinary names and dates show every text whole, without an ellipsis.
    bool noEllipsis = false;
    std::vector<std::string> faults;

    void DrawText(std::string_view text, float x, float y) override
    {
        Surface::DrawText(text, x, y);
        if (!text.empty()) {
            // A single line is placed by its ink: the boxes of lines above each other may
            // share the room of their ascent and descent without hiding anything.
            const QFontMetricsF metrics(this->Painter()->font(), this->Painter()->device());
            Place(text,
                  metrics.tightBoundingRect(QString::fromUtf8(text.data(),
                                                              static_cast<qsizetype>(text.size())))
                          .translated(x, y + metrics.ascent()));
        }
    }

    void DrawText(std::string_view text, float x, float y, float width, float height,
                  LTextAlign align) override
    {
        if (!text.empty()) {
            const LSizeF size = this->MeasureText(text, width);
            if (noEllipsis && text.ends_with("\u2026"))
                Fault(text, "is not shown whole");
            if (size.width > width + 0.5f || size.height > height + 0.5f)
                Fault(text, "takes " + Size(size.width, size.height) + " in a box of " +
                                    Size(width, height));
            if (numbersWhole)
                for (const std::string& word : WordsWithDigits(text))
                    if (this->MeasureText(word).width > width + 0.5f)
                        Fault(text, "breaks \"" + word + "\" in a box " + Size(width, 0) + " wide");
            Place(text, QRectF(x, y, width, size.height));
        }
        Surface::DrawText(text, x, y, width, height, align);
    }

    bool StartPage() override
    {
        placed_.clear();
        return Surface::StartPage();
    }

private:
    struct Placed {
        std::string text;
        QRectF rect;
    };

    static std::string Size(float width, float height)
    {
        return std::to_string(static_cast<int>(width)) + "x" +
               std::to_string(static_cast<int>(height));
    }

    static std::vector<std::string> WordsWithDigits(std::string_view text)
    {
        std::vector<std::string> words;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = std::min(text.find(' ', at), text.size());
            const std::string_view word = text.substr(at, end - at);
            const auto digit = [](char c) { return c >= '0' && c <= '9'; };
            const auto letter = [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
            if (std::any_of(word.begin(), word.end(), digit) &&
                std::none_of(word.begin(), word.end(), letter))
                words.emplace_back(word);
            at = end + 1;
        }
        return words;
    }

    void Fault(std::string_view text, const std::string& what)
    {
        faults.push_back("\"" + std::string(text) + "\" " + what);
    }

    // Where the text lies on the device, and whether it covers one placed before on the
    // same page (by more than the half unit that neighbouring boxes may share).
    void Place(std::string_view text, const QRectF& box)
    {
        const QRectF rect = this->Painter()->worldTransform().mapRect(box);
        for (const Placed& other : placed_) {
            const QRectF both = rect.intersected(other.rect);
            if (both.width() > 0.5 && both.height() > 0.5)
                Fault(text, "covers \"" + other.text + "\"");
        }
        placed_.push_back({std::string(text), rect});
    }

    std::vector<Placed> placed_;
};

struct NoSelection : QPGanttInterface {
    void GanttViewSelectTask(int64_t) override {}
};

// The views, each drawn on the screen (a 96 dpi image) and into a PDF.
void CheckScreen(const std::function<void(LSurface&)>& draw, bool whole)
{
    QImage image(2000, 2000, QImage::Format_ARGB32);
    QPainter painter(&image);
    FitChecking<LPaintSurface> surface(painter, &image);
    surface.noEllipsis = whole;
    draw(surface);
    for (const std::string& fault : surface.faults)
        ADD_FAILURE() << "on the screen: " << fault;
}

void CheckDocument(const std::function<void(LSurface&)>& draw, int paper, bool whole)
{
    TempDir folder;
    FitChecking<LPDFWriter> surface(folder.File("out.pdf"), paper);
    surface.numbersWhole = true;
    surface.noEllipsis = whole;
    draw(surface);
    EXPECT_TRUE(surface.Close());
    for (const std::string& fault : surface.faults)
        ADD_FAILURE() << "in the document: " << fault;
}

// `whole`: the plan's names are short enough to be shown whole everywhere.
void CheckEveryView(QPProject& project, LDateTime today, bool whole)
{
    NoSelection owner;
    QPGanttView chart(owner);
    chart.PlotProject(project, today);
    {
        SCOPED_TRACE("Gantt chart");
        CheckScreen([&](LSurface& surface) { chart.Prepaint(surface, nullptr); }, whole);
        CheckDocument([&](LSurface& surface) { chart.Draw(surface, LMatrix::Identity()); },
                      LPrint::ePaperA4, whole);
    }
    QPBaselineView comparison(project, *project.BaselineAdd("Plan A"));
    comparison.PlotComparison(today);
    for (int32_t page = 1; page <= comparison.GetNumberOfTables(); ++page) {
        SCOPED_TRACE("baseline page " + std::to_string(page));
        comparison.SetCurrentTable(page, false);
        CheckScreen([&](LSurface& surface) { comparison.Prepaint(surface, nullptr); }, whole);
    }
    {
        SCOPED_TRACE("baseline pages");
        CheckDocument([&](LSurface& surface) { comparison.Draw(surface, LMatrix::Identity()); },
                      LPrint::ePaperLetter, whole);
    }
    for (const eReportKind kind : {eReportKind::taskSummary, eReportKind::taskDetail,
                                   eReportKind::taskExpense, eReportKind::resourceExpense}) {
        SCOPED_TRACE(QPReportKindName(kind));
        std::unique_ptr<QPReportBase> report = QPMakeReport(kind, project);
        report->GenerateReport();
        QPReportPrinter printer(project.options, *report);
        CheckDocument([&](LSurface& surface) { EXPECT_TRUE(PrintingFunction(surface, printer)); },
                      printer.GetPaperSize(), whole);
    }
}

TEST(TextFit, TheSamplePlan)
{
    QPProject project;
    ASSERT_EQ(project.ProjectLoad(KESTRANO_EXAMPLES_DIR "/office-move.qpp"), 0);
    CheckEveryView(project, LocalTime(2027, 4, 20, 9), true);
}

TEST(TextFit, LongNamesAndLargeAmounts)
{
    Plan plan;
    const std::string sentence = "Reconcile the interdepartmental procurement ledgers with the "
                                 "external auditors before the regional steering committee";
    QPResource& firm = plan.Resource("Consolidated International Engineering and Surveying "
                                     "Partners",
                                     nullptr, 9'999, 14'999);
    QPTask* previous = nullptr;
    for (int i = 0; i < 6; ++i) {
        QPTask& task = plan.Task(i % 2 ? sentence
                                       : "Pneumonoultramicroscopicsilicovolcanoconiosis"
                                         "Assessment" +
                                                 std::to_string(i),
                                 "1200");
        task.AddResourceAssignment(firm.key, 100);
        if (previous)
            task.AddDependency(previous->key, eFinishToStart, 0.f);
        previous = &task;
    }
    plan.Recalculate();
    CheckEveryView(plan.project, LocalTime(2027, 3, 2, 9), false);
}

TEST(TextFit, APlanOverSeveralYears)
{
    Plan plan;
    QPTask* previous = nullptr;
    for (const char* name : {"Design", "Permits", "Build", "Fit out", "Hand over"}) {
        QPTask& task = plan.Task(name, "1400");
        if (previous)
            task.AddDependency(previous->key, eFinishToStart, 0.f);
        previous = &task;
    }
    plan.Recalculate();
    ASSERT_GT(plan.project.projectFinish - plan.project.projectStart, 3 * 365 * 86400);
    CheckEveryView(plan.project, LocalTime(2027, 3, 2, 9), true);
}

} // namespace
