#include "notegen.h"

#include "alert/alerttext.h"
#include "store/notescodec.h"

#include <QLocale>
#include <QStringList>
#include <random>

namespace benchdata {

namespace {

const QStringList kWords = {
    QStringLiteral("appeler"),    QStringLiteral("réunion"),  QStringLiteral("élève"),
    QStringLiteral("à"),          QStringLiteral("garage"),   QStringLiteral("Noël"),
    QStringLiteral("pain"),       QStringLiteral("déjà"),     QStringLiteral("œuvre"),
    QStringLiteral("médecin"),    QStringLiteral("20 €"),     QStringLiteral("rendez-vous"),
    QStringLiteral("François"),   QStringLiteral("être"),     QStringLiteral("impôts"),
    QStringLiteral("l'école"),    QStringLiteral("façade"),   QStringLiteral("où"),
    QStringLiteral("fête"),       QStringLiteral("acheter"),  QStringLiteral("le"),
    QStringLiteral("la"),         QStringLiteral("pour"),     QStringLiteral("demain"),
    QStringLiteral("\"urgent\""), QStringLiteral("« voir »"), QStringLiteral("n°12"),
    QStringLiteral("vérifier"),   QStringLiteral("dossier"),  QStringLiteral("Zoé"),
};

QString noteText(std::mt19937 &rng)
{
    // Mostly short notes, some long ones of several lines.
    std::uniform_int_distribution<int> shortLen(2, 12), longLen(20, 60), pick(0, int(kWords.size()) - 1),
        percent(0, 99);
    const int words = percent(rng) < 85 ? shortLen(rng) : longLen(rng);
    QString text;
    for (int w = 0; w < words; ++w) {
        if (w > 0)
            text += percent(rng) < 8 ? QStringLiteral("\r\n") : QStringLiteral(" ");
        text += kWords[pick(rng)];
    }
    return text;
}

} // namespace

QDate today()
{
    return QDate(2026, 12, 7);
}

void fill(NoteTable &table, int n, QDate day)
{
    std::mt19937 rng(20261207u + unsigned(n));
    std::uniform_int_distribution<int> percent(0, 99), days(0, alert::kDays - 1),
        hour(alert::kFirstHour, alert::kLastHour), quarter(0, 3), minute(0, 59), daysAgo(0, 60);
    const QLocale fr(QLocale::French, QLocale::France);
    QStringList dayTexts;
    for (int d = 0; d < alert::kDays; ++d)
        dayTexts << alert::dayText(day.addDays(d), fr);
    const QStringList quarters = alert::minuteEntries();

    table.reserve(n + 1);
    for (int row = 1; row <= n; ++row) {
        if (row > 1)
            table.AddItem();
        const QDate created = day.addDays(-daysAgo(rng));
        table.setTextMatrix(row, Col::Stamp,
                            QStringLiteral("Le %1 à %2")
                                .arg(created.toString(QStringLiteral("dd/MM")),
                                     QTime(hour(rng), minute(rng)).toString(QStringLiteral("HH:mm"))));
        table.setTextMatrix(row, Col::Text, noteText(rng));
        table.setTextMatrix(row, Col::Slot, QString());
        const int p = percent(rng);
        if (p < 35) {
            // One alert in six on the day; a third of those have been raised already.
            const int d = p < 6 ? 0 : days(rng);
            table.setTextMatrix(
                row, Col::Alert,
                alert::compose(dayTexts[d], QString::number(hour(rng)), quarters[quarter(rng)]));
            if (d == 0 && percent(rng) < 33)
                table.setTextMatrix(row, Col::Alerted, QStringLiteral("1"));
        } else if (p < 45) {
            // An alert of a past day, already raised.
            table.setTextMatrix(row, Col::Alert,
                                alert::compose(alert::dayText(day.addDays(-1 - days(rng)), fr),
                                               QString::number(hour(rng)), quarters[quarter(rng)]));
            table.setTextMatrix(row, Col::Alerted, QStringLiteral("1"));
        }
    }
}

QByteArray notesFile(int n, QDate day)
{
    NoteTable table;
    table.setUp();
    fill(table, n, day);
    return notescodec::encode(table);
}

} // namespace benchdata
