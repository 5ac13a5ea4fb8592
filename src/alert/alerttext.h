#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
#include <optional>

// The alert text "dddd dd/mm 9h30" of column 2: composing, splitting and the due rule.
namespace alert {

constexpr int kDays = 16;     // today and the fifteen days after
constexpr int kFirstHour = 7; // 7h .. 19h
constexpr int kLastHour = 19;

// The day as the day list and the alert check spell it: weekday name, dd/MM.
QString dayText(QDate date, const QLocale &locale = QLocale());

QStringList dayEntries(QDate from, const QLocale &locale = QLocale());
QStringList hourEntries();   // "7" .. "19"
QStringList minuteEntries(); // "00" "15" "30" "45"

QString compose(const QString &day, const QString &hour, const QString &minutes);

// The widest alert text the editor can make, as `width` measures texts: the widest weekday name,
// day, month, hour and minutes together.
QString widestAlert(const std::function<int(const QString &)> &width, const QLocale &locale = QLocale());

struct Parts {
    QString day, hour, minutes;
};
// Splits at the first blank, the next blank and the first "h" after it; none for a text
// that lacks one of them.
std::optional<Parts> split(const QString &text);

QString alertKey(const Parts &parts); // 9h30 -> "0930"
QString nowKey(QTime time);           // 09:30 -> "0930"

// Column 4 not "1", the alert's day is today's day text, and now is at or after its time.
bool isDue(const QString &alertText, const QString &alerted, const QString &today, const QString &now);

// The days of the fifteen days before `today`, spelt as the day list and the alert texts do.
QStringList pastDays(QDate today, const QLocale &locale = QLocale());
// An alert that never fell due (column 4 not "1") on one of those days: missed while the program
// was not running.
bool isMissed(const QString &alertText, const QString &alerted, const QStringList &pastDays);

// A line of a notification about a note: when, and the first line of its text.
QString noticeLine(const QString &when, const QString &noteText);

// "Reporter": the alert text of the first quarter hour at least 15 minutes after `now` (whole
// minutes, as the alert check counts them), within the editor's hours: before 7h00 it is 7h00,
// after 19h45 the next day's 7h00. Spelt as the editor would store the same choice.
QString postponed(const QDateTime &now, const QLocale &locale = QLocale());

// Hour preselected for a new note: the next full hour between 7 and 19, else 7.
int presetHourIndex(int hour);

} // namespace alert
