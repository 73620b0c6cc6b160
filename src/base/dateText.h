#pragma once

#include <optional>
#include <QDateTime>
#include <QString>

// Dates as the program reads, shows and stores them.
namespace base {

// A date text in the German local form, as the platform's date conversion
// reads it: "22.11.2004", "22.11.04", "22.11.2004 14:03", "22.11.2004 14:03:59"
// (also with "/" or "-" between the parts, or year first "2004-11-22"), or a
// time alone ("14:03", on the zero date 30.12.1899). Two-digit years 00-29 are
// 2000-2029, 30-99 are 1930-1999. Nothing else is a date.
// Date and time are kept apart: a wall-clock time that the local time zone
// skips (a daylight-saving gap) is still a valid rating time.
struct DateTimeText {
    QDate date;
    QTime time;
    QDateTime toDateTime() const { return QDateTime(date, time); }
};
std::optional<DateTimeText> parseLocalDateTime(const QString& text);

// The zero date of the platform: 30.12.1899 00:00:00.
QDateTime zeroDate();

// "yyyy-MM-dd hh:mm": the stored form, which sorts to the minute.
bool isStoredDate(const QString& text);
QString storedDate(const DateTimeText& value);
// One piece of the stored form: 'y' year, 'm' month, 'd' day, 't' "hh:mm".
QString datePart(const DateTimeText& value, char part);

// A stored date as the list shows it, "dd.MM.yyyy hh:mm"; a text that is no
// stored date is shown as it is.
QString shownDate(const QString& stored);

} // namespace base
