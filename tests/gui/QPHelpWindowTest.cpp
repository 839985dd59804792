// The help window: every editor's page is shipped inside the program with links that lead
// to pages that exist, one window serves every request, and an unknown topic says so.

#include "app/QPHelpWindow.h"

#include <QtWidgets>

#include <gtest/gtest.h>

namespace {

struct HelpWindow : ::testing::Test {
    void TearDown() override { delete QPHelpWindow::Instance(); }
    static QString Title() { return QPHelpWindow::Instance()->Browser().documentTitle(); }
};

} // namespace

TEST_F(HelpWindow, EachEditorHasAPageExplainingItsFieldsWithLinksThatLead)
{
    for (const auto& [topic, field] : {std::pair{"taskdialog", "Duration (work hours)"},
                                       {"resourcedialog", "Overtime Hourly Rate"},
                                       {"scheduledialog", "Regular Work Week"},
                                       {"index", "Editing a resource"}}) {
        SCOPED_TRACE(topic);
        EXPECT_TRUE(QPHelpWindow::HasTopic(topic));
        QPHelpWindow::ShowTopic(topic, nullptr);
        const QTextBrowser& browser = QPHelpWindow::Instance()->Browser();
        EXPECT_TRUE(QPHelpWindow::Instance()->isVisible());
        EXPECT_TRUE(browser.toPlainText().contains(field));
        int links = 0;
        for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next())
            for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
                const QString href = fragment.fragment().charFormat().anchorHref();
                const QUrl target = browser.source().resolved(QUrl(href));
                links += !href.isEmpty();
                EXPECT_TRUE(href.isEmpty() || (target.scheme() == "qrc" &&
                                               QFile::exists(QLatin1Char(':') + target.path())))
                        << href.toStdString();
            }
        EXPECT_GT(links, 0);
    }
}

TEST_F(HelpWindow, OneWindowServesEveryRequestAndUnknownTopicsSaySo)
{
    QPHelpWindow::ShowTopic("taskdialog", nullptr);
    QPHelpWindow* first = QPHelpWindow::Instance();
    for (const char* topic : {"reportwindow", "", "../help/index", "TaskDialog", "index.html"}) {
        EXPECT_FALSE(QPHelpWindow::HasTopic(topic)) << topic;
        QPHelpWindow::ShowTopic(topic, nullptr);
        EXPECT_EQ(Title(), QStringLiteral("No Help Available")) << topic;
        EXPECT_TRUE(QPHelpWindow::Instance()->Browser().toPlainText().contains(
                "No help for this topic"));
    }
    QPHelpWindow::ShowTopic("scheduledialog", nullptr);
    EXPECT_EQ(QPHelpWindow::Instance(), first);
    EXPECT_EQ(Title(), QStringLiteral("Editing a Schedule"));
    // Closing the window lets it go; the next request opens a fresh one.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(QPHelpWindow::Instance(), nullptr);
    // A window opened over a main window goes with it.
    auto* owner = new QWidget;
    QPHelpWindow::ShowTopic("index", owner);
    EXPECT_EQ(QPHelpWindow::Instance()->parentWidget(), owner);
    EXPECT_TRUE(QPHelpWindow::Instance()->isWindow());
    delete owner;
    EXPECT_EQ(QPHelpWindow::Instance(), nullptr);
}
