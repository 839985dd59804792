// The help window: every editor's page is shipped inside the program, one window serves
// every request, its links lead to pages that exist, and an unknown topic says so.

#include "app/QPHelpWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class HelpWindow : public ::testing::Test {
protected:
    void TearDown() override { delete QPHelpWindow::Instance(); }

    static QString ShownText() { return QPHelpWindow::Instance()->Browser().toPlainText(); }
    static QString ShownTitle() { return QPHelpWindow::Instance()->Browser().documentTitle(); }
};

// The targets of every link in the shown page.
QStringList LinkTargets(const QTextDocument& document)
{
    QStringList targets;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QString href = fragment.fragment().charFormat().anchorHref();
            if (!href.isEmpty() && !targets.contains(href))
                targets.append(href);
        }
    return targets;
}

} // namespace

TEST_F(HelpWindow, EachEditorHasAPageExplainingItsFields)
{
    struct Page {
        const char* topic;
        const char* title;
        const char* field;
    };
    for (const Page& page : {Page{"taskdialog", "Editing a Task", "Duration (work hours)"},
                             Page{"resourcedialog", "Editing a Resource", "Overtime Hourly Rate"},
                             Page{"scheduledialog", "Editing a Schedule", "Regular Work Week"},
                             Page{"index", "Kestrano Help", "Editing a resource"}}) {
        SCOPED_TRACE(page.topic);
        EXPECT_TRUE(QPHelpWindow::HasTopic(QString::fromUtf8(page.topic)));
        QPHelpWindow::ShowTopic(QString::fromUtf8(page.topic), nullptr);
        QPHelpWindow* window = QPHelpWindow::Instance();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Kestrano Help"));
        EXPECT_EQ(ShownTitle(), QString::fromUtf8(page.title));
        EXPECT_TRUE(ShownText().contains(QString::fromUtf8(page.field)))
                << ShownText().left(200).toStdString();

        // Every link leads to another shipped page.
        const QUrl here = window->Browser().source();
        EXPECT_EQ(here, QUrl(QStringLiteral("qrc:/help/%1.html").arg(page.topic)));
        const QStringList links = LinkTargets(*window->Browser().document());
        EXPECT_FALSE(links.isEmpty());
        for (const QString& href : links) {
            const QUrl target = here.resolved(QUrl(href));
            EXPECT_EQ(target.scheme(), QStringLiteral("qrc")) << href.toStdString();
            EXPECT_TRUE(QFile::exists(QLatin1Char(':') + target.path())) << href.toStdString();
        }
    }
}

TEST_F(HelpWindow, OneWindowServesEveryRequest)
{
    QPHelpWindow::ShowTopic(QStringLiteral("taskdialog"), nullptr);
    QPHelpWindow* first = QPHelpWindow::Instance();
    QPHelpWindow::ShowTopic(QStringLiteral("scheduledialog"), nullptr);
    EXPECT_EQ(QPHelpWindow::Instance(), first);
    EXPECT_EQ(ShownTitle(), QStringLiteral("Editing a Schedule"));

    // Closing the window lets it go; the next request opens a fresh one.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(QPHelpWindow::Instance(), nullptr);
    QPHelpWindow::ShowTopic(QStringLiteral("resourcedialog"), nullptr);
    ASSERT_NE(QPHelpWindow::Instance(), nullptr);
    EXPECT_EQ(ShownTitle(), QStringLiteral("Editing a Resource"));

    // A window opened over a main window goes with it.
    delete QPHelpWindow::Instance();
    auto* owner = new QWidget;
    QPHelpWindow::ShowTopic(QStringLiteral("index"), owner);
    EXPECT_EQ(QPHelpWindow::Instance()->parentWidget(), owner);
    EXPECT_TRUE(QPHelpWindow::Instance()->isWindow());
    delete owner;
    EXPECT_EQ(QPHelpWindow::Instance(), nullptr);
}

TEST_F(HelpWindow, UnknownTopicsShowThatThereIsNoHelp)
{
    QPHelpWindow::ShowTopic(QStringLiteral("taskdialog"), nullptr);
    for (const char* topic : {"reportwindow", "", "../help/index", "TaskDialog", "index.html"}) {
        SCOPED_TRACE(topic);
        EXPECT_FALSE(QPHelpWindow::HasTopic(QString::fromUtf8(topic)));
        QPHelpWindow::ShowTopic(QString::fromUtf8(topic), nullptr);
        EXPECT_EQ(ShownTitle(), QStringLiteral("No Help Available"));
        EXPECT_TRUE(ShownText().contains(QStringLiteral("No help for this topic")));
    }
    // The page shown before an unknown topic shows again when asked for.
    QPHelpWindow::ShowTopic(QStringLiteral("taskdialog"), nullptr);
    EXPECT_EQ(ShownTitle(), QStringLiteral("Editing a Task"));
}
