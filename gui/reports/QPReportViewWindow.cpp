#include "reports/QPReportViewWindow.h"

#include "LQPainterSurface.h"
#include "dialogs/QPDialogFields.h"
#include "fileformat/LSettings.h"
#include "framework/LProcessDialog.h"
#include "framework/LUserPrompts.h"
#include "mail/LEmailAttachPDF.h"
#include "mail/LEmailSettings.h"
#include "mail/LEmailSettingsDialog.h"
#include "model/QPProject.h"
#include "reports/QPReportPrinter.h"
#include "reports/QPReportTable.h"
#include "reports/QPReports.h"
#include "views/LAppSaveToPDF.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* kPlacement = "ReportView";
constexpr const char* kSettings = "Settings";
constexpr const char* kReportEmail = "ReportEmail";

void SetUpPrinter(QPrinter& printer)
{
    // Reports are laid out for A4 portrait at their natural size.
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
}

} // namespace

std::string QPEmailReportBody(std::string_view comment, std::string_view title,
                              std::string_view subtitle)
{
    std::string body;
    if (!comment.empty()) {
        // Mail lines end in CR LF; the comment box gives bare line feeds.
        for (std::size_t i = 0; i < comment.size(); ++i) {
            if (comment[i] == '\n' && (i == 0 || comment[i - 1] != '\r'))
                body += '\r';
            body += comment[i];
        }
        body += "\r\n\r\n";
    }
    body.append(title).append(" ").append(subtitle);
    body += " is attached to this email.\r\n\r\nThis report has been generated automatically by "
            "Kestrano. ";
    return body;
}

QPReportViewWindow::QPReportViewWindow(QPReportBase& report, LUserPrompts& prompts,
                                       LSettingsStore& settings, std::string documentsFolder,
                                       LMailServices* mail, QWidget* parent)
    : QDialog(parent), report_(report), prompts_(prompts), settings_(settings),
      documentsFolder_(std::move(documentsFolder)), mail_(mail)
{
    setWindowTitle(QStringLiteral("Report: %1").arg(QPFromUtf8(report.title.str())));
    setModal(true);

    auto* menuBar = new QMenuBar(this);
    QMenu* menu = menuBar->addMenu(QStringLiteral("&Report"));
    struct Entry {
        int command;
        const char* text;
    };
    const Entry entries[] = {{kCmPrint, "&Print"},           {kCmPrintPreview, "Print Pre&view"},
                             {kCmEmail, "Send to &Email"},   {kCmFax, "Send to &Fax"},
                             {kCmSaveAsPDF, "&Save as PDF"}, {kCmSaveAsCSV, "Save as CSV"}};
    for (const Entry& entry : entries) {
        QAction* action = menu->addAction(QString::fromUtf8(entry.text));
        action->setData(entry.command);
        const int command = entry.command;
        connect(action, &QAction::triggered, this, [this, command] { Command(command); });
        if (command == kCmSaveAsPDF)
            action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        if (command == kCmEmail)
            action->setEnabled(mail_ != nullptr);
    }

    auto* toolBar = new QToolBar(this);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct Button {
        int command;
        const char* label;
        const char* tip;
    };
    const Button buttons[] = {
            {kCmPrintPreview, "Preview", "View the print preview of this report"},
            {kCmPrint, "Print", "Print this report"},
            {100, "Save", "Save this report as a CSV or PDF file"},
            {kCmEmail, "Email", "Send this report by email"},
            {kCmFax, "Fax", "Send this report by fax"},
    };
    for (const Button& button : buttons) {
        QAction* action = toolBar->addAction(QString::fromUtf8(button.label));
        action->setToolTip(QString::fromUtf8(button.tip));
        action->setData(button.command);
        const int command = button.command;
        if (command == 100) {
            // "Save" offers both files from one button.
            auto* saveMenu = new QMenu(this);
            saveMenu->addAction(QStringLiteral("&Save as PDF"), this, [this] { CmSaveAsPDF(); });
            saveMenu->addAction(QStringLiteral("Save as CSV"), this, [this] { CmSaveAsCSV(); });
            action->setMenu(saveMenu);
            connect(action, &QAction::triggered, this, [this, toolBar, action] {
                if (auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(action)))
                    button->showMenu();
            });
            continue;
        }
        connect(action, &QAction::triggered, this, [this, command] { Command(command); });
        if (command == kCmEmail)
            action->setEnabled(mail_ != nullptr);
    }

    content_ = new QWidget(this);
    icon_ = new QLabel(content_);
    icon_->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(48, 48));
    title_ = new QLabel(QPFromUtf8(report.title.str()), content_);
    QFont titleFont = title_->font();
    titleFont.setPointSize(12);
    titleFont.setBold(true);
    title_->setFont(titleFont);
    subtitle_ = new QLabel(QPFromUtf8(report.subtitle.str()), content_);
    list_ = new QTreeWidget(content_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(toolBar);
    layout->addWidget(content_, 1);

    const LSettings stored(settings_);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    resize(stored.GetIntClamped(kPlacement, "Width", 900, 400, screen.width()),
           stored.GetIntClamped(kPlacement, "Height", 640, 300, screen.height()));
}

