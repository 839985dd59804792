#include "dialogs/QPTaskDialog.h"

#include "dialogs/QPAssignmentLists.h"
#include "dialogs/QPDialogFields.h"
#include "dialogs/QPTaskDialogRules.h"
#include "framework/LUserPrompts.h"
#include "model/LLocaleFormat.h"
#include "model/QPProject.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <iterator>

namespace {

using namespace QPTaskDialogRules;

constexpr int kKeyRole = Qt::UserRole;
constexpr int kMessageTaskAccepted = 4101;
constexpr int kMessageTaskCancelled = 4102;

enum eDependencyColumn { eDependencyID = 0, eDependencyName, eDependencyType, eDependencyLag };

QLabel* Hint(const char* text, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setWordWrap(true);
    label->setEnabled(false);
    return label;
}

QComboBox* ComboAt(const QTableWidget& table, int row, int column)
{
    return qobject_cast<QComboBox*>(table.cellWidget(row, column));
}

} // namespace

QPTaskDialog::QPTaskDialog(QPProject& project, QPEditPanelHost& host, LUserPrompts& prompts,
                           QPEditTarget<QPTask> target, QWidget* parent)
    : QPEditPanel(project, host, prompts, parent), target_(std::move(target)),
      task_(target_.Element())
{
    const Form form = InitialForm(project_, task_);

    tabs_ = new QTabWidget(this);
    tabs_->addTab(MakeGeneralPage(), QStringLiteral("General"));
    notes_ = new QPlainTextEdit(this);
    tabs_->addTab(notes_, QStringLiteral("Notes"));
    tabs_->addTab(MakeDependencyPage(), QStringLiteral("Dependencies"));

    auto* resourcePage = new QWidget(this);
    resources_ = new QPResourceAssignmentList(project_.options, prompts_, resourcePage);
    auto* resourceLayout = new QVBoxLayout(resourcePage);
    resourceLayout->addWidget(resources_, 1);
    resourceLayout->addWidget(Hint("Resources must be assigned to individual subtasks.", this));
    tabs_->addTab(resourcePage, QStringLiteral("Resources"));

    auto* subtaskPage = new QWidget(this);
    subtasks_ = new QPSubtaskAssignmentList(prompts_, subtaskPage);
    auto* subtaskLayout = new QVBoxLayout(subtaskPage);
    subtaskLayout->addWidget(subtasks_, 1);
    subtaskLayout->addWidget(Hint("Sub-tasks may only be assigned to header tasks.", this));
    tabs_->addTab(subtaskPage, QStringLiteral("Sub-Tasks"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);

    // Fill from the form.
    name_->setText(QPFromUtf8(form.name));
    taskType_->setCurrentIndex(form.taskType == eTaskTypeFixedDuration ? 1 : 0);
    FillChoices();
    schedule_->setCurrentIndex(std::max(0, schedule_->findData(qlonglong(form.scheduleKey))));
    headerChoice_->setCurrentIndex(std::max(0, headerChoice_->findData(qlonglong(form.headerKey))));
    duration_->setText(QPFromUtf8(form.durationText));
    percentComplete_->setText(QPFromUtf8(form.percentCompleteText));
    header_->setChecked(form.isHeader);
    hideSubtasks_->setChecked(form.hideSubtasks);
    autoSchedule_->setChecked(form.autoSchedule);
    milestone_->setChecked(form.milestone);
    start_->setDate(QPToQDate(form.start));
    finish_->setDate(QPToQDate(form.finish));
    constraint_->setCurrentIndex(
            (form.constraintType >= 0 && form.constraintType <= 8) ? form.constraintType : 0);
    constraintDate_->setDate(QPToQDate(form.constraintDate));
    notes_->setPlainText(QPFromUtf8(form.notes));
    for (const DependencyRow& row : form.dependencies)
        AddDependencyRowFor(QPFromUtf8(row.idText), QPFromUtf8(row.typeText),
                            QPFromUtf8(row.lagText));
    resources_->Fill(project_, form.resources);
    subtasks_->Fill(project_, task_, form.subtasks);

    for (QCheckBox* box : {header_, autoSchedule_, milestone_})
        connect(box, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    for (QComboBox* choice : {taskType_, constraint_})
        connect(choice, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabling(); });
    UpdateEnabling();
    name_->setFocus();
}

QPTaskDialog::~QPTaskDialog() = default;

QWidget* QPTaskDialog::MakeGeneralPage()
{
    auto* page = new QWidget(this);
    name_ = new QLineEdit(page);
    taskType_ = new QComboBox(page);
    taskType_->addItems({QStringLiteral("Fixed Work"), QStringLiteral("Fixed Duration")});
    schedule_ = new QComboBox(page);
    duration_ = new QLineEdit(page);
    percentComplete_ = new QLineEdit(page);
    header_ = new QCheckBox(QStringLiteral("Mark as Header Task"), page);
    hideSubtasks_ = new QCheckBox(QStringLiteral("Hide Sub-Tasks"), page);
    autoSchedule_ = new QCheckBox(QStringLiteral("Schedule Automatically"), page);
    milestone_ = new QCheckBox(QStringLiteral("Mark as Milestone"), page);
    start_ = QPMakeDateEdit(project_.options, {}, page);
    finish_ = QPMakeDateEdit(project_.options, {}, page);
    constraint_ = new QComboBox(page);
    for (int32_t type = eConstraintNone; type <= eConstraintFinishAfter; ++type)
        constraint_->addItem(QString::fromUtf8(QPTaskConstraintName(type)));
    constraintDate_ = QPMakeDateEdit(project_.options, {}, page);
    headerChoice_ = new QComboBox(page);
    for (QComboBox* choice : {schedule_, headerChoice_}) {
        // Long names must not widen the page past the panel.
        choice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        choice->setMinimumContentsLength(12);
    }

    auto makeForm = [] {
        auto* form = new QFormLayout;
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return form;
    };
    QFormLayout* top = makeForm();
    top->addRow(QStringLiteral("Name:"), name_);

    QFormLayout* work = makeForm();
    work->addRow(QStringLiteral("Task Type:"), taskType_);
    work->addRow(QStringLiteral("Schedule:"), schedule_);
    work->addRow(QStringLiteral("Duration (work hours):"), duration_);
    work->addRow(QStringLiteral("Percent Complete:"), percentComplete_);

    QFormLayout* dates = makeForm();
    dates->addRow(QStringLiteral("Start Date:"), start_);
    dates->addRow(QStringLiteral("End Date:"), finish_);
    dates->addRow(QStringLiteral("Constraint:"), constraint_);
    dates->addRow(QStringLiteral("Constraint Date:"), constraintDate_);

    auto* columns = new QHBoxLayout;
    columns->addLayout(work, 1);
    columns->addSpacing(12);
    columns->addLayout(dates, 1);

    auto* boxes = new QGridLayout;
    boxes->addWidget(header_, 0, 0);
    boxes->addWidget(hideSubtasks_, 0, 1);
    boxes->addWidget(autoSchedule_, 1, 0);
    boxes->addWidget(milestone_, 1, 1);

    QFormLayout* membership = makeForm();
    membership->addRow(QStringLiteral("Assign as Sub-Task to:"), headerChoice_);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addLayout(columns);
    layout->addSpacing(4);
    layout->addLayout(boxes);
    layout->addSpacing(4);
    layout->addLayout(membership);
    layout->addStretch(1);
    return page;
}

QWidget* QPTaskDialog::MakeDependencyPage()
{
    auto* page = new QWidget(this);
    dependencies_ = new QPEmptyTextTable(
            4, QStringLiteral("Right-click to add or remove a task dependency"), page);
    dependencies_->setObjectName(QStringLiteral("DependencyAssignmentList"));
    dependencies_->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("Task Name"),
                                              QStringLiteral("Dependency Type"),
                                              QStringLiteral("Lag (days)")});
    dependencies_->verticalHeader()->hide();
    dependencies_->setSelectionBehavior(QAbstractItemView::SelectRows);
    dependencies_->setSelectionMode(QAbstractItemView::SingleSelection);
    dependencies_->horizontalHeader()->setStretchLastSection(true);
    dependencies_->horizontalHeader()->setSectionResizeMode(eDependencyName, QHeaderView::Stretch);
    dependencies_->horizontalHeader()->setSectionResizeMode(eDependencyLag,
                                                            QHeaderView::Interactive);
    dependencies_->setColumnWidth(eDependencyID, 50);
    dependencies_->setColumnWidth(eDependencyType, 130);
    dependencies_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dependencies_, &QWidget::customContextMenuRequested, this,
            &QPTaskDialog::ShowDependencyMenu);
    connect(dependencies_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == eDependencyID)
            DependencyIDEdited(item->row());
    });

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(dependencies_);
    return page;
}

