#include "MainDialog.h"

#include "LQPainterSurface.h"
#include "LQtSettingsStore.h"
#include "LQtUserPrompts.h"
#include "framework/LVersion.h"
#include "model/QPProject.h"
#include "views/LAppSaveToPDF.h"
#include "views/QPGanttPane.h"

#include <QMenuBar>
#include <QStatusBar>

MainDialog::MainDialog(QWidget* parent)
    : QMainWindow(parent), project_(std::make_unique<QPProject>()),
      settings_(std::make_unique<LQtSettingsStore>()),
      prompts_(std::make_unique<LQtUserPrompts>(this))
{
    statusBar()->showMessage(QStringLiteral("%1 %2").arg(QString::fromUtf8(kKestranoName),
                                                         QString::fromUtf8(kKestranoVersion)));
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Export Gantt Chart to PDF..."), this,
                    &MainDialog::CmGanttExportPDF);

    ganttPane_ = new QPGanttPane(*this, this);
    setCentralWidget(ganttPane_);
    resize(1100, 700);
    FullGUIRefresh();
}

MainDialog::~MainDialog() = default;

void MainDialog::UpdateTitle()
{
    setWindowTitle(QString::fromStdString(project_->name.str()));
}

bool MainDialog::OpenProjectFile(const std::string& path)
{
    const bool opened = project_->ProjectLoad(path) == 0;
    FullGUIRefresh();
    return opened;
}

void MainDialog::FullGUIRefresh()
{
    project_->AutoScheduleTasks();
    project_->CalculateEndDateByTasks();
    ganttPane_->PlotProject(*project_);
    UpdateTitle();
}

void MainDialog::CmGanttExportPDF()
{
    const LPDFWriterFactory createWriter = [](const std::string& path, int paperSize) {
        return std::make_unique<LPDFWriter>(path, paperSize);
    };
    LAppSaveToPDF(*prompts_, *settings_, LQtUserPrompts::DocumentsFolder(), createWriter,
                  ganttPane_->View(), LPrint::ePaperLetter);
}

void MainDialog::GanttViewSelectTask(int64_t taskKey)
{
    selectedTaskKey_ = taskKey;
}
