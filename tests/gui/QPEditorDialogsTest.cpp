// The project editor and the options page as the user meets them: fields filled from the
// project, OK writing back, and a refused entry keeping the editor open on its field.

#include "dialogs/QPGeneralPage.h"
#include "dialogs/QPProjectDialog.h"
#include "model/QPProjectBase.h"

#include "support/ScriptedPrompts.h"
#include "support/TestTime.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

void PressOK(QDialog& dialog)
{
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Ok)->click();
}

// Whether the keyboard focus of the dialog is in this field (a field may hand it to an
// inner editor).
bool FocusIsIn(QDialog& dialog, QWidget& field)
{
    QWidget* focus = dialog.focusWidget();
    return focus && (focus == &field || field.isAncestorOf(focus));
}

class ProjectDialog : public ::testing::Test {
protected:
    ProjectDialog()
    {
        project.ProjectReset(true);
        auto night = std::make_unique<QPSchedule>();
        night->name = "Night Shift";
        nightKey = project.ElementAdd(std::move(night), false).key;
        project.SetName("Harbour Bridge");
        project.projectStart = LocalTime(2024, 5, 6);
        project.projectDeadline = LocalTime(2024, 6, 28, 23, 59, 59);
        project.dirty = false;
    }

    QPProjectBase project;
    int64_t nightKey = -1;
    ScriptedPrompts prompts;
};

} // namespace

TEST_F(ProjectDialog, EditFormShowsTheProjectAndWritesItBack)
{
    QPProjectDialog dialog(project, false, prompts);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Edit Project [Harbour Bridge]"));
    EXPECT_EQ(dialog.NameEdit().text(), QStringLiteral("Harbour Bridge"));
    EXPECT_EQ(dialog.StartEdit().date(), QDate(2024, 5, 6));
    EXPECT_EQ(dialog.DeadlineEdit().date(), QDate(2024, 6, 28));
    // The project's own date format, with English month names whatever the desktop says.
    EXPECT_EQ(dialog.StartEdit().text(), QStringLiteral("6 May 2024"));
    QComboBox& schedules = dialog.ScheduleChoice();
    ASSERT_EQ(schedules.count(), 2);
    EXPECT_EQ(schedules.itemText(0), QStringLiteral("Default Schedule"));
    EXPECT_EQ(schedules.itemText(1), QStringLiteral("Night Shift"));
    EXPECT_EQ(schedules.currentIndex(), 0);
    EXPECT_TRUE(schedules.isEnabled());

    dialog.NameEdit().setText(QStringLiteral("  Harbour Tunnel "));
    dialog.StartEdit().setDate(QDate(2024, 3, 31));
    dialog.DeadlineEdit().setDate(QDate(2024, 3, 31));
    schedules.setCurrentIndex(1);
    PressOK(dialog);

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(project.name, "Harbour Tunnel");
    EXPECT_EQ(project.projectStart, LocalTime(2024, 3, 31, 0, 0, 0));
    EXPECT_EQ(project.projectDeadline, LocalTime(2024, 3, 31, 23, 59, 59));
    EXPECT_EQ(project.defaultScheduleKey, nightKey);
    EXPECT_TRUE(project.dirty);
}

TEST_F(ProjectDialog, RefusalKeepsTheEditorOpenOnTheField)
{
    QPProjectDialog dialog(project, false, prompts);
    dialog.show();

    dialog.NameEdit().setText(QStringLiteral("   "));
    dialog.DeadlineEdit().setFocus();
    PressOK(dialog);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_NE(prompts.Last(), nullptr);
    EXPECT_EQ(prompts.Last()->kind, "alert");
    EXPECT_EQ(prompts.Last()->title, "Missing Data");
    EXPECT_EQ(prompts.Last()->message, "Please enter a name for the project.");
    EXPECT_TRUE(FocusIsIn(dialog, dialog.NameEdit()));

    dialog.NameEdit().setText(QStringLiteral("Harbour Tunnel"));
    dialog.DeadlineEdit().setDate(QDate(2024, 5, 5));
    PressOK(dialog);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.Last()->title, "Deadline Conflict");
    EXPECT_EQ(prompts.Last()->message, "The project deadline must follow the project start. "
                                       "Please enter a later date.");
    EXPECT_TRUE(FocusIsIn(dialog, dialog.DeadlineEdit()));

    // Nothing was written by the refused attempts.
    EXPECT_EQ(project.name, "Harbour Bridge");
    EXPECT_EQ(project.projectDeadline, LocalTime(2024, 6, 28, 23, 59, 59));
    EXPECT_FALSE(project.dirty);
}

