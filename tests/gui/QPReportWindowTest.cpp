// The report window: its list, the files it saves, the pages it prints, the fax number and
// the report sent by e-mail as an A4 PDF; and the e-mail and fax prompts.

#include "app/LQtUserPrompts.h"
#include "mail/LEmailPrintProcess.h"
#include "mail/LEmailSettingsDialog.h"
#include "reports/QPReportViewWindow.h"
#include "reports/QPReports.h"

#include "gui/GuiTest.h"
#include "support/ScriptedMail.h"

#include <QPrinter>

using ReportWindow = WidgetTest;

TEST_F(ReportWindow, ListsSavesPrintsFaxesAndSendsTheReportAsAnA4PDF)
{
    // Two tasks, the second with a resource and a predecessor.
    QPResource& anna = plan.Resource("Anna", nullptr, 5000);
    plan.Task("Survey", "8");
    QPTask& build = plan.Task("Build, walls", "16");
    build.AddDependency(plan.project.tasks.GetElement(1)->key, eFinishToStart, 0.f);
    build.AddResourceAssignment(anna.key, 100);
    plan.Recalculate();
    const auto report = QPMakeReport(eReportKind::taskDetail, plan.project);
    report->GenerateReport();
    const auto Window = [&](LMailServices* mail = nullptr) {
        return std::make_unique<QPReportViewWindow>(*report, prompts, store, Root(), mail);
    };
    const auto Stored = [&](const char* name) {
        return LSettings(store).GetString("Settings", name).str();
    };
    const auto window = Window();
    window->show();
    QTRY_VERIFY(window->List().topLevelItemCount() > 0);
    // "Assigned Resources" sits two steps in, its entries five.
    EXPECT_EQ(window->List().topLevelItem(2)->text(0) + window->List().topLevelItem(3)->text(0),
              QStringLiteral("      Assigned Resources               Anna"));
    EXPECT_FALSE(window->CommandAction(QPReportViewWindow::kCmEmail)->isEnabled()) << "no mail";
    prompts.Then(Path("report.csv")).Then(Path("report.pdf"));
    window->Command(QPReportViewWindow::kCmSaveAsCSV);
    window->Command(QPReportViewWindow::kCmSaveAsPDF);
    const auto asked = prompts.Take();
    EXPECT_EQ(asked.at(0).folder + "/" + asked.at(0).defaultName, Root() + "/Report.csv");
    EXPECT_EQ(ReadFile(Path("report.csv")), report->table.CSVText());
    EXPECT_EQ(PageSizes(Path("report.pdf")), (Sizes{{595, 842}}));
    prompts.Then(Path("missing/report.csv"));
    window->Command(QPReportViewWindow::kCmSaveAsCSV);
    EXPECT_EQ(prompts.Take().at(1).kind, "alert") << "a folder that cannot take the file";
    QPrinter printer(QPrinter::HighResolution); // Printed on the paper chosen in the print dialog.
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(Path("printed.pdf")));
    printer.setPageSize(QPageSize(QPageSize::Letter));
    window->PrintTo(printer);
    EXPECT_EQ(PageSizes(Path("printed.pdf")), (Sizes{{612, 792}}));
    // The fax number is remembered only when asked.
    prompts.Then("+44 20 7946 0000").Then(std::nullopt);
    window->Command(QPReportViewWindow::kCmFax);
    window->Command(QPReportViewWindow::kCmFax);
    EXPECT_EQ(prompts.Take().at(2).defaultName, "+44 20 7946 0000");
    prompts.ThenFax(LFaxNumberAnswer{"+1 212 555 0100", false});
    window->Command(QPReportViewWindow::kCmFax);
    EXPECT_EQ(Stored("ReportFax"), "+44 20 7946 0000");
    // How a message is put together and sent is the sender's (tests/core/mail); the window asks
    // for the settings first, hands over the report, addresses and comment, remembers when asked.
    ScriptedMailServices mail;
    const auto mailing = Window(&mail);
    mailing->show();
    WhenShown<LEmailSettingsDialog>([](LEmailSettingsDialog& dialog) { dialog.reject(); });
    mailing->Command(QPReportViewWindow::kCmEmail); // no address prompt scripted
    EXPECT_TRUE(mail.programs.empty());
    EmailSettingsSeen(store);
    prompts.ThenEmail(
            LEmailAddressAnswer{"boss@example.org; team@example.org", true, "Figures for Monday."});
    mailing->Command(QPReportViewWindow::kCmEmail);
    EXPECT_EQ(Stored("ReportEmail"), "boss@example.org; team@example.org");
    ASSERT_EQ(mail.programs.size(), 1u);
    const std::string message = mail.programs[0]->input;
    EXPECT_NE(message.find("To: boss@example.org, team@example.org\nSubject: Task Detail Report "
                           "\n"),
              std::string::npos);
    EXPECT_NE(message.find("\n\nFigures for Monday.\r\n\r\nTask Detail Report  is attached"),
              std::string::npos);
    const QByteArray pdf = Attachment(message).second;
    std::ofstream(Path("sent.pdf"), std::ios::binary).write(pdf.constData(), pdf.size());
    EXPECT_EQ(PageSizes(Path("sent.pdf")), (Sizes{{595, 842}}));
    // The remembered address is offered, kept unless told; a cancelled prompt sends nothing.
    prompts.ThenEmail(LEmailAddressAnswer{"someone@example.org", false, ""}).ThenEmail({});
    mailing->Command(QPReportViewWindow::kCmEmail);
    mailing->Command(QPReportViewWindow::kCmEmail);
    EXPECT_EQ(prompts.emailRequests.at(1).initial, "boss@example.org; team@example.org");
    EXPECT_EQ(Stored("ReportEmail"), "boss@example.org; team@example.org");
    EXPECT_EQ(mail.programs.size(), 2u);
}

