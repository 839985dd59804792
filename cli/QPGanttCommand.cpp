#include "QPGanttCommand.h"

#include "LPlatform.h"
#include "LQPainterSurface.h"
#include "framework/LFiles.h"
#include "model/QPProject.h"
#include "reports/QPReportPrinter.h"
#include "reports/QPReportTable.h"
#include "views/LAppSaveToPDF.h"
#include "views/QPBaselineView.h"
#include "views/QPGanttView.h"

#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

// Nobody clicks a chart that is only written to a file.
struct NoWindow : QPGanttInterface {
    void GanttViewSelectTask(int64_t) override {}
};

// The command's own line is all it says on stderr: the toolkit's notes about the missing
// display session are of no use to a script.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "kestrano-cli: %s\n", qUtf8Printable(message));
}

} // namespace

void EnsureToolkit()
{
    if (QGuiApplication::instance())
        return;
    qInstallMessageHandler(QuietMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kestrano-cli";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    LPlatformInitialize();
}

bool WriteGanttChartPDF(const QPProject& project, const std::string& path, std::string& error)
{
    if (LIsFileInUse(path)) {
        error = path + " is in use by another application";
        return false;
    }
    EnsureToolkit();
    NoWindow window;
    QPGanttView view(window);
    view.PlotProject(project);
    LPDFWriter writer(path, LPrint::ePaperLetter);
    if (!PrintingFunction(writer, view) || !writer.Close()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool WriteBaselineComparisonPDF(const QPProject& project, const QPBaseline& baseline,
                                const std::string& path, std::string& error)
{
    if (LIsFileInUse(path)) {
        error = path + " is in use by another application";
        return false;
    }
    EnsureToolkit();
    QPBaselineView view(project, baseline);
    view.PlotComparison();
    LPDFWriter writer(path, LPrint::ePaperLetter);
    if (!PrintingFunction(writer, view) || !writer.Close()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool WriteReportPDF(QPReportBase& report, const std::string& path, std::string& error)
{
    if (LIsFileInUse(path)) {
        error = path + " is in use by another application";
        return false;
    }
    EnsureToolkit();
    QPReportPrinter pages(report.project.options, report);
    LPDFWriter writer(path, LPrint::ePaperA4);
    if (!PrintingFunction(writer, pages) || !writer.Close()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
