// A long report written as a PDF file: a Task Detail-like table of 5,000 tasks, each with
// its dates, constraint and type and two indented lines below it, laid out over A4 pages
// with real font metrics and written through the PDF writer.

#include "LQPainterSurface.h"
#include "model/QPProject.h"
#include "reports/QPReportPrinter.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr LVColDynamicGlobal kDetailColumns[] = {
        {"Task", 40, eReportAlignLeft, true},    {"Start", 20, eReportAlignLeft, false},
        {"Finish", 20, eReportAlignLeft, false}, {"Constraint", 25, eReportAlignLeft, false},
        {"Type", 20, eReportAlignLeft, false},
};

class DetailReport : public QPReportBase {
public:
    explicit DetailReport(const QPProject& project)
        : QPReportBase(project, kDetailColumns, "Task Detail Report")
    {}
    void GenerateReport() override
    {
        for (int i = 0; i < 5000; ++i) {
            table.AddRow(kReportRowOrdinary, 0, 0, false,
                         {"Task number " + std::to_string(i) + " of the site works programme",
                          "3/1/2027 8:00 AM", "3/12/2027 5:00 PM", "As Soon As Possible",
                          "Fixed Work"});
            table.AddRow(kReportRowOrdinary, 2, 0, false, {"Assigned Resources"});
            table.AddRow(kReportRowOrdinary, 5, 0, false, {"Mason (100%)"});
        }
        rowCount = 5000;
    }
};

void BM_ReportTaskDetail5000ToPDF(benchmark::State& state)
{
    QPProject project;
    DetailReport report(project);
    report.GenerateReport();
    QPReportPrinter printer(project.options, report);
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("report.pdf")).toStdString();
    for (auto _ : state) {
        LPDFWriter writer(path, printer.GetPaperSize());
        benchmark::DoNotOptimize(PrintingFunction(writer, printer));
        if (!writer.Close())
            state.SkipWithError("the PDF could not be written");
    }
    state.counters["rows"] = static_cast<double>(report.table.Rows().size());
}
BENCHMARK(BM_ReportTaskDetail5000ToPDF)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
