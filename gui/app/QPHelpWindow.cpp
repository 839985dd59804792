#include "app/QPHelpWindow.h"

#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The pages live in a resource of the gui library; a static library only links the
// resource when something refers to it.
static void LoadHelpResources()
{
    Q_INIT_RESOURCE(kestrano_help);
}

namespace {

QPointer<QPHelpWindow>& TheWindow()
{
    static QPointer<QPHelpWindow> window;
    return window;
}

QString TopicPath(const QString& topic)
{
    return QStringLiteral(":/help/%1.html").arg(topic);
}

const char* const kNoTopicPage = R"(<html><head><title>No Help Available</title></head><body>
<h2>No help for this topic</h2>
<p>There is no help page for this part of Kestrano yet.</p>
<p>See the <a href="qrc:/help/index.html">list of help pages</a>.</p>
</body></html>)";

} // namespace

QPHelpWindow::QPHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Kestrano Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(560, 640);
}

bool QPHelpWindow::HasTopic(const QString& topic)
{
    LoadHelpResources();
    // Topics are plain page names; anything else could name a file outside the help.
    static const QRegularExpression pageName(QStringLiteral("^[a-z0-9_-]+$"));
    return pageName.match(topic).hasMatch() && QFile::exists(TopicPath(topic));
}

void QPHelpWindow::Show(const QString& topic)
{
    if (HasTopic(topic)) {
        browser_->setSource(QUrl(QStringLiteral("qrc") + TopicPath(topic)));
    } else {
        browser_->clearHistory();
        browser_->setHtml(QString::fromUtf8(kNoTopicPage));
    }
}

void QPHelpWindow::ShowTopic(const QString& topic, QWidget* parent)
{
    QPointer<QPHelpWindow>& window = TheWindow();
    if (!window)
        window = new QPHelpWindow(parent);
    window->Show(topic);
    window->show();
    window->raise();
    window->activateWindow();
}

QPHelpWindow* QPHelpWindow::Instance()
{
    return TheWindow().data();
}