QTableWidget& QPTaskDialog::DependencyList() const
{
    return *dependencies_;
}

void QPTaskDialog::FillChoices()
{
    const int64_t schedule =
            schedule_->currentIndex() >= 0 ? schedule_->currentData().toLongLong() : -1;
    const int64_t header =
            headerChoice_->currentIndex() >= 0 ? headerChoice_->currentData().toLongLong() : -1;
    {
        const QSignalBlocker blocker(schedule_);
        schedule_->clear();
        for (const QPSchedule& each : project_.schedules)
            schedule_->addItem(QPFromUtf8(each.name), qlonglong(each.key));
        int at = schedule_->findData(qlonglong(schedule));
        if (at < 0)
            at = schedule_->findData(qlonglong(project_.defaultScheduleKey));
        schedule_->setCurrentIndex(std::max(0, at));
    }
    {
        const QSignalBlocker blocker(headerChoice_);
        headerChoice_->clear();
        headerChoice_->addItem(QString::fromUtf8(kNoHeaderChoice), qlonglong(-1));
        for (const QPTask* each : HeaderChoices(project_, task_))
            headerChoice_->addItem(QPFromUtf8(each->name), qlonglong(each->key));
        headerChoice_->setCurrentIndex(std::max(0, headerChoice_->findData(qlonglong(header))));
    }
}

