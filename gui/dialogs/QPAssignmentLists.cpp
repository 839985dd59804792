#include "dialogs/QPAssignmentLists.h"

#include "dialogs/QPDialogFields.h"
#include "dialogs/QPTaskDialogRules.h"
#include "framework/LUserPrompts.h"
#include "model/QPFormat.h"
#include "model/QPProject.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace {

constexpr int kKeyRole = Qt::UserRole;
// The last text of a percent cell that passed the number check.
constexpr int kAcceptedTextRole = Qt::UserRole + 1;

enum eResourceColumn { eResourceID = 0, eResourceName, eResourcePercent };
enum eSubtaskColumn { eSubtaskID = 0, eSubtaskName };

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// The whole percent a cell's text stands for, as the slider can show it.
int SliderPercent(const QString& text)
{
    int value = 0;
    for (QChar c : text.trimmed()) {
        if (!c.isDigit())
            break;
        value = std::min(1000, value * 10 + c.digitValue());
    }
    return std::clamp(value, 0, 100);
}

void SetUpTable(QTableWidget& table, const QStringList& headers)
{
    table.setHorizontalHeaderLabels(headers);
    table.verticalHeader()->hide();
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setSelectionMode(QAbstractItemView::SingleSelection);
    table.horizontalHeader()->setStretchLastSection(true);
    table.horizontalHeader()->setHighlightSections(false);
}

} // namespace

// --- QPEmptyTextTable -----------------------------------------------------------------

QPEmptyTextTable::QPEmptyTextTable(int columns, const QString& emptyText, QWidget* parent)
    : QTableWidget(0, columns, parent), emptyText_(emptyText)
{}

void QPEmptyTextTable::paintEvent(QPaintEvent* event)
{
    QTableWidget::paintEvent(event);
    if (rowCount() > 0 || emptyText_.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12),
                     Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
}

// --- QPResourceAssignmentList ---------------------------------------------------------

QPResourceAssignmentList::QPResourceAssignmentList(const LLocaleNumberProfile& numbers,
                                                   LUserPrompts& prompts, QWidget* parent)
    : QWidget(parent), numbers_(numbers), prompts_(prompts)
{
    table_ = new QTableWidget(0, 3, this);
    SetUpTable(*table_, {QStringLiteral("ID"), QStringLiteral("Resource Name"),
                         QStringLiteral("% Committed")});
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, 100);
    slider_->setPageStep(10);
    slider_->setEnabled(false);
    sliderValue_ = new QLabel(QStringLiteral("0%"), this);
    sliderValue_->setMinimumWidth(sliderValue_->fontMetrics().horizontalAdvance("100%") + 4);

    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(new QLabel(QStringLiteral("Percent Committed:"), this));
    sliderRow->addWidget(slider_, 1);
    sliderRow->addWidget(sliderValue_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_, 1);
    layout->addLayout(sliderRow);

    connect(table_, &QTableWidget::itemChanged, this, &QPResourceAssignmentList::PercentEdited);
    connect(table_, &QTableWidget::itemSelectionChanged, this,
            &QPResourceAssignmentList::SelectionMoved);
    connect(slider_, &QSlider::valueChanged, this, &QPResourceAssignmentList::SliderMoved);
}

void QPResourceAssignmentList::Fill(const QPProject& project,
                                    const std::vector<QPTaskDialogRules::ResourceRow>& rows)
{
    const QSignalBlocker blocker(table_);
    table_->setRowCount(0);
    for (const QPResource& resource : project.resources) {
        QString percent = QStringLiteral("0");
        for (const QPTaskDialogRules::ResourceRow& row : rows)
            if (row.resourceID == resource.id)
                percent = QPFromUtf8(row.percentText);
        const int at = table_->rowCount();
        table_->insertRow(at);
        QTableWidgetItem* id = ReadOnlyItem(QString::number(resource.id));
        id->setData(kKeyRole, qlonglong(resource.key));
        table_->setItem(at, eResourceID, id);
        table_->setItem(at, eResourceName, ReadOnlyItem(QPFromUtf8(resource.name)));
        auto* cell = new QTableWidgetItem(percent);
        cell->setData(kAcceptedTextRole, percent);
        table_->setItem(at, eResourcePercent, cell);
    }
    table_->resizeColumnToContents(eResourceID);
    table_->setColumnWidth(eResourceName, std::max(160, table_->columnWidth(eResourceName)));
    SelectionMoved();
}