QPReportViewWindow::~QPReportViewWindow() = default;

QAction* QPReportViewWindow::CommandAction(int command) const
{
    for (QAction* action : findChildren<QAction*>())
        if (action->data().toInt() == command && !action->menu())
            return action;
    return nullptr;
}

void QPReportViewWindow::Command(int command)
{
    switch (command) {
    case kCmPrint:
        CmPrint();
        break;
    case kCmPrintPreview:
        CmPrintPreview();
        break;
    case kCmSaveAsPDF:
        CmSaveAsPDF();
        break;
    case kCmSaveAsCSV:
        CmSaveAsCSV();
        break;
    case kCmEmail:
        CmEmail();
        break;
    case kCmFax:
        CmFax();
        break;
    default:
        break;
    }
}

void QPReportViewWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The list fills once the window is on screen, so a long report never delays it.
    if (!filled_)
        QTimer::singleShot(0, this, [this] { FillList(); });
}

void QPReportViewWindow::FillList()
{
    if (filled_)
        return;
    filled_ = true;
    const QPReportTable& table = report_.table;
    QStringList titles;
    for (const LVColDynamicGlobal& column : table.Columns())
        titles << QString::fromUtf8(column.title);
    list_->setHeaderLabels(titles);
    QList<QTreeWidgetItem*> items;
    for (const std::vector<std::string>& line : QPReportListLines(table)) {
        auto* item = new QTreeWidgetItem;
        for (std::size_t column = 0; column < line.size(); ++column) {
            item->setText(static_cast<int>(column), QPFromUtf8(line[column]));
            const int alignment = column < table.GetColumnCount()
                                          ? table.Columns()[column].alignment
                                          : eReportAlignLeft;
            item->setTextAlignment(static_cast<int>(column),
                                   (alignment == eReportAlignRight    ? Qt::AlignRight
                                    : alignment == eReportAlignCentre ? Qt::AlignHCenter
                                                                      : Qt::AlignLeft) |
                                           Qt::AlignVCenter);
        }
        items.append(item);
    }
    list_->addTopLevelItems(items);
    // Column widths follow the relative widths, over the list's whole width.
    int weights = 0;
    for (const LVColDynamicGlobal& column : table.Columns())
        weights += column.width;
    const int available = list_->viewport()->width();
    for (std::size_t column = 0; column < table.GetColumnCount() && weights > 0; ++column)
        list_->setColumnWidth(static_cast<int>(column),
                              available * table.Columns()[column].width / weights);
    if (!items.isEmpty())
        list_->setCurrentItem(items.front());
}

void QPReportViewWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayoutControls();
}

void QPReportViewWindow::LayoutControls()
{
    const int width = content_->width();
    const int height = content_->height();
    icon_->setGeometry(14, 8, 48, 48);
    title_->setGeometry(76, 12, width / 2, 18);
    subtitle_->setGeometry(76, 38, width / 2, 18);
    list_->setGeometry(14, 68, std::max(0, width - 28), std::max(0, height - 68 - 14));
}

