#include "views/QPBaselineDlg.h"

#include "LQPainterSurface.h"
#include "dialogs/QPDialogFields.h"
#include "fileformat/LSettings.h"
#include "framework/LUserPrompts.h"
#include "model/QPBaseline.h"
#include "views/LAppSaveToPDF.h"
#include "views/LSceneControl.h"
#include "views/QPGanttView.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr const char* kPlacement = "BaselineComparison";

// The printer's pages start white whatever the device left on them, as the saved PDF's do.
class QPWhitePrintSurface : public LPrintSurface {
public:
    using LPrintSurface::LPrintSurface;

    bool StartPage() override
    {
        if (!LPrintSurface::StartPage())
            return false;
        Clear(LColor::White());
        return true;
    }
};

} // namespace

QPBaselineDlg::QPBaselineDlg(const QPProjectBase& project, const QPBaseline& baseline,
                             LUserPrompts& prompts, LSettingsStore& settings,
                             std::string documentsFolder, QWidget* parent)
    : QDialog(parent), view_(project, baseline), prompts_(prompts), settings_(settings),
      documentsFolder_(std::move(documentsFolder))
{
    InitDialog();
}

QPBaselineDlg::~QPBaselineDlg()
{
    // The control lets go of the view when it goes; as a child widget it would otherwise
    // only go after the view, with the base class.
    delete control_;
}

