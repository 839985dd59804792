#include "MainDialog.h"

#include "framework/LVersion.h"
#include "model/QPProject.h"

#include <QStatusBar>

MainDialog::MainDialog(QWidget* parent)
    : QMainWindow(parent), project_(std::make_unique<QPProject>())
{
    statusBar()->showMessage(QStringLiteral("%1 %2").arg(QString::fromUtf8(kKestranoName),
                                                         QString::fromUtf8(kKestranoVersion)));
    resize(1100, 700);
    UpdateTitle();
}

MainDialog::~MainDialog() = default;

void MainDialog::UpdateTitle()
{
    setWindowTitle(QString::fromStdString(project_->name.str()));
}