void QPResourceAssignmentList::Refill(const QPProject& project)
{
    // Percents by resource key: IDs change when resources are deleted.
    std::map<int64_t, std::string> percents;
    for (int row = 0; row < table_->rowCount(); ++row)
        percents[table_->item(row, eResourceID)->data(kKeyRole).toLongLong()] =
                table_->item(row, eResourcePercent)->text().toStdString();
    std::vector<QPTaskDialogRules::ResourceRow> rows;
    for (const QPResource& resource : project.resources) {
        const auto it = percents.find(resource.key);
        if (it != percents.end())
            rows.push_back({resource.id, it->second});
    }
    Fill(project, rows);
}

std::vector<QPTaskDialogRules::ResourceRow> QPResourceAssignmentList::Rows() const
{
    std::vector<QPTaskDialogRules::ResourceRow> rows;
    for (int row = 0; row < table_->rowCount(); ++row)
        rows.push_back({table_->item(row, eResourceID)->text().toInt(),
                        table_->item(row, eResourcePercent)->text().toStdString()});
    return rows;
}

void QPResourceAssignmentList::PercentEdited(QTableWidgetItem* item)
{
    if (item->column() != eResourcePercent)
        return;
    const QString text = item->text().trimmed();
    if (!QPValidateNumber(numbers_, text.toStdString())) {
        {
            const QSignalBlocker blocker(table_);
            item->setText(item->data(kAcceptedTextRole).toString());
        }
        prompts_.ShowAlert("Invalid Input", "Please enter numbers only for resource assignment.");
        return;
    }
    {
        const QSignalBlocker blocker(table_);
        item->setText(text);
        item->setData(kAcceptedTextRole, text);
    }
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    bool onlyThisRow = !selected.isEmpty();
    for (const QTableWidgetItem* other : selected)
        onlyThisRow = onlyThisRow && other->row() == item->row();
    if (onlyThisRow)
        SetSliderQuietly(SliderPercent(text));
}

void QPResourceAssignmentList::SelectionMoved()
{
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    slider_->setEnabled(!selected.isEmpty() && isEnabled());
    if (selected.isEmpty()) {
        SetSliderQuietly(0);
        return;
    }
    SetSliderQuietly(
            SliderPercent(table_->item(selected.front()->row(), eResourcePercent)->text()));
}

void QPResourceAssignmentList::SliderMoved(int value)
{
    sliderValue_->setText(QStringLiteral("%1%").arg(value));
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    if (selected.isEmpty())
        return;
    QTableWidgetItem* cell = table_->item(selected.front()->row(), eResourcePercent);
    const QSignalBlocker blocker(table_);
    cell->setText(QString::number(value));
    cell->setData(kAcceptedTextRole, cell->text());
}

void QPResourceAssignmentList::SetSliderQuietly(int value)
{
    const QSignalBlocker blocker(slider_);
    slider_->setValue(value);
    sliderValue_->setText(QStringLiteral("%1%").arg(value));
}

// --- QPSubtaskAssignmentList ----------------------------------------------------------

