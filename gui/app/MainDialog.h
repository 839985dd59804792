#pragma once

#include <QMainWindow>

#include <memory>

class QPProject;

// The main window: it owns the one open project for as long as the program runs.
class MainDialog : public QMainWindow {
    Q_OBJECT

public:
    explicit MainDialog(QWidget* parent = nullptr);
    ~MainDialog() override;

    QPProject& Project() { return *project_; }

    // Shows the project's name as the window's document name.
    void UpdateTitle();

private:
    std::unique_ptr<QPProject> project_;
};
