// The baseline dialogs (preset name, refusals, the choice by ID) and the comparison window
// (pages stepped, scrolled like the chart, saved and printed whole, its place remembered).

#include "dialogs/QPBaselineCreateDlg.h"
#include "dialogs/QPBaselineSelectionDlg.h"
#include "views/LSceneControl.h"
#include "views/QPBaselineDlg.h"

#include "gui/GuiTest.h"

#include <QPrinter>

// The preset name and the checks are the baselines' rules (tests/core/dialogs); here the
// field selected, a refusal kept open on it, and the choice handed back by ID.
TEST(BaselineDialogs, CreateOffersTheNameAndSelectionHandsBackTheChosenBaselinesID)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
    Plan plan;
    plan.project.SetName("Harbour Bridge");
    for (const char* name : {"Approved Plan", "After Tender", "Winter Delay"})
        plan.project.BaselineAdd(name);
    // After a deletion the IDs have closed up; the answer names the baseline, not a row.
    ASSERT_TRUE(plan.project.BaselineDelete(0));
    plan.project.options.SetDateFormat(eDateFormatNumeric, eDateOrderDayMonthYear, '.');
    ScriptedPrompts prompts;
    QPBaselineCreateDlg dialog(plan.project, prompts);
    dialog.show();
    EXPECT_EQ(dialog.NameEdit().selectedText(), QStringLiteral("Harbour Bridge (06.12.2026)"));
    dialog.NameEdit().setText(QStringLiteral(" After Tender "));
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible() && dialog.focusWidget() == &dialog.NameEdit());
    EXPECT_EQ(prompts.Take().at(0).title, "Invalid Entry");
    dialog.NameEdit().setText(QStringLiteral("  Spring Review "));
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Name(), "Spring Review");
    EXPECT_EQ(plan.project.baselines.size(), 2u) << "adding it is the caller's business";
    QPBaselineSelectionDlg selection(plan.project, "Select Baseline", "Compare", prompts);
    selection.show();
    EXPECT_TRUE(selection.ActionButton().isDefault());
    selection.BaselineChoice().setCurrentIndex(1);
    selection.ActionButton().click();
    EXPECT_EQ(selection.result(), QDialog::Accepted);
    EXPECT_EQ(plan.project.GetBaseline(selection.SelectedBaselineID())->name, "Winter Delay");
    QPProject empty; // Without a choice: refused and left open; Cancel answers nothing.
    QPBaselineSelectionDlg none(empty, "Select Baseline", "Compare", prompts);
    none.show();
    none.ActionButton().click();
    EXPECT_EQ(prompts.Take().at(0).title, "No Baseline Selected");
    EXPECT_TRUE(none.isVisible());
    Press(none, QDialogButtonBox::Cancel);
    EXPECT_EQ(none.SelectedBaselineID(), -1);
}

using BaselineWindow = WidgetTest;

TEST_F(BaselineWindow, ScrollsAndStepsThroughThePagesSavesAndPrintsThemAllAndRemembersItsPlace)
{
    // 47 tasks, one more than a page holds; the baseline is taken before the last one.
    for (int i = 1; i <= 46; ++i)
        plan.Task("Step " + std::to_string(i), i % 2 ? "8" : "16");
    plan.Recalculate();
    plan.project.BaselineAdd("Approved");
    plan.Task("Late addition", "8");
    plan.Recalculate();
    const auto Open = [this] {
        return std::make_unique<QPBaselineDlg>(plan.project, *plan.project.GetBaseline(0), prompts,
                                               store, Root());
    };
    auto window = Open();
    window->resize(900, 700);
    window->show();
    QCoreApplication::processEvents();
    window->HorizontalBar().setValue(200); // scrolled as the chart is (QPGanttPaneTest)
    const auto state = [&] {
        return std::to_string(window->View().GetCurrentTable()) +
               (window->CommandAction(QPBaselineDlg::kCmPreviousPage)->isEnabled() ? " <" : "") +
               (window->CommandAction(QPBaselineDlg::kCmNextPage)->isEnabled() ? " >" : "");
    };
    EXPECT_EQ(state(), "1 >");
    const auto run = [&](std::initializer_list<int> commands) {
        for (int command : commands)
            window->Command(command);
        return state();
    };
    // Past the last page, or before the first, the page stays.
    const int next = QPBaselineDlg::kCmNextPage, previous = QPBaselineDlg::kCmPreviousPage;
    EXPECT_EQ(run({next, next}), "2 <");
    EXPECT_EQ(window->View().offsetX, -200) << "the scroll position kept from page to page";
    EXPECT_EQ(run({previous, previous}), "1 >");
    prompts.Then(Path("comparison.pdf")).Then(std::nullopt); // the second cancelled: no file
    run({QPBaselineDlg::kCmSaveAsPDF, QPBaselineDlg::kCmSaveAsPDF});
    EXPECT_EQ(prompts.Take().at(0).folder, Root());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Root()), {}), 1);
    EXPECT_EQ(PageSizes(Path("comparison.pdf")), Sizes(2, {612, 792}));
    EXPECT_EQ(window->View().GetCurrentTable(), 1) << "the page the user was looking at";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(Path("printed.pdf")));
    window->Command(QPBaselineDlg::kCmNextPage);
    window->PrintTo(printer);
    EXPECT_EQ(PageSizes(Path("printed.pdf")).size(), 2u);
    EXPECT_EQ(window->View().GetCurrentTable(), 2);
    // Clamping a stored value is the settings' (tests/core/fileformat); a place remembered on a
    // larger screen is brought back onto this one.
    window->resize(700, 500);
    window->move(30, 40);
    QCoreApplication::processEvents();
    window->reject();
    EXPECT_EQ(Open()->geometry(), QRect(30, 40, 700, 500));
    LSettings(store).SetInt("BaselineComparison", "Width", 100000);
    LSettings(store).SetInt("BaselineComparison", "X", 100000);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window = Open();
    EXPECT_EQ(window->x() + window->width(), screen.left() + screen.width());
}
