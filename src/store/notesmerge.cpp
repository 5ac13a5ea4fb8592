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

// A version's records with their keys, each made once.
struct Version {
    const QList<Record> &records;
    QList<QString> keys;
    explicit Version(const QList<Record> &list) : records(list)
    {
        keys.reserve(list.size());
        for (const Record &r : list)
            keys.append(key(r));
    }
};

// Pairs, in file order, the records of `from` and `to` that `keyOf` says are one note and
// that are still free.
template <typename KeyOf> void pairBy(const Version &from, const Version &to, Pairing &p, KeyOf keyOf)
{
    QHash<QString, QList<int>> waiting; // free records of `to` by key, in order
    waiting.reserve(to.records.size());
    for (int i = int(to.records.size()) - 1; i >= 0; --i)
        if (p.base[i] < 0)
            if (const QString k = keyOf(to, i); !k.isNull())
                waiting[k].append(i);
    for (int b = 0; b < from.records.size(); ++b) {
        if (p.side[b] >= 0)
            continue;
        const QString k = keyOf(from, b);
        auto found = k.isNull() ? waiting.end() : waiting.find(k);
        if (found == waiting.end() || found->isEmpty())
            continue;
        const int s = found->takeLast();
        p.side[b] = s;
        p.base[s] = b;
        p.fate[b] = from.keys[b] == to.keys[s] ? Fate::Same : Fate::Changed;
    }
}

Pairing pair(const Version &base, const Version &side)
{
    Pairing p{QList<int>(base.records.size(), -1), QList<Fate>(base.records.size(), Fate::Removed),
              QList<int>(side.records.size(), -1)};
    pairBy(base, side, p, [](const Version &v, int i) { return v.keys[i]; });
    // A creation stamp names a note; a note with none (a blank row kept) is known by content only.
    pairBy(base, side, p, [](const Version &v, int i) {
        const QString &stamp = v.records[i][0];
        return stamp.isEmpty() ? QString() : stamp;
    });
    return p;
}

// The base as the other side is known to have had it: a record written here that theirs holds
// was seen there, in place of the base's version of that note (same stamp) or beside them.
QList<Record> knownBase(const QList<Record> &base, const Version &theirs, const QSet<QString> &own)
{
    QList<int> seen;
    for (int i = 0; i < theirs.records.size(); ++i)
        if (own.contains(theirs.keys[i]))
            seen.append(i);
    if (seen.isEmpty())
        return base;
    QSet<QString> baseKeys;
    QHash<QString, int> byStamp; // the first base record of each stamp
    for (int b = 0; b < base.size(); ++b) {
        baseKeys.insert(key(base[b]));
        if (!base[b][0].isEmpty() && !byStamp.contains(base[b][0]))
            byStamp.insert(base[b][0], b);
    }
    QList<Record> known = base;
    for (int i : seen) {
        const Record &r = theirs.records[i];
        if (baseKeys.contains(theirs.keys[i]))
            continue;
        if (const auto at = byStamp.find(r[0]); !r[0].isEmpty() && at != byStamp.end()) {
            known[*at] = r;
            byStamp.erase(at); // each base record stands for one note only
        } else {
            known.append(r);
        }
    }
    return known;
}

QString entryKey(const Entry &e, const Version &ours)
{
    return e.content ? key(*e.content) : ours.keys[e.ours];
}

// The merged list in theirs's order, when it holds exactly theirs's records.
bool takeTheirsOrder(Result &result, const Version &ours, const Version &theirs)
{
    if (result.entries.size() != theirs.records.size())
        return false;
    QHash<QString, QList<int>> byKey; // merged entries by record, in order
    byKey.reserve(result.entries.size());
    for (int i = int(result.entries.size()) - 1; i >= 0; --i)
        byKey[entryKey(result.entries[i], ours)].append(i);
    QList<Entry> ordered;
    ordered.reserve(result.entries.size());
    for (const QString &k : theirs.keys) {
        auto found = byKey.find(k);
        if (found == byKey.end() || found->isEmpty())
            return false;
        ordered.append(result.entries[found->takeLast()]);
    }
    result.entries = std::move(ordered);
    result.asTheirs = true;
    return true;
}

} // namespace

QString key(const Record &r)
{
    return r[0] + QChar(0) + r[1] + QChar(0) + r[2] + QChar(0) + r[3];
}

