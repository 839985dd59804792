#pragma once

#include <QWidget>

class QTextBrowser;

// "Kestrano Help": the pages that explain the editors, shipped inside the program. One
// window serves every request; it stays open beside the editor it explains, so the user
// can read while filling in the fields.
class QPHelpWindow : public QWidget {
    Q_OBJECT

public:
    // Shows the page of `topic` ("taskdialog", "resourcedialog", "scheduledialog" or
    // "index") in the help window, creating the window on first use and bringing it to the
    // front afterwards. A topic without a page shows a short page saying so.
    static void ShowTopic(const QString& topic, QWidget* parent);
    // The help window if one is open, for the program's tests.
    static QPHelpWindow* Instance();

    // True when `topic` has a page of its own.
    static bool HasTopic(const QString& topic);

    QTextBrowser& Browser() const { return *browser_; }

private:
    explicit QPHelpWindow(QWidget* parent);
    void Show(const QString& topic);

    QTextBrowser* browser_ = nullptr;
};
