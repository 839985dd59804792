#include "QPDataPanel.h"

#include "fileformat/LSettings.h"
#include "model/QPProject.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTreeView>

#include <algorithm>
#include <functional>
#include <span>

namespace {

// The chart's mark of a task over-committing a resource: a yellow X, outlined so that it
// shows on the list's white and grey rows alike.
QPixmap ConflictMark()
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& [colour, width] :
         {std::pair{QColor(120, 110, 0), 3.5}, std::pair{QColor(255, 240, 0), 2.0}}) {
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(2.5, 2.5), QPointF(9.5, 9.5));
        painter.drawLine(QPointF(2.5, 9.5), QPointF(9.5, 2.5));
    }
    return pixmap;
}

} // namespace

// The rows of one list as prepared texts. Qt only asks for the rows it paints, so a list of
// thousands of tasks costs a conversion per visible cell rather than one per cell.
class QPListModel final : public QAbstractTableModel {
public:
    QPListModel(std::span<const QPListColumn> columns, QObject* parent)
        : QAbstractTableModel(parent), columns_(columns)
    {}

    void SetRows(std::vector<QPListRow> rows)
    {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }
    const std::vector<QPListRow>& Rows() const { return rows_; }

    // Rows of this list may be dragged and dropped between other rows; `onDrop` hears the
    // row above which they were dropped.
    void AllowReordering(std::function<void(int)> onDrop) { onDrop_ = std::move(onDrop); }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(columns_.size());
    }

    // The row of the element open in the edit panel stands out until the panel closes.
    void SetHighlightedID(int id)
    {
        if (highlightedID_ == id)
            return;
        highlightedID_ = id;
        if (!rows_.empty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                             {Qt::BackgroundRole});
    }
    int HighlightedID() const { return highlightedID_; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        if (role == Qt::BackgroundRole) {
            if (highlightedID_ >= 1 && rows_[std::size_t(index.row())].id == highlightedID_)
                return QColor(200, 200, 200);
            return {};
        }
        const QPListRow& row = rows_[std::size_t(index.row())];
        if (row.overCommitted && index.column() == 1) {
            // The name of a task left over-committed carries the chart's conflict mark.
            if (role == Qt::ToolTipRole)
                return QString::fromUtf8(kOverCommittedText);
            if (role == Qt::DecorationRole)
                return ConflictMark();
        }
        if (role != Qt::DisplayRole)
            return {};
        const std::vector<std::string>& texts = row.texts;
        const auto column = std::size_t(index.column());
        return column < texts.size() ? QString::fromStdString(texts[column]) : QString();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || std::size_t(section) >= columns_.size())
            return {};
        if (role == Qt::DisplayRole)
            return QString::fromUtf8(columns_[std::size_t(section)].title);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        // Only the gaps between rows take drops: never a row itself.
        if (!index.isValid())
            return onDrop_ ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        if (onDrop_)
            flags |= Qt::ItemIsDragEnabled;
        return flags;
    }

    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

    // The list never moves its own rows: the project moves the tasks, and the lists are
    // rebuilt from it. Declining the drop also keeps the view from removing the dragged rows.
    bool dropMimeData(const QMimeData*, Qt::DropAction action, int row, int,
                      const QModelIndex& parent) override
    {
        if (onDrop_ && action == Qt::MoveAction)
            onDrop_(row >= 0 && !parent.isValid() ? row : rowCount());
        return false;
    }

private:
    std::span<const QPListColumn> columns_;
    std::vector<QPListRow> rows_;
    std::function<void(int)> onDrop_;
    int highlightedID_ = -1;
};

namespace {

// Every row of the task list is the same fixed height.
class RowHeightDelegate final : public QStyledItemDelegate {
public:
    RowHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(height_);
        return size;
    }

private:
    int height_;
};

constexpr const char* kSettingsSection = "Settings";
// A unit of a column's relative width: a tenth of what a date and time take in the list's
// font, so that the 10-unit "Start" and "End" columns show them whole.
int PixelsPerWidthUnit(const QFontMetrics& metrics)
{
    const int dateTime = metrics.horizontalAdvance(QStringLiteral("2027-12-31 23:59:59")) + 16;
    return std::max(10, (dateTime + 9) / 10);
}

