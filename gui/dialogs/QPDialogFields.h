#pragma once

#include "dialogs/QPFormFields.h"

#include <QDate>
#include <QString>

#include <string_view>

class QDateEdit;
class QPProjectOptions;
class QWidget;

// Pieces every editor's widgets share.

QString QPFromUtf8(std::string_view text);

QDate QPToQDate(const QPCalendarDay& day);
QPCalendarDay QPFromQDate(const QDate& date);

// A date field with a calendar popup that shows dates the way the project writes them,
// with a four-digit year so that typing a date never has to guess the century.
QDateEdit* QPMakeDateEdit(const QPProjectOptions& options, const QPCalendarDay& day,
                          QWidget* parent);