TEST(EmailAndFaxPrompts, TakeWhatTheUserTypesAndTheRememberSwitch)
{
    QWidget parent;
    parent.show();
    LQtUserPrompts prompts(&parent);
    // The prompt about to show offers to remember, ticked; the user unticks it, types, OK.
    const auto answer = [](std::function<void(QDialog&, QLineEdit&)> type) {
        WhenShown<QDialog>([type](QDialog& dialog) {
            auto* remember = dialog.findChild<QCheckBox*>();
            ASSERT_TRUE(remember && remember->isChecked());
            remember->setChecked(false);
            type(dialog, *dialog.findChild<QLineEdit*>());
            Press(dialog, QDialogButtonBox::Ok);
        });
    };
    answer([](QDialog& dialog, QLineEdit& addresses) {
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        EXPECT_EQ(addresses.text(), QStringLiteral("boss@example"));
        EXPECT_FALSE(ok->isEnabled()) << "OK waits for addresses the sender would take";
        addresses.setText(QStringLiteral("boss@example.org, team@example.org"));
        EXPECT_TRUE(ok->isEnabled());
        dialog.findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("Figures.\nCheck.\n"));
    });
    const auto email = prompts.AskEmailAddress({"Send to Email", "boss@example", true});
    ASSERT_TRUE(email.has_value());
    EXPECT_EQ(email->addresses + " | " + email->comment + (email->remember ? " | kept" : ""),
              "boss@example.org, team@example.org | Figures.\nCheck.");
    answer([](QDialog&, QLineEdit& number) {
        EXPECT_EQ(number.text(), QStringLiteral("+44 20 7946 0000"));
        number.setText(QStringLiteral(" +1 212 555 0100 "));
    });
    const auto fax = prompts.AskFaxNumber({"Send to Fax", "+44 20 7946 0000", true});
    ASSERT_TRUE(fax.has_value());
    EXPECT_EQ(fax->number + (fax->remember ? " kept" : ""), "+1 212 555 0100");
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(prompts.AskEmailAddress({"Send to Email", "", true}).has_value());
}