void QPReportViewWindow::done(int result)
{
    LSettings stored(settings_);
    stored.SetInt(kPlacement, "Width", width());
    stored.SetInt(kPlacement, "Height", height());
    QDialog::done(result);
}

// ---------------------------------------------------------------------------------------
// Output

void QPReportViewWindow::PrintTo(QPrinter& printer)
{
    QPReportPrinter pages(report_.project.options, report_);
    LPrintSurface surface(printer, LPrint::ePaperA4);
    PrintingFunction(surface, pages);
    surface.Close();
}

void QPReportViewWindow::CmPrint()
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintTo(printer);
}

void QPReportViewWindow::CmPrintPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer);
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { PrintTo(*target); });
    preview.exec();
}

void QPReportViewWindow::CmSaveAsPDF()
{
    QPReportPrinter pages(report_.project.options, report_);
    const LPDFWriterFactory createWriter = [](const std::string& path, int paperSize) {
        return std::make_unique<LPDFWriter>(path, paperSize);
    };
    LAppSaveToPDF(prompts_, settings_, documentsFolder_, createWriter, pages, LPrint::ePaperA4);
}

void QPReportViewWindow::CmSaveAsCSV()
{
    LSaveFileRequest request;
    request.title = "Save to CSV";
    request.fileTypeName = "CSV File";
    request.extension = "csv";
    request.defaultName = "Report.csv";
    request.folder = documentsFolder_;
    const std::optional<std::string> path = prompts_.AskSaveFile(request);
    if (!path)
        return;
    // A report that silently failed to save would be looked for in vain.
    if (!report_.table.SaveToCSV(*path))
        prompts_.ShowAlert("Save to CSV", "The CSV file \"" + *path + "\" could not be written.");
}

void QPReportViewWindow::CmEmail()
{
    if (!mail_)
        return;
    const LEmailContext context{settings_, prompts_, mail_};
    if (!LEmailSendSettingsIfRequired(this, context))
        return;
    LSettings stored(settings_);
    LEmailAddressRequest request;
    request.title = "Send to Email";
    request.initial = stored.GetString(kSettings, kReportEmail).str();
    request.remember = true;
    const std::optional<LEmailAddressAnswer> answer = prompts_.AskEmailAddress(request);
    if (!answer)
        return;
    if (answer->remember)
        stored.SetString(kSettings, kReportEmail, answer->addresses);

    const std::string title = report_.title.str();
    const std::string subtitle = report_.subtitle.str();
    QPReportPrinter pages(report_.project.options, report_);
    LEmailPrintProcess<QPReportPrinter> send;
    // The prompt accepts addresses separated by semicolons too; the sender splits at commas.
    send.recipient = answer->addresses;
    std::replace(send.recipient.begin(), send.recipient.end(), ';', ',');
    send.subject = title + " " + subtitle;
    send.body = QPEmailReportBody(answer->comment, title, subtitle);
    send.paperSize = pages.GetPaperSize();
    send.services = mail_;
    send.settings = LEmailSettings::ReadForSending(settings_);
    LEmailAttachPDF(send, pages);
    // Failures were shown by the sending itself; a cancel needs no word.
    ProcessRunAsDialog(this, "Sending", send, prompts_);
}

void QPReportViewWindow::CmFax()
{
    LSettings stored(settings_);
    LFaxNumberRequest request;
    request.title = "Send to Fax";
    request.initial = stored.GetString("Settings", "ReportFax").str();
    const std::optional<LFaxNumberAnswer> answer = prompts_.AskFaxNumber(request);
    if (!answer)
        return;
    // The number is kept for the next report only when the user asks for it.
    if (answer->remember)
        stored.SetString("Settings", "ReportFax", answer->number);
    std::string message = "This computer has no fax service to send the report with.";
    if (answer->remember)
        message += " The number " + answer->number + " is kept for the next report.";
    prompts_.ShowInformation("Send to Fax", message);
}
