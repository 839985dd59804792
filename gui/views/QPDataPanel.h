#pragma once

#include "views/QPDataPanelRows.h"

#include <QPoint>
#include <QWidget>

#include <array>
#include <vector>

class LSettingsStore;
class QPListModel;
class QPProject;
class QTabBar;
class QTreeView;

// What the data panel tells the window it lives in: commands by number.
class QPDataPanelHost {
public:
    virtual void Command(int command) = 0;

protected:
    ~QPDataPanelHost() = default;
};

// The list pane of the main window: the tabs "Tasks", "Resources" and "Schedules", each with
// a list of the project's elements. The lists only hold texts and are rebuilt from the
// project after every change; selections, double clicks, right clicks and tasks moved by
// dragging go to the host as commands.
class QPDataPanel : public QWidget {
    Q_OBJECT

public:
    // Control IDs.
    static constexpr int kTabControl = 2001;
    static constexpr int kTaskList = 1001;
    static constexpr int kResourceList = 1002;
    static constexpr int kScheduleList = 1003;
    // Commands sent to the host.
    static constexpr int kSelectionChanged = 4501;
    static constexpr int kTaskDoubleClicked = 4502;
    static constexpr int kResourceDoubleClicked = 4503;
    static constexpr int kScheduleDoubleClicked = 4504;
    static constexpr int kListRightClicked = 4505;
    static constexpr int kTasksMoved = 4506;
    // The height of the tab strip above the lists.
    static constexpr int kTabStripHeight = 28;
    static constexpr int kTaskRowHeight = 20;

    QPDataPanel(QPProject& project, QPDataPanelHost& host, LSettingsStore& settings,
                QWidget* parent = nullptr);
    ~QPDataPanel() override;

    // Shows the task list on the "Tasks" tab, takes the stored column layouts and fills the
    // lists.
    void InitDialog();
    // Stores the column layouts of the three lists.
    void DestroyDialog();

    void AllListRefresh();
    void TaskListRefresh();
    void ResourceListRefresh();
    void ScheduleListRefresh();

    // Marks the row of the element with this ID light grey, as long as the lists show it
    // (refills included); -1 for none.
    void SetHighlightedID(eDataPanelList list, int id);
    int HighlightedID(eDataPanelList list) const;

    // 0 tasks, 1 resources, 2 schedules.
    int GetCurrentTab() const;

    // The number of selected rows; 0 while the list's tab is not showing.
    int GetTaskListSelectionCount() const;
    int GetResourceListSelectionCount() const;
    int GetScheduleListSelectionCount() const;

    // The ID of the current row (the focused row when it is selected, else the first
    // selected one); -1 when no row is selected.
    int GetTaskSelectedID() const;
    int GetResourceSelectedID() const;
    int GetScheduleSelectedID() const;

    // Append the IDs of all selected rows in list order.
    void GetTaskListAllSelectedIDs(std::vector<int>& ids) const;
    void GetResourceListAllSelectedIDs(std::vector<int>& ids) const;
    void GetScheduleListAllSelectedIDs(std::vector<int>& ids) const;

    // Makes the first row of task `id` the only selected and current row. Nothing happens for
    // an id below 1 or a task without a row (a hidden subtask).
    void SelectTaskByID(int id);

    // The tab strip at (x, y), w wide; the lists below it at (x, y + 28), (w - x - 2) wide,
    // reaching down to y + h. A resize lays the panel out over its whole area.
    void LayoutControls(int x, int y, int w, int h);

    // The end of a drag in list `listId` at the gap above row `dropRow` (the number of rows
    // for the end of the list). Dragged tasks are moved in the project, with undo, and the
    // host is told (4506); a refused drag only rebuilds the task list, so the rows go back.
    void EvLVDragFinish(int listId, int dropRow);

    // Where the last right click happened (global screen coordinates) and in which list,
    // for the context menu the host opens on 4505.
    QPoint LastContextPosition() const { return lastContextPosition_; }
    int LastContextListID() const { return lastContextListID_; }

    QTabBar& TabBar() const { return *tabs_; }
    QTreeView& List(eDataPanelList list) const { return *lists_[list]; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateList(eDataPanelList list);
    void ShowTab(int tab);
    void Refill(eDataPanelList list, std::vector<QPListRow> rows);
    int SelectionCount(eDataPanelList list) const;
    int SelectedID(eDataPanelList list) const;
    void AllSelectedIDs(eDataPanelList list, std::vector<int>& ids) const;
    std::vector<int> SelectedRows(eDataPanelList list) const;
    void ApplyColumnLayout(eDataPanelList list);
    // Without a stored layout, the first rows that arrive size the columns.
    void FitColumnsToRows(eDataPanelList list, const std::vector<QPListRow>& rows);
    void StoreColumnLayout(eDataPanelList list) const;

    QPProject& project_;
    QPDataPanelHost& host_;
    LSettingsStore& settings_;
    QTabBar* tabs_ = nullptr;
    std::array<QTreeView*, 3> lists_{};
    std::array<QPListModel*, 3> models_{};
    bool initialized_ = false;
    std::array<bool, 3> fitPending_{};
    // Rebuilding a list clears its selection; the host hears of selections the user made.
    bool refilling_ = false;
    QPoint lastContextPosition_;
    int lastContextListID_ = 0;
};