QPSubtaskAssignmentList::QPSubtaskAssignmentList(LUserPrompts& prompts, QWidget* parent)
    : QWidget(parent), prompts_(prompts)
{
    table_ = new QPEmptyTextTable(2, QStringLiteral("Right-click to add or remove a sub-task"),
                                  this);
    SetUpTable(*table_, {QStringLiteral("ID"), QStringLiteral("Task Name")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, &QPSubtaskAssignmentList::ShowMenu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
}

void QPSubtaskAssignmentList::Fill(const QPProject& project, const QPTask& task,
                                   const std::vector<QPTaskDialogRules::SubtaskRow>& rows)
{
    project_ = &project;
    task_ = &task;
    table_->setRowCount(0);
    for (const QPTaskDialogRules::SubtaskRow& row : rows)
        if (const QPTask* subtask = project.tasks.GetElement(row.taskID))
            AddRowFor(subtask->key);
    table_->resizeColumnToContents(eSubtaskID);
}

void QPSubtaskAssignmentList::Refill(const QPProject& project, const QPTask& task)
{
    std::vector<int64_t> keys;
    for (int row = 0; row < table_->rowCount(); ++row)
        keys.push_back(table_->item(row, eSubtaskID)->data(kKeyRole).toLongLong());
    project_ = &project;
    task_ = &task;
    table_->setRowCount(0);
    const std::vector<const QPTask*> eligible = QPTaskDialogRules::EligibleSubtasks(project, task);
    for (int64_t key : keys)
        for (const QPTask* candidate : eligible)
            if (candidate->key == key)
                AddRowFor(key);
}

std::vector<QPTaskDialogRules::SubtaskRow> QPSubtaskAssignmentList::Rows() const
{
    std::vector<QPTaskDialogRules::SubtaskRow> rows;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const int64_t key = table_->item(row, eSubtaskID)->data(kKeyRole).toLongLong();
        const QPTask* subtask = project_ ? project_->tasks.GetElementByKey(key) : nullptr;
        rows.push_back({subtask ? subtask->id : -1});
    }
    return rows;
}

bool QPSubtaskAssignmentList::AddRow()
{
    if (!project_ || !task_)
        return false;
    const std::vector<const QPTask*> eligible =
            QPTaskDialogRules::EligibleSubtasks(*project_, *task_);
    if (eligible.empty()) {
        prompts_.ShowAlert("No Sub-Task Available",
                           "No tasks are currently eligible for assignment as a sub-task. Create "
                           "a non-header task to make it available for selection here.");
        return false;
    }
    AddRowFor(eligible.front()->key);
    table_->selectRow(table_->rowCount() - 1);
    return true;
}

void QPSubtaskAssignmentList::RemoveRow(int row)
{
    if (row >= 0 && row < table_->rowCount())
        table_->removeRow(row);
}

void QPSubtaskAssignmentList::AddRowFor(int64_t key)
{
    const int at = table_->rowCount();
    table_->insertRow(at);
    auto* id = ReadOnlyItem(QString());
    table_->setItem(at, eSubtaskID, id);

    auto* names = new QComboBox(table_);
    for (const QPTask* candidate : QPTaskDialogRules::EligibleSubtasks(*project_, *task_))
        names->addItem(QPFromUtf8(candidate->name), qlonglong(candidate->key));
    auto show = [this, id](int64_t chosen) {
        const QPTask* subtask = project_->tasks.GetElementByKey(chosen);
        id->setText(subtask ? QString::number(subtask->id) : QString());
        id->setData(kKeyRole, qlonglong(chosen));
    };
    names->setCurrentIndex(names->findData(qlonglong(key)));
    show(key);
    connect(names, &QComboBox::currentIndexChanged, this,
            [names, show](int) { show(names->currentData().toLongLong()); });
    table_->setCellWidget(at, eSubtaskName, names);
}

void QPSubtaskAssignmentList::ShowMenu(const QPoint& at)
{
    QMenu menu(this);
    QAction* add = menu.addAction(QStringLiteral("Add Sub-Task"));
    QAction* remove = menu.addAction(QStringLiteral("Remove Sub-Task"));
    const int row = table_->rowAt(at.y());
    const int target = row >= 0 ? row : table_->currentRow();
    remove->setEnabled(target >= 0);
    QAction* chosen = menu.exec(table_->viewport()->mapToGlobal(at));
    if (chosen == add)
        AddRow();
    else if (chosen == remove)
        RemoveRow(target);
}