void QPBaselineDlg::InitDialog()
{
    setModal(true);
    setSizeGripEnabled(true);

    auto* menuBar = new QMenuBar(this);
    QMenu* menu = menuBar->addMenu(QStringLiteral("&Baseline"));
    QAction* print = menu->addAction(QStringLiteral("&Print"));
    print->setData(kCmPrint);
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    QAction* save = menu->addAction(QStringLiteral("&Save as PDF"));
    save->setData(kCmSaveAsPDF);
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));

    auto* toolBar = new QToolBar(this);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct Button {
        int command;
        const char* label;
        const char* tip;
    };
    const Button buttons[] = {
            {kCmPrint, "Print", "Print this comparison"},
            {kCmSaveAsPDF, "Save", "Save this comparison as a PDF file"},
            {kCmPreviousPage, "Previous", "Preview Previous Page"},
            {kCmNextPage, "Next", "Preview Next Page"},
    };
    for (const Button& button : buttons) {
        QAction* action = toolBar->addAction(QString::fromUtf8(button.label));
        action->setToolTip(QString::fromUtf8(button.tip));
        action->setData(button.command);
        // The pages are stepped through as in a print preview.
        if (button.command == kCmPreviousPage)
            action->setShortcut(QKeySequence(Qt::Key_PageUp));
        if (button.command == kCmNextPage)
            action->setShortcut(QKeySequence(Qt::Key_PageDown));
    }
    for (QAction* action : {print, save})
        connect(action, &QAction::triggered, this,
                [this, command = action->data().toInt()] { Command(command); });
    for (QAction* action : toolBar->actions())
        connect(action, &QAction::triggered, this,
                [this, command = action->data().toInt()] { Command(command); });

    pane_ = new QWidget(this);
    pane_->installEventFilter(this);
    control_ = new LSceneControl(view_, pane_);
    vertical_ = new QScrollBar(Qt::Vertical, pane_);
    horizontal_ = new QScrollBar(Qt::Horizontal, pane_);
    connect(vertical_, &QScrollBar::valueChanged, this, [this] { Command(kCmScrollV); });
    connect(horizontal_, &QScrollBar::valueChanged, this, [this] { Command(kCmScrollH); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(toolBar);
    layout->addWidget(pane_, 1);

    view_.PlotComparison();
    setWindowTitle(QPFromUtf8(view_.GetCaption()));
    RestorePlacement();
    LayoutView();
    EnableControls();
}

QAction* QPBaselineDlg::CommandAction(int command) const
{
    // The toolbar's action where there is one: it is the one whose enabling the user sees.
    QAction* found = nullptr;
    for (QAction* action : findChildren<QAction*>()) {
        if (action->data().toInt() != command || action->menu())
            continue;
        if (qobject_cast<QToolBar*>(action->parent()))
            return action;
        found = action;
    }
    return found;
}

void QPBaselineDlg::Command(int command)
{
    switch (command) {
    case kCmPreviousPage:
        CmShowPreviousTable();
        break;
    case kCmNextPage:
        CmShowNextTable();
        break;
    case kCmPrint:
        CmPrint();
        break;
    case kCmSaveAsPDF:
        CmSaveAsPDF();
        break;
    case kCmScrollV:
        ApplyScrollV();
        break;
    case kCmScrollH:
        ApplyScrollH();
        break;
    default:
        break;
    }
}

void QPBaselineDlg::CmShowPreviousTable()
{
    view_.CmShowPreviousTable(true);
    EnableControls();
}

void QPBaselineDlg::CmShowNextTable()
{
    view_.CmShowNextTable(true);
    EnableControls();
}

void QPBaselineDlg::EnableControls()
{
    for (QAction* action : findChildren<QAction*>()) {
        const int command = action->data().toInt();
        if (command == kCmPreviousPage)
            action->setEnabled(view_.CanShowPreviousTable());
        else if (command == kCmNextPage)
            action->setEnabled(view_.CanShowNextTable());
    }
}

// ---------------------------------------------------------------------------------------
// Scrolling: the page is scrolled as the chart is, with the page's extent

bool QPBaselineDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pane_) {
        if (event->type() == QEvent::Resize)
            LayoutView();
        else if (event->type() == QEvent::Wheel) {
            LScrollSceneByWheel(static_cast<QWheelEvent&>(*event), *horizontal_, *vertical_);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QPBaselineDlg::LayoutView()
{
    LLayoutSceneScrollBars(*control_, *horizontal_, *vertical_, QPBaselineGeometry::kPageWidth,
                           QPBaselineGeometry::kPageHeight, pane_->rect());
    ApplyScrollH();
    ApplyScrollV();
}

void QPBaselineDlg::ApplyScrollH()
{
    view_.offsetX = -static_cast<float>(horizontal_->value());
    control_->update();
}

void QPBaselineDlg::ApplyScrollV()
{
    view_.offsetY = -static_cast<float>(vertical_->value());
    control_->update();
}

// ---------------------------------------------------------------------------------------
// Output

void QPBaselineDlg::PrintTo(QPrinter& printer)
{
    QPWhitePrintSurface surface(printer, LPrint::ePaperLetter);
    PrintingFunction(surface, view_);
    surface.Close();
}

void QPBaselineDlg::CmPrint()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintTo(printer);
}

void QPBaselineDlg::CmSaveAsPDF()
{
    const LPDFWriterFactory createWriter = [](const std::string& path, int paperSize) {
        return std::make_unique<LPDFWriter>(path, paperSize);
    };
    LAppSaveToPDF(prompts_, settings_, documentsFolder_, createWriter, view_, LPrint::ePaperLetter);
}

// ---------------------------------------------------------------------------------------
// Placement: where the user last left the window, kept on the screen

void QPBaselineDlg::RestorePlacement()
{
    const LSettings stored(settings_);
    const QScreen* screen = parentWidget() && parentWidget()->screen()
                                    ? parentWidget()->screen()
                                    : QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    // The first time, a whole page's width with its scroll bar.
    const int defaultWidth = static_cast<int>(std::ceil(QPBaselineGeometry::kPageWidth)) +
                             QPGanttScrollLayout::kVerticalBarWidth;
    const int width = stored.GetIntClamped(kPlacement, "Width", defaultWidth, 400, area.width());
    const int height = stored.GetIntClamped(kPlacement, "Height", 900, 300, area.height());
    resize(width, height);
    if (!settings_.Read(LSettingsFullName(kPlacement, "X")))
        return;
    const int left =
            stored.GetIntClamped(kPlacement, "X", x(), area.left(), area.right() - width + 1);
    const int top =
            stored.GetIntClamped(kPlacement, "Y", y(), area.top(), area.bottom() - height + 1);
    move(left, top);
}

void QPBaselineDlg::StorePlacement()
{
    // The frame's corner, as move() takes it back, and the window's own size, as resize()
    // does.
    LSettings stored(settings_);
    stored.SetInt(kPlacement, "X", pos().x());
    stored.SetInt(kPlacement, "Y", pos().y());
    stored.SetInt(kPlacement, "Width", width());
    stored.SetInt(kPlacement, "Height", height());
}

void QPBaselineDlg::done(int result)
{
    StorePlacement();
    QDialog::done(result);
}
