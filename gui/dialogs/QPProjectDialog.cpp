#include "dialogs/QPProjectDialog.h"

#include "dialogs/QPProjectDialogRules.h"
#include "framework/LUserPrompts.h"
#include "model/QPProjectBase.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QDate ToQDate(const QPCalendarDay& day)
{
    return QDate(day.year, day.month, day.day);
}

QPCalendarDay FromQDate(const QDate& date)
{
    return {date.year(), date.month(), date.day()};
}

// The date fields show dates the way the project writes them, with a four-digit year so
// that typing a date never has to guess the century.
QString DateEditFormat(const QPProjectOptions& options)
{
    QString day = QStringLiteral("dd");
    QString month = QStringLiteral("MM");
    if (options.dateFormat == eDateFormatFullMonth || options.dateFormat == eDateFormatShortMonth) {
        day = QStringLiteral("d");
        month = options.dateFormat == eDateFormatFullMonth ? QStringLiteral("MMMM")
                                                           : QStringLiteral("MMM");
    }
    const QString year = QStringLiteral("yyyy");
    const QChar separator = QLatin1Char(options.dateSeparator ? options.dateSeparator : ' ');
    switch (options.dateOrder) {
    case eDateOrderMonthDayYear:
        return month + separator + day + separator + year;
    case eDateOrderYearMonthDay:
        return year + separator + month + separator + day;
    default:
        return day + separator + month + separator + year;
    }
}

QDateEdit* MakeDateEdit(const QPProjectOptions& options, const QPCalendarDay& day, QWidget* parent)
{
    auto* edit = new QDateEdit(parent);
    // Month names as the project writes them, whatever the desktop's language.
    edit->setLocale(QLocale::c());
    edit->setDisplayFormat(DateEditFormat(options));
    edit->setCalendarPopup(true);
    // The first day of 1970 would be "no date" in zones east of UTC.
    edit->setDateRange(QDate(1970, 1, 2), QDate(2999, 12, 31));
    edit->setDate(ToQDate(day));
    edit->setMinimumWidth(180);
    return edit;
}

} // namespace

QPProjectDialog::QPProjectDialog(QPProjectBase& project, bool newProject, LUserPrompts& prompts,
                                 QWidget* parent)
    : QDialog(parent), project_(project), prompts_(prompts), newProject_(newProject)
{
    using namespace QPProjectDialogRules;
    const Form form = newProject ? NewProjectForm() : EditProjectForm(project);
    setWindowTitle(newProject ? QStringLiteral("New Project")
                              : QStringLiteral("Edit Project [%1]").arg(FromUtf8(project.name)));

    name_ = new QLineEdit(FromUtf8(form.name), this);
    name_->setMinimumWidth(300);
    name_->selectAll();
    start_ = MakeDateEdit(project.options, form.start, this);
    deadline_ = MakeDateEdit(project.options, form.deadline, this);

    schedule_ = new QComboBox(this);
    if (newProject) {
        schedule_->addItem(QString::fromUtf8(kNewProjectScheduleName), qlonglong(-1));
        schedule_->setEnabled(false);
    } else {
        for (const QPSchedule& schedule : project.schedules)
            schedule_->addItem(FromUtf8(schedule.name), qlonglong(schedule.key));
        const int current = schedule_->findData(qlonglong(form.defaultScheduleKey));
        schedule_->setCurrentIndex(current >= 0 ? current : 0);
    }
    schedule_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    schedule_->setMinimumWidth(180);

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    fields->addRow(QStringLiteral("Name:"), name_);
    fields->addRow(QStringLiteral("Start:"), start_);
    fields->addRow(QStringLiteral("Deadline:"), deadline_);
    fields->addRow(QStringLiteral("Default Schedule:"), schedule_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QPProjectDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QPProjectDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    name_->setFocus();
}

QPProjectDialog::~QPProjectDialog() = default;

QPProjectDialogRules::Form QPProjectDialog::ReadForm() const
{
    QPProjectDialogRules::Form form;
    form.newProject = newProject_;
    form.name = name_->text().toStdString();
    form.start = FromQDate(start_->date());
    form.deadline = FromQDate(deadline_->date());
    form.defaultScheduleKey =
            schedule_->currentIndex() >= 0 ? schedule_->currentData().toLongLong() : -1;
    return form;
}

QWidget* QPProjectDialog::FieldWidget(int32_t field) const
{
    switch (field) {
    case QPProjectDialogRules::eFieldStart:
        return start_;
    case QPProjectDialogRules::eFieldDeadline:
        return deadline_;
    case QPProjectDialogRules::eFieldDefaultSchedule:
        return schedule_;
    default:
        return name_;
    }
}

void QPProjectDialog::accept()
{
    const QPFormOutcome refusal = QPProjectDialogRules::Confirm(project_, ReadForm());
    if (!refusal) {
        QDialog::accept();
        return;
    }
    if (!refusal->IsSilent())
        prompts_.ShowAlert(refusal->title, refusal->message);
    QWidget* field = FieldWidget(refusal->field);
    field->setFocus(Qt::OtherFocusReason);
    if (field == name_)
        name_->selectAll();
}