TEST_F(ProjectDialog, NewFormOffersOnlyTheDefaultSchedule)
{
    ScopedEnvironment now("KESTRANO_NOW", "2024-02-29 09:00:00");
    QPProjectBase empty; // as a file that could not be read leaves it: no schedule at all
    empty.ProjectReset(false);
    QPProjectDialog dialog(empty, true, prompts);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New Project"));
    EXPECT_EQ(dialog.NameEdit().text(), QStringLiteral("New Project"));
    EXPECT_EQ(dialog.StartEdit().date(), QDate(2024, 2, 29));
    EXPECT_EQ(dialog.DeadlineEdit().date(), QDate(2024, 3, 1));
    ASSERT_EQ(dialog.ScheduleChoice().count(), 1);
    EXPECT_EQ(dialog.ScheduleChoice().currentText(), QStringLiteral("Default Schedule"));
    EXPECT_FALSE(dialog.ScheduleChoice().isEnabled());

    dialog.NameEdit().setText(QStringLiteral("Office Move"));
    PressOK(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(empty.name, "Office Move");
    EXPECT_EQ(empty.projectStart, LocalTime(2024, 2, 29));
    EXPECT_EQ(empty.projectDeadline, LocalTime(2024, 3, 1, 23, 59, 59));
}

TEST(GeneralPage, ShowsTheOptionsWithLiveSymbolPositionSamples)
{
    QPProjectOptions options;
    ScriptedPrompts prompts;
    QPGeneralPage page(options, prompts);
    page.show();
    EXPECT_EQ(page.windowTitle(), QStringLiteral("Preferences"));
    EXPECT_EQ(page.CurrencySymbolEdit().text(), QStringLiteral("$"));
    EXPECT_EQ(page.CurrencyNameEdit().text(), QStringLiteral("Dollars"));
    EXPECT_EQ(page.DigitsBox().value(), 2);
    EXPECT_EQ(page.DecimalSymbolEdit().text(), QStringLiteral("."));
    EXPECT_EQ(page.ThousandsSymbolEdit().text(), QStringLiteral(","));
    EXPECT_EQ(page.PositionChoice().itemText(0), QStringLiteral("$18.00"));
    EXPECT_EQ(page.PositionChoice().itemText(1), QStringLiteral("18.00$"));
    QComboBox& dates = page.DateFormatChoice();
    ASSERT_EQ(dates.count(), 17);
    EXPECT_EQ(dates.currentIndex(), 0);
    EXPECT_EQ(dates.itemText(0), QStringLiteral("26 July 2000"));
    EXPECT_EQ(dates.itemText(16), QStringLiteral("26.07.00"));

    page.CurrencySymbolEdit().setText(QStringLiteral("€"));
    page.DecimalSymbolEdit().setText(QStringLiteral(","));
    page.DigitsBox().setValue(1);
    EXPECT_EQ(page.PositionChoice().itemText(0), QStringLiteral("€18,0"));
    EXPECT_EQ(page.PositionChoice().itemText(1), QStringLiteral("18,0€"));
}

TEST(GeneralPage, OKWritesTheOptionsAndAsksAboutTheDigits)
{
    QPProjectOptions options;
    options.dateFormat = 2;
    options.dateOrder = 2;
    options.dateSeparator = '-';
    ScriptedPrompts prompts;
    prompts.Then("Don't Change");
    QPGeneralPage page(options, prompts);
    page.show();
    EXPECT_EQ(page.DateFormatChoice().currentText(), QStringLiteral("2000-07-26"));

    page.CurrencySymbolEdit().setText(QStringLiteral(" £"));
    page.CurrencyNameEdit().setText(QStringLiteral("Pounds"));
    page.PositionChoice().setCurrentIndex(1);
    page.DigitsBox().setValue(3);
    page.DecimalSymbolEdit().clear();
    page.ThousandsSymbolEdit().setText(QStringLiteral(" "));
    page.DateFormatChoice().setCurrentIndex(13);
    PressOK(page);

    EXPECT_EQ(page.result(), QDialog::Accepted);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Confirm Digit Change");
    EXPECT_EQ(options.currencyDigits, 2);
    EXPECT_EQ(LLocaleFormatCurrencyToText(options, 123456), "1234.56£");
    EXPECT_EQ(options.currencyName, "Pounds");
    EXPECT_EQ(options.FormatDate(LocalTime(2000, 7, 26, 12)), "26.07.2000");
    EXPECT_TRUE(options.changed);
}
