#include "dialogs/QPDialogFields.h"

#include "model/QPProjectOptions.h"

#include <QDateEdit>
#include <QLocale>

namespace {

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

} // namespace

QString QPFromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QDate QPToQDate(const QPCalendarDay& day)
{
    return QDate(day.year, day.month, day.day);
}

QPCalendarDay QPFromQDate(const QDate& date)
{
    return {date.year(), date.month(), date.day()};
}

QDateEdit* QPMakeDateEdit(const QPProjectOptions& options, const QPCalendarDay& day,
                          QWidget* parent)
{
    auto* edit = new QDateEdit(parent);
    // Month names as the project writes them, whatever the desktop's language.
    edit->setLocale(QLocale::c());
    edit->setDisplayFormat(DateEditFormat(options));
    edit->setCalendarPopup(true);
    // The first day of 1970 would be "no date" in zones east of UTC.
    edit->setDateRange(QDate(1970, 1, 2), QDate(2999, 12, 31));
    edit->setDate(QPToQDate(day));
    return edit;
}
