// A report sent by e-mail: the prompt for the addresses, the remembered address, the
// subject and body, and the report attached as an A4 PDF that does not outlive the sending.

#include "app/LQtUserPrompts.h"
#include "fileformat/LSettings.h"
#include "mail/LEmailPrintProcess.h"
#include "mail/LEmailSettingsDialog.h"
#include "reports/QPReportViewWindow.h"
#include "reports/QPReports.h"

#include "support/Plan.h"
#include "support/ScriptedMail.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class ReportEmail : public ::testing::Test {
protected:
    ReportEmail()
    {
        QPResource& anna = plan.Resource("Anna", nullptr, 5000);
        plan.Task("Survey", "8").AddResourceAssignment(anna.key, 100);
        plan.Recalculate();
        report = QPMakeReport(eReportKind::taskDetail, plan.project);
        report->GenerateReport();
    }
    void SettingsSeen()
    {
        LSettings settings(store);
        settings.SetBool("Email", "UseSendMail", true);
        settings.SetBool("Email", "UseSMTPHost", false);
        settings.SetBool("Email", "SendDirect", false);
        settings.SetString("Email", "ReplyToEmail", "planner@example.org");
        settings.SetBool("Email", "SetViewed", true);
    }
    std::unique_ptr<QPReportViewWindow> Window()
    {
        return std::make_unique<QPReportViewWindow>(*report, prompts, store,
                                                    folder.path().toStdString(), &mail);
    }
    std::string LastMessage() const
    {
        return mail.programs.empty() ? std::string() : mail.programs.back()->input;
    }
    std::string RememberedAddress() const
    {
        return LSettings(const_cast<LMemorySettingsStore&>(store))
                .GetString("Settings", "ReportEmail")
                .str();
    }

    Plan plan;
    std::unique_ptr<QPReportBase> report;
    QTemporaryDir folder;
    ScriptedPrompts prompts;
    LMemorySettingsStore store;
    ScriptedMailServices mail;
};

// The base64 lines of the message's attachment, decoded.
QByteArray AttachedBytes(const std::string& message)
{
    const std::size_t header = message.find("Content-Transfer-Encoding: base64\n");
    if (header == std::string::npos)
        return {};
    const std::size_t data = message.find("\n\n", header) + 2;
    const std::size_t end = message.find("\n--", data);
    return QByteArray::fromBase64(QByteArray::fromStdString(message.substr(data, end - data)));
}

} // namespace

TEST_F(ReportEmail, SendsTheReportAsAnA4PDFWithTheCommentFirst)
{
    SettingsSeen();
    const std::unique_ptr<QPReportViewWindow> window = Window();
    ASSERT_TRUE(window->CommandAction(QPReportViewWindow::kCmEmail)->isEnabled());
    prompts.ThenEmail(LEmailAddressAnswer{"boss@example.org, team@example.org", true,
                                          "Figures for Monday.\nPlease check."});
    window->Command(QPReportViewWindow::kCmEmail);

    ASSERT_EQ(prompts.emailRequests.size(), 1u);
    EXPECT_EQ(prompts.emailRequests[0].title, "Send to Email");
    EXPECT_EQ(prompts.emailRequests[0].initial, "");
    EXPECT_TRUE(prompts.emailRequests[0].remember);
    EXPECT_EQ(RememberedAddress(), "boss@example.org, team@example.org");

    ASSERT_EQ(mail.programs.size(), 1u);
    const std::string message = LastMessage();
    // The subject is the title and the (empty) subtitle.
    EXPECT_NE(message.find("To: boss@example.org, team@example.org\nSubject: Task Detail "
                           "Report \n"),
              std::string::npos);
    EXPECT_NE(message.find("\n\nFigures for Monday.\r\nPlease check.\r\n\r\nTask Detail Report  "
                           "is attached to this email.\r\n\r\nThis report has been generated "
                           "automatically by Kestrano. \n--"),
              std::string::npos)
            << message.substr(0, 800);
    const std::string attachment = LEmailAttachmentPath("");
    EXPECT_NE(message.find("filename=\"" + std::filesystem::path(attachment).filename().string() +
                           "\""),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(attachment));

    // The whole report on A4 pages.
    const QByteArray pdf = AttachedBytes(message);
    ASSERT_TRUE(pdf.startsWith("%PDF-"));
    const std::string copy = folder.filePath(QStringLiteral("sent.pdf")).toStdString();
    std::ofstream(copy, std::ios::binary).write(pdf.constData(), pdf.size());
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QString::fromStdString(copy)});
    ASSERT_TRUE(info.waitForFinished(10000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("595 x 842 pts"))) << out.toStdString();
}

