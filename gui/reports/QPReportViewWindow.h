#pragma once

#include <QDialog>

#include <string>
#include <string_view>

class LMailServices;
class LSettingsStore;
class LUserPrompts;
class QAction;
class QLabel;
class QPReportBase;
class QPrinter;
class QTreeWidget;

// The window of one generated report: its title, the report as a list, and the commands
// that print it, preview it, save it as PDF or CSV, or send it. The window shows the
// snapshot taken when the report was made.
class QPReportViewWindow : public QDialog {
    Q_OBJECT

public:
    // Commands of the window's menu and toolbar.
    static constexpr int kCmPrint = 1001;
    static constexpr int kCmSaveAsCSV = 1002;
    static constexpr int kCmEmail = 1003;
    static constexpr int kCmPrintPreview = 1004;
    static constexpr int kCmFax = 1005;
    static constexpr int kCmSaveAsPDF = 1006;

    // Without mail services the report cannot be sent by e-mail and that command is off.
    QPReportViewWindow(QPReportBase& report, LUserPrompts& prompts, LSettingsStore& settings,
                       std::string documentsFolder, LMailServices* mail = nullptr,
                       QWidget* parent = nullptr);
    ~QPReportViewWindow() override;

    void Command(int command);
    void CmPrint();
    void CmPrintPreview();
    void CmSaveAsPDF();
    void CmSaveAsCSV();
    // The report as a PDF attachment to the addresses the user gives, with an optional
    // comment; the addresses are remembered for the next report when the user wants.
    void CmEmail();
    void CmFax();
    // Draws every page of the report on a printer already set up for A4 portrait.
    void PrintTo(QPrinter& printer);

    QTreeWidget& List() const { return *list_; }
    QAction* CommandAction(int command) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void FillList();
    void LayoutControls();

    QPReportBase& report_;
    LUserPrompts& prompts_;
    LSettingsStore& settings_;
    std::string documentsFolder_;
    LMailServices* mail_ = nullptr;
    QWidget* content_ = nullptr;
    QLabel* icon_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* subtitle_ = nullptr;
    QTreeWidget* list_ = nullptr;
    bool filled_ = false;
};

// The text of a report's e-mail: the user's comment (when there is one) and a blank line,
// then which report is attached.
std::string QPEmailReportBody(std::string_view comment, std::string_view title,
                              std::string_view subtitle);
