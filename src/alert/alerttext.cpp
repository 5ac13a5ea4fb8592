#include "alerttext.h"

namespace alert {

QString dayText(QDate date, const QLocale &locale)
{
    return locale.toString(date, QStringLiteral("dddd dd/MM"));
}

QStringList dayEntries(QDate from, const QLocale &locale)
{
    QStringList days;
    for (int k = 0; k < kDays; ++k)
        days << dayText(from.addDays(k), locale);
    return days;
}

QStringList hourEntries()
{
    QStringList hours;
    for (int h = kFirstHour; h <= kLastHour; ++h)
        hours << QString::number(h);
    return hours;
}

QStringList minuteEntries()
{
    return {QStringLiteral("00"), QStringLiteral("15"), QStringLiteral("30"), QStringLiteral("45")};
}

QString compose(const QString &day, const QString &hour, const QString &minutes)
{
    return day + QLatin1Char(' ') + hour + QLatin1Char('h') + minutes;
}

QString widestAlert(const std::function<int(const QString &)> &width, const QLocale &locale)
{
    // Each text measured once: measuring shapes the text, most of what sizing the columns costs.
    auto widest = [&width](const QStringList &texts) {
        QString best;
        int bestWidth = -1;
        for (const QString &text : texts)
            if (const int w = width(text); w > bestWidth) {
                best = text;
                bestWidth = w;
            }
        return best;
    };
    QStringList names, days, months;
    for (int d = 0; d < 7; ++d)
        names << locale.toString(QDate(2026, 1, 5).addDays(d), QStringLiteral("dddd"));
    for (int n = 1; n <= 31; ++n)
        (n <= 12 ? months : days) << QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    days += months;
    // Spelt as dayText() spells a day.
    const QString day = widest(names) + u' ' + widest(days) + u'/' + widest(months);
    return compose(day, widest(hourEntries()), widest(minuteEntries()));
}

std::optional<Parts> split(const QString &text)
{
    const qsizetype p1 = text.indexOf(QLatin1Char(' '));
    if (p1 < 0)
        return std::nullopt;
    const qsizetype p2 = text.indexOf(QLatin1Char(' '), p1 + 1);
    if (p2 < 0)
        return std::nullopt;
    const qsizetype p3 = text.indexOf(QLatin1Char('h'), p2 + 1);
    if (p3 < 0)
        return std::nullopt;
    return Parts{text.left(p2).trimmed(), text.mid(p2 + 1, p3 - p2 - 1).trimmed(),
                 text.mid(p3 + 1).trimmed()};
}

namespace {
QString twoDigits(const QString &s)
{
    return s.size() == 1 ? QLatin1Char('0') + s : s;
}
} // namespace

QString alertKey(const Parts &parts)
{
    return twoDigits(parts.hour) + twoDigits(parts.minutes);
}

QString nowKey(QTime time)
{
    return time.toString(QStringLiteral("HHmm"));
}

bool isDue(const QString &alertText, const QString &alerted, const QString &today, const QString &now)
{
    if (alerted == QLatin1String("1") || QStringView(alertText).trimmed().isEmpty())
        return false;
    // The alert's day is part of its text: most rows are ruled out here, without splitting
    // (the walk runs over every row at each quarter hour).
    if (!alertText.contains(today))
        return false;
    const auto parts = split(alertText);
    if (!parts)
        return false;
    return parts->day == today && now >= alertKey(*parts);
}

QStringList pastDays(QDate today, const QLocale &locale)
{
    QStringList days;
    for (int k = 1; k < kDays; ++k)
        days << dayText(today.addDays(-k), locale);
    return days;
}

bool isMissed(const QString &alertText, const QString &alerted, const QStringList &pastDays)
{
    if (alerted == QLatin1String("1") || pastDays.isEmpty())
        return false;
    const auto parts = split(alertText);
    return parts && pastDays.contains(parts->day);
}

QString noticeLine(const QString &when, const QString &noteText)
{
    constexpr qsizetype kLongest = 80;
    QString first = noteText.section(u'\n', 0, 0).section(u'\r', 0, 0).trimmed();
    if (first.isEmpty())
        first = QStringLiteral("(note sans texte)");
    else if (first.size() > kLongest)
        first = first.left(kLongest - 1) + u'…';
    return when + QStringLiteral(" : ") + first;
}

QString postponed(const QDateTime &now, const QLocale &locale)
{
    constexpr int kFirst = kFirstHour * 60, kLast = kLastHour * 60 + 45;
    const int soonest = now.time().hour() * 60 + now.time().minute() + 15;
    int at = (soonest + 14) / 15 * 15;
    QDate day = now.date();
    if (at > kLast) {
        day = day.addDays(1);
        at = kFirst;
    } else if (at < kFirst) {
        at = kFirst;
    }
    return compose(dayText(day, locale), QString::number(at / 60),
                   QStringLiteral("%1").arg(at % 60, 2, 10, QLatin1Char('0')));
}

int presetHourIndex(int hour)
{
    const int next = hour + 1;
    return next >= kFirstHour && next <= kLastHour ? next - kFirstHour : 0;
}

} // namespace alert