Form QPTaskDialog::ReadForm() const
{
    Form form;
    form.name = name_->text().toStdString();
    form.taskType = taskType_->currentIndex();
    form.scheduleKey = schedule_->currentIndex() >= 0 ? schedule_->currentData().toLongLong() : -1;
    form.durationText = duration_->text().toStdString();
    form.percentCompleteText = percentComplete_->text().toStdString();
    form.isHeader = header_->isChecked();
    form.hideSubtasks = hideSubtasks_->isChecked();
    form.autoSchedule = autoSchedule_->isChecked();
    form.milestone = milestone_->isChecked();
    form.start = QPFromQDate(start_->date());
    form.finish = QPFromQDate(finish_->date());
    form.constraintType = constraint_->currentIndex();
    form.constraintDate = QPFromQDate(constraintDate_->date());
    form.headerKey =
            headerChoice_->currentIndex() >= 0 ? headerChoice_->currentData().toLongLong() : -1;
    form.notes = notes_->toPlainText().toStdString();
    for (int row = 0; row < dependencies_->rowCount(); ++row) {
        const QComboBox* type = ComboAt(*dependencies_, row, eDependencyType);
        form.dependencies.push_back(
                {dependencies_->item(row, eDependencyID)->text().toStdString(),
                 type ? type->currentText().toStdString() : std::string(),
                 dependencies_->item(row, eDependencyLag)->text().toStdString()});
    }
    form.resources = resources_->Rows();
    form.subtasks = subtasks_->Rows();
    return form;
}

bool QPTaskDialog::CmOk()
{
    const Form form = ReadForm();
    int32_t row = -1;
    const QPFormOutcome refusal = Confirm(project_, task_, form, &row);
    if (refusal) {
        if (!refusal->IsSilent())
            prompts_.ShowAlert(refusal->title, refusal->message);
        ShowRefusal(refusal->field, row);
        return false;
    }
    Apply(project_, task_, form);
    host_.EvInterWinMessage(kMessageTaskAccepted, task_, target_.TakeCreated());
    return true;
}

