#include "dialogs/QPScheduleEditor.h"

#include "dialogs/QPDialogFields.h"
#include "dialogs/QPExceptionDlg.h"
#include "dialogs/QPScheduleDialogRules.h"
#include "model/QPProject.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

QTime ToQTime(LDayTime start)
{
    return QTime(0, 0).addSecs(start.Get());
}

LDayTime FromQTime(const QTime& time)
{
    return LDayTime(time.hour() * 3600 + time.minute() * 60);
}

QSpinBox* MakeSpinBox(int maximum, const QString& suffix, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, maximum);
    box->setSuffix(suffix);
    box->setAlignment(Qt::AlignRight);
    return box;
}

} // namespace

QPScheduleEditor::QPScheduleEditor(QPProject& project, LUserPrompts& prompts,
                                   const QPScheduleDialogRules::Form& form, QWidget* parent)
    : QWidget(parent), project_(project), prompts_(prompts), resourceMode_(form.resourceMode)
{
    using namespace QPScheduleDialogRules;
    exceptionEditor_ = [this](const QPExceptionRules::Form& initial,
                              bool editing) -> std::optional<QPExceptionRules::Form> {
        QPExceptionDlg dialog(project_.options, prompts_, initial, editing, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.Result();
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    if (resourceMode_) {
        auto* group = new QGroupBox(QStringLiteral("Resource Schedule"), this);
        scheduleChoice_ = new QComboBox(group);
        scheduleChoice_->setMinimumWidth(180);
        editSource_ = new QCheckBox(QStringLiteral("Edit Source Schedule"), group);
        auto* row = new QHBoxLayout(group);
        row->addWidget(new QLabel(QStringLiteral("Assign Schedule:"), group));
        row->addWidget(scheduleChoice_, 1);
        row->addSpacing(12);
        row->addWidget(editSource_, 1);
        layout->addWidget(group);
    }

    name_ = new QLineEdit(this);
    workWeek_ = MakeSpinBox(kMaxWorkWeekHours, {}, this);
    weekStart_ = new QComboBox(this);
    for (const char* day : kDayNames)
        weekStart_->addItem(QString::fromLatin1(day));
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 0);
    top->addWidget(name_, 0, 1, 1, 3);
    top->addWidget(new QLabel(QStringLiteral("Regular Work Week (hours):"), this), 1, 0);
    top->addWidget(workWeek_, 1, 1);
    top->addWidget(new QLabel(QStringLiteral("Work Week Starts On:"), this), 1, 2, Qt::AlignRight);
    top->addWidget(weekStart_, 1, 3);
    top->setColumnStretch(1, 1);
    layout->addLayout(top);

    auto* hoursGroup = new QGroupBox(QStringLiteral("Hours Available"), this);
    auto* hoursGrid = new QGridLayout(hoursGroup);
    hoursGrid->setVerticalSpacing(3);
    auto* startGroup = new QGroupBox(QStringLiteral("Start Time"), this);
    auto* startGrid = new QGridLayout(startGroup);
    startGrid->setVerticalSpacing(3);
    for (int day = 0; day < 7; ++day) {
        const QString label = QString::fromLatin1(kDayNames[day]) + QLatin1Char(':');
        hours_[day] = MakeSpinBox(kMaxShiftHours, QStringLiteral(" h"), hoursGroup);
        minutes_[day] = MakeSpinBox(59, QStringLiteral(" min"), hoursGroup);
        hoursGrid->addWidget(new QLabel(label, hoursGroup), day, 0);
        hoursGrid->addWidget(hours_[day], day, 1);
        hoursGrid->addWidget(minutes_[day], day, 2);
        connect(hours_[day], &QSpinBox::valueChanged, this, [this, day](int value) {
            // A 24-hour shift fills the day, so its minutes can only be 0.
            if (value == kMaxShiftHours)
                minutes_[day]->setValue(0);
            UpdateEnabling();
        });

        // The start times stand on the rows of the hours beside them, so they need no
        // day labels of their own; that keeps the editor narrow enough for the panel.
        starts_[day] = new QTimeEdit(startGroup);
        starts_[day]->setDisplayFormat(QStringLiteral("HH:mm"));
        starts_[day]->setToolTip(QString::fromLatin1(kDayNames[day]));
        startGrid->addWidget(starts_[day], day, 0);
    }

    const bool generalExceptions = !resourceMode_;
    auto* exceptionGroup =
            new QGroupBox(generalExceptions ? QStringLiteral("General Schedule Exceptions")
                                            : QStringLiteral("Resource-Specific Exceptions"),
                          this);
    exceptionList_ = new QTreeWidget(exceptionGroup);
    exceptionList_->setObjectName(generalExceptions ? QStringLiteral("ScheduleExceptionList")
                                                    : QStringLiteral("ResourceExceptionList"));
    exceptionList_->setColumnCount(2);
    exceptionList_->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Hours")});
    exceptionList_->setRootIsDecorated(false);
    exceptionList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    exceptionList_->header()->setStretchLastSection(true);
    exceptionList_->setColumnWidth(0, 90);
    exceptionList_->setMinimumWidth(150);
    exceptionList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The list offers no button to remove rows; the Delete key does it.
    auto* remove = new QAction(exceptionList_);
    remove->setShortcuts({QKeySequence::Delete, QKeySequence(Qt::Key_Backspace)});
    remove->setShortcutContext(Qt::WidgetShortcut);
    exceptionList_->addAction(remove);
    connect(remove, &QAction::triggered, this, &QPScheduleEditor::RemoveExceptions);
    addException_ = new QPushButton(QStringLiteral("Add Exception"), exceptionGroup);
    editException_ = new QPushButton(QStringLiteral("Edit Exception"), exceptionGroup);
    auto* exceptionLayout = new QVBoxLayout(exceptionGroup);
    exceptionLayout->addWidget(exceptionList_, 1);
    exceptionLayout->addWidget(addException_);
    exceptionLayout->addWidget(editException_);
    connect(addException_, &QPushButton::clicked, this, &QPScheduleEditor::AddException);
    connect(editException_, &QPushButton::clicked, this, &QPScheduleEditor::EditException);
    connect(exceptionList_, &QTreeWidget::itemSelectionChanged, this,
            &QPScheduleEditor::UpdateEnabling);
    connect(exceptionList_, &QTreeWidget::itemDoubleClicked, this,
            &QPScheduleEditor::EditException);

    auto* week = new QHBoxLayout;
    week->addWidget(hoursGroup);
    week->addWidget(startGroup);
    week->addWidget(exceptionGroup, 1);
    layout->addLayout(week, 1);

    if (resourceMode_) {
        FillScheduleChoice(form.scheduleKey);
        {
            const QSignalBlocker block(editSource_);
            editSource_->setChecked(form.editSource);
        }
        connect(scheduleChoice_, &QComboBox::currentIndexChanged, this,
                &QPScheduleEditor::ScheduleChosen);
        connect(editSource_, &QCheckBox::toggled, this, &QPScheduleEditor::EditSourceToggled);
    }
    ShowScheduleFields(form);
    rows_ = form.exceptions;
    RefillExceptionList();
    UpdateEnabling();
}

QPScheduleEditor::~QPScheduleEditor() = default;

void QPScheduleEditor::ShowScheduleFields(const QPScheduleDialogRules::Form& form)
{
    name_->setText(QPFromUtf8(form.name));
    for (int day = 0; day < 7; ++day) {
        hours_[day]->setValue(form.hours[day]);
        minutes_[day]->setValue(form.minutes[day]);
        starts_[day]->setTime(ToQTime(form.starts[day]));
    }
    workWeek_->setValue(form.regularWorkWeekHours);
    weekStart_->setCurrentIndex(form.workWeekStart);
    if (resourceMode_) {
        const QPSchedule* schedule = project_.schedules.GetElementByKey(form.scheduleKey);
        editSource_->setText(
                schedule ? QStringLiteral("Edit data for %1").arg(QPFromUtf8(schedule->name))
                         : QStringLiteral("Edit Source Schedule"));
    }
}

void QPScheduleEditor::FillScheduleChoice(int64_t selectedKey)
{
    const QSignalBlocker block(scheduleChoice_);
    scheduleChoice_->clear();
    for (const QPSchedule& schedule : project_.schedules)
        scheduleChoice_->addItem(QPFromUtf8(schedule.name), qlonglong(schedule.key));
    scheduleChoice_->setCurrentIndex(scheduleChoice_->findData(qlonglong(selectedKey)));
}

QPScheduleDialogRules::Form QPScheduleEditor::ReadForm() const
{
    QPScheduleDialogRules::Form form;
    form.resourceMode = resourceMode_;
    if (resourceMode_) {
        form.scheduleKey = scheduleChoice_->currentIndex() >= 0
                                   ? scheduleChoice_->currentData().toLongLong()
                                   : -1;
        form.editSource = editSource_->isChecked();
    }
    form.name = name_->text().toStdString();
    for (int day = 0; day < 7; ++day) {
        form.hours[day] = hours_[day]->value();
        form.minutes[day] = minutes_[day]->value();
        form.starts[day] = FromQTime(starts_[day]->time());
    }
    form.regularWorkWeekHours = workWeek_->value();
    form.workWeekStart = weekStart_->currentIndex();
    form.exceptions = rows_;
    return form;
}

QWidget* QPScheduleEditor::FieldWidget(int32_t field) const
{
    using namespace QPScheduleDialogRules;
    if (field >= eFieldHoursSunday && field < eFieldHoursSunday + 7)
        return hours_[field - eFieldHoursSunday];
    if (field >= eFieldMinutesSunday && field < eFieldMinutesSunday + 7)
        return minutes_[field - eFieldMinutesSunday];
    if (field >= eFieldStartSunday && field < eFieldStartSunday + 7)
        return starts_[field - eFieldStartSunday];
    switch (field) {
    case eFieldRegularWorkWeek:
        return workWeek_;
    case eFieldWorkWeekStart:
        return weekStart_;
    case eFieldExceptions:
        return exceptionList_;
    case eFieldAssignSchedule:
        return scheduleChoice_ ? static_cast<QWidget*>(scheduleChoice_) : name_;
    case eFieldEditSource:
        return editSource_ ? static_cast<QWidget*>(editSource_) : name_;
    default:
        return name_;
    }
}

void QPScheduleEditor::ProjectUpdate()
{
    if (!resourceMode_)
        return;
    const int64_t key = ReadForm().scheduleKey;
    if (project_.schedules.GetElementByKey(key)) {
        FillScheduleChoice(key);
        return;
    }
    // The schedule shown was deleted: the resource moves to the default schedule.
    FillScheduleChoice(project_.defaultScheduleKey);
    if (scheduleChoice_->currentIndex() < 0 && scheduleChoice_->count() > 0) {
        const QSignalBlocker block(scheduleChoice_);
        scheduleChoice_->setCurrentIndex(0);
    }
    ScheduleChosen();
}

void QPScheduleEditor::ScheduleChosen()
{
    QPScheduleDialogRules::Form form = ReadForm();
    QPScheduleDialogRules::LoadSchedule(form, project_.schedules.GetElementByKey(form.scheduleKey));
    ShowScheduleFields(form);
    UpdateEnabling();
}

void QPScheduleEditor::EditSourceToggled()
{
    // Untouched fields show what the resource's schedule will be: a change made while the
    // box was ticked is dropped when it is cleared again.
    if (!editSource_->isChecked())
        ScheduleChosen();
    UpdateEnabling();
}

void QPScheduleEditor::UpdateEnabling()
{
    const bool editable =
            !resourceMode_ || (editSource_->isChecked() && scheduleChoice_->currentIndex() >= 0);
    if (resourceMode_)
        editSource_->setEnabled(scheduleChoice_->currentIndex() >= 0);
    name_->setEnabled(editable);
    for (int day = 0; day < 7; ++day) {
        hours_[day]->setEnabled(editable);
        minutes_[day]->setEnabled(editable &&
                                  hours_[day]->value() != QPScheduleDialogRules::kMaxShiftHours);
        starts_[day]->setEnabled(editable);
    }
    workWeek_->setEnabled(editable);
    weekStart_->setEnabled(editable);
    editException_->setEnabled(exceptionList_->selectedItems().size() == 1);
}

void QPScheduleEditor::RefillExceptionList()
{
    exceptionList_->clear();
    for (const QPExceptionRules::Form& row : rows_)
        exceptionList_->addTopLevelItem(new QTreeWidgetItem(
                {QString::fromStdString(row.DateText()), QPFromUtf8(row.hoursText)}));
    UpdateEnabling();
}

void QPScheduleEditor::AddException()
{
    const std::optional<QPExceptionRules::Form> row =
            exceptionEditor_(QPExceptionRules::NewExceptionForm(), false);
    if (!row)
        return;
    rows_.push_back(*row);
    RefillExceptionList();
    exceptionList_->setCurrentItem(exceptionList_->topLevelItem(int(rows_.size()) - 1));
}

void QPScheduleEditor::EditException()
{
    const QList<QTreeWidgetItem*> selected = exceptionList_->selectedItems();
    if (selected.size() != 1)
        return;
    const int index = exceptionList_->indexOfTopLevelItem(selected.front());
    if (index < 0 || index >= int(rows_.size()))
        return;
    const std::optional<QPExceptionRules::Form> row = exceptionEditor_(rows_[index], true);
    if (!row)
        return;
    rows_[index] = *row;
    RefillExceptionList();
    exceptionList_->setCurrentItem(exceptionList_->topLevelItem(index));
}

void QPScheduleEditor::RemoveExceptions()
{
    std::vector<bool> drop(rows_.size(), false);
    for (QTreeWidgetItem* item : exceptionList_->selectedItems()) {
        const int index = exceptionList_->indexOfTopLevelItem(item);
        if (index >= 0 && index < int(rows_.size()))
            drop[index] = true;
    }
    std::vector<QPExceptionRules::Form> kept;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (!drop[i])
            kept.push_back(rows_[i]);
    rows_ = std::move(kept);
    RefillExceptionList();
}
