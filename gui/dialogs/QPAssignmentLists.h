#pragma once

#include <QTableWidget>
#include <QWidget>

#include <cstdint>
#include <vector>

class LUserPrompts;
class QLabel;
class QSlider;
class QPProject;
class QPTask;
struct LLocaleNumberProfile;
namespace QPTaskDialogRules {
struct ResourceRow;
struct SubtaskRow;
} // namespace QPTaskDialogRules

// A table that tells the user what to do while it has no rows.
class QPEmptyTextTable : public QTableWidget {
    Q_OBJECT

public:
    QPEmptyTextTable(int columns, const QString& emptyText, QWidget* parent = nullptr);

    const QString& EmptyText() const { return emptyText_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString emptyText_;
};

// The task editor's resources: one row per resource of the project with the percent of its
// time committed to the task, and a slider that mirrors the selected row's percent.
class QPResourceAssignmentList : public QWidget {
    Q_OBJECT

public:
    QPResourceAssignmentList(const LLocaleNumberProfile& numbers, LUserPrompts& prompts,
                             QWidget* parent = nullptr);

    // One row per resource of the project, in list order; rows holds the percents to show.
    void Fill(const QPProject& project, const std::vector<QPTaskDialogRules::ResourceRow>& rows);
    // The same after resources were added or deleted: the percents entered so far stay with
    // their resources.
    void Refill(const QPProject& project);
    std::vector<QPTaskDialogRules::ResourceRow> Rows() const;

    QTableWidget& Table() const { return *table_; }
    QSlider& Slider() const { return *slider_; }

private:
    void PercentEdited(QTableWidgetItem* item);
    void SelectionMoved();
    void SliderMoved(int value);
    void SetSliderQuietly(int value);

    const LLocaleNumberProfile& numbers_;
    LUserPrompts& prompts_;
    QTableWidget* table_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* sliderValue_ = nullptr;
};

// A header task's sub-tasks: rows of task ID and name, the name chosen among the tasks that
// may join the group.
class QPSubtaskAssignmentList : public QWidget {
    Q_OBJECT

public:
    QPSubtaskAssignmentList(LUserPrompts& prompts, QWidget* parent = nullptr);

    void Fill(const QPProject& project, const QPTask& task,
              const std::vector<QPTaskDialogRules::SubtaskRow>& rows);
    // After tasks were deleted or renumbered: rows follow their tasks, and rows whose task
    // is gone or may no longer join are dropped.
    void Refill(const QPProject& project, const QPTask& task);
    std::vector<QPTaskDialogRules::SubtaskRow> Rows() const;

    // Adds a row with the first eligible task; without one, tells the user why. False when
    // nothing was added.
    bool AddRow();
    void RemoveRow(int row);

    QTableWidget& Table() const { return *table_; }

private:
    void AddRowFor(int64_t key);
    void ShowMenu(const QPoint& at);

    LUserPrompts& prompts_;
    const QPProject* project_ = nullptr;
    const QPTask* task_ = nullptr;
    QTableWidget* table_ = nullptr;
};