bool QPTaskDialog::CmCancel()
{
    host_.EvInterWinMessage(kMessageTaskCancelled, task_, target_.TakeCreated());
    return true;
}

void QPTaskDialog::ProjectUpdate()
{
    FillChoices();
    RefreshDependencyRows();
    resources_->Refill(project_);
    subtasks_->Refill(project_, task_);
    UpdateEnabling();
}

void QPTaskDialog::ShowRefusal(int32_t field, int32_t row)
{
    tabs_->setCurrentIndex(TabOf(field));
    QWidget* widget = name_;
    QTableWidget* list = nullptr;
    switch (field) {
    case eFieldDuration:
        widget = duration_;
        break;
    case eFieldPercentComplete:
        widget = percentComplete_;
        break;
    case eFieldStart:
        widget = start_;
        break;
    case eFieldFinish:
        widget = finish_;
        break;
    case eFieldConstraintDate:
        widget = constraintDate_;
        break;
    case eFieldDependencies:
        widget = list = dependencies_;
        break;
    case eFieldResources:
        widget = list = &resources_->Table();
        break;
    case eFieldSubtasks:
        widget = list = &subtasks_->Table();
        break;
    default:
        break;
    }
    if (list && row >= 0 && row < list->rowCount())
        list->selectRow(row);
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->selectAll();
}

// --- the dependency list --------------------------------------------------------------

void QPTaskDialog::AddDependencyRow()
{
    if (project_.tasks.empty())
        return;
    const QPTask& first = project_.tasks.front();
    const std::string_view point = LFirstCharacter(project_.options.decimalSymbol);
    AddDependencyRowFor(QString::number(first.id), QString::fromUtf8(kDependencyTypeNames[0]),
                        QStringLiteral("0") + QPFromUtf8(point.empty() ? "." : point) +
                                QStringLiteral("0"));
    dependencies_->selectRow(dependencies_->rowCount() - 1);
}

void QPTaskDialog::RemoveDependencyRow(int row)
{
    if (row >= 0 && row < dependencies_->rowCount())
        dependencies_->removeRow(row);
    dependencies_->viewport()->update();
}

void QPTaskDialog::AddDependencyRowFor(const QString& idText, const QString& typeText,
                                       const QString& lagText)
{
    const QSignalBlocker blocker(dependencies_);
    const int at = dependencies_->rowCount();
    dependencies_->insertRow(at);
    auto* id = new QTableWidgetItem(idText);
    id->setData(kKeyRole, qlonglong(-1));
    dependencies_->setItem(at, eDependencyID, id);
    dependencies_->setItem(at, eDependencyLag, new QTableWidgetItem(lagText));

    auto* names = new QComboBox(dependencies_);
    names->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    for (const QPTask& each : project_.tasks)
        names->addItem(QPFromUtf8(each.name), qlonglong(each.key));
    connect(names, &QComboBox::currentIndexChanged, this, [this, names, id](int) {
        // Choosing a name puts in that task's ID.
        const QPTask* chosen = project_.tasks.GetElementByKey(names->currentData().toLongLong());
        if (!chosen)
            return;
        const QSignalBlocker quiet(dependencies_);
        id->setText(QString::number(chosen->id));
        id->setData(kKeyRole, qlonglong(chosen->key));
    });
    dependencies_->setCellWidget(at, eDependencyName, names);

    auto* types = new QComboBox(dependencies_);
    types->addItem(typeText.isEmpty() ? QString::fromUtf8(kDependencyTypeNames[0]) : typeText);
    SetTypeChoices(*types);
    dependencies_->setCellWidget(at, eDependencyType, types);
    DependencyIDEdited(at);
}

