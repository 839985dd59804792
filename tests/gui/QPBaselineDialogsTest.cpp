// The baseline dialogs as the user meets them: the preset name, refusals that keep the
// dialog open, and the answer handed back to the command without touching the project.

#include "dialogs/QPBaselineCreateDlg.h"
#include "dialogs/QPBaselineSelectionDlg.h"
#include "model/QPProject.h"

#include "support/ScriptedPrompts.h"
#include "support/TestTime.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class BaselineDialogs : public ::testing::Test {
protected:
    BaselineDialogs()
    {
        project.SetName("Harbour Bridge");
        project.BaselineAdd("Approved Plan");
        project.BaselineAdd("After Tender");
        project.BaselineAdd("Winter Delay");
    }

    void ExpectOneAlert(const char* title, const char* message)
    {
        const std::vector<ScriptedPrompts::Prompt> shown = prompts.Take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].kind, "alert");
        EXPECT_EQ(shown[0].title, title);
        EXPECT_EQ(shown[0].message, message);
    }

    QPProject project;
    ScriptedPrompts prompts;
};

void PressOK(QDialog& dialog)
{
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Ok)->click();
}

} // namespace

TEST_F(BaselineDialogs, CreateStartsFromTheProjectNameAndToday)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
    project.options.SetDateFormat(eDateFormatNumeric, eDateOrderDayMonthYear, '.');
    QPBaselineCreateDlg dialog(project, prompts);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New Baseline"));
    EXPECT_EQ(dialog.NameEdit().text(), QStringLiteral("Harbour Bridge (06.12.2026)"));
    // Typing replaces the whole preset.
    EXPECT_EQ(dialog.NameEdit().selectedText(), dialog.NameEdit().text());
}

TEST_F(BaselineDialogs, CreateRefusesBlankAndDuplicateNamesAndStaysOpen)
{
    QPBaselineCreateDlg dialog(project, prompts);
    dialog.show();

    dialog.NameEdit().setText(QStringLiteral("  \t "));
    PressOK(dialog);
    ExpectOneAlert("Invalid Entry", "Please enter a name for the new baseline.");
    EXPECT_TRUE(dialog.isVisible());

    dialog.NameEdit().setText(QStringLiteral(" After Tender "));
    PressOK(dialog);
    ExpectOneAlert("Invalid Entry", "A baseline with this name already exists. Please enter a "
                                    "different name for the new baseline.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Name().empty());
    EXPECT_EQ(dialog.focusWidget(), &dialog.NameEdit());

    // Accepted: the trimmed name is handed back; adding it is the caller's business.
    dialog.NameEdit().setText(QStringLiteral("  Spring Review \u00e9 "));
    PressOK(dialog);
    EXPECT_TRUE(prompts.Take().empty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Name(), "Spring Review \xc3\xa9");
    EXPECT_EQ(project.baselines.size(), 3u);
}

TEST_F(BaselineDialogs, SelectionOffersEveryBaselineWithTheCallersTexts)
{
    QPBaselineSelectionDlg dialog(project, QStringLiteral("Select Baseline"),
                                  QStringLiteral("Delete Baseline"), prompts);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select Baseline"));
    EXPECT_EQ(dialog.ActionButton().text(), QStringLiteral("Delete Baseline"));
    EXPECT_TRUE(dialog.ActionButton().isDefault());

    const QComboBox& choice = dialog.BaselineChoice();
    ASSERT_EQ(choice.count(), 3);
    EXPECT_EQ(choice.itemText(0), QStringLiteral("Approved Plan"));
    EXPECT_EQ(choice.itemText(1), QStringLiteral("After Tender"));
    EXPECT_EQ(choice.itemText(2), QStringLiteral("Winter Delay"));
    EXPECT_EQ(choice.currentIndex(), 0);
    EXPECT_EQ(dialog.SelectedBaselineID(), -1);

    // Pressing the action at once takes the preselected first baseline.
    dialog.ActionButton().click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedBaselineID(), 0);
    EXPECT_TRUE(prompts.Take().empty());
    EXPECT_EQ(project.baselines.size(), 3u);
}

TEST_F(BaselineDialogs, SelectionGivesTheChosenBaselinesID)
{
    // After a deletion the IDs have closed up; the answer names the baseline, not a row.
    ASSERT_TRUE(project.BaselineDelete(0));
    QPBaselineSelectionDlg dialog(project, QStringLiteral("Select Baseline"),
                                  QStringLiteral("Compare"), prompts);
    dialog.show();
    ASSERT_EQ(dialog.BaselineChoice().count(), 2);
    dialog.BaselineChoice().setCurrentIndex(1);
    dialog.ActionButton().click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(dialog.SelectedBaselineID(), 1);
    EXPECT_EQ(project.GetBaseline(dialog.SelectedBaselineID())->name, "Winter Delay");
}

TEST_F(BaselineDialogs, SelectionWithoutAChoiceIsRefusedAndStaysOpen)
{
    QPBaselineSelectionDlg dialog(project, QStringLiteral("Select Baseline"),
                                  QStringLiteral("Delete Baseline"), prompts);
    dialog.show();
    dialog.BaselineChoice().setCurrentIndex(-1);
    dialog.ActionButton().click();
    ExpectOneAlert("No Baseline Selected", "Please select a baseline.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.SelectedBaselineID(), -1);

    // A project without baselines offers nothing to choose.
    QPProject empty;
    QPBaselineSelectionDlg none(empty, QStringLiteral("Select Baseline"), QStringLiteral("Compare"),
                                prompts);
    none.show();
    EXPECT_EQ(none.BaselineChoice().count(), 0);
    none.ActionButton().click();
    ExpectOneAlert("No Baseline Selected", "Please select a baseline.");
    EXPECT_TRUE(none.isVisible());

    // Cancel answers nothing.
    auto* buttons = none.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(none.result(), QDialog::Rejected);
    EXPECT_FALSE(none.isVisible());
    EXPECT_EQ(none.SelectedBaselineID(), -1);
}