Result merge(const QList<Record> &baseList, const QList<Record> &oursList, const QList<Record> &theirsList,
             const Known &known)
{
    const Version theirs(theirsList), ours(oursList);
    const QList<Record> baseKnown = knownBase(baseList, theirs, known.own);
    const Version base(baseKnown);
    const Pairing o = pair(base, ours), t = pair(base, theirs);
    auto keep = [&](int oi) { return oi < known.keep.size() && known.keep[oi]; };
    Result result;
    // Ours gives the order; theirs's own notes go after the note they follow in theirs.
    QList<QList<Entry>> after(oursList.size() + 1); // [0]: before every note of ours
    QList<int> anchor(theirsList.size(), -1);       // theirs record -> the group it is in
    QHash<QString, QList<int>> oursAdded;           // added here, to meet the same added there
    for (int i = int(oursList.size()) - 1; i >= 0; --i)
        if (o.base[i] < 0)
            oursAdded[ours.keys[i]].append(i);
    QList<bool> kept(oursList.size(), true);
    for (int b = 0; b < baseKnown.size(); ++b) {
        const int oi = o.side[b], ti = t.side[b];
        const Fate of = o.fate[b], tf = t.fate[b];
        if (oi >= 0) {
            if (ti >= 0)
                anchor[ti] = oi + 1;
            if (tf == Fate::Removed && of == Fate::Same && !keep(oi))
                kept[oi] = false;
            else if (tf == Fate::Removed && of == Fate::Changed)
                ++result.conflicts; // changed here, removed there: kept
            else if (tf == Fate::Changed && of == Fate::Changed && ours.keys[oi] != theirs.keys[ti]) {
                ++result.conflicts; // both versions, ours first
                after[oi + 1].append(Entry{-1, theirsList[ti]});
            }
        } else if (tf == Fate::Changed) {
            ++result.conflicts; // removed here, changed there: theirs's version kept
            anchor[ti] = -2;    // placed as a note of theirs alone
        }
    }
    int group = 0;
    for (int ti = 0; ti < theirsList.size(); ++ti) {
        if (anchor[ti] > 0) {
            group = anchor[ti];
            continue;
        }
        if (t.base[ti] >= 0 && anchor[ti] != -2)
            continue; // a note removed here, unchanged there
        if (t.base[ti] < 0) {
            // Added on both sides alike: one note.
            auto same = oursAdded.find(theirs.keys[ti]);
            if (same != oursAdded.end() && !same->isEmpty()) {
                group = same->takeLast() + 1;
                continue;
            }
        }
        after[group].append(Entry{-1, theirsList[ti]});
    }
    result.entries = after[0];
    for (int oi = 0; oi < oursList.size(); ++oi) {
        if (kept[oi]) {
            const int b = o.base[oi];
            const bool taken = b >= 0 && o.fate[b] == Fate::Same && t.fate[b] == Fate::Changed;
            result.entries.append(
                Entry{oi, taken ? std::optional<Record>(theirsList[t.side[b]]) : std::nullopt});
        }
        result.entries.append(after[oi + 1]);
    }
    if (known.takeOrder)
        takeTheirsOrder(result, ours, theirs);
    return result;
}

Result addUnknown(const QList<Record> &base, const QList<Record> &ours, const QList<Record> &theirs,
                  const QSet<QString> &own)
{
    // Merged over a base of theirs's records that are known here, theirs removes nothing and
    // changes nothing: what it adds is what is unknown.
    QSet<QString> known = own, baseKeys;
    QSet<QString> stamps;
    for (const Record &r : base)
        baseKeys.insert(key(r));
    known.unite(baseKeys);
    for (const Record &r : ours) {
        known.insert(key(r));
        stamps.insert(r[0]);
    }
    QList<Record> seen, rest, beside;
    for (const Record &r : theirs) {
        if (known.contains(key(r)))
            seen.append(r);
        if (!known.contains(key(r)) && !r[0].isEmpty() && stamps.contains(r[0]))
            beside.append(r); // another version of a note of ours
        else
            rest.append(r);
    }
    Result result = merge(seen, ours, rest, Known{{}, {}, false});
    QList<Entry> &entries = result.entries;
    for (const Record &r : std::as_const(beside)) {
        auto ofStamp = [&](qsizetype i, bool fromOurs) {
            const Entry &e = entries[i];
            return (e.ours >= 0) == fromOurs && (e.content ? *e.content : ours[e.ours])[0] == r[0];
        };
        qsizetype at = 0;
        while (at < entries.size() && !ofStamp(at, true))
            ++at;
        // Unchanged here since the base: the other side's change, taken. Changed here too: both
        // versions, ours first.
        if (at < entries.size() && !entries[at].content && baseKeys.contains(key(ours[entries[at].ours]))) {
            entries[at].content = r;
            continue;
        }
        ++result.conflicts;
        if (at < entries.size())
            for (++at; at < entries.size() && ofStamp(at, false);)
                ++at;
        entries.insert(at, Entry{-1, r});
    }
    return result;
}

QList<Record> records(QByteArrayView bytes, bool *cut)
{
    NoteTable table;
    table.setUp();
    const notescodec::ReadResult read = notescodec::decode(bytes, table);
    if (cut)
        *cut = read.cut;
    return records(table);
}

QList<Record> records(const NoteTable &table)
{
    QList<Record> list;
    list.reserve(table.Rows() - 1);
    for (int r = 1; r < table.Rows(); ++r)
        list.append(Record{table.TextMatrix(r, Col::Stamp), table.TextMatrix(r, Col::Text),
                           table.TextMatrix(r, Col::Alert), table.TextMatrix(r, Col::Alerted)});
    // One blank record is what an empty list is written as: no note.
    if (list.size() == 1 && list[0] == Record{})
        list.clear();
    return list;
}

} // namespace notesmerge