const int kDoubleClickCommands[3] = {QPDataPanel::kTaskDoubleClicked,
                                     QPDataPanel::kResourceDoubleClicked,
                                     QPDataPanel::kScheduleDoubleClicked};

} // namespace

QPDataPanel::QPDataPanel(QPProject& project, QPDataPanelHost& host, LSettingsStore& settings,
                         QWidget* parent)
    : QWidget(parent), project_(project), host_(host), settings_(settings)
{
    tabs_ = new QTabBar(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->addTab(tr("Tasks"));
    tabs_->addTab(tr("Resources"));
    tabs_->addTab(tr("Schedules"));
    tabs_->setExpanding(false);
    for (eDataPanelList list : {eDataPanelTaskList, eDataPanelResourceList, eDataPanelScheduleList})
        CreateList(list);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int tab) {
        ShowTab(tab);
        host_.Command(kSelectionChanged);
    });
    ShowTab(0);
    LayoutControls(0, 0, width(), height());
}

QPDataPanel::~QPDataPanel() = default;

void QPDataPanel::CreateList(eDataPanelList list)
{
    auto* view = new QTreeView(this);
    auto* model = new QPListModel(QPDataPanelColumns(list), view);
    view->setObjectName(QString::fromUtf8(QPDataPanelSettingsKey(list)));
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setItemsExpandable(false);
    view->setAllColumnsShowFocus(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setContextMenuPolicy(Qt::CustomContextMenu);

    // A light tint with white between, so long rows stay easy to follow across the columns.
    view->setAlternatingRowColors(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, QColor(0xEE, 0xF3, 0xFA));
    palette.setColor(QPalette::AlternateBase, Qt::white);
    view->setPalette(palette);

    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Several rows of any list may be chosen, to delete them at once.
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (list == eDataPanelTaskList) {
        view->setItemDelegate(new RowHeightDelegate(kTaskRowHeight, view));
        view->setDragEnabled(true);
        view->setAcceptDrops(true);
        view->setDropIndicatorShown(true);
        view->setDragDropMode(QAbstractItemView::InternalMove);
        view->setDefaultDropAction(Qt::MoveAction);
        view->setDragDropOverwriteMode(false);
        // The project changes after the drag has ended, not inside the drop.
        model->AllowReordering([this](int dropRow) {
            QMetaObject::invokeMethod(
                    this, [this, dropRow] { EvLVDragFinish(kTaskList, dropRow); },
                    Qt::QueuedConnection);
        });
    }

    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!refilling_)
            host_.Command(kSelectionChanged);
    });
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this, list] { host_.Command(kDoubleClickCommands[list]); });
    connect(view, &QWidget::customContextMenuRequested, this, [this, view, list](QPoint at) {
        lastContextPosition_ = view->viewport()->mapToGlobal(at);
        lastContextListID_ = kTaskList + list;
        host_.Command(kListRightClicked);
    });

    lists_[list] = view;
    models_[list] = model;
    ApplyColumnLayout(list);
}

void QPDataPanel::InitDialog()
{
    {
        const QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(0);
    }
    ShowTab(0);
    for (eDataPanelList list : {eDataPanelTaskList, eDataPanelResourceList, eDataPanelScheduleList})
        ApplyColumnLayout(list);
    AllListRefresh();
    initialized_ = true;
}

void QPDataPanel::DestroyDialog()
{
    if (!initialized_)
        return;
    for (eDataPanelList list : {eDataPanelTaskList, eDataPanelResourceList, eDataPanelScheduleList})
        StoreColumnLayout(list);
}

void QPDataPanel::AllListRefresh()
{
    TaskListRefresh();
    ResourceListRefresh();
    ScheduleListRefresh();
}

void QPDataPanel::TaskListRefresh()
{
    Refill(eDataPanelTaskList, QPTaskListRows(project_));
}