TEST_F(ReportEmail, OffersTheRememberedAddressAndKeepsItOnlyWhenAsked)
{
    SettingsSeen();
    LSettings(store).SetString("Settings", "ReportEmail", "boss@example.org");
    const std::unique_ptr<QPReportViewWindow> window = Window();
    prompts.ThenEmail(LEmailAddressAnswer{"someone@example.org; other@example.org", false, ""});
    window->Command(QPReportViewWindow::kCmEmail);
    EXPECT_EQ(prompts.emailRequests.back().initial, "boss@example.org");
    EXPECT_EQ(RememberedAddress(), "boss@example.org");
    // Without a comment the body starts with the report.
    EXPECT_NE(LastMessage().find("\n\nTask Detail Report  is attached"), std::string::npos);
    // Both addresses are recipients, however the user separated them.
    EXPECT_NE(LastMessage().find("To: someone@example.org, other@example.org\n"),
              std::string::npos);

    // A cancelled prompt sends and stores nothing.
    prompts.ThenEmail(std::nullopt);
    window->Command(QPReportViewWindow::kCmEmail);
    EXPECT_EQ(mail.programs.size(), 1u);
    EXPECT_EQ(RememberedAddress(), "boss@example.org");

    // A failure is reported by the progress window "Sending"; the file goes all the same.
    mail.programStarts = false;
    prompts.ThenEmail(LEmailAddressAnswer{"someone@example.org", true, ""});
    window->Command(QPReportViewWindow::kCmEmail);
    ASSERT_EQ(prompts.Last()->kind, "alert");
    EXPECT_EQ(prompts.Last()->title, "Sending");
    EXPECT_FALSE(std::filesystem::exists(LEmailAttachmentPath("")));
}

TEST_F(ReportEmail, AsksForTheSettingsBeforeTheFirstMessage)
{
    const std::unique_ptr<QPReportViewWindow> window = Window();
    window->show();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<LEmailSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->reject();
    });
    // No e-mail prompt is scripted: asking for addresses here would fail the test.
    window->Command(QPReportViewWindow::kCmEmail);
    EXPECT_TRUE(prompts.emailRequests.empty());
    EXPECT_TRUE(mail.programs.empty());

    // A window without mail services cannot send.
    QPReportViewWindow withoutMail(*report, prompts, store, folder.path().toStdString());
    EXPECT_FALSE(withoutMail.CommandAction(QPReportViewWindow::kCmEmail)->isEnabled());
}

TEST(EmailPrompt, TakesValidAddressesARememberSwitchAndAComment)
{
    QWidget parent;
    parent.show();
    LQtUserPrompts prompts(&parent);
    LEmailAddressRequest request;
    request.title = "Send to Email";
    request.initial = "boss@example";
    bool checked = false;
    QTimer::singleShot(0, [&checked] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Send to Email"));
        auto* addresses = dialog->findChild<QLineEdit*>();
        auto* remember = dialog->findChild<QCheckBox*>();
        auto* comment = dialog->findChild<QPlainTextEdit*>();
        QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        ASSERT_TRUE(addresses && remember && comment && ok);
        EXPECT_EQ(remember->text(), QStringLiteral("Remember this email address"));
        EXPECT_TRUE(remember->isChecked());
        // OK waits for addresses the sender would take.
        EXPECT_FALSE(ok->isEnabled());
        addresses->setText(QStringLiteral("boss@example.org, team@example.org"));
        EXPECT_TRUE(ok->isEnabled());
        comment->setPlainText(QStringLiteral("Figures for Monday.\nPlease check.\n"));
        dialog->grab().save(QStringLiteral("/tmp/mail-prompt.png"));
        remember->setChecked(false);
        checked = true;
        ok->click();
    });
    const std::optional<LEmailAddressAnswer> answer = prompts.AskEmailAddress(request);
    ASSERT_TRUE(checked);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->addresses, "boss@example.org, team@example.org");
    EXPECT_FALSE(answer->remember);
    EXPECT_EQ(answer->comment, "Figures for Monday.\nPlease check.");

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(prompts.AskEmailAddress(request).has_value());
}

TEST(FaxPrompt, TakesANumberAndARememberSwitch)
{
    QWidget parent;
    parent.show();
    LQtUserPrompts prompts(&parent);
    bool checked = false;
    QTimer::singleShot(0, [&checked] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Send to Fax"));
        auto* number = dialog->findChild<QLineEdit*>();
        auto* remember = dialog->findChild<QCheckBox*>();
        ASSERT_TRUE(number && remember);
        EXPECT_EQ(number->text(), QStringLiteral("+44 20 7946 0000"));
        EXPECT_EQ(remember->text(), QStringLiteral("Remember this fax number"));
        EXPECT_TRUE(remember->isChecked());
        number->setText(QStringLiteral(" +1 212 555 0100 "));
        remember->setChecked(false);
        checked = true;
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    const std::optional<LFaxNumberAnswer> answer =
            prompts.AskFaxNumber({"Send to Fax", "+44 20 7946 0000", true});
    ASSERT_TRUE(checked);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->number, "+1 212 555 0100");
    EXPECT_FALSE(answer->remember);
}
