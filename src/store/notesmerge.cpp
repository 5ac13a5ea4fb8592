#include "notesmerge.h"

#include "notescodec.h"
#include "notetable.h"

#include <QHash>

namespace notesmerge {

namespace {

enum class Fate { Same, Changed, Removed };

// How each base record fares on one side: which record of that side it is, and whether that one
// is the same, changed, or there is none. Records of the side left unpaired were added there.
struct Pairing {
    QList<int> side; // per base record: its index on the side, or -1
    QList<Fate> fate;
    QList<int> base; // per side record: the base record it is, or -1
};

QString key(const Record &r)
{
    return r[0] + QChar(0) + r[1] + QChar(0) + r[2] + QChar(0) + r[3];
}

// Pairs, in file order, the records of `from` and `to` that `keyOf` says are one note and
// that are still free.
template <typename KeyOf>
void pairBy(const QList<Record> &from, const QList<Record> &to, Pairing &p, KeyOf keyOf)
{
    QHash<QString, QList<int>> waiting; // free records of `to` by key, in order
    for (int i = int(to.size()) - 1; i >= 0; --i)
        if (p.base[i] < 0)
            if (const QString k = keyOf(to[i]); !k.isNull())
                waiting[k].append(i);
    for (int b = 0; b < from.size(); ++b) {
        if (p.side[b] >= 0)
            continue;
        const QString k = keyOf(from[b]);
        auto found = k.isNull() ? waiting.end() : waiting.find(k);
        if (found == waiting.end() || found->isEmpty())
            continue;
        const int s = found->takeLast();
        p.side[b] = s;
        p.base[s] = b;
        p.fate[b] = from[b] == to[s] ? Fate::Same : Fate::Changed;
    }
}

Pairing pair(const QList<Record> &base, const QList<Record> &side)
{
    Pairing p{QList<int>(base.size(), -1), QList<Fate>(base.size(), Fate::Removed),
              QList<int>(side.size(), -1)};
    pairBy(base, side, p, key);
    // A creation stamp names a note; a note with none (a blank row kept) is known by content only.
    pairBy(base, side, p, [](const Record &r) { return r[0].isEmpty() ? QString() : r[0]; });
    return p;
}

} // namespace

Result merge(const QList<Record> &base, const QList<Record> &ours, const QList<Record> &theirs)
{
    const Pairing o = pair(base, ours), t = pair(base, theirs);
    Result result;
    // Ours gives the order; theirs's own notes go after the note they follow in theirs.
    QList<QList<Entry>> after(ours.size() + 1); // [0]: before every note of ours
    QList<int> anchor(theirs.size(), -1);       // theirs record -> the group it is in
    QHash<QString, QList<int>> oursAdded;       // added here, to meet the same added there
    for (int i = int(ours.size()) - 1; i >= 0; --i)
        if (o.base[i] < 0)
            oursAdded[key(ours[i])].append(i);
    QList<bool> kept(ours.size(), true);
    for (int b = 0; b < base.size(); ++b) {
        const int oi = o.side[b], ti = t.side[b];
        const Fate of = o.fate[b], tf = t.fate[b];
        if (oi >= 0) {
            if (ti >= 0)
                anchor[ti] = oi + 1;
            if (tf == Fate::Removed && of == Fate::Same)
                kept[oi] = false;
            else if (tf == Fate::Removed)
                ++result.conflicts; // changed here, removed there: kept
            else if (tf == Fate::Changed && of == Fate::Changed && ours[oi] != theirs[ti]) {
                ++result.conflicts; // both versions, ours first
                after[oi + 1].append(Entry{-1, theirs[ti]});
            }
        } else if (tf == Fate::Changed) {
            ++result.conflicts; // removed here, changed there: theirs's version kept
            anchor[ti] = -2;    // placed as a note of theirs alone
        }
    }
    int group = 0;
    QList<Entry> lead;
    for (int ti = 0; ti < theirs.size(); ++ti) {
        if (anchor[ti] > 0) {
            group = anchor[ti];
            continue;
        }
        if (t.base[ti] >= 0 && anchor[ti] != -2)
            continue; // a note removed here, unchanged there
        if (t.base[ti] < 0) {
            // Added on both sides alike: one note.
            auto same = oursAdded.find(key(theirs[ti]));
            if (same != oursAdded.end() && !same->isEmpty()) {
                group = same->takeLast() + 1;
                continue;
            }
        }
        after[group].append(Entry{-1, theirs[ti]});
    }
    result.entries = after[0];
    for (int oi = 0; oi < ours.size(); ++oi) {
        if (kept[oi]) {
            const int b = o.base[oi];
            const bool taken = b >= 0 && o.fate[b] == Fate::Same && t.fate[b] == Fate::Changed;
            result.entries.append(Entry{oi, taken ? std::optional<Record>(theirs[t.side[b]]) : std::nullopt});
        }
        result.entries.append(after[oi + 1]);
    }
    return result;
}

QList<Record> records(QByteArrayView bytes)
{
    NoteTable table;
    table.setUp();
    const int n = notescodec::decode(bytes, table).records;
    QList<Record> list;
    list.reserve(n);
    for (int r = 1; r <= n; ++r)
        list.append(Record{table.TextMatrix(r, Col::Stamp), table.TextMatrix(r, Col::Text),
                           table.TextMatrix(r, Col::Alert), table.TextMatrix(r, Col::Alerted)});
    if (list.size() == 1 && list[0] == Record{})
        list.clear();
    return list;
}

} // namespace notesmerge