void QPTaskDialog::SetTypeChoices(QComboBox& types) const
{
    // A header is offered only the kinds that leave its finish to its subtasks; a kind it
    // already holds stays visible, so that OK can say why it is refused.
    const QString current = types.currentText();
    const QSignalBlocker blocker(&types);
    types.clear();
    const int offered = header_->isChecked() ? 2 : 4;
    for (int type = 0; type < offered; ++type)
        types.addItem(QString::fromUtf8(kDependencyTypeNames[type]));
    if (!current.isEmpty() && types.findText(current) < 0)
        types.addItem(current);
    types.setCurrentIndex(std::max(0, types.findText(current)));
}

void QPTaskDialog::DependencyIDEdited(int row)
{
    QTableWidgetItem* id = dependencies_->item(row, eDependencyID);
    QComboBox* names = ComboAt(*dependencies_, row, eDependencyName);
    if (!id || !names)
        return;
    bool ok = false;
    const int number = id->text().trimmed().toInt(&ok);
    const QPTask* task = ok ? project_.tasks.GetElement(number) : nullptr;
    const QSignalBlocker blocker(names);
    names->setCurrentIndex(task ? names->findData(qlonglong(task->key)) : -1);
    const QSignalBlocker quiet(dependencies_);
    id->setData(kKeyRole, qlonglong(task ? task->key : -1));
}

void QPTaskDialog::RefreshDependencyRows()
{
    for (int row = dependencies_->rowCount() - 1; row >= 0; --row) {
        QTableWidgetItem* id = dependencies_->item(row, eDependencyID);
        const int64_t key = id->data(kKeyRole).toLongLong();
        const QPTask* task = project_.tasks.GetElementByKey(key);
        if (key != -1 && !task) {
            // The predecessor was deleted.
            dependencies_->removeRow(row);
            continue;
        }
        QComboBox* names = ComboAt(*dependencies_, row, eDependencyName);
        {
            const QSignalBlocker blocker(names);
            names->clear();
            for (const QPTask& each : project_.tasks)
                names->addItem(QPFromUtf8(each.name), qlonglong(each.key));
        }
        if (task) {
            const QSignalBlocker quiet(dependencies_);
            id->setText(QString::number(task->id));
        }
        DependencyIDEdited(row);
    }
}

void QPTaskDialog::ShowDependencyMenu(const QPoint& at)
{
    QMenu menu(this);
    QAction* add = menu.addAction(QStringLiteral("Add Dependency"));
    QAction* remove = menu.addAction(QStringLiteral("Remove Dependency"));
    const int row = dependencies_->rowAt(at.y());
    const int target = row >= 0 ? row : dependencies_->currentRow();
    add->setEnabled(!project_.tasks.empty());
    remove->setEnabled(target >= 0);
    QAction* chosen = menu.exec(dependencies_->viewport()->mapToGlobal(at));
    if (chosen == add)
        AddDependencyRow();
    else if (chosen == remove)
        RemoveDependencyRow(target);
}

// --- enabling -------------------------------------------------------------------------

void QPTaskDialog::UpdateEnabling()
{
    const bool header = header_->isChecked();
    // A header is placed with its subtasks and is never a milestone.
    const bool automatic = header || autoSchedule_->isChecked();
    const bool milestone = !header && milestone_->isChecked();
    const bool fixedDuration = taskType_->currentIndex() == eTaskTypeFixedDuration;
    const bool manualFixedDuration = !automatic && fixedDuration;

    schedule_->setEnabled(fixedDuration);
    duration_->setEnabled(!milestone && !header && !manualFixedDuration);
    hideSubtasks_->setEnabled(header);
    autoSchedule_->setEnabled(!header);
    milestone_->setEnabled(!header);
    start_->setEnabled(!automatic);
    finish_->setEnabled(manualFixedDuration);
    constraint_->setEnabled(automatic);
    constraintDate_->setEnabled(automatic && QPTaskConstraintIsDated(constraint_->currentIndex()));
    headerChoice_->setEnabled(!header);
    resources_->setEnabled(!header);
    subtasks_->setEnabled(header);
    for (int row = 0; row < dependencies_->rowCount(); ++row)
        if (QComboBox* types = ComboAt(*dependencies_, row, eDependencyType))
            SetTypeChoices(*types);
}