void QPDataPanel::ResourceListRefresh()
{
    Refill(eDataPanelResourceList, QPResourceListRows(project_));
}

void QPDataPanel::ScheduleListRefresh()
{
    Refill(eDataPanelScheduleList, QPScheduleListRows(project_));
}

void QPDataPanel::Refill(eDataPanelList list, std::vector<QPListRow> rows)
{
    if (fitPending_[list] && !rows.empty()) {
        FitColumnsToRows(list, rows);
        fitPending_[list] = false;
    }
    refilling_ = true;
    models_[list]->SetRows(std::move(rows));
    refilling_ = false;
}

void QPDataPanel::FitColumnsToRows(eDataPanelList list, const std::vector<QPListRow>& rows)
{
    // The first rows stand for the rest: a user with no stored layout sees names and
    // dates whole, without the list measuring thousands of rows.
    constexpr std::size_t kSampleRows = 200;
    const QFontMetrics metrics(lists_[list]->font());
    const int widest = 3 * PixelsPerWidthUnit(metrics) * 10;
    QHeaderView& header = *lists_[list]->header();
    for (int column = 0; column < header.count(); ++column) {
        int width = header.sectionSize(column);
        int content = 0;
        for (std::size_t row = 0; row < std::min(rows.size(), kSampleRows); ++row) {
            const auto& texts = rows[row].texts;
            if (static_cast<std::size_t>(column) < texts.size())
                content = std::max(content, metrics.horizontalAdvance(QString::fromStdString(
                                                    texts[static_cast<std::size_t>(column)])));
        }
        // Narrow columns shrink to their content, but never below their title.
        const int title = QFontMetrics(header.font())
                                  .horizontalAdvance(models_[list]
                                                             ->headerData(column, Qt::Horizontal,
                                                                          Qt::DisplayRole)
                                                             .toString()) +
                          24;
        width = std::clamp(content + 16, title, std::max(title, widest));
        header.resizeSection(column, width);
    }
}

void QPDataPanel::SetHighlightedID(eDataPanelList list, int id)
{
    models_[list]->SetHighlightedID(id);
}

int QPDataPanel::HighlightedID(eDataPanelList list) const
{
    return models_[list]->HighlightedID();
}

int QPDataPanel::GetCurrentTab() const
{
    return tabs_->currentIndex();
}

int QPDataPanel::GetTaskListSelectionCount() const
{
    return SelectionCount(eDataPanelTaskList);
}
int QPDataPanel::GetResourceListSelectionCount() const
{
    return SelectionCount(eDataPanelResourceList);
}
int QPDataPanel::GetScheduleListSelectionCount() const
{
    return SelectionCount(eDataPanelScheduleList);
}

int QPDataPanel::GetTaskSelectedID() const
{
    return SelectedID(eDataPanelTaskList);
}
int QPDataPanel::GetResourceSelectedID() const
{
    return SelectedID(eDataPanelResourceList);
}
int QPDataPanel::GetScheduleSelectedID() const
{
    return SelectedID(eDataPanelScheduleList);
}

void QPDataPanel::GetTaskListAllSelectedIDs(std::vector<int>& ids) const
{
    AllSelectedIDs(eDataPanelTaskList, ids);
}
void QPDataPanel::GetResourceListAllSelectedIDs(std::vector<int>& ids) const
{
    AllSelectedIDs(eDataPanelResourceList, ids);
}
void QPDataPanel::GetScheduleListAllSelectedIDs(std::vector<int>& ids) const
{
    AllSelectedIDs(eDataPanelScheduleList, ids);
}

