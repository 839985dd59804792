#pragma once

#include "views/QPBaselineView.h"

#include <QDialog>

#include <string>

class LSceneControl;
class LSettingsStore;
class LUserPrompts;
class QAction;
class QPBaseline;
class QPProjectBase;
class QPrinter;
class QScrollBar;

// The comparison of the plan with one baseline: the view's pages one at a time, stepped
// through with Previous and Next, scrolled like the chart, printed or saved as a PDF file
// with every page. The pages are built once, when the window opens, and the window is
// modal, so the project cannot change under them.
class QPBaselineDlg : public QDialog {
    Q_OBJECT

public:
    // Commands of the window's menu and toolbar.
    static constexpr int kCmPreviousPage = 1001;
    static constexpr int kCmNextPage = 1002;
    static constexpr int kCmPrint = 1003;
    static constexpr int kCmSaveAsPDF = 1004;
    static constexpr int kCmScrollV = 1005;
    static constexpr int kCmScrollH = 1006;

    QPBaselineDlg(const QPProjectBase& project, const QPBaseline& baseline, LUserPrompts& prompts,
                  LSettingsStore& settings, std::string documentsFolder, QWidget* parent = nullptr);
    ~QPBaselineDlg() override;

    void Command(int command);
    void CmShowPreviousTable();
    void CmShowNextTable();
    // The platform's print dialog chooses the printer; a cancel prints nothing.
    void CmPrint();
    void CmSaveAsPDF();
    // Draws every page on a printer, one sheet of US Letter each, on white.
    void PrintTo(QPrinter& printer);

    QPBaselineView& View() { return view_; }
    LSceneControl& Control() const { return *control_; }
    QScrollBar& HorizontalBar() const { return *horizontal_; }
    QScrollBar& VerticalBar() const { return *vertical_; }
    // The toolbar or menu action of a command, or none.
    QAction* CommandAction(int command) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    // Builds the pages, shows the first and enables the commands.
    void InitDialog();
    void EnableControls();
    void LayoutView();
    void ApplyScrollH();
    void ApplyScrollV();
    void RestorePlacement();
    void StorePlacement();

    QPBaselineView view_;
    LUserPrompts& prompts_;
    LSettingsStore& settings_;
    std::string documentsFolder_;
    QWidget* pane_ = nullptr;
    LSceneControl* control_ = nullptr;
    QScrollBar* horizontal_ = nullptr;
    QScrollBar* vertical_ = nullptr;
};