std::vector<int> QPDataPanel::SelectedRows(eDataPanelList list) const
{
    std::vector<int> rows;
    for (const QModelIndex& index : lists_[list]->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int QPDataPanel::SelectionCount(eDataPanelList list) const
{
    if (GetCurrentTab() != list)
        return 0;
    return static_cast<int>(lists_[list]->selectionModel()->selectedRows().size());
}

int QPDataPanel::SelectedID(eDataPanelList list) const
{
    const std::vector<QPListRow>& rows = models_[list]->Rows();
    const QItemSelectionModel& selection = *lists_[list]->selectionModel();
    const QModelIndex current = selection.currentIndex();
    if (current.isValid() && selection.isRowSelected(current.row()))
        return rows[std::size_t(current.row())].id;
    const std::vector<int> selected = SelectedRows(list);
    return selected.empty() ? -1 : rows[std::size_t(selected.front())].id;
}

void QPDataPanel::AllSelectedIDs(eDataPanelList list, std::vector<int>& ids) const
{
    const std::vector<QPListRow>& rows = models_[list]->Rows();
    for (int row : SelectedRows(list))
        ids.push_back(rows[std::size_t(row)].id);
}

void QPDataPanel::SelectTaskByID(int id)
{
    if (id < 1)
        return;
    const std::vector<QPListRow>& rows = models_[eDataPanelTaskList]->Rows();
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [id](const QPListRow& row) { return row.id == id; });
    if (found == rows.end())
        return;
    QTreeView& view = *lists_[eDataPanelTaskList];
    const QModelIndex index = view.model()->index(static_cast<int>(found - rows.begin()), 0);
    view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    view.scrollTo(index);
}

void QPDataPanel::LayoutControls(int x, int y, int w, int h)
{
    tabs_->setGeometry(x, y, std::max(w, 0), kTabStripHeight);
    for (QTreeView* view : lists_)
        view->setGeometry(x, y + kTabStripHeight, std::max(w - x - 2, 0),
                          std::max(h - kTabStripHeight, 0));
}

void QPDataPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutControls(0, 0, event->size().width(), event->size().height());
}

void QPDataPanel::ShowTab(int tab)
{
    for (int list = 0; list < 3; ++list)
        lists_[std::size_t(list)]->setVisible(list == tab);
}

void QPDataPanel::EvLVDragFinish(int listId, int dropRow)
{
    if (listId != kTaskList) {
        host_.Command(kTasksMoved);
        return;
    }
    std::vector<int32_t> rowIDs;
    rowIDs.reserve(models_[eDataPanelTaskList]->Rows().size());
    for (const QPListRow& row : models_[eDataPanelTaskList]->Rows())
        rowIDs.push_back(row.id);
    const QPTaskDrop drop =
            QPPlanTaskDrop(project_, rowIDs, SelectedRows(eDataPanelTaskList), dropRow);
    if (!drop.accepted) {
        TaskListRefresh();
        return;
    }
    project_.MoveTasksByID(drop.ids, drop.target, true);
    host_.Command(kTasksMoved);
}

void QPDataPanel::ApplyColumnLayout(eDataPanelList list)
{
    const std::span<const QPListColumn> columns = QPDataPanelColumns(list);
    const LFixedText stored =
            LSettings(settings_).GetString(kSettingsSection, QPDataPanelSettingsKey(list));
    const std::optional<std::vector<int>> widths =
            QPColumnWidthsFromText(stored.str(), columns.size());
    QHeaderView& header = *lists_[list]->header();
    const QFontMetrics metrics(header.font());
    const int unit = PixelsPerWidthUnit(QFontMetrics(lists_[list]->font()));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        // Wide enough for the title, whatever the font.
        const int readable =
                std::max(columns[i].relativeWidth * unit,
                         metrics.horizontalAdvance(QString::fromUtf8(columns[i].title)) + 24);
        header.resizeSection(static_cast<int>(i), widths ? (*widths)[i] : readable);
    }
    fitPending_[list] = !widths;
}

void QPDataPanel::StoreColumnLayout(eDataPanelList list) const
{
    const QHeaderView& header = *lists_[list]->header();
    std::vector<int> widths;
    for (int i = 0; i < header.count(); ++i)
        widths.push_back(std::clamp(header.sectionSize(i), 1, kMaxColumnWidth));
    LSettings(settings_).SetString(kSettingsSection, QPDataPanelSettingsKey(list),
                                   QPColumnWidthsText(widths));
}
